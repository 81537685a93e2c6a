#pragma once
// An exact decimal number for amounts and exchange rates.
//
// The value is a signed 64-bit count of millionths: a fixed scale of six
// decimal places. That covers the module's columns exactly (amounts are
// NUMERIC(18,3), rates NUMERIC(18,6)), keeps sums and comparisons as fast as
// integer arithmetic and needs no library. The range is symmetric,
// ±9,223,372,036,854.775807 (INT64_MAX millionths): twelve whole digits with
// room to spare for totals. Every result outside it raises the module's
// overflow error; division by zero raises its division error.
//
// Rounding is half away from zero everywhere (the rule of the module's
// patterns): products and quotients are computed in 128 bits and rounded once
// to six places, and text with more than six decimals is rounded the same way.

#include <QMetaType>
#include <QString>
#include <QStringView>
#include <compare>
#include <concepts>
#include <optional>
#include <string_view>
#include <type_traits>

namespace pcp {

// The stored columns: amounts NUMERIC(18,3), exchange rates NUMERIC(18,6).
inline constexpr int kAmountPrecision = 18;
inline constexpr int kAmountScale = 3;
inline constexpr int kRatePrecision = 18;
inline constexpr int kRateScale = 6;

class Decimal {
  public:
    static constexpr int kScale = 6;
    static constexpr qint64 kOne = 1'000'000;  // units in 1

    constexpr Decimal() = default;
    // A whole number; overflow when beyond the range.
    template <std::integral T>
    explicit Decimal(T whole)
        : units_(std::is_unsigned_v<T> ? wholeUnits(quint64(whole)) : wholeUnits(qint64(whole))) {}

    // The value of `units` millionths; overflow for INT64_MIN, which has no negation.
    static Decimal fromUnits(qint64 units);
    // Plain decimal text: blanks around, a sign, digits with an optional point
    // and thousands commas only in whole groups ("1,234,567.5"). Decimals beyond
    // six are rounded half away from zero. Empty when the text is anything else
    // (an exponent, "inf", "nan", a stray comma) or beyond the range.
    static std::optional<Decimal> parse(QStringView text);
    // ±digits × 10^exponent rounded to six places; empty beyond the range.
    // `digits` holds only '0'..'9' (may be empty, meaning 0).
    static std::optional<Decimal> fromDigits(bool negative, std::string_view digits, int exponent);
    // A double read back from a database column of `scale` decimals (0..6): the
    // double is taken at 15 significant digits, the precision it keeps for any
    // decimal text, and rounded half away from zero to `scale` places, so the
    // REAL 33.332999999999998 read from a 3-decimal column is 33.333. Overflow
    // for NaN, infinities and values beyond the range.
    static Decimal fromDouble(double value, int scale);

    qint64 units() const { return units_; }
    // Nearest double; for measures and charts, never for money.
    double toDouble() const;

    bool isZero() const { return units_ == 0; }
    int sign() const { return units_ > 0 ? 1 : (units_ < 0 ? -1 : 0); }
    // Rounded half away from zero to `places` (0..6) decimals.
    Decimal round(int places) const;
    // The greatest whole number not above the value.
    Decimal floor() const;
    // True when the value rounded to `scale` places fits NUMERIC(precision, scale),
    // i.e. has at most precision - scale whole digits.
    bool fits(int precision, int scale) const;

    // Shortest plain text: "-1234.5", "0.000001", "0"; no exponent, no grouping.
    QString toString() const;
    // The whole part, truncated toward zero, with its sign: "-12" for -12.75, "0" for -0.5.
    QString integerPartText() const;

    // Never overflows: the range is symmetric.
    Decimal operator-() const { return Decimal(Units{-units_}); }
    friend Decimal operator+(const Decimal& a, const Decimal& b);
    friend Decimal operator-(const Decimal& a, const Decimal& b);
    friend Decimal operator*(const Decimal& a, const Decimal& b);
    friend Decimal operator/(const Decimal& a, const Decimal& b);
    Decimal& operator+=(const Decimal& b) { return *this = *this + b; }
    Decimal& operator-=(const Decimal& b) { return *this = *this - b; }
    Decimal& operator*=(const Decimal& b) { return *this = *this * b; }
    Decimal& operator/=(const Decimal& b) { return *this = *this / b; }
    friend bool operator==(const Decimal&, const Decimal&) = default;
    friend auto operator<=>(const Decimal&, const Decimal&) = default;

  private:
    struct Units {
        qint64 value;
    };
    explicit constexpr Decimal(Units units) : units_(units.value) {}
    static qint64 wholeUnits(qint64 whole);
    static qint64 wholeUnits(quint64 whole);

    qint64 units_ = 0;
};

// a × b ÷ c with the product kept exact in 128 bits and the quotient rounded
// once, half away from zero, to `places` (0..6) decimals. Converting an amount
// between two rates this way loses nothing to an intermediate rounding.
Decimal MulDiv(const Decimal& a, const Decimal& b, const Decimal& c, int places = Decimal::kScale);

}  // namespace pcp

Q_DECLARE_METATYPE(pcp::Decimal)
