#include "bench/BenchSupport.h"

#include <QApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include <benchmark/benchmark.h>

#include "data/AdoConnection.h"
#include "demo/DemoDatabase.h"
#include "suite/BasModule.h"
#include "suite/ComRegistry.h"

namespace pcp::bench {

using namespace BasModule;

QString ServerFolder() {
    return qEnvironmentVariable("PCP_BENCH_SERVER");
}

namespace {

const QString kWriter = QStringLiteral("bench-writer");

QString ServerConnectionString(const QString& database) {
    return QStringLiteral(
               "Driver={PostgreSQL Unicode};Servername=%1;Port=5432;Database=%2;Username=postgres;")
        .arg(ServerFolder(), database);
}

bool Exec(QSqlDatabase& db, const QString& sql, QString* error) {
    QSqlQuery q(db);
    if (q.exec(sql)) return true;
    *error = q.lastError().text() + QStringLiteral(" in: ") + sql;
    return false;
}

// Runs work on a connection of its own to the database, closed afterwards.
bool WithDatabase(const QString& driver, const QString& database,
                  const std::function<bool(QSqlDatabase&)>& work, QString* error) {
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(driver, kWriter);
        db.setDatabaseName(database);
        ok = db.open();
        if (!ok) *error = db.lastError().text();
        ok = ok && work(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(kWriter);
    return ok;
}

// The demo's vouchers give way to `count` bulk ones, and the planner learns
// the new sizes.
bool ReplaceVouchers(QSqlDatabase& db, int count, bool allInWindow, const demo::BulkLines& lines,
                     QString* error) {
    // The bulk vouchers are far beyond any box's float: the accounts keep none.
    return Exec(db, QStringLiteral("delete from aHqPettyCashPaymentDetails"), error) &&
           Exec(db, QStringLiteral("delete from aHqPettyCashPaymentHeader"), error) &&
           Exec(db, QStringLiteral("delete from aPCFloat"), error) &&
           (!allInWindow ||
            Exec(db, QStringLiteral("update asettings set noofpreviousdays=1000 where companyid=1"),
                 error)) &&
           demo::AddBulkVouchers(db, 1, count, kProcessDate, error, lines) &&
           Exec(db, QStringLiteral("analyze"), error);
}

bool WriteFile(const QString& path, int count, bool allInWindow, const demo::BulkLines& lines,
               QString* error) {
    return demo::CreateDemoDatabase(path, kProcessDate, error) &&
           WithDatabase(
               QStringLiteral("QSQLITE"), path,
               [&](QSqlDatabase& db) {
                   return ReplaceVouchers(db, count, allInWindow, lines, error);
               },
               error);
}

// A database is created from the server's own, outside any transaction.
bool WriteServerDatabase(const QString& name, int count, bool allInWindow,
                         const demo::BulkLines& lines, QString* error) {
    const QString odbc = QStringLiteral("QODBC");
    return WithDatabase(
               odbc, ServerConnectionString(QStringLiteral("postgres")),
               [&](QSqlDatabase& db) {
                   return Exec(db,
                               QStringLiteral("drop database if exists %1 with (force)").arg(name),
                               error) &&
                          Exec(db, QStringLiteral("create database %1").arg(name), error);
               },
               error) &&
           WithDatabase(
               odbc, ServerConnectionString(name),
               [&](QSqlDatabase& db) {
                   return demo::CreatePostgresDemo(db, kProcessDate, error) &&
                          ReplaceVouchers(db, count, allInWindow, lines, error);
               },
               error);
}

bool Reported(bool ok, const QString& error) {
    if (!ok) std::fprintf(stderr, "bench: %s\n", qPrintable(error));
    return ok;
}

}  // namespace

bool WriteBulkDatabase(const QString& path, int count, bool allInWindow) {
    QString error;
    return Reported(WriteFile(path, count, allInWindow, {}, &error), error);
}

std::unique_ptr<AdoConnection> OpenBulkDatabase(const QString& name, int count, bool allInWindow,
                                                const demo::BulkLines& lines) {
    static QTemporaryDir dir;
    QString error, connectionString;
    bool made = false;
    if (ServerFolder().isEmpty()) {
        const QString path = dir.filePath(name + QStringLiteral(".db"));
        made = WriteFile(path, count, allInWindow, lines, &error);
        connectionString = QStringLiteral("Provider=SQLite;Data Source=") + path;
    } else {
        made = WriteServerDatabase(name, count, allInWindow, lines, &error);
        connectionString = ServerConnectionString(name);
    }
    if (!Reported(made, error)) std::abort();
    auto connection = std::make_unique<AdoConnection>();
    connection->Open(connectionString);
    return connection;
}

void SetAdministratorContext(AdoConnection* connection, qint16 department) {
    ResetContext();
    GAdoCon.set(connection);
    GIntCompanyID = 1;
    GIntUserID = 1;
    GIntDepartmentID = department;
    GIntFinancialID = 2;
    GStrUserName = QStringLiteral("admin");
    GDtProcessDate = QDateTime(kProcessDate, QTime(0, 0), Qt::UTC);
    OpenSharedComponents(QDateTime(kProcessDate, QTime(9, 0), Qt::UTC));
}

int RunBenchmarks(int argc, char** argv, const std::function<void()>& release) {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    BasModule::ResetContext();
    release();
    return 0;
}

}  // namespace pcp::bench
