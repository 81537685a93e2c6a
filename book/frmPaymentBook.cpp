#include "book/frmPaymentBook.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QStandardPaths>
#include <QTabWidget>
#include <algorithm>

#include "book/BookPrint.h"
#include "data/AdoRecordset.h"
#include "data/SqlText.h"
#include "data/Values.h"
#include "report/ReportPreview.h"
#include "report/ReportRenderer.h"
#include "report/TableExport.h"
#include "suite/BasModule.h"
#include "ui/FileDialog.h"
#include "ui/FlexGrid.h"
#include "ui/Keys.h"
#include "ui/MessageBox.h"
#include "ui/PlainText.h"
#include "ui/Pointer.h"
#include "ui/Twips.h"

namespace pcp {

using namespace BasModule;

namespace {

constexpr quint32 kRed = 0x0000FFu;
constexpr int kTwipsPerCharacter = 120;
constexpr int kWidestColumnTwips = 4500;

frmPaymentBook::FileChooser& fileChooser() {
    static frmPaymentBook::FileChooser chooser;
    return chooser;
}

QString askForFile(QWidget* owner, const QString& suggested, const QString& filter) {
    if (fileChooser()) return fileChooser()(suggested, filter);
    // The window itself asks before an existing file is replaced.
    return AskFileToSave(owner, QStringLiteral("Export the payments book"), suggested, filter,
                         QFileInfo(suggested).suffix());
}

QLabel* labelFor(QWidget* parent, const QString& caption, QWidget* buddy) {
    auto* label = new QLabel(caption, parent);
    label->setBuddy(buddy);
    return label;
}

// A list's entry by its id: all (0) first, then the rows of the statement.
void fillList(QComboBox* box, const QString& all, const QString& sql) {
    const QSignalBlocker quiet(box);
    box->clear();
    box->addItem(all, 0);
    AdoRecordset rs;
    rs.Open(sql, GAdoCon, adOpenKeyset, adLockReadOnly);
    for (; !rs.Eof(); rs.MoveNext()) box->addItem(Text(rs.Fields(1)).trimmed(), CLng(rs.Fields(0)));
    box->setCurrentIndex(0);
}

QString viewName(BookView view) {
    switch (view) {
        case BookView::ByAccount: return QStringLiteral("by account");
        case BookView::ByDepartment: return QStringLiteral("by department");
        case BookView::ByPayee: return QStringLiteral("by payee");
        case BookView::Lines: break;
    }
    return QStringLiteral("lines");
}

// The widest text of each column in characters: decimals by their largest
// magnitude, texts and dates by their lengths.
int widestText(const RowSet& rows, int col) {
    const RowSet::Column& c = rows.column(col);
    int widest = 0;
    if (c.type == ColumnType::Decimal) {
        qint64 largest = 0;
        bool negative = false;
        for (int r = 0; r < rows.rowCount(); ++r) {
            if (rows.isNull(r, col)) continue;
            const qint64 units = c.numbers[size_t(r)];
            negative = negative || units < 0;
            largest = std::max(largest, units < 0 ? -units : units);
        }
        const QString text = Format(Decimal::fromUnits(largest),
                                    c.pattern.isEmpty() ? QStringLiteral("0.######") : c.pattern);
        return int(text.size()) + (negative ? 1 : 0);
    }
    for (int r = 0; r < rows.rowCount(); ++r) widest = std::max(widest, rows.textLength(r, col));
    return widest;
}

}  // namespace

void frmPaymentBook::SetFileChooser(FileChooser chooser) {
    fileChooser() = std::move(chooser);
}

frmPaymentBook::frmPaymentBook(QWidget* parent) : VbForm(parent) {
    setObjectName(QStringLiteral("frmPaymentBook"));
    setWindowTitle(QStringLiteral("Payments Book"));
    buildControls();
    Form_Load();
}

frmPaymentBook::~frmPaymentBook() = default;

QString frmPaymentBook::messageTitle() const {
    return GStrMsgboxCaption;
}

void frmPaymentBook::buildFilters() {
    dtpFrom = Named(new QDateEdit(this), "dtpFrom");
    dtpTo = Named(new QDateEdit(this), "dtpTo");
    for (QDateEdit* d : {dtpFrom, dtpTo}) {
        d->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
        d->setCalendarPopup(true);
    }
    cboPeriod = Named(new QComboBox(this), "cboPeriod");
    cboPeriod->addItems({QStringLiteral("(dates as entered)"), QStringLiteral("This month"),
                         QStringLiteral("Last month"), QStringLiteral("This financial year"),
                         QStringLiteral("The last 30 days")});
    cboCashAccount = Named(new QComboBox(this), "cboCashAccount");
    cboDepartment = Named(new QComboBox(this), "cboDepartment");
    cboDebitAccount = Named(new QComboBox(this), "cboDebitAccount");
    cboStatus = Named(new QComboBox(this), "cboStatus");
    cboStatus->addItems({QStringLiteral("Standing"), QStringLiteral("Cancelled"),
                         QStringLiteral("Posted"), QStringLiteral("Not posted"),
                         QStringLiteral("All")});
    txtPayee = Named(new QLineEdit(this), "txtPayee");
    txtPayee->setMaxLength(150);
    KeepEntryTextPlain(txtPayee);
    cmdShow = Named(new QPushButton(QStringLiteral("&Show"), this), "cmdShow");

    const struct {
        const char* caption;
        QWidget* control;
        int left, width;
    } row1[] = {{"&From", dtpFrom, 60, 1500},
                {"&To", dtpTo, 2200, 1500},
                {"Peri&od", cboPeriod, 4360, 2100},
                {"Cas&h account", cboCashAccount, 7300, 2600},
                {"&Department", cboDepartment, 10800, 2200}},
      row2[] = {{"De&bit account", cboDebitAccount, 60, 3000},
                {"Stat&us", cboStatus, 4000, 1500},
                {"Pa&yee", txtPayee, 6300, 3000}};
    const auto lay = [&](const auto& row, int top) {
        for (const auto& f : row) {
            QLabel* label = labelFor(this, QString::fromUtf8(f.caption), f.control);
            label->setGeometry(TwipsToPx(f.left), TwipsToPx(top), TwipsToPx(f.width),
                               TwipsToPx(240));
            f.control->setGeometry(TwipsToPx(f.left), TwipsToPx(top + 240), TwipsToPx(f.width),
                                   TwipsToPx(330));
        }
    };
    lay(row1, 60);
    lay(row2, 720);
    cmdShow->setGeometry(TwipsToPx(9600), TwipsToPx(960), TwipsToPx(1200), TwipsToPx(390));
}

void frmPaymentBook::buildControls() {
    setFixedSize(TwipsToPx(14400), TwipsToPx(9000));
    buildFilters();
    tabViews = Named(new QTabWidget(this), "tabViews");
    tabViews->setGeometry(TwipsToPx(60), TwipsToPx(1440), TwipsToPx(14265), TwipsToPx(6100));
    const struct {
        FlexGrid** grid;
        const char* name;
        const char* caption;
    } views[] = {{&gridLines, "gridLines", "&Lines"},
                 {&gridByAccount, "gridByAccount", "By &account"},
                 {&gridByDepartment, "gridByDepartment", "By de&partment"},
                 {&gridByPayee, "gridByPayee", "By pay&ee"}};
    for (const auto& v : views) {
        *v.grid = Named(new FlexGrid(tabViews), v.name);
        (*v.grid)->horizontalHeader()->setSectionsClickable(true);
        (*v.grid)->setTabKeyNavigation(false);  // Tab leaves the grid for Export and Close
        FlexGrid* grid = *v.grid;
        connect(grid->horizontalHeader(), &QHeaderView::sectionClicked, this,
                [this, grid](int column) { sortByColumn(grid, column); });
        tabViews->addTab(grid, QString::fromUtf8(v.caption));
    }
    lblEmpty = Named(new QLabel(this), "lblEmpty");
    lblEmpty->setGeometry(TwipsToPx(300), TwipsToPx(2200), TwipsToPx(8000), TwipsToPx(300));
    lblEmpty->hide();
    lblTotals = Named(new QLabel(this), "lblTotals");
    lblTotals->setGeometry(TwipsToPx(60), TwipsToPx(7600), TwipsToPx(10200), TwipsToPx(900));
    lblTotals->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblTotals->setTextInteractionFlags(Qt::TextSelectableByMouse);
    prgWork = Named(new QProgressBar(this), "prgWork");
    prgWork->setGeometry(TwipsToPx(60), TwipsToPx(8520), TwipsToPx(6000), TwipsToPx(300));
    prgWork->setRange(0, 0);
    prgWork->hide();
    cmdCancel = Named(new QPushButton(QStringLiteral("Ca&ncel"), this), "cmdCancel");
    cmdCancel->setGeometry(TwipsToPx(6200), TwipsToPx(8460), TwipsToPx(1200), TwipsToPx(390));
    cmdCancel->hide();
    cmdExport = Named(new QPushButton(QStringLiteral("E&xport"), this), "cmdExport");
    cmdExport->setGeometry(TwipsToPx(10500), TwipsToPx(8460), TwipsToPx(1700), TwipsToPx(390));
    cmdClose = Named(new QPushButton(QStringLiteral("&Close"), this), "cmdClose");
    cmdClose->setGeometry(TwipsToPx(12500), TwipsToPx(8460), TwipsToPx(1700), TwipsToPx(390));
    for (QPushButton* b : {cmdShow, cmdCancel, cmdExport, cmdClose}) b->setAutoDefault(false);
    setCancelButton(cmdClose);

    connect(cmdShow, &QPushButton::clicked, this, [this] { cmdShow_Click(); });
    connect(cmdExport, &QPushButton::clicked, this, [this] { cmdExport_Click(); });
    connect(cmdClose, &QPushButton::clicked, this, [this] { Unload(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cancelAsked_ = true; });
    connect(cboPeriod, &QComboBox::activated, this, [this] { cboPeriod_Click(); });
    new QShortcut(QKeySequence(QStringLiteral("Ctrl+E")), this, [this] { cmdExport_Click(); });
    new QShortcut(QKeySequence(QStringLiteral("Ctrl+P")), this, [this] { PrintPreview(); });
    // Ctrl+Tab moves between the views wherever the focus is, a grid included.
    const auto step = [this](int by) {
        tabViews->setCurrentIndex((tabViews->currentIndex() + by + tabViews->count()) %
                                  tabViews->count());
        tabViews->currentWidget()->setFocus();
    };
    new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), this, [step] { step(1); });
    new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), this, [step] { step(-1); });
    new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), this, [step] { step(-1); });

    // Enter anywhere in the filters runs the query.
    keys_ = new KeyRouter(this);
    for (QWidget* w :
         std::initializer_list<QWidget*>{dtpFrom, dtpTo, cboPeriod, cboCashAccount, cboDepartment,
                                         cboDebitAccount, cboStatus, txtPayee})
        keys_->on(w, {.keyPress = [this](int& k) {
                      if (k != 13) return;
                      k = 0;
                      cmdShow_Click();
                  }});
    keys_->attach();
    KeepShortcutsFromTextBoxes(
        this, {QKeySequence(QStringLiteral("Ctrl+E")), QKeySequence(QStringLiteral("Ctrl+P"))});

    QWidget* order[] = {dtpFrom,         dtpTo,     cboPeriod, cboCashAccount, cboDepartment,
                        cboDebitAccount, cboStatus, txtPayee,  cmdShow,        tabViews,
                        gridLines,       cmdExport, cmdClose};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
}

void frmPaymentBook::Form_Load() {
    Handle("frmPaymentBook", "Form_Load", [&] {
        GObjPalette.call("ApplyPalette", {ObjectArg(this)});
        const QDate today = GDtProcessDate.date();
        dtpFrom->setDate(QDate(today.year(), today.month(), 1));
        dtpTo->setDate(today);
        fillLists();
    });
}

// The lists as the voucher window lists them: the company's cash accounts,
// the departments the user may use, the debit accounts of the company.
void frmPaymentBook::fillLists() {
    LoadUserDepartments();
    const QString company = QString::number(GIntCompanyID);
    fillList(cboCashAccount, QStringLiteral("(all cash accounts)"),
             QStringLiteral("select AccountID, AccountDesc from aAccountMaster where CompanyID=") +
                 company +
                 QStringLiteral(" and groupID=(select bankgroupID from asettings where "
                                "companyId=") +
                 company + QStringLiteral(") order by AccountDesc"));
    fillList(cboDepartment, QStringLiteral("(all departments)"),
             QStringLiteral("select DepartmentID, DepartmentName from adepartmentmaster where "
                            "CompanyID = ") +
                 company + QStringLiteral(" and DepartmentID ") + GStrUserDepartments +
                 QStringLiteral(" order by DepartmentName"));
    fillList(cboDebitAccount, QStringLiteral("(all debit accounts)"),
             QStringLiteral("select AccountID, AccountCode + ' ' + AccountDesc from aAccountMaster "
                            "where CompanyID=") +
                 company +
                 QStringLiteral(" and groupID<>(select bankgroupID from asettings where "
                                "companyId=") +
                 company + QStringLiteral(") order by AccountCode"));
}

void frmPaymentBook::formActivate() {
    if (activated_) return;
    activated_ = true;
    cmdShow_Click();
}

void frmPaymentBook::cboPeriod_Click() {
    Handle("frmPaymentBook", "cboPeriod_Click", [&] {
        const QDate today = GDtProcessDate.date();
        const QDate monthStart(today.year(), today.month(), 1);
        switch (cboPeriod->currentIndex()) {
            case 1: dtpFrom->setDate(monthStart), dtpTo->setDate(today); break;
            case 2:
                dtpFrom->setDate(monthStart.addMonths(-1));
                dtpTo->setDate(monthStart.addDays(-1));
                break;
            case 3: {
                GObjVault.set("strTableName", QStringLiteral("afinancialyear where FinancialId=") +
                                                  QString::number(GIntFinancialID));
                const QVariant start =
                    GObjVault.call("fnReturnField", {QStringLiteral("StartDate")});
                const QVariant end = GObjVault.call("fnReturnField", {QStringLiteral("EndDate")});
                if (!IsNull(start) && !IsEmpty(start)) dtpFrom->setDate(CDate(start).date());
                if (!IsNull(end) && !IsEmpty(end)) dtpTo->setDate(CDate(end).date());
                break;
            }
            case 4: dtpFrom->setDate(today.addDays(-29)), dtpTo->setDate(today); break;
            default: return;
        }
        cmdShow_Click();
    });
}

BookFilter frmPaymentBook::filter() const {
    BookFilter f;
    f.from = dtpFrom->date();
    f.to = dtpTo->date();
    f.cashAccountId = cboCashAccount->currentData().toInt();
    f.departmentId = cboDepartment->currentData().toInt();
    f.debitAccountId = cboDebitAccount->currentData().toInt();
    f.status = BookStatus(std::max(0, cboStatus->currentIndex()));
    f.payee = txtPayee->text();
    return f;
}

BookView frmPaymentBook::currentView() const {
    return BookView(std::max(0, tabViews->currentIndex()));
}

bool frmPaymentBook::keepWorking(int rowsDone) {
    prgWork->setFormat(QStringLiteral("%1 rows").arg(rowsDone));
    QCoreApplication::processEvents();
    return !cancelAsked_;
}

void frmPaymentBook::beginWork(const QString& what) {
    working_ = true;
    cancelAsked_ = false;
    prgWork->setFormat(what);
    prgWork->show();
    cmdCancel->show();
    for (QWidget* w : std::initializer_list<QWidget*>{cmdShow, cmdExport}) w->setEnabled(false);
}

void frmPaymentBook::endWork() {
    working_ = false;
    prgWork->hide();
    cmdCancel->hide();
    for (QWidget* w : std::initializer_list<QWidget*>{cmdShow, cmdExport}) w->setEnabled(true);
}

void frmPaymentBook::cmdShow_Click() {
    Handle("frmPaymentBook", "cmdShow_Click", [&] {
        if (working_) return;
        const BookFilter asked = filter();
        if (const QString problem = BookFilterProblem(asked); !problem.isEmpty()) {
            ModuleMsgBox(problem, vbExclamation);
            dtpFrom->setFocus();
            return;
        }
        HourglassScope hourglass;
        beginWork(QStringLiteral("Reading the payments…"));
        struct Done {
            frmPaymentBook* w;
            ~Done() { w->endWork(); }
        } done{this};
        PaymentBook read = ReadPaymentBook(asked, [this](int rows) { return keepWorking(rows); });
        if (read.cancelledByUser) return;  // the book shown stays as it was
        book_ = std::move(read);
        showBook();
    });
}

void frmPaymentBook::showBook() {
    fillGrid(gridLines, book_.lines, BookView::Lines);
    fillGrid(gridByAccount, book_.byAccount, BookView::ByAccount);
    fillGrid(gridByDepartment, book_.byDepartment, BookView::ByDepartment);
    fillGrid(gridByPayee, book_.byPayee, BookView::ByPayee);
    for (int r = 0; r < int(book_.cancelled.size()); ++r)
        if (book_.cancelled[size_t(r)])
            for (int c = 0; c < gridLines->cols(); ++c)
                gridLines->setCellForeColorAt(r + 1, c, kRed);
    const bool empty = !book_.lines || book_.lines->rowCount() == 0;
    lblEmpty->setText(QStringLiteral("No payments in this period with these filters."));
    lblEmpty->setVisible(empty);
    lblEmpty->raise();
    showTotals();
}

void frmPaymentBook::fillGrid(FlexGrid* grid, const std::shared_ptr<RowSet>& rows, BookView view) {
    const QStringList captions = BookCaptions(view);
    grid->clear();
    grid->setRows(2);
    grid->setCols(int(captions.size()));
    if (rows && rows->rowCount() > 0) grid->showRows(rows);
    for (int c = 0; c < captions.size(); ++c) {
        grid->setTextMatrix(0, c, captions[c]);
        const int chars = std::max(int(captions[c].size()), rows ? widestText(*rows, c) : 0);
        grid->setColWidth(c, std::min(kWidestColumnTwips, (chars + 2) * kTwipsPerCharacter));
        const bool number = rows && (rows->column(c).type == ColumnType::Decimal ||
                                     rows->column(c).type == ColumnType::Integer);
        grid->setColAlignment(c, number ? Qt::AlignRight : Qt::AlignLeft);
    }
    if (view == BookView::Lines)  // dates sort by the calendar
        grid->setColSortKey(BookColumn::kDate, [](const QString& text) {
            const QDateTime d = ParseDate(text);
            return d.isValid() ? d.toString(QStringLiteral("yyyyMMddHHmmss")) : text;
        });
    grid->setRow(std::min(1, grid->rows() - 1));
}

// A click on a caption sorts by its column, the next click the other way.
void frmPaymentBook::sortByColumn(FlexGrid* grid, int column) {
    Handle("frmPaymentBook", "sortByColumn", [&] {
        if (column < 0 || column >= grid->cols()) return;
        const bool again = grid->property("sortedBy").toInt() == column + 1;
        grid->setProperty("sortedBy", again ? -(column + 1) : column + 1);
        grid->setCol(column);
        grid->setColSel(column);
        grid->sort(again ? flexSortGenericDescending : flexSortGenericAscending);
    });
}

void frmPaymentBook::showTotals() {
    QStringList lines;
    for (const CurrencyTotal& t : book_.totals)
        lines << QStringLiteral("Total %1: %2  (%3)  =  %4 %5")
                     .arg(t.currency, Format(t.amount, QStringLiteral("#,##0.00#")),
                          LinesText(t.lines), book_.companyCurrency,
                          Format(t.company, QStringLiteral("#,##0.00#")));
    lines << QStringLiteral("Grand total in %1: %2")
                 .arg(book_.companyCurrency, Format(book_.grandTotal, QStringLiteral("#,##0.00#")));
    lines << VouchersText(book_.vouchers) + QStringLiteral(", ") + LinesText(book_.standingLines) +
                 QStringLiteral(" standing");
    lblTotals->setText(lines.join(u'\n'));
}

// The period and the filters of the book shown, one line each.
QStringList frmPaymentBook::headingLines() const {
    const BookFilter& f = book_.filter;
    QStringList lines{QStringLiteral("Period: %1 to %2")
                          .arg(f.from.toString(QStringLiteral("dd/MM/yyyy")),
                               f.to.toString(QStringLiteral("dd/MM/yyyy"))),
                      QStringLiteral("Cash account: ") + cboCashAccount->currentText(),
                      QStringLiteral("Department: ") + cboDepartment->currentText(),
                      QStringLiteral("Debit account: ") + cboDebitAccount->currentText(),
                      QStringLiteral("Status: ") + cboStatus->currentText()};
    if (!f.payee.trimmed().isEmpty()) lines << QStringLiteral("Payee contains: ") + f.payee;
    return lines;
}

ExportTable frmPaymentBook::exportTable(BookView view, const RowSet& foot) const {
    ExportTable t;
    t.title = QStringLiteral("Payments %1").arg(viewName(view));
    t.heading << book_.companyName << headingLines();
    t.captions = BookCaptions(view);
    const std::shared_ptr<RowSet>& rows = book_.view(view);
    t.rows = rows.get();
    for (int c = 0; rows && c < rows->columnCount(); ++c) t.patterns << rows->column(c).pattern;
    if (view == BookView::Lines) t.red = book_.cancelled;
    t.foot = foot;
    return t;
}

QString frmPaymentBook::suggestedFile(const QString& extension) const {
    const QString name =
        QStringLiteral("Payments %1 to %2 %3.%4")
            .arg(book_.filter.from.toString(Qt::ISODate), book_.filter.to.toString(Qt::ISODate),
                 viewName(currentView()), extension);
    return QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)).filePath(name);
}

void frmPaymentBook::exportTo(const QString& extension, const QString& fileFilter) {
    if (!book_.lines || working_) return;
    const QString path = askForFile(this, suggestedFile(extension), fileFilter);
    if (path.isEmpty() || !mayWrite(path)) return;
    const BookView view = currentView();
    const RowSet foot = BookFoot(book_, view);
    const ExportTable table = exportTable(view, foot);
    HourglassScope hourglass;
    beginWork(QStringLiteral("Exporting…"));
    const auto progress = [this](int rows) { return keepWorking(rows); };
    const ExportOutcome outcome =
        extension == u"csv" ? WriteCsv(table, path, progress) : WriteXlsx(table, path, progress);
    endWork();
    hourglass.release();
    if (outcome.result == ExportResult::Failed) ModuleMsgBox(outcome.message, vbExclamation);
}

// An existing file is replaced only when the user says so.
bool frmPaymentBook::mayWrite(const QString& path) {
    if (!QFileInfo::exists(path)) return true;
    return ModuleMsgBox(QStringLiteral("The file %1 already exists.\r\nDo you want to replace it?")
                            .arg(QDir::toNativeSeparators(path)),
                        vbYesNo + vbQuestion + vbDefaultButton2) == vbYes;
}

void frmPaymentBook::PrintPreview() {
    Handle("frmPaymentBook", "PrintPreview", [&] {
        if (!book_.lines || working_) return;
        HourglassScope hourglass;
        const BookView view = currentView();
        const QString title = view == BookView::Lines
                                  ? QStringLiteral("Payments Book")
                                  : QStringLiteral("Payments %1").arg(viewName(view));
        auto document = std::make_shared<ReportDocument>(BookReportDocument(
            book_, view, {title, headingLines(), GStrUserName}, BookReportFile()));
        ReportPages pages = LayOutReport(*document);
        ReportWindowSettings settings;
        settings.state = 2;
        settings.title = title;
        settings.refreshBtn = false;  // the book as it was shown
        settings.exportName = QFileInfo(suggestedFile(QStringLiteral("pdf"))).completeBaseName();
        auto* preview = new ReportPreview(this, std::move(document), std::move(pages), settings);
        preview->setObjectName(QStringLiteral("rptPaymentBook"));
        hourglass.release();
        preview->present();
    });
}

void frmPaymentBook::ExportCsv() {
    Handle("frmPaymentBook", "ExportCsv",
           [&] { exportTo(QStringLiteral("csv"), QStringLiteral("CSV (*.csv)")); });
}

void frmPaymentBook::ExportXlsx() {
    Handle("frmPaymentBook", "ExportXlsx",
           [&] { exportTo(QStringLiteral("xlsx"), QStringLiteral("Excel workbook (*.xlsx)")); });
}

void frmPaymentBook::cmdExport_Click() {
    Handle("frmPaymentBook", "cmdExport_Click", [&] {
        if (!cmdExport->isEnabled()) return;
        QMenu menu(this);
        menu.setObjectName(QStringLiteral("mnuExport"));
        menu.addAction(QStringLiteral("&CSV…"), this, [this] { ExportCsv(); });
        menu.addAction(QStringLiteral("E&xcel workbook (XLSX)…"), this, [this] { ExportXlsx(); });
        menu.addSeparator();
        menu.addAction(QStringLiteral("&Print preview (PDF)…"), this, [this] { PrintPreview(); });
        menu.exec(cmdExport->mapToGlobal(QPoint(0, cmdExport->height())));
    });
}

}  // namespace pcp
