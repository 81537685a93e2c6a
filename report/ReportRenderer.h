#pragma once
// Lays a report document out on pages and paints them with Qt's own classes
// on any device: the preview, a printer, a PDF file or an image.
//
// The layout is computed once, in millimetres, with every placeholder filled
// and every formula evaluated, so a value that cannot be shown fails the run
// before anything appears; painting only draws what the layout placed.

#include <QFont>
#include <QImage>
#include <QLineF>
#include <QRectF>
#include <QString>
#include <vector>

#include "report/ReportDocument.h"

class QPagedPaintDevice;
class QPainter;
class QPaintDevice;

namespace pcp {

// One thing drawn on a page, in millimetres from the page's top left.
struct ReportItem {
    ReportElement element;  // its style
    QFont font;             // text: the element's font, the page's where it names none
    QRectF rect;            // text and box
    QLineF line;            // line
    QString text;           // as shown, placeholders filled
};

struct ReportPage {
    std::vector<ReportItem> items;
    QStringList texts() const;  // every text on the page, in the order drawn
};

using ReportPages = std::vector<ReportPage>;

// Raises kErrReportData (or the error of a formula) for a value it cannot show.
ReportPages LayOutReport(const ReportDocument& document);

// The page layout of the definition, without margins: the layout places
// everything from the paper's corner.
QPageLayout ReportPageLayout(const ReportDefinition& definition);

void PaintReportPage(QPainter& painter, const ReportPage& page);
// Every page on a printer or PDF writer already set to ReportPageLayout.
void PaintReport(QPagedPaintDevice& device, const ReportPages& pages);
// Raises kErrReportOutput when the file cannot be written.
void WriteReportPdf(const ReportDocument& document, const ReportPages& pages, const QString& file);
QImage ReportPageImage(const ReportDocument& document, const ReportPage& page, double dpi);

}  // namespace pcp
