// The exact decimal type and the value rules on it: sums that doubles get
// wrong at the cent, pattern rounding, rate conversion, database read-backs,
// overflow and division errors, and the texts that must not read as numbers.
#include <gtest/gtest.h>

#include <limits>
#include <ostream>

#include "data/Decimal.h"
#include "data/ModuleError.h"
#include "data/Values.h"
#include "suite/BasModule.h"
#include "tests/support/Fixtures.h"

namespace pcp {
void PrintTo(const Decimal& value, std::ostream* os) {
    *os << value.toString().toStdString();
}
}  // namespace pcp

using namespace pcp;
using pcp::test::RaisedBy;

namespace {

Decimal D(const char* text) {
    const auto value = Decimal::parse(QString::fromLatin1(text));
    if (!value) ADD_FAILURE() << "not a decimal: " << text;
    return value.value_or(Decimal());
}

const Decimal kMax = Decimal::fromUnits(std::numeric_limits<qint64>::max());

}  // namespace

TEST(Decimal, SumsStayExactAtTheCent) {
    Decimal sum;
    for (int i = 0; i < 25; ++i) sum += D("33.333");
    EXPECT_EQ(sum, D("833.325"));
    EXPECT_EQ(Format(sum, "0.00"), "833.33");  // the double sum is 833.32499999999948

    Decimal lines;
    for (int i = 0; i < 47; ++i) lines += D("12.35");
    EXPECT_EQ(NumberText(lines), "580.45");
    EXPECT_EQ(NumberText(D("12.35") * Decimal(47)), "580.45");

    Decimal cents;
    for (int i = 0; i < 82; ++i) cents += D("0.01");
    EXPECT_EQ(NumberText(cents), "0.82");
    EXPECT_EQ(D("0.1") + D("0.2"), D("0.3"));
    EXPECT_EQ(D("0.3") - D("0.1"), D("0.2"));
}

// Each pattern through the exact type and through a double (the numbering's
// running number is one): a double rounds as its shortest decimal text does.
TEST(Decimal, PatternsRoundHalfAwayFromZero) {
    struct Case {
        const char *value, *pattern, *shown, *shownFromDouble;
    };
    const char* const kGrouped = "###,###,##0.00######";
    const Case cases[] = {
        {"1.005", "0.00", "1.01", nullptr},
        {"2.675", "0.00", "2.68", nullptr},  // the double is 2.67499999...
        {"-0.125", "0.00", "-0.13", nullptr},
        {"-2.675", "0.00", "-2.68", nullptr},
        {"-12.345", "0.00", "-12.35", nullptr},
        {"-0.004", "0.00", "0.00", nullptr},  // no negative zero
        {"3.3335", "0.00#", "3.334", nullptr},
        {"3.3333333333", "0.00#", "3.333", nullptr},
        {"75", "0.00#", "75.00", nullptr},
        {"12.5", "0.00#", "12.50", nullptr},
        {"999.9999", "0.00#", "1000.00", nullptr},
        {"1234.5", "#0.00", "1234.50", nullptr},
        {"0.5", "#.00", ".50", nullptr},
        {"41.5", "0000", "0042", nullptr},
        {"7", "0000", "0007", nullptr},
        {"1234.5", kGrouped, "1,234.50", nullptr},
        {"-1234.5", kGrouped, "-1,234.50", nullptr},
        {"1234567.1234565", kGrouped, "1,234,567.123457", "1,234,567.1234565"},
        {"1234567.123456789", kGrouped, "1,234,567.123457", "1,234,567.12345679"},
    };
    for (const auto& [value, pattern, shown, shownFromDouble] : cases) {
        SCOPED_TRACE(std::string(value) + " as " + pattern);
        EXPECT_EQ(Format(D(value), pattern), shown);
        EXPECT_EQ(Format(QString::fromLatin1(value).toDouble(), pattern),
                  shownFromDouble ? shownFromDouble : shown);
    }
    EXPECT_EQ(Format(0.1 + 0.2, "0.00#"), "0.30");
}

TEST(Decimal, LargestBoxAmountSumsAndFormats) {
    // A 12-whole-digit, 2-decimal box.
    const Decimal largest = D("999,999,999,999.99");
    EXPECT_TRUE(largest.fits(14, 2));
    const Decimal next = largest + D("0.01");
    EXPECT_FALSE(next.fits(14, 2));
    EXPECT_TRUE(next.fits(18, 3));
    EXPECT_EQ(Format(largest, "###,###,##0.00######"), "999,999,999,999.99");
    EXPECT_EQ(Format(next, "###,###,##0.00######"), "1,000,000,000,000.00");
    EXPECT_EQ(NumberText(-next), "-1000000000000");
    EXPECT_FALSE(D("999999999999.995").fits(14, 2));  // rounds up to 13 whole digits
}

TEST(Decimal, ConvertAmountIsOneExactQuotient) {
    using BasModule::ConvertAmount;
    EXPECT_EQ(ConvertAmount(Decimal(100), Decimal(4), Decimal(3)), Decimal(75));
    EXPECT_EQ(ConvertAmount(Decimal(10), Decimal(3), Decimal(1)), D("3.333"));
    EXPECT_EQ(ConvertAmount(Decimal(1), Decimal(16), Decimal(1)), D("0.063"));
    EXPECT_EQ(ConvertAmount(Decimal(-1), Decimal(16), Decimal(1)), D("-0.063"));
    EXPECT_EQ(ConvertAmount(D("100"), D("0.2723"), D("1")), D("367.242"));
    // 0.0004999999: rounding at six places first would give 0.001.
    EXPECT_EQ(ConvertAmount(D("4.999999"), Decimal(10000), Decimal(1)), Decimal());
    EXPECT_EQ(RaisedBy([] { ConvertAmount(Decimal(10), Decimal(), Decimal(1)); }).number(),
              kErrDivisionByZero);
}

TEST(Decimal, DatabaseDoublesReadAtTheColumnScale) {
    EXPECT_EQ(Decimal::fromDouble(33.333, 3), D("33.333"));  // REAL 33.332999999999998
    EXPECT_EQ(Decimal::fromDouble(-33.333, 3), D("-33.333"));
    EXPECT_EQ(Decimal::fromDouble(123456789012.345, 3), D("123456789012.345"));
    EXPECT_EQ(Decimal::fromDouble(0.1 + 0.2, 6), D("0.3"));
    EXPECT_EQ(Decimal::fromDouble(0.272345, 6), D("0.272345"));
    EXPECT_EQ(Decimal::fromDouble(2.675, 2), D("2.68"));
    EXPECT_EQ(Decimal::fromDouble(1789671288688.125, 2), D("1789671288688.13"));  // exact tie
    // 602007007.38944649696…: 17 digits end in "50", the 15th stays 6.
    EXPECT_EQ(Decimal::fromDouble(602007007.3894465, 6), D("602007007.389446"));
    EXPECT_EQ(Decimal::fromDouble(-0.0000005, 6), D("-0.000001"));
    EXPECT_EQ(Decimal::fromDouble(1e-300, 6), Decimal());
    EXPECT_EQ(Decimal::fromDouble(250.0, 0), Decimal(250));
    EXPECT_EQ(D("33.333").toDouble(), 33.333);
    for (double bad : {std::numeric_limits<double>::quiet_NaN(),
                       std::numeric_limits<double>::infinity(), 1e13, -1e13})
        EXPECT_EQ(RaisedBy([&] { Decimal::fromDouble(bad, 3); }).number(), kErrOverflow) << bad;
    EXPECT_EQ(RaisedBy([] { Decimal::fromDouble(1e32, 0); }).number(), kErrOverflow);
    EXPECT_EQ(RaisedBy([] { Decimal::fromDouble(1.0, 7); }).number(), kErrInvalidProcedureCall);
}

TEST(Decimal, ArithmeticRoundsOnceAndRaisesTheModuleErrors) {
    EXPECT_EQ(D("0.000001") * D("0.5"), D("0.000001"));
    EXPECT_EQ(D("-0.000001") * D("0.5"), D("-0.000001"));
    EXPECT_EQ(Decimal(2) / Decimal(3), D("0.666667"));
    EXPECT_EQ(Decimal(-2) / Decimal(3), D("-0.666667"));
    EXPECT_EQ(MulDiv(kMax, kMax, kMax), kMax);  // the product needs 126 bits
    EXPECT_EQ(D("-0.125").round(2), D("-0.13"));
    EXPECT_EQ(D("12.5").round(0), Decimal(13));
    EXPECT_EQ(D("-12.5").floor(), Decimal(-13));
    EXPECT_EQ(D("12.5").floor(), Decimal(12));
    EXPECT_EQ(D("-12.75").integerPartText(), "-12");
    EXPECT_EQ(D("-0.5").integerPartText(), "0");
    EXPECT_EQ(D("-0.5").sign(), -1);
    EXPECT_LT(D("-0.5"), Decimal());
    EXPECT_EQ(NumberText(D("0.000001")), "0.000001");
    EXPECT_EQ(NumberText(-kMax), "-9223372036854.775807");

    EXPECT_EQ(RaisedBy([] { kMax + D("0.000001"); }).number(), kErrOverflow);
    EXPECT_EQ(RaisedBy([] { -kMax - D("0.000001"); }).number(), kErrOverflow);
    EXPECT_EQ(RaisedBy([] { kMax* Decimal(2); }).number(), kErrOverflow);
    EXPECT_EQ(RaisedBy([] { kMax.round(0); }).number(), kErrOverflow);
    EXPECT_EQ(RaisedBy([] { Decimal(9223372036855LL); }).number(), kErrOverflow);
    EXPECT_EQ(RaisedBy([] { Decimal::fromUnits(std::numeric_limits<qint64>::min()); }).number(),
              kErrOverflow);
    EXPECT_EQ(RaisedBy([] { Decimal(1) / Decimal(); }).number(), kErrDivisionByZero);
    EXPECT_EQ(RaisedBy([] { MulDiv(Decimal(1), Decimal(1), Decimal()); }).number(),
              kErrDivisionByZero);
}

TEST(Decimal, ParseReadsPlainTextOnly) {
    EXPECT_EQ(D(" -1,234,567.5 "), D("-1234567.5"));
    EXPECT_EQ(D(".5"), D("0.5"));
    EXPECT_EQ(D("5."), Decimal(5));
    EXPECT_EQ(D("+0001.50"), D("1.5"));
    EXPECT_EQ(D("0.0000005"), D("0.000001"));  // beyond six places: half away from zero
    EXPECT_EQ(D("-0.00000049"), Decimal());
    EXPECT_EQ(D("9223372036854.775807"), kMax);
    for (const char* bad : {"",
                            " ",
                            ".",
                            "-",
                            "+-1",
                            "1e5",
                            "1E-2",
                            "inf",
                            "nan",
                            "1,23",
                            "1234,567",
                            ",123",
                            "1,234,56",
                            "1,2345",
                            "1.2.3",
                            "1.234,5",
                            "12 3",
                            "0x10",
                            "9223372036855",
                            "9223372036854.7758075"})
        EXPECT_FALSE(Decimal::parse(QString::fromLatin1(bad))) << bad;
}

TEST(Decimal, ValueRulesCarryDecimals) {
    EXPECT_EQ(ValDecimal("1234.5abc"), D("1234.5"));
    EXPECT_EQ(ValDecimal(" 1 2.5 "), D("12.5"));
    EXPECT_EQ(ValDecimal("1.5e3"), Decimal(1500));
    EXPECT_EQ(ValDecimal("2D2"), Decimal(200));
    EXPECT_EQ(ValDecimal("1e"), Decimal(1));
    EXPECT_EQ(ValDecimal("1,234"), Decimal(1));
    EXPECT_EQ(ValDecimal("abc"), Decimal());
    EXPECT_EQ(ValDecimal("1e-400"), Decimal());
    EXPECT_FALSE(ValDecimal("1e400"));  // beyond the range: never 0 or inf
    EXPECT_FALSE(ValDecimal("-2e13"));

    const QVariant held = QVariant::fromValue(D("580.45"));
    EXPECT_EQ(CDec(held), D("580.45"));
    EXPECT_EQ(Text(held), "580.45");
    EXPECT_DOUBLE_EQ(CDbl(held), 580.45);
    EXPECT_EQ(held, QVariant::fromValue(D("580.450")));
    EXPECT_EQ(CDec(QVariant(42)), Decimal(42));
    EXPECT_EQ(CDec(QVariant(33.333)), D("33.333"));
    EXPECT_EQ(CDec(QVariant(" 1,234.5 ")), D("1234.5"));
    EXPECT_EQ(CDec(QVariant("1.5E2")), Decimal(150));
    EXPECT_EQ(RaisedBy([] { CDec(QVariant("abc")); }).number(), kErrTypeMismatch);
    EXPECT_EQ(RaisedBy([] { CDec(NullValue()); }).number(), kErrInvalidUseOfNull);
    EXPECT_EQ(RaisedBy([] { CDec(QVariant("1e20")); }).number(), kErrOverflow);
    EXPECT_EQ(RaisedBy([] { CDec(QVariant(std::numeric_limits<double>::quiet_NaN())); }).number(),
              kErrOverflow);
}
