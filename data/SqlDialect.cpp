#include "data/SqlDialect.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>

#include "data/ModuleError.h"
#include "data/SqliteFunctions.h"
#include "data/TsqlTranslator.h"

namespace pcp {

namespace {

void execOrThrow(QSqlDatabase& db, const QString& sql, const QString& source) {
    QSqlQuery q(db);
    if (!q.exec(sql)) raise(kErrDbCommand, source, q.lastError().text());
}

// "left(col,n) ='text'" (SQLite: pcp_left) with text n characters long also
// gets a range on the column, which an index on it can seek: the numbering's
// count and highest number then read only the vouchers under their prefix
// instead of the department's whole year. The function test stays and
// decides. `top` is a character that sorts after any other the column holds.
// Made once per dialect: every statement passes through it.
class PrefixRanges {
  public:
    PrefixRanges(const QString& function, QString top)
        : test_(QStringLiteral("(?<![\\w.])%1\\((\\w+),(\\d+)\\) ?= ?'((?:[^']|'')*)'")
                    .arg(function)),
          top_(std::move(top)) {}

    QString operator()(const QString& sql) const {
        QString out;
        qsizetype from = 0;
        for (auto it = test_.globalMatch(sql); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            const QString column = m.captured(1), text = m.captured(3);
            out += sql.mid(from, m.capturedStart() - from);
            from = m.capturedEnd();
            const bool inLiteral = sql.left(m.capturedStart()).count(u'\'') % 2 == 1;
            if (inLiteral ||
                QString(text).replace(QStringLiteral("''"), QStringLiteral("'")).size() !=
                    m.captured(2).toInt()) {
                out += m.captured(0);
                continue;
            }
            const QString literal = u'\'' + text + u'\'';
            out += QStringLiteral("(%1 >= %2 and %1 < %2 || %3 and %4)")
                       .arg(column, literal, top_, m.captured(0));
        }
        return out + sql.mid(from);
    }

  private:
    const QRegularExpression test_;
    const QString top_;
};

class SqliteDialect final : public SqlDialect {
  public:
    QString name() const override { return QStringLiteral("SQLite"); }
    QString translate(const QString& tsql) const override {
        return withPrefixRanges_(TranslateTsqlToSqlite(tsql));
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

    QByteArray dateTextType() const override { return QByteArrayLiteral("DATETEXT"); }
    QString waitLimitStatement(int ms) const override {
        return QStringLiteral("PRAGMA busy_timeout=%1").arg(ms);
    }
    // A writer on another workstation is waited for rather than failed, but
    // only for moments: a clerk is told that it is busy instead of waiting on.
    int usualWaitLimit() const override { return kSqliteWaitLimitMs; }

    // IMMEDIATE takes the write lock at once, so what a transaction reads
    // (the next number, say) cannot change under it before it writes.
    QString beginStatement() const override { return QStringLiteral("BEGIN IMMEDIATE"); }
    // BEGIN IMMEDIATE already holds the whole file for the transaction.
    QString lockingRead(const QString& table) const override { return table; }

    // Several workstations may share one file: readers go on beside a writer,
    // and a writer waits for another only as long as the usual bound (the
    // SQLite ODBC driver would wait far longer).
    void prepare(QSqlDatabase& db, const QString& source, bool readOnly) const override {
        execOrThrow(db, waitLimitStatement(usualWaitLimit()), source);
        if (readOnly) return;
        if (db.databaseName() != u":memory:")
            execOrThrow(db, QStringLiteral("PRAGMA journal_mode=WAL"), source);
        execOrThrow(db, QStringLiteral("PRAGMA synchronous=NORMAL"), source);
    }

  private:
    const PrefixRanges withPrefixRanges_{QStringLiteral("pcp_left"),
                                         QStringLiteral("char(1114111)")};
};

class SqlServerDialect final : public SqlDialect {
  public:
    QString name() const override { return QStringLiteral("SQL Server"); }
    QString translate(const QString& tsql) const override { return tsql; }
    QVariant toStorage(const QVariant& value) const override {
        return value.isValid() && value.isNull() ? QVariant() : value;
    }
    QVariant fromStorage(const QVariant& value, bool) const override { return value; }
    QByteArray dateTextType() const override { return QByteArray(); }
    QString waitLimitStatement(int ms) const override {
        return QStringLiteral("SET LOCK_TIMEOUT %1").arg(ms);
    }
    int usualWaitLimit() const override { return -1; }  // the server's own: wait
    QString beginStatement() const override { return QString(); }
    // Update locks on what was read, and on the range (the next number's gap)
    // until the transaction ends: a second save waits instead of reading the same.
    QString lockingRead(const QString& table) const override {
        return table + QStringLiteral(" WITH (UPDLOCK, HOLDLOCK)");
    }
    void prepare(QSqlDatabase&, const QString&, bool) const override {}
};

// The suite's statements on a PostgreSQL server through ODBC: rewritten as for
// SQLite, but dates and amounts are the server's own timestamp and numeric
// types, which the driver reads and binds as they are.
class PostgresDialect final : public SqlDialect {
  public:
    QString name() const override { return QStringLiteral("PostgreSQL"); }
    QString translate(const QString& tsql) const override {
        return withPrefixRanges_(TranslateTsqlToPostgres(tsql));
    }
    QVariant toStorage(const QVariant& value) const override {
        if (!value.isValid() || value.isNull()) return QVariant();
        // The flags are smallint columns, as SQL Server's bit columns compare with 0 and 1.
        if (value.typeId() == QMetaType::Bool) return value.toBool() ? 1 : 0;
        return value;
    }
    QVariant fromStorage(const QVariant& value, bool) const override { return value; }
    QByteArray dateTextType() const override { return QByteArray(); }
    QString waitLimitStatement(int ms) const override {
        return QStringLiteral("SET lock_timeout = %1").arg(ms < 0 ? 0 : ms);
    }
    int usualWaitLimit() const override { return kPostgresWaitLimitMs; }
    QString beginStatement() const override { return QString(); }
    // Every transaction of the module waits for the one before it, as on
    // SQLite: a number read inside one is then never read by another before
    // it commits. Each statement after the lock reads what the other committed.
    QString transactionLockStatement() const override {
        return QStringLiteral("select pg_advisory_xact_lock(%1)").arg(kVoucherLockKey);
    }
    QString lockingRead(const QString& table) const override { return table; }
    void prepare(QSqlDatabase& db, const QString& source, bool) const override {
        execOrThrow(db, waitLimitStatement(usualWaitLimit()), source);
    }
    bool codesAreSqlStates() const override { return true; }

  private:
    // U+FFFF sorts after every other character in the ICU root collation.
    const PrefixRanges withPrefixRanges_{QStringLiteral("left"), QStringLiteral("chr(65535)")};
    // The key of the module's advisory lock: "PCP" and the voucher tables' number.
    static constexpr qint64 kVoucherLockKey = 0x504350'0001;
};

}  // namespace

std::unique_ptr<SqlDialect> MakeSqliteDialect() {
    return std::make_unique<SqliteDialect>();
}

std::unique_ptr<SqlDialect> MakeSqlServerDialect() {
    return std::make_unique<SqlServerDialect>();
}

std::unique_ptr<SqlDialect> MakePostgresDialect() {
    return std::make_unique<PostgresDialect>();
}

std::unique_ptr<SqlDialect> DialectForDbms(const QString& dbmsName) {
    const QString name = dbmsName.trimmed();
    if (name.compare(u"SQLite", Qt::CaseInsensitive) == 0) return MakeSqliteDialect();
    if (name.compare(u"PostgreSQL", Qt::CaseInsensitive) == 0) return MakePostgresDialect();
    return MakeSqlServerDialect();
}

}  // namespace pcp
