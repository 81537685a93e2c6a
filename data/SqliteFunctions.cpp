#include "data/SqliteFunctions.h"

// The module links SQLite; the loadable extension reaches SQLite only through
// the routines handed to its entry point.
#ifdef PCP_SQLITE_EXTENSION
#include <sqlite3ext.h>
SQLITE_EXTENSION_INIT1
#else
#include <sqlite3.h>
#endif

#include <QRegularExpression>
#include <cmath>
#include <limits>

#include "data/ModuleError.h"
#include "data/Values.h"

namespace pcp {

QString SqliteDateText(const QDateTime& value) {
    if (value.time() == QTime(0, 0)) return value.toString(QStringLiteral("yyyyMMdd"));
    return value.toString(QStringLiteral("yyyyMMdd HH:mm:ss"));
}

QDateTime SqliteDateFromText(const QString& text) {
    static const QRegularExpression re(
        QStringLiteral("^(\\d{4})(\\d{2})(\\d{2})(?: (\\d{2}):(\\d{2}):(\\d{2}))?$"));
    const auto m = re.match(text);
    if (!m.hasMatch()) return ParseDate(text);
    return MakeDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                    m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
}

qint64 DateTextMSecs(const char* text, int size) {
    if (size != 8 && size != 17) return kNoDate;
    int fields[6] = {};
    const int starts[6] = {0, 4, 6, 9, 12, 15}, widths[6] = {4, 2, 2, 2, 2, 2};
    const int count = size == 8 ? 3 : 6;
    if (size == 17 && (text[8] != ' ' || text[11] != ':' || text[14] != ':')) return kNoDate;
    for (int f = 0; f < count; ++f)
        for (int k = starts[f]; k < starts[f] + widths[f]; ++k) {
            if (text[k] < '0' || text[k] > '9') return kNoDate;
            fields[f] = fields[f] * 10 + (text[k] - '0');
        }
    const QDate day(fields[0], fields[1], fields[2]);
    const QTime time(fields[3], fields[4], fields[5]);
    if (!day.isValid() || !time.isValid()) return kNoDate;
    constexpr qint64 kJulianDayOf1970 = 2440588, kMsPerDay = 86'400'000;
    return (day.toJulianDay() - kJulianDayOf1970) * kMsPerDay + time.msecsSinceStartOfDay();
}

QString CannotRunOnSqlite(const QString& construct) {
    return QStringLiteral("The statement cannot run on the embedded database: ") + construct;
}

namespace {

// A character SQLite's LIKE would read as a wildcard (or the escape itself) is escaped.
void appendLikeLiteral(QString& out, QChar c) {
    if (c == u'%' || c == u'_' || c == u'\\') out += u'\\';
    out += c;
}

}  // namespace

LikePattern TsqlLikeToSqlite(const QString& p, bool escapeAlways) {
    LikePattern r;
    QString out;
    bool bracket = false;
    for (int i = 0; i < p.size(); ++i) {
        const QChar c = p[i];
        if (c == u'[') {
            const bool oneChar =
                i + 2 < p.size() && p[i + 2] == u']' && p[i + 1] != u'^' && p[i + 1] != u']';
            if (!oneChar) {
                const int close = p.indexOf(u']', i + 1);
                r.refused = close < 0 ? p.mid(i) : p.mid(i, close - i + 1);
                return r;
            }
            appendLikeLiteral(out, p[i + 1]);
            bracket = true;
            i += 2;
        } else if (c == u'\\') {
            out += QStringLiteral("\\\\");
        } else {
            out += c;
        }
    }
    // Without a class the pattern means the same on both databases: leave it alone.
    r.needsEscape = bracket || escapeAlways;
    r.pattern = r.needsEscape ? out : p;
    return r;
}

namespace {

QString argText(sqlite3_value* v) {
    const auto* t = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return t ? QString::fromUtf8(t) : QString();
}

void resultText(sqlite3_context* ctx, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    sqlite3_result_text(ctx, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

void resultError(sqlite3_context* ctx, const QString& message) {
    const QByteArray utf8 = message.toUtf8();
    sqlite3_result_error(ctx, utf8.constData(), int(utf8.size()));
}

const QRegularExpression& wholeNumber() {
    static const QRegularExpression re(QStringLiteral("^[+-]?\\d+$"));
    return re;
}

// --- len, left, right --------------------------------------------------------

void fnLen(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    QString t = argText(argv[0]);
    while (t.endsWith(u' ')) t.chop(1);  // T-SQL's LEN ignores trailing blanks
    sqlite3_result_int(ctx, int(t.size()));
}

void fnLeftRight(sqlite3_context* ctx, sqlite3_value** argv, bool left) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    const qint64 n = sqlite3_value_int64(argv[1]);
    if (n < 0)
        return resultError(ctx,
                           QStringLiteral("Invalid length parameter passed to the %1 function.")
                               .arg(left ? u"left" : u"right"));
    const QString t = argText(argv[0]);
    resultText(ctx, left ? t.left(n) : t.right(n));
}

void fnLeft(sqlite3_context* ctx, int, sqlite3_value** argv) {
    fnLeftRight(ctx, argv, true);
}
void fnRight(sqlite3_context* ctx, int, sqlite3_value** argv) {
    fnLeftRight(ctx, argv, false);
}

// --- convert to a whole number -------------------------------------------------

struct IntType {
    const char* name;
    qint64 min, max;
};
const IntType kIntTypes[] = {
    {"int", -2147483648LL, 2147483647LL},
    {"bigint", std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max()},
    {"smallint", -32768, 32767},
    {"tinyint", 0, 255}};

const IntType* intType(int argc, sqlite3_value** argv) {
    if (argc < 2) return &kIntTypes[0];
    const QString name = argText(argv[1]).toLower();
    for (const IntType& t : kIntTypes)
        if (name == QLatin1String(t.name)) return &t;
    return nullptr;
}

void fnConvertInt(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    const IntType* type = intType(argc, argv);
    if (!type) return resultError(ctx, QStringLiteral("pcp_cint: unknown whole number type"));
    const QString overflow =
        QStringLiteral("Arithmetic overflow error converting expression to data type %1.")
            .arg(QLatin1String(type->name));
    qint64 v = 0;
    switch (sqlite3_value_type(argv[0])) {
        case SQLITE_NULL: return sqlite3_result_null(ctx);
        case SQLITE_INTEGER: v = sqlite3_value_int64(argv[0]); break;
        case SQLITE_FLOAT: {
            const double d = std::trunc(sqlite3_value_double(argv[0]));  // SQL Server truncates
            if (!(std::fabs(d) < 9.2e18)) return resultError(ctx, overflow);
            v = qint64(d);
            break;
        }
        default: {
            const QString raw = argText(argv[0]), t = raw.trimmed();
            if (!t.isEmpty() && !wholeNumber().match(t).hasMatch())
                return resultError(ctx, QStringLiteral("Conversion failed when converting the "
                                                       "varchar value '%1' to data type %2.")
                                            .arg(raw, QLatin1String(type->name)));
            bool ok = true;
            v = t.isEmpty() ? 0 : t.toLongLong(&ok);
            if (!ok) return resultError(ctx, overflow);
        }
    }
    if (v < type->min || v > type->max) return resultError(ctx, overflow);
    sqlite3_result_int64(ctx, v);
}

// --- convert to text ------------------------------------------------------------

// A date in one of the styles the module formats dates in; empty for another style.
QString dateInStyle(const QDateTime& d, int style) {
    switch (style) {
        case 103: return d.toString(QStringLiteral("dd/MM/yyyy"));
        case 105: return d.toString(QStringLiteral("dd-MM-yyyy"));
        case 112: return d.toString(QStringLiteral("yyyyMMdd"));
        default: return QString();
    }
}

// pcp_cvarchar(x[, style[, length]]) and pcp_cchar(x, style, length): a length
// of -1 is max; char pads to its length.
void convertText(sqlite3_context* ctx, int argc, sqlite3_value** argv, bool pad) {
    const int type = sqlite3_value_type(argv[0]);
    if (type == SQLITE_NULL) return sqlite3_result_null(ctx);
    const bool styled = argc > 1 && sqlite3_value_type(argv[1]) != SQLITE_NULL;
    const int style = styled ? sqlite3_value_int(argv[1]) : 0;
    const int length = argc > 2 ? sqlite3_value_int(argv[2]) : -1;
    QString t;
    if (type == SQLITE_INTEGER) {
        t = QString::number(sqlite3_value_int64(argv[0]));
        if (length >= 0 && t.size() > length) return resultText(ctx, QStringLiteral("*"));
    } else if (type == SQLITE_FLOAT) {
        t = NumberText(sqlite3_value_double(argv[0]));
        if (length >= 0 && t.size() > length)
            return resultError(
                ctx, QStringLiteral("Arithmetic overflow error converting numeric to data type "
                                    "varchar."));
    } else {
        t = argText(argv[0]);
        // The embedded database keeps dates as text: a style says the text is a date.
        const QDateTime d = styled ? SqliteDateFromText(t) : QDateTime();
        if (d.isValid()) {
            t = dateInStyle(d, style);
            if (t.isEmpty())
                return resultError(ctx, CannotRunOnSqlite(QStringLiteral("convert style %1 of a "
                                                                         "date")
                                                              .arg(style)));
        }
    }
    if (length >= 0) t.truncate(length);
    if (pad && length > t.size()) t = t.leftJustified(length, u' ');
    resultText(ctx, t);
}

void fnConvertVarchar(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    convertText(ctx, argc, argv, false);
}
void fnConvertChar(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    convertText(ctx, argc, argv, true);
}

// --- convert to decimal(p,s) -------------------------------------------------------

// A decimal number as written: sign, whole digits and fraction digits.
struct Decimal {
    bool negative = false;
    QString whole, fraction;
};

bool decimalFromText(const QString& text, Decimal& d) {
    static const QRegularExpression re(QStringLiteral("^([+-]?)(\\d*)(?:\\.(\\d*))?$"));
    const auto m = re.match(text.trimmed());
    if (!m.hasMatch() || (m.captured(2).isEmpty() && m.captured(3).isEmpty())) return false;
    d = {m.captured(1) == u"-", m.captured(2), m.captured(3)};
    return true;
}

// A double taken at 15 significant digits, so 2.675 reads as 2.675 and not as
// the binary value just below it.
Decimal decimalFromDouble(double value) {
    Decimal d;
    d.negative = value < 0;
    if (value == 0.0) return d;
    const QString e = QString::number(std::fabs(value), 'e', 14);  // d.dddddddddddddde+XX
    const int ePos = e.indexOf(u'e');
    const QString digits = e.left(ePos).remove(u'.');
    const int point = e.mid(ePos + 1).toInt() + 1;  // digits before the decimal point
    if (point <= 0) {
        d.fraction = QString(-point, u'0') + digits;
    } else if (point >= digits.size()) {
        d.whole = digits + QString(point - digits.size(), u'0');
    } else {
        d.whole = digits.left(point);
        d.fraction = digits.mid(point);
    }
    return d;
}

// Rounds half away from zero to `scale` places; the digits then carry no point.
QString roundedDigits(const Decimal& d, int scale) {
    QString fraction = d.fraction.leftJustified(scale + 1, u'0');
    QString kept = d.whole + fraction.left(scale);
    if (fraction[scale] >= u'5') {
        int i = int(kept.size()) - 1;
        for (; i >= 0 && kept[i] == u'9'; --i) kept[i] = u'0';
        if (i < 0)
            kept.prepend(u'1');
        else
            kept[i] = QChar(kept[i].unicode() + 1);
    }
    while (kept.size() > scale + 1 && kept.startsWith(u'0')) kept.remove(0, 1);
    return kept.rightJustified(scale + 1, u'0');
}

void fnConvertDecimal(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const int precision = sqlite3_value_int(argv[1]), scale = sqlite3_value_int(argv[2]);
    Decimal d;
    switch (sqlite3_value_type(argv[0])) {
        case SQLITE_NULL: return sqlite3_result_null(ctx);
        case SQLITE_INTEGER: decimalFromText(argText(argv[0]), d); break;
        case SQLITE_FLOAT: d = decimalFromDouble(sqlite3_value_double(argv[0])); break;
        default:
            if (!decimalFromText(argText(argv[0]), d))
                return resultError(ctx, QStringLiteral("Error converting data type varchar to "
                                                       "numeric."));
    }
    const QString digits = roundedDigits(d, scale);
    if (digits.size() - scale > std::max(precision - scale, 1) ||
        (precision == scale && digits[0] != u'0'))
        return resultError(
            ctx, QStringLiteral("Arithmetic overflow error converting expression to data type "
                                "numeric."));
    const bool zero = digits.count(u'0') == digits.size();
    const QString sign = d.negative && !zero ? QStringLiteral("-") : QString();
    if (scale == 0 && digits.size() <= 18)
        return sqlite3_result_int64(ctx, (sign + digits).toLongLong());
    const QString text = sign + digits.left(digits.size() - scale) + u'.' + digits.right(scale);
    sqlite3_result_double(ctx, text.toDouble());  // the double nearest the decimal
}

// --- convert to a date --------------------------------------------------------------

QDateTime dateFromMatch(const QRegularExpressionMatch& m, int y, int mo, int d) {
    const QDate date(m.captured(y).toInt(), m.captured(mo).toInt(), m.captured(d).toInt());
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
    if (!date.isValid() || !time.isValid()) return QDateTime();
    return QDateTime(date, time, Qt::UTC);
}

// 'yyyymmdd' and 'yyyy-mm-dd' (with a time) read the same in every language;
// 'dd/mm/yyyy' and 'dd-mm-yyyy' only with style 103 or 105.
QDateTime dateFromText(const QString& text, int style) {
    static const QString time =
        QStringLiteral("(?:[ T]+(\\d{1,2}):(\\d{2})(?::(\\d{2})(?:\\.\\d{1,7})?)?)?$");
    static const QRegularExpression iso(QStringLiteral("^(\\d{4})-?(\\d{2})-?(\\d{2})") + time);
    static const QRegularExpression dayFirst(
        QStringLiteral("^(\\d{1,2})[/.-](\\d{1,2})[/.-](\\d{4})") + time);
    const QString t = text.trimmed();
    if (const auto m = iso.match(t); m.hasMatch()) return dateFromMatch(m, 1, 2, 3);
    if (style == 103 || style == 105)
        if (const auto m = dayFirst.match(t); m.hasMatch()) return dateFromMatch(m, 3, 2, 1);
    return QDateTime();
}

// SQL Server counts a number converted to a date in days from 1900-01-01.
QDateTime dateFromDays(double days) {
    const QDateTime base(QDate(1900, 1, 1), QTime(0, 0), Qt::UTC);
    return base.addSecs(qint64(std::llround(days * 86400.0)));
}

void convertDate(sqlite3_context* ctx, int argc, sqlite3_value** argv, bool dateOnly) {
    const int style = argc > 1 ? sqlite3_value_int(argv[1]) : 0;
    QDateTime d;
    switch (sqlite3_value_type(argv[0])) {
        case SQLITE_NULL: return sqlite3_result_null(ctx);
        case SQLITE_INTEGER:
        case SQLITE_FLOAT: d = dateFromDays(sqlite3_value_double(argv[0])); break;
        default: d = dateFromText(argText(argv[0]), style);
    }
    if (!d.isValid())
        return resultError(ctx, QStringLiteral("Conversion failed when converting date and/or "
                                               "time from character string."));
    if (d.date().year() < 1753)
        return resultError(ctx, QStringLiteral("The conversion to a datetime data type resulted "
                                               "in an out-of-range value."));
    resultText(ctx, SqliteDateText(dateOnly ? DateOnly(d) : d));
}

void fnConvertDatetime(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    convertDate(ctx, argc, argv, false);
}
void fnConvertDate(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    convertDate(ctx, argc, argv, true);
}

// --- T-SQL '+' with a text operand -------------------------------------------------

// A text added to a number is read as a number of the same kind, as SQL Server
// converts it to the number's type; the sum of two texts is their join.
void fnAdd(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const int ta = sqlite3_value_type(argv[0]), tb = sqlite3_value_type(argv[1]);
    if (ta == SQLITE_NULL || tb == SQLITE_NULL) return sqlite3_result_null(ctx);
    if (ta == SQLITE_TEXT && tb == SQLITE_TEXT)
        return resultText(ctx, argText(argv[0]) + argText(argv[1]));
    if (ta == SQLITE_BLOB || tb == SQLITE_BLOB)
        return resultError(ctx, QStringLiteral("Operand type clash: varbinary is incompatible "
                                               "with the + operator."));
    const bool whole = ta != SQLITE_FLOAT && tb != SQLITE_FLOAT;
    qint64 n[2] = {0, 0};
    double x[2] = {0, 0};
    for (int i = 0; i < 2; ++i) {
        if (sqlite3_value_type(argv[i]) != SQLITE_TEXT) {
            n[i] = sqlite3_value_int64(argv[i]);
            x[i] = sqlite3_value_double(argv[i]);
            continue;
        }
        const QString raw = argText(argv[i]), t = raw.trimmed();
        Decimal readable;
        if (whole ? !wholeNumber().match(t).hasMatch() : !decimalFromText(t, readable))
            return resultError(
                ctx, whole ? QStringLiteral("Conversion failed when converting the varchar value "
                                            "'%1' to data type int.")
                                 .arg(raw)
                           : QStringLiteral("Error converting data type varchar to numeric."));
        n[i] = t.toLongLong();
        x[i] = t.toDouble();
    }
    if (!whole) return sqlite3_result_double(ctx, x[0] + x[1]);
    qint64 sum = 0;
    if (__builtin_add_overflow(n[0], n[1], &sum))
        return resultError(
            ctx, QStringLiteral("Arithmetic overflow error converting expression to data type "
                                "bigint."));
    sqlite3_result_int64(ctx, sum);
}

// --- LIKE patterns computed at run time ------------------------------------------------

void fnLikePattern(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    const LikePattern p = TsqlLikeToSqlite(argText(argv[0]), true);
    if (!p.refused.isEmpty())
        return resultError(ctx, CannotRunOnSqlite(QStringLiteral("the character class %1 in a "
                                                                 "LIKE pattern")
                                                      .arg(p.refused)));
    resultText(ctx, p.pattern);
}

void fnGetDate(sqlite3_context* ctx, int, sqlite3_value**) {
    resultText(ctx, SqliteDateText(Now()));
}

// The first SQLite error code met, SQLITE_OK when every function is registered.
int createFunctions(sqlite3* db) {
    struct Fn {
        const char* name;
        int argc;
        void (*fn)(sqlite3_context*, int, sqlite3_value**);
        bool deterministic;
    };
    const Fn fns[] = {{"len", 1, fnLen, true},
                      {"pcp_left", 2, fnLeft, true},
                      {"pcp_right", 2, fnRight, true},
                      {"pcp_cint", 1, fnConvertInt, true},
                      {"pcp_cint", 2, fnConvertInt, true},
                      {"pcp_cvarchar", 1, fnConvertVarchar, true},
                      {"pcp_cvarchar", 2, fnConvertVarchar, true},
                      {"pcp_cvarchar", 3, fnConvertVarchar, true},
                      {"pcp_cchar", 3, fnConvertChar, true},
                      {"pcp_cdecimal", 3, fnConvertDecimal, true},
                      {"pcp_cdatetime", 1, fnConvertDatetime, true},
                      {"pcp_cdatetime", 2, fnConvertDatetime, true},
                      {"pcp_cdate", 1, fnConvertDate, true},
                      {"pcp_cdate", 2, fnConvertDate, true},
                      {"pcp_add", 2, fnAdd, true},
                      {"pcp_like_pattern", 1, fnLikePattern, true},
                      {"getdate", 0, fnGetDate, false}};  // changes between statements
    for (const Fn& f : fns) {
        const int flags = SQLITE_UTF8 | (f.deterministic ? SQLITE_DETERMINISTIC : 0);
        const int rc = sqlite3_create_function_v2(db, f.name, f.argc, flags, nullptr, f.fn, nullptr,
                                                  nullptr, nullptr);
        if (rc != SQLITE_OK) return rc;
    }
    return SQLITE_OK;
}

}  // namespace

void RegisterTsqlFunctions(sqlite3* db) {
    if (createFunctions(db) != SQLITE_OK)
        raise(kErrDbConnection, QStringLiteral("SQLite"),
              QStringLiteral("Could not register the module's functions: %1")
                  .arg(QString::fromUtf8(sqlite3_errmsg(db))));
}

}  // namespace pcp

#ifdef PCP_SQLITE_EXTENSION
// The entry point SQLite looks for when the library is loaded without naming one.
extern "C" __attribute__((visibility("default"))) int sqlite3_extension_init(
    sqlite3* db, char** error, const sqlite3_api_routines* api) {
    SQLITE_EXTENSION_INIT2(api);
    const int rc = pcp::createFunctions(db);
    if (rc != SQLITE_OK && error) *error = sqlite3_mprintf("%s", sqlite3_errmsg(db));
    return rc;
}
#endif
