#pragma once
// The ODBC transport. After the connection opens, the driver names its
// database (SQL_DBMS_NAME) and that name picks the dialect: the suite's SQL
// Server (statements pass unchanged), SQLite through the SQLite ODBC driver
// (statements rewritten as for the embedded connection, dates kept as text,
// the module's SQLite functions loaded as an extension by the driver), or
// PostgreSQL through psqlODBC (statements rewritten, numerics read as text).

#include <QSqlDatabase>
#include <QString>
#include <memory>

#include "data/SqlDriver.h"

namespace pcp {

// The loadable SQLite extension with the functions translated statements
// call; it is built beside the module library.
inline constexpr char kSqliteFunctionsFile[] = "pcp_sqlite_functions.so";

std::unique_ptr<SqlDriver> MakeOdbcDriver();

// What the ODBC driver of an open QODBC connection calls its database
// (SQL_DBMS_NAME): "Microsoft SQL Server", "SQLite", ...; empty if it won't say.
QString OdbcDbmsName(const QSqlDatabase& db);

// A connection string naming the SQLite ODBC driver gets, unless it sets them
// itself, LoadExt=<folder>/pcp_sqlite_functions.so and the driver's lock wait
// (Timeout, which its own transactions use whatever the connection's pragma
// says) bounded as on the embedded driver; others stay as they are.
QString ForSqliteOdbcDriver(const QString& connectionString, const QString& folder);

// Text literals holding other than ASCII characters, as SQLite hex text
// (CAST(X'...' AS TEXT)) of their UTF-8 bytes.
QString HexTextLiterals(const QString& sql);

}  // namespace pcp
