#pragma once
// The module writes every statement in the SQL Server dialect. On the embedded
// SQLite database and on PostgreSQL each statement is translated first, token
// by token (one lexer and one translator for both), so that it gives what SQL
// Server gives; what cannot be translated faithfully is
// refused with an error that names it, never run with another meaning.

#include <QString>

namespace pcp {

// Translates one T-SQL text (statements may be separated by ';'):
//  - literals '…' (and N'…', which becomes '…'), [identifiers] and "identifiers"
//    are copied untouched; [a]]b] becomes "a]b"; comments are dropped;
//  - TOP n / TOP (expr) after SELECT [DISTINCT|ALL] becomes LIMIT at the end of
//    that select, inside its parentheses for a subquery;
//  - isnull → ifnull, left/right → pcp_left/pcp_right; convert and cast to
//    int/bigint/smallint/tinyint, varchar/nvarchar/char/nchar (styles 103, 105,
//    112 for dates), decimal/numeric(p,s), datetime/date → the pcp_c* functions
//    of SqliteFunctions.h;
//  - '+' between two known texts → '||'; between a known text and anything
//    not known to be text → pcp_add (decided by the values); otherwise untouched;
//  - LIKE patterns: [%], [_], [[] and other one-character classes become the
//    escaped character with ESCAPE '\'; a pattern computed at run time goes
//    through pcp_like_pattern;
//  - a number running into a word ("2and") gets a blank.
// Raises kErrDbCommand (source "SQLite") for TOP … PERCENT, TOP … WITH TIES,
// TOP in a statement of several selects or outside a select, a character class
// in LIKE, convert/cast to another type or with another style, '+'/'-' with a
// date from getdate() or convert, and text that is not a complete statement
// (an unclosed quote, bracket, comment or parenthesis).
QString TranslateTsqlToSqlite(const QString& tsql);

// The same for PostgreSQL, whose schema names are unquoted (so folded to lower
// case) and whose text columns compare case-insensitively by their collation:
//  - [Name] and "Name" become "name"; N'…' becomes '…'; TOP as above;
//  - isnull → coalesce, len(x) → length(rtrim(x)), getdate() → localtimestamp,
//    char → chr; left, right and the others stay;
//  - '+' between a known text and a text or a value of unknown type → '||';
//  - convert/cast: whole types → cast of trunc (SQL Server truncates), text
//    types → cast(x as varchar(n)) or, with a date style, cast(to_char(x, …)),
//    decimal → numeric(p,s), datetime/date → timestamp (to_date with a style);
//  - x LIKE p → x ILIKE p COLLATE "default" (the bracket escapes as above), as
//    SQL Server compares case-insensitively and PostgreSQL refuses LIKE on a
//    case-insensitive collation; ^ → #, !< → >=, !> → <=.
// Raises kErrDbCommand (source "PostgreSQL") for what SQLite refuses, a LIKE
// pattern computed at run time, and a date converted to text without a style.
QString TranslateTsqlToPostgres(const QString& tsql);

}  // namespace pcp
