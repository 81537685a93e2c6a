#pragma once
// One driver class per way of reaching a database: Qt's embedded SQLite
// driver, or ODBC (the suite's SQL Server through FreeTDS, or a SQLite file
// through the SQLite ODBC driver). Each holds the dialect of the database it
// reached, which says how statements and values must look there.

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>

#include "data/RowSet.h"
#include "data/SqlDialect.h"
#include "data/SqliteFunctions.h"  // SqliteDateText, SqliteDateFromText
#include "data/TsqlTranslator.h"   // TranslateTsqlToSqlite

namespace pcp {

struct ConnectionSettings {
    QString provider;       // "sqlite" or "odbc"
    QString dataSource;     // SQLite: the database file; ODBC: the full connection string
    bool readOnly = false;  // SQLite: "Mode=Read" or "Mode=ReadOnly" asks for reading only
};

// Reads "Provider=SQLite;Data Source=file[;Mode=ReadOnly]" (or a bare file path
// ending in .db or .sqlite); anything else is an ODBC connection string.
ConnectionSettings ParseConnectionString(const QString& connectionString);

// What a result column holds beyond what the driver's value type says.
struct ColumnKind {
    bool date = false;  // a date kept as text
    int scale = -1;     // a NUMERIC/DECIMAL column of this many decimals (read exactly)
};

// The scale of a declared type "NUMERIC(p,s)" or "DECIMAL(p,s)"; -1 for any
// other type. A scale beyond what the decimal type holds counts as none.
int DeclaredScale(const QByteArray& declaredType);

class SqlDriver {
  public:
    virtual ~SqlDriver() = default;
    virtual QString name() const = 0;
    virtual QString qtDriverName() const = 0;
    // Before the database opens; raises when the data source cannot serve the module.
    virtual void configure(QSqlDatabase& db, const ConnectionSettings& settings) = 0;
    // Runs once the database is open: pragmas, functions, the dialect.
    virtual void prepareOpened(QSqlDatabase& db) = 0;
    // The connection reads only: asked for, or the user may not write the database.
    bool readOnly() const { return readOnly_; }
    // Why nothing can be written to the open database (its file moved or
    // deleted since it was opened), in the user's words; empty when writes
    // can go ahead or the transport cannot tell.
    virtual QString storageProblem(const QSqlDatabase&) const { return QString(); }
    // Unique indexes of the vouchers that stored rows kept from being made.
    const QStringList& clashingIndexes() const { return clashingIndexes_; }
    // The statement as the database must receive it.
    virtual QString translate(const QString& tsql) const { return dialect_->translate(tsql); }
    // What each result column holds: dates kept as text, exact decimals.
    virtual QVector<ColumnKind> columnKinds(const QSqlQuery& query, int fieldCount) const = 0;
    // A column of the current row as the database stores it; invalid for NULL.
    virtual QVariant read(const QSqlQuery& query, int column, bool dateColumn) const;
    // Every row of a statement already in the database's dialect (`sent`),
    // read through the database's own calls into typed columns, with the
    // values fromStorage would give. A failure, at any row, raises with the
    // database's code and the statement as the module wrote it (`sql`).
    virtual RowSet readRows(QSqlDatabase& db, const QString& sent, const QString& sql,
                            const RowProgress& progress) const = 0;
    // The module's error for a statement the database refused.
    [[noreturn]] void raiseRefused(QString text, const QString& code, const QString& sql) const;

    const SqlDialect& dialect() const { return *dialect_; }
    // Exact decimals go to the database as their plain text, which both
    // databases read into a decimal column without a binary step.
    QVariant toStorage(const QVariant& value) const;
    // A stored value as the module reads it: dates as dates, decimal columns
    // as the exact decimal of the column's scale.
    QVariant fromStorage(const QVariant& value, const ColumnKind& kind) const;
    // The database's code for why a statement failed: its native error
    // number, or its SQLSTATE where the dialect's codes are SQLSTATEs.
    virtual QString errorCode(const QSqlQuery& failed) const;
    // What the database said of it, in its own words.
    virtual QString errorText(const QSqlQuery& failed) const;
    // Runs a statement of the driver's own; a failure raises with its code.
    void execOrThrow(QSqlDatabase& db, const QString& sql) const;
    void beginTransaction(QSqlDatabase& db) const;
    void commitTransaction(QSqlDatabase& db) const;
    void rollbackTransaction(QSqlDatabase& db) const;

    static std::unique_ptr<SqlDriver> create(const ConnectionSettings& settings);

  protected:
    explicit SqlDriver(std::unique_ptr<SqlDialect> dialect) : dialect_(std::move(dialect)) {}
    std::unique_ptr<SqlDialect> dialect_;
    bool readOnly_ = false;
    QStringList clashingIndexes_;

  private:
    void endTransaction(QSqlDatabase& db, bool commit) const;
};

}  // namespace pcp
