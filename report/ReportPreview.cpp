#include "report/ReportPreview.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QGraphicsView>
#include <QLabel>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QToolBar>

#include "data/ModuleError.h"
#include "ui/FileDialog.h"
#include "ui/MessageBox.h"
#include "ui/Modal.h"

namespace pcp {

namespace {

Qt::WindowFlags flagsOf(const ReportWindowSettings& s) {
    Qt::WindowFlags f = Qt::Window | Qt::WindowTitleHint | Qt::CustomizeWindowHint;
    if (s.controlBox) f |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (s.minButton) f |= Qt::WindowMinimizeButtonHint;
    if (s.maxButton) f |= Qt::WindowMaximizeButtonHint;
    return f;
}

QString describe(const std::exception& e) {
    if (const auto* m = dynamic_cast<const ModuleError*>(&e)) return m->description();
    return QString::fromLocal8Bit(e.what());
}

}  // namespace

ReportPreview::ReportPreview(QWidget* owner, std::shared_ptr<const ReportDocument> document,
                             ReportPages pages, const ReportWindowSettings& settings)
    : QMainWindow(owner, flagsOf(settings)),
      document_(std::move(document)),
      pages_(std::move(pages)),
      settings_(settings),
      printer_(QPrinter::HighResolution) {
    setObjectName(QStringLiteral("rptPreview"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(settings.title);
    printer_.setFullPage(true);
    printer_.setPageLayout(ReportPageLayout(document_->definition));
    printer_.setDocName(settings.title);

    view_ = new QPrintPreviewWidget(&printer_, this);
    view_->setObjectName(QStringLiteral("rptPages"));
    setCentralWidget(view_);
    connect(view_, &QPrintPreviewWidget::paintRequested, this,
            [this](QPrinter* printer) { PaintReport(*printer, pages_); });
    connect(view_, &QPrintPreviewWidget::previewChanged, this, [this] { updatePageText(); });
    buildToolBar(settings);
    resize(900, 700);
}

ReportPreview::~ReportPreview() = default;

// The tooltip names the action and its first key as this platform writes it.
QAction* ReportPreview::makeAction(const char* name, const QString& text, const QString& tip,
                                   const QList<QKeySequence>& keys, bool shown) {
    auto* a = new QAction(text, this);
    a->setObjectName(QLatin1String(name));
    // A hidden action answers no keys: the window's settings left it out.
    if (shown) a->setShortcuts(keys);
    a->setToolTip(keys.isEmpty() ? tip
                                 : tip + QStringLiteral(" (%1)").arg(
                                             keys.front().toString(QKeySequence::NativeText)));
    a->setVisible(shown);
    return a;
}

void ReportPreview::buildToolBar(const ReportWindowSettings& s) {
    QToolBar* bar = addToolBar(QStringLiteral("Preview"));
    bar->setObjectName(QStringLiteral("rptToolBar"));
    bar->setMovable(false);
    using K = QKeySequence;
    const auto add = [&](const char* name, const QString& text, const QString& tip,
                         const QList<QKeySequence>& keys, bool shown, auto slot) {
        QAction* a = makeAction(name, text, tip, keys, shown);
        bar->addAction(a);
        // Toolbar buttons take no focus by default; keyboard users reach them with Tab.
        bar->widgetForAction(a)->setFocusPolicy(Qt::TabFocus);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    add("actPrint", QStringLiteral("&Print..."), QStringLiteral("Print"), K::keyBindings(K::Print),
        s.printBtn, [this] { print(); });
    add("actPageSetup", QStringLiteral("Page &Setup..."), QStringLiteral("Page Setup"), {},
        s.printSetupBtn, [this] { pageSetup(); });
    add("actExport", QStringLiteral("Save as P&DF..."), QStringLiteral("Save as PDF"),
        K::keyBindings(K::Save), s.exportBtn, [this] { exportAsPdf(); });
    bar->addSeparator();
    // Page Up and Page Down stay the pages' own: they scroll, and the count follows.
    add("actFirst", QStringLiteral("|<"), QStringLiteral("First Page"),
        K::keyBindings(K::MoveToStartOfDocument), s.navigationCtls, [this] { showPage(1); });
    add("actPrevious", QStringLiteral("<"), QStringLiteral("Previous Page"), {}, s.navigationCtls,
        [this] { showPage(view_->currentPage() - 1); });
    add("actNext", QStringLiteral(">"), QStringLiteral("Next Page"), {}, s.navigationCtls,
        [this] { showPage(view_->currentPage() + 1); });
    add("actLast", QStringLiteral(">|"), QStringLiteral("Last Page"),
        K::keyBindings(K::MoveToEndOfDocument), s.navigationCtls,
        [this] { showPage(view_->pageCount()); });
    pageLabel_ = new QLabel(this);
    pageLabel_->setObjectName(QStringLiteral("lblPage"));
    pageLabel_->setContentsMargins(8, 0, 8, 0);
    bar->addWidget(pageLabel_)->setVisible(s.pageCount);
    bar->addSeparator();
    add("actZoomIn", QStringLiteral("Zoom &In"), QStringLiteral("Zoom In"),
        K::keyBindings(K::ZoomIn), s.zoomCtl, [this] { view_->zoomIn(); });
    add("actZoomOut", QStringLiteral("Zoom &Out"), QStringLiteral("Zoom Out"),
        K::keyBindings(K::ZoomOut), s.zoomCtl, [this] { view_->zoomOut(); });
    add("actFitWidth", QStringLiteral("&Fit Width"), QStringLiteral("Fit Width"), {}, s.zoomCtl,
        [this] { view_->fitToWidth(); });
    add("actRefresh", QStringLiteral("&Refresh"), QStringLiteral("Refresh"),
        K::keyBindings(K::Refresh), s.refreshBtn, [this] { refresh(); });
    bar->addSeparator();
    add("actClose", QStringLiteral("&Close"), QStringLiteral("Close"),
        QList<K>{K(Qt::Key_Escape)} + K::keyBindings(K::Close), s.closeBtn, [this] { close(); });
}

QAction* ReportPreview::action(const QString& name) const {
    return findChild<QAction*>(name);
}

QString ReportPreview::pageText() const {
    return pageLabel_->text();
}

// The view tells of a page reached by scrolling, but not of one it was asked
// to show, so the page count is brought in step here.
void ReportPreview::showPage(int page) {
    view_->setCurrentPage(page);
    updatePageText();
}

void ReportPreview::updatePageText() {
    pageLabel_->setText(
        QStringLiteral("Page %1 of %2").arg(view_->currentPage()).arg(view_->pageCount()));
}

void ReportPreview::present() {
    switch (settings_.state) {
        case 1: showMinimized(); break;
        case 2: showMaximized(); break;
        default: show(); break;
    }
    raise();
    activateWindow();
    // The pages take the keys first (scrolling); Tab goes on to the toolbar.
    if (auto* pages = view_->findChild<QGraphicsView*>()) pages->setFocus(Qt::OtherFocusReason);
}

// Failures inside the window come after the run has ended: the user is told
// here, in the window's own words.
void ReportPreview::showFailure(const QString& what, const std::exception& e) {
    MsgBox(what + QStringLiteral("\r\n\r\n") + describe(e), vbExclamation, windowTitle());
}

void ReportPreview::print() {
    QPrintDialog dialog(&printer_, this);
    dialog.setObjectName(QStringLiteral("rptPrintDialog"));
    if (ShowModal(&dialog, this) != QDialog::Accepted) return;
    try {
        PaintReport(printer_, pages_);
    } catch (const std::exception& e) {
        showFailure(QStringLiteral("The report was not printed."), e);
    }
}

void ReportPreview::pageSetup() {
    QPageSetupDialog dialog(&printer_, this);
    dialog.setObjectName(QStringLiteral("rptPageSetupDialog"));
    if (ShowModal(&dialog, this) == QDialog::Accepted) view_->updatePreview();
}

void ReportPreview::exportAsPdf() {
    QFileDialog dialog(this, QStringLiteral("Save as PDF"));
    dialog.setObjectName(QStringLiteral("rptExportDialog"));
    KeepFilesClosed(dialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QStringLiteral("PDF files (*.pdf)"));
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    dialog.selectFile(suggestedPdfPath());
    if (ShowModal(&dialog, this) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    exportPdf(dialog.selectedFiles().front());
}

// The report's own name in the user's documents folder; a voucher number's
// "/" and the other characters file systems refuse become "-".
QString ReportPreview::suggestedPdfPath() const {
    static const QRegularExpression refused(QStringLiteral(R"([/\\:*?"<>|[:cntrl:]])"));
    QString name = settings_.exportName.isEmpty() ? settings_.title : settings_.exportName;
    name = name.replace(refused, QStringLiteral("-")).trimmed();
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists()) folder = QDir::homePath();
    return QDir(folder).filePath(name + QStringLiteral(".pdf"));
}

void ReportPreview::exportPdf(const QString& file) {
    try {
        WriteReportPdf(*document_, pages_, file);
    } catch (const std::exception& e) {
        showFailure(QStringLiteral("The PDF file was not saved."), e);
    }
}

// Reads the same selection again, for data changed since the window opened.
void ReportPreview::refresh() {
    try {
        auto fresh = std::make_shared<const ReportDocument>(ReadReport(document_->request));
        ReportPages pages = LayOutReport(*fresh);
        document_ = std::move(fresh);
        pages_ = std::move(pages);
        view_->updatePreview();
    } catch (const std::exception& e) {
        showFailure(QStringLiteral("The report was not read again."), e);
    }
}

}  // namespace pcp
