// The register window as its users meet it: what the load sets up, which
// commands each user's rights give, how the commands follow the current row,
// the keys, the tooltip, the help and closing.

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include "data/Values.h"
#include "module/clsPettyCashPayments.h"
#include "tests/support/VoucherFixture.h"
#include "ui/FlexGrid.h"
#include "ui/Help.h"
#include "ui/MessageBox.h"
#include "ui/Modal.h"
#include "ui/Twips.h"

using namespace pcp;
using namespace pcp::test;
using namespace pcp::BasModule;

namespace {

struct Buttons {
    bool add, edit, del, cancelPosting;
    bool operator==(const Buttons&) const = default;
};

Buttons buttonsOf(FrmMaster* w) {
    return {w->cmdNew->isEnabled(), w->CmdEdit->isEnabled(), w->CmdDelete->isEnabled(),
            w->cmdUpdate->isEnabled()};
}

}  // namespace

class RegisterWindow : public RegisterTest {};

TEST_F(RegisterWindow, LoadSetsTheContextAndListsTheWindowOfDays) {
    FrmMaster* w = open();
    EXPECT_EQ(w->windowTitle(), "Petty Cash Payments");
    EXPECT_EQ(GIntInterfaceID, 7517);
    EXPECT_EQ(GStrUserName, "admin");
    EXPECT_EQ(GStrFunctionRights, "NED");
    EXPECT_EQ(GStrTableMain, "aHqPettyCashPaymentHeader");
    EXPECT_TRUE(GObjVault && GObjUtility && GObjTrail && GObjPalette);
    EXPECT_TRUE(HelpFile().endsWith("/Help/PettyCashPayments.chm"));
    EXPECT_EQ(w->size(), QSize(TwipsToPx(14400), TwipsToPx(8760)));
    EXPECT_EQ(w->cmdClose->geometry(),
              QRect(TwipsToPx(12645), TwipsToPx(8145), TwipsToPx(1700), TwipsToPx(540)));

    const QStringList expected = idsOf(
        "select phPaymentID from aHqPettyCashPaymentHeader where phCompanyID=1 and phFinancialID=2 "
        "and phPaymentdate >= '20261021' order by phPaymentID");
    ASSERT_GT(expected.size(), 10);
    EXPECT_EQ(ids(), expected);
    // the newest voucher is current, selected across the row and in view
    const int last = grid()->rows() - 1;
    EXPECT_EQ(grid()->row(), last);
    EXPECT_EQ(grid()->rowSel(), last);
    EXPECT_EQ(grid()->col(), 0);
    EXPECT_EQ(grid()->colSel(), 6);
    EXPECT_EQ(grid()->topRow(), last);
    EXPECT_EQ(cell(last, 0), expected.back());
    EXPECT_TRUE(w->cmdNew->isEnabled());
    EXPECT_TRUE(w->CmdEdit->isEnabled());
    EXPECT_TRUE(w->cmdPreview->isEnabled());
    EXPECT_FALSE(w->cmdUpdate->isEnabled());
    EXPECT_EQ(w->cmdUpdate->text(), "Cancel Pos&ting");
}

TEST_F(RegisterWindow, RightsLettersDecideTheCommands) {
    // admin NED, clerk N, auditor no rights row, supervisor NE: one user's
    // rights never reach the next
    struct Case {
        int user;
        bool add, edit, del;
    };
    for (const Case& c : {Case{1, true, true, true}, Case{2, true, false, false},
                          Case{3, false, false, false}, Case{4, true, true, false}}) {
        SCOPED_TRACE(c.user);
        reopen(c.user, c.user == 2 ? 1 : 0);
        if (c.user == 2) {  // a department's user sees only the department's vouchers
            EXPECT_EQ(ids(), idsOf("select phPaymentID from aHqPettyCashPaymentHeader where "
                                   "phCompanyID=1 and phDepartmentID=1 and phFinancialID=2 and "
                                   "phPaymentdate >= '20261021' order by phPaymentID"));
        }
        // on a voucher that may be cancelled
        const int r = rowWhere([&](int r) { return cell(r, 5) == "No" && cell(r, 6) == "No"; });
        ASSERT_GT(r, 0);
        clickRow(r);
        EXPECT_EQ(GStrFunctionRights.isEmpty(), c.user == 3);
        EXPECT_EQ(window_->cmdNew->isEnabled(), c.add);
        EXPECT_EQ(window_->cmdCount->isEnabled(), c.add);  // a count adds what is paid out
        EXPECT_EQ(window_->CmdEdit->isEnabled(), c.edit);
        EXPECT_EQ(window_->CmdDelete->isEnabled(), c.del);
        EXPECT_TRUE(window_->cmdPreview->isEnabled());
        EXPECT_TRUE(window_->cmdClose->isEnabled());
    }
    exec("update auserrights set FunctionRights='ned' where userid=1");
    reopen(1);
    EXPECT_EQ(buttonsOf(window_.get()), (Buttons{false, false, false, false}));
}

TEST_F(RegisterWindow, DeleteAndCancelPostingFollowTheCurrentRow) {
    // a voucher dated on the freeze date, inside the register's window
    const QDateTime freeze = GetAccountsFreezeDate().toDateTime();
    ASSERT_TRUE(freeze.isValid());
    const QString frozenId = idsOf(
                                 "select max(phPaymentID) from aHqPettyCashPaymentHeader where "
                                 "phCompanyID=1 and phCancel=0 and "
                                 "phPosted=0 and phPaymentdate > '20261021'")
                                 .front();
    exec("update aHqPettyCashPaymentHeader set phPaymentdate='" + freeze.toString("yyyyMMdd") +
         "' where phPaymentID=" + frozenId);
    FrmMaster* w = open();

    const int cancelled = rowWhere([&](int r) { return cell(r, 5) == "Yes"; });
    const int posted =
        rowWhere([&](int r) { return cell(r, 6) == "Yes" && ParseDate(cell(r, 2)) > freeze; });
    const int open_ = rowWhere([&](int r) {
        return cell(r, 5) == "No" && cell(r, 6) == "No" && ParseDate(cell(r, 2)) > freeze;
    });
    const int frozen = rowWhere([&](int r) { return cell(r, 0) == frozenId; });
    ASSERT_TRUE(cancelled && posted && open_ && frozen);

    clickRow(cancelled);
    EXPECT_EQ(buttonsOf(w), (Buttons{true, true, false, false}));
    EXPECT_EQ(grid()->foreColorSel(), 0x0000FFu);  // a selected cancelled row stays red
    clickRow(posted);
    EXPECT_EQ(buttonsOf(w), (Buttons{true, true, true, true}));
    EXPECT_EQ(grid()->foreColorSel(), kColorHighlightText);
    QTest::keyClick(grid(), Qt::Key_Up);  // onto a voucher that is not posted
    ASSERT_EQ(cell(grid()->row(), 6), "No");
    EXPECT_FALSE(w->cmdUpdate->isEnabled());
    clickRow(posted);
    clickRow(open_);
    EXPECT_EQ(buttonsOf(w), (Buttons{true, true, true, false}));
    clickRow(frozen);
    EXPECT_FALSE(w->CmdDelete->isEnabled());
}

TEST_F(RegisterWindow, CancelledRowsAreRedAndSeveralSelectedCyan) {
    open();
    for (int r = 1; r < grid()->rows(); ++r)
        for (int c = 0; c < 7; ++c)
            ASSERT_EQ(grid()->cellForeColorAt(r, c), cell(r, 5) == "Yes" ? 0x0000FFu : 0u)
                << r << "," << c;
    grid()->syncView();
    const QModelIndex a = grid()->model()->index(1, 1), b = grid()->model()->index(3, 1);
    QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, grid()->visualRect(a).center());
    QTest::mouseClick(grid()->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                      grid()->visualRect(b).center());
    QApplication::processEvents();
    EXPECT_EQ(grid()->foreColorSel(), 0xFFFF00u);
}

TEST_F(RegisterWindow, KeysMoveToTheGridAndNeverStartWhatIsDisabled) {
    MessageScript messages;  // none expected
    FrmMaster* w = open(3);  // no rights: New disabled
    w->txtsearch->setFocus();
    QTest::keyClick(w->txtsearch, Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(QApplication::focusWidget(), grid());
    QTest::keyClick(grid(), Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClick(grid(), Qt::Key_Return);
    QTest::mouseDClick(grid()->viewport(), Qt::LeftButton, {},
                       grid()->visualRect(grid()->model()->index(0, 1)).center());
    EXPECT_EQ(OpenModalCount(), 0);
    EXPECT_TRUE(w->isVisible());
}

// Each Alt letter does one thing, on a posted row too: E opens the voucher,
// P previews it, T cancels its posting, I sorts descending.
TEST_F(RegisterWindow, EachAltLetterDoesOneThing) {
    FrmMaster* w = open();
    EXPECT_EQ(RepeatedShortcutLetters(w), "");
    const int posted = rowWhere([&](int r) { return cell(r, 5) == "No" && cell(r, 6) == "Yes"; });
    ASSERT_GT(posted, 0);
    const auto altOnRow = [&](Qt::Key letter) {
        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
        clickRow(posted);
        ASSERT_TRUE(w->cmdUpdate->isEnabled());
        QTest::keyClick(QApplication::focusWidget(), letter, Qt::AltModifier);
        QTest::qWait(200);  // a button's letter shows it pressed, then clicks
    };
    {
        ModalScript modal;
        MessageScript messages;
        messages.expect("Entry Posted,Cannot Modify");
        modal.expect("frmpayments", [](QDialog* d) { d->close(); });
        altOnRow(Qt::Key_E);
        EXPECT_TRUE(modal.allSeen());
    }
    if (!OnPostgres()) {  // the report logs on through data sources set for the demo file
        altOnRow(Qt::Key_P);
        auto* preview = w->findChild<QWidget*>("rptPreview", Qt::FindDirectChildrenOnly);
        ASSERT_NE(preview, nullptr);
        EXPECT_TRUE(preview->isVisible());
        preview->close();  // the register has the keys again, on the same row
        ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == grid(); }));
    }
    {
        MessageScript messages;
        messages.expect("Do you want to cancel the posting of '" + cell(posted, 1) + "'?", vbNo);
        altOnRow(Qt::Key_T);
    }
    altOnRow(Qt::Key_I);
    EXPECT_TRUE(w->optDescend->isChecked());
}

// A database that only reads says so before anything is keyed: the title,
// and the commands that write disabled with the reason in their tooltips.
TEST_F(RegisterWindow, AReadOnlyDatabaseShowsAsReadOnly) {
    if (OnPostgres()) GTEST_SKIP() << "an embedded database opened for reading only";
    connection_.reset();
    connection_ = std::make_unique<AdoConnection>();
    connection_->Open("Provider=SQLite;Data Source=" + dbPath() + ";Mode=ReadOnly");
    FrmMaster* w = open();
    EXPECT_EQ(w->windowTitle(), "Petty Cash Payments (read-only)");
    clickRow(rowWhere([&](int r) { return cell(r, 5) == "No" && cell(r, 6) == "Yes"; }));
    EXPECT_EQ(buttonsOf(w), (Buttons{false, false, false, false}));
    for (QPushButton* b : {w->cmdNew, w->CmdEdit, w->CmdDelete, w->cmdUpdate})
        EXPECT_EQ(b->toolTip(),
                  "The database is open for reading only: vouchers cannot be created or changed.");
    EXPECT_TRUE(w->cmdPreview->isEnabled());
    QTest::keyClick(grid(), Qt::Key_Return, Qt::ControlModifier);  // New stays shut
    QTest::keyClick(grid(), Qt::Key_Return);                       // and so does Edit
}

// The database file moved away under an open register: Delete and New are
// refused before they ask anything, and a register opened on it says so and
// writes nothing.
TEST_F(RegisterWindow, ADatabaseFileMovedAwayTakesNoWrites) {
    if (OnPostgres()) GTEST_SKIP() << "a server's database has no file to move";
    FrmMaster* w = open();
    ASSERT_TRUE(QFile::rename(dbPath(), dbPath() + ".moved"));
    const QString told = "The database file '" + dbPath() +
                         "' has been moved or deleted since it was opened: nothing can be "
                         "written to it.";
    MessageScript messages;
    messages.expect(told).expect(told).expect(told);
    clickRow(rowWhere([&](int r) { return cell(r, 5) == "No" && cell(r, 6) == "No"; }));
    QTest::mouseClick(w->CmdDelete, Qt::LeftButton);
    QTest::mouseClick(w->cmdNew, Qt::LeftButton);
    w = open();
    EXPECT_EQ(buttonsOf(w), (Buttons{false, false, false, false}));
    EXPECT_EQ(w->cmdNew->toolTip(), told);
    EXPECT_TRUE(messages.allSeen());
}

TEST_F(RegisterWindow, AnEmptyOrUnloadedRegisterHasNothingToEditOrDelete) {
    exec("delete from aHqPettyCashPaymentHeader");
    FrmMaster* w = open();
    EXPECT_EQ(grid()->rows(), 2);
    EXPECT_EQ(grid()->cols(), 7);
    EXPECT_EQ(grid()->textMatrix(0, 3), "Payee");
    EXPECT_EQ(buttonsOf(w), (Buttons{true, false, false, false}));
    QTest::keyClick(grid(), Qt::Key_Return);
    EXPECT_EQ(OpenModalCount(), 0);

    // A window of days that cannot be read stops the load: no command but Close.
    MessageScript messages;
    messages.expectStartingWith("An error occurred in FrmMaster (Form_Load).");
    exec("update asettings set noofpreviousdays=null where companyid=1");
    w = open();
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown().front().title, "Petty Cash");
    EXPECT_EQ(grid()->rows(), 2);
    EXPECT_TRUE(grid()->textMatrix(1, 0).isEmpty());
    EXPECT_EQ(w->windowTitle(), "Petty Cash Payments");
    EXPECT_EQ(buttonsOf(w), (Buttons{false, false, false, false}));
    EXPECT_TRUE(w->cmdClose->isEnabled());
}

TEST_F(RegisterWindow, TooltipShowsTheCellUnderThePointer) {
    open();
    grid()->syncView();
    const QModelIndex index = grid()->model()->index(2, 3);
    grid()->scrollTo(index);  // the load shows the newest row at the top
    QApplication::processEvents();
    QTest::mouseMove(grid()->viewport(), grid()->visualRect(index).center());
    QApplication::processEvents();
    EXPECT_EQ(grid()->toolTipText(), cell(3, 3));
    const QPoint header(grid()->horizontalHeader()->sectionViewportPosition(4) + 5, 5);
    QTest::mouseMove(grid()->horizontalHeader()->viewport(), header);
    QApplication::processEvents();
    EXPECT_EQ(grid()->toolTipText(), "Payment Amount");
}

TEST_F(RegisterWindow, F1OpensTheHelpOnItsContents) {
    FrmMaster* w = open();
    QTest::keyClick(grid(), Qt::Key_F1);
    auto* help = w->findChild<HelpViewer*>();
    ASSERT_TRUE(help && help->isVisible());
    EXPECT_EQ(help->currentTopic(), "index.html");
    for (const char* topic :
         {"Entering a new voucher", "Changing a voucher", "Cancelling a voucher",
          "Reversing a posting", "Printing a voucher", "Searching and sorting"})
        EXPECT_TRUE(help->shownText().contains(topic)) << topic;
    help->browser()->setSource(QUrl("cancelling.html"));
    EXPECT_TRUE(help->shownText().contains("reason"));
    QTest::keyClick(grid(), Qt::Key_F1);  // a second F1 brings the same viewer forward
    EXPECT_EQ(w->findChildren<HelpViewer*>().size(), 1);
}

TEST_F(RegisterWindow, EscapeClosesTheRegisterOpenedByShow) {
    clsPettyCashPayments payments;
    payments.setAdocon(con());
    payments.setIntCompanyID(1);
    payments.setIntuserid(1);
    payments.setIntFinancialID(2);
    payments.setDtProcessDate(QDateTime(kProcessDate, QTime(0, 0), Qt::UTC));
    ModalScript modal;
    int rows = 0;
    modal.expect("FrmMaster", [&](QDialog* w) {
        rows = static_cast<FrmMaster*>(w)->flexMaster->rows();
        QTest::keyClick(w, Qt::Key_Escape);
    });
    payments.Show();
    EXPECT_TRUE(modal.allSeen());
    EXPECT_GT(rows, 10);
    EXPECT_EQ(OpenModalCount(), 0);
}

// Fixed windows as designed, and nothing cut short: no minimise or maximise
// button and a size of their own; a message as wide as its title drawn bold
// beside the window's icon and close box (a title bar's height each); the
// Browse frame's top line through its caption.
class WindowFrames : public VoucherTest {};

TEST_F(WindowFrames, FixedWindowsWholeTitlesAndACaptionOnItsFrame) {
    open(1, 2);
    auto fixed = [](QDialog* w) {
        EXPECT_FALSE(w->windowFlags() &
                     (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
        EXPECT_EQ(w->minimumSize(), w->maximumSize()) << w->objectName().toStdString();
    };
    fixed(window_.get());
    onNewVoucher([&](frmpayments& form) {
        fixed(&form);
        pick(form.cboAccName, "Petty Cash - Head Office");
        inLineDialog([&](frmDebitEntry& dialog) {
            fixed(&dialog);
            dialog.Unload();
        });
        form.mnuAdd->trigger();
        MessageScript messages;
        messages.expect("Save Changes?", vbNo);
        form.Unload();
    });

    const QString title = "Head Office Petty Cash Payments and Cash Account Vouchers";
    QFont bold = QApplication::font();
    bold.setBold(true);
    const int titleWidth = QFontMetrics(bold).horizontalAdvance(title) +
                           2 * window_->style()->pixelMetric(QStyle::PM_TitleBarHeight);
    const MessagePresenter guard = CurrentMessagePresenter();
    SetMessagePresenter({});  // the real box
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        EXPECT_GE(box ? box->width() : 0, titleWidth);
        if (box) box->button(QMessageBox::Ok)->click();
    });
    MsgBox("Saved.", vbInformation, title);
    SetMessagePresenter(guard);

    // Down the column inside the frame's right border, the first change is its top line.
    const QImage frame = window_->fraBrowse->grab().toImage();
    const int x = frame.width() - 5;
    int line = 1;
    while (line < frame.height() && frame.pixel(x, line) == frame.pixel(x, 0)) ++line;
    EXPECT_GT(line, 2);
    EXPECT_LT(line, window_->fraBrowse->fontMetrics().height());
}
