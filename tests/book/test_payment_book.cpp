// The payments book as an accountant uses it: filters chosen and Enter
// pressed, the views and totals read off the window, and the exports read
// back from their files, on vouchers of August written here with their
// sums worked out by hand.

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "book/frmPaymentBook.h"
#include "data/ModulePath.h"
#include "register/FrmMaster.h"
#include "report/ReportPreview.h"
#include "tests/support/Fixtures.h"
#include "ui/FlexGrid.h"
#include "ui/Help.h"

namespace pcp::test {
namespace {

// Company 1 keeps its books in dirhams. Rates are per dirham: USD 0.2723, EUR 0.2515.
//  901 Administration, PC01 (AED): 100.10 AED, and USD 10.00 = 10 / 0.2723 = AED 36.724
//  902 Projects, PC03 (USD): EUR 20.00 = 20 * 0.2723 / 0.2515 = USD 21.654 (AED 79.523),
//      and AED 50.00 = USD 13.615 (AED 50.000)
//  903 Operations, PC01, cancelled: AED 999.00
//  904 Operations, PC02 (AED), posted: AED 12.345
const char* const kVouchers[] = {
    "(901,1,2,1,'ADM/901','20260803',101,'Speedy Couriers','R1','',136.824,1,1,1,0,'',0,'admin')",
    "(902,1,2,3,'PRJ/902','20260810',103,'=HYPERLINK(\"http://x.test\",\"pay\")','R2','',35.269,"
    "0.2723,0.2723,1,0,'',0,'admin')",
    "(903,1,2,2,'OPS/903','20260812',101,'+1 Taxi','R3','',999,1,1,1,1,'Wrong',0,'admin')",
    "(904,1,2,2,'OPS/904','20260820',102,'O''Brien <b>Stores</b>','R4','',12.345,1,1,1,0,'',1,"
    "'admin')"};
const char* const kLines[] = {
    "(1,1,901,1,201,'Paper',100.10,1)",     "(1,1,901,2,206,'Fuel',10.00,0.2723)",
    "(1,3,902,1,210,'Tiles',20.00,0.2515)", "(1,3,902,2,202,'Taxi',50.00,1)",
    "(1,2,903,1,202,'Taxi',999.00,1)",      "(1,2,904,1,204,'Hinge',12.345,1)"};

class PaymentBookTest : public DemoDatabaseTest {
  protected:
    void SetUp() override {
        DemoDatabaseTest::SetUp();
        for (const char* v : kVouchers)
            exec(QStringLiteral("INSERT INTO aHqPettyCashPaymentHeader (phPaymentID, phCompanyID, "
                                "phFinancialID, phDepartmentID, phPaymentNo, phPaymentdate, "
                                "phAccountID, phPayee, phReferenceno, phRemarks, phAmount, "
                                "phExRate, phDepExRate, phComExRate, phCancel, phCancelRemarks, "
                                "phPosted, phUserName) VALUES ") +
                 QString::fromUtf8(v));
        for (const char* l : kLines)
            exec(QStringLiteral("INSERT INTO aHqPettyCashPaymentDetails VALUES ") +
                 QString::fromUtf8(l));
        frmPaymentBook::SetFileChooser([this](const QString& suggested, const QString&) {
            suggested_ = suggested;
            return target_;
        });
    }
    void TearDown() override {
        frmPaymentBook::SetFileChooser({});
        book_.reset();
        DemoDatabaseTest::TearDown();
    }

    // The book as user opens it, then August asked for with Enter.
    frmPaymentBook* open(int user = 1) {
        setContext(1, user, 0);
        book_ = std::make_unique<frmPaymentBook>();
        book_->show();
        book_->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(book_.get()));
        book_->dtpFrom->setDate(QDate(2026, 8, 1));
        book_->dtpTo->setDate(QDate(2026, 8, 31));
        enter(book_->dtpTo);
        return book_.get();
    }
    // Enter where the user is: the key goes to the control with the focus.
    static void enter(QWidget* control) {
        control->setFocus();
        QTest::keyClick(control, Qt::Key_Return);
    }
    static void type(QLineEdit* box, const QString& text) {
        box->setFocus();
        box->selectAll();
        if (text.isEmpty()) QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Return);
    }
    // Picks an entry of a filter list by its text and presses Enter there.
    void pick(QComboBox* box, const QString& text) {
        const int i = box->findText(text);
        QStringList items;
        for (int k = 0; k < box->count(); ++k) items << box->itemText(k);
        ASSERT_GE(i, 0) << text.toStdString() << " among " << items.join("|").toStdString();
        box->setCurrentIndex(i);
        enter(box);
    }
    QStringList column(FlexGrid* grid, int col) const {
        QStringList out;
        for (int r = 1; r < grid->rows(); ++r) out << grid->textMatrix(r, col);
        return out;
    }
    QStringList numbers() const { return column(book_->gridLines, 1); }
    QString totals() const { return book_->lblTotals->text(); }

    QString exportTo(const QString& name, void (frmPaymentBook::*how)()) {
        target_ = dir_.filePath(name);
        (book_.get()->*how)();
        return target_;
    }

    std::unique_ptr<frmPaymentBook> book_;
    QString target_, suggested_;
};

QString pdfText(const QString& file, int page = 0) {
    QProcess p;
    QStringList args{"-layout"};
    if (page > 0) args << "-f" << QString::number(page) << "-l" << QString::number(page);
    p.start("pdftotext", args << file << "-");
    EXPECT_TRUE(p.waitForFinished(20000)) << "pdftotext (poppler-utils) is needed";
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString unzipped(const QString& file, const QString& member) {
    QProcess p;
    p.start("unzip", {"-p", file, member});
    EXPECT_TRUE(p.waitForFinished(20000)) << "unzip is needed";
    return QString::fromUtf8(p.readAllStandardOutput());
}

TEST_F(PaymentBookTest, TotalsPerCurrencyAreTheExactSumsAndCancelledLinesCountInNone) {
    frmPaymentBook* w = open();
    EXPECT_EQ(numbers(), QStringList({"ADM/901", "ADM/901", "PRJ/902", "PRJ/902", "OPS/904"}));
    EXPECT_EQ(column(w->gridLines, 13),
              QStringList({"100.10", "36.724", "21.654", "13.615", "12.345"}));
    EXPECT_EQ(column(w->gridLines, 14),
              QStringList({"100.10", "36.724", "79.523", "50.00", "12.345"}));
    EXPECT_EQ(totals(),
              "Total AED: 149.169  (3 lines)  =  AED 149.169\n"
              "Total USD: 35.269  (2 lines)  =  AED 129.523\n"
              "Grand total in AED: 278.692\n"
              "3 vouchers, 5 lines standing");
    // By account: one row per account and cash currency.
    EXPECT_EQ(column(w->gridByAccount, 0), QStringList({"EX01", "EX02", "EX04", "EX06", "EX10"}));
    EXPECT_EQ(column(w->gridByAccount, 4),
              QStringList({"100.10", "13.615", "12.345", "36.724", "21.654"}));
    EXPECT_EQ(column(w->gridByDepartment, 0),
              QStringList({"Administration", "Operations", "Projects"}));

    // All: the cancelled voucher shows, red, and the totals stay as they were.
    pick(w->cboStatus, "All");
    EXPECT_EQ(numbers().count("OPS/903"), 1);
    const int cancelled = int(numbers().indexOf("OPS/903")) + 1;
    EXPECT_EQ(w->gridLines->cellForeColorAt(cancelled, 3), 0x0000FFu);
    EXPECT_EQ(w->gridLines->textMatrix(cancelled, 15), "Yes");
    EXPECT_TRUE(totals().startsWith("Total AED: 149.169  (3 lines)")) << totals().toStdString();
    pick(w->cboStatus, "Cancelled");
    EXPECT_EQ(numbers(), QStringList({"OPS/903"}));
    EXPECT_EQ(totals(), "Grand total in AED: 0.00\n0 vouchers, 0 lines standing");
}

TEST_F(PaymentBookTest, EachFilterAloneAndCombined) {
    frmPaymentBook* w = open();
    pick(w->cboCashAccount, "Petty Cash - USD Float");
    EXPECT_EQ(numbers(), QStringList({"PRJ/902", "PRJ/902"}));
    pick(w->cboCashAccount, "(all cash accounts)");
    pick(w->cboDepartment, "Operations");
    EXPECT_EQ(numbers(), QStringList({"OPS/904"}));
    pick(w->cboDepartment, "(all departments)");
    pick(w->cboDebitAccount, "EX02 Travel and Conveyance");
    EXPECT_EQ(numbers(), QStringList({"PRJ/902"}));
    EXPECT_TRUE(totals().startsWith("Total USD: 13.615  (1 line)")) << totals().toStdString();
    pick(w->cboStatus, "All");  // with the cancelled taxi of PC01
    EXPECT_EQ(numbers(), QStringList({"PRJ/902", "OPS/903"}));
    pick(w->cboCashAccount, "Petty Cash - Head Office");
    EXPECT_EQ(numbers(), QStringList({"OPS/903"}));
    pick(w->cboDebitAccount, "(all debit accounts)");
    pick(w->cboCashAccount, "(all cash accounts)");
    pick(w->cboStatus, "Posted");
    EXPECT_EQ(numbers(), QStringList({"OPS/904"}));
    pick(w->cboStatus, "Not posted");
    EXPECT_EQ(numbers(), QStringList({"ADM/901", "ADM/901", "PRJ/902", "PRJ/902"}));

    // The payee: contained, in any case, a quote as typed, wildcards literally.
    pick(w->cboStatus, "All");
    type(w->txtPayee, "o'BRIEN");
    EXPECT_EQ(numbers(), QStringList({"OPS/904"}));
    type(w->txtPayee, "%");
    EXPECT_EQ(w->gridLines->textMatrix(1, 1), "");
    EXPECT_TRUE(w->lblEmpty->isVisible());
    EXPECT_EQ(w->lblEmpty->text(), "No payments in this period with these filters.");

    // A From after the To is refused, and the book shown stays.
    type(w->txtPayee, "");
    MessageScript refused;
    refused.expect(
        "The From date (01/09/2026) is after the To date (31/08/2026). Enter a From "
        "date on or before the To date.");
    w->dtpFrom->setDate(QDate(2026, 9, 1));
    enter(w->dtpFrom);
    EXPECT_TRUE(refused.allSeen());
    EXPECT_EQ(numbers().size(), 6);
    EXPECT_TRUE(w->dtpFrom->hasFocus());
}

TEST_F(PaymentBookTest, AClerkSeesOnlyTheDepartmentsHeMayUseFromTheRegister) {
    setContext(1, 2, 0);
    FrmMaster master;
    master.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&master));
    ModalScript modal;
    modal.expect("frmPaymentBook", [&](QDialog* d) {
        auto* w = static_cast<frmPaymentBook*>(d);
        QStringList departments;
        for (int i = 0; i < w->cboDepartment->count(); ++i)
            departments << w->cboDepartment->itemText(i);
        EXPECT_EQ(departments, QStringList({"(all departments)", "Administration", "Operations"}));
        w->dtpFrom->setDate(QDate(2026, 8, 1));
        w->dtpTo->setDate(QDate(2026, 8, 31));
        enter(w->cboStatus);
        QStringList shown;
        for (int r = 1; r < w->gridLines->rows(); ++r) shown << w->gridLines->textMatrix(r, 1);
        EXPECT_EQ(shown, QStringList({"ADM/901", "ADM/901", "OPS/904"}));
        EXPECT_EQ(RepeatedShortcutLetters(w), "");
        // Ctrl+E opens the Export menu from the payee's and a date's box too.
        for (QWidget* box : {static_cast<QWidget*>(w->txtPayee), static_cast<QWidget*>(w->dtpTo)}) {
            bool menuShown = false;
            QTimer look;  // the menu runs its own loop: looked for from inside it
            QObject::connect(&look, &QTimer::timeout, [&] {
                if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                    menuShown = true;
                    menu->close();
                }
            });
            look.start(5);
            box->setFocus();
            // As X delivers it: with the control character the key makes.
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key_E, QStringLiteral("\x05"),
                                Qt::ControlModifier);
            EXPECT_TRUE(QTest::qWaitFor([&] { return menuShown; }, 1000))
                << box->objectName().toStdString();
        }
        // Ctrl+Tab from the grid moves through the views; Esc closes.
        w->gridLines->setFocus();
        QTest::keyClick(w->gridLines, Qt::Key_Tab, Qt::ControlModifier);
        EXPECT_EQ(w->tabViews->currentWidget(), w->gridByAccount);
        EXPECT_TRUE(w->gridByAccount->hasFocus());
        SetHelpFile(ModuleFolder() + "/Help/PettyCashPayments.chm");
        QTest::keyClick(w->gridByAccount, Qt::Key_F1);
        auto* help = w->findChild<HelpViewer*>();
        ASSERT_TRUE(help);
        EXPECT_EQ(help->currentTopic(), "book.html");
        help->close();
        QTest::keyClick(w->gridByAccount, Qt::Key_Escape);
    });
    QTest::keyClick(master.flexMaster, Qt::Key_B, Qt::ControlModifier);
    EXPECT_TRUE(modal.allSeen());
    EXPECT_TRUE(modal.unexpected().isEmpty()) << modal.unexpected().join(",").toStdString();
}

TEST_F(PaymentBookTest, ExportsArriveWholeWithHostilePayeesAsText) {
    frmPaymentBook* w = open();
    pick(w->cboStatus, "All");
    const QString csv = exportTo("book.csv", &frmPaymentBook::ExportCsv);
    EXPECT_TRUE(suggested_.endsWith("/Payments 2026-08-01 to 2026-08-31 lines.csv"))
        << suggested_.toStdString();
    const QByteArray bytes = FileContents(csv);
    ASSERT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
    const QString text = QString::fromUtf8(bytes.mid(3));
    EXPECT_TRUE(text.contains("Period: 01/08/2026 to 31/08/2026")) << text.toStdString();
    EXPECT_TRUE(
        text.contains("2026-08-10,PRJ/902,R2,\"'=HYPERLINK(\"\"http://x.test\"\",\"\"pay"
                      "\"\")\",Projects,"))
        << text.toStdString();
    EXPECT_TRUE(text.contains(",'+1 Taxi,")) << text.toStdString();
    EXPECT_TRUE(text.contains("O'Brien <b>Stores</b>")) << text.toStdString();
    EXPECT_TRUE(text.contains(",AED,100.10,1,AED,100.10,100.10,No,No\r\n")) << text.toStdString();

    // A file that is there is replaced only when the user says so.
    MessageScript ask;
    const QString question = "The file " + QDir::toNativeSeparators(csv) +
                             " already exists.\r\nDo you want to replace it?";
    ask.expect(question, vbNo).expect(question, vbYes);
    w->tabViews->setCurrentWidget(w->gridByPayee);
    exportTo("book.csv", &frmPaymentBook::ExportCsv);
    EXPECT_EQ(FileContents(csv), bytes);
    exportTo("book.csv", &frmPaymentBook::ExportCsv);
    EXPECT_TRUE(FileContents(csv).contains("\"'=HYPERLINK(")) << FileContents(csv).toStdString();
    EXPECT_TRUE(FileContents(csv).contains("Total USD (2 lines),,USD,,35.269,129.523"));
    EXPECT_TRUE(ask.allSeen());

    w->tabViews->setCurrentWidget(w->gridLines);
    const QString xlsx = exportTo("book.xlsx", &frmPaymentBook::ExportXlsx);
    const QString sheet =
        unzipped(xlsx, "xl/worksheets/sheet1.xml") + unzipped(xlsx, "xl/sharedStrings.xml");
    EXPECT_FALSE(sheet.contains("<f>")) << "a formula in the sheet";
    EXPECT_TRUE(sheet.contains("t=\"inlineStr\"><is><t>=HYPERLINK(\"http://x.test\",\"pay\")<"))
        << sheet.toStdString();
    EXPECT_TRUE(sheet.contains("<t>O'Brien &lt;b&gt;Stores&lt;/b&gt;</t>"));
    EXPECT_TRUE(sheet.contains("<v>278.692</v>")) << "the grand total as a number";

    // A file that cannot be written is named, with the reason, and none is left.
    MessageScript failed;
    failed.expectStartingWith("The file '" + dir_.filePath("missing/book.csv") +
                              "' could not be written: ");
    exportTo("missing/book.csv", &frmPaymentBook::ExportCsv);
    EXPECT_TRUE(failed.allSeen());
    EXPECT_FALSE(QFile::exists(dir_.filePath("missing/book.csv")));
}

TEST_F(PaymentBookTest, ThePrintCarriesTheTotalFromPageToPage) {
    // Forty more one-line vouchers of AED 1.001, enough for a second page.
    for (int i = 0; i < 40; ++i) {
        exec(QStringLiteral("INSERT INTO aHqPettyCashPaymentHeader (phPaymentID, phCompanyID, "
                            "phFinancialID, phDepartmentID, phPaymentNo, phPaymentdate, "
                            "phAccountID, phPayee, phAmount, phExRate, phDepExRate, phComExRate, "
                            "phCancel, phPosted) VALUES (%1, 1, 2, 1, 'ADM/%1', '20260825', 101, "
                            "'Tea Boy', 1.001, 1, 1, 1, 0, 0)")
                 .arg(1000 + i));
        exec(QStringLiteral("INSERT INTO aHqPettyCashPaymentDetails VALUES (1, 1, %1, 1, 207, "
                            "'Tea', 1.001, 1)")
                 .arg(1000 + i));
    }
    frmPaymentBook* w = open();
    pick(w->cboStatus, "All");
    QTest::keyClick(w->gridLines, Qt::Key_P, Qt::ControlModifier);
    auto* preview = w->findChild<ReportPreview*>();
    ASSERT_TRUE(preview);
    const QString pdf = dir_.filePath("book.pdf");
    preview->exportPdf(pdf);
    const QString all = pdfText(pdf), first = pdfText(pdf, 1), second = pdfText(pdf, 2);
    const QRegularExpressionMatch count = QRegularExpression("Page 1 of (\\d+)").match(first);
    ASSERT_TRUE(count.hasMatch()) << first.toStdString();
    const int pages = count.captured(1).toInt();
    ASSERT_GE(pages, 2);
    const QString last = pdfText(pdf, pages);
    EXPECT_TRUE(last.contains(QStringLiteral("Page %1 of %1").arg(pages)));
    EXPECT_TRUE(first.contains("Period: 01/08/2026 to 31/08/2026"));
    EXPECT_TRUE(all.contains("=HYPERLINK(") && all.contains("+1 Taxi") && all.contains("<b>Stores"))
        << all.toStdString();
    // Page 1 carries its standing lines' dirhams (the cancelled 999.00 not
    // among them): 278.692 before the tea, then 1.001 a tea line.
    const int teaOnFirst = int(first.count("Tea Boy"));
    ASSERT_GT(teaOnFirst, 0);
    const int thousandths = 278692 + 1001 * teaOnFirst;
    // At least two decimals, the third when it is not 0.
    QString carried =
        QStringLiteral("%1.%2").arg(thousandths / 1000).arg(thousandths % 1000, 3, 10, QChar('0'));
    if (carried.endsWith('0')) carried.chop(1);
    EXPECT_TRUE(first.contains(QRegularExpression("Carried forward +AED " + carried)))
        << first.toStdString();
    EXPECT_TRUE(second.contains(QRegularExpression("Brought forward +AED " + carried)))
        << second.toStdString();
    EXPECT_FALSE(last.contains("Carried forward"));
    EXPECT_TRUE(last.contains("Grand total in AED") && last.contains("318.732"))
        << last.toStdString();
}

}  // namespace
}  // namespace pcp::test
