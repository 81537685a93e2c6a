// The voucher window and the line dialog as a clerk keys vouchers: from the
// register, by keyboard, with the lines list, its totals and its menu, the
// close question, and Edit of stored vouchers.

#include <QApplication>
#include <QDateEdit>
#include <QHelpEvent>
#include <QLabel>
#include <QToolButton>

#include "core/ui/FlexGrid.h"
#include "support/VoucherFixture.h"

using namespace pcp;
using namespace pcp::test;
using namespace pcp::BasModule;

namespace {

// A key to the widget with the focus, as the keyboard sends it.
void key(QWidget* w, Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
    if (!w) {
        ADD_FAILURE() << "no widget has the focus for key " << k;
        return;
    }
    QTest::keyClick(w, k, m);
    QApplication::processEvents();
}

void type(QWidget* w, const QString& text) {
    if (!w) {
        ADD_FAILURE() << "no widget has the focus to type " << text.toStdString();
        return;
    }
    QTest::keyClicks(w, text);
}

QWidget* focused() {
    return QApplication::focusWidget();
}

}  // namespace

class VoucherEntry : public VoucherTest {
  protected:
    int vouchers() { return scalar("select count(*) from aHqPettyCashPaymentHeader").toInt(); }
    // A voucher of the demo whose row in the register reads cancelled / posted.
    int rowWhere(int column, const QString& text) {
        for (int r = grid()->rows() - 1; r >= 1; --r)
            if (grid()->textMatrix(r, column) == text && grid()->textMatrix(r, 5) == "No" ||
                (column == 5 && grid()->textMatrix(r, 5) == text))
                return r;
        return 0;
    }
};

TEST_F(VoucherEntry, AVoucherKeyedEntirelyFromTheKeyboard) {
    open(1, 2);  // the administrator working for Operations
    const int before = vouchers();
    modal.expect("frmpayments", [&](QDialog* d) {
        auto& form = *static_cast<frmpayments*>(d);
        EXPECT_EQ(focused(), form.txtPayee);
        EXPECT_EQ(form.cboDepartment->currentText(), "Operations");
        EXPECT_FALSE(form.cboDepartment->isEnabled());
        EXPECT_EQ(form.dtpDate->date(), kProcessDate);
        type(focused(), "City Taxi Service");
        key(focused(), Qt::Key_Return);
        EXPECT_EQ(focused(), form.cboAccName);
        type(focused(), "Pet");  // finds the entry by its first letters
        EXPECT_EQ(form.cboAccName->currentText(), "Petty Cash - Head Office");
        key(focused(), Qt::Key_Return);
        EXPECT_EQ(focused(), form.txtRemarks);
        type(focused(), "Airport run for the auditors");
        key(focused(), Qt::Key_Return);
        EXPECT_EQ(focused(), form.lvwAccounts);
        inLineDialog([&](frmDebitEntry& dialog) {
            EXPECT_FALSE(dialog.cmdFirst->isEnabled());  // no lines yet
            for (const auto& [account, text, amount] :
                 {std::tuple{"Travel and Conveyance", "Taxi fare", "45.5"},
                  std::tuple{"Refreshments", "Water on the way", "12"}}) {
                dialog.cboAccounts->setFocus();
                type(focused(), QString::fromLatin1(account));
                key(focused(), Qt::Key_Return);
                EXPECT_EQ(focused(), dialog.txtDescription);
                type(focused(), QString::fromLatin1(text));
                key(focused(), Qt::Key_Return);
                EXPECT_EQ(focused(), dialog.txtSettleAmt);
                type(focused(), QString::fromLatin1(amount));
                key(focused(), Qt::Key_Return);
                EXPECT_EQ(focused(), dialog.cmdOk);
                key(focused(), Qt::Key_Return);
                QTest::qWait(150);  // the button shows itself pressed, then clicks
                EXPECT_TRUE(dialog.txtDescription->text().isEmpty());  // ready for the next line
            }
            EXPECT_TRUE(dialog.cmdFirst->isEnabled());  // two lines: navigation on
            key(focused(), Qt::Key_Escape);
        });
        key(focused(), Qt::Key_F10);
        form.activateWindow();  // the window manager's part: the voucher is in front again
        QTest::qWaitForWindowActive(&form, 2000);
        EXPECT_EQ(lineTexts(form.lvwAccounts, 1), (QStringList{"1", "2"}));
        EXPECT_EQ(lineTexts(form.lvwAccounts, 4), (QStringList{"45.50", "12.00"}));
        EXPECT_EQ(form.txtTotal->text(), "57.50");
        EXPECT_EQ(form.lblTotalAmt->text(), "Pmt Amount (AED):");
        key(focused(), Qt::Key_F5);
    });
    grid()->setFocus();
    key(grid(), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_TRUE(modal.allSeen());
    EXPECT_FALSE(PaymentsFormLoaded());

    ASSERT_EQ(vouchers(), before + 1);
    const QString id =
        scalar("select max(phPaymentID) from aHqPettyCashPaymentHeader where phCompanyID=1")
            .toString();
    EXPECT_EQ(scalar("select phPayee || '|' || phRemarks || '|' || phAmount || '|' || "
                     "phDepartmentID || '|' || phAccountID || '|' || phPaymentdate from "
                     "aHqPettyCashPaymentHeader where phCompanyID=1 and phPaymentID=" +
                     id)
                  .toString(),
              "City Taxi Service|Airport run for the auditors|57.5|2|101|20261120");
    EXPECT_EQ(scalar("select group_concat(pdDetailID || ':' || pdDebitAccountID || ':' || "
                     "pdAmount, ',') from (select * from aHqPettyCashPaymentDetails where "
                     "pdCompanyID=1 and pdPaymentID=" +
                     id + " order by pdDetailID)")
                  .toString(),
              "1:202:45.5,2:207:12");
    const int last = grid()->rows() - 1;
    EXPECT_EQ(grid()->textMatrix(last, 0), id);  // the new voucher is the register's current row
    EXPECT_EQ(grid()->row(), last);
    EXPECT_EQ(grid()->textMatrix(last, 3), "City Taxi Service");
}

TEST_F(VoucherEntry, ACancelledVoucherOpensReadOnlyAndAPostedOneCannotBeSaved) {
    open();
    MessageScript messages;
    const int cancelled = rowWhere(5, "Yes");
    ASSERT_GT(cancelled, 0);
    clickRow(cancelled);
    messages.expect("Entry Cancelled,Cannot Modify");
    onEditVoucher([&](frmpayments& form) {
        EXPECT_EQ(form.txtpaymentNo->text(), grid()->textMatrix(cancelled, 1));
        EXPECT_EQ(form.txtPayee->text(), grid()->textMatrix(cancelled, 3));
        EXPECT_GT(form.lvwAccounts->count(), 0);
        for (QWidget* w : std::initializer_list<QWidget*>{
                 form.cmdOk, form.dtpDate, form.txtPayee, form.cboDepartment, form.cboAccName,
                 form.txtRemarks, form.lvwAccounts, form.txtTotal})
            EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
        EXPECT_TRUE(form.cmdClose->isEnabled());
        key(&form, Qt::Key_F5);                            // nothing happens
        QTest::mouseClick(form.cmdClose, Qt::LeftButton);  // no question
    });

    int posted = 0;
    for (int r = grid()->rows() - 1; r >= 1 && !posted; --r)
        if (grid()->textMatrix(r, 6) == "Yes" && grid()->textMatrix(r, 5) == "No") posted = r;
    ASSERT_GT(posted, 0);
    clickRow(posted);
    messages.expect("Entry Posted,Cannot Modify");
    onEditVoucher([&](frmpayments& form) {
        EXPECT_FALSE(form.cmdOk->isEnabled());
        EXPECT_TRUE(form.txtPayee->isEnabled());
        EXPECT_EQ(form.txtTotal->text(), grid()->textMatrix(posted, 4).contains('.')
                                             ? form.txtTotal->text()
                                             : grid()->textMatrix(posted, 4) + ".00");
        typeInto(form.txtPayee, "changed on screen only");
        QTest::mouseClick(form.cmdClose, Qt::LeftButton);  // OK disabled: no question
    });
    EXPECT_TRUE(modal.allSeen());
}
