#include "clsLayout.h"

#include <QLoggingCategory>
#include <QPointer>

#include "../AdoConnection.h"
#include "../AdoRecordset.h"
#include "../ComRegistry.h"
#include "../ModuleError.h"
#include "../SqlText.h"
#include "../Values.h"
#include "../ui/FlexGrid.h"

Q_LOGGING_CATEGORY(lcLayout, "pettycash.layout")

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

void applyStoredWidths(AdoConnection* con, int userId, int companyId, QObject* grid,
                       const QString& gridName) {
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
}

}  // namespace

// Widths are only a preference: a database that cannot give or keep them
// (read-only, or without the layout table) leaves the grid as the window made
// it, and the failure goes to the log.
bool clsLayout::fnLayoutPrefs(int userId, int companyId, QObject* grid, QObject* connection, bool) {
    auto* con = qobject_cast<AdoConnection*>(connection);
    if (!grid || !con)
        raise(kErrObjectRequired, QStringLiteral("Plover.clsLayout"),
              QStringLiteral("Object required"));
    const QString gridName = grid->objectName();
    bool applied = true;
    try {
        applyStoredWidths(con, userId, companyId, grid, gridName);
    } catch (const std::exception& e) {
        qCWarning(lcLayout) << "stored widths of" << gridName << "not read:" << e.what();
        applied = false;
    }

    auto* flex = qobject_cast<FlexGrid*>(grid);
    if (flex && !flex->property("pcpLayoutStored").toBool()) {
        flex->setProperty("pcpLayoutStored", true);
        QPointer<AdoConnection> guarded(con);
        QObject::connect(flex, &FlexGrid::columnResizedByUser, flex,
                         [guarded, userId, companyId, gridName](int col, int twips) {
                             if (!guarded || !guarded->isOpen() || col == 0) return;
                             try {
                                 storeWidth(guarded, userId, companyId, gridName, col, twips);
                             } catch (const std::exception& e) {
                                 qCWarning(lcLayout) << "width of" << gridName << "column" << col
                                                     << "not stored:" << e.what();
                             }
                         });
    }
    return applied;
}

}  // namespace pcp
