// Delete (cancellation with a reason) and Cancel Posting as a user meets
// them in the register: clicks, the questions answered by their text, the
// reason typed into the reason dialog; then what the database, the audit
// trail and the grid hold afterwards, failures included.

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "data/Values.h"
#include "register/frmcancel.h"
#include "store/VoucherState.h"
#include "tests/support/RegisterFixture.h"
#include "ui/FlexGrid.h"
#include "ui/Modal.h"
#include "ui/Twips.h"

using namespace pcp;
using namespace pcp::test;
using namespace pcp::BasModule;

namespace {

QStringList sortedIds(QStringList ids) {
    std::sort(ids.begin(), ids.end(),
              [](const QString& a, const QString& b) { return a.toInt() < b.toInt(); });
    return ids;
}

constexpr quint32 kRed = 0x0000FFu;
const QString kPosted = "Entry Posted,Cannot Delete .";
const QString kNoReason = "No reason was given: the entry is not deleted.";
const QString kEnterReason = "Enter reason for deletion";

// The reason dialog once it is the active window, as the user meets it (the
// offscreen platform activates a window a moment after it is shown).
frmcancel* reasonDialog(QDialog* d) {
    auto* f = qobject_cast<frmcancel*>(d);
    EXPECT_NE(f, nullptr);
    d->activateWindow();
    EXPECT_TRUE(QTest::qWaitFor([d] { return QApplication::activeWindow() == d; }));
    return f;
}

void type(QWidget* w, const QString& text) {
    w->setFocus();
    QTest::keyClicks(w, text);
}

}  // namespace

class Commands : public RegisterTest {
  protected:
    QDateTime freezeDate() { return GetAccountsFreezeDate().toDateTime(); }

    // A voucher Delete may cancel: neither cancelled, posted nor frozen; not the last row.
    int openRow() {
        const QDateTime freeze = freezeDate();
        return rowWhere([&](int r) {
            return r < grid()->rows() - 1 && cell(r, 5) == "No" && cell(r, 6) == "No" &&
                   ParseDate(cell(r, 2)) > freeze;
        });
    }
    int postedRow() {
        const QDateTime freeze = freezeDate();
        return rowWhere([&](int r) {
            return cell(r, 5) == "No" && cell(r, 6) == "Yes" && ParseDate(cell(r, 2)) > freeze;
        });
    }

    QVariant header(const QString& id, const QString& column) {
        return scalar("select " + column +
                      " from aHqPettyCashPaymentHeader where phCompanyID=1 and phPaymentID=" + id);
    }
    int trail(const QString& id, const QString& action) {
        return scalar("select count(*) from aUserTrail where PaymentID=" + id + " and Action='" +
                      action + "'")
            .toInt();
    }
    QStringList rowCells(int r) const {
        QStringList out;
        for (int c = 0; c < 7; ++c) out << cell(r, c);
        return out;
    }
    bool rowIsRed(int r) const {
        for (int c = 0; c < 7; ++c)
            if (grid()->cellForeColorAt(r, c) != kRed) return false;
        return true;
    }
    QString question(int r) const {
        return "Are You Sure Want To Delete The Entry - '" + cell(r, 1) + "'?";
    }

    // Clicks Delete on the row and drives the reason dialog with `inDialog`;
    // the messages are the caller's script.
    void cancelWith(int r, std::function<void(frmcancel*)> inDialog) {
        clickRow(r);
        ASSERT_TRUE(window_->CmdDelete->isEnabled());
        ModalScript modal;
        modal.expect("frmcancel", [&](QDialog* d) { inDialog(reasonDialog(d)); });
        QTest::mouseClick(window_->CmdDelete, Qt::LeftButton);
        EXPECT_TRUE(modal.allSeen());
        EXPECT_EQ(OpenModalCount(), 0);
    }
    // The register's focus, whether or not the platform has made it active again.
    QWidget* focused() const { return window_->focusWidget(); }
};

// --- Delete ---------------------------------------------------------------

TEST_F(Commands, DeleteCancelsTheVoucherWithItsReasonAndPaintsTheRowRed) {
    open();
    const int r = openRow();
    ASSERT_GT(r, 0);
    const QString id = cell(r, 0), number = cell(r, 1);
    con()->log().clear();
    MessageScript messages;
    messages.expect(question(r), vbYes);
    cancelWith(r, [&](frmcancel* f) {
        EXPECT_EQ(f->windowTitle(), "Reason for deletion");
        EXPECT_EQ(f->Label1->text(), "&Reason :");
        EXPECT_EQ(f->size(), QSize(TwipsToPx(6360), TwipsToPx(510)));
        EXPECT_EQ(QApplication::focusWidget(), f->txtcanreason);
        EXPECT_TRUE(window_->strCancelReason.isEmpty());
        type(f->txtcanreason, "Paid twice by mistake");
        QTest::mouseClick(f->cmdOk, Qt::LeftButton);
    });

    ASSERT_FALSE(messages.shown().empty());
    const MessageRequest& asked = messages.shown().front();
    EXPECT_EQ(asked.style, vbYesNo | vbCritical | vbDefaultButton2);
    EXPECT_EQ(asked.title, "Petty Cash");
    EXPECT_EQ(header(id, "phCancel").toInt(), 1);
    EXPECT_EQ(header(id, "phCancelRemarks").toString(), "Paid twice by mistake");
    EXPECT_TRUE(con()->log().texts().contains(
        "update aHqPettyCashPaymentHeader set phcancel=1,phcancelRemarks='Paid twice by mistake' "
        "where phPaymentID='" +
        id + "' and phCompanyID=1 and phCancel=0 and phPosted=0"));
    EXPECT_EQ(trail(id, "D"), 1);
    EXPECT_EQ(scalar("select VoucherNo from aUserTrail where Action='D'").toString(), number);

    EXPECT_EQ(cell(r, 5), "Yes");
    EXPECT_TRUE(rowIsRed(r));
    // The voucher just cancelled stays current: Delete stays off, and Enter
    // opens that voucher, read-only.
    EXPECT_EQ(grid()->row(), r);
    EXPECT_EQ(grid()->rowSel(), r);
    EXPECT_FALSE(window_->CmdDelete->isEnabled());
    EXPECT_EQ(focused(), window_->cmdNew);
    EXPECT_EQ(GStrMasterNewEditFlag, "E");
    MessageScript readOnly;
    readOnly.expect("Entry Cancelled,Cannot Modify");
    ModalScript modal;
    modal.expect("frmpayments", [&](QDialog* d) {
        EXPECT_EQ(d->findChild<QLineEdit*>("txtpaymentNo")->text(), number);
        EXPECT_FALSE(d->findChild<QWidget*>("cmdOk")->isEnabled());
        d->close();
    });
    QTest::keyClick(grid(), Qt::Key_Return);
    EXPECT_TRUE(modal.allSeen());
}

// A posted row is refused before the question (the register allows Delete on
// it), and No to the question backs out: neither begins a transaction.
TEST_F(Commands, APostedVoucherOrAnsweringNoChangesNothing) {
    open();
    const int posted = postedRow(), unposted = openRow();
    const std::tuple<int, QString, int> cases[] = {{posted, kPosted, vbOK},
                                                   {unposted, question(unposted), vbNo}};
    for (const auto& [r, told, answer] : cases) {
        clickRow(r);
        ASSERT_TRUE(window_->CmdDelete->isEnabled());
        const QStringList before = rowCells(r);
        con()->log().clear();
        MessageScript messages;
        messages.expect(told, answer);
        QTest::mouseClick(window_->CmdDelete, Qt::LeftButton);  // no modal window may appear
        EXPECT_EQ(header(cell(r, 0), "phCancel").toInt(), 0);
        EXPECT_EQ(rowCells(r), before);
        EXPECT_FALSE(con()->log().texts().contains("BeginTrans"));
        EXPECT_TRUE(con()->log().texts().filter("update", Qt::CaseInsensitive).isEmpty());
    }
    EXPECT_EQ(focused(), window_->cmdNew);
}

TEST_F(Commands, BlanksKeepOkDisabledAndClosingWithoutAReasonBacksOut) {
    open();
    const int r = openRow();
    const QString id = cell(r, 0);
    const QStringList before = rowCells(r);
    MessageScript messages;
    messages.expect(question(r), vbYes).expect(kNoReason);
    clickRow(r);
    ModalScript modal;
    modal.expect("frmcancel", [&](QDialog* d) {
        frmcancel* f = reasonDialog(d);
        EXPECT_TRUE(f->cmdOk->isEnabled());  // OK starts enabled
        type(f->txtcanreason, "   ");
        EXPECT_FALSE(f->cmdOk->isEnabled());
        type(f->txtcanreason, "'");  // the apostrophe is swallowed
        EXPECT_EQ(f->txtcanreason->text(), "   ");
        EXPECT_FALSE(f->cmdOk->isEnabled());
        f->close();  // the close box
    });
    QTest::mouseClick(window_->CmdDelete, Qt::LeftButton);
    EXPECT_TRUE(modal.allSeen());
    ASSERT_FALSE(messages.shown().empty());
    EXPECT_EQ(messages.shown().back().style, vbInformation);
    EXPECT_EQ(header(id, "phCancel").toInt(), 0);
    EXPECT_EQ(header(id, "phCancelRemarks").toString(), "");
    EXPECT_EQ(trail(id, "D"), 0);
    EXPECT_EQ(rowCells(r), before);
    EXPECT_FALSE(rowIsRed(r));
    EXPECT_EQ(focused(), window_->cmdNew);
}

TEST_F(Commands, ClosingWhileOkStandsForAnUnacceptedReasonAsksForOneOrAcceptsIt) {
    open();
    const int r = openRow();
    MessageScript messages;
    messages.expect(question(r), vbYes).expect(kEnterReason).expect(kEnterReason);
    clickRow(r);
    ModalScript modal;
    modal.expect("frmcancel", [&](QDialog* d) {
        frmcancel* f = reasonDialog(d);
        QTest::mouseClick(f->cmdOk, Qt::LeftButton);  // OK with an empty box
        EXPECT_TRUE(f->isVisible());
        EXPECT_FALSE(f->close());  // the close box tries OK first
        EXPECT_TRUE(f->isVisible());
        type(f->txtcanreason, "Wrong payee");
        EXPECT_TRUE(f->close());  // now OK accepts the reason and the dialog closes
    });
    QTest::mouseClick(window_->CmdDelete, Qt::LeftButton);
    EXPECT_TRUE(modal.allSeen());
    ASSERT_GE(messages.shown().size(), 2u);
    EXPECT_EQ(messages.shown()[1].style, vbInformation);
    EXPECT_EQ(messages.shown()[1].title, "Petty Cash");
    EXPECT_EQ(header(cell(r, 0), "phCancelRemarks").toString(), "Wrong payee");
    EXPECT_EQ(cell(r, 5), "Yes");
}

// However the reason is given, it is stored as written; a user without the
// New right cancels too, and no error report follows the question.
TEST_F(Commands, AReasonIsStoredAsWrittenWhicheverWayItIsGivenWithoutTheNewRight) {
    const QString fifty = "Voucher duplicated by the site office in October X";
    ASSERT_EQ(fifty.size(), 50);
    const std::pair<QString, std::function<void(frmcancel*)>> cases[] = {
        {fifty,
         [&](frmcancel* f) {  // the 51st character cannot be typed
             type(f->txtcanreason, fifty + "Z");
             QTest::mouseClick(f->cmdOk, Qt::LeftButton);
         }},
        {"Torn receipt",
         [&](frmcancel* f) {  // Enter moves on to OK, and Escape presses it
             type(f->txtcanreason, "Torn receipt");
             QTest::keyClick(f->txtcanreason, Qt::Key_Return);
             QApplication::processEvents();
             EXPECT_EQ(QApplication::focusWidget(), f->cmdOk);
             QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
         }},
        {"O'Brien's taxi",
         [&](frmcancel* f) {  // pasted, the apostrophes get past the box
             QApplication::clipboard()->setText("O'Brien's taxi");
             f->txtcanreason->setFocus();
             QTest::keyClick(f->txtcanreason, Qt::Key_V, Qt::ControlModifier);
             QTest::mouseClick(f->cmdOk, Qt::LeftButton);
         }},
    };
    exec("update auserrights set FunctionRights='ED' where userid=1 and companyid=1");
    open();
    ASSERT_FALSE(window_->cmdNew->isEnabled());
    for (const auto& [reason, give] : cases) {
        const int r = openRow();
        MessageScript messages;
        messages.expect(question(r), vbYes);
        cancelWith(r, give);
        EXPECT_EQ(header(cell(r, 0), "phCancelRemarks").toString(), reason);
        EXPECT_EQ(header(cell(r, 0), "phCancel").toInt(), 1);
        EXPECT_EQ(cell(r, 5), "Yes");
        EXPECT_EQ(focused(), grid());
    }
    EXPECT_EQ(scalar("select count(*) from aErrorLog").toInt(), 0);
    // the selection-change handler ran: the selection takes the current cell's colour
    const quint32 current = grid()->cellForeColor();
    EXPECT_EQ(grid()->foreColorSel(), current ? current : kColorHighlightText);
}

TEST_F(Commands, AFailureAtTheUpdateOrTheAuditRecordRollsBackAndLeavesTheRowAsItWas) {
    open();
    const std::pair<QString, QString> refusals[] = {
        {"BEFORE UPDATE OF phCancel", "aHqPettyCashPaymentHeader"},
        {"BEFORE INSERT", "aUserTrail"}};
    for (const auto& [when, table] : refusals) {
        const int r = openRow();
        const QString id = cell(r, 0);
        const QStringList before = rowCells(r);
        createTrigger("refuse", when, table, "refuse: refused");
        MessageScript messages;
        messages.expect(question(r), vbYes)
            .expectStartingWith("An error occurred in FrmMaster (CmdDelete_Click).");
        cancelWith(r, [&](frmcancel* f) {
            type(f->txtcanreason, "Duplicate");
            QTest::mouseClick(f->cmdOk, Qt::LeftButton);
        });
        EXPECT_FALSE(con()->InTransaction());
        EXPECT_EQ(header(id, "phCancel").toInt(), 0);
        EXPECT_EQ(header(id, "phCancelRemarks").toString(), "");
        EXPECT_EQ(trail(id, "D"), 0);
        EXPECT_EQ(rowCells(r), before);
        EXPECT_FALSE(rowIsRed(r));
        EXPECT_TRUE(window_->CmdDelete->isEnabled());
        dropTrigger("refuse", table);
    }
    EXPECT_EQ(idsOf("select ProcedureName from aErrorLog"),
              QStringList({"CmdDelete_Click", "CmdDelete_Click"}));
}

// Another workstation changes the voucher while the reason is typed: the
// command checks the stored voucher, changes nothing and shows the row as stored.
TEST_F(Commands, AVoucherPostedCancelledOrFrozenMeanwhileIsNotDeleted) {
    struct Case {
        QString meanwhile, told, cancelled, posted, reason;
    };
    const QString voucher = " where phCompanyID=1 and phPaymentID=%1";
    const Case cases[] = {
        {"update aHqPettyCashPaymentHeader set phPosted=1" + voucher,
         "'%1' was posted on another workstation meanwhile: it was not deleted.", "No", "Yes", ""},
        {"update aHqPettyCashPaymentHeader set phCancel=1, phCancelRemarks='First'" + voucher,
         "'%1' was cancelled on another workstation meanwhile: it was not deleted.", "Yes", "No",
         "First"},
        {"update MiscSettings set AccountsFreezeDate=(select phPaymentdate from "
         "aHqPettyCashPaymentHeader" +
             voucher + ")",
         "'%1' is dated on or before the accounts freeze date: it was not deleted.", "No", "No",
         ""},
    };
    open();
    for (const Case& c : cases) {
        const int r = openRow();
        const QString id = cell(r, 0), number = cell(r, 1);
        SCOPED_TRACE(number.toStdString());
        MessageScript messages;
        messages.expect(question(r), vbYes).expect(c.told.arg(number));
        cancelWith(r, [&](frmcancel* f) {
            exec(c.meanwhile.arg(id));
            type(f->txtcanreason, "Second");
            QTest::mouseClick(f->cmdOk, Qt::LeftButton);
        });
        EXPECT_EQ(header(id, "phCancelRemarks").toString(), c.reason);
        EXPECT_EQ(trail(id, "D"), 0);
        EXPECT_EQ(cell(r, 5), c.cancelled);
        EXPECT_EQ(cell(r, 6), c.posted);
        EXPECT_EQ(rowIsRed(r), c.cancelled == "Yes");
    }
}

// --- Cancel Posting -------------------------------------------------------

class CancelPosting : public Commands {
  protected:
    struct Voucher {
        QString id, number, date;  // date as yyyymmdd
    };
    Voucher voucherOf(int r) {
        return {cell(r, 0), cell(r, 1), FormatDate(ParseDate(cell(r, 2)), "yyyymmdd")};
    }
    int journalId(const QString& where) {
        return scalar("select JournalID from KRVjournalheader where " + where).toInt();
    }
    void addJournal(int company, const QString& type, const QString& number, const QString& date,
                    int cancel) {
        exec(QString("insert into KRVjournalheader (companyid, Type, referenceno, JournalDate, "
                     "Amount, Narration, cancel) values (%1, '%2', '%3', '%4', 10, 'test', %5)")
                 .arg(company)
                 .arg(type, number, date)
                 .arg(cancel));
    }
    void clickCancelPosting(int r, int answer, MessageScript& messages,
                            const QString& told = "Posting Cancelled") {
        clickRow(r);
        ASSERT_TRUE(window_->cmdUpdate->isEnabled());
        messages.expect("Do you want to cancel the posting of '" + cell(r, 1) + "'?", answer);
        if (answer == vbYes) messages.expect(told);
        QTest::mouseClick(window_->cmdUpdate, Qt::LeftButton);
    }
};

TEST_F(CancelPosting, ReversesTheJournalEntryAndTheVoucherInOneTransaction) {
    open();
    const int r = postedRow();
    ASSERT_GT(r, 0);
    const Voucher v = voucherOf(r);
    const int live =
        journalId("companyid=1 and Type='HQPCP' and referenceno='" + v.number + "' and cancel=0");
    ASSERT_GT(live, 0);
    con()->log().clear();
    MessageScript messages;
    clickCancelPosting(r, vbYes, messages);

    ASSERT_GE(messages.shown().size(), 2u);
    const MessageRequest& asked = messages.shown()[0];
    EXPECT_EQ(asked.style, vbYesNo | vbQuestion);
    EXPECT_EQ(asked.title, DefaultMessageTitle());  // no title of its own
    EXPECT_EQ(messages.shown()[1].style, vbInformation);
    EXPECT_EQ(messages.shown()[1].title, "Petty Cash");

    // The two changes, each conditional on the state it starts from, in one transaction.
    const QStringList sent = con()->log().texts();
    const QStringList expected{
        "Update aHqPettyCashPaymentHeader set phposted=0 where phPaymentid=" + v.id +
            " and phCompanyID=1 and phPosted=1 and phCancel=0",
        "Update KRVjournalheader set cancel=1 where referenceno='" + v.number +
            "' and Type='HQPCP' and JournalDate='" + v.date + "' And Cancel = 0 AND companyid=1"};
    EXPECT_EQ(sent.filter("Update "), expected);
    EXPECT_EQ(sent.filter("BeginTrans").size(), 1);
    EXPECT_EQ(sent.filter("CommitTrans").size(), 1);
    EXPECT_EQ(scalar("select cancel from KRVjournalheader where JournalID=" + QString::number(live))
                  .toInt(),
              1);
    EXPECT_EQ(header(v.id, "phPosted").toInt(), 0);
    EXPECT_EQ(trail(v.id, "C"), 1);

    EXPECT_EQ(cell(r, 6), "No");
    for (int c = 0; c < 7; ++c) EXPECT_EQ(grid()->cellForeColorAt(r, c), 0u) << c;
    EXPECT_EQ(grid()->row(), r);
    EXPECT_EQ(grid()->col(), 6);
    EXPECT_FALSE(window_->cmdUpdate->isEnabled());
    EXPECT_TRUE(window_->CmdDelete->isEnabled());
}

TEST_F(CancelPosting, JournalRowsOfOtherCompaniesTypesDatesOrAlreadyCancelledAreNeverTouched) {
    open();
    const int r = postedRow();
    const Voucher v = voucherOf(r);
    const QString otherDate = FormatDate(ParseDate(cell(r, 2)).addDays(-1), "yyyymmdd");
    addJournal(2, "HQPCP", v.number, v.date, 0);     // another company
    addJournal(1, "HQPCR", v.number, v.date, 0);     // another document type
    addJournal(1, "HQPCP", v.number, otherDate, 0);  // another date
    addJournal(1, "HQPCP", v.number, v.date, 1);     // already cancelled
    const int live = journalId("companyid=1 and Type='HQPCP' and referenceno='" + v.number +
                               "' and JournalDate='" + v.date + "' and cancel=0");
    exec("CREATE TABLE touched (JournalID INTEGER)");
    createTrigger("journal_touched", "AFTER UPDATE", "KRVjournalheader",
                  "INSERT INTO touched VALUES (old.JournalID)");
    MessageScript messages;
    clickCancelPosting(r, vbYes, messages);
    EXPECT_EQ(idsOf("select JournalID from touched"), QStringList{QString::number(live)});
    EXPECT_EQ(scalar("select count(*) from KRVjournalheader where referenceno='" + v.number +
                     "' and cancel=0")
                  .toInt(),
              3);
}

// Answering No begins nothing; a failure at the journal update takes the
// voucher back. Either way the command stays available.
TEST_F(CancelPosting, AnsweringNoOrAFailureAtTheJournalUpdateChangesNothing) {
    open();
    const int r = postedRow();
    const Voucher v = voucherOf(r);
    const QStringList before = rowCells(r);
    con()->log().clear();
    MessageScript messages;
    clickCancelPosting(r, vbNo, messages);
    EXPECT_FALSE(con()->log().texts().contains("BeginTrans"));
    EXPECT_TRUE(con()->log().texts().filter("update", Qt::CaseInsensitive).isEmpty());

    createTrigger("refuse_reversal", "BEFORE UPDATE OF cancel", "KRVjournalheader",
                  "refuse: reversal refused");
    clickRow(r);
    messages.expect("Do you want to cancel the posting of '" + v.number + "'?", vbYes);
    messages.expectStartingWith("An error occurred in FrmMaster (cmdUpdate_Click).");
    QTest::mouseClick(window_->cmdUpdate, Qt::LeftButton);
    EXPECT_FALSE(con()->InTransaction());
    EXPECT_EQ(scalar("select count(*) from KRVjournalheader where companyid=1 and Type='HQPCP' "
                     "and referenceno='" +
                     v.number + "' and cancel=1")
                  .toInt(),
              0);
    EXPECT_EQ(header(v.id, "phPosted").toInt(), 1);
    EXPECT_EQ(trail(v.id, "C"), 0);
    EXPECT_EQ(rowCells(r), before);
    EXPECT_TRUE(window_->cmdUpdate->isEnabled());
}

// The voucher or its journal as another workstation left them after the grid
// showed the row: nothing is reversed unless the stored voucher is still
// posted and exactly one live journal entry matches it.
TEST_F(CancelPosting, AVoucherChangedMeanwhileOrAnUnclearJournalEntryReversesNothing) {
    struct Case {
        QString meanwhile, told, cancelled, posted;
    };
    const QString voucher = " where phCompanyID=1 and phPaymentID={id}";
    const QString unidentified =
        "The journal entry of '{no}' could not be identified: nothing was changed.";
    const Case cases[] = {
        // another department's posted voucher of the same number and date: the live entry
        // may be its own
        {"insert into aHqPettyCashPaymentHeader (phPaymentID, phCompanyID, phFinancialID, "
         "phDepartmentID, phPaymentNo, phPaymentdate, phAccountID, phReferenceno, phAmount, "
         "phPosted) select 9000, phCompanyID, phFinancialID, phDepartmentID + 100, phPaymentNo, "
         "phPaymentdate, phAccountID, 'elsewhere', phAmount, 1 from aHqPettyCashPaymentHeader" +
             voucher,
         unidentified, "No", "Yes"},
        {"update aHqPettyCashPaymentHeader set phCancel=1" + voucher,
         "'{no}' was cancelled on another workstation meanwhile: its posting was not cancelled.",
         "Yes", "Yes"},
        {"update aHqPettyCashPaymentHeader set phPosted=0" + voucher,
         "'{no}' is no longer posted: nothing was changed.", "No", "No"},
        // the same number and date posted from another department sharing the prefix
        {"insert into KRVjournalheader (companyid, Type, referenceno, JournalDate) select "
         "companyid, Type, referenceno, JournalDate from KRVjournalheader where companyid=1 and "
         "Type='HQPCP' and referenceno='{no}'",
         unidentified, "No", "Yes"},
        {"update KRVjournalheader set cancel=1 where referenceno='{no}'", unidentified, "No",
         "Yes"},
    };
    open();
    for (const Case& c : cases) {
        const int r = postedRow();
        const Voucher v = voucherOf(r);
        SCOPED_TRACE(v.number.toStdString());
        const auto fill = [&](QString text) {
            return text.replace("{id}", v.id).replace("{no}", v.number);
        };
        const QString journal =
            "select JournalID || ':' || cancel from KRVjournalheader "
            "where referenceno='" +
            v.number + "' order by JournalID";
        clickRow(r);
        exec(fill(c.meanwhile));
        const QStringList journalBefore = idsOf(journal);
        MessageScript messages;
        clickCancelPosting(r, vbYes, messages, fill(c.told));
        EXPECT_EQ(idsOf(journal), journalBefore);
        EXPECT_EQ(header(v.id, "phPosted").toInt(), int(c.posted == "Yes"));
        EXPECT_EQ(trail(v.id, "C"), 0);
        EXPECT_EQ(cell(r, 5), c.cancelled);
        EXPECT_EQ(cell(r, 6), c.posted);
        EXPECT_EQ(rowIsRed(r), c.cancelled == "Yes");
        EXPECT_EQ(window_->cmdUpdate->isEnabled(), c.cancelled == "No" && c.posted == "Yes");
    }
}

// A search for a payee holding SQL's own words lists two vouchers: Delete on
// one, and Cancel Posting on the other after another workstation unposted
// it, each refresh their row as stored; Edit after a search for the unposted
// vouchers goes by the flags stored meanwhile.
TEST_F(CancelPosting, RowsFoundByASearchForSqlWordsShowWhatIsStored) {
    open();
    const QString open = cell(openRow(), 0), posted = cell(postedRow(), 0);
    exec(
        "update aHqPettyCashPaymentHeader set phPayee='Border Byway Traders where' where "
        "phCompanyID=1 and phPaymentID in (" +
        open + "," + posted + ")");
    searchAll("Payee", "Border By");
    ASSERT_EQ(sortedIds(ids()), sortedIds({open, posted}));
    const auto rowOf = [&](const QString& id) {
        return rowWhere([&](int r) { return cell(r, 0) == id; });
    };
    MessageScript messages;
    messages.expect(question(rowOf(open)), vbYes);
    cancelWith(rowOf(open), [&](frmcancel* f) {
        type(f->txtcanreason, "Keyed twice");
        QTest::mouseClick(f->cmdOk, Qt::LeftButton);
    });
    EXPECT_EQ(header(open, "phCancel").toInt(), 1);
    EXPECT_EQ(cell(grid()->row(), 0), open);
    EXPECT_TRUE(rowIsRed(grid()->row()));

    exec("update aHqPettyCashPaymentHeader set phPosted=0 where phCompanyID=1 and phPaymentID=" +
         posted);
    const int r = rowOf(posted);
    clickCancelPosting(r, vbYes, messages,
                       "'" + cell(r, 1) + "' is no longer posted: nothing was changed.");
    EXPECT_EQ(cell(r, 6), "No");
    EXPECT_FALSE(window_->cmdUpdate->isEnabled());
    EXPECT_TRUE(messages.allSeen());

    searchAll("Posted", "No");
    clickRow(rowOf(posted));
    exec("update aHqPettyCashPaymentHeader set phPosted=1 where phCompanyID=1 and phPaymentID=" +
         posted);
    messages.expect("Entry Posted,Cannot Modify");
    ModalScript modal;
    modal.expect("frmpayments", [](QDialog* d) {
        EXPECT_FALSE(d->findChild<QWidget*>("cmdOk")->isEnabled());
        d->close();
    });
    QTest::keyClick(grid(), Qt::Key_Return);
    EXPECT_TRUE(modal.allSeen());
    EXPECT_EQ(cell(rowOf(posted), 6), "Yes");
}

// A register filled from a statement given as text (a host's own, without
// parts) still shows what Delete and Cancel Posting did.
TEST_F(CancelPosting, ARegisterFilledFromTextShowsWhatTheCommandsDid) {
    open();
    window_->GridPopulate(GStrSql + " ", GStrTableMain);
    const int open = openRow();
    MessageScript messages;
    messages.expect(question(open), vbYes);
    cancelWith(open, [&](frmcancel* f) {
        type(f->txtcanreason, "Keyed twice");
        QTest::mouseClick(f->cmdOk, Qt::LeftButton);
    });
    EXPECT_EQ(cell(open, 5), "Yes");
    EXPECT_TRUE(rowIsRed(open));
    const int posted = postedRow();
    clickCancelPosting(posted, vbYes, messages);
    EXPECT_EQ(cell(posted, 6), "No");
    EXPECT_TRUE(messages.allSeen());
}

// --- the statements alone -------------------------------------------------

class VoucherStatements : public DemoDatabaseTest {};

TEST_F(VoucherStatements, TheReasonGoesInWithItsQuotesDoubledAndOnlyForThisCompany) {
    // voucher 3 exists in both companies
    ASSERT_EQ(scalar("select count(*) from aHqPettyCashPaymentHeader where phPaymentID=3").toInt(),
              2);
    VoucherState::CancelVoucher("3", "It's a copy");
    EXPECT_EQ(scalar("select phCancelRemarks from aHqPettyCashPaymentHeader where phCompanyID=1 "
                     "and phPaymentID=3")
                  .toString(),
              "It's a copy");
    EXPECT_EQ(scalar("select phCancel from aHqPettyCashPaymentHeader where phCompanyID=2 and "
                     "phPaymentID=3")
                  .toInt(),
              0);
}

TEST_F(VoucherStatements, AKeyThatIsNotANumberNeverReachesAStatement) {
    con()->log().clear();
    EXPECT_THROW(VoucherState::CancelVoucher("3' or '1'='1", "x"), ModuleError);
    EXPECT_THROW(VoucherState::CancelPosting("3 or 1=1"), ModuleError);
    EXPECT_TRUE(con()->log().texts().filter("update", Qt::CaseInsensitive).isEmpty());
}
