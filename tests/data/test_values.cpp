// Value rules: number reading, amounts and dates as text without binary
// artefacts, 16-bit conversion (the patterns are in test_decimal).
#include <gtest/gtest.h>

#include "data/ModuleError.h"
#include "data/Values.h"
#include "tests/support/Fixtures.h"

using namespace pcp;
using pcp::test::RaisedBy;

TEST(Values, LeadingNumberAndWholeNumbers) {
    EXPECT_DOUBLE_EQ(Val("250.75"), 250.75);
    EXPECT_DOUBLE_EQ(Val("  12abc"), 12);
    EXPECT_DOUBLE_EQ(Val("abc"), 0);
    EXPECT_DOUBLE_EQ(Val(""), 0);
    EXPECT_DOUBLE_EQ(Val("1 2 3"), 123);
    EXPECT_DOUBLE_EQ(Val("1,234"), 1);
    EXPECT_DOUBLE_EQ(Val("-3.5x"), -3.5);
    EXPECT_DOUBLE_EQ(Val(".5"), 0.5);
    EXPECT_DOUBLE_EQ(Val("12/03"), 12);
    for (const char* t : {"12", " 12.50 ", "-4", "1,234.5", "12,345,678.9", "-1.5E+3", ".5", "5."})
        EXPECT_TRUE(IsNumeric(t)) << t;
    for (const char* t :
         {"1,2345", "1234,567", "1e", "1 2", ".", "-", "", "ADM/12", "20/11/2026", "Yes"})
        EXPECT_FALSE(IsNumeric(t)) << t;
}

TEST(Values, SixteenBitConversionRoundsToEvenAndOverflows) {
    EXPECT_EQ(CInt(2.5), 2);
    EXPECT_EQ(CInt(3.5), 4);
    EXPECT_EQ(CInt(QVariant("32767")), 32767);
    EXPECT_EQ(CInt(-32768.0), -32768);
    const std::pair<QVariant, ErrorNumber> refused[] = {
        {32768.0, kErrOverflow}, {"abc", kErrTypeMismatch}, {NullValue(), kErrInvalidUseOfNull}};
    for (const auto& [value, error] : refused)
        EXPECT_EQ(RaisedBy([&] { CInt(value); }).number(), error) << value.toString().toStdString();
}

TEST(Values, DatesByPatternAndShortDate) {
    const QDateTime d = MakeDate(2026, 3, 12, 14, 5, 9);
    EXPECT_EQ(FormatDate(d, "yyyymmdd"), "20260312");
    EXPECT_EQ(FormatDate(d, "YYYY MM DD hh:mm:ss"), "2026 03 12 14:05:09");
    EXPECT_EQ(FormatDate(d, "dd/mm/yyyy"), "12/03/2026");
    EXPECT_EQ(FormatDate(d, "dd/mm/yyyy hh:nn"), "12/03/2026 14:05");
    EXPECT_EQ(FormatDate(d, "d/m/yy h:mm"), "12/3/26 14:05");
    EXPECT_EQ(ShortDate(MakeDate(2026, 3, 12)), "12/03/2026");
    EXPECT_EQ(ParseDate("12/03/2026"), MakeDate(2026, 3, 12));
    EXPECT_EQ(ParseDate("12-03-2026 14:05:09"), d);
    EXPECT_FALSE(IsDate("31/02/2026"));
    EXPECT_FALSE(IsDate("Yes"));
    EXPECT_EQ(Text(QVariant(MakeDate(2026, 11, 1))), "01/11/2026");
    EXPECT_EQ(Text(NullValue()), "");
    EXPECT_EQ(Text(QVariant()), "");
}

TEST(Values, AmountsAndDatesWriteTheWayTheGridShowsThem) {
    EXPECT_EQ(NumberText(1038.155), "1038.155");
    EXPECT_EQ(NumberText(-1038.155), "-1038.155");
    EXPECT_EQ(NumberText(250.0), "250");
    EXPECT_EQ(NumberText(250.5), "250.5");
    EXPECT_EQ(NumberText(0.1 + 0.2), "0.3");  // no binary artefact, through the general path
    EXPECT_EQ(NumberText(99999999999.999), "99999999999.999");
    EXPECT_EQ(NumberText(1.0 / 3.0), "0.333333333333333");
    double sum = 0;
    for (int i = 0; i < 10; ++i) sum += 0.1;
    EXPECT_EQ(NumberText(sum), "1");
    EXPECT_EQ(NumberText(123456789012.345), "123456789012.345");
    EXPECT_EQ(ShortDate(MakeDate(2026, 3, 5)), "05/03/2026");
    EXPECT_EQ(ShortDate(MakeDate(2026, 3, 5, 9, 7, 1)), "05/03/2026 09:07:01");
}
