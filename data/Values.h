#pragma once
// The value rules the module lives by: how text reads as a number, how numbers
// and dates are formatted by pattern, and the 16- and 32-bit conversions with
// their overflow error. Amounts are Decimal (exact); the double versions stay
// for callers that still hold doubles and never show a binary artefact: a
// double is first taken at 15 significant digits and rounded in decimal.

#include <QDateTime>
#include <QString>
#include <QVariant>
#include <optional>

#include "data/Decimal.h"

namespace pcp {

// Two kinds of "no value": Empty (nothing there, reads as "" or 0) is an
// invalid QVariant; Null (a database null) is a variant holding nullptr.
QVariant NullValue();
inline bool IsEmpty(const QVariant& v) {
    return !v.isValid();
}
inline bool IsNull(const QVariant& v) {
    return v.isValid() && v.isNull();
}

// The leading number of a text, blanks ignored; 0 when the text has none.
double Val(const QString& text);

// The leading number of a text read exactly, the way Val reads it ("1234.5abc"
// is 1234.5, "1.5e3" is 1500, "abc" is 0). Empty when that number is beyond the
// Decimal range ("1e400", "-2e13"): test the result, and Decimal::fits for the
// column, before a typed amount goes into a statement.
std::optional<Decimal> ValDecimal(const QString& text);

// True when the whole text (blanks around it allowed) reads as a number:
// a sign, digits with optional thousands groups, a point and an exponent.
bool IsNumeric(const QString& text);

// 16-bit conversion: rounds half to even, raises overflow outside -32768..32767,
// type mismatch for a text that is not a number and invalid use of null for null.
qint16 CInt(double value);
qint16 CInt(const QVariant& value);
qint32 CLng(double value);
qint32 CLng(const QVariant& value);
double CDbl(const QVariant& value);
// CDbl's rules giving a Decimal: a Decimal or an integer as is, a double at six
// decimals, numeric text exactly. Overflow beyond the range (and for NaN or
// infinities), type mismatch for other text, invalid use of null for null.
Decimal CDec(const QVariant& value);
bool CBool(const QVariant& value);

// A value as text, the way the platform writes it: numbers with at most 15
// significant digits and no exponent for ordinary amounts, dates in the short
// date form, a Decimal as NumberText, null as empty text.
QString Text(const QVariant& value);
QString NumberText(double value);
// The shortest plain text: "580.45", "-0.5", "0".
QString NumberText(const Decimal& value);

// Number patterns: "0.00#", "0.00", "#0.00", "0000", "###,###,##0.00######".
// Rounds half away from zero on the decimal digits.
QString Format(double value, const QString& pattern);
QString Format(const Decimal& value, const QString& pattern);

// Date patterns: "yyyymmdd", "YYYY MM DD hh:mm:ss", "dd/mm/yyyy".
QString FormatDate(const QDateTime& value, const QString& pattern);

// The short date form the module shows dates in.
inline constexpr const char* kShortDateFormat = "dd/MM/yyyy";
QString ShortDate(const QDateTime& value);

// A variant as a date: dates as they are, text read as the user writes dates;
// null is invalid use of null, anything else a type mismatch.
QDateTime CDate(const QVariant& value);

// True for a variant holding a number: integers, floating point, or an exact decimal.
bool IsNumberValue(const QVariant& value);

// Reads a date as the user or the grid shows it (short date form, with or
// without time, dashes or slashes, or ISO); invalid when it is not a date.
QDateTime ParseDate(const QString& text);
bool IsDate(const QString& text);

// Dates are naive wall-clock values: no time zone, no daylight saving.
QDateTime MakeDate(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
QDateTime Now();
QDateTime DateOnly(const QDateTime& value);
// The same calendar day and clock time as a naive value, whatever time zone
// the value came with (an ODBC driver gives local times).
QDateTime WallClock(const QDateTime& value);

}  // namespace pcp
