// Saves vouchers into a database through the voucher window's own save, so
// that several of these running at once show whether numbering holds up
// between workstations (scripts/concurrency runs two).
//
//   pcp_save_vouchers [--second-connection] DATABASE COUNT
//   pcp_save_vouchers --create-demo DATABASE   writes a demo database first
//
// DATABASE is a SQLite file or an ODBC connection string (a server's).
//
// With --second-connection a second connection to the database is opened and
// closed between saves, as a Preview opens the report's own: the saves must
// reach the file all the same.
//
// Each voucher gets its reference, number and id, header, two lines and an
// audit record in one transaction, renumbered when it meets a clash. Prints
// "saved N, failed M" and exits non-zero when any failed.

#include <QApplication>
#include <QDate>
#include <cstdio>

#include "bench/BenchSupport.h"
#include "data/AdoConnection.h"
#include "data/ModuleError.h"
#include "demo/DemoDatabase.h"
#include "store/VoucherStore.h"
#include "suite/BasModule.h"
#include "suite/ComRegistry.h"

using namespace pcp;
using namespace pcp::BasModule;
using pcp::bench::kProcessDate;

namespace {

// The context of the administrator of company 1, for all departments.
void SetContext(AdoConnection* connection) {
    bench::SetAdministratorContext(connection, 0);
}

// The i-th voucher: departments and cash accounts taken in turn.
VoucherDraft VoucherNumber(int i) {
    VoucherDraft d;
    d.departmentId = 1 + i % 3;
    d.accountId = 101 + i % 4;
    d.paymentDate = kProcessDate;
    d.payee = QStringLiteral("Concurrent payee %1").arg(i);
    d.remarks = QStringLiteral("Saved by process %1").arg(QCoreApplication::applicationPid());
    d.exRate = d.depExRate = d.comExRate = Decimal(1);
    d.userName = GStrUserName;
    d.lines = {{201, QStringLiteral("Pens"), Decimal(10), Decimal(1)},
               {202, QStringLiteral("Taxi"), Decimal(20), Decimal(1)}};
    return d;
}

// Another connection to the file in this process, opened and closed again.
void OpenAndCloseAnother(const QString& connectionString) {
    AdoConnection other;
    other.Open(connectionString);
    other.Close();
}

// The voucher window's own save: numbered, written and audited in one
// transaction, renumbered when it meets a clash.
bool SaveOne(int i) {
    try {
        const Outcome<SavedVoucher> saved = VoucherStore::SaveVoucher(VoucherNumber(i));
        if (saved.done()) return true;
        std::fprintf(stderr, "voucher %d: %s\n", i, qPrintable(saved.refusal().message));
    } catch (const ModuleError& e) {
        std::fprintf(stderr, "voucher %d: %s\n", i, qPrintable(e.description()));
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--create-demo") == 0) {
        QString error;
        if (demo::CreateDemoDatabase(QString::fromLocal8Bit(argv[2]), kProcessDate, &error))
            return 0;
        std::fprintf(stderr, "demo database not made: %s\n", qPrintable(error));
        return 1;
    }
    const bool secondConnection = argc == 4 && qstrcmp(argv[1], "--second-connection") == 0;
    if (argc != 3 && !secondConnection) {
        std::fprintf(stderr, "usage: pcp_save_vouchers [--second-connection] DATABASE COUNT\n");
        return 2;
    }
    const QString database = QString::fromLocal8Bit(argv[argc - 2]);
    const QString source = database.contains(u'=')
                               ? database
                               : QStringLiteral("Provider=SQLite;Data Source=") + database;
    int saved = 0, failed = 0;
    try {
        AdoConnection connection;
        connection.Open(source);
        connection.log().setEnabled(false);
        connection.UsualWaitLimit();  // wait for the other process's transaction
        SetContext(&connection);
        for (int i = 0; i < std::atoi(argv[argc - 1]); ++i) {
            (SaveOne(i) ? saved : failed)++;
            if (secondConnection) OpenAndCloseAnother(source);
        }
        ResetContext();
    } catch (const ModuleError& e) {
        std::fprintf(stderr, "database: %s (%s)\n", qPrintable(e.description()),
                     qPrintable(e.statement()));
        return 1;
    }
    std::printf("saved %d, failed %d\n", saved, failed);
    return failed == 0 ? 0 : 1;
}
