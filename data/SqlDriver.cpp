#include "data/SqlDriver.h"

#include <sqlite3.h>

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlRecord>
#include <QSqlResult>

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include "data/Decimal.h"
#include "data/ModuleError.h"
#include "data/OdbcDriver.h"
#include "data/SqliteFile.h"
#include "data/Values.h"

namespace pcp {

ConnectionSettings ParseConnectionString(const QString& connectionString) {
    const QString trimmed = connectionString.trimmed();
    QString provider, source;
    bool readOnly = false;
    for (const QString& part : trimmed.split(u';', Qt::SkipEmptyParts)) {
        const int eq = part.indexOf(u'=');
        if (eq < 0) continue;
        const QString key = part.left(eq).trimmed().toLower();
        const QString value = part.mid(eq + 1).trimmed();
        if (key == u"provider") provider = value.toLower();
        if (key == u"data source") source = value;
        if (key == u"mode")
            readOnly = value.compare(u"read", Qt::CaseInsensitive) == 0 ||
                       value.compare(u"readonly", Qt::CaseInsensitive) == 0;
    }
    if (provider == u"sqlite") return {QStringLiteral("sqlite"), source, readOnly};
    if (!trimmed.contains(u'=') &&
        (trimmed.endsWith(u".db") || trimmed.endsWith(u".sqlite") || trimmed == u":memory:"))
        return {QStringLiteral("sqlite"), trimmed, false};
    return {QStringLiteral("odbc"), trimmed, false};
}

namespace {

// ---------------------------------------------------------------------------

class SqliteDriver final : public SqlDriver {
  public:
    SqliteDriver() : SqlDriver(MakeSqliteDialect()) {}
    QString name() const override { return QStringLiteral("SQLite"); }
    QString qtDriverName() const override { return QStringLiteral("QSQLITE"); }

    // Checks the file before anything opens it (QSQLITE would create a missing
    // one and the WAL switch would write into any file it can read). A
    // database in memory is always new and empty: there is nothing to check.
    void configure(QSqlDatabase& db, const ConnectionSettings& settings) override {
        const QString& path = settings.dataSource;
        memory_ = path == u":memory:";
        path_ = QFileInfo(path).absoluteFilePath();
        if (!memory_) {
            const QString problem = PettyCashFileProblem(path);
            if (!problem.isEmpty()) raise(kErrDbConnection, name(), problem);
            readOnly_ = settings.readOnly || !SqliteFileWritable(path);
        }
        // Several workstations may share one file: wait for a writer instead of failing.
        QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(dialect_->usualWaitLimit());
        bool uri = false;
        db.setDatabaseName(readOnly_ ? SqliteReadOnlyName(path, &uri) : path);
        if (readOnly_) options += QStringLiteral(";QSQLITE_OPEN_READONLY");
        if (uri) options += QStringLiteral(";QSQLITE_OPEN_URI");
        db.setConnectOptions(options);
    }

    void prepareOpened(QSqlDatabase& db) override {
        sqlite3* sqlite = sqliteHandle(db);
        if (!sqlite) raise(kErrDbConnection, name(), QStringLiteral("No SQLite handle"));
        RegisterTsqlFunctions(sqlite);
        // SQLite itself may have opened the file for reading only.
        readOnly_ = readOnly_ || sqlite3_db_readonly(sqlite, "main") == 1;
        dialect_->prepare(db, name(), readOnly_);
        if (!readOnly_ && !memory_) CreateLocalComponentTables(db, name());
        if (!readOnly_) clashingIndexes_ = CreateVoucherUniqueIndexes(db);
    }

    // SQLite keeps NUMERIC(18,3) as REAL; the declared type tells the scale
    // to read it back at, and which columns keep dates as text.
    QVector<ColumnKind> columnKinds(const QSqlQuery& query, int fieldCount) const override {
        QVector<ColumnKind> kinds(fieldCount);
        const QVariant h = query.result() ? query.result()->handle() : QVariant();
        if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3_stmt*") != 0) return kinds;
        sqlite3_stmt* stmt = *static_cast<sqlite3_stmt* const*>(h.constData());
        if (!stmt) return kinds;
        const QByteArray dateType = dialect_->dateTextType();
        for (int i = 0; i < fieldCount && i < sqlite3_column_count(stmt); ++i) {
            const QByteArray decl(sqlite3_column_decltype(stmt, i));
            kinds[i].date =
                !decl.isEmpty() && qstricmp(decl.constData(), dateType.constData()) == 0;
            kinds[i].scale = DeclaredScale(decl);
        }
        return kinds;
    }

    // A file deleted or renamed under the connection still takes its writes,
    // which then vanish with the last handle on it: SQLite compares the open
    // file with what its path names now.
    QString storageProblem(const QSqlDatabase& db) const override {
        sqlite3* sqlite = memory_ ? nullptr : sqliteHandle(db);
        int moved = 0;
        if (!sqlite ||
            sqlite3_file_control(sqlite, "main", SQLITE_FCNTL_HAS_MOVED, &moved) != SQLITE_OK ||
            !moved)
            return QString();
        return QStringLiteral(
                   "The database file '%1' has been moved or deleted since it was opened: "
                   "nothing can be written to it.")
            .arg(QDir::toNativeSeparators(path_));
    }

    RowSet readRows(QSqlDatabase& db, const QString& sent, const QString& sql,
                    const RowProgress& progress) const override {
        sqlite3* sqlite = sqliteHandle(db);
        if (!sqlite) raise(kErrDbConnection, name(), QStringLiteral("No SQLite handle"));
        const QByteArray text = sent.toUtf8();
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(sqlite, text.constData(), int(text.size()), &stmt, nullptr) !=
            SQLITE_OK)
            refused(sqlite, sql);
        if (!stmt) raiseRefused(QString(), QString(), sql);  // nothing but blanks or comments
        const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> finish(stmt, sqlite3_finalize);

        const int columns = sqlite3_column_count(stmt);
        QStringList names;
        for (int i = 0; i < columns; ++i) names << QString::fromUtf8(sqlite3_column_name(stmt, i));
        std::vector<ColumnKind> kinds(static_cast<size_t>(columns));
        const QByteArray dateType = dialect_->dateTextType();
        for (int i = 0; i < columns; ++i) {
            const QByteArray decl(sqlite3_column_decltype(stmt, i));
            kinds[size_t(i)].date = qstricmp(decl.constData(), dateType.constData()) == 0;
            kinds[size_t(i)].scale = DeclaredScale(decl);
        }

        RowSet rows;
        rows.setColumns(names);
        int step = SQLITE_ROW;
        while ((step = sqlite3_step(stmt)) == SQLITE_ROW) {
            rows.beginRow();
            for (int i = 0; i < columns; ++i) readCell(stmt, i, kinds[size_t(i)], rows);
            if (progress && rows.rowCount() % kRowsPerProgress == 0 && !progress(rows.rowCount())) {
                rows.markCancelled();
                return rows;
            }
        }
        if (step != SQLITE_DONE) refused(sqlite, sql);
        return rows;
    }

  private:
    [[noreturn]] void refused(sqlite3* sqlite, const QString& sql) const {
        raiseRefused(QString::fromUtf8(sqlite3_errmsg(sqlite)),
                     QString::number(sqlite3_extended_errcode(sqlite)), sql);
    }

    // One value as QSQLITE and fromStorage would give it.
    void readCell(sqlite3_stmt* stmt, int i, const ColumnKind& kind, RowSet& rows) const {
        switch (sqlite3_column_type(stmt, i)) {
            case SQLITE_NULL: return rows.addNull(i);
            case SQLITE_INTEGER:
                if (kind.date) break;
                if (kind.scale >= 0)
                    return rows.addDecimal(i, Decimal(sqlite3_column_int64(stmt, i)));
                return rows.addInteger(i, sqlite3_column_int64(stmt, i));
            case SQLITE_FLOAT:
                if (kind.date) break;
                if (kind.scale >= 0)
                    return rows.addDecimal(
                        i, Decimal::fromDouble(sqlite3_column_double(stmt, i), kind.scale));
                return rows.addReal(i, sqlite3_column_double(stmt, i));
            case SQLITE_TEXT: {
                const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
                const int size = sqlite3_column_bytes(stmt, i);
                if (kind.date) {
                    if (const qint64 ms = DateTextMSecs(bytes, size); ms != kNoDate)
                        return rows.addDateMSecs(i, ms);
                    break;
                }
                if (kind.scale < 0) return rows.addUtf8(i, bytes, size);
                break;
            }
            default: break;
        }
        // Whatever else: the value QSQLITE would hand over, read as the module reads it.
        rows.addStored(i, fromStorage(qtValue(stmt, i), kind));
    }

    static QVariant qtValue(sqlite3_stmt* stmt, int i) {
        switch (sqlite3_column_type(stmt, i)) {
            case SQLITE_INTEGER: return qlonglong(sqlite3_column_int64(stmt, i));
            case SQLITE_FLOAT: return sqlite3_column_double(stmt, i);
            case SQLITE_TEXT:
                return QString::fromUtf8(
                    reinterpret_cast<const char*>(sqlite3_column_text(stmt, i)),
                    sqlite3_column_bytes(stmt, i));
            case SQLITE_BLOB:
                return QByteArray(static_cast<const char*>(sqlite3_column_blob(stmt, i)),
                                  sqlite3_column_bytes(stmt, i));
            default: return QVariant();
        }
    }

    static sqlite3* sqliteHandle(const QSqlDatabase& db) {
        const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
        if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0) return nullptr;
        return *static_cast<sqlite3* const*>(handle.constData());
    }

    bool memory_ = false;
    QString path_;  // the file as opened, for the user's messages
};

}  // namespace

int DeclaredScale(const QByteArray& declaredType) {
    static const QRegularExpression re(
        QStringLiteral("^\\s*(numeric|decimal)\\s*\\(\\s*\\d+\\s*,\\s*(\\d+)\\s*\\)\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(QString::fromLatin1(declaredType));
    if (!m.hasMatch()) return -1;
    const int scale = m.captured(2).toInt();
    return scale <= Decimal::kScale ? scale : -1;
}

QVariant SqlDriver::toStorage(const QVariant& value) const {
    if (value.metaType() == QMetaType::fromType<Decimal>())
        return value.value<Decimal>().toString();
    return dialect_->toStorage(value);
}

QVariant SqlDriver::fromStorage(const QVariant& value, const ColumnKind& kind) const {
    const QVariant v = dialect_->fromStorage(value, kind.date);
    // Dates are calendar days and clock times as stored: never shifted by a zone.
    if (v.typeId() == QMetaType::QDateTime) return WallClock(v.toDateTime());
    if (v.typeId() == QMetaType::QDate) return QDateTime(v.toDate(), QTime(0, 0), Qt::UTC);
    if (kind.scale < 0 || !v.isValid() || v.isNull()) return v;
    switch (v.typeId()) {
        case QMetaType::Double:
        case QMetaType::Float:
            return QVariant::fromValue(Decimal::fromDouble(v.toDouble(), kind.scale));
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong: return QVariant::fromValue(Decimal(v.toLongLong()));
        case QMetaType::QString:
            if (const auto d = Decimal::parse(v.toString())) return QVariant::fromValue(*d);
            return v;
        default: return v;
    }
}

void SqlDriver::raiseRefused(QString text, const QString& code, const QString& sql) const {
    if (text.trimmed().isEmpty())
        text = sql.trimmed().isEmpty() ? QStringLiteral("The statement is empty.")
                                       : QStringLiteral("The database refused the statement.");
    throw ModuleError(kErrDbCommand, name(), text).withStatement(sql).withNativeCode(code);
}

QString SqlDriver::errorCode(const QSqlQuery& failed) const {
    return failed.lastError().nativeErrorCode();
}

// A failure keeps the statement and the database's own error code (another
// workstation's lock is told apart by it).
QString SqlDriver::errorText(const QSqlQuery& failed) const {
    const QSqlError error = failed.lastError();
    return error.databaseText().isEmpty() ? error.text() : error.databaseText();
}

void SqlDriver::execOrThrow(QSqlDatabase& db, const QString& sql) const {
    QSqlQuery q(db);
    if (q.exec(sql)) return;
    throw ModuleError(kErrDbCommand, name(), errorText(q))
        .withStatement(sql)
        .withNativeCode(errorCode(q));
}

QVariant SqlDriver::read(const QSqlQuery& query, int column, bool) const {
    return query.isNull(column) ? QVariant() : query.value(column);
}

// A dialect with a begin statement ends its transactions with statements too;
// otherwise the connection's own transaction calls do the work.
void SqlDriver::beginTransaction(QSqlDatabase& db) const {
    const QString begin = dialect_->beginStatement();
    if (!begin.isEmpty())
        execOrThrow(db, begin);
    else if (!db.transaction())
        raise(kErrDbOperation, name(), db.lastError().text());
    const QString lock = dialect_->transactionLockStatement();
    if (lock.isEmpty()) return;
    try {
        execOrThrow(db, lock);
    } catch (...) {
        // A transaction that could not take its lock is not left open.
        endTransaction(db, false);
        throw;
    }
}

void SqlDriver::commitTransaction(QSqlDatabase& db) const {
    endTransaction(db, true);
}

void SqlDriver::rollbackTransaction(QSqlDatabase& db) const {
    endTransaction(db, false);
}

void SqlDriver::endTransaction(QSqlDatabase& db, bool commit) const {
    if (!dialect_->beginStatement().isEmpty())
        return execOrThrow(db, commit ? QStringLiteral("COMMIT") : QStringLiteral("ROLLBACK"));
    if (!(commit ? db.commit() : db.rollback()))
        raise(kErrDbOperation, name(), db.lastError().text());
}

std::unique_ptr<SqlDriver> SqlDriver::create(const ConnectionSettings& settings) {
    if (settings.provider == u"sqlite") return std::make_unique<SqliteDriver>();
    return MakeOdbcDriver();
}

}  // namespace pcp
