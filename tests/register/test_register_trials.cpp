// The register as clerks and hostile data met it: stored text is shown as
// written, keyboard moves look like clicks.

#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <QToolTip>

#include "suite/clsIncident.h"
#include "tests/support/RegisterFixture.h"
#include "ui/FlexGrid.h"

using namespace pcp;
using namespace pcp::test;
using namespace pcp::BasModule;

namespace {

constexpr quint32 kRed = 0x0000FFu;
constexpr quint32 kCyan = 0xFFFF00u;

}  // namespace

class RegisterTrials : public RegisterTest {
  protected:
    void key(Qt::Key k) {
        QTest::keyClick(grid(), k);
        QApplication::processEvents();
    }
};

TEST_F(RegisterTrials, StoredMarkupShowsAsWrittenInTheToolTip) {
    const QString payee = "<h1 style=\"color:red\">PAY ME NOW</h1><img src=\"/tmp/x.png\">";
    exec("update aHqPettyCashPaymentHeader set phPayee='" + QString(payee).replace("'", "''") +
         "' where phPaymentID=(select max(phPaymentID) from aHqPettyCashPaymentHeader where "
         "phCompanyID=1) and phCompanyID=1");
    open();
    const int last = grid()->rows() - 1;
    ASSERT_EQ(grid()->textMatrix(last, 3), payee);
    grid()->syncView();
    const QRect cell = grid()->visualRect(grid()->model()->index(last - 1, 3));
    QTest::mouseMove(grid()->viewport(), cell.center());
    QHelpEvent help(QEvent::ToolTip, cell.center(), grid()->viewport()->mapToGlobal(cell.center()));
    QApplication::sendEvent(grid()->viewport(), &help);
    ASSERT_TRUE(QToolTip::isVisible());
    EXPECT_TRUE(QToolTip::text().contains("&lt;h1")) << QToolTip::text().toStdString();
    EXPECT_FALSE(QToolTip::text().contains("<img"));
    QToolTip::hideText();
}

TEST_F(RegisterTrials, KeyboardMovesColourTheSelectionAsClicksDo) {
    open();
    // The arrows move from the newest row as soon as the register opens,
    // though its current cell is the hidden key's.
    grid()->setFocus();
    key(Qt::Key_Up);
    EXPECT_EQ(grid()->row(), grid()->rows() - 2);
    int cancelled = 0;  // a cancelled row below an open one
    for (int r = grid()->rows() - 1; r >= 2 && !cancelled; --r)
        if (grid()->textMatrix(r, 5) == "Yes" && grid()->textMatrix(r - 1, 5) == "No")
            cancelled = r;
    ASSERT_GT(cancelled, 0);
    clickRow(cancelled);
    EXPECT_EQ(grid()->foreColorSel(), kRed);
    clickRow(cancelled - 1);
    EXPECT_EQ(grid()->foreColorSel(), kColorHighlightText);
    grid()->setFocus();
    key(Qt::Key_Down);  // onto the cancelled row: it stays red
    EXPECT_EQ(grid()->row(), cancelled);
    EXPECT_EQ(grid()->foreColorSel(), kRed);
    key(Qt::Key_Up);
    EXPECT_EQ(grid()->foreColorSel(), kColorHighlightText);
    for (const Qt::Key k : {Qt::Key_PageDown, Qt::Key_Home, Qt::Key_PageUp, Qt::Key_End}) {
        key(k);
        EXPECT_EQ(grid()->rowSel(), grid()->row()) << k;
        EXPECT_NE(grid()->foreColorSel(), kCyan) << k;
        EXPECT_EQ(grid()->foreColorSel(),
                  grid()->textMatrix(grid()->row(), 5) == "Yes" ? kRed : kColorHighlightText)
            << k;
    }
}

TEST_F(RegisterTrials, ACompanyWithoutSettingsOpensWithoutAnError) {
    MessageScript messages;  // none expected: a missing row reads as 0
    FrmMaster* w = open(1, 0, 32767);
    EXPECT_EQ(w->windowTitle(), "Petty Cash Payments");
    EXPECT_EQ(grid()->textMatrix(0, 1), "PaymentNo");  // the load ran to its end
    EXPECT_TRUE(grid()->textMatrix(1, 0).isEmpty());
    EXPECT_TRUE(clsIncident::recorded().isEmpty());
}

namespace {

// Drags the right border of a column by `pixels`, a few pixels at a time,
// as a mouse does.
void dragColumnBorder(FlexGrid* g, int col, int pixels) {
    QHeaderView* header = g->horizontalHeader();
    QWidget* vp = header->viewport();
    const int y = header->height() / 2;
    QPoint at(header->sectionViewportPosition(col) + header->sectionSize(col) - 1, y);
    auto send = [&](QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent e(type, at, vp->mapToGlobal(at), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(vp, &e);
    };
    send(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
    for (int moved = 0; moved < pixels; moved += 3) {
        at.rx() += 3;
        send(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton);
    }
    send(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton);
    QApplication::processEvents();
}

}  // namespace

TEST_F(RegisterTrials, ADraggedColumnIsStoredOnceAndNeverWaitsOnAnotherWorkstation) {
    open();
    grid()->syncView();
    const auto widthSql = [](int col) {
        return "select WidthTwips from aGridLayout where UserID=1 and CompanyID=1 and "
               "GridName='flexMaster' and ColumnIndex=" +
               QString::number(col);
    };
    con()->log().clear();
    dragColumnBorder(grid(), 3, 60);
    EXPECT_EQ(con()->log().texts().filter("delete from aGridLayout").size(), 1);
    EXPECT_EQ(scalar(widthSql(3)).toInt(), grid()->colWidth(3));

    // Another workstation holds the write lock: the drag neither waits out the
    // usual ten seconds nor tells the user; the width waits for a later write.
    MessageScript messages;  // none expected
    AdoConnection other;
    other.Open(connectionString());
    other.BeginTrans();
    con()->log().clear();
    dragColumnBorder(grid(), 1, 30);
    EXPECT_TRUE(con()->log().texts().contains(OnPostgres() ? "SET lock_timeout = 200"
                                                           : "PRAGMA busy_timeout=200"));
    EXPECT_FALSE(scalar(widthSql(1)).isValid());
    other.RollbackTrans();

    dragColumnBorder(grid(), 2, 30);  // the next write takes the waiting width along
    EXPECT_EQ(scalar(widthSql(1)).toInt(), grid()->colWidth(1));
    EXPECT_EQ(scalar(widthSql(2)).toInt(), grid()->colWidth(2));
}

TEST_F(RegisterTrials, TheNewestRowStaysInViewWhenRememberedWidthsBringAScrollBar) {
    exec(
        "insert into aGridLayout (UserID,CompanyID,GridName,ColumnIndex,WidthTwips) values "
        "(1,1,'flexMaster',3,9000), (1,1,'flexMaster',4,5000)");
    open();
    QApplication::processEvents();
    ASSERT_TRUE(grid()->horizontalScrollBar()->isVisible());
    const int r = grid()->row() - grid()->fixedRows();
    EXPECT_EQ(grid()->row(), grid()->rows() - 1);
    EXPECT_GE(grid()->rowViewportPosition(r), 0);
    EXPECT_LE(grid()->rowViewportPosition(r) + grid()->rowHeight(r), grid()->viewport()->height());
}
