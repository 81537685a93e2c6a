// OK on the voucher window: the checks in their order, the rows written (read
// back column by column), an edit, a voucher posted meanwhile, control
// characters kept out of the texts, and a save that fails at any of its
// statements, or into a database file deleted meanwhile, leaving the database
// as it was.

#include <QApplication>
#include <QClipboard>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QSqlQuery>
#include <QSqlRecord>
#include <algorithm>

#include "data/AdoRecordset.h"
#include "data/Values.h"
#include "suite/clsIncident.h"
#include "tests/support/VoucherFixture.h"
#include "ui/FlexGrid.h"

using namespace pcp;
using namespace pcp::test;
using namespace pcp::BasModule;

namespace {

const QString kNothingSaved =
    QStringLiteral("Nothing was saved; the voucher is still on screen as you entered it.");

class VoucherSave : public VoucherTest {
  protected:
    // Every row of a table as text, in a fixed order.
    QString dump(const QString& table) {
        QSqlQuery q(plainDb());
        EXPECT_TRUE(q.exec("select * from " + table));
        QStringList rows;
        while (q.next()) {
            QStringList cells;
            for (int i = 0; i < q.record().count(); ++i)
                cells << (q.isNull(i) ? QStringLiteral("<null>") : q.value(i).toString());
            rows << cells.join(u'|');
        }
        rows.sort();
        return rows.join(u'\n');
    }
    QString dumpAll() {
        return dump("aHqPettyCashPaymentHeader") + "\n--\n" + dump("aHqPettyCashPaymentDetails") +
               "\n--\n" + dump("aUserTrail");
    }
    // A column of a stored header, or of a detail line.
    QVariant header(int company, int id, const QString& column) {
        return scalar(QStringLiteral("select %1 from aHqPettyCashPaymentHeader where "
                                     "phCompanyID=%2 and phPaymentID=%3")
                          .arg(column)
                          .arg(company)
                          .arg(id));
    }
    QVariant detail(int company, int id, int line, const QString& column) {
        return scalar(QStringLiteral("select %1 from aHqPettyCashPaymentDetails where "
                                     "pdCompanyID=%2 and pdPaymentID=%3 and pdDetailID=%4")
                          .arg(column)
                          .arg(company)
                          .arg(id)
                          .arg(line));
    }
    int lines(int company, int id) {
        return scalar(QStringLiteral("select count(*) from aHqPettyCashPaymentDetails where "
                                     "pdCompanyID=%1 and pdPaymentID=%2")
                          .arg(company)
                          .arg(id))
            .toInt();
    }
    int highestId(int company) {
        return scalar(QStringLiteral("select max(phPaymentID) from aHqPettyCashPaymentHeader "
                                     "where phCompanyID=%1")
                          .arg(company))
            .toInt();
    }
    int errorsLogged() { return scalar("select count(*) from aErrorLog").toInt(); }
    // An open voucher (neither cancelled, posted nor frozen) that `user` keyed
    // for Operations, without lines on the accounts `except`, above row `above`.
    int openRowBy(const QString& user, const QString& except = QStringLiteral("0"), int above = 0) {
        for (int r = (above ? above : grid()->rows()) - 1; r >= 1; --r) {
            if (grid()->textMatrix(r, 5) != "No" || grid()->textMatrix(r, 6) != "No") continue;
            const int id = grid()->textMatrix(r, 0).toInt();
            if (header(1, id, "phUserName").toString() != user) continue;
            if (header(1, id, "phDepartmentID").toInt() != 2) continue;
            if (scalar("select count(*) from MiscSettings where AccountsFreezeDate >= '" +
                       header(1, id, "phPaymentdate").toString() + "'")
                    .toInt())
                continue;  // frozen
            if (scalar(QStringLiteral("select count(*) from aHqPettyCashPaymentDetails where "
                                      "pdCompanyID=1 and pdPaymentID=%1 and pdDebitAccountID "
                                      "in (%2)")
                           .arg(id)
                           .arg(except))
                    .toInt() == 0)
                return r;
        }
        return 0;
    }
    void fillIn(frmpayments& form) {
        typeInto(form.txtPayee, "City Taxi Service");
        pick(form.cboAccName, "Petty Cash - Head Office");
        typeInto(form.txtRemarks, "Airport run");
        addLine(form, "Travel and Conveyance", "Taxi fare", "45.5");
        addLine(form, "Refreshments", "Water", "12");
    }
    // A line whose description is set as pasted (tabs included).
    void addPastedLine(frmpayments& form, const QString& account, const QString& description,
                       const QString& amount) {
        inLineDialog([&](frmDebitEntry& dialog) {
            pick(dialog.cboAccounts, account);
            dialog.txtDescription->setText(description);
            typeInto(dialog.txtSettleAmt, amount);
            QTest::mouseClick(dialog.cmdOk, Qt::LeftButton);
            QTest::mouseClick(dialog.cmdCancel, Qt::LeftButton);
        });
        form.mnuAdd->trigger();
    }
    void leaveUnsaved(frmpayments& form) {
        MessageScript messages;
        messages.expect("Save Changes?", vbNo);
        form.Unload();
    }
};

}  // namespace

TEST_F(VoucherSave, ANewVoucherIsStoredColumnByColumn) {
    open(1, 2);  // the administrator working for Operations
    // After the demo's 63 vouchers of company 1, 21 of them for Operations and
    // 32 paid from Petty Cash - Head Office (PC01).
    const int id = 64;
    const QString number = "OPS/22";
    const QString trail = dump("aUserTrail");
    onNewVoucher([&](frmpayments& form) {
        fillIn(form);
        QTest::mouseClick(form.cmdOk, Qt::LeftButton);
        EXPECT_FALSE(form.isVisible());
    });
    EXPECT_EQ(header(1, id, "phDepartmentID").toInt(), 2);
    EXPECT_EQ(header(1, id, "phPaymentNo").toString(), number);
    EXPECT_EQ(header(1, id, "phReferenceno").toString(), "PCP/2026/PC01-0033");
    EXPECT_EQ(header(1, id, "phPaymentdate").toString(), "20261120");
    EXPECT_EQ(header(1, id, "phFinancialID").toInt(), 2);
    EXPECT_EQ(header(1, id, "phAccountID").toInt(), 101);
    EXPECT_EQ(header(1, id, "phPayee").toString(), "City Taxi Service");
    EXPECT_EQ(header(1, id, "phRemarks").toString(), "Airport run");
    EXPECT_EQ(header(1, id, "phAmount").toDouble(), 57.5);
    EXPECT_EQ(header(1, id, "phCancel").toInt(), 0);
    EXPECT_EQ(header(1, id, "phCancelRemarks").toString(), "");
    EXPECT_EQ(header(1, id, "phPosted").toInt(), 0);
    EXPECT_EQ(header(1, id, "phUserName").toString(), "admin");
    EXPECT_TRUE(header(1, id, "phUpdateUserName").isNull());
    EXPECT_TRUE(header(1, id, "phUpdateTime").isNull());
    EXPECT_EQ(header(1, id, "phExRate").toDouble(), 1.0);
    EXPECT_EQ(header(1, id, "phDepExRate").toDouble(), 1.0);
    EXPECT_EQ(header(1, id, "phComExRate").toDouble(), 1.0);

    ASSERT_EQ(lines(1, id), 2);
    for (int line : {1, 2}) {
        EXPECT_EQ(detail(1, id, line, "pdDepartmentID").toInt(), 2);
        EXPECT_EQ(detail(1, id, line, "pdExRate").toDouble(), 1.0);
    }
    EXPECT_EQ(detail(1, id, 1, "pdDebitAccountID").toInt(), 202);
    EXPECT_EQ(detail(1, id, 1, "pdDescription").toString(), "Taxi fare");
    EXPECT_EQ(detail(1, id, 1, "pdAmount").toDouble(), 45.5);
    EXPECT_EQ(detail(1, id, 2, "pdDebitAccountID").toInt(), 207);
    EXPECT_EQ(detail(1, id, 2, "pdDescription").toString(), "Water");
    EXPECT_EQ(detail(1, id, 2, "pdAmount").toDouble(), 12.0);

    EXPECT_EQ(scalar(QStringLiteral("select VoucherNo from aUserTrail where PaymentID=%1 and "
                                    "Action='N'")
                         .arg(id))
                  .toString(),
              number);
    // The register shows the new voucher on its last row, selected.
    EXPECT_EQ(grid()->row(), grid()->rows() - 1);
    EXPECT_EQ(grid()->textMatrix(grid()->row(), 0), QString::number(id));
    EXPECT_EQ(grid()->textMatrix(grid()->row(), 1), number);
    EXPECT_TRUE(modal.allSeen());
}

TEST_F(VoucherSave, AnEditKeepsItsIdentityAndNumbersItsLinesByLineNumber) {
    exec("update MiscSettings set AccountsFreezeDate=null");
    open();
    const int row = openRowBy("clerk", "204, 208");
    ASSERT_GT(row, 0);
    const int id = grid()->textMatrix(row, 0).toInt();
    const QString number = header(1, id, "phPaymentNo").toString();
    const QString reference = header(1, id, "phReferenceno").toString();
    const int department = header(1, id, "phDepartmentID").toInt();
    clickRow(row);
    QStringList descriptions;
    onEditVoucher([&](frmpayments& form) {
        addLine(form, "Cleaning Supplies", "Mops", "900");
        addLine(form, "Repairs and Maintenance", "Hinge", "0.5");
        typeInto(form.txtPayee, "Edited Payee");
        descriptions = lineTexts(form.lvwAccounts, 3);
        emit form.lvwAccounts->columnClicked(4);  // by amount on screen
        ASSERT_NE(lineTexts(form.lvwAccounts, 3), descriptions);
        QTest::mouseClick(form.cmdOk, Qt::LeftButton);
        EXPECT_FALSE(form.isVisible());
    });
    EXPECT_EQ(header(1, id, "phPaymentNo").toString(), number);
    EXPECT_EQ(header(1, id, "phReferenceno").toString(), reference);
    EXPECT_EQ(header(1, id, "phDepartmentID").toInt(), department);
    EXPECT_EQ(header(1, id, "phPayee").toString(), "Edited Payee");
    EXPECT_EQ(header(1, id, "phUserName").toString(), "clerk");
    EXPECT_EQ(header(1, id, "phUpdateUserName").toString(), "admin");
    EXPECT_EQ(header(1, id, "phUpdateTime").toString(), "20261120");
    ASSERT_EQ(lines(1, id), descriptions.size());
    for (int i = 0; i < descriptions.size(); ++i) {
        EXPECT_EQ(detail(1, id, i + 1, "pdDescription").toString(), descriptions[i]) << i;
        EXPECT_EQ(detail(1, id, i + 1, "pdDepartmentID").toInt(), 0);
    }
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from aHqPettyCashPaymentHeader where "
                                    "phCompanyID=1 and phPaymentID=%1")
                         .arg(id))
                  .toInt(),
              1);
}

// Another workstation changes the stored voucher while it is open for edit here.
TEST_F(VoucherSave, AnEditOfAVoucherChangedMeanwhileIsRefusedAndKeptOnScreen) {
    open();
    const QString voucher = " where phCompanyID=1 and phPaymentID=%1";
    int row = 0;
    struct Case {
        QString change, message;
        int shownYes;  // the register's column that then says "Yes" (Cancelled, Posted)
    };
    for (const Case& c : std::initializer_list<Case>{
             {"insert into aPCCashCount values (1, 77, 'CNT/2026/PC01-0009', 2, 101, "
              "'20261120', 'clerk', 0, 0, 0, 0, 0, 0, null);insert into aPCCashCountVouchers "
              "values (1, 77, %1)",
              "'%3' is in the cash count CNT/2026/PC01-0009 of 20/11/2026: it cannot be changed.",
              0},
             {"update aHqPettyCashPaymentHeader set phCancel=1, phCancelRemarks='Paid twice'" +
                  voucher,
              "This voucher has been cancelled since you opened it. Nothing was saved.", 5},
             {"update aHqPettyCashPaymentHeader set phPosted=1" + voucher,
              "The transaction has posted to the Journal. Please cancel post to edit", 6},
             {"delete from aHqPettyCashPaymentHeader" + voucher,
              "This voucher is no longer in the database. Nothing was saved.", 0},
             {"update MiscSettings set AccountsFreezeDate=(select phPaymentdate from "
              "aHqPettyCashPaymentHeader" +
                  voucher + ")",
              "The accounts are frozen up to %2: a voucher dated on or before it cannot be "
              "changed.",
              0}}) {
        ASSERT_GT(row = openRowBy("admin", "0", row), 0);
        clickRow(row);
        onEditVoucher([&](frmpayments& form) {
            typeInto(form.txtPayee, "Changed meanwhile");
            form.dtpDate->setDate(kProcessDate);  // out of the frozen period
            for (const QString& statement : c.change.arg(grid()->textMatrix(row, 0)).split(';'))
                exec(statement);
            const QString before = dumpAll();
            MessageScript messages;
            messages.expect(QString(c.message)
                                .replace("%2", grid()->textMatrix(row, 2))
                                .replace("%3", grid()->textMatrix(row, 1)));
            QTest::mouseClick(form.cmdOk, Qt::LeftButton);
            EXPECT_TRUE(form.isVisible());
            // The register shows the voucher as another workstation left it.
            if (c.shownYes) {
                EXPECT_EQ(grid()->textMatrix(row, c.shownYes), "Yes");
            }
            EXPECT_EQ(form.txtPayee->text(), "Changed meanwhile");
            EXPECT_EQ(dumpAll(), before);
            // It can no longer be saved: read-only, and closing asks nothing.
            EXPECT_FALSE(form.cmdOk->isEnabled());
            QTest::mouseClick(form.cmdClose, Qt::LeftButton);
            EXPECT_FALSE(form.isVisible());
        });
    }
}

// Whatever the register shows, the saved voucher becomes its current row; its
// amount keeps the third decimal of its lines (10 dollars are 36.724 dirhams),
// and an edit of the payee alone keeps it.
TEST_F(VoucherSave, ASavedVoucherIsTheRegistersCurrentRowWithItsExactAmount) {
    exec("update MiscSettings set AccountsFreezeDate=null");
    exec(
        "update aHqPettyCashPaymentHeader set phPayee='Parking order by where' where "
        "phPayee='Harbour Parking'");
    open(1, 2);
    searchAll("Payee", "Parking order by");  // leaves the new voucher out
    for (const QDate& date : {kProcessDate, kProcessDate.addDays(-40)}) {  // then before the window
        onNewVoucher([&](frmpayments& form) {
            fillIn(form);
            addLine(form, "Site Fuel (USD)", "Diesel", "10");
            form.dtpDate->setDate(date);
            QTest::mouseClick(form.cmdOk, Qt::LeftButton);
        });
        EXPECT_EQ(grid()->textMatrix(grid()->row(), 0), QString::number(highestId(1)));
        reopen(1, 2);
    }
    const int id = highestId(1) - 1;
    EXPECT_EQ(header(1, id, "phAmount").toString(), "94.224");
    pickSort("Payee");
    clickRow(rowOf(header(1, id, "phPaymentNo").toString()));
    const QString stored = dumpAll();
    onEditVoucher([&](frmpayments& form) {  // shown as stored; a sort alone is no change
        EXPECT_EQ(lineTexts(form.lvwAccounts, 4), (QStringList{"45.5", "12", "10"}));
        emit form.lvwAccounts->columnClicked(4);
        QTest::mouseClick(form.cmdClose, Qt::LeftButton);  // no question
    });
    EXPECT_EQ(dumpAll(), stored);
    onEditVoucher([&](frmpayments& form) {
        typeInto(form.txtPayee, "Zeta Stores");
        QTest::mouseClick(form.cmdOk, Qt::LeftButton);
    });
    EXPECT_EQ(grid()->textMatrix(grid()->row(), 0), QString::number(id));
    EXPECT_EQ(grid()->textMatrix(grid()->row(), 3), "Zeta Stores");
    EXPECT_EQ(header(1, id, "phAmount").toString(), "94.224");
}

TEST_F(VoucherSave, AUserOfAllDepartmentsSavesForTheWarehouseOfTheSecondCompany) {
    open(1, 0, 2);
    const int id = 7;  // after the demo's six vouchers of company 2, WH/1 to WH/3 among them
    onNewVoucher([&](frmpayments& form) {
        pick(form.cboDepartment, "Warehouse");
        typeInto(form.txtPayee, "Inland Haulage");
        pick(form.cboAccName, "Petty Cash - Main");
        typeInto(form.txtRemarks, "Pallets");
        addLine(form, "Office Supplies", "Labels", "20");
        addLine(form, "Freight and Handling", "Pallet hire", "30");
        QTest::mouseClick(form.cmdOk, Qt::LeftButton);
        EXPECT_FALSE(form.isVisible());
    });
    EXPECT_EQ(header(2, id, "phDepartmentID").toInt(), 5);
    EXPECT_EQ(header(2, id, "phPaymentNo").toString(), "WH/4");
    ASSERT_EQ(lines(2, id), 2);
    EXPECT_EQ(detail(2, id, 1, "pdDepartmentID").toInt(), 0);
    EXPECT_EQ(detail(2, id, 2, "pdDepartmentID").toInt(), 0);
}

TEST_F(VoucherSave, TheChecksComeInTheirOrderEachLeadingToItsField) {
    open(1, 0);
    const QString before = dumpAll();
    onNewVoucher([&](frmpayments& form) {
        const auto ok = [&](const QString& message, QWidget* focus) {
            MessageScript messages;
            messages.expect(message);
            QTest::mouseClick(form.cmdOk, Qt::LeftButton);
            ASSERT_EQ(messages.shown().size(), 1u) << message.toStdString();
            EXPECT_EQ(messages.shown()[0].icon(), int(vbInformation));
            EXPECT_EQ(messages.shown()[0].title, "Petty Cash");
            EXPECT_EQ(form.focusWidget(), focus) << message.toStdString();
            EXPECT_TRUE(form.isVisible());
        };
        form.cboDepartment->setCurrentIndex(-1);
        ok("Select Department .", form.cboDepartment);
        pick(form.cboDepartment, "Operations");
        ok("Enter Payee .", form.txtPayee);
        typeInto(form.txtPayee, " ");  // a blank passes
        form.cboAccName->setCurrentIndex(-1);
        ok("Select Account .", form.cboAccName);
        pick(form.cboAccName, "Petty Cash - Head Office");
        ok("Enter Remarks .", form.txtRemarks);
        typeInto(form.txtRemarks, "Remarks");
        ok("Atleast One Detail Needed .", form.lvwAccounts);
        addLine(form, "Refreshments", "Tea", "40");
        form.txtTotal->clear();
        ok("Enter Payment Amount .", form.lvwAccounts);
        form.txtTotal->setText("1.00");
        ok("The total amount must be equal to 40.00", form.cboAccName);
        form.txtTotal->setText("40.00");
        form.dtpDate->setDate(QDate(2027, 1, 4));
        ok("The payment date must fall within the financial year, 01/01/2026 to 31/12/2026.",
           form.dtpDate);
        exec("update MiscSettings set AccountsFreezeDate='20261120'");  // by another workstation
        form.dtpDate->setDate(kProcessDate);
        ok("The accounts are frozen up to 20/11/2026: a voucher dated on or before it cannot be "
           "saved.",
           form.dtpDate);
        leaveUnsaved(form);
    });
    EXPECT_EQ(dumpAll(), before);
}

TEST_F(VoucherSave, WhatTheUserTypedIsStoredVerbatim) {
    open(1, 2);
    const int id = highestId(1) + 1;
    const QString payee = QStringLiteral("O'Brien \"Q\" \\ 100% _a_ [b] Ærø Ünal");
    const QString remarks = QStringLiteral("it''s 50%_off [x] \\n çğış ñ 東京");
    const QString lineText = QStringLiteral("'; drop table aUsers; -- %_[]\\ € Ödön");
    onNewVoucher([&](frmpayments& form) {
        form.txtPayee->setText(payee);
        pick(form.cboAccName, "Petty Cash - Head Office");
        form.txtRemarks->setText(remarks);
        addPastedLine(form, "Refreshments", lineText, "5");
        addPastedLine(form, "Cleaning Supplies", QStringLiteral("naïve \"quoted\""), "6");
        QTest::mouseClick(form.cmdOk, Qt::LeftButton);
        EXPECT_FALSE(form.isVisible());
    });
    EXPECT_EQ(header(1, id, "phPayee").toString(), payee);
    EXPECT_EQ(header(1, id, "phRemarks").toString(), remarks);
    EXPECT_EQ(detail(1, id, 1, "pdDescription").toString(), lineText);
    EXPECT_EQ(detail(1, id, 2, "pdDescription").toString(), "naïve \"quoted\"");
}

// Pasted with Ctrl+V as a clerk pastes: a tab or line break becomes a space,
// other control characters (a NUL here) go, on screen and in the database.
TEST_F(VoucherSave, ControlCharactersPastedIntoTheTextsAreNeverStored) {
    open(1, 2);
    const int id = highestId(1) + 1;
    const auto paste = [](QLineEdit* field, const QString& text) {
        QGuiApplication::clipboard()->setText(text);
        field->setFocus();
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    };
    onNewVoucher([&](frmpayments& form) {
        paste(form.txtPayee, QString::fromUtf8("NUL\0AFTER", 9));
        pick(form.cboAccName, "Petty Cash - Head Office");
        paste(form.txtRemarks, "a\tb\nc");
        inLineDialog([&](frmDebitEntry& dialog) {
            pick(dialog.cboAccounts, "Refreshments");
            paste(dialog.txtDescription, "Tea\r\nand\x01 milk");
            EXPECT_EQ(dialog.txtDescription->text(), "Tea  and milk");
            typeInto(dialog.txtSettleAmt, "5");
            QTest::mouseClick(dialog.cmdOk, Qt::LeftButton);
            QTest::mouseClick(dialog.cmdCancel, Qt::LeftButton);
        });
        form.mnuAdd->trigger();
        EXPECT_EQ(form.txtPayee->text(), "NULAFTER");
        EXPECT_EQ(form.txtRemarks->text(), "a b c");
        QTest::mouseClick(form.cmdOk, Qt::LeftButton);
        EXPECT_FALSE(form.isVisible());
    });
    EXPECT_EQ(header(1, id, "phPayee").toString(), "NULAFTER");
    EXPECT_EQ(header(1, id, "length(phPayee)").toInt(), 8);
    EXPECT_EQ(header(1, id, "phRemarks").toString(), "a b c");
    EXPECT_EQ(detail(1, id, 1, "pdDescription").toString(), "Tea  and milk");
}

// --- failures --------------------------------------------------------------------

TEST_F(VoucherSave, AFailureAtAnyStatementLeavesTheDatabaseAsItWas) {
    open(1, 2);
    onNewVoucher([&](frmpayments& form) {
        fillIn(form);
        for (int n = 1;; ++n) {
            ASSERT_LT(n, 200) << "the save never got through";
            const QString before = dumpAll();
            const int errors = errorsLogged();
            con()->FailAtStatement(n);
            MessageScript messages;
            messages.expectStartingWith("An error occurred in frmpayments (cmdOk_Click).");
            QTest::mouseClick(form.cmdOk, Qt::LeftButton);
            if (!form.isVisible()) {  // every statement has failed once: this one went through
                messages.forget();
                con()->FailAtStatement(0);
                EXPECT_TRUE(messages.shown().empty());
                EXPECT_GT(n, 10);
                break;
            }
            ASSERT_EQ(messages.shown().size(), 1u) << n;
            EXPECT_TRUE(messages.shown()[0].text.endsWith(kNothingSaved)) << n;
            EXPECT_EQ(dumpAll(), before) << "statement " << n;
            EXPECT_FALSE(con()->InTransaction());
            EXPECT_EQ(errorsLogged(), errors + 1) << n;
            EXPECT_FALSE(scalar("select StatementText from aErrorLog order by ErrorID desc")
                             .toString()
                             .isEmpty())
                << n;
            EXPECT_EQ(form.txtPayee->text(), "City Taxi Service");
            EXPECT_EQ(form.txtRemarks->text(), "Airport run");
            EXPECT_EQ(form.cboAccName->currentText(), "Petty Cash - Head Office");
            EXPECT_EQ(lineTexts(form.lvwAccounts, 3), (QStringList{"Taxi fare", "Water"}));
            EXPECT_TRUE(form.txtRefNo->text().isEmpty());
            EXPECT_TRUE(form.txtpaymentNo->text().isEmpty());
        }
    });
    EXPECT_EQ(grid()->textMatrix(grid()->row(), 3), "City Taxi Service");
}

// F5, or Yes to the close question: a failed save keeps the window, the next saves.
TEST_F(VoucherSave, AFailedSaveByF5OrTheCloseQuestionKeepsTheWindowAndTheNextSaves) {
    open(1, 2);
    for (const bool byKey : {true, false}) {
        const int before = highestId(1);
        onNewVoucher([&](frmpayments& form) {
            fillIn(form);
            for (const int failAt : {byKey ? 6 : 12, 0}) {
                con()->FailAtStatement(failAt);
                MessageScript messages;
                if (!byKey) messages.expect("Save Changes?", vbYes);
                if (failAt) messages.expectStartingWith("An error occurred in frmpayments");
                if (byKey) QTest::keyClick(&form, Qt::Key_F5);
                if (!byKey) QTest::mouseClick(form.cmdClose, Qt::LeftButton);
                EXPECT_EQ(form.isVisible(), failAt != 0);
                EXPECT_TRUE(!failAt || messages.texts().last().endsWith(kNothingSaved));
                EXPECT_EQ(highestId(1), failAt ? before : before + 1);
            }
        });
    }
}

TEST_F(VoucherSave, AClashWithAVoucherSavedMeanwhileIsNumberedAgainWithoutAWord) {
    open(1, 2);
    const int before = highestId(1);
    const int rows = grid()->rows();
    onNewVoucher([&](frmpayments& form) {
        fillIn(form);
        // The first attempt fails late (its audit record), after header, lines and row.
        con()->FailAtStatement(16,
                               "UNIQUE constraint failed: aHqPettyCashPaymentHeader.phCompanyID, "
                               "aHqPettyCashPaymentHeader.phReferenceno");
        MessageScript messages;  // none expected
        QTest::mouseClick(form.cmdOk, Qt::LeftButton);
        EXPECT_FALSE(form.isVisible());
    });
    EXPECT_EQ(highestId(1), before + 1);
    EXPECT_EQ(lines(1, before + 1), 2);
    EXPECT_EQ(
        scalar(QStringLiteral("select count(*) from aUserTrail where PaymentID=%1").arg(before + 1))
            .toInt(),
        1);
    EXPECT_EQ(grid()->rows(), rows + 1);  // one new row, not one per attempt
    EXPECT_EQ(grid()->textMatrix(grid()->rows() - 1, 0), QString::number(before + 1));
}

// The database file deleted while a voucher is keyed (SQLite would write on
// into the unlinked file, and the voucher would vanish with it): the save is
// refused naming the file, nothing is written and the voucher stays on screen.
TEST_F(VoucherSave, ASaveIntoADatabaseFileDeletedMeanwhileIsRefusedNamingTheFile) {
    if (OnPostgres()) GTEST_SKIP() << "a server's database has no file to delete";
    open(1, 2);
    const auto vouchers = [&] {  // through the module's connection: the file is gone
        AdoRecordset rs;
        rs.Open("select count(*) from aHqPettyCashPaymentHeader", con());
        return rs.Fields(0).toInt();
    };
    const int before = vouchers(), rows = grid()->rows();
    onNewVoucher([&](frmpayments& form) {
        ASSERT_TRUE(QFile::remove(dbPath()));
        fillIn(form);
        MessageScript messages;
        messages.expect("The database file '" + dbPath() +
                        "' has been moved or deleted since it was opened: nothing can be "
                        "written to it.\r\n\r\n" +
                        kNothingSaved);
        QTest::keyClick(&form, Qt::Key_F5);
        ASSERT_EQ(messages.shown().size(), 1u);
        EXPECT_EQ(messages.shown()[0].icon(), int(vbExclamation));
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(form.txtPayee->text(), "City Taxi Service");
        EXPECT_EQ(form.txtRemarks->text(), "Airport run");
        EXPECT_EQ(lineTexts(form.lvwAccounts, 3), (QStringList{"Taxi fare", "Water"}));
        EXPECT_EQ(vouchers(), before);
        EXPECT_EQ(clsIncident::pendingCount(), 1);  // the error record waits for a database
        leaveUnsaved(form);
    });
    EXPECT_EQ(grid()->rows(), rows);
}

TEST_F(VoucherSave, AVoucherBeyondWhatIsLeftOfTheFloatIsRefusedAndStaysToBeChanged) {
    // PC01's float leaves AED 100.00 after its standing vouchers.
    exec(
        "update aPCFloat set flImprest = 100 + (select sum(phAmount) from "
        "aHqPettyCashPaymentHeader where phAccountID=101 and phCancel=0 and phCompanyID=1) "
        "where flAccountID=101");
    const QString imprest =
        Format(CDec(scalar("select flImprest from aPCFloat where flAccountID=101")),
               QStringLiteral("#,##0.00"));
    open(1, 2);
    const int vouchers = scalar("select count(*) from aHqPettyCashPaymentHeader").toInt();
    onNewVoucher([&](frmpayments& form) {
        typeInto(form.txtPayee, "City Taxi Service");
        pick(form.cboAccName, "Petty Cash - Head Office");
        EXPECT_EQ(form.lblFloatLeft->text(), "Left in the float: AED 100.00 of " + imprest);
        typeInto(form.txtRemarks, "Airport run");
        addLine(form, "Travel and Conveyance", "Taxi fare", "60");
        // Meanwhile another workstation pays AED 50.00 out of the same box.
        exec(
            "insert into aHqPettyCashPaymentHeader (phPaymentID, phCompanyID, phFinancialID, "
            "phDepartmentID, phPaymentNo, phPaymentdate, phAccountID, phAmount, phExRate, "
            "phCancel, phPosted) values (990, 1, 2, 1, 'ADM/990', '20261120', 101, 50, 1, 0, 0)");
        MessageScript refused;
        refused.expect(
            "This voucher of AED 60.00 is more than is left in the float of PC01: AED "
            "50.00 of " +
                imprest + ". Nothing was saved; the voucher is still on screen.",
            vbInformation);
        QTest::mouseClick(form.cmdOk, Qt::LeftButton);
        EXPECT_TRUE(refused.allSeen());
        EXPECT_TRUE(form.isVisible() && form.cmdOk->isEnabled());
        EXPECT_EQ(form.lblFloatLeft->text(), "Left in the float: AED 50.00 of " + imprest);
        leaveUnsaved(form);
    });
    EXPECT_EQ(scalar("select count(*) from aHqPettyCashPaymentHeader").toInt(), vouchers + 1);
}
