// The report engine and Preview: the voucher's definition read from its
// file, the logon from the data-source settings, the selection formula and
// the parameter exactly as the register gives them, the company restriction,
// amounts in words, the PDF a cashier signs, and one clear error for each
// way a run can fail.

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGraphicsView>
#include <QLineEdit>
#include <QPointer>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

#include "data/ModulePath.h"
#include "data/Values.h"
#include "report/AmountInWords.h"
#include "report/ReportControl.h"
#include "report/ReportError.h"
#include "suite/clsIncident.h"
#include "tests/support/RegisterFixture.h"
#include "ui/FlexGrid.h"
#include "ui/Modal.h"
#include "ui/Pointer.h"

using namespace pcp;
using namespace pcp::test;
using namespace pcp::BasModule;

namespace {

const QString kFormula57 = " {vwPCPaymentCheckList.phPaymentID}= 57";

Decimal dec(const char* text) {
    return *Decimal::parse(QString::fromLatin1(text));
}

// The text of a PDF as a reader sees it, blanks and line ends collapsed.
QString pdfText(const QString& file) {
    QProcess p;
    p.start("pdftotext", {"-layout", file, "-"});
    EXPECT_TRUE(p.waitForFinished(20000)) << "pdftotext (poppler-utils) is needed";
    return QString::fromUtf8(p.readAllStandardOutput()).simplified();
}

}  // namespace

// --- amounts in words -----------------------------------------------------

TEST(AmountInWords, WholeUnitsAreSpeltAndCentsWrittenAsHundredths) {
    EXPECT_EQ(AmountInWords(dec("1234.50")), "One Thousand Two Hundred Thirty-Four and 50/100");
    EXPECT_EQ(AmountInWords(dec("100000.05")), "One Hundred Thousand and 05/100");
    EXPECT_EQ(AmountInWords(dec("0.75")), "Zero and 75/100");
    EXPECT_EQ(AmountInWords(dec("19.995")), "Twenty and 00/100");  // cents rounded half up
    EXPECT_EQ(AmountInWords(dec("-21")), "Minus Twenty-One and 00/100");
}

// --- the formula language -------------------------------------------------

TEST(ReportFormulas, TheSelectionFormulaBecomesAWhereClauseOnTheView) {
    const QString view = "vwPCPaymentCheckList";
    EXPECT_EQ(ReportFormula::parse(kFormula57).toSql(view), "(phPaymentID = 57)");
    EXPECT_EQ(
        ReportFormula::parse("{phPayee} = 'O''Brien' and not isnull({pdDetailID})").toSql(view),
        "((phPayee = 'O''Brien') and (not (pdDetailID is null)))");
    EXPECT_EQ(ReportFormula::parse("{phAmount} >= 10.5 or {phCancel} <> 1").toSql(view),
              "((phAmount >= 10.5) or (phCancel <> 1))");
}

TEST(ReportFormulas, AFormulaTheEngineDoesNotUnderstandIsOneClearError) {
    const QString view = "vwPCPaymentCheckList";
    for (const QString& bad :
         {QString(" {vwPCPaymentCheckList.phPaymentID}= 57 and"), QString("{phPaymentID} == 57"),
          QString("{phPaymentID} = 57; delete from aHqPettyCashPaymentHeader"),
          QString("{phPaymentID = 57"), QString("{aUsers.password} = 'x'"),
          QString("{phPaymentID}"), QString("57"), QString("{?strUserName} = 'x'"),
          QString("like({phPayee})")}) {
        SCOPED_TRACE(bad.toStdString());
        const ModuleError e = RaisedBy([&] { ReportFormula::parse(bad).toSql(view); });
        EXPECT_EQ(e.number(), kErrReportFormula);
        EXPECT_TRUE(e.description().contains(bad)) << e.description().toStdString();
    }
}

namespace {

class Values : public ReportScope {
  public:
    QVariant value(const ReportName& name) const override {
        if (name.name == "pdAmount") return QVariant::fromValue(dec("100"));
        if (name.name == "pdExRate") return QVariant::fromValue(dec("0.2723"));
        if (name.name == "phExRate") return QVariant::fromValue(dec("1"));
        return QVariant();
    }
};

}  // namespace

TEST(ReportFormulas, FormulaFieldsComputeInExactDecimals) {
    const Values values;
    const QVariant v =
        ReportFormula::parse("{pdAmount} * {phExRate} / {pdExRate}").evaluate(values);
    EXPECT_EQ(Format(v.value<Decimal>(), "#,##0.00"), "367.24");
    EXPECT_TRUE(ReportFormula::parse("isnull({pdDescription})").test(values));
    EXPECT_FALSE(ReportFormula::parse("{pdDescription} = 'x'").test(values));  // null is not true
}

// --- runs -----------------------------------------------------------------

class Report : public RegisterTest {
  protected:
    void SetUp() override {
        RegisterTest::SetUp();
        savedSettings_ = qgetenv("PCP_DATASOURCES");
        // On a server the report logs on through its data source, as a deployment sets it.
        if (OnPostgres())
            useDataSources("[DataSources]\nadmindsnv2=" +
                           connectionString().replace("Username=postgres;", ""));
    }
    void TearDown() override {
        qputenv("PCP_DATASOURCES", savedSettings_);
        RegisterTest::TearDown();
    }

    static QString reportFile() { return ModuleFolder() + "/reports/rptPCPayment.rpt"; }

    ReportRequest request(int id, int company = 1) {
        ReportRequest r;
        r.logon = ReportDataSources::Load().logon();
        r.embeddedConnection = con()->connectionString();
        r.reportFile = reportFile();
        r.parameterFields = {"strUserName;Administrator;True"};
        r.selectionFormula = QString(" {vwPCPaymentCheckList.phPaymentID}= %1").arg(id);
        r.company = company;
        r.title = "Petty Cash Payment";
        return r;
    }

    QString write(const QString& name, const QString& text) {
        const QString path = dir_.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text.toUtf8());
        return path;
    }
    void useDataSources(const QString& ini) {
        qputenv("PCP_DATASOURCES", write("datasources.ini", ini).toUtf8());
    }

    // The column's values over the document's rows.
    static QStringList column(const ReportDocument& doc, const QString& name) {
        QStringList out;
        const int c = doc.data.column(name);
        for (const QVariantList& row : doc.data.rows) out << Text(row.value(c));
        return out;
    }

    ReportPreview* preview() const {
        return window_->findChild<ReportPreview*>("rptPreview", Qt::FindDirectChildrenOnly);
    }
    int rowOf(const QString& id) const {
        for (int r = 1; r < grid()->rows(); ++r)
            if (grid()->textMatrix(r, 0) == id) return r;
        return 0;
    }
    void clickPreview() {
        QTest::mouseClick(window_->cmdPreview, Qt::LeftButton);
        QApplication::processEvents();
    }
    ReportPreview* previewOf(const QString& id, int company = 1) {
        open(1, 0, company);
        clickRow(rowOf(id));
        clickPreview();
        return preview();
    }
    // The voucher as the control writes it to a PDF file, and the file's text.
    QString printToPdf(int id, const QString& name, const QString& user = "Administrator") {
        ReportControl control(nullptr);
        const ReportLogon logon = ReportDataSources::Load().logon();
        control.LogOnServer(logon.driver, logon.dataSource, logon.database, logon.user,
                            logon.password);
        control.setWindowTitle("Petty Cash Payment");
        control.setReportFileName(reportFile());
        control.setParameterFields(0, "strUserName;" + user + ";True");
        control.setReplaceSelectionFormula(
            QString(" {vwPCPaymentCheckList.phPaymentID}= %1").arg(id));
        control.setCompany(1);
        control.setEmbeddedDatabase(con()->connectionString());
        control.setDestination(crptToFile);
        const QString pdf = dir_.filePath(name);
        control.setPrintFileName(pdf);
        control.setAction(1);
        EXPECT_TRUE(QFile::exists(pdf));
        if (const QString sample = qEnvironmentVariable("PCP_VOUCHER_SAMPLE"); !sample.isEmpty()) {
            QFile::remove(sample);
            QFile::copy(pdf, sample);
        }
        return pdfText(pdf);
    }

    QByteArray savedSettings_;
};

TEST_F(Report, PreviewShowsTheCurrentVoucherWithTheFormulaAndParameterAsTheRegisterGivesThem) {
    MessageScript messages;  // none: the preview simply opens
    ReportPreview* p = previewOf("57");
    ASSERT_NE(p, nullptr);
    const int r = rowOf("57");
    const ReportDocument& doc = p->document();
    EXPECT_EQ(doc.request.selectionFormula, kFormula57);
    EXPECT_EQ(doc.request.parameterFields, QStringList{"strUserName;Administrator;True"});
    EXPECT_EQ(doc.request.reportFile, ModuleFolder() + "/reports/rptPCPayment.rpt");
    ASSERT_TRUE(doc.request.logon);
    const ReportLogon& l = *doc.request.logon;  // no password unless the settings give one
    EXPECT_EQ(QStringList({l.driver, l.dataSource, l.database, l.user, l.password}),
              QStringList({"pdsodbc.dll", "admindsnv2", "adminv2", "admin", ""}));
    EXPECT_EQ(doc.request.company, 1);

    // every row is voucher 57 of company 1, one per line
    const int lines = scalar(
                          "select count(*) from aHqPettyCashPaymentDetails where "
                          "pdCompanyID=1 and pdPaymentID=57")
                          .toInt();
    ASSERT_GT(lines, 0);
    EXPECT_EQ(column(doc, "phPaymentID"), QStringList(lines, "57"));
    EXPECT_EQ(column(doc, "phCompanyID"), QStringList(lines, "1"));
    EXPECT_TRUE(p->pages().front().texts().contains(grid()->textMatrix(r, 1)));

    // the window: maximised, titled, ten controls shown and Refresh hidden, not modal
    EXPECT_EQ(p->windowTitle(), "Petty Cash Payment");
    EXPECT_TRUE(p->isVisible());
    EXPECT_TRUE(p->windowState() & Qt::WindowMaximized);
    EXPECT_FALSE(p->isModal());
    EXPECT_EQ(p->parent(), window_.get());
    const auto buttons =
        Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint;
    EXPECT_EQ(p->windowFlags() & buttons, buttons);
    for (const char* name : {"actPrint", "actPageSetup", "actExport", "actFirst", "actNext",
                             "actZoomIn", "actFitWidth", "actClose"})
        EXPECT_TRUE(p->action(name)->isVisible()) << name;
    EXPECT_FALSE(p->action("actRefresh")->isVisible());
    p->view()->updatePreview();
    EXPECT_EQ(p->view()->pageCount(), 1);
    EXPECT_EQ(p->pageText(), "Page 1 of 1");
    EXPECT_FALSE(MousePointer::isHourglass());
    EXPECT_EQ(OpenModalCount(), 0);
    p->action("actClose")->trigger();
}

TEST_F(Report, AVoucherIdOfAnotherCompanyIsNeverPrinted) {
    // voucher 3 exists in both companies; the formula names the id alone
    ASSERT_EQ(scalar("select count(*) from aHqPettyCashPaymentHeader where phPaymentID=3").toInt(),
              2);
    const ReportDefinition def = ReportDefinition::Load(reportFile());
    EXPECT_EQ(ReportStatement(def, request(3, 2)),
              "select * from vwPCPaymentCheckList where (phPaymentID = 3) and phCompanyID=2 "
              "order by pdDetailID");
    const ReportDocument second = ReadReport(request(3, 2));
    EXPECT_EQ(column(second, "phCompanyID"), QStringList{"2"});
    EXPECT_EQ(column(second, "phPayee"), QStringList{"Inland Haulage"});
    const ReportDocument first = ReadReport(request(3, 1));
    EXPECT_FALSE(column(first, "phCompanyID").contains("2"));
    EXPECT_FALSE(column(first, "phPayee").contains("Inland Haulage"));

    // and through the register of company 2
    ReportPreview* p = previewOf("3", 2);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->document().request.selectionFormula, " {vwPCPaymentCheckList.phPaymentID}= 3");
    EXPECT_EQ(column(p->document(), "phCompanyID"), QStringList{"2"});
    EXPECT_TRUE(p->pages().front().texts().contains("Inland Supplies Co"));
}

TEST_F(Report, AnEmptyRegisterPreviewsNothing) {
    exec("delete from aHqPettyCashPaymentHeader");
    open();
    MessageScript messages;  // none
    clickPreview();
    EXPECT_EQ(preview(), nullptr);
    EXPECT_EQ(scalar("select count(*) from aErrorLog").toInt(), 0);
    EXPECT_FALSE(MousePointer::isHourglass());
}

TEST_F(Report, ACancelledVoucherCarriesTheMarkWithItsReasonAndAPostedOneSaysSo) {
    const QString reason = "Duplicate of an earlier voucher";
    ASSERT_EQ(scalar("select phCancelRemarks from aHqPettyCashPaymentHeader where phCompanyID=1 "
                     "and phPaymentID=9")
                  .toString(),
              reason);
    const QStringList cancelled = LayOutReport(ReadReport(request(9))).front().texts();
    EXPECT_TRUE(cancelled.contains("CANCELLED"));
    EXPECT_TRUE(cancelled.contains("Reason: " + reason));
    EXPECT_TRUE(cancelled.contains("CANCELLED. Reason: " + reason));
    EXPECT_FALSE(cancelled.contains("POSTED TO JOURNAL"));

    ASSERT_EQ(scalar("select phPosted from aHqPettyCashPaymentHeader where phCompanyID=1 and "
                     "phPaymentID=8")
                  .toInt(),
              1);
    const QStringList posted = LayOutReport(ReadReport(request(8))).front().texts();
    EXPECT_TRUE(posted.contains("POSTED TO JOURNAL"));
    EXPECT_FALSE(posted.contains("CANCELLED"));

    const QStringList open = LayOutReport(ReadReport(request(57))).front().texts();
    EXPECT_FALSE(open.contains("POSTED TO JOURNAL"));
    EXPECT_FALSE(open.contains("CANCELLED"));
}

// Voucher 2 pays from a dirham float for lines in dollars, dirhams and euros.
TEST_F(Report, AVoucherInTwoCurrenciesPrintsAsAVoucherACashierSigns) {
    const ReportDocument doc = ReadReport(request(2));
    ASSERT_EQ(column(doc, "CashCurrency").front(), "AED");
    ASSERT_TRUE(column(doc, "DebitCurrency").contains("USD"));

    // Prepared by the clerk who keyed it; printed by whoever previews it.
    exec(
        "update aHqPettyCashPaymentHeader set phUserName='Mariam Clerk' where phCompanyID=1 and "
        "phPaymentID=2");
    const QString text = printToPdf(2, "voucher.pdf", "Omar Cashier");
    EXPECT_TRUE(
        text.contains(QRegularExpression(R"(Printed \d\d/\d\d/\d{4} \d\d:\d\d by Omar Cashier)")))
        << text.toStdString();
    EXPECT_FALSE(text.contains("Omar Cashier Prepared by"));
    const Decimal total = CDec(doc.data.rows.front().value(doc.data.column("phAmount")));
    for (const QString& expected :
         {QString("Harbourside Trading LLC"), QString("Voucher No. PRJ/1"),
          "Paid to " + column(doc, "phPayee").front(),
          "Reference " + column(doc, "phReferenceno").front(),
          "Being " + column(doc, "phRemarks").front(),
          QString("TOTAL AED ") + Format(total, "#,##0.00"),
          "UAE Dirham " + AmountInWords(total) + " only", QString("Mariam Clerk Prepared by"),
          QString("Approved by"), QString("Received by"), QString("Page 1 of 1")})
        EXPECT_TRUE(text.contains(expected))
            << expected.toStdString() << "\nin: " << text.toStdString();

    // each line in its own currency, with the rate and the amount paid in dirhams
    const QStringList page = LayOutReport(doc).front().texts();
    for (const QVariantList& row : doc.data.rows) {
        const auto v = [&](const char* name) { return row.value(doc.data.column(name)); };
        const Decimal amount = CDec(v("pdAmount")), rate = CDec(v("pdExRate")),
                      cash = CDec(v("phExRate"));
        const QString symbol = Text(v("DebitCurrency"));
        EXPECT_TRUE(text.contains(Text(v("pdDescription"))));
        EXPECT_TRUE(page.contains(symbol + " " + Format(amount, "#,##0.00")));
        EXPECT_TRUE(page.contains(Format(amount * cash / rate, "#,##0.00")));
        if (symbol != "AED") {
            EXPECT_TRUE(page.contains(Format(cash / rate, "#,##0.0000")));
        }
    }
}

// The largest amounts a line takes print whole, each clear of its neighbours.
TEST_F(Report, LargeAmountsInTwoCurrenciesPrintWhole) {
    exec(
        "update aHqPettyCashPaymentDetails set pdAmount = case pdDetailID when 3 then "
        "999999999999.99 else 999999999.999 end where pdCompanyID=1 and pdPaymentID=2");
    exec(
        "update aHqPettyCashPaymentHeader set phAmount=3980815561277.899 where phCompanyID=1 and "
        "phPaymentID=2");
    const QString text = printToPdf(2, "large.pdf");
    // each line's amount, rate and amount paid, in that order and apart
    for (const char* shown :
         {" USD 999,999,999.999 3.6724 3,672,420,124.86 ", " AED 999,999,999.999 1,000,000,000.00 ",
          " EUR 999,999,999,999.99 3.9761 3,976,143,141,153.04 ",
          " TOTAL AED 3,980,815,561,277.90 "})
        EXPECT_TRUE(text.contains(shown)) << shown << "\nin: " << text.toStdString();
}

TEST_F(Report, ManyLinesGoOnFurtherPagesUnderTheirHeadingsWithTheTotalAtTheEnd) {
    for (int n = 10; n < 50; ++n)
        exec(QString("insert into aHqPettyCashPaymentDetails values (1, 0, 57, %1, 201, "
                     "'Extra line %1', 1.5, 1)")
                 .arg(n));
    const ReportDocument doc = ReadReport(request(57));
    const ReportPages pages = LayOutReport(doc);
    ASSERT_GE(pages.size(), 2u);
    for (size_t i = 0; i < pages.size(); ++i) {
        const QStringList t = pages[i].texts();
        SCOPED_TRACE(i);
        EXPECT_TRUE(t.contains("Harbourside Trading LLC"));
        const bool lines = !t.filter(QRegularExpression("^Extra line")).isEmpty();
        EXPECT_EQ(t.contains("Description"), lines);  // headings above the lines of each page
        EXPECT_TRUE(t.contains(QString("Page %1 of %2").arg(i + 1).arg(pages.size())));
        EXPECT_EQ(t.contains("TOTAL"), i + 1 == pages.size());
        EXPECT_EQ(t.contains("Voucher No."), i == 0);
    }
    int shown = 0;
    for (const ReportPage& p : pages)
        for (const QString& t : p.texts()) shown += t.startsWith("Extra line") ? 1 : 0;
    EXPECT_EQ(shown, 40);

    // The preview's page count follows the page shown, by its buttons and by scrolling.
    ReportPreview* p = previewOf("57");
    ASSERT_NE(p, nullptr);
    p->view()->updatePreview();
    const int n = int(pages.size());
    for (const auto& [action, page] : std::vector<std::pair<const char*, int>>{
             {"actNext", 2}, {"actLast", n}, {"actPrevious", n - 1}, {"actFirst", 1}}) {
        p->action(action)->trigger();
        EXPECT_EQ(p->pageText(), QString("Page %1 of %2").arg(page).arg(n)) << action;
    }
    ASSERT_TRUE(QTest::qWaitForWindowActive(p));
    QTest::keyClick(p, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(p->pageText(), QString("Page %1 of %1").arg(n));
    QTest::keyClick(p, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(p->pageText(), QString("Page 1 of %1").arg(n));
    QScrollBar* scroll = p->view()->findChild<QGraphicsView*>()->verticalScrollBar();
    scroll->setValue(scroll->maximum());
    EXPECT_EQ(p->pageText(), QString("Page %1 of %1").arg(n));
}

TEST_F(Report, TheEngineSeesOnlyCommittedData) {
    con()->BeginTrans();
    con()->Execute(
        "update aHqPettyCashPaymentHeader set phPayee='Not Yet Committed' where phCompanyID=1 and "
        "phPaymentID=57");
    const ReportDocument doc = ReadReport(request(57));
    con()->RollbackTrans();
    EXPECT_FALSE(column(doc, "phPayee").contains("Not Yet Committed"));
}

// The keys the toolbar's tooltips name work on the window, and Tab reaches its buttons.
TEST_F(Report, ThePreviewAnswersTheKeysItsToolbarNames) {
    ReportPreview* p = previewOf("57");
    ASSERT_NE(p, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowActive(p));
    for (const auto& [name, tip] :
         std::vector<std::pair<const char*, QString>>{{"actPrint", "Print (Ctrl+P)"},
                                                      {"actExport", "Save as PDF (Ctrl+S)"},
                                                      {"actPageSetup", "Page Setup"},
                                                      {"actZoomIn", "Zoom In (Ctrl++)"},
                                                      {"actZoomOut", "Zoom Out (Ctrl+-)"},
                                                      {"actLast", "Last Page (Ctrl+End)"},
                                                      {"actClose", "Close (Esc)"}})
        EXPECT_EQ(p->action(name)->toolTip(), tip) << name;

    // The keys go where the focus is: first on the pages, then along the toolbar.
    const auto focused = [] {
        auto* b = qobject_cast<QToolButton*>(QApplication::focusWidget());
        return b && b->defaultAction() ? b->defaultAction()->objectName() : QString("elsewhere");
    };
    const auto press = [](Qt::Key key, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), key, m);
    };
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    EXPECT_TRUE(p->view()->isAncestorOf(QApplication::focusWidget()));
    press(Qt::Key_Tab);
    EXPECT_EQ(focused(), "actPrint");
    press(Qt::Key_Tab);
    EXPECT_EQ(focused(), "actPageSetup");
    press(Qt::Key_Backtab, Qt::ShiftModifier);
    press(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(p->view()->isAncestorOf(QApplication::focusWidget()));
    press(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(focused(), "actClose");

    // Refresh is hidden in Preview, so its key does not read the changed payee.
    exec(
        "update aHqPettyCashPaymentHeader set phPayee='Changed Since' where phCompanyID=1 and "
        "phPaymentID=57");
    QTest::keySequence(p, QKeySequence(QKeySequence::Refresh));
    EXPECT_FALSE(p->pages().front().texts().contains("Changed Since"));

    ModalScript modal;
    modal.expect("rptPrintDialog", [](QDialog* d) { d->reject(); });
    QTest::keyClick(p, Qt::Key_P, Qt::ControlModifier);
    EXPECT_TRUE(modal.allSeen());
    EXPECT_TRUE(p->isVisible());

    // Esc closes the window, and so does the platform's Close key.
    for (const QKeySequence& keys :
         {QKeySequence(Qt::Key_Escape), QKeySequence(QKeySequence::Close)}) {
        SCOPED_TRACE(keys.toString().toStdString());
        if (!p) clickPreview();
        QPointer<ReportPreview> shown = p ? p : preview();
        ASSERT_TRUE(shown && QTest::qWaitForWindowActive(shown));
        QTest::keySequence(shown, keys);
        EXPECT_FALSE(shown->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(shown.isNull());
        p = nullptr;
    }
}

TEST_F(Report, CtrlSSavesTheVoucherAsAPdfFileNamedAfterIt) {
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", dir_.path().toUtf8());
    ASSERT_TRUE(QDir(dir_.path()).mkdir("Documents"));
    ReportPreview* p = previewOf("57");
    ASSERT_NE(p, nullptr);
    const QString pdf = dir_.filePath("saved.pdf");
    ModalScript modal;
    modal.expect("rptExportDialog", [&](QDialog* d) {
        auto* files = qobject_cast<QFileDialog*>(d);
        ASSERT_NE(files, nullptr);
        // The voucher's number is offered, in the documents folder ("/" cannot be in a name).
        EXPECT_EQ(files->directory().absolutePath(), dir_.filePath("Documents"));
        auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        EXPECT_EQ(name->text(), "Payment ADM-19.pdf");
        // Typed into the name box, as a person saves under a name of their own.
        name->setText(pdf);
        d->accept();  // Save
    });
    ASSERT_TRUE(QTest::qWaitForWindowActive(p));
    QTest::keyClick(p, Qt::Key_S, Qt::ControlModifier);
    qputenv("HOME", home);
    EXPECT_TRUE(modal.allSeen());
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.read(5) == "%PDF-");
    EXPECT_TRUE(pdfText(pdf).contains("Voucher No. ADM/19"));
}

// --- the data-source settings -----------------------------------------------

TEST_F(Report, TheLogonComesFromTheSettingsAndThePasswordHasNoDefault) {
    qputenv("PCP_DATASOURCES", dir_.filePath("none.ini").toUtf8());
    ReportLogon logon = ReportDataSources::Load().logon();
    EXPECT_EQ(
        QStringList({logon.driver, logon.dataSource, logon.database, logon.user, logon.password}),
        QStringList({"pdsodbc.dll", "admindsnv2", "adminv2", "admin", ""}));
    // an unnamed data source is the module's own embedded database
    EXPECT_EQ(ReportDataSources::Load().connectionFor(logon, con()->connectionString()),
              con()->connectionString());

    useDataSources(
        "; the suite's database\n[Logon]\nDataSource=suite\nUser=reports\nPassword=s3cret;x\n"
        "[DataSources]\nsuite = Driver=FreeTDS;Server=db.example;Port=1433;TDS_Version=7.4\n");
    logon = ReportDataSources::Load().logon();
    EXPECT_EQ(logon.dataSource, "suite");
    EXPECT_EQ(logon.database, "adminv2");
    EXPECT_EQ(logon.password, "s3cret;x");
    EXPECT_EQ(ReportDataSources::Load().connectionFor(logon, con()->connectionString()),
              "Driver=FreeTDS;Server=db.example;Port=1433;TDS_Version=7.4;Database=adminv2;"
              "UID=reports;PWD=s3cret;x");
    // A data source naming its own user and password (psqlODBC's keys) keeps them.
    useDataSources(
        "[DataSources]\nadmindsnv2=Driver={PostgreSQL Unicode};Username=clerk;"
        "Password=p");
    EXPECT_EQ(ReportDataSources::Load().connectionFor(ReportDataSources::Load().logon(), ""),
              "Driver={PostgreSQL Unicode};Username=clerk;Password=p;Database=adminv2");
}

TEST_F(Report, ADataSourceThatCannotBeOpenedIsOneErrorReportAndNoWindow) {
    useDataSources("[DataSources]\nadmindsnv2=Provider=SQLite;Data Source=/nonexistent/suite.db\n");
    MessageScript messages;
    messages.expect(
        "An error occurred in FrmMaster (cmdPreview_Click).\r\n\r\nError 20503: The data source "
        "\"admindsnv2\" cannot be opened: the database file /nonexistent/suite.db does not exist.");
    EXPECT_EQ(previewOf("57"), nullptr);
    EXPECT_EQ(scalar("select ProcedureName from aErrorLog").toString(), "cmdPreview_Click");
    EXPECT_FALSE(MousePointer::isHourglass());
}

TEST_F(Report, EachWayARunFailsIsOneClearError) {
    const auto failing = [&](ReportRequest r) { return RaisedBy([&] { ReadReport(r); }); };
    const auto definition = [&](const QString& body) {
        ReportRequest r = request(57);
        r.reportFile = write("bad.rpt", body);
        return failing(r);
    };
    ReportRequest r = request(57);

    r.reportFile = dir_.filePath("missing.rpt");
    ModuleError f = failing(r);
    EXPECT_EQ(f.number(), kErrReportFileMissing);
    EXPECT_EQ(f.description(), "The report file " + r.reportFile + " was not found.");

    f = definition(
        "<report><data view='vwPCPaymentCheckList'/>\n<detail><text w='9'>{phPayee</text>");
    EXPECT_EQ(f.number(), kErrReportDefinition);
    EXPECT_TRUE(f.description().contains("line 2")) << f.description().toStdString();

    f = definition("<report><data view='vwPCPaymentCheckList'/><detail hieght='4'/></report>");
    EXPECT_EQ(f.number(), kErrReportDefinition);
    EXPECT_TRUE(f.description().contains("has no attribute \"hieght\""));

    f = definition(
        "<report><data view='vwPCPaymentCheckList' company-field='phCompanyID'/>"
        "<parameter name='strUserName'/><detail><text "
        "w='9'>{phNoSuchColumn}</text></detail></report>");
    EXPECT_EQ(f.number(), kErrReportDefinition);
    EXPECT_TRUE(f.description().contains("names the column phNoSuchColumn"));

    r = request(57);
    r.selectionFormula = " {vwPCPaymentCheckList.phPaymentID}= 57 and";
    EXPECT_EQ(failing(r).number(), kErrReportFormula);
    r.selectionFormula = "{vwPCPaymentCheckList.phNoSuchColumn} = 1";
    EXPECT_EQ(failing(r).number(), kErrReportFormula);

    r = request(99999);
    f = failing(r);
    EXPECT_EQ(f.number(), kErrReportNoRecords);
    EXPECT_EQ(f.description(),
              "The selection formula \" {vwPCPaymentCheckList.phPaymentID}= 99999\" "
              "selects no record of company 1.");

    r = request(57);
    r.company.reset();
    f = failing(r);
    EXPECT_EQ(f.number(), kErrReportDefinition);
    EXPECT_TRUE(f.description().contains("no company was given"));

    r = request(57);
    r.parameterFields.clear();
    EXPECT_EQ(failing(r).number(), kErrReportParameter);
    r.parameterFields = {"strUser;Administrator;True"};
    EXPECT_EQ(failing(r).number(), kErrReportParameter);

    r = request(57);
    r.logon->driver = "other.dll";
    EXPECT_EQ(failing(r).number(), kErrReportLogon);
    r = request(57);
    r.embeddedConnection = "DSN=suite;UID=x";  // not an embedded file, and nothing configured
    f = failing(r);
    EXPECT_EQ(f.number(), kErrReportLogon);
    EXPECT_TRUE(f.description().contains("is not configured"));
}
