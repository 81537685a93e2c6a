#pragma once
// A report definition: the declarative layout a report file holds (XML; the
// format is described in docs/REPORTS.md). Read at run time, so a deployment
// changes a layout by editing the file, without a rebuild.
//
// A page (size, orientation, margins, font), the data (one view, the column
// that names the company, the order of the rows), the parameter fields, the
// formula fields, and bands of positioned elements: page header and footer on
// every page, a report header once before the detail rows, a column header
// before the detail rows of each page, one detail band per row, a report
// footer once after them, and an overlay drawn over every page. A band may
// be given several times: its sections stack in the order written, each
// growing on its own, so a long payee pushes down what follows it.

#include <QColor>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <map>
#include <optional>
#include <vector>

#include "report/ReportFormula.h"

namespace pcp {

// A piece of an element's text: literal text, or a placeholder {name|format}.
struct ReportTextPart {
    QString literal;
    std::optional<ReportName> name;  // set for a placeholder
    bool special = false;            // {#page}, {#pages}, {#printed}: name.name holds which
    // {#carried:column}, {#brought:column}: the sum of the column over the
    // detail rows up to the end of this page, or of the page before.
    QString sumOf;
    QString format;                  // number or date pattern, "words" or "upper"
};

struct ReportElement {
    enum Kind { Text, Line, Box } kind = Text;
    int line = 0;  // where it stands in the file, for error reports
    // Millimetres from the band's top left. A height or line end of "*"
    // reaches the band's bottom, however far the band grew.
    double x = 0, y = 0, w = 0, h = 0, x2 = 0, y2 = 0;
    bool hToBottom = false, yToBottom = false, y2ToBottom = false;
    std::vector<ReportTextPart> text;
    Qt::Alignment align = Qt::AlignLeft | Qt::AlignTop;
    QString font;        // empty: the page's font
    double size = 0;     // points; 0: the page's size
    double spacing = 0;  // extra points between letters
    bool bold = false, italic = false, wrap = false, grow = false;
    bool shrink = false;  // one line made smaller, not cut, when it is wider than its box
    QColor color = Qt::black;
    QColor fill;        // invalid: none
    double stroke = 0;  // line or border width in millimetres; 0: none (text) or 0.2 (line, box)
    Qt::PenStyle style = Qt::SolidLine;
    double rotate = 0, opacity = 1, padding = 0;
    ReportFormula when;  // empty: always
};

struct ReportBand {
    enum Kind { PageHeader, ReportHeader, ColumnHeader, Detail, ReportFooter, PageFooter, Overlay };
    Kind kind = Detail;
    int line = 0;       // where it stands in the file
    double height = 0;  // millimetres; grows to fit growing text
    ReportFormula when;
    std::vector<ReportElement> elements;
};

struct ReportDefinition {
    QString file;
    QString name;
    QPageSize pageSize = QPageSize(QPageSize::A4);
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    QMarginsF margins{10, 10, 10, 10};  // millimetres
    QString font = QStringLiteral("DejaVu Sans");
    double fontSize = 9;
    QString language = QStringLiteral("en");  // for amounts in words

    QString view;          // the one view the report reads
    QString companyField;  // the view's column that names the company
    QStringList order;     // columns the rows are sorted by

    QStringList parameters;                     // parameter field names
    std::map<QString, ReportFormula> formulas;  // formula fields by lower-case name
    std::vector<ReportBand> sections[7];        // by kind, in the order written

    const std::vector<ReportBand>& bands(ReportBand::Kind k) const { return sections[k]; }
    // The page in millimetres, and the area inside the margins.
    QSizeF pageSizeMm() const;
    QRectF contentMm() const;
    // Every column the layout names (placeholders and formulas), without repeats.
    QStringList columnsUsed() const;

    // Raises kErrReportFileMissing when the file is not there and
    // kErrReportDefinition, with the line, when it cannot be read.
    static ReportDefinition Load(const QString& file);
    static ReportDefinition Parse(const QByteArray& xml, const QString& file);
};

}  // namespace pcp
