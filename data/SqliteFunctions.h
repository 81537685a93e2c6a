#pragma once
// What the embedded database needs beyond SQLite's own functions to give what
// SQL Server gives: the functions the translated statements call, how a date
// is stored, and how a T-SQL LIKE pattern reads on SQLite. The same functions
// are built as a SQLite loadable extension (pcp_sqlite_functions) so that the
// translated statements also run on a SQLite file reached through ODBC.

#include <QDateTime>
#include <QString>
#include <limits>

struct sqlite3;

namespace pcp {

// Registers on a connection:
//   len(x)                        T-SQL LEN: characters, trailing blanks ignored
//   pcp_left(x, n), pcp_right(x, n)
//   pcp_cint(x[, 'bigint'|'smallint'|'tinyint'])   convert to a whole number (int by default):
//                                 truncates a fraction, refuses a text that is not a whole number
//                                 and a value outside the type's range
//   pcp_cvarchar(x[, style[, length]]), pcp_cchar(x, style, length)
//                                 convert to text; style 103, 105 or 112 formats a text in a
//                                 stored date form as a date; length cuts (char pads) as
//                                 SQL Server does, -1 for max
//   pcp_cdecimal(x, p, s)         convert to decimal(p,s): rounds half away from zero in
//                                 decimal (a double is read at 15 significant digits, a text
//                                 exactly) and returns the double nearest that decimal, the
//                                 form every NUMERIC column has here (an integer when s is 0)
//   pcp_cdatetime(x[, style]), pcp_cdate(x[, style])
//                                 convert to the stored date text; text in 'yyyymmdd' or
//                                 'yyyy-mm-dd' form (with a time), or by style 103, 105, 112;
//                                 a number counts days from 1900-01-01
//   pcp_add(a, b)                 T-SQL '+' decided by the values: two texts are joined, a text
//                                 with a number is read as that number (or fails)
//   pcp_like_pattern(p)           a T-SQL LIKE pattern computed at run time, for ESCAPE '\'
//   getdate()                     now, in the stored date form
// Raises when SQLite refuses a function.
void RegisterTsqlFunctions(sqlite3* db);

// How the embedded database stores a date: "yyyymmdd", with " hh:mm:ss" only
// when the time is not midnight, so that comparisons with 'yyyymmdd' literals
// (equality included) give what SQL Server gives.
QString SqliteDateText(const QDateTime& value);
QDateTime SqliteDateFromText(const QString& text);
// The same for the stored bytes of the usual forms, 'yyyymmdd' and
// 'yyyymmdd hh:mm:ss', without a QDateTime: milliseconds since 1970 of the
// wall-clock time read as UTC. kNoDate for any other text (SqliteDateFromText
// then reads it).
inline constexpr qint64 kNoDate = std::numeric_limits<qint64>::min();
qint64 DateTextMSecs(const char* text, int size);

// A T-SQL LIKE pattern for SQLite's LIKE. SQL Server reads [...] as a
// character class; a class of one character ([%], [_], [[], [x]) is that
// character, so it becomes the character, escaped with '\' where SQLite would
// read it as a wildcard. Any other class cannot be matched by SQLite's LIKE:
// `refused` then names it and `pattern` is empty.
struct LikePattern {
    QString pattern;
    bool needsEscape = false;  // the pattern must be followed by ESCAPE '\'
    QString refused;
};
// With escapeAlways the caller adds ESCAPE '\' whatever the pattern holds.
LikePattern TsqlLikeToSqlite(const QString& tsqlPattern, bool escapeAlways = false);

// The description of a statement the embedded database cannot run as SQL Server would.
QString CannotRunOnSqlite(const QString& construct);

}  // namespace pcp
