#include "data/OdbcDriver.h"

#include <dlfcn.h>
#include <sql.h>
#include <sqlext.h>

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlResult>
#include <algorithm>

#include "data/Decimal.h"
#include "data/ModuleError.h"
#include "data/OdbcRows.h"
#include "data/SqlDialect.h"

namespace pcp {

namespace {

const QString kSource = QStringLiteral("ODBC");

// The folder of the library this code is in: the module's, where its
// SQLite extension is built and deployed.
QString libraryFolder() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&libraryFolder), &info) || !info.dli_fname)
        return QString();
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absolutePath();
}

// QODBC hands out its connection and statement handles as SQLHANDLE.
SQLHANDLE odbcHandle(const QVariant& handle) {
    if (!handle.isValid() || handle.metaType() != QMetaType::fromType<SQLHANDLE>()) return nullptr;
    return *static_cast<const SQLHANDLE*>(handle.constData());
}

SQLHANDLE statementHandle(const QSqlQuery& query) {
    return query.result() ? odbcHandle(query.result()->handle()) : nullptr;
}

// The scale of a column the driver reports as NUMERIC or DECIMAL; -1 otherwise.
int numericScale(SQLHANDLE stmt, SQLUSMALLINT column) {
    SQLLEN type = 0, scale = 0;
    if (!SQL_SUCCEEDED(
            SQLColAttribute(stmt, column, SQL_DESC_CONCISE_TYPE, nullptr, 0, nullptr, &type)))
        return -1;
    if (type != SQL_NUMERIC && type != SQL_DECIMAL) return -1;
    if (!SQL_SUCCEEDED(SQLColAttribute(stmt, column, SQL_DESC_SCALE, nullptr, 0, nullptr, &scale)))
        return -1;
    return scale >= 0 && scale <= Decimal::kScale ? int(scale) : -1;
}

// The stored text of a column of the current row; invalid for NULL. The
// SQLite ODBC driver reports DATETEXT columns as dates but cannot read
// 'yyyymmdd' as one (QODBC gets NULL), so the column is read again as
// characters, which the driver allows after a read of another C type.
QVariant storedText(const QSqlQuery& query, int column) {
    const SQLHANDLE stmt = statementHandle(query);
    char text[64] = {};
    SQLLEN length = 0;
    const SQLRETURN r =
        stmt ? SQLGetData(stmt, SQLUSMALLINT(column + 1), SQL_C_CHAR, text, sizeof text, &length)
             : SQL_ERROR;
    if (!SQL_SUCCEEDED(r))
        raise(kErrDbCommand, kSource,
              QStringLiteral("The date in column %1 could not be read.").arg(column + 1));
    return length == SQL_NULL_DATA ? QVariant() : QVariant(QString::fromLatin1(text));
}

// psqlODBC wraps the server's message ("ERROR: …;\nError while executing
// the query"): the error log and the user get the server's words alone.
QString serverWords(QString text) {
    static const QRegularExpression wrapping(
        QStringLiteral("^ERROR:\\s*|;?\\s*Error while executing the query\\s*$"));
    return text.remove(wrapping).trimmed();
}

bool isAscii(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

class OdbcDriver final : public SqlDriver {
  public:
    // Until the driver names its database, statements would pass unchanged.
    OdbcDriver() : SqlDriver(MakeSqlServerDialect()) {}
    QString name() const override { return kSource; }
    QString qtDriverName() const override { return QStringLiteral("QODBC"); }

    void configure(QSqlDatabase& db, const ConnectionSettings& settings) override {
        db.setDatabaseName(ForSqliteOdbcDriver(settings.dataSource, libraryFolder()));
    }

    void prepareOpened(QSqlDatabase& db) override {
        dialect_ = DialectForDbms(OdbcDbmsName(db));
        // psqlODBC hands numeric columns over as their text: read exactly.
        const bool postgres = dialect_->name() == u"PostgreSQL";
        db.setNumericalPrecisionPolicy(postgres ? QSql::HighPrecision : QSql::LowPrecisionDouble);
        sqlite_ = dialect_->name() == u"SQLite";
        if (sqlite_) requireSqliteFunctions(db);
        dialect_->prepare(db, name(), readOnly_);
    }

    // The SQLite ODBC driver has narrow entry points only: unixODBC converts
    // the statement text to the locale's character set, which in a C locale
    // mangles letters beyond ASCII. Hex literals arrive whatever the locale.
    QString translate(const QString& tsql) const override {
        const QString sql = dialect_->translate(tsql);
        return sqlite_ ? HexTextLiterals(sql) : sql;
    }

    QVector<ColumnKind> columnKinds(const QSqlQuery& query, int fieldCount) const override {
        QVector<ColumnKind> kinds(fieldCount);
        const QByteArray dateType = dialect_->dateTextType();
        const SQLHANDLE stmt = statementHandle(query);
        if (!stmt) return kinds;
        for (int i = 0; i < fieldCount; ++i) {
            const SQLUSMALLINT column = SQLUSMALLINT(i + 1);
            char type[64] = {};
            SQLSMALLINT length = 0;
            SQLLEN number = 0;
            if (SQL_SUCCEEDED(SQLColAttribute(stmt, column, SQL_DESC_TYPE_NAME, type, sizeof type,
                                              &length, &number))) {
                kinds[i].date = !dateType.isEmpty() && qstricmp(type, dateType.constData()) == 0;
                kinds[i].scale = DeclaredScale(QByteArray(type));
            }
            kinds[i].scale = std::max(kinds[i].scale, numericScale(stmt, column));
        }
        return kinds;
    }

    QVariant read(const QSqlQuery& query, int column, bool dateColumn) const override {
        if (!dateColumn) return SqlDriver::read(query, column, false);
        query.value(column);  // QODBC reads the columns in order up to this one
        return storedText(query, column);
    }

    // The driver's own error numbers say little; the SQLSTATE of the first
    // diagnostic record (still on the statement after the failure) says why.
    QString errorCode(const QSqlQuery& failed) const override {
        const SQLHANDLE stmt = statementHandle(failed);
        SQLCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        if (!dialect_->codesAreSqlStates() || !stmt ||
            !SQL_SUCCEEDED(
                SQLGetDiagRec(SQL_HANDLE_STMT, stmt, 1, state, &native, nullptr, 0, &length)))
            return SqlDriver::errorCode(failed);
        return QString::fromLatin1(reinterpret_cast<const char*>(state));
    }

    QString errorText(const QSqlQuery& failed) const override {
        const QString text = SqlDriver::errorText(failed);
        return dialect_->codesAreSqlStates() ? serverWords(text) : text;
    }

    RowSet readRows(QSqlDatabase& db, const QString& sent, const QString& sql,
                    const RowProgress& progress) const override {
        const SQLHANDLE dbc = db.driver() ? odbcHandle(db.driver()->handle()) : nullptr;
        if (!dbc) raise(kErrDbConnection, name(), QStringLiteral("No ODBC connection handle"));
        OdbcReading how;
        how.dateTextType = dialect_->dateTextType();
        how.narrowText = sqlite_;
        how.numericText = dialect_->name() == u"PostgreSQL";
        return ReadOdbcRows(dbc, sent, how, progress, [&](SQLHANDLE stmt) {
            const OdbcDiagnostic d =
                FirstDiagnostic(stmt ? SQL_HANDLE_STMT : SQL_HANDLE_DBC, stmt ? stmt : dbc);
            const QString code = !d.found                        ? QString()
                                 : dialect_->codesAreSqlStates() ? d.state
                                                                 : QString::number(d.native);
            raiseRefused(dialect_->codesAreSqlStates() ? serverWords(d.text) : d.text, code, sql);
        });
    }

  private:
    // The SQLite ODBC driver only writes to stderr when an extension fails to
    // load; without the functions translated statements would fail later.
    void requireSqliteFunctions(QSqlDatabase& db) const {
        QSqlQuery probe(db);
        if (probe.exec(QStringLiteral("select pcp_cint('1')"))) return;
        raise(kErrDbConnection, name(),
              QStringLiteral("The module's SQLite functions are not loaded (LoadExt=%1): %2")
                  .arg(QDir(libraryFolder()).filePath(QLatin1String(kSqliteFunctionsFile)),
                       probe.lastError().text()));
    }

    bool sqlite_ = false;
};

}  // namespace

std::unique_ptr<SqlDriver> MakeOdbcDriver() {
    return std::make_unique<OdbcDriver>();
}

QString OdbcDbmsName(const QSqlDatabase& db) {
    const SQLHANDLE dbc = db.driver() ? odbcHandle(db.driver()->handle()) : nullptr;
    SQLCHAR name[256] = {};
    SQLSMALLINT length = 0;
    if (!dbc || !SQL_SUCCEEDED(SQLGetInfo(dbc, SQL_DBMS_NAME, name, sizeof name, &length)))
        return QString();
    return QString::fromUtf8(reinterpret_cast<const char*>(name));
}

QString ForSqliteOdbcDriver(const QString& connectionString, const QString& folder) {
    bool sqliteDriver = false, hasLoadExt = false, hasTimeout = false;
    for (const QString& part : connectionString.split(u';', Qt::SkipEmptyParts)) {
        const int eq = part.indexOf(u'=');
        if (eq < 0) continue;
        const QString key = part.left(eq).trimmed();
        if (key.compare(u"Driver", Qt::CaseInsensitive) == 0)
            sqliteDriver = part.mid(eq + 1).contains(u"sqlite", Qt::CaseInsensitive);
        if (key.compare(u"LoadExt", Qt::CaseInsensitive) == 0) hasLoadExt = true;
        if (key.compare(u"Timeout", Qt::CaseInsensitive) == 0) hasTimeout = true;
    }
    if (!sqliteDriver || (hasLoadExt && hasTimeout)) return connectionString;
    QString out = connectionString.trimmed();
    if (!out.endsWith(u';')) out += u';';
    if (!hasLoadExt)
        out += QStringLiteral("LoadExt=") +
               QDir(folder).filePath(QLatin1String(kSqliteFunctionsFile)) + u';';
    if (!hasTimeout) out += QStringLiteral("Timeout=%1;").arg(kSqliteWaitLimitMs);
    return out;
}

QString HexTextLiterals(const QString& sql) {
    QString out;
    int i = 0;
    while (i < sql.size()) {
        if (sql[i] != u'\'') {
            out += sql[i++];
            continue;
        }
        QString text;  // the literal's value: doubled quotes made single
        int j = i + 1;
        bool closed = false;
        while (j < sql.size() && !closed) {
            if (sql[j] == u'\'' && j + 1 < sql.size() && sql[j + 1] == u'\'') {
                text += u'\'';
                j += 2;
            } else if (sql[j] == u'\'') {
                closed = true;
                ++j;
            } else {
                text += sql[j++];
            }
        }
        if (closed && !isAscii(text))
            out += QStringLiteral("CAST(X'") +
                   QString::fromLatin1(text.toUtf8().toHex().toUpper()) +
                   QStringLiteral("' AS TEXT)");
        else
            out += sql.mid(i, j - i);
        i = j;
    }
    return out;
}

}  // namespace pcp
