#pragma once
// One driver class per database: what differs between the suite's SQL Server
// (reached through ODBC, statements passed through unchanged) and the embedded
// SQLite database (statements rewritten so they give what SQL Server gives).

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <memory>

#include "SqliteFunctions.h"  // SqliteDateText, SqliteDateFromText
#include "TsqlTranslator.h"   // TranslateTsqlToSqlite

namespace pcp {

struct ConnectionSettings {
    QString provider;    // "sqlite" or "odbc"
    QString dataSource;  // SQLite: the database file; ODBC: the full connection string
};

// Reads "Provider=SQLite;Data Source=file" (or a bare file path ending in .db or
// .sqlite); anything else is an ODBC connection string.
ConnectionSettings ParseConnectionString(const QString& connectionString);

class SqlDriver {
  public:
    virtual ~SqlDriver() = default;
    virtual QString name() const = 0;
    virtual QString qtDriverName() const = 0;
    virtual void configure(QSqlDatabase& db, const ConnectionSettings& settings) const = 0;
    // Runs once the database is open: pragmas, registered functions.
    virtual void prepareOpened(QSqlDatabase& db) const = 0;
    // The statement as this database must see it.
    virtual QString translate(const QString& tsql) const = 0;
    virtual void beginTransaction(QSqlDatabase& db) const = 0;
    virtual void commitTransaction(QSqlDatabase& db) const = 0;
    virtual void rollbackTransaction(QSqlDatabase& db) const = 0;
    // Values bound into statements and read back from them.
    virtual QVariant toStorage(const QVariant& value) const = 0;
    virtual QVariant fromStorage(const QVariant& value, bool dateColumn) const = 0;
    // Which result columns hold dates (the embedded database keeps them as text).
    virtual QVector<bool> dateColumns(const QSqlQuery& query, int fieldCount) const = 0;

    static std::unique_ptr<SqlDriver> create(const ConnectionSettings& settings);
};

}  // namespace pcp
