#include "SqlDriver.h"

#include <sqlite3.h>

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlRecord>
#include <QSqlResult>

#include "ModuleError.h"

namespace pcp {

ConnectionSettings ParseConnectionString(const QString& connectionString) {
    const QString trimmed = connectionString.trimmed();
    QString provider, source;
    for (const QString& part : trimmed.split(u';', Qt::SkipEmptyParts)) {
        const int eq = part.indexOf(u'=');
        if (eq < 0) continue;
        const QString key = part.left(eq).trimmed().toLower();
        const QString value = part.mid(eq + 1).trimmed();
        if (key == u"provider") provider = value.toLower();
        if (key == u"data source") source = value;
    }
    if (provider == u"sqlite") return {QStringLiteral("sqlite"), source};
    if (!trimmed.contains(u'=') &&
        (trimmed.endsWith(u".db") || trimmed.endsWith(u".sqlite") || trimmed == u":memory:"))
        return {QStringLiteral("sqlite"), trimmed};
    return {QStringLiteral("odbc"), trimmed};
}

namespace {

void execOrThrow(QSqlDatabase& db, const QString& sql, const QString& source) {
    QSqlQuery q(db);
    if (!q.exec(sql)) raise(kErrDbCommand, source, q.lastError().text());
}

// ---------------------------------------------------------------------------

class SqliteDriver final : public SqlDriver {
  public:
    QString name() const override { return QStringLiteral("SQLite"); }
    QString qtDriverName() const override { return QStringLiteral("QSQLITE"); }

    void configure(QSqlDatabase& db, const ConnectionSettings& settings) const override {
        db.setDatabaseName(settings.dataSource);
        // Several workstations may share one file: wait for a writer instead of failing.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
    }

    void prepareOpened(QSqlDatabase& db) const override {
        const QVariant handle = db.driver()->handle();
        if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
            raise(kErrDbConnection, name(), QStringLiteral("No SQLite handle"));
        RegisterTsqlFunctions(*static_cast<sqlite3* const*>(handle.constData()));
        if (db.databaseName() != u":memory:")
            execOrThrow(db, QStringLiteral("PRAGMA journal_mode=WAL"), name());
        execOrThrow(db, QStringLiteral("PRAGMA synchronous=NORMAL"), name());
    }

    QString translate(const QString& tsql) const override { return TranslateTsqlToSqlite(tsql); }

    // IMMEDIATE takes the write lock at once, so what a transaction reads
    // (the next number, say) cannot change under it before it writes.
    void beginTransaction(QSqlDatabase& db) const override {
        execOrThrow(db, QStringLiteral("BEGIN IMMEDIATE"), name());
    }
    void commitTransaction(QSqlDatabase& db) const override {
        execOrThrow(db, QStringLiteral("COMMIT"), name());
    }
    void rollbackTransaction(QSqlDatabase& db) const override {
        execOrThrow(db, QStringLiteral("ROLLBACK"), name());
    }

    QVariant toStorage(const QVariant& value) const override {
        if (!value.isValid() || value.isNull()) return QVariant();
        if (value.typeId() == QMetaType::QDateTime) return SqliteDateText(value.toDateTime());
        if (value.typeId() == QMetaType::QDate)
            return value.toDate().toString(QStringLiteral("yyyyMMdd"));
        if (value.typeId() == QMetaType::Bool) return value.toBool() ? 1 : 0;
        return value;
    }

    QVariant fromStorage(const QVariant& value, bool dateColumn) const override {
        if (!dateColumn || value.isNull()) return value;
        const QDateTime d = SqliteDateFromText(value.toString());
        return d.isValid() ? QVariant(d) : value;
    }

    QVector<bool> dateColumns(const QSqlQuery& query, int fieldCount) const override {
        QVector<bool> dates(fieldCount, false);
        const QVariant h = query.result() ? query.result()->handle() : QVariant();
        if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3_stmt*") != 0) return dates;
        sqlite3_stmt* stmt = *static_cast<sqlite3_stmt* const*>(h.constData());
        if (!stmt) return dates;
        for (int i = 0; i < fieldCount && i < sqlite3_column_count(stmt); ++i) {
            const char* decl = sqlite3_column_decltype(stmt, i);
            dates[i] = decl && qstricmp(decl, "DATETEXT") == 0;
        }
        return dates;
    }
};

class OdbcDriver final : public SqlDriver {
  public:
    QString name() const override { return QStringLiteral("ODBC"); }
    QString qtDriverName() const override { return QStringLiteral("QODBC"); }
    void configure(QSqlDatabase& db, const ConnectionSettings& settings) const override {
        db.setDatabaseName(settings.dataSource);
    }
    void prepareOpened(QSqlDatabase& db) const override {
        db.setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
    }
    QString translate(const QString& tsql) const override { return tsql; }
    void beginTransaction(QSqlDatabase& db) const override {
        if (!db.transaction()) raise(kErrDbOperation, name(), db.lastError().text());
    }
    void commitTransaction(QSqlDatabase& db) const override {
        if (!db.commit()) raise(kErrDbOperation, name(), db.lastError().text());
    }
    void rollbackTransaction(QSqlDatabase& db) const override {
        if (!db.rollback()) raise(kErrDbOperation, name(), db.lastError().text());
    }
    QVariant toStorage(const QVariant& value) const override {
        return value.isValid() && value.isNull() ? QVariant() : value;
    }
    QVariant fromStorage(const QVariant& value, bool) const override { return value; }
    QVector<bool> dateColumns(const QSqlQuery&, int fieldCount) const override {
        return QVector<bool>(fieldCount, false);
    }
};

}  // namespace

std::unique_ptr<SqlDriver> SqlDriver::create(const ConnectionSettings& settings) {
    if (settings.provider == u"sqlite") return std::make_unique<SqliteDriver>();
    return std::make_unique<OdbcDriver>();
}

}  // namespace pcp
