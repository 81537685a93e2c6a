#include "report/ReportRenderer.h"

#include <QFontMetricsF>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <map>

#include "data/Values.h"
#include "report/AmountInWords.h"
#include "report/ReportError.h"

namespace pcp {

namespace {

constexpr double kMmPerInch = 25.4;
constexpr int kMeasureDpi = 1200;  // text is measured as it prints, not as a screen shows it

// The values a formula or placeholder reads on one row of the document.
// The page fields are known to page bands; a detail row knows its page but
// not yet the count.
class RowScope : public ReportScope {
  public:
    RowScope(const ReportDocument& doc, int row, int page = -1, int pages = 0)
        : doc_(doc), row_(row), page_(page), pages_(pages) {}

    QVariant value(const ReportName& name) const override {
        switch (name.kind) {
            case ReportName::Parameter: return doc_.parameters.value(name.name.toLower());
            case ReportName::Formula: return formula(name);
            case ReportName::Page: return pageField(name.name);
            case ReportName::Column: break;
        }
        const int c = doc_.data.column(name.name);
        if (c < 0)
            raiseReport(kErrReportData, QStringLiteral("The report names the column %1, which %2 "
                                                       "does not have.")
                                            .arg(name.name, doc_.definition.view));
        if (row_ < 0 || row_ >= int(doc_.data.rows.size())) return QVariant();
        return doc_.data.rows[row_].value(c);
    }

  private:
    QVariant formula(const ReportName& name) const {
        if (++depth_ > 32)
            raiseReport(
                kErrReportDefinition,
                QStringLiteral("The formula field %1 refers to itself.").arg(name.written()));
        const QVariant v = doc_.definition.formulas.at(name.name.toLower()).evaluate(*this);
        --depth_;
        return v;
    }
    QVariant pageField(const QString& which) const {
        if (which == u"page") return page_ < 0 ? QVariant() : QVariant(page_ + 1);
        return pages_ <= 0 ? QVariant() : QVariant(pages_);
    }
    const ReportDocument& doc_;
    int row_, page_, pages_;
    mutable int depth_ = 0;
};

bool isNumberPattern(const QString& f) {
    if (f.isEmpty()) return false;
    for (const QChar c : f)
        if (!(c == u'#' || c == u'0' || c == u',' || c == u'.')) return false;
    return true;
}

QString formatValue(const QVariant& v, const QString& format, const QString& language) {
    if (!v.isValid() || v.isNull()) return QString();
    if (format.isEmpty()) return Text(v);
    if (format == u"words") return AmountInWords(CDec(v), language);
    if (format == u"upper") return Text(v).toUpper();
    if (isNumberPattern(format)) return Format(CDec(v), format);
    if (v.typeId() == QMetaType::QDateTime || v.typeId() == QMetaType::QDate)
        return QLocale(QLocale::English).toString(WallClock(v.toDateTime()), format);
    return Text(v);
}

QFont fontOf(const ReportDefinition& def, const ReportElement& e) {
    QFont f(e.font.isEmpty() ? def.font : e.font);
    f.setPointSizeF(e.size > 0 ? e.size : def.fontSize);
    f.setBold(e.bold);
    f.setItalic(e.italic);
    if (e.spacing != 0) f.setLetterSpacing(QFont::AbsoluteSpacing, e.spacing);
    return f;
}

QPaintDevice& measureDevice() {
    static QImage image = [] {
        QImage i(1, 1, QImage::Format_ARGB32);
        i.setDotsPerMeterX(qRound(kMeasureDpi / kMmPerInch * 1000));
        i.setDotsPerMeterY(qRound(kMeasureDpi / kMmPerInch * 1000));
        return i;
    }();
    return image;
}

double toPx(double mm) {
    return mm * kMeasureDpi / kMmPerInch;
}
double toMm(double px) {
    return px * kMmPerInch / kMeasureDpi;
}

int textFlags(const ReportElement& e) {
    return int(e.align) | (e.wrap ? int(Qt::TextWordWrap) : 0);
}

// Places the bands of a document on pages, top to bottom.
class Layouter {
  public:
    explicit Layouter(const ReportDocument& doc)
        : doc_(doc), def_(doc.definition), content_(def_.contentMm()) {}

    ReportPages run() {
        startPage();
        place(ReportBand::ReportHeader, 0);
        bool first = true;
        for (int r = 0; r < int(doc_.data.rows.size()); ++r) {
            if (!shows(ReportBand::Detail, r)) continue;
            const double h = height(ReportBand::Detail, r);
            if (first) place(ReportBand::ColumnHeader, 0);
            first = false;
            if (!fits(h)) {
                startPage();
                place(ReportBand::ColumnHeader, 0);
            }
            place(ReportBand::Detail, r);
            pageOfRow_.emplace_back(r, int(pages_.size()) - 1);
        }
        // The footer (total, words, signatures) stays together when a page can hold it.
        if (!fits(height(ReportBand::ReportFooter, 0))) startPage();
        place(ReportBand::ReportFooter, 0);
        finishPages();
        return std::move(pages_);
    }

  private:
    RowScope scope(int row) const { return RowScope(doc_, row, scopePage_, scopePages_); }

    bool shows(const ReportBand& band, int row) const {
        return band.when.isEmpty() || band.when.test(scope(row));
    }
    bool shows(ReportBand::Kind kind, int row) const {
        for (const ReportBand& band : def_.bands(kind))
            if (shows(band, row)) return true;
        return false;
    }

    bool fits(double h) const { return y_ + h <= limit_ + 0.001 || y_ <= top_ + 0.001; }

    void startPage() {
        pages_.emplace_back();
        scopePage_ = int(pages_.size()) - 1;
        top_ = content_.top() + height(ReportBand::PageHeader, 0);
        y_ = top_;
        limit_ = content_.bottom() - height(ReportBand::PageFooter, 0);
    }

    QString text(const ReportElement& e, int row, int page) const {
        const RowScope values = scope(row);
        QString out;
        for (const ReportTextPart& p : e.text) {
            if (!p.name)
                out += p.literal;
            else if (p.special)
                out += special(p, page);
            else
                out += formatValue(values.value(*p.name), p.format, def_.language);
        }
        return out;
    }

    QString special(const ReportTextPart& p, int page) const {
        if (p.name->name == u"page") return QString::number(page + 1);
        if (p.name->name == u"pages") return QString::number(pages_.size());
        if (!p.sumOf.isEmpty())
            return formatValue(QVariant::fromValue(sumThrough(
                                   p.sumOf, p.name->name == u"carried" ? page : page - 1)),
                               p.format, def_.language);
        return formatValue(doc_.printed,
                           p.format.isEmpty() ? QStringLiteral("dd/MM/yyyy HH:mm") : p.format,
                           def_.language);
    }

    // The height the element's text needs, in millimetres, at its width.
    double textHeight(const ReportElement& e, const QString& t) const {
        const QFontMetricsF fm(fontOf(def_, e), &measureDevice());
        const double width = toPx(std::max(1.0, e.w - 2 * e.padding));
        const QRectF r = fm.boundingRect(QRectF(0, 0, width, 1e7), textFlags(e), t);
        return toMm(r.height()) + 2 * e.padding;
    }

    // The sum of a column over the detail rows placed on pages up to `page`
    // (none before the first), exact, nulls left out.
    Decimal sumThrough(const QString& column, int page) const {
        std::vector<Decimal>& sums = sums_[column.toLower()];
        if (sums.empty()) {
            const int c = doc_.data.column(column);
            if (c < 0)
                raiseReport(kErrReportData,
                            QStringLiteral("The report sums the column %1, which %2 does not have.")
                                .arg(column, def_.view));
            sums.assign(pages_.size(), Decimal());
            for (const auto& [row, on] : pageOfRow_) {
                const QVariant v = doc_.data.rows[size_t(row)].value(c);
                if (!v.isNull()) sums[size_t(on)] += CDec(v);
            }
            for (size_t p = 1; p < sums.size(); ++p) sums[p] += sums[p - 1];
        }
        return page < 0 || sums.empty() ? Decimal() : sums[std::min(size_t(page), sums.size() - 1)];
    }

    double height(const ReportBand& band, int row) const {
        if (!shows(band, row)) return 0;
        double h = band.height;
        const RowScope values = scope(row);
        for (const ReportElement& e : band.elements) {
            if (e.kind != ReportElement::Text || !e.grow) continue;
            if (!e.when.isEmpty() && !e.when.test(values)) continue;
            h = std::max(h, e.y + std::max(e.h, textHeight(e, text(e, row, 0))));
        }
        return h;
    }

    double height(ReportBand::Kind kind, int row) const {
        double h = 0;
        for (const ReportBand& band : def_.bands(kind)) h += height(band, row);
        return h;
    }

    // Each section on its own: one that no longer fits starts a new page.
    void place(ReportBand::Kind kind, int row) {
        for (const ReportBand& band : def_.bands(kind)) {
            if (!shows(band, row)) continue;
            const double h = height(band, row);
            if (!fits(h)) startPage();
            placeAt(band, row, int(pages_.size()) - 1, y_, h);
            y_ += h;
        }
    }

    void placeAt(const ReportBand& band, int row, int page, double top, double h) {
        const RowScope values = scope(row);
        for (const ReportElement& e : band.elements) {
            if (!e.when.isEmpty() && !e.when.test(values)) continue;
            pages_[page].items.push_back(item(e, row, page, top, h));
        }
    }

    // Stacks the sections of a page band from `top`, on page `page`.
    void placeStacked(ReportBand::Kind kind, int page, double top) {
        for (const ReportBand& band : def_.bands(kind)) {
            if (!shows(band, 0)) continue;
            const double h = kind == ReportBand::Overlay ? content_.height() : height(band, 0);
            placeAt(band, 0, page, top, h);
            if (kind != ReportBand::Overlay) top += h;
        }
    }

    ReportItem item(const ReportElement& e, int row, int page, double top,
                    double bandHeight) const {
        ReportItem it;
        it.element = e;
        const double left = content_.left();
        if (e.kind == ReportElement::Line) {
            it.line = QLineF(left + e.x, top + (e.yToBottom ? bandHeight : e.y), left + e.x2,
                             top + (e.y2ToBottom ? bandHeight : e.y2));
            return it;
        }
        const double h = (e.hToBottom || e.grow) ? bandHeight - e.y : e.h;
        it.rect = QRectF(left + e.x, top + e.y, e.w, h);
        if (e.kind != ReportElement::Text) return it;
        const QString t = text(e, row, page);
        it.font = fitted(e, t);
        it.text = shown(e, it.font, t);
        return it;
    }

    // A figure must be read whole: a shrinking line too wide for its box is
    // drawn smaller, down to half its size, before it is cut.
    QFont fitted(const ReportElement& e, const QString& t) const {
        QFont f = fontOf(def_, e);
        if (!e.shrink || e.wrap) return f;
        const double room = toPx(std::max(1.0, e.w - 2 * e.padding)), smallest = f.pointSizeF() / 2;
        for (double wide = QFontMetricsF(f, &measureDevice()).horizontalAdvance(t);
             wide > room && f.pointSizeF() > smallest;
             wide = QFontMetricsF(f, &measureDevice()).horizontalAdvance(t))
            f.setPointSizeF(std::max(smallest, f.pointSizeF() * std::min(0.98, room / wide)));
        return f;
    }

    // A line that does not wrap ends in an ellipsis rather than overrunning its box.
    QString shown(const ReportElement& e, const QFont& font, const QString& t) const {
        if (e.wrap || e.rotate != 0) return t;
        const QFontMetricsF fm(font, &measureDevice());
        return fm.elidedText(t, Qt::ElideRight, toPx(std::max(1.0, e.w - 2 * e.padding)));
    }

    // Page headers, footers and overlays know the page count only now.
    void finishPages() {
        const double footer = height(ReportBand::PageFooter, 0);
        scopePages_ = int(pages_.size());
        for (int p = 0; p < int(pages_.size()); ++p) {
            scopePage_ = p;
            std::vector<ReportItem> body = std::move(pages_[p].items);
            pages_[p].items.clear();
            placeStacked(ReportBand::PageHeader, p, content_.top());
            pages_[p].items.insert(pages_[p].items.end(), body.begin(), body.end());
            placeStacked(ReportBand::PageFooter, p, content_.bottom() - footer);
            placeStacked(ReportBand::Overlay, p, content_.top());
        }
    }

    const ReportDocument& doc_;
    const ReportDefinition& def_;
    const QRectF content_;
    ReportPages pages_;
    double top_ = 0, y_ = 0, limit_ = 0;
    int scopePage_ = -1, scopePages_ = 0;                   // what the page fields say now
    std::vector<std::pair<int, int>> pageOfRow_;            // each detail row placed, and its page
    mutable std::map<QString, std::vector<Decimal>> sums_;  // per column: up to each page
};

QPen penOf(const ReportElement& e, double pxPerMm) {
    if (e.stroke <= 0) return Qt::NoPen;
    QPen pen(e.color, e.stroke * pxPerMm, e.style);
    pen.setCapStyle(Qt::FlatCap);
    return pen;
}

void paintText(QPainter& p, const ReportItem& it, const QRectF& r, double pxPerMm) {
    const ReportElement& e = it.element;
    p.save();
    if (e.rotate != 0) {
        p.translate(r.center());
        p.rotate(e.rotate);
        p.translate(-r.center());
    }
    if (e.fill.isValid()) p.fillRect(r, e.fill);
    if (e.stroke > 0) {
        p.setPen(penOf(e, pxPerMm));
        p.setBrush(Qt::NoBrush);
        p.drawRect(r);
    }
    p.setFont(it.font);
    p.setPen(e.color);
    const double pad = e.padding * pxPerMm;
    p.drawText(r.adjusted(pad, pad, -pad, -pad), textFlags(e), it.text);
    p.restore();
}

void paintItem(QPainter& p, const ReportItem& it, double pxPerMm) {
    const ReportElement& e = it.element;
    p.setOpacity(e.opacity);
    const auto px = [&](const QRectF& mm) {
        return QRectF(mm.x() * pxPerMm, mm.y() * pxPerMm, mm.width() * pxPerMm,
                      mm.height() * pxPerMm);
    };
    switch (e.kind) {
        case ReportElement::Line:
            p.setPen(penOf(e, pxPerMm));
            p.drawLine(QLineF(it.line.p1() * pxPerMm, it.line.p2() * pxPerMm));
            break;
        case ReportElement::Box:
            p.setPen(penOf(e, pxPerMm));
            p.setBrush(e.fill.isValid() ? QBrush(e.fill) : QBrush(Qt::NoBrush));
            p.drawRect(px(it.rect));
            break;
        case ReportElement::Text: paintText(p, it, px(it.rect), pxPerMm); break;
    }
    p.setOpacity(1);
}

}  // namespace

QStringList ReportPage::texts() const {
    QStringList out;
    for (const ReportItem& it : items)
        if (it.element.kind == ReportElement::Text && !it.text.isEmpty()) out << it.text;
    return out;
}

ReportPages LayOutReport(const ReportDocument& document) {
    return Layouter(document).run();
}

QPageLayout ReportPageLayout(const ReportDefinition& definition) {
    return QPageLayout(definition.pageSize, definition.orientation, QMarginsF(0, 0, 0, 0),
                       QPageLayout::Millimeter);
}

void PaintReportPage(QPainter& painter, const ReportPage& page) {
    const double pxPerMm = painter.device()->logicalDpiX() / kMmPerInch;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    for (const ReportItem& it : page.items) paintItem(painter, it, pxPerMm);
    painter.restore();
}

void PaintReport(QPagedPaintDevice& device, const ReportPages& pages) {
    QPainter painter(&device);
    if (!painter.isActive())
        raiseReport(kErrReportOutput, QStringLiteral("The report cannot be drawn on its output."));
    for (size_t i = 0; i < pages.size(); ++i) {
        if (i > 0) device.newPage();
        PaintReportPage(painter, pages[i]);
    }
}

void WriteReportPdf(const ReportDocument& document, const ReportPages& pages, const QString& file) {
    QPdfWriter writer(file);
    writer.setPageLayout(ReportPageLayout(document.definition));
    writer.setTitle(document.request.title);
    writer.setCreator(QStringLiteral("Petty Cash Payments"));
    QPainter painter;
    if (!painter.begin(&writer))
        raiseReport(kErrReportOutput, QStringLiteral("The file %1 cannot be written.").arg(file));
    for (size_t i = 0; i < pages.size(); ++i) {
        if (i > 0) writer.newPage();
        PaintReportPage(painter, pages[i]);
    }
    if (!painter.end())
        raiseReport(kErrReportOutput, QStringLiteral("The file %1 cannot be written.").arg(file));
}

QImage ReportPageImage(const ReportDocument& document, const ReportPage& page, double dpi) {
    const QSizeF mm = document.definition.pageSizeMm();
    QImage image(qRound(mm.width() / kMmPerInch * dpi), qRound(mm.height() / kMmPerInch * dpi),
                 QImage::Format_ARGB32);
    image.setDotsPerMeterX(qRound(dpi / kMmPerInch * 1000));
    image.setDotsPerMeterY(qRound(dpi / kMmPerInch * 1000));
    image.fill(Qt::white);
    QPainter painter(&image);
    PaintReportPage(painter, page);
    return image;
}

}  // namespace pcp
