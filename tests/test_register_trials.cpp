// The register as clerks and hostile data met it: rights of one user never
// reach the next, stored text is shown as written, keyboard moves look like
// clicks.

#include <QApplication>
#include <QHelpEvent>
#include <QTest>
#include <QToolTip>

#include "core/suite/clsIncident.h"
#include "core/ui/FlexGrid.h"
#include "support/RegisterFixture.h"

using namespace pcp;
using namespace pcp::test;
using namespace pcp::BasModule;

namespace {

constexpr quint32 kRed = 0x0000FFu;
constexpr quint32 kCyan = 0xFFFF00u;

}  // namespace

class RegisterTrials : public RegisterTest {
  protected:
    int cancelledRowWithOpenRowAbove() {
        for (int r = grid()->rows() - 1; r >= 2; --r)
            if (grid()->textMatrix(r, 5) == "Yes" && grid()->textMatrix(r - 1, 5) == "No") return r;
        return 0;
    }
    void key(Qt::Key k) {
        QTest::keyClick(grid(), k);
        QApplication::processEvents();
    }
};

TEST_F(RegisterTrials, AUserHoldsOnlyTheirOwnRights) {
    FrmMaster* w = open(1);  // admin: New, Edit, Delete
    EXPECT_TRUE(w->cmdNew->isEnabled());
    reopen(3);  // the auditor has no rights row
    EXPECT_TRUE(GStrFunctionRights.isEmpty());
    EXPECT_FALSE(window_->cmdNew->isEnabled());
    EXPECT_FALSE(window_->CmdEdit->isEnabled());
    EXPECT_FALSE(window_->CmdDelete->isEnabled());
}

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
    const int cancelled = cancelledRowWithOpenRowAbove();
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
