#pragma once
// What differs between the databases behind a connection, whichever way the
// statements travel there: the statement text, how values are stored, how a
// transaction starts. The suite's SQL Server takes everything as the module
// writes it; SQLite needs statements rewritten and keeps dates as text;
// PostgreSQL needs statements rewritten and keeps dates as timestamps.

#include <QByteArray>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <memory>

namespace pcp {

// How long a statement on a SQLite database waits for another workstation's
// write lock (milliseconds): moments, so that a clerk is told it is busy.
inline constexpr int kSqliteWaitLimitMs = 3000;
// The same bound on a PostgreSQL server (its lock_timeout).
inline constexpr int kPostgresWaitLimitMs = 3000;

class SqlDialect {
  public:
    virtual ~SqlDialect() = default;
    virtual QString name() const = 0;
    // The statement as this database must see it.
    virtual QString translate(const QString& tsql) const = 0;
    // Values bound into statements and read back from them.
    virtual QVariant toStorage(const QVariant& value) const = 0;
    virtual QVariant fromStorage(const QVariant& value, bool dateColumn) const = 0;
    // The declared type of the columns that keep dates as text; empty when
    // the database has a date type of its own.
    virtual QByteArray dateTextType() const = 0;
    // The statement that starts a transaction; empty when the connection's
    // own transaction call does.
    virtual QString beginStatement() const = 0;
    // Runs first in every transaction, once it has begun; empty for none.
    virtual QString transactionLockStatement() const { return QString(); }
    // The table as a read that numbers a new row names it: such a read must
    // keep other workstations from numbering alike until the transaction ends.
    virtual QString lockingRead(const QString& table) const = 0;
    // The statement that bounds how long the connection's next statements wait
    // for another workstation's lock (milliseconds); and the usual bound.
    virtual QString waitLimitStatement(int milliseconds) const = 0;
    virtual int usualWaitLimit() const = 0;
    // Runs once a connection to this database is open; errors name source. A
    // read-only connection is left as the file is (no journal mode switch).
    virtual void prepare(QSqlDatabase& db, const QString& source, bool readOnly) const = 0;
    // The database's error codes are SQLSTATEs ("23505"), not numbers.
    virtual bool codesAreSqlStates() const { return false; }
};

std::unique_ptr<SqlDialect> MakeSqliteDialect();
std::unique_ptr<SqlDialect> MakeSqlServerDialect();
std::unique_ptr<SqlDialect> MakePostgresDialect();

// The dialect of the database an ODBC driver names (SQL_DBMS_NAME): SQLite for
// "SQLite", PostgreSQL for "PostgreSQL"; the suite's SQL Server for "Microsoft
// SQL Server" and any name not known here, whose statements then pass unchanged.
std::unique_ptr<SqlDialect> DialectForDbms(const QString& dbmsName);

}  // namespace pcp
