#include "clsLayout.h"

#include <QPointer>

#include "../AdoConnection.h"
#include "../AdoRecordset.h"
#include "../ComRegistry.h"
#include "../ModuleError.h"
#include "../SqlText.h"
#include "../Values.h"
#include "../ui/FlexGrid.h"

namespace pcp {

namespace {

void storeWidth(AdoConnection* con, int userId, int companyId, const QString& gridName, int col,
                int twips) {
    const QString key =
        QStringLiteral(" where UserID=%1 and CompanyID=%2 and GridName=%3 and ColumnIndex=%4")
            .arg(userId)
            .arg(companyId)
            .arg(SqlQuote(gridName))
            .arg(col);
    con->Execute(QStringLiteral("delete from aGridLayout") + key);
    con->Execute(
        QStringLiteral("insert into aGridLayout (UserID,CompanyID,GridName,ColumnIndex,WidthTwips) "
                       "values (%1,%2,%3,%4,%5)")
            .arg(userId)
            .arg(companyId)
            .arg(SqlQuote(gridName))
            .arg(col)
            .arg(twips));
}

}  // namespace

bool clsLayout::fnLayoutPrefs(int userId, int companyId, QObject* grid, QObject* connection, bool) {
    auto* con = qobject_cast<AdoConnection*>(connection);
    if (!grid || !con)
        raise(kErrObjectRequired, QStringLiteral("Plover.clsLayout"),
              QStringLiteral("Object required"));
    const QString gridName = grid->objectName();
    const int cols = GetByName(grid, "Cols").toInt();

    AdoRecordset rs;
    rs.Open(QStringLiteral(
                "select ColumnIndex, WidthTwips from aGridLayout where UserID=%1 and CompanyID=%2 "
                "and GridName=%3 order by ColumnIndex")
                .arg(userId)
                .arg(companyId)
                .arg(SqlQuote(gridName)),
            con, adOpenForwardOnly, adLockReadOnly);
    while (!rs.Eof()) {
        const int col = CInt(rs.Fields(0));
        // The hidden key column stays hidden whatever was stored.
        if (col > 0 && col < cols) CallByName(grid, "setColWidth", {col, CLng(rs.Fields(1))});
        rs.MoveNext();
    }
    rs.Close();

    auto* flex = qobject_cast<FlexGrid*>(grid);
    if (flex && !flex->property("pcpLayoutStored").toBool()) {
        flex->setProperty("pcpLayoutStored", true);
        QPointer<AdoConnection> guarded(con);
        QObject::connect(flex, &FlexGrid::columnResizedByUser, flex,
                         [guarded, userId, companyId, gridName](int col, int twips) {
                             if (!guarded || !guarded->isOpen() || col == 0) return;
                             try {
                                 storeWidth(guarded, userId, companyId, gridName, col, twips);
                             } catch (const std::exception&) {
                                 // A width that cannot be stored is only a preference.
                             }
                         });
    }
    return true;
}

}  // namespace pcp
