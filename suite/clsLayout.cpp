#include "suite/clsLayout.h"

#include <QLoggingCategory>
#include <QPointer>
#include <QTimer>
#include <map>

#include "data/AdoConnection.h"
#include "data/AdoRecordset.h"
#include "data/ModuleError.h"
#include "data/SqlText.h"
#include "data/Values.h"
#include "suite/ComRegistry.h"
#include "ui/FlexGrid.h"

Q_LOGGING_CATEGORY(lcLayout, "pettycash.layout")

namespace pcp {

namespace {

// How long a width write may wait for another workstation's lock, and how
// soon a width that could not be stored is tried again.
constexpr int kWriteWaitMs = 200;
constexpr int kRetryMs = 5000;

// Stores the widths a user gives a grid's columns, once each drag ends. A
// write never holds up the window: it waits a moment at most for another
// workstation's lock, and what it could not store is tried again later.
class LayoutWriter : public QObject {
  public:
    LayoutWriter(FlexGrid* grid, AdoConnection* con, int userId, int companyId)
        : QObject(grid),
          connection_(con),
          userId_(userId),
          companyId_(companyId),
          gridName_(grid->objectName()) {
        setObjectName(QStringLiteral("pcpLayoutWriter"));
        retry_.setSingleShot(true);
        retry_.setInterval(kRetryMs);
        connect(&retry_, &QTimer::timeout, this, [this] { storePending(); });
        connect(grid, &FlexGrid::columnResizedByUser, this, [this](int col, int twips) {
            if (col == 0) return;  // the hidden key column stays hidden
            pending_[col] = twips;
            storePending();
        });
    }
    ~LayoutWriter() override { storePending(); }  // a last try as the grid closes

  private:
    void storePending() {
        // A read-only database keeps no preferences: the widths last the session.
        if (pending_.empty() || !connection_ || !connection_->isOpen() || connection_->ReadOnly())
            return;
        if (connection_->InTransaction()) return retry_.start();  // never inside another's work
        try {
            connection_->SetWaitLimit(kWriteWaitMs);
            TransactionScope transaction(connection_);
            for (const auto& [col, twips] : pending_) storeWidth(col, twips);
            transaction.Commit();
            pending_.clear();
        } catch (const std::exception& e) {
            qCInfo(lcLayout) << "widths of" << gridName_ << "kept for later:" << e.what();
            retry_.start();  // locked now: a preference can wait
        }
        try {
            connection_->UsualWaitLimit();
        } catch (const std::exception&) {
        }
    }

    void storeWidth(int col, int twips) {
        const QString key =
            QStringLiteral(" where UserID=%1 and CompanyID=%2 and GridName=%3 and ColumnIndex=%4")
                .arg(userId_)
                .arg(companyId_)
                .arg(SqlQuote(gridName_))
                .arg(col);
        connection_->Execute(QStringLiteral("delete from aGridLayout") + key);
        connection_->Execute(
            QStringLiteral(
                "insert into aGridLayout (UserID,CompanyID,GridName,ColumnIndex,WidthTwips) "
                "values (%1,%2,%3,%4,%5)")
                .arg(userId_)
                .arg(companyId_)
                .arg(SqlQuote(gridName_))
                .arg(col)
                .arg(twips));
    }

    QPointer<AdoConnection> connection_;
    int userId_, companyId_;
    QString gridName_;
    std::map<int, int> pending_;  // column -> twips
    QTimer retry_;
};

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
    if (flex &&
        !flex->findChild<QObject*>(QStringLiteral("pcpLayoutWriter"), Qt::FindDirectChildrenOnly))
        new LayoutWriter(flex, con, userId, companyId);
    return applied;
}

}  // namespace pcp
