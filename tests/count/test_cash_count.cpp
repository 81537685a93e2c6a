// The cash count as a custodian does it: the box's vouchers and float read
// off the window, notes and coins typed line by line, the count saved, and
// what the database then holds; the float set; the vouchers a count covers
// closed; another workstation's changes refused.

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include "count/frmCashCount.h"
#include "count/frmFloat.h"
#include "register/FrmMaster.h"
#include "report/ReportPreview.h"
#include "store/VoucherState.h"
#include "store/VoucherStore.h"
#include "tests/support/Fixtures.h"
#include "ui/FlexGrid.h"

namespace pcp::test {
namespace {

using namespace BasModule;

// PC02 (AED, float 3,000.00) is emptied of the demo's vouchers and given two:
// 120.50 + 79.25 = 199.75, which leaves 2,800.25 expected in the box.
class CashCountTest : public DemoDatabaseTest {
  protected:
    void SetUp() override {
        DemoDatabaseTest::SetUp();
        exec(
            "delete from aHqPettyCashPaymentDetails where pdPaymentID in (select phPaymentID "
            "from aHqPettyCashPaymentHeader where phAccountID=102 and phCompanyID=1) and "
            "pdCompanyID=1");
        exec("delete from aHqPettyCashPaymentHeader where phAccountID=102 and phCompanyID=1");
        exec("update aPCFloat set flImprest=3000 where flAccountID=102");
        exec("update aPCFloat set flImprest=1500 where flAccountID=103");
        addVoucher(901, "OPS/901", "120.50");
        addVoucher(902, "OPS/902", "79.25");
    }
    void TearDown() override {
        window_.reset();
        DemoDatabaseTest::TearDown();
    }
    void addVoucher(int id, const QString& number, const QString& amount) {
        exec(QStringLiteral("INSERT INTO aHqPettyCashPaymentHeader (phPaymentID, phCompanyID, "
                            "phFinancialID, phDepartmentID, phPaymentNo, phPaymentdate, "
                            "phAccountID, phPayee, phAmount, phExRate, phDepExRate, phComExRate, "
                            "phCancel, phPosted) VALUES (%1, 1, 2, 2, '%2', '20261118', 102, "
                            "'Metro Fuel', %3, 1, 1, 1, 0, 0)")
                 .arg(id)
                 .arg(number, amount));
        exec(QStringLiteral("INSERT INTO aHqPettyCashPaymentDetails VALUES (1, 2, %1, 1, 202, "
                            "'Fuel', %2, 1)")
                 .arg(id)
                 .arg(amount));
    }
    frmCashCount* open(int user = 1) {
        setContext(1, user, 0);
        // As the register reads them: the administrator may do all, the clerk add only.
        GStrUserName = user == 1 ? "admin" : "clerk";
        GStrFunctionRights = user == 1 ? "NED" : "N";
        window_ = std::make_unique<frmCashCount>();
        window_->show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window_.get()));
        pickAccount("PC02");
        return window_.get();
    }
    void pickAccount(const QString& code) {
        QComboBox* box = window_->cboCashAccount;
        for (int i = 0; i < box->count(); ++i)
            if (box->itemText(i).startsWith(code + ' ')) {
                box->setCurrentIndex(i);
                emit box->activated(i);
                return;
            }
        ADD_FAILURE() << "no account " << code.toStdString();
    }
    // Types the pieces of the denomination shown as `value`, then Enter.
    void typePieces(const QString& value, const QString& pieces) {
        QTableWidget* grid = window_->gridDenominations;
        for (int r = 0; r < grid->rowCount(); ++r)
            if (grid->item(r, 0)->text() == value) {
                grid->setFocus();
                grid->setCurrentCell(r, frmCashCount::kQuantity);
                QTest::keyClick(grid, pieces.at(0).toLatin1());
                QTest::keyClicks(QApplication::focusWidget(), pieces.mid(1));
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
                QApplication::processEvents();  // the editor closes once the key is through
                return;
            }
        ADD_FAILURE() << "no denomination " << value.toStdString();
    }
    // Another workstation's clerk, in a process of his own: what it printed.
    QString peer(const QStringList& args) {
        QProcess p;
        p.start(QStringLiteral(PCP_COUNT_PEER), QStringList{connectionString()} + args);
        EXPECT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }
    QString figures() const {
        return QStringList{window_->txtExpected->text(), window_->txtCounted->text(),
                           window_->txtDifference->text(), window_->txtReplenishment->text()}
            .join(" | ");
    }
    std::unique_ptr<frmCashCount> window_;
};

TEST_F(CashCountTest, ABalancedCountThenAShortageExplainedCloseTheirVouchers) {
    frmCashCount* w = open();
    EXPECT_EQ(w->lblFloat->text(), "Float: AED 3,000.00   Custodian: Petty Cash Clerk");
    EXPECT_EQ(w->lblLastCount->text(), "No count of this account yet.");
    EXPECT_EQ(w->gridVouchers->textMatrix(1, 0), "OPS/901");
    EXPECT_EQ(w->lblVouchers->text(), "2 vouchers not yet counted, in all AED 199.75");
    // The dirham's notes and coins, largest first: 1000 ... 5, then 1, 0.50, 0.25.
    EXPECT_EQ(w->gridDenominations->rowCount(), 11);
    EXPECT_EQ(w->gridDenominations->item(10, 0)->text(), "0.25");
    typePieces("1,000.00", "2");
    EXPECT_EQ(w->gridDenominations->currentRow(), 1);  // Enter moved down
    typePieces("500.00", "1");
    typePieces("100.00", "3");
    typePieces("0.25", "1");
    EXPECT_EQ(figures(), "AED 2,800.25 | AED 2,800.25 | AED 0.00 | AED 199.75");
    EXPECT_EQ(w->lblDifference->text(), "The count balances.");
    {
        MessageScript saved;
        saved.expect("The count CNT/2026/PC02-0001 is saved. Replenishment: AED 199.75.",
                     vbInformation);
        w->cmdSave->click();
        EXPECT_TRUE(saved.allSeen());
    }
    EXPECT_EQ(scalar("select count(*) from aPCCashCount where ccCountNo='CNT/2026/PC02-0001' "
                     "and ccFloat=3000 and ccCounted=2800.25 and ccVouchersTotal=199.75 and "
                     "ccExpected=2800.25 and ccDifference=0 and ccReplenishment=199.75")
                  .toInt(),
              1);
    EXPECT_EQ(idsOf("select cvPaymentID from aPCCashCountVouchers order by cvPaymentID"),
              QStringList({"901", "902"}));
    EXPECT_EQ(idsOf("select cdQuantity from aPCCashCountDenominations where cdValue in "
                    "(1000, 500, 100, 0.25) and cdAmount = cdValue * cdQuantity order by cdLine"),
              QStringList({"2", "1", "3", "1"}));
    EXPECT_EQ(scalar("select count(*) from aUserTrail where Action='R' and "
                     "VoucherNo='CNT/2026/PC02-0001'")
                  .toInt(),
              1);
    EXPECT_EQ(w->lblVouchers->text(), "0 vouchers not yet counted, in all AED 0.00");
    EXPECT_EQ(w->gridHistory->textMatrix(1, 0), "CNT/2026/PC02-0001");

    // The request prints from the history.
    w->cmdPrint->click();
    auto* preview = w->findChild<ReportPreview*>("rptReplenishment");
    ASSERT_TRUE(preview);
    const QString pdf = dir_.filePath("request.pdf");
    preview->exportPdf(pdf);
    QProcess text;
    text.start("pdftotext", {"-layout", pdf, "-"});
    ASSERT_TRUE(text.waitForFinished(20000)) << "pdftotext (poppler-utils) is needed";
    const QString printed = QString::fromUtf8(text.readAllStandardOutput()).simplified();
    for (const char* expected :
         {"PETTY CASH REPLENISHMENT REQUEST", "CNT/2026/PC02-0001", "Float (imprest) AED 3,000.00",
          "Cash counted AED 2,800.25", "Balanced AED 0.00", "AED 1,000.00 ×2 2,000.00",
          "OPS/901 18/11/2026 Metro Fuel 120.50", "EX02 Travel and Conveyance (2 lines) AED 199.75",
          "Amount to replenish AED 199.75", "AED One Hundred Ninety-Nine and 75/100 only",
          "Custodian", "Approved by", "Cashier"})
        EXPECT_TRUE(printed.contains(QString::fromUtf8(expected))) << expected << "\n"
                                                                   << printed.toStdString();
    preview->close();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));

    // The covered vouchers are closed: Delete, an edit's save and its state check refuse.
    const QString closed =
        "'OPS/901' is in the cash count CNT/2026/PC02-0001 of 20/11/2026: it cannot be changed.";
    const Outcome<QStringList> deleted = VoucherState::CancelWithReason("901", "OPS/901", "x");
    ASSERT_FALSE(deleted.done());
    EXPECT_EQ(deleted.refusal().message, closed);
    const std::optional<Refusal> edit = VoucherStore::EditRefusal(901);
    ASSERT_TRUE(edit);
    EXPECT_EQ(edit->message, closed);
    EXPECT_EQ(scalar("select phCancel from aHqPettyCashPaymentHeader where phPaymentID=901"), 0);

    // A new voucher of AED 10.00, and AED 2,790.00 counted: a shortage of 200.00.
    addVoucher(903, "OPS/903", "10.00");
    pickAccount("PC02");
    typePieces("1,000.00", "2");
    typePieces("500.00", "1");
    typePieces("100.00", "2");
    typePieces("10.00", "9");
    EXPECT_EQ(figures(), "AED 2,990.00 | AED 2,790.00 | AED -200.00 | AED 210.00");
    EXPECT_EQ(w->lblDifference->text(), "Shortage: less cash than expected.");
    EXPECT_LE(w->lblDifference->sizeHint().width(), w->lblDifference->width());  // not cut
    {
        MessageScript refused;
        refused.expect(
            "The cash counted differs from the cash expected by -200.00: enter an "
            "explanation of the difference.");
        w->cmdSave->click();
        EXPECT_TRUE(refused.allSeen());
    }
    EXPECT_EQ(scalar("select count(*) from aPCCashCount").toInt(), 1);
    QTest::keyClicks(w->txtExplanation, "Taxi fare paid without a voucher");
    MessageScript saved;
    saved.expect("The count CNT/2026/PC02-0002 is saved. Replenishment: AED 210.00.");
    w->cmdSave->click();
    EXPECT_TRUE(saved.allSeen());
    EXPECT_EQ(scalar("select ccExplanation from aPCCashCount where ccCountNo='CNT/2026/PC02-0002'"),
              "Taxi fare paid without a voucher");
    EXPECT_EQ(w->lblLastCount->text(),
              "Last count: CNT/2026/PC02-0002 of 20/11/2026 by admin, counted AED 2,790.00");
}

TEST_F(CashCountTest, WhatAnotherWorkstationChangedIsRefusedAndShown) {
    frmCashCount* w = open();
    typePieces("1,000.00", "3");  // an overage of 199.75 ...
    QTest::keyClicks(w->txtExplanation, "Float topped up twice");
    // ... while another workstation saves a voucher and cancels one of the same
    // amount: as many vouchers, the same total, yet not the same box.
    const QString paid = peer({"pay", "102", "79.25"});
    ASSERT_TRUE(paid.startsWith("OPS/")) << paid.toStdString();
    ASSERT_EQ(peer({"cancel", "902", "OPS/902"}), "cancelled");
    MessageScript refused;
    refused.expect("Since this count was opened, on another workstation: " + paid +
                   " was saved; OPS/902 was cancelled.\r\nNothing was saved. The figures "
                   "shown are now the stored ones: check the count and save again.");
    w->cmdSave->click();
    EXPECT_TRUE(refused.allSeen());
    EXPECT_EQ(scalar("select count(*) from aPCCashCount").toInt(), 0);
    // The stored vouchers are shown; the pieces typed stay.
    EXPECT_EQ(w->gridVouchers->textMatrix(2, 0), paid);
    EXPECT_EQ(figures(), "AED 2,800.25 | AED 3,000.00 | AED 199.75 | AED 0.00");
    EXPECT_EQ(w->txtExplanation->text(), "Float topped up twice");

    // A second window counts the box first; the first is told which count took them.
    frmCashCount second;
    second.cboCashAccount->setCurrentIndex(w->cboCashAccount->currentIndex());
    emit second.cboCashAccount->activated(w->cboCashAccount->currentIndex());
    second.txtExplanation->setText("Counted by the supervisor");
    {
        MessageScript savedThere;
        savedThere.expectStartingWith("The count CNT/2026/PC02-0001 is saved.");
        second.cmdSave->click();
    }
    MessageScript late;
    late.expect(
        "Since this count was opened, on another workstation: OPS/901 was counted in "
        "CNT/2026/PC02-0001; " +
        paid +
        " was counted in CNT/2026/PC02-0001.\r\nNothing was saved. The figures "
        "shown are now the stored ones: check the count and save again.");
    w->cmdSave->click();
    EXPECT_TRUE(late.allSeen());
    EXPECT_EQ(scalar("select count(*) from aPCCashCountVouchers").toInt(), 2);
}

TEST_F(CashCountTest, OfTwoCountsOfOneBoxSavedAtOnceOneWinsAndNoVoucherIsCoveredTwice) {
    const QString go = dir_.filePath("go");
    QProcess first, second;
    for (QProcess* p : {&first, &second}) {
        p->start(QStringLiteral(PCP_COUNT_PEER), {connectionString(), "count", "102", go});
        ASSERT_TRUE(p->waitForReadyRead(30000));  // "ready": both have read the box
    }
    QFile(go).open(QIODevice::WriteOnly);
    QStringList results;
    for (QProcess* p : {&first, &second}) {
        ASSERT_TRUE(p->waitForFinished(60000));
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
        results << QString::fromUtf8(p->readAllStandardOutput()).remove("ready\n").trimmed();
    }
    results.sort();  // "refused" before "saved"
    EXPECT_EQ(results,
              QStringList({"refused: Since this count was opened, on another workstation: "
                           "OPS/901 was counted in CNT/2026/PC02-0001; OPS/902 was counted in "
                           "CNT/2026/PC02-0001.\r\nNothing was saved. The figures shown are "
                           "now the stored ones: check the count and save again.",
                           "saved CNT/2026/PC02-0001"}));
    EXPECT_EQ(scalar("select count(*) from aPCCashCount").toInt(), 1);
    EXPECT_EQ(idsOf("select cvPaymentID from aPCCashCountVouchers order by cvPaymentID"),
              QStringList({"901", "902"}));
}

TEST_F(CashCountTest, PiecesAreWholeNumbersAndAForeignFloatCountsInItsCurrency) {
    frmCashCount* w = open();
    MessageScript refused;
    const QString rule = "Type the number of pieces as a whole number from 0 to 999,999.";
    refused.expect(rule).expect(rule).expect(rule);
    typePieces("1,000.00", "2");
    typePieces("500.00", "1.5");
    typePieces("500.00", "-1");
    typePieces("500.00", "1000000");
    EXPECT_TRUE(refused.allSeen());
    EXPECT_EQ(w->gridDenominations->item(1, frmCashCount::kQuantity)->text(), "");
    EXPECT_EQ(w->txtCounted->text(), "AED 2,000.00");

    // PC03 keeps a float of USD 1,500.00 in dollar notes and cents.
    pickAccount("PC03");
    EXPECT_TRUE(w->lblFloat->text().startsWith("Float: USD 1,500.00"))
        << w->lblFloat->text().toStdString();
    EXPECT_EQ(w->gridDenominations->item(0, 0)->text(), "100.00");
    typePieces("100.00", "15");
    typePieces("0.01", "7");
    EXPECT_TRUE(w->txtCounted->text() == "USD 1,500.07") << w->txtCounted->text().toStdString();
    // Delete clears a line.
    w->gridDenominations->setFocus();
    w->gridDenominations->setCurrentCell(0, frmCashCount::kQuantity);
    QTest::keyClick(w->gridDenominations, Qt::Key_Delete);
    EXPECT_EQ(w->gridDenominations->item(0, frmCashCount::kQuantity)->text(), "");
    EXPECT_EQ(w->txtCounted->text(), "USD 0.07");

    // Tab leaves each grid for the next control.
    w->cboCashAccount->setFocus();
    QStringList visited;
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(visited,
              QStringList({"gridVouchers", "gridDenominations", "txtExplanation", "cmdSave"}));
    // Esc with a count typed asks first; Cancel keeps it, No drops it.
    MessageScript asked;
    asked.expect("Save Changes?", vbCancel).expect("Save Changes?", vbNo);
    QTest::keyClick(w->cmdSave, Qt::Key_Escape);
    EXPECT_TRUE(w->isVisible());
    QTest::keyClick(w->cmdSave, Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(asked.allSeen());
}

TEST_F(CashCountTest, TheFloatIsSetWithTheEditRightAndAudited) {
    frmCashCount* w = open();
    ModalScript modal;
    modal.expect("frmFloat", [&](QDialog* d) {
        auto* f = static_cast<frmFloat*>(d);
        EXPECT_EQ(f->txtImprest->text(), "3000.00");
        f->txtImprest->selectAll();
        QTest::keyClicks(f->txtImprest, "0");
        MessageScript rule;
        rule.expectStartingWith("Enter the amount as a positive number");
        f->cmdSave->click();
        EXPECT_TRUE(rule.allSeen());
        f->txtImprest->selectAll();
        QTest::keyClicks(f->txtImprest, "2,500.50");
        f->cboCustodian->setCurrentIndex(f->cboCustodian->findText("Administrator"));
        f->cmdSave->click();
    });
    w->cmdFloat->click();
    EXPECT_TRUE(modal.allSeen());
    EXPECT_EQ(idsOf("select flSetBy from aPCFloat where flAccountID=102 and flImprest=2500.50 "
                    "and flCustodianID=1"),
              QStringList({"admin"}));
    EXPECT_EQ(scalar("select count(*) from aUserTrail where Action='F'").toInt(), 1);
    EXPECT_EQ(w->lblFloat->text(), "Float: AED 2,500.50   Custodian: Administrator");

    // Without the Edit right no float is set.
    window_.reset();
    EXPECT_FALSE(open(2)->cmdFloat->isEnabled());
}

TEST_F(CashCountTest, TheRegisterOpensTheCountAndACountedVoucherOnlyForReading) {
    setContext(1, 1, 0);
    GStrUserName = "admin";
    FrmMaster master;
    master.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&master));
    EXPECT_EQ(RepeatedShortcutLetters(&master), "");
    ModalScript modal;
    modal.expect("frmCashCount", [&](QDialog* d) {
        auto* w = static_cast<frmCashCount*>(d);
        w->cboCashAccount->setCurrentIndex(
            w->cboCashAccount->findText("PC02 Petty Cash - Site Office (AED)"));
        emit w->cboCashAccount->activated(w->cboCashAccount->currentIndex());
        w->txtExplanation->setText("Not counted: the box was sealed");
        MessageScript saved;
        saved.expectStartingWith("The count CNT/2026/PC02-0001 is saved.");
        w->cmdSave->click();
        EXPECT_EQ(RepeatedShortcutLetters(w), "");
        QTest::keyClick(w->cboCashAccount, Qt::Key_Escape);
    });
    EXPECT_EQ(master.cmdCount->text(), "Cash Co&unt");
    master.flexMaster->setFocus();
    QTest::keyClick(master.flexMaster, Qt::Key_U, Qt::AltModifier);
    // A button's letter shows it pressed, then clicks.
    EXPECT_TRUE(QTest::qWaitFor([&] { return modal.allSeen(); }));
    EXPECT_TRUE(modal.unexpected().isEmpty()) << modal.unexpected().join(",").toStdString();

    // Edit opens a counted voucher for reading only, saying why.
    int row = 0;
    for (int r = 1; r < master.flexMaster->rows(); ++r)
        if (master.flexMaster->textMatrix(r, 1) == "OPS/901") row = r;
    ASSERT_GT(row, 0);
    const QString closedText =
        "'OPS/901' is in the cash count CNT/2026/PC02-0001 of 20/11/2026: it cannot be "
        "changed.";
    // The row says so where the mouse rests on it; an uncounted row does not.
    FlexGrid* grid = master.flexMaster;
    const auto hover = [&](int r) {
        grid->setRow(r);
        grid->setTopRow(r);
        QApplication::processEvents();  // the grid scrolls once events run
        QTest::mouseMove(grid->viewport(),
                         grid->visualRect(grid->model()->index(r - 1, 1)).center());
        return grid->toolTipText();
    };
    EXPECT_EQ(hover(row), "OPS/901\n" + closedText);
    const int open = row == 1 ? 2 : 1;
    EXPECT_EQ(hover(open), grid->textMatrix(open, 1));
    master.flexMaster->setRow(row);
    MessageScript closed;
    closed.expect(closedText, vbInformation);
    ModalScript voucher;
    voucher.expect("frmpayments", [&](QDialog* d) {
        EXPECT_FALSE(d->findChild<QPushButton*>("cmdOk")->isEnabled());
        d->close();
    });
    master.CmdEdit->click();
    EXPECT_TRUE(closed.allSeen() && voucher.allSeen());
    // Delete says so at once, before asking whether and why.
    master.flexMaster->setRow(row);
    MessageScript refused;
    refused.expect(closedText, vbExclamation);
    master.CmdDelete->click();
    EXPECT_TRUE(refused.allSeen());
}

TEST_F(CashCountTest, WithoutTheTablesTheFloatSaysWhichAreMissingAndChangesNothing) {
    exec("drop table aPCCashCountVouchers");
    exec("drop table aPCCashCountDenominations");
    setContext(1, 1, 0);
    const Outcome<CashCount::FloatSetting> refused = CashCount::SaveFloat(102, Decimal(100), 1);
    ASSERT_FALSE(refused.done());
    EXPECT_EQ(refused.refusal().message,
              "The float and the cash count need the tables aPCCashCountDenominations, "
              "aPCCashCountVouchers, which this database does not have. They are installed by "
              "demo/mssql/cash_float.sql (on SQL Server) or with the module's schema. Nothing "
              "was changed.");
    EXPECT_EQ(scalar("select flImprest from aPCFloat where flAccountID=102").toInt(), 3000);
    {  // the register's Cash Count says the same and opens nothing
        GStrUserName = "admin";
        FrmMaster master;
        master.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&master));
        MessageScript told;
        told.expect(refused.refusal().message, vbExclamation);
        master.cmdCount->click();
        EXPECT_TRUE(told.allSeen());
    }
    // The vouchers are no count's: Delete goes on as before.
    EXPECT_TRUE(VoucherState::CancelWithReason("901", "OPS/901", "Duplicate").done());
}

}  // namespace
}  // namespace pcp::test
