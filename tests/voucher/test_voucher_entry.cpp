// The voucher window and the line dialog as a clerk keys vouchers: from the
// register, by keyboard, with the lines list, its totals and its menu, the
// close question, and Edit of stored vouchers.

#include <QApplication>
#include <QClipboard>
#include <QDateEdit>
#include <QHelpEvent>
#include <QLabel>
#include <QMenu>
#include <QSqlRecord>
#include <QToolButton>

#include "data/Values.h"
#include "register/frmcancel.h"
#include "report/ReportPreview.h"
#include "tests/support/VoucherFixture.h"
#include "ui/FlexGrid.h"
#include "voucher/VoucherLines.h"

using namespace pcp;
using namespace pcp::test;
using namespace pcp::BasModule;

namespace {

// A key to the widget with the focus, as the keyboard sends it.
void key(QWidget* w, Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
    if (!w) return ADD_FAILURE() << "no widget has the focus for key " << k;
    QTest::keyClick(w, k, m);
    QApplication::processEvents();
}

void type(QWidget* w, const QString& text) {
    if (!w) return ADD_FAILURE() << "no widget has the focus to type " << text.toStdString();
    QTest::keyClicks(w, text);
}

QWidget* focused() {
    return QApplication::focusWidget();
}

}  // namespace

class VoucherEntry : public VoucherTest {
  protected:
    int vouchers() { return scalar("select count(*) from aHqPettyCashPaymentHeader").toInt(); }
    int rowOfId(const QString& id) const {
        return rowWhere([&](int r) { return cell(r, 0) == id; });
    }
    // Voucher 60, open for changes, with lines of these amounts on account 201
    // at rate 1, as the register's current row.
    void storeVoucher60(const QStringList& amounts, const QString& total) {
        exec("delete from aHqPettyCashPaymentDetails where pdCompanyID=1 and pdPaymentID=60");
        for (int i = 1; i <= amounts.size(); ++i)
            exec(QString("insert into aHqPettyCashPaymentDetails values (1, 0, 60, %1, 201, "
                         "'Line %1', %2, 1)")
                     .arg(i)
                     .arg(amounts[i - 1]));
        exec("update aHqPettyCashPaymentHeader set phAmount=" + total +
             ", phCancel=0, phPosted=0 where phCompanyID=1 and phPaymentID=60");
        open();
        clickRow(rowOfId("60"));
        ASSERT_EQ(cell(grid()->row(), 0), "60");
    }
    // The rows a query returns, each column as the embedded database gives it
    // (dates "yyyymmdd", numerics as numbers): "|" between columns, "," between rows.
    QString rowsOf(const QString& sql) {
        QStringList rows;
        QSqlQuery q(plainDb());
        EXPECT_TRUE(q.exec(sql)) << sql.toStdString();
        for (QStringList row; q.next(); rows << row.join('|'), row.clear())
            for (int c = 0; c < q.record().count(); ++c) row << AsOnSqlite(q, c).toString();
        return rows.join(',');
    }
    QString stored60(const QString& columns) {
        return rowsOf("select " + columns +
                      " from aHqPettyCashPaymentHeader where phCompanyID=1 and phPaymentID=60");
    }
    // OK, which saves and closes the window; one that stays is left unsaved.
    static void clickOk(frmpayments& form) {
        QTest::mouseClick(form.cmdOk, Qt::LeftButton);
        if (!form.isVisible()) return;
        ADD_FAILURE() << "the voucher was not saved";
        form.Unload();
    }
    static void saveAs(frmpayments& form, const QString& payee) {
        typeInto(form.txtPayee, payee);
        typeInto(form.txtRemarks, "Keyed in by a test");
        clickOk(form);
    }
    QString newestVoucher(const QString& columns) {
        return rowsOf("select " + columns +
                      " from aHqPettyCashPaymentHeader where phCompanyID=1 order by "
                      "phPaymentID desc limit 1");
    }
    QString newestLines(const QString& columns) {
        return rowsOf(
            "select " + columns +
            " from aHqPettyCashPaymentDetails where pdCompanyID=1 and pdPaymentID=(select "
            "max(phPaymentID) from aHqPettyCashPaymentHeader where phCompanyID=1) order "
            "by pdDetailID");
    }
    static void closeUnsaved(frmpayments& form) {
        MessageScript messages;
        messages.expect("Save Changes?", vbNo);
        form.Unload();
    }
};

// Keyed by keyboard alone; no shortcut letter of the voucher window, the line
// dialog or the reason dialog is used twice in its window.
TEST_F(VoucherEntry, AVoucherKeyedEntirelyFromTheKeyboard) {
    open(1, 2);  // the administrator working for Operations
    const int before = vouchers();
    QString reason;
    EXPECT_EQ(RepeatedShortcutLetters(std::make_unique<frmcancel>(reason).get()), "");
    modal.expect("frmpayments", [&](QDialog* d) {
        auto& form = *static_cast<frmpayments*>(d);
        EXPECT_EQ(RepeatedShortcutLetters(&form), "");
        EXPECT_EQ(focused(), form.txtPayee);
        EXPECT_EQ(form.cboDepartment->currentText(), "Operations");
        EXPECT_FALSE(form.cboDepartment->isEnabled());
        EXPECT_EQ(form.dtpDate->date(), kProcessDate);
        type(focused(), "City Taxi Service");
        key(focused(), Qt::Key_Return);
        EXPECT_EQ(focused(), form.cboAccName);
        type(focused(), "Petty Cash - S");  // finds the entry by its first letters and spaces
        EXPECT_EQ(form.cboAccName->currentText(), "Petty Cash - Site Office");
        key(focused(), Qt::Key_Return);
        EXPECT_EQ(focused(), form.txtRemarks);
        type(focused(), "Airport run for the auditors");
        key(focused(), Qt::Key_Return);
        EXPECT_EQ(focused(), form.lvwAccounts);
        inLineDialog([&](frmDebitEntry& dialog) {
            EXPECT_EQ(RepeatedShortcutLetters(&dialog), "");
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
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form, 2000));
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
    EXPECT_EQ(newestVoucher("phPayee, phRemarks, phAmount, phDepartmentID, phAccountID, "
                            "phPaymentdate"),
              "City Taxi Service|Airport run for the auditors|57.5|2|102|20261120");
    EXPECT_EQ(newestLines("pdDetailID, pdDebitAccountID, pdAmount"), "1|202|45.5,2|207|12");
    const int last = grid()->rows() - 1;
    EXPECT_EQ(cell(last, 0), id);  // the new voucher is the register's current row
    EXPECT_EQ(grid()->row(), last);
    EXPECT_EQ(cell(last, 3), "City Taxi Service");
}

TEST_F(VoucherEntry, ACancelledVoucherOpensReadOnlyAndAPostedOneCannotBeSaved) {
    open();
    MessageScript messages;
    const int cancelled = rowWhere([&](int r) { return cell(r, 5) == "Yes"; });
    ASSERT_GT(cancelled, 0);
    clickRow(cancelled);
    messages.expect("Entry Cancelled,Cannot Modify");
    onEditVoucher([&](frmpayments& form) {
        EXPECT_EQ(form.txtpaymentNo->text(), cell(cancelled, 1));
        EXPECT_EQ(form.txtPayee->text(), cell(cancelled, 3));
        EXPECT_GT(form.lvwAccounts->count(), 0);
        for (QWidget* w : std::initializer_list<QWidget*>{
                 form.cmdOk, form.dtpDate, form.txtPayee, form.cboDepartment, form.cboAccName,
                 form.txtRemarks, form.lvwAccounts, form.txtTotal})
            EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
        EXPECT_TRUE(form.cmdClose->isEnabled());
        const QStringList lines = lineTexts(form.lvwAccounts, LineColumn::kAmount);
        for (const Qt::Key k : {Qt::Key_F5, Qt::Key_F10, Qt::Key_F11}) key(&form, k);
        for (QAction* command : {form.mnuAdd, form.mnuEdit, form.mnuDelete}) command->trigger();
        EXPECT_EQ(lineTexts(form.lvwAccounts, LineColumn::kAmount), lines);  // nothing happened
        QTest::mouseClick(form.cmdClose, Qt::LeftButton);                    // no question
    });

    const int posted = rowWhere([&](int r) { return cell(r, 6) == "Yes" && cell(r, 5) == "No"; });
    ASSERT_GT(posted, 0);
    clickRow(posted);
    messages.expect("Entry Posted,Cannot Modify");
    onEditVoucher([&](frmpayments& form) {
        EXPECT_FALSE(form.cmdOk->isEnabled());
        EXPECT_TRUE(form.txtPayee->isEnabled());
        // the stored amount, as the plain connection reads it, at two decimals
        const QVariant stored = scalar(
            "select phAmount from aHqPettyCashPaymentHeader where phCompanyID=1 and phPaymentID=" +
            cell(posted, 0));
        EXPECT_EQ(form.txtTotal->text(), QString::number(stored.toDouble(), 'f', 2));
        typeInto(form.txtPayee, "changed on screen only");
        QTest::mouseClick(form.cmdClose, Qt::LeftButton);  // OK disabled: no question
    });
    EXPECT_TRUE(modal.allSeen());
}

// Another workstation changed the voucher since this register showed it: Edit
// goes by the stored flags, and a save it refuses leaves only what can still
// be done, with the register row painted as stored.
TEST_F(VoucherEntry, EditAndItsSaveGoByWhatIsStoredNow) {
    storeVoucher60({"5"}, "5");
    const int r = grid()->row();
    exec("update aHqPettyCashPaymentHeader set phPosted=1 where phCompanyID=1 and phPaymentID=60");
    MessageScript messages;
    messages.expect("Entry Posted,Cannot Modify");
    onEditVoucher([&](frmpayments& form) {
        EXPECT_FALSE(form.cmdOk->isEnabled());
        QTest::mouseClick(form.cmdClose, Qt::LeftButton);
    });
    EXPECT_EQ(cell(r, 6), "Yes");
    EXPECT_TRUE(window_->cmdUpdate->isEnabled());
    exec("update aHqPettyCashPaymentHeader set phPosted=0 where phCompanyID=1 and phPaymentID=60");
    onEditVoucher([&](frmpayments& form) {  // unposted meanwhile: no message, saveable
        EXPECT_TRUE(form.cmdOk->isEnabled());
        typeInto(form.txtPayee, "Changed Here");
        exec(
            "update aHqPettyCashPaymentHeader set phCancel=1 where phCompanyID=1 and "
            "phPaymentID=60");
        messages.expect("This voucher has been cancelled since you opened it. Nothing was saved.");
        key(&form, Qt::Key_F5);
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(form.txtPayee->text(), "Changed Here");
        EXPECT_FALSE(form.cmdOk->isEnabled());
        EXPECT_FALSE(form.txtPayee->isEnabled());
        EXPECT_FALSE(form.mnuAdd->isEnabled());
        QTest::mouseClick(form.cmdClose, Qt::LeftButton);  // no "Save Changes?"
        EXPECT_FALSE(form.isVisible());
    });
    EXPECT_TRUE(messages.allSeen());
    EXPECT_EQ(cell(r, 5), "Yes");
    EXPECT_EQ(grid()->cellForeColorAt(r, 3), 0x0000FFu);
    EXPECT_FALSE(window_->CmdDelete->isEnabled());
    EXPECT_FALSE(window_->cmdUpdate->isEnabled());
}

// The release of F5 after a save reaches the register, not a search: the
// saved voucher stays current, has the keys, and is the one Preview prints.
TEST_F(VoucherEntry, AVoucherSavedWithF5AfterASearchStaysCurrent) {
    open();
    pickSearchColumn("Payee");
    typeSearch("Speedy");
    ASSERT_TRUE(cell(grid()->row(), 3).startsWith("Speedy"));
    modal.expect("frmpayments", [&](QDialog* d) {
        auto& form = *static_cast<frmpayments*>(d);
        typeInto(form.txtPayee, "Harbour Parking");
        pick(form.cboDepartment, "Administration");
        pick(form.cboAccName, "Petty Cash - Head Office");
        typeInto(form.txtRemarks, "Parking at the port");
        addLine(form, "Travel and Conveyance", "Parking", "15");
        form.activateWindow();
        QTest::keyPress(&form, Qt::Key_F5);  // the release comes once the window is gone
    });
    QTest::keyClick(window_->txtsearch, Qt::Key_Return, Qt::ControlModifier);
    ASSERT_TRUE(modal.allSeen());
    // The register takes the keys again, on its grid.
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == grid(); }));
    QTest::keyRelease(grid(), Qt::Key_F5);
    QTest::keyRelease(window_->txtsearch, Qt::Key_F5);  // wherever the keyboard sends it
    QApplication::processEvents();
    const QString id =
        scalar("select max(phPaymentID) from aHqPettyCashPaymentHeader where phCompanyID=1")
            .toString();
    EXPECT_EQ(cell(grid()->row(), 0), id);
    EXPECT_EQ(cell(grid()->row(), 3), "Harbour Parking");
    if (OnPostgres()) return;  // the report logs on through data sources set for the demo file
    QTest::mouseClick(window_->cmdPreview, Qt::LeftButton);
    auto* preview = window_->findChild<ReportPreview*>("rptPreview", Qt::FindDirectChildrenOnly);
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->document().request.selectionFormula,
              " {vwPCPaymentCheckList.phPaymentID}= " + id);
    preview->close();
}

// A user who may choose the department chooses it on the way from the payee
// to the cash account, by Enter as by Tab.
TEST_F(VoucherEntry, EnterVisitsTheDepartmentBeforeTheCashAccount) {
    open();  // the administrator, for every department
    onNewVoucher([&](frmpayments& form) {
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        EXPECT_EQ(focused(), form.txtPayee);
        type(focused(), "Desert Water Supply");
        key(focused(), Qt::Key_Return);
        EXPECT_EQ(focused(), form.cboDepartment);
        key(focused(), Qt::Key_Return);
        EXPECT_EQ(focused(), form.cboAccName);
        key(focused(), Qt::Key_Tab, Qt::ShiftModifier);
        EXPECT_EQ(focused(), form.cboDepartment);
        closeUnsaved(form);
    });
}

// --- the close question ---------------------------------------------------------

class CloseQuestion : public VoucherEntry {
  protected:
    // Opens a stored voucher, changes it as `change` does, closes it and
    // answers the question; true when the window closed.
    bool closeAfter(const std::function<void(frmpayments&)>& change, int answer) {
        bool closed = false;
        onEditVoucher([&](frmpayments& form) {
            change(form);
            MessageScript messages;
            messages.expect("Save Changes?", answer);
            QTest::mouseClick(form.cmdClose, Qt::LeftButton);
            closed = !form.isVisible();
            EXPECT_EQ(messages.shown().at(0).buttons(), int(vbYesNoCancel));
            EXPECT_EQ(messages.shown().at(0).title, "Petty Cash");
            if (!closed) {  // leave without saving
                messages.expect("Save Changes?", vbNo);
                form.Unload();
            }
        });
        return closed;
    }
    int storedLines() {
        return scalar(
                   "select count(*) from aHqPettyCashPaymentDetails where pdCompanyID=1 and "
                   "pdPaymentID=60")
            .toInt();
    }
};

TEST_F(CloseQuestion, OnlyAChangeAsksAndEachAnswerDoesItsPart) {
    storeVoucher60({"5"}, "5");
    onEditVoucher([&](frmpayments& form) { QTest::mouseClick(form.cmdClose, Qt::LeftButton); });
    const QString payee = stored60("phPayee");
    const auto changePayee = [](frmpayments& form) { typeInto(form.txtPayee, "Another Payee"); };
    // Cancel keeps the window and the change; the test then leaves it.
    EXPECT_FALSE(closeAfter(changePayee, vbCancel));
    EXPECT_EQ(stored60("phPayee"), payee);
    EXPECT_TRUE(closeAfter(changePayee, vbNo));
    EXPECT_EQ(stored60("phPayee"), payee);
    EXPECT_TRUE(closeAfter(changePayee, vbYes));
    EXPECT_EQ(stored60("phPayee"), "Another Payee");
    // A change of the lines only asks too.
    const auto addOne = [&](frmpayments& form) {
        addLine(form, "Postage and Courier", "Stamps", "7");
    };
    EXPECT_TRUE(closeAfter(addOne, vbNo));
    EXPECT_EQ(storedLines(), 1);
    EXPECT_TRUE(closeAfter(addOne, vbYes));
    EXPECT_EQ(storedLines(), 2);
}

// --- the lines list ---------------------------------------------------------------

TEST_F(VoucherEntry, DuplicateAccountsAndDeletingRenumbers) {
    open(1, 2);
    onNewVoucher([&](frmpayments& form) {
        pick(form.cboAccName, "Petty Cash - Head Office");
        addLine(form, "Stationery and Printing", "Pens", "30");
        addLine(form, "Refreshments", "Tea", "5");
        addLine(form, "Cleaning Supplies", "Soap", "300");
        ASSERT_EQ(form.lvwAccounts->count(), 3);

        // The same account again: a clash unless the amount is the selected line's.
        form.lvwAccounts->setSelectedIndex(2);  // Refreshments, 5.00
        MessageScript messages;
        messages.expect("Data already exists with this Account");
        addLine(form, "Stationery and Printing", "More pens", "31");
        EXPECT_EQ(form.lvwAccounts->count(), 3);
        addLine(form, "Refreshments", "More tea", "5");
        EXPECT_EQ(form.lvwAccounts->count(), 4);

        // Deleting line 2 renumbers the lines after it; the total follows.
        form.lvwAccounts->setSelectedIndex(2);
        messages.expect("Do u want to delete this entry?", vbYes);
        form.mnuDelete->trigger();
        EXPECT_EQ(lineTexts(form.lvwAccounts, 1), (QStringList{"1", "2", "3"}));
        EXPECT_EQ(lineTexts(form.lvwAccounts, 3), (QStringList{"Pens", "Soap", "More tea"}));
        EXPECT_EQ(form.txtTotal->text(), "335.00");
        messages.expect("Do u want to delete this entry?", vbNo);
        form.mnuDelete->trigger();
        EXPECT_EQ(form.lvwAccounts->count(), 3);
        EXPECT_EQ(form.txtTotal->text(), "335.00");
        messages.expect("Save Changes?", vbNo);
        form.Unload();
    });
}

TEST_F(VoucherEntry, TheTotalFollowsTheAccountsCurrencyExactly) {
    open(1, 2);
    onNewVoucher([&](frmpayments& form) {
        pick(form.cboAccName, "Petty Cash - Head Office");  // dirhams, rate 1
        addLine(form, "Site Fuel (USD)", "Generator fuel", "100");
        addLine(form, "Refreshments", "Water", "20");
        EXPECT_EQ(form.txtTotal->text(), "387.24");  // 100 / 0.2723 = 367.242, plus 20
        EXPECT_EQ(form.lblTotalAmt->text(), "Pmt Amount (AED):");
        pick(form.cboAccName, "Petty Cash - USD Float");  // dollars, rate 0.2723
        EXPECT_EQ(form.lblTotalAmt->text(), "Pmt Amount (USD):");
        EXPECT_EQ(form.txtAccExRates->text(), "0.2723");
        EXPECT_EQ(form.txtTotal->text(), "105.45");  // 100 + 20 × 0.2723 = 105.446
        // The same account chosen again fetches its rate afresh.
        exec("update ExchangeRateDetail set SellingRate=0.25 where CompanyID=1 and CurrencyID=2");
        QApplication::processEvents();  // a later click, not the pick itself
        emit form.cboAccName->activated(form.cboAccName->currentIndex());
        EXPECT_EQ(form.txtAccExRates->text(), "0.25");
        EXPECT_EQ(form.txtTotal->text(), "96.81");  // 100 / 0.2723 × 0.25 + 20 × 0.25
        form.lvwAccounts->clearItems();
        MessageScript messages;
        messages.expect("Save Changes?", vbNo);
        form.Unload();
    });
}

// Stored lines of three decimals (as another currency's conversion leaves
// them) and a line added beside them sort by value, texts by text, and are
// saved as they were.
TEST_F(VoucherEntry, AmountsSortByValueAndKeepEveryDecimalThroughSaving) {
    QStringList amounts(25, "33.333");
    amounts[1] = "5.5";
    amounts[2] = "100.126";
    storeVoucher60(amounts, "872.285");
    onEditVoucher([&](frmpayments& form) {
        EXPECT_EQ(form.txtTotal->text(), "872.29");  // half away from zero, as the register
        addLine(form, "Refreshments", "Water", "40");
        for (const auto& [icon, first, last] :
             {std::tuple{"up", "5.5", "100.126"}, std::tuple{"down", "100.126", "5.5"}}) {
            emit form.lvwAccounts->columnClicked(LineColumn::kAmount);
            const QStringList sorted = lineTexts(form.lvwAccounts, LineColumn::kAmount);
            EXPECT_EQ(sorted.first(), first);  // as stored
            EXPECT_EQ(sorted.last(), last);
            EXPECT_EQ(sorted.indexOf("40.00"), icon == std::string("up") ? 24 : 1);
            EXPECT_EQ(sorted.count("33.333"), 23);
            EXPECT_EQ(form.lvwAccounts->columnIcon(LineColumn::kAmount), icon);
        }
        // A text column sorts as text and takes the arrow; a line added then stays last.
        emit form.lvwAccounts->columnClicked(LineColumn::kDescription);
        const QStringList texts = lineTexts(form.lvwAccounts, LineColumn::kDescription);
        EXPECT_EQ(texts.mid(0, 2), (QStringList{"Line 1", "Line 10"}));
        EXPECT_EQ(texts.last(), "Water");
        EXPECT_EQ(form.lvwAccounts->columnIcon(LineColumn::kDescription), "up");
        EXPECT_EQ(form.lvwAccounts->columnIcon(LineColumn::kAmount), "");
        addLine(form, "Postage and Courier", "Ice", "2");
        EXPECT_EQ(lineTexts(form.lvwAccounts, LineColumn::kDescription).last(), "Ice");
        typeInto(form.txtPayee, "Sorted, then saved");
        clickOk(form);
    });
    EXPECT_EQ(rowsOf("select pdAmount from aHqPettyCashPaymentDetails where pdCompanyID=1 and "
                     "pdPaymentID=60 and pdDetailID in (1, 2, 3, 26, 27) order by pdDetailID"),
              "33.333,5.5,100.126,40,2");
    EXPECT_EQ(scalar("select count(*) from aHqPettyCashPaymentDetails where pdPaymentID=60 and "
                     "pdCompanyID=1 and pdAmount=33.333")
                  .toInt(),
              23);
    EXPECT_EQ(stored60("phPayee, phAmount"), "Sorted, then saved|914.285");
}

// Stored detail ids with gaps open as lines 1 to n, and the lines work from the
// keyboard alone: Enter and F11 change the focused line, selected or not.
TEST_F(VoucherEntry, LinesOpenNumberedOneToNAndWorkFromTheKeyboard) {
    storeVoucher60({"1", "2", "5"}, "8");
    exec(
        "update aHqPettyCashPaymentDetails set pdDetailID=5, pdDescription='Line 5' where "
        "pdCompanyID=1 and pdPaymentID=60 and pdDetailID=3");
    onEditVoucher([&](frmpayments& form) {
        EXPECT_EQ(lineTexts(form.lvwAccounts, 1), (QStringList{"1", "2", "3"}));
        EXPECT_EQ(lineTexts(form.lvwAccounts, 3), (QStringList{"Line 1", "Line 2", "Line 5"}));
        form.txtRemarks->setFocus();
        key(focused(), Qt::Key_Tab);
        ASSERT_EQ(focused(), form.lvwAccounts);
        QStringList opened;
        for (Qt::Key k : {Qt::Key_Return, Qt::Key_Down, Qt::Key_F11}) {
            if (k != Qt::Key_Down)
                inLineDialog([&](frmDebitEntry& d) {
                    opened << d.txtDescription->text();
                    d.Unload();
                });
            key(form.lvwAccounts, k);
        }
        EXPECT_EQ(opened, (QStringList{"Line 1", "Line 2"}));
        MessageScript messages;
        messages.expect("Do u want to delete this entry?", vbYes);
        key(form.lvwAccounts, Qt::Key_Delete);
        EXPECT_EQ(lineTexts(form.lvwAccounts, 3), (QStringList{"Line 1", "Line 5"}));
        EXPECT_EQ(lineTexts(form.lvwAccounts, 1), (QStringList{"1", "2"}));
        for (const auto& [k, m] :
             {std::pair{Qt::Key_F10, Qt::ShiftModifier}, std::pair{Qt::Key_Menu, Qt::NoModifier}}) {
            key(form.lvwAccounts, k, m);
            EXPECT_TRUE(form.mnupopup->isVisible()) << k;
            form.mnupopup->hide();
        }
        closeUnsaved(form);
    });
}

// --- the line dialog ----------------------------------------------------------------

// What the clerk sees is what the save and the line take: a typed date that
// is no date stays shown after a click away until OK refuses it, and a date
// typed then saved is the one stored; the line's OK refuses an amount outside
// the rule and adds no line; the window's key filter passes only what can
// become an amount. Refusals are told in the module's box.
TEST_F(VoucherEntry, AmountsAndDatesAreTakenAsShownOrRefusedWithTheReason) {
    const QString rule =
        "Enter the amount as a positive number with at most 12 digits before the point and 2 "
        "after it, such as 1234.50 or 1,234.50.";
    open(1, 2);
    onNewVoucher([&](frmpayments& form) {
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));  // the focus is asked for below
        pick(form.cboAccName, "Petty Cash - Head Office");
        MessageScript messages;
        typeInto(form.dtpDate, "31/12/20");
        QTest::mouseClick(form.txtPayee, Qt::LeftButton);
        EXPECT_TRUE(QTest::qWaitFor([&] { return form.dtpDate->text() == "31/12/20"; }));
        messages.expect("31/12/20 is not a date. Type it as dd/mm/yyyy, for example 15/02/2026.");
        QTest::mouseClick(form.cmdOk, Qt::LeftButton);
        EXPECT_EQ(messages.shown().back().title, "Petty Cash");
        EXPECT_EQ(focused(), form.dtpDate);
        inLineDialog([&](frmDebitEntry& dialog) {
            pick(dialog.cboAccounts, "Refreshments");
            for (const QString text : {"0", "0.00", "", "-5", "abc", "1,24,567"}) {
                dialog.txtSettleAmt->setText(text);  // as the program may show it
                messages.expect(text.isEmpty() || text.startsWith('0') ? "Enter Amount" : rule);
                QTest::mouseClick(dialog.cmdOk, Qt::LeftButton);
            }
            typeInto(dialog.txtSettleAmt, ",12ab34.5");  // the window's key filter: "1234.5"
            QApplication::clipboard()->setText("-5");
            messages.expect(rule);
            QTest::keyClick(dialog.txtSettleAmt, Qt::Key_V, Qt::ControlModifier);
            EXPECT_EQ(messages.shown().back().title, "Petty Cash");
            QHelpEvent hover(QEvent::Enter, QPoint(2, 2), QPoint(2, 2));
            QApplication::sendEvent(dialog.txtSettleAmt, &hover);
            EXPECT_EQ(dialog.txtSettleAmt->toolTip(), "1,234.50");
            dialog.cboAccounts->setEditText("No such account");
            messages.expect("Select Valid Account");
            QTest::mouseClick(dialog.cmdOk, Qt::LeftButton);
            pick(dialog.cboAccounts, "Refreshments");
            QTest::mouseClick(dialog.cmdOk, Qt::LeftButton);
            QTest::mouseClick(dialog.cmdCancel, Qt::LeftButton);
        });
        form.mnuAdd->trigger();
        typeInto(form.dtpDate, "04122026");
        saveAs(form, "Dated as typed");
    });
    EXPECT_EQ(newestVoucher("phPayee, phAmount, phPaymentdate"), "Dated as typed|1234.5|20261204");
    EXPECT_EQ(newestLines("pdAmount"), "1234.5");
}

namespace {

// Which of First, Previous, Next and Last are enabled, as "1100".
std::string navOf(const frmDebitEntry& d) {
    std::string on;
    for (const QToolButton* b : {d.cmdFirst, d.cmdPrevious, d.cmdNext, d.cmdLast})
        on += b->isEnabled() ? '1' : '0';
    return on;
}

}  // namespace

TEST_F(VoucherEntry, NavigationFollowsItsTableWithOneAndThreeLines) {
    open(1, 2);
    onNewVoucher([&](frmpayments& form) {
        pick(form.cboAccName, "Petty Cash - Head Office");
        addLine(form, "Refreshments", "One", "1");
        form.lvwAccounts->setSelectedIndex(1);
        inLineDialog([&](frmDebitEntry& d) {
            d.cmdFirst->setEnabled(true);  // as after an earlier use
            d.cmdFirst_Click();
            EXPECT_EQ(navOf(d), "0000");
            EXPECT_EQ(d.txtDescription->text(), "One");
            d.cmdLast->setEnabled(true);
            d.cmdLast_Click();
            EXPECT_EQ(navOf(d), "0000");
            QTest::mouseClick(d.cmdCancel, Qt::LeftButton);
        });
        form.mnuEdit->trigger();

        addLine(form, "Travel and Conveyance", "Two", "2");
        addLine(form, "Stationery and Printing", "Three", "3");
        form.lvwAccounts->setSelectedIndex(2);
        inLineDialog([&](frmDebitEntry& d) {
            EXPECT_EQ(d.txtDescription->text(), "Two");
            d.cmdPrevious_Click();  // from line 2
            EXPECT_EQ(d.txtDescription->text(), "One");
            EXPECT_EQ(navOf(d), "0011");
            d.cmdPrevious_Click();  // line 1 again
            EXPECT_EQ(d.txtDescription->text(), "One");
            d.cmdNext_Click();
            d.cmdNext_Click();  // to line 3
            EXPECT_EQ(d.txtDescription->text(), "Three");
            EXPECT_EQ(navOf(d), "1100");
            d.cmdNext_Click();  // past the last: nothing new
            EXPECT_EQ(d.txtDescription->text(), "Three");
            EXPECT_EQ(navOf(d), "1100");
            d.cmdFirst_Click();
            typeInto(d.txtDescription, "Changed without OK");
            d.cmdNext_Click();
            EXPECT_EQ(d.txtDescription->text(), "Two");
            QTest::mouseClick(d.cmdCancel, Qt::LeftButton);
        });
        form.mnuEdit->trigger();
        EXPECT_EQ(lineTexts(form.lvwAccounts, 3), (QStringList{"One", "Two", "Three"}));
        EXPECT_EQ(form.StrNewEditFlag, "E");
        form.lvwAccounts->clearItems();
        MessageScript messages;
        messages.expect("Save Changes?", vbNo);
        form.Unload();
    });
}

// A voucher id beyond sixteen bits and null texts open for edit.
TEST_F(VoucherEntry, NullTextsAndLargeIdsOpenAndAnEditThatFailsPartWayLeavesNoWindow) {
    storeVoucher60({"1"}, "1");
    exec("update aHqPettyCashPaymentDetails set pdPaymentID=40000 where pdPaymentID=60");
    exec(
        "update aHqPettyCashPaymentHeader set phPaymentID=40000, phPayee=NULL, "
        "phReferenceno=NULL, phRemarks=NULL, phUserName=NULL where phPaymentID=60");
    reopen();
    clickRow(rowOfId("40000"));
    onEditVoucher([&](frmpayments& form) {
        EXPECT_EQ(GIntPaymentID, 40000);
        for (QLineEdit* text : {form.txtPayee, form.txtRefNo, form.txtRemarks, form.txtusername})
            EXPECT_EQ(text->text(), "") << text->objectName().toStdString();
        EXPECT_EQ(form.lvwAccounts->count(), 1);
        QTest::mouseClick(form.cmdClose, Qt::LeftButton);
    });
    exec("alter table aHqPettyCashPaymentDetails rename to aLinesGone");  // read after the header
    MessageScript messages;
    messages.expectStartingWith("An error occurred in FrmMaster (CmdEdit_Click).");
    QTest::mouseClick(window_->CmdEdit, Qt::LeftButton);
    EXPECT_FALSE(PaymentsFormLoaded());  // discarded: the next New starts clean
    onNewVoucher([&](frmpayments& form) {
        EXPECT_TRUE(form.txtPayee->text().isEmpty());
        EXPECT_TRUE(form.txtpaymentNo->text().isEmpty());
        EXPECT_EQ(form.lvwAccounts->count(), 0);
        QTest::mouseClick(form.cmdClose, Qt::LeftButton);
    });
    EXPECT_TRUE(modal.allSeen());
}

// --- which account and rate a line takes ------------------------------------------

TEST_F(VoucherEntry, ALinePointsAtTheAccountChosen) {
    // A line whose account is not in the department's list shows none, so OK stops.
    storeVoucher60({"10", "10"}, "20");
    exec(
        "update aHqPettyCashPaymentDetails set pdDebitAccountID=203 where pdCompanyID=1 and "
        "pdPaymentID=60 and pdDetailID=2");
    exec("update aHqPettyCashPaymentHeader set phDepartmentID=2 where phPaymentID=60");
    onEditVoucher([&](frmpayments& form) {
        form.lvwAccounts->setSelectedIndex(1);
        inLineDialog([&](frmDebitEntry& d) {
            d.cmdNext_Click();
            EXPECT_EQ(d.cboAccounts->currentText(), "");
            MessageScript messages;
            messages.expect("Select Valid Account");
            QTest::mouseClick(d.cmdOk, Qt::LeftButton);
            QTest::mouseClick(d.cmdCancel, Qt::LeftButton);
        });
        form.mnuEdit->trigger();
        EXPECT_EQ(lineTexts(form.lvwAccounts, LineColumn::kAccountId), (QStringList{"201", "203"}));
        QTest::mouseClick(form.cmdClose, Qt::LeftButton);
    });
    // Of two accounts with one name, the one chosen is the one stored.
    exec("update aAccountMaster set AccountDesc='Refreshments' where AccountID=208");
    reopen(1, 2);
    onNewVoucher([&](frmpayments& form) {
        pick(form.cboAccName, "Petty Cash - Head Office");
        inLineDialog([&](frmDebitEntry& d) {
            d.cboAccounts->setCurrentIndex(d.cboAccounts->findData(208));
            typeInto(d.txtSettleAmt, "8");
            QTest::mouseClick(d.cmdOk, Qt::LeftButton);
            QTest::mouseClick(d.cmdCancel, Qt::LeftButton);
        });
        form.mnuAdd->trigger();
        saveAs(form, "The second Refreshments");
    });
    EXPECT_EQ(newestVoucher("phPayee"), "The second Refreshments");
    EXPECT_EQ(newestLines("pdDebitAccountID"), "208");
}

TEST_F(VoucherEntry, AFailedRateLookupChangesNothing) {
    open(1, 0);
    onNewVoucher([&](frmpayments& form) {
        pick(form.cboDepartment, "Operations");
        pick(form.cboAccName, "Petty Cash - Head Office");
        addLine(form, "Refreshments", "Tea", "20");
        exec("delete from ExchangeRateDetail where CompanyID=1 and CurrencyID=2");
        MessageScript messages;
        const QString failed = "An error occurred in ";
        messages.expectStartingWith(failed + "frmDebitEntry (cmdOk_Click).");
        addLine(form, "Site Fuel (USD)", "Fuel", "5");  // a new line
        form.lvwAccounts->setSelectedIndex(1);
        messages.expectStartingWith(failed + "frmDebitEntry (cmdOk_Click).");
        inLineDialog([&](frmDebitEntry& d) {  // a changed line
            pick(d.cboAccounts, "Site Fuel (USD)");
            QTest::mouseClick(d.cmdOk, Qt::LeftButton);
            QTest::mouseClick(d.cmdCancel, Qt::LeftButton);
        });
        form.mnuEdit->trigger();
        EXPECT_EQ(lineTexts(form.lvwAccounts, LineColumn::kAccountName),
                  QStringList{"Refreshments"});
        EXPECT_EQ(lineTexts(form.lvwAccounts, LineColumn::kAccountId), QStringList{"207"});
        EXPECT_EQ(lineTexts(form.lvwAccounts, LineColumn::kRate), QStringList{"1"});
        // The header's choice goes back to the one whose rates are shown.
        messages.expectStartingWith(failed + "frmpayments (cboAccName_Click).");
        pick(form.cboAccName, "Petty Cash - USD Float");
        EXPECT_EQ(form.cboAccName->currentText(), "Petty Cash - Head Office");
        EXPECT_EQ(form.lblTotalAmt->text(), "Pmt Amount (AED):");
        EXPECT_EQ(form.txtAccExRates->text(), "1");
        EXPECT_EQ(form.txtTotal->text(), "20.00");
        messages.expectStartingWith(failed + "frmpayments (cboDepartment_Click).");
        pick(form.cboDepartment, "Projects");
        EXPECT_EQ(form.cboDepartment->currentText(), "Operations");
        EXPECT_EQ(form.txtDepExRates->text(), "1");
        closeUnsaved(form);
    });
}

TEST_F(VoucherEntry, AnEditKeepsTheVouchersRates) {
    storeVoucher60({"100"}, "100");
    exec(
        "update aHqPettyCashPaymentDetails set pdDebitAccountID=206, pdExRate=0.2723 where "
        "pdCompanyID=1 and pdPaymentID=60");
    exec(
        "update aHqPettyCashPaymentHeader set phAccountID=103, phExRate=0.2723, "
        "phDepExRate=0.5, phComExRate=0.75 where phCompanyID=1 and phPaymentID=60");
    exec("update ExchangeRateDetail set SellingRate=0.25 where CompanyID=1");  // today's
    onEditVoucher([&](frmpayments& form) {
        EXPECT_EQ(form.lblTotalAmt->text(), "Pmt Amount (USD):");
        typeInto(form.txtPayee, "Only the payee changed");
        clickOk(form);
    });
    EXPECT_EQ(stored60("phPayee, phAmount, phExRate, phDepExRate, phComExRate"),
              "Only the payee changed|100|0.2723|0.5|0.75");
}
