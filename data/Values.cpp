#include "data/Values.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <string>

#include "data/ModuleError.h"

namespace pcp {

namespace {

const QString kSource = QStringLiteral("PettyCashPayments");

// Decimal digits of |value| at 15 significant digits: the digits and the
// position of the decimal point counted from the first digit.
struct DecimalDigits {
    QString digits;  // 15 digits, no point
    int pointPos;    // digits before the decimal point (may be <= 0 or > 15)
};

DecimalDigits decimalDigits(double value) {
    const QString e = QString::number(std::fabs(value), 'e', 14);  // d.ddddddddddddddde+XX
    const int ePos = e.indexOf(u'e');
    QString digits = e.left(ePos);
    digits.remove(u'.');
    const int exponent = e.mid(ePos + 1).toInt();
    return {digits, exponent + 1};
}

// Rounds to `decimals` places (half away from zero) and returns the integer
// part and a fraction of exactly `decimals` digits.
void roundDecimal(double value, int decimals, QString& intPart, QString& fracPart) {
    if (value == 0.0 || !std::isfinite(value)) {
        intPart = QStringLiteral("0");
        fracPart = QString(decimals, u'0');
        return;
    }
    DecimalDigits d = decimalDigits(value);
    QString digits = d.digits;
    int pointPos = d.pointPos;
    // Make sure there are digits down to the rounding place and one beyond.
    if (pointPos < 0) {
        digits = QString(-pointPos, u'0') + digits;
        pointPos = 0;
    }
    const int keep = pointPos + decimals;
    if (digits.size() < keep + 1) digits += QString(keep + 1 - digits.size(), u'0');
    QString kept = digits.left(keep);
    const bool roundUp = digits.at(keep).unicode() >= u'5';
    if (roundUp) {
        int i = kept.size() - 1;
        while (i >= 0) {
            if (kept[i] == u'9') {
                kept[i] = u'0';
                --i;
            } else {
                kept[i] = QChar(kept[i].unicode() + 1);
                break;
            }
        }
        if (i < 0) {
            kept.prepend(u'1');
            ++pointPos;
        }
    }
    intPart = kept.left(pointPos);
    fracPart = kept.mid(pointPos);
    while (intPart.size() > 1 && intPart.startsWith(u'0')) intPart.remove(0, 1);
    if (intPart.isEmpty()) intPart = QStringLiteral("0");
}

QString groupThousands(const QString& intPart) {
    QString out;
    const int n = intPart.size();
    for (int i = 0; i < n; ++i) {
        out += intPart[i];
        const int left = n - i - 1;
        if (left > 0 && left % 3 == 0) out += u',';
    }
    return out;
}

bool hasNonZeroDigit(const QString& digits) {
    return std::any_of(digits.begin(), digits.end(), [](QChar c) { return c > u'0'; });
}

// A number pattern: thousands grouping, least whole digits, least and most decimals.
struct NumberPattern {
    bool grouping = false;
    bool point = false;
    int minInt = 0;
    int minDec = 0;
    int maxDec = 0;
};

NumberPattern readPattern(const QString& pattern) {
    const int dot = int(pattern.indexOf(u'.'));
    const QStringView intPattern = QStringView(pattern).left(dot < 0 ? pattern.size() : dot);
    const QStringView fracPattern = dot < 0 ? QStringView() : QStringView(pattern).mid(dot + 1);
    NumberPattern p;
    p.grouping = intPattern.contains(u',');
    p.point = dot >= 0;
    p.minInt = int(intPattern.count(u'0'));
    p.minDec = int(fracPattern.count(u'0'));
    p.maxDec = p.minDec + int(fracPattern.count(u'#'));
    return p;
}

// Lays out digits already rounded to the pattern (`fracPart` has maxDec digits).
QString layOut(const NumberPattern& p, bool negative, QString intPart, QString fracPart) {
    while (fracPart.size() > p.minDec && fracPart.endsWith(u'0')) fracPart.chop(1);
    if (intPart == u"0" && p.minInt == 0) intPart.clear();
    if (intPart.size() < p.minInt) intPart = QString(p.minInt - intPart.size(), u'0') + intPart;
    if (p.grouping) intPart = groupThousands(intPart);
    QString out = negative ? QStringLiteral("-") : QString();
    out += intPart;
    if (!fracPart.isEmpty() || (p.point && p.minDec > 0)) out += u'.' + fracPart;
    return out;
}

QString layOut(const NumberPattern& p, const Decimal& rounded) {
    const qint64 units = rounded.units();
    const quint64 magnitude = units < 0 ? quint64(-units) : quint64(units);
    QString fracPart =
        QString::number(magnitude % Decimal::kOne).rightJustified(Decimal::kScale, u'0');
    if (p.maxDec <= Decimal::kScale)
        fracPart.truncate(p.maxDec);
    else
        fracPart += QString(p.maxDec - Decimal::kScale, u'0');
    return layOut(p, rounded.sign() < 0, QString::number(magnitude / Decimal::kOne), fracPart);
}

// A number as its digits, sign and power of ten: value = ±digits × 10^exponent.
struct NumberParts {
    bool negative = false;
    std::string digits;
    long long exponent = 0;

    std::optional<Decimal> value() const {
        constexpr long long kFar = 1'000'000'000;  // far beyond any range, still an int
        return Decimal::fromDigits(negative, digits, int(std::clamp(exponent, -kFar, kFar)));
    }
};

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Reads ASCII digits from i on, keeping them in `parts` when given; the count read.
qsizetype readDigits(QStringView s, qsizetype& i, NumberParts* parts) {
    const qsizetype start = i;
    for (; i < s.size() && isDigit(s[i]); ++i)
        if (parts) parts->digits += char(s[i].unicode());
    return i - start;
}

// Reads the [+-]?\d+ of an exponent at i; i moves and the exponent counts only
// when there is a digit.
bool readExponent(QStringView s, qsizetype& i, NumberParts* parts) {
    qsizetype j = i;
    const bool negative = j < s.size() && s[j] == u'-';
    if (j < s.size() && (s[j] == u'-' || s[j] == u'+')) ++j;
    if (j >= s.size() || !isDigit(s[j])) return false;
    long long e = 0;
    for (; j < s.size() && isDigit(s[j]); ++j)
        if (e < 1'000'000'000) e = e * 10 + (s[j].unicode() - u'0');
    if (parts) parts->exponent += negative ? -e : e;
    i = j;
    return true;
}

// An optional sign at i.
void readSign(QStringView s, qsizetype& i, NumberParts* parts) {
    if (parts) parts->negative = i < s.size() && s[i] == u'-';
    if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) ++i;
}

// A point and the digits after it, which lower the exponent; the count of digits.
qsizetype readFraction(QStringView s, qsizetype& i, NumberParts* parts) {
    if (i >= s.size() || s[i] != u'.') return 0;
    ++i;
    const qsizetype n = readDigits(s, i, parts);
    if (parts) parts->exponent -= n;
    return n;
}

// Val ignores blanks anywhere: "1 2 3" reads as 123.
QString withoutBlanks(const QString& text) {
    QString s;
    s.reserve(text.size());
    for (QChar c : text)
        if (c != u' ' && c != u'\t' && c != u'\n' && c != u'\r') s += c;
    return s;
}

// The leading number of a blank-free text as Val reads it:
// [+-]?(\d+\.?\d*|\.\d+)([eEdD][+-]?\d+)?. Its length; 0 when there is none.
qsizetype leadingNumber(QStringView s, NumberParts* parts) {
    qsizetype i = 0;
    readSign(s, i, parts);
    const qsizetype digits = readDigits(s, i, parts) + readFraction(s, i, parts);
    if (digits == 0) return 0;
    if (i < s.size() && QStringView(u"eEdD").contains(s[i])) {
        qsizetype j = i + 1;
        if (readExponent(s, j, parts)) i = j;
    }
    return i;
}

// The whole of a trimmed text as IsNumeric accepts it:
// [+-]?(\d{1,3}(,\d{3})+|\d+)?(\.\d*)?([eE][+-]?\d+)? holding a digit somewhere,
// the exponent's included ("e5" passes, as it always has).
bool wholeNumber(QStringView t, NumberParts* parts) {
    qsizetype i = 0;
    readSign(t, i, parts);
    qsizetype digits = readDigits(t, i, parts);
    if (i < t.size() && t[i] == u',') {
        if (digits < 1 || digits > 3) return false;
        while (i + 3 < t.size() && t[i] == u',' && isDigit(t[i + 1]) && isDigit(t[i + 2]) &&
               isDigit(t[i + 3])) {
            ++i;
            digits += readDigits(t.first(i + 3), i, parts);  // the group's three only
        }
    }
    digits += readFraction(t, i, parts);
    if (i < t.size() && (t[i] == u'e' || t[i] == u'E')) {
        ++i;
        if (!readExponent(t, i, parts)) return false;
        ++digits;
    }
    return digits > 0 && i == t.size();
}

bool isDecimal(const QVariant& v) {
    return v.metaType() == QMetaType::fromType<Decimal>();
}

// Empty (a lookup that found no row) reads as 0, as the platform's
// conversions read it; only a database null is refused.
QVariant nonNull(const QVariant& value) {
    if (!value.isValid()) return QVariant(0);
    if (value.isNull()) raise(kErrInvalidUseOfNull, kSource, QStringLiteral("Invalid use of Null"));
    return value;
}

bool isNumberType(const QVariant& v) {
    switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Double:
        case QMetaType::Float:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Long:
        case QMetaType::ULong: return true;
        default: return false;
    }
}

}  // namespace

QVariant NullValue() {
    return QVariant::fromValue(nullptr);
}

double Val(const QString& text) {
    const QString s = withoutBlanks(text);
    const qsizetype length = leadingNumber(s, nullptr);
    if (length == 0) return 0.0;
    QString number = s.left(length);
    number.replace(u'd', u'e').replace(u'D', u'e');
    return number.toDouble();
}

std::optional<Decimal> ValDecimal(const QString& text) {
    NumberParts parts;
    if (leadingNumber(withoutBlanks(text), &parts) == 0) return Decimal();
    return parts.value();
}

// A scan without allocation: the register's sort asks this twice per comparison.
bool IsNumeric(const QString& text) {
    return wholeNumber(QStringView(text).trimmed(), nullptr);
}

qint32 CLng(double value) {
    if (!std::isfinite(value) || value < -2147483648.5 || value > 2147483647.5)
        raise(kErrOverflow, kSource, QStringLiteral("Overflow"));
    const double r = std::rint(value);
    if (r < -2147483648.0 || r > 2147483647.0)
        raise(kErrOverflow, kSource, QStringLiteral("Overflow"));
    return static_cast<qint32>(r);
}

qint16 CInt(double value) {
    if (!std::isfinite(value)) raise(kErrOverflow, kSource, QStringLiteral("Overflow"));
    const double r = std::rint(value);
    if (r < -32768.0 || r > 32767.0) raise(kErrOverflow, kSource, QStringLiteral("Overflow"));
    return static_cast<qint16>(r);
}

double CDbl(const QVariant& value) {
    const QVariant v = nonNull(value);
    if (isNumberType(v)) return v.toDouble();
    if (isDecimal(v)) return v.value<Decimal>().toDouble();
    if (v.typeId() == QMetaType::Bool) return v.toBool() ? -1.0 : 0.0;
    if (v.typeId() == QMetaType::QDateTime || v.typeId() == QMetaType::QDate)
        raise(kErrTypeMismatch, kSource, QStringLiteral("Type mismatch"));
    const QString s = v.toString();
    if (!IsNumeric(s)) raise(kErrTypeMismatch, kSource, QStringLiteral("Type mismatch"));
    QString plain = s.trimmed();
    plain.remove(u',');
    return plain.toDouble();
}

Decimal CDec(const QVariant& value) {
    const QVariant v = nonNull(value);
    if (isDecimal(v)) return v.value<Decimal>();
    switch (v.typeId()) {
        case QMetaType::Double:
        case QMetaType::Float: return Decimal::fromDouble(v.toDouble(), Decimal::kScale);
        case QMetaType::UInt:
        case QMetaType::ULongLong:
        case QMetaType::UShort:
        case QMetaType::ULong: return Decimal(v.toULongLong());
        case QMetaType::Bool: return Decimal(v.toBool() ? -1 : 0);
        case QMetaType::QDateTime:
        case QMetaType::QDate: raise(kErrTypeMismatch, kSource, QStringLiteral("Type mismatch"));
        default:
            if (isNumberType(v)) return Decimal(v.toLongLong());
    }
    NumberParts parts;
    if (!wholeNumber(QStringView(v.toString()).trimmed(), &parts))
        raise(kErrTypeMismatch, kSource, QStringLiteral("Type mismatch"));
    const auto number = parts.value();
    if (!number) raise(kErrOverflow, kSource, QStringLiteral("Overflow"));
    return *number;
}

qint16 CInt(const QVariant& value) {
    return CInt(CDbl(value));
}
qint32 CLng(const QVariant& value) {
    return CLng(CDbl(value));
}

bool CBool(const QVariant& value) {
    const QVariant v = nonNull(value);
    if (v.typeId() == QMetaType::Bool) return v.toBool();
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString().trimmed();
        if (s.compare(u"true", Qt::CaseInsensitive) == 0) return true;
        if (s.compare(u"false", Qt::CaseInsensitive) == 0) return false;
    }
    return CDbl(v) != 0.0;
}

QString NumberText(double value) {
    if (value == 0.0) return QStringLiteral("0");
    const double magnitude = std::fabs(value);
    // Amounts of at most three decimals: the double is the one nearest to
    // k / 1000, whose 15 significant digits are exactly those of k / 1000.
    if (magnitude < 1e11) {
        const qint64 k = qint64(std::llround(value * 1000.0));
        if (double(k) / 1000.0 == value) {
            const qint64 whole = std::llabs(k) / 1000, thousandths = std::llabs(k) % 1000;
            QString out = value < 0 ? QStringLiteral("-") : QString();
            out += QString::number(whole);
            if (thousandths) {
                QString frac = QString::number(thousandths).rightJustified(3, u'0');
                while (frac.endsWith(u'0')) frac.chop(1);
                out += u'.' + frac;
            }
            return out;
        }
    }
    if (magnitude >= 1e15 || magnitude < 1e-10) {
        return QString::number(value, 'g', 15);
    }
    QString intPart, fracPart;
    // Keep 15 significant digits: as many decimals as the integer part leaves.
    const int intDigits = magnitude >= 1.0 ? int(std::floor(std::log10(magnitude))) + 1 : 0;
    const int decimals = std::max(0, 15 - intDigits);
    roundDecimal(value, decimals, intPart, fracPart);
    while (fracPart.endsWith(u'0')) fracPart.chop(1);
    QString out = intPart;
    if (!fracPart.isEmpty()) out += u'.' + fracPart;
    if (value < 0 && out != u"0") out.prepend(u'-');
    return out;
}

QString NumberText(const Decimal& value) {
    return value.toString();
}

QString Text(const QVariant& value) {
    if (!value.isValid() || value.isNull()) return QString();
    if (isDecimal(value)) return NumberText(value.value<Decimal>());
    switch (value.typeId()) {
        case QMetaType::Double:
        case QMetaType::Float: return NumberText(value.toDouble());
        case QMetaType::Bool:
            return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
        case QMetaType::QDateTime: return ShortDate(value.toDateTime());
        case QMetaType::QDate: return ShortDate(QDateTime(value.toDate(), QTime(0, 0), Qt::UTC));
        default: return value.toString();
    }
}

QString Format(double value, const QString& pattern) {
    const NumberPattern p = readPattern(pattern);
    // Within the Decimal's places and range the same rounding runs on integers.
    constexpr double kDecimalRange = 9e12;
    if (p.maxDec <= Decimal::kScale && std::fabs(value) < kDecimalRange)
        return layOut(p, Decimal::fromDouble(value, p.maxDec));
    QString intPart, fracPart;
    roundDecimal(value, p.maxDec, intPart, fracPart);
    const bool negative = value < 0 && (hasNonZeroDigit(intPart) || hasNonZeroDigit(fracPart));
    return layOut(p, negative, intPart, fracPart);
}

QString Format(const Decimal& value, const QString& pattern) {
    const NumberPattern p = readPattern(pattern);
    return layOut(p, value.round(std::min(p.maxDec, Decimal::kScale)));
}

namespace {

// A date pattern as the suite writes it ("dd/mm/yyyy hh:nn") in Qt's terms:
// letters in any case, "n" and an "m" straight after the hours are minutes,
// any other "m" the month; everything else is copied as written.
QString QtDatePattern(const QString& pattern) {
    const QString p = pattern.toLower();
    QString out;
    bool afterHours = false;
    for (qsizetype i = 0; i < p.size();) {
        const QChar c = p[i];
        qsizetype run = 1;
        while (i + run < p.size() && p[i + run] == c) ++run;
        const QString letters(run, c);
        if (c == u'y' || c == u'd' || c == u's') {
            out += letters;
        } else if (c == u'h') {
            out += QString(run, u'H');
        } else if (c == u'n' || (c == u'm' && afterHours)) {
            out += QString(std::min<qsizetype>(run, 2), u'm');
        } else if (c == u'm') {
            out += QString(run, u'M');
        } else if (c.isLetter()) {
            out += u'\'' + pattern.mid(i, run) + u'\'';  // literal, as written
        } else {
            out += letters;
        }
        if (c == u'h')
            afterHours = true;
        else if (c.isLetter())
            afterHours = false;
        i += run;
    }
    return out;
}

}  // namespace

QString FormatDate(const QDateTime& value, const QString& pattern) {
    return value.toString(QtDatePattern(pattern));
}

namespace {

void appendTwoDigits(QString& out, int n) {
    out += QChar(u'0' + n / 10);
    out += QChar(u'0' + n % 10);
}

}  // namespace

// Written by hand rather than through a format pattern: the register shows
// one date per voucher and parsing the pattern each time would dominate.
QString ShortDate(const QDateTime& value) {
    if (!value.isValid()) return QString();
    const QDate d = value.date();
    const QTime t = value.time();
    QString out;
    out.reserve(19);
    appendTwoDigits(out, d.day());
    out += u'/';
    appendTwoDigits(out, d.month());
    out += u'/';
    out += QString::number(d.year()).rightJustified(4, u'0');
    if (t == QTime(0, 0)) return out;
    out += u' ';
    appendTwoDigits(out, t.hour());
    out += u':';
    appendTwoDigits(out, t.minute());
    out += u':';
    appendTwoDigits(out, t.second());
    return out;
}

QDateTime ParseDate(const QString& text) {
    const QString t = text.trimmed();
    static const QRegularExpression re(QStringLiteral(
        "^(\\d{1,2})[/-](\\d{1,2})[/-](\\d{4})(?:\\s+(\\d{1,2}):(\\d{2})(?::(\\d{2}))?)?$"));
    static const QRegularExpression iso(QStringLiteral(
        "^(\\d{4})[-/ ]?(\\d{2})[-/ ]?(\\d{2})(?:[ T](\\d{1,2}):(\\d{2})(?::(\\d{2}))?)?$"));
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    if (const auto m = re.match(t); m.hasMatch()) {
        d = m.captured(1).toInt();
        mo = m.captured(2).toInt();
        y = m.captured(3).toInt();
        h = m.captured(4).toInt();
        mi = m.captured(5).toInt();
        s = m.captured(6).toInt();
    } else if (const auto m2 = iso.match(t); m2.hasMatch()) {
        y = m2.captured(1).toInt();
        mo = m2.captured(2).toInt();
        d = m2.captured(3).toInt();
        h = m2.captured(4).toInt();
        mi = m2.captured(5).toInt();
        s = m2.captured(6).toInt();
    } else {
        return QDateTime();
    }
    const QDate date(y, mo, d);
    const QTime time(h, mi, s);
    if (!date.isValid() || !time.isValid()) return QDateTime();
    return QDateTime(date, time, Qt::UTC);
}

QDateTime CDate(const QVariant& value) {
    if (IsNull(value)) raise(kErrInvalidUseOfNull, kSource, QStringLiteral("Invalid use of Null"));
    if (value.typeId() == QMetaType::QDateTime) return WallClock(value.toDateTime());
    if (value.typeId() == QMetaType::QDate) return QDateTime(value.toDate(), QTime(0, 0), Qt::UTC);
    const QDateTime d = ParseDate(value.toString());
    if (!d.isValid()) raise(kErrTypeMismatch, kSource, QStringLiteral("Type mismatch"));
    return d;
}

bool IsNumberValue(const QVariant& value) {
    return isNumberType(value) || isDecimal(value);
}

bool IsDate(const QString& text) {
    return ParseDate(text).isValid();
}

QDateTime MakeDate(int year, int month, int day, int hour, int minute, int second) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second), Qt::UTC);
}

QDateTime Now() {
    const QDateTime local = QDateTime::currentDateTime();
    return QDateTime(local.date(),
                     QTime(local.time().hour(), local.time().minute(), local.time().second()),
                     Qt::UTC);
}

QDateTime WallClock(const QDateTime& value) {
    if (!value.isValid() || value.timeSpec() == Qt::UTC) return value;
    return QDateTime(value.date(), value.time(), Qt::UTC);
}

QDateTime DateOnly(const QDateTime& value) {
    return QDateTime(value.date(), QTime(0, 0), Qt::UTC);
}

}  // namespace pcp
