#include "BenchSupport.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <cstdio>

#include "core/AdoConnection.h"
#include "core/BasModule.h"
#include "core/ComRegistry.h"
#include "db/DemoDatabase.h"

namespace pcp::bench {

using namespace BasModule;

bool WriteBulkDatabase(const QString& path, int count, bool allInWindow) {
    QString error;
    if (!demo::CreateDemoDatabase(path, kProcessDate, &error)) return false;
    bool ok = false;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench-writer"));
        db.setDatabaseName(path);
        ok = db.open();
        QSqlQuery q(db);
        ok = ok && q.exec(QStringLiteral("delete from aHqPettyCashPaymentHeader")) &&
             q.exec(QStringLiteral("delete from aHqPettyCashPaymentDetails"));
        if (allInWindow)
            ok = ok && q.exec(QStringLiteral(
                           "update asettings set noofpreviousdays=1000 where companyid=1"));
        ok = ok && demo::AddBulkVouchers(db, 1, count, kProcessDate, &error);
        ok = ok && q.exec(QStringLiteral("analyze"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench-writer"));
    if (!ok) std::fprintf(stderr, "bench: %s\n", qPrintable(error));
    return ok;
}

void SetAdministratorContext(AdoConnection* connection, qint16 department) {
    ResetContext();
    GAdoCon.set(connection);
    GIntCompanyID = 1;
    GIntUserID = 1;
    GIntDepartmentID = department;
    GIntFinancialID = 2;
    GIntInterfaceID = kInterfaceId;
    GStrUserName = QStringLiteral("admin");
    GDtProcessDate = QDateTime(kProcessDate, QTime(0, 0), Qt::UTC);
    GObjVault = CreateObject(QStringLiteral("Kestrel.clsVault"));
    GObjVault.set("adocon", ObjectArg(connection));
    GObjTrail = CreateObject(QStringLiteral("Osprey.clsTrail"));
    GObjTrail.call("OpenObject", {ObjectArg(connection), 1, 1, int(department), int(kInterfaceId),
                                  QDateTime(kProcessDate, QTime(9, 0), Qt::UTC)});
}

}  // namespace pcp::bench
