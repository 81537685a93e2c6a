#pragma once
// The report engine's preview window: the pages of one run as they will
// print, with the buttons to print them, set up the page, save them as a PDF
// file, move between pages, zoom, read the data again and close.
//
// It is not modal: it belongs to the window that ran the report (so a modal
// owner does not block it) and stays open after the run, until the user or
// its owner closes it.

#include <QKeySequence>
#include <QList>
#include <QMainWindow>
#include <QPrinter>
#include <memory>

#include "report/ReportRenderer.h"

class QAction;
class QLabel;
class QPrintPreviewWidget;

namespace pcp {

// The preview window's settings: its state (0 normal, 1 minimised,
// 2 maximised), its title, its title-bar buttons and which of its controls show.
struct ReportWindowSettings {
    int state = 0;
    QString title;
    bool controlBox = true, minButton = true, maxButton = true;
    bool closeBtn = true, printBtn = true, printSetupBtn = true, exportBtn = true;
    bool navigationCtls = true, zoomCtl = true, pageCount = true, refreshBtn = true;
    QString exportName;  // the name Save as PDF offers; empty: the title
};

class ReportPreview : public QMainWindow {
    Q_OBJECT
  public:
    // The pages are the document's, laid out by the run that opens the window.
    ReportPreview(QWidget* owner, std::shared_ptr<const ReportDocument> document, ReportPages pages,
                  const ReportWindowSettings& settings);
    ~ReportPreview() override;

    const ReportDocument& document() const { return *document_; }
    const ReportPages& pages() const { return pages_; }
    QPrintPreviewWidget* view() const { return view_; }
    // The toolbar's actions by object name: actPrint, actPageSetup, actExport,
    // actFirst, actPrevious, actNext, actLast, actZoomIn, actZoomOut,
    // actFitWidth, actRefresh, actClose.
    QAction* action(const QString& name) const;
    QString pageText() const;

    // Shows the window as its settings say.
    void present();
    // What Save as PDF does once a file is chosen.
    void exportPdf(const QString& file);

  private:
    void buildToolBar(const ReportWindowSettings& settings);
    QAction* makeAction(const char* name, const QString& text, const QString& tip,
                        const QList<QKeySequence>& keys, bool shown);
    void print();
    void pageSetup();
    void exportAsPdf();
    QString suggestedPdfPath() const;
    void refresh();
    void showPage(int page);
    void updatePageText();
    void showFailure(const QString& what, const std::exception& e);

    std::shared_ptr<const ReportDocument> document_;
    ReportPages pages_;
    ReportWindowSettings settings_;
    QPrinter printer_;
    QPrintPreviewWidget* view_ = nullptr;
    QLabel* pageLabel_ = nullptr;
};

}  // namespace pcp
