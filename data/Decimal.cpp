#include "data/Decimal.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "data/ModuleError.h"

namespace pcp {

namespace {

using Wide = __int128;

const QString kSource = QStringLiteral("PettyCashPayments");
constexpr qint64 kMaxUnits = std::numeric_limits<qint64>::max();
constexpr int kMaxDigits = 19;  // digits of kMaxUnits
constexpr auto kPow10 = [] {
    std::array<qint64, kMaxDigits> powers{};  // 10^0 .. 10^18
    powers[0] = 1;
    for (std::size_t i = 1; i < powers.size(); ++i) powers[i] = powers[i - 1] * 10;
    return powers;
}();

[[noreturn]] void overflow() {
    raise(kErrOverflow, kSource, QStringLiteral("Overflow"));
}

[[noreturn]] void invalidArgument() {
    raise(kErrInvalidProcedureCall, kSource, QStringLiteral("Invalid procedure call or argument"));
}

void checkPlaces(int places) {
    if (places < 0 || places > Decimal::kScale) invalidArgument();
}

// Units inside the symmetric range, or the overflow error.
qint64 checked(Wide units) {
    if (units > kMaxUnits || units < -kMaxUnits) overflow();
    return qint64(units);
}

// n ÷ d rounded half away from zero; d is not zero.
Wide divRound(Wide n, Wide d) {
    Wide q = n / d;
    const Wide r = n % d < 0 ? -(n % d) : n % d;
    const Wide ad = d < 0 ? -d : d;
    if (r >= ad - r) q += (n < 0) != (d < 0) ? -1 : 1;
    return q;
}

// digits × 10^shift rounded half away from zero to a whole number; empty
// when it exceeds kMaxUnits.
std::optional<Wide> scaledRound(std::string_view digits, long long shift) {
    const auto first = digits.find_first_not_of('0');
    if (first == std::string_view::npos) return Wide(0);
    digits.remove_prefix(first);
    // Digits kept above the rounding place; the next one decides the rounding.
    const long long keep = qsizetype(digits.size()) + shift;
    if (keep < 0) return Wide(0);  // below half a unit
    if (keep > kMaxDigits) return std::nullopt;
    Wide value = 0;
    for (long long i = 0; i < keep; ++i)
        value = value * 10 + (i < qsizetype(digits.size()) ? digits[i] - '0' : 0);
    if (keep < qsizetype(digits.size()) && digits[keep] >= '5') ++value;
    if (value > kMaxUnits) return std::nullopt;
    return value;
}

// A magnitude as digits × 10^exponent.
struct Significand {
    qint64 digits = 0;
    int exponent = 0;
};

// The first `count` digits and the power of ten of "d.ddd…e±XX".
Significand readScientific(const char* begin, const char* end, int count) {
    Significand s;
    int taken = 0;
    const char* p = begin;
    for (; p < end && *p != 'e'; ++p) {
        if (*p == '.' || taken == count) continue;
        s.digits = s.digits * 10 + (*p - '0');
        ++taken;
    }
    int exponent = 0;
    if (p + 1 < end) std::from_chars(p + (p[1] == '+' ? 2 : 1), end, exponent);
    s.exponent = exponent - (taken - 1);
    return s;
}

// A double at 15 significant digits, the precision it keeps for any decimal
// text, rounded half up on the magnitude as the platform prints it.
Significand fifteenDigits(double magnitude) {
    char buf[40];  // d.dddddddddddddddde±XXX: 17 digits settle the 15th…
    const char* end =
        std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific, 16).ptr;
    if (buf[16] == '5' && buf[17] == '0') {
        // …unless they end in "50": a tie or a near one on either side. The
        // platform's printing is exact and rounds a true tie up.
        const QByteArray text = QString::number(magnitude, 'e', 14).toLatin1();
        return readScientific(text.constData(), text.constData() + text.size(), 15);
    }
    Significand s = readScientific(buf, end, 15);
    if (buf[16] >= '5') ++s.digits;  // may carry to 10^15: still the same value
    return s;
}

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

}  // namespace

qint64 Decimal::wholeUnits(qint64 whole) {
    if (whole > kMaxUnits / kOne || whole < -(kMaxUnits / kOne)) overflow();
    return whole * kOne;
}

qint64 Decimal::wholeUnits(quint64 whole) {
    if (whole > quint64(kMaxUnits / kOne)) overflow();
    return qint64(whole) * kOne;
}

Decimal Decimal::fromUnits(qint64 units) {
    return Decimal(Units{checked(units)});
}

std::optional<Decimal> Decimal::fromDigits(bool negative, std::string_view digits, int exponent) {
    const auto units = scaledRound(digits, static_cast<long long>(exponent) + kScale);
    if (!units) return std::nullopt;
    return Decimal(Units{qint64(negative ? -*units : *units)});
}

std::optional<Decimal> Decimal::parse(QStringView text) {
    text = text.trimmed();
    const qsizetype n = text.size();
    qsizetype i = 0;
    const bool negative = i < n && text[i] == u'-';
    if (i < n && (text[i] == u'-' || text[i] == u'+')) ++i;
    std::string digits;
    for (; i < n && isDigit(text[i]); ++i) digits += char(text[i].unicode());
    if (i < n && text[i] == u',') {
        // Groups of three after a first group of one to three digits.
        if (digits.empty() || digits.size() > 3) return std::nullopt;
        while (i < n && text[i] == u',') {
            if (i + 3 >= n || !isDigit(text[i + 1]) || !isDigit(text[i + 2]) ||
                !isDigit(text[i + 3]))
                return std::nullopt;
            for (int k = 1; k <= 3; ++k) digits += char(text[i + k].unicode());
            i += 4;
        }
    }
    const qsizetype wholeDigits = qsizetype(digits.size());
    if (i < n && text[i] == u'.')
        for (++i; i < n && isDigit(text[i]); ++i) digits += char(text[i].unicode());
    if (digits.empty() || i != n) return std::nullopt;
    return fromDigits(negative, digits, int(wholeDigits - qsizetype(digits.size())));
}

Decimal Decimal::fromDouble(double value, int scale) {
    checkPlaces(scale);
    if (!std::isfinite(value)) overflow();
    // The double nearest a decimal k / 10^scale of at most 15 digits has that
    // decimal as its 15 significant digits (DBL_DIG): k is taken at once.
    if (std::fabs(value) < 1e12) {
        const double columnScale = double(kPow10[scale]);
        const qint64 k = std::llround(value * columnScale);
        if (double(k) / columnScale == value) return Decimal(Units{k * kPow10[kScale - scale]});
    }
    const Significand s = fifteenDigits(std::fabs(value));
    // value × 10^scale rounded whole is the count of the column's units.
    const long long shift = static_cast<long long>(s.exponent) + scale;
    Wide columnUnits = 0;
    constexpr int kTop = kMaxDigits - 1;  // the largest power in kPow10
    if (shift > kTop) {
        if (s.digits != 0) overflow();
    } else if (shift >= 0) {
        columnUnits = Wide(s.digits) * kPow10[shift];
    } else if (shift >= -kTop) {
        columnUnits = divRound(s.digits, kPow10[-shift]);
    }                                         // else below half a unit: 0
    if (columnUnits > kMaxUnits) overflow();  // before scaling up, which could wrap
    const Wide units = columnUnits * kPow10[kScale - scale];
    return Decimal(Units{checked(value < 0 ? -units : units)});
}

double Decimal::toDouble() const {
    // Exact operands give the correctly rounded quotient; beyond 2^53 read the text.
    constexpr qint64 kExact = qint64(1) << 53;
    if (units_ > -kExact && units_ < kExact) return double(units_) / double(kOne);
    return toString().toDouble();
}

Decimal Decimal::round(int places) const {
    checkPlaces(places);
    const qint64 step = kPow10[kScale - places];
    return Decimal(Units{checked(divRound(units_, step) * step)});
}

Decimal Decimal::floor() const {
    Wide whole = units_ / kOne;
    if (units_ % kOne < 0) --whole;
    return Decimal(Units{checked(whole * kOne)});
}

bool Decimal::fits(int precision, int scale) const {
    checkPlaces(scale);
    const int wholeDigits = precision - scale;
    if (wholeDigits < 0) invalidArgument();
    const qint64 step = kPow10[kScale - scale];
    Wide whole = divRound(units_, step) * step / kOne;
    if (whole < 0) whole = -whole;
    return wholeDigits >= kMaxDigits || whole < kPow10[wholeDigits];
}

QString Decimal::toString() const {
    char buf[32];
    char* end = buf;
    if (units_ < 0) *end++ = '-';
    const quint64 magnitude = units_ < 0 ? quint64(-units_) : quint64(units_);
    end = std::to_chars(end, buf + sizeof buf, magnitude / kOne).ptr;
    quint64 fraction = magnitude % kOne;
    if (fraction) {
        *end++ = '.';
        int width = kScale;
        for (; fraction % 10 == 0; --width) fraction /= 10;
        for (int i = width - 1; i >= 0; --i, fraction /= 10) end[i] = char('0' + fraction % 10);
        end += width;
    }
    return QString::fromLatin1(buf, end - buf);
}

QString Decimal::integerPartText() const {
    return QString::number(units_ / kOne);
}

Decimal operator+(const Decimal& a, const Decimal& b) {
    return Decimal(Decimal::Units{checked(Wide(a.units_) + b.units_)});
}

Decimal operator-(const Decimal& a, const Decimal& b) {
    return Decimal(Decimal::Units{checked(Wide(a.units_) - b.units_)});
}

Decimal operator*(const Decimal& a, const Decimal& b) {
    return Decimal(Decimal::Units{checked(divRound(Wide(a.units_) * b.units_, Decimal::kOne))});
}

Decimal operator/(const Decimal& a, const Decimal& b) {
    if (b.isZero()) raise(kErrDivisionByZero, kSource, QStringLiteral("Division by zero"));
    return Decimal(Decimal::Units{checked(divRound(Wide(a.units_) * Decimal::kOne, b.units_))});
}

Decimal MulDiv(const Decimal& a, const Decimal& b, const Decimal& c, int places) {
    checkPlaces(places);
    if (c.isZero()) raise(kErrDivisionByZero, kSource, QStringLiteral("Division by zero"));
    // |a × b| < 2^126 and |c| × 10^6 < 2^84: both fit 128 bits.
    const qint64 step = kPow10[Decimal::kScale - places];
    const Wide quotient = divRound(Wide(a.units()) * b.units(), Wide(c.units()) * step);
    return Decimal::fromUnits(checked(quotient * step));
}

}  // namespace pcp
