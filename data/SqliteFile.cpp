#include "data/SqliteFile.h"

#include <sqlite3.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

#include "data/ModuleError.h"

Q_LOGGING_CATEGORY(lcDatabaseFile, "pettycash.database")

namespace pcp {

namespace {

const QByteArray kSqliteMagic("SQLite format 3\0", 16);
constexpr int kHeaderSize = 100;

// A URI naming the file, for SQLite to open with the query given.
QByteArray fileUri(const QString& path, const QString& query) {
    return (QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded) +
            query)
        .toUtf8();
}

// The file's first bytes, read through SQLite's own handle on it. Closing any
// other handle on the file would drop every lock this process holds on it,
// those of the connections open to it included: another program would then
// take itself for the file's last user and fold the write-ahead log away
// under them. SQLite keeps a handle it closes open until its locks go.
// Opened immutable, the file is only read: no lock, no -wal or -shm file.
QByteArray header(const QString& path) {
    sqlite3* db = nullptr;
    QByteArray bytes(kHeaderSize, '\0');
    sqlite3_file* file = nullptr;
    const bool read =
        sqlite3_open_v2(fileUri(path, QStringLiteral("?immutable=1")).constData(), &db,
                        SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) == SQLITE_OK &&
        sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &file) == SQLITE_OK && file &&
        file->pMethods && file->pMethods->xRead(file, bytes.data(), kHeaderSize, 0) == SQLITE_OK;
    sqlite3_close(db);
    return read ? bytes : QByteArray();
}

// Bytes 18 and 19 of the header are 2 once the file has been put in WAL mode.
bool walMode(const QByteArray& header) {
    return header.size() == kHeaderSize && header[18] == 2 && header[19] == 2;
}

bool folderWritable(const QString& path) {
    return ::access(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), W_OK) == 0;
}

// A URI that opens the file for reading only. A file in WAL mode with no -wal
// file has no reader or writer now and everything in the file itself: read
// as immutable, SQLite makes no -wal or -shm file for it.
QString readingUri(const QString& path, bool wal) {
    const bool immutable = wal && !QFileInfo::exists(path + QStringLiteral("-wal"));
    return QString::fromUtf8(
        fileUri(path, immutable ? QStringLiteral("?immutable=1") : QStringLiteral("?mode=ro")));
}

// The names of the file's tables and views, lower case; on failure the reason in error.
QSet<QString> schemaNames(const QString& path, bool wal, QString* error) {
    QSet<QString> names;
    sqlite3* db = nullptr;
    const QByteArray uri = readingUri(path, wal).toUtf8();
    int rc = sqlite3_open_v2(uri.constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    sqlite3_stmt* stmt = nullptr;
    if (rc == SQLITE_OK)
        rc = sqlite3_prepare_v2(
            db, "select lower(name) from sqlite_master where type in ('table', 'view')", -1, &stmt,
            nullptr);
    while (rc == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW)
        names.insert(
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))));
    if (stmt && sqlite3_finalize(stmt) != SQLITE_OK) rc = SQLITE_ERROR;
    if (rc != SQLITE_OK) *error = QString::fromUtf8(db ? sqlite3_errmsg(db) : "out of memory");
    sqlite3_close(db);
    return names;
}

QStringList missingFrom(const QStringList& wanted, const QSet<QString>& names) {
    QStringList missing;
    for (const QString& name : wanted)
        if (!names.contains(name.toLower())) missing << name;
    return missing;
}

QString noneOf(const QString& kind, const QStringList& names) {
    return QStringLiteral("no %1%2 %3")
        .arg(kind, names.size() > 1 ? QStringLiteral("s") : QString(), names.join(u", "));
}

// "it has no tables a, b and no view c"
QString lacking(const QStringList& tables, const QStringList& views) {
    QStringList parts;
    if (!tables.isEmpty()) parts << noneOf(QStringLiteral("table"), tables);
    if (!views.isEmpty()) parts << noneOf(QStringLiteral("view"), views);
    return QStringLiteral("it has ") + parts.join(QStringLiteral(" and ")) + u'.';
}

// Why a file that exists is not a petty cash database; empty when it is one.
QString contentProblem(const QString& path) {
    const QFileInfo info(path);
    if (info.isDir()) return QStringLiteral("it is a folder.");
    if (info.size() == 0) return QStringLiteral("it is empty.");
    const QByteArray head = header(path);
    if (head.size() < kHeaderSize || !head.startsWith(kSqliteMagic))
        return QStringLiteral("it is not a database file.");
    QString error;
    const QSet<QString> names = schemaNames(path, walMode(head), &error);
    if (!error.isEmpty()) return QStringLiteral("it cannot be read as a database (%1).").arg(error);
    const QStringList tables = missingFrom(RequiredSqliteTables(), names);
    const QStringList views = missingFrom(RequiredSqliteViews(), names);
    return tables.isEmpty() && views.isEmpty() ? QString() : lacking(tables, views);
}

// The local components' tables as demo/sqlite/schema.sql makes them.
const char* const kLocalComponentTables[][2] = {
    {"aErrorLog",
     "CREATE TABLE IF NOT EXISTS aErrorLog (ErrorID INTEGER PRIMARY KEY AUTOINCREMENT, "
     "LoggedAt DATETEXT, FormName VARCHAR(50), UserName VARCHAR(50), ProcedureName VARCHAR(50), "
     "ErrorNumber INTEGER, ErrorSource VARCHAR(100), ErrorDescription VARCHAR(1000), "
     "ExtraText VARCHAR(100), StatementText TEXT)"},
    {"aUserTrail",
     "CREATE TABLE IF NOT EXISTS aUserTrail (TrailID INTEGER PRIMARY KEY AUTOINCREMENT, "
     "CompanyID INTEGER, UserID INTEGER, DepartmentID INTEGER, InterfaceID INTEGER, "
     "PaymentID INTEGER, VoucherNo VARCHAR(50), Action VARCHAR(1), LoggedTime DATETEXT, "
     "SavedTime DATETEXT, Details VARCHAR(250))"},
    {"aUserTrail",
     "CREATE INDEX IF NOT EXISTS ixUserTrailVoucher ON aUserTrail (CompanyID, PaymentID)"},
    {"aGridLayout",
     "CREATE TABLE IF NOT EXISTS aGridLayout (UserID INTEGER NOT NULL, CompanyID INTEGER NOT "
     "NULL, GridName VARCHAR(50) NOT NULL, ColumnIndex INTEGER NOT NULL, WidthTwips INTEGER NOT "
     "NULL, PRIMARY KEY (UserID, CompanyID, GridName, ColumnIndex))"},
};

// The unique indexes of the voucher header as demo/sqlite/schema.sql makes them;
// the id's is the primary key.
const char* const kVoucherUniqueIndexes[][2] = {
    {"uxPaymentNumber",
     "CREATE UNIQUE INDEX IF NOT EXISTS uxPaymentNumber ON aHqPettyCashPaymentHeader "
     "(phCompanyID, phFinancialID, phDepartmentID, phPaymentNo)"},
    {"uxPaymentReference",
     "CREATE UNIQUE INDEX IF NOT EXISTS uxPaymentReference ON aHqPettyCashPaymentHeader "
     "(phCompanyID, phReferenceno)"},
};

}  // namespace

const QStringList& RequiredSqliteTables() {
    static const QStringList tables = {
        QStringLiteral("aHqPettyCashPaymentHeader"),
        QStringLiteral("aHqPettyCashPaymentDetails"),
        QStringLiteral("aUsers"),
        QStringLiteral("auserrights"),
        QStringLiteral("asettings"),
        QStringLiteral("aAccountMaster"),
        QStringLiteral("aCurrencyMaster"),
        QStringLiteral("ExchangeRateDetail"),
        QStringLiteral("aDepartmentMaster"),
        QStringLiteral("aCompanyMaster"),
        QStringLiteral("MiscSettings"),
        QStringLiteral("AuserGroupDeptDetails"),
        QStringLiteral("aPrefix"),
        QStringLiteral("afinancialyear"),
        QStringLiteral("atables"),
        QStringLiteral("atablecolumns"),
        QStringLiteral("KRVjournalheader"),
        QStringLiteral("agroupmaster"),
        QStringLiteral("adepControlAccounts"),
        QStringLiteral("aCustomerMaster"),
        QStringLiteral("lousers"),
    };
    return tables;
}

const QStringList& RequiredSqliteViews() {
    static const QStringList views = {QStringLiteral("vwnoncontrolaccounts")};
    return views;
}

QString PettyCashFileProblem(const QString& path) {
    if (!QFileInfo::exists(path))
        return QStringLiteral("The database file \"%1\" does not exist.").arg(path);
    if (::access(QFile::encodeName(path).constData(), R_OK) != 0)
        return QStringLiteral("The database file \"%1\" cannot be read.").arg(path);
    const QString problem = contentProblem(path);
    if (problem.isEmpty()) return QString();
    return QStringLiteral("The file \"%1\" is not a petty cash database: %2").arg(path, problem);
}

bool SqliteFileWritable(const QString& path) {
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0 && folderWritable(path);
}

QString SqliteReadOnlyName(const QString& path, bool* uri) {
    *uri = walMode(header(path)) && !QFileInfo::exists(path + QStringLiteral("-wal")) &&
           !folderWritable(path);
    return *uri ? readingUri(path, true) : path;
}

void CreateLocalComponentTables(QSqlDatabase& db, const QString& source) {
    const QStringList existing = db.tables();
    for (const auto& [table, sql] : kLocalComponentTables) {
        if (existing.contains(QLatin1String(table), Qt::CaseInsensitive)) continue;
        QSqlQuery q(db);
        if (!q.exec(QLatin1String(sql))) raise(kErrDbCommand, source, q.lastError().text());
    }
}

QStringList CreateVoucherUniqueIndexes(QSqlDatabase& db) {
    QStringList clashing;
    if (!db.tables().contains(QStringLiteral("aHqPettyCashPaymentHeader"), Qt::CaseInsensitive))
        return clashing;
    for (const auto& [name, sql] : kVoucherUniqueIndexes) {
        QSqlQuery q(db);
        if (q.exec(QLatin1String(sql))) continue;
        clashing << QLatin1String(name);
        qCWarning(lcDatabaseFile).noquote()
            << "index" << name << "not made, stored vouchers clash:" << q.lastError().text();
    }
    return clashing;
}

}  // namespace pcp
