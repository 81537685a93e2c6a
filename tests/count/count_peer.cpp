// Another workstation for the cash count's tests: a process of its own, with
// its own connection, doing what a clerk there does through the module's
// own saves.
//
//   pcp_count_peer CONNECTION pay ACCOUNT AMOUNT   saves a voucher; prints its number
//   pcp_count_peer CONNECTION cancel ID NUMBER     cancels a voucher
//   pcp_count_peer CONNECTION count ACCOUNT GO     reads the count, prints "ready",
//                                                  saves once the file GO exists
//
// A count saved prints "saved CNT/...", a refusal "refused: <message>".
// Exits non-zero when the database fails.

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <cstdio>

#include "data/AdoConnection.h"
#include "data/ModuleError.h"
#include "store/CashCount.h"
#include "store/VoucherState.h"
#include "store/VoucherStore.h"
#include "suite/BasModule.h"

using namespace pcp;
using namespace pcp::BasModule;

namespace {

const QDate kProcessDate(2026, 11, 20);

// The administrator of company 1, as the register sets him up.
void SetContext(AdoConnection* connection) {
    GAdoCon.set(connection);
    GIntCompanyID = 1;
    GIntUserID = 1;
    GIntFinancialID = 2;
    GStrUserName = QStringLiteral("admin");
    GDtProcessDate = QDateTime(kProcessDate, QTime(0, 0), Qt::UTC);
    OpenSharedComponents(QDateTime(kProcessDate, QTime(9, 0), Qt::UTC));
}

int Pay(qint32 account, const QString& amount) {
    VoucherDraft d;
    d.departmentId = 2;
    d.accountId = account;
    d.paymentDate = kProcessDate;
    d.payee = QStringLiteral("Metro Fuel");
    d.remarks = QStringLiteral("Paid at another workstation");
    d.exRate = d.depExRate = d.comExRate = Decimal(1);
    d.userName = GStrUserName;
    d.lines = {
        {202, QStringLiteral("Fuel"), Decimal::parse(amount).value_or(Decimal()), Decimal(1)}};
    const Outcome<SavedVoucher> saved = VoucherStore::SaveVoucher(d);
    if (!saved.done()) {
        std::printf("refused: %s\n", qPrintable(saved.refusal().message));
        return 0;
    }
    std::printf("%s\n", qPrintable(saved.value().paymentNo));
    return 0;
}

int Cancel(const QString& id, const QString& number) {
    const Outcome<QStringList> cancelled =
        VoucherState::CancelWithReason(id, number, QStringLiteral("Paid twice"));
    std::printf("%s\n", cancelled.done() ? "cancelled"
                                         : qPrintable("refused: " + cancelled.refusal().message));
    return 0;
}

// One note of a thousand counted, explained, and saved at the signal.
int Count(qint32 account, const QString& go) {
    CashCount::CountDraft draft;
    draft.accountId = account;
    draft.date = kProcessDate;
    draft.seen = CashCount::ReadCountState(account);
    draft.pieces = {{Decimal(1000), 1}};
    draft.explanation = QStringLiteral("Counted by process %1").arg(QApplication::applicationPid());
    std::printf("ready\n");
    std::fflush(stdout);
    QElapsedTimer waited;
    waited.start();
    while (!QFile::exists(go) && waited.elapsed() < 30000) QThread::usleep(200);
    const Outcome<CashCount::SavedCount> saved = CashCount::SaveCount(draft);
    if (saved.done())
        std::printf("saved %s\n", qPrintable(saved.value().countNo));
    else
        std::printf("refused: %s\n", qPrintable(saved.refusal().message));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5) {
        std::fprintf(stderr, "usage: pcp_count_peer CONNECTION pay|cancel|count ARG ARG\n");
        return 2;
    }
    try {
        AdoConnection connection;
        connection.Open(args[1]);
        connection.UsualWaitLimit();  // wait for the other workstation's transaction
        SetContext(&connection);
        const QString& what = args[2];
        const int status = what == u"pay"      ? Pay(args[3].toInt(), args[4])
                           : what == u"cancel" ? Cancel(args[3], args[4])
                                               : Count(args[3].toInt(), args[4]);
        ResetContext();
        return status;
    } catch (const ModuleError& e) {
        std::fprintf(stderr, "database: %s (%s)\n", qPrintable(e.description()),
                     qPrintable(e.statement()));
        return 1;
    }
}
