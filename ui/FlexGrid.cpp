#include "ui/FlexGrid.h"

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QProxyStyle>
#include <QScrollBar>
#include <QStyleFactory>
#include <QStyleOptionSlider>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <algorithm>
#include <cmath>
#include <optional>
#include <set>
#include <utility>

#include "data/Decimal.h"
#include "data/ModuleError.h"
#include "data/Values.h"
#include "ui/PlainText.h"
#include "ui/Twips.h"
#include "ui/VbForm.h"

namespace pcp {

namespace {

constexpr int kDefaultColWidthTwips = 960;
constexpr Qt::Alignment kDefaultAlignment = Qt::AlignLeft | Qt::AlignVCenter;
const QString kSource = QStringLiteral("MSHierarchicalFlexGridLib.MSHFlexGrid");

[[noreturn]] void badRow() {
    pcp::raise(30009, kSource, QStringLiteral("Invalid Row value"));
}
[[noreturn]] void badCol() {
    pcp::raise(30010, kSource, QStringLiteral("Invalid Col value"));
}
[[noreturn]] void subscript() {
    raise(381, kSource, QStringLiteral("Subscript out of range"));
}

double luminance(const QColor& c) {
    const auto channel = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double contrast(const QColor& a, const QColor& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The text colour moved towards white until it reads on the background (a
// red cancelled row on the dark selection), keeping its hue.
QColor readableOn(QColor text, const QColor& background) {
    constexpr double kMinimumContrast = 3.0;
    for (int step = 0; step < 10 && contrast(text, background) < kMinimumContrast; ++step)
        text = QColor::fromRgbF(text.redF() + (1 - text.redF()) * 0.2,
                                text.greenF() + (1 - text.greenF()) * 0.2,
                                text.blueF() + (1 - text.blueF()) * 0.2);
    return text;
}

// Paints selected text in the grid's selection colour, legibly.
class SelectionColourDelegate : public QStyledItemDelegate {
  public:
    explicit SelectionColourDelegate(FlexGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const QColor highlight = option->palette.color(QPalette::Highlight);
        option->palette.setColor(QPalette::HighlightedText,
                                 readableOn(OleColor(grid_->foreColorSel()), highlight));
    }

  private:
    FlexGrid* grid_;
};

// A cell's number for sorting, read once per sort rather than once per
// comparison. Exact where the decimal type holds it; numbers beyond its range
// (written with exponents) fall back to their double.
struct NumberKey {
    bool numeric = false;  // the whole cell reads as a number
    std::optional<Decimal> exact;
    double approximate = 0.0;
};

NumberKey numberKey(const QString& text, bool leadingNumber) {
    NumberKey k;
    k.numeric = leadingNumber || IsNumeric(text);
    if (!k.numeric) return k;
    QString plain = text.trimmed();
    if (!leadingNumber) plain.remove(u',');
    k.exact = ValDecimal(plain);
    k.approximate = k.exact ? 0.0 : Val(plain);
    return k;
}

int compareNumbers(const NumberKey& a, const NumberKey& b) {
    if (a.exact && b.exact) return *a.exact < *b.exact ? -1 : (*b.exact < *a.exact ? 1 : 0);
    const double x = a.exact ? a.exact->toDouble() : a.approximate;
    const double y = b.exact ? b.exact->toDouble() : b.approximate;
    return x < y ? -1 : (x > y ? 1 : 0);
}

// The scroll bars of every grid: a light track without arrow buttons and a
// rounded handle that stands out darker than it (darker still under the
// mouse), so the bar reads the right way up whatever the window's palette
// (the platform style draws the handle lighter). One style serves every grid;
// what it does not draw it leaves to the application's style.
class GridScrollBarStyle : public QProxyStyle {
  public:
    explicit GridScrollBarStyle(QStyle* base) : QProxyStyle(base) {}

    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        if (metric == PM_ScrollBarExtent) return kExtent;
        if (metric == PM_ScrollBarSliderMin) return kHandleMinimum;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }

    void polish(QWidget* widget) override {
        QProxyStyle::polish(widget);
        if (qobject_cast<QScrollBar*>(widget)) widget->setAttribute(Qt::WA_Hover);
    }

    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl part,
                         const QWidget* widget) const override {
        const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
        if (control != CC_ScrollBar || !bar)
            return QProxyStyle::subControlRect(control, option, part, widget);
        const QRect r = bar->rect;
        const bool horizontal = bar->orientation == Qt::Horizontal;
        switch (part) {
            case SC_ScrollBarGroove: return r;
            case SC_ScrollBarAddLine:
            case SC_ScrollBarSubLine: {  // no arrow buttons: empty, past the end
                const int y = part == SC_ScrollBarAddLine ? r.y() + r.height() : r.y();
                return visualRect(bar->direction, r, QRect(r.x() + r.width(), y, 0, 0));
            }
            case SC_ScrollBarSlider:
            case SC_ScrollBarAddPage:
            case SC_ScrollBarSubPage: {
                const int track = horizontal ? r.width() : r.height();
                int length = track;
                if (bar->maximum != bar->minimum) {
                    const uint range = uint(bar->maximum - bar->minimum);
                    length = int(qint64(bar->pageStep) * track / (qint64(range) + bar->pageStep));
                    if (length < kHandleMinimum || range > INT_MAX / 2) length = kHandleMinimum;
                    length = std::min(length, track);
                }
                const int start =
                    (horizontal ? r.left() : r.top()) +
                    sliderPositionFromValue(bar->minimum, bar->maximum, bar->sliderPosition,
                                            track - length, bar->upsideDown);
                QRect handle = horizontal ? QRect(start, r.top(), length, r.height())
                                          : QRect(r.left(), start, r.width(), length);
                if (part == SC_ScrollBarSubPage)
                    handle =
                        QRect(r.topLeft(), horizontal ? handle.bottomLeft() : handle.topRight());
                else if (part == SC_ScrollBarAddPage)
                    handle = QRect(horizontal ? handle.topRight() : handle.bottomLeft(),
                                   r.bottomRight());
                return visualRect(bar->direction, r, handle);
            }
            default: return visualRect(bar->direction, r, QRect(r.topLeft(), QSize(0, 0)));
        }
    }

    SubControl hitTestComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                     const QPoint& point, const QWidget* widget) const override {
        if (control != CC_ScrollBar)
            return QProxyStyle::hitTestComplexControl(control, option, point, widget);
        for (uint part = SC_ScrollBarAddLine; part <= SC_ScrollBarGroove; part <<= 1) {
            const QRect r = subControlRect(control, option, SubControl(part), widget);
            if (r.isValid() && r.contains(point)) return SubControl(part);
        }
        return SC_None;
    }

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget) const override {
        const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
        if (control != CC_ScrollBar || !bar) {
            QProxyStyle::drawComplexControl(control, option, painter, widget);
            return;
        }
        painter->fillRect(bar->rect, kTrack);
        if (!(bar->subControls & SC_ScrollBarSlider)) return;
        const QRect handle = subControlRect(control, bar, SC_ScrollBarSlider, widget);
        if (!handle.isValid()) return;
        const bool hover =
            (bar->activeSubControls & SC_ScrollBarSlider) && (bar->state & State_MouseOver);
        fillHandle(painter,
                   handle.adjusted(kHandleMargin, kHandleMargin, -kHandleMargin, -kHandleMargin),
                   hover ? kHandleHover : kHandle);
        if (bar->state & State_HasFocus) {
            QStyleOptionFocusRect focus;
            focus.QStyleOption::operator=(*bar);
            focus.rect.setRect(handle.x() + 2, handle.y() + 2, handle.width() - 5,
                               handle.height() - 5);
            proxy()->drawPrimitive(PE_FrameFocusRect, &focus, painter, widget);
        }
    }

  private:
    static constexpr int kExtent = 14;
    static constexpr int kHandleMargin = 2;
    static constexpr int kHandleMinimum = 24 + 2 * kHandleMargin;
    static constexpr qreal kHandleRadius = 4;
    static inline const QColor kTrack{0xee, 0xf1, 0xf5};
    static inline const QColor kHandle{0x85, 0x93, 0xa8};
    static inline const QColor kHandleHover{0x6d, 0x7c, 0x93};

    // A rounded box, smoothed; too small a box for its corners stays square.
    static void fillHandle(QPainter* painter, const QRect& box, const QColor& colour) {
        if (box.isEmpty()) return;
        if (box.width() < 2 * kHandleRadius || box.height() < 2 * kHandleRadius) {
            painter->fillRect(box, colour);
            return;
        }
        const QRectF r(box);
        const qreal d = 2 * kHandleRadius;
        QPainterPath path;
        path.moveTo(r.x() + kHandleRadius, r.y());
        path.lineTo(r.right() - kHandleRadius, r.y());
        path.arcTo(r.right() - d, r.y(), d, d, 90, -90);
        path.lineTo(r.right(), r.bottom() - kHandleRadius);
        path.arcTo(r.right() - d, r.bottom() - d, d, d, 0, -90);
        path.lineTo(r.x() + kHandleRadius, r.bottom());
        path.arcTo(r.x(), r.bottom() - d, d, d, 270, -90);
        path.lineTo(r.x(), r.y() + kHandleRadius);
        path.arcTo(r.x(), r.y(), d, d, 180, -90);
        path.closeSubpath();
        const bool smooth = painter->testRenderHint(QPainter::Antialiasing);
        painter->setRenderHint(QPainter::Antialiasing);
        painter->fillPath(path, colour);
        painter->setRenderHint(QPainter::Antialiasing, smooth);
    }
};

// Made once, on the first grid, over the application's style; it lives as
// long as the process, since grids may outlive one another in any order.
QStyle* GridScrollBars() {
    static QStyle* const style =
        new GridScrollBarStyle(QStyleFactory::create(QApplication::style()->name()));
    return style;
}

}  // namespace

// --- model -----------------------------------------------------------------

FlexGridModel::FlexGridModel(FlexGrid* grid) : QAbstractTableModel(grid), grid_(grid) {}

int FlexGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shownRows_;
}
int FlexGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shownCols_;
}

QVariant FlexGridModel::data(const QModelIndex& index, int role) const {
    const int r = index.row() + grid_->fixedRows_;
    const int c = index.column();
    if (r >= grid_->rows() || c >= grid_->cols_) return QVariant();
    const auto& row = grid_->cells_[r];
    if (role == Qt::DisplayRole) return grid_->cellText(row, c);
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(grid_->alignments_[c]);
    if (role == Qt::ForegroundRole && !row.fore.empty() && row.fore[c] != 0)
        return OleColor(row.fore[c]);
    return QVariant();
}

QVariant FlexGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return QVariant();
    if (grid_->fixedRows_ < 1 || grid_->rows() < 1 || section >= grid_->cols_) return QVariant();
    return grid_->cellText(grid_->cells_[0], section);
}

// --- grid ------------------------------------------------------------------

FlexGrid::FlexGrid(QWidget* parent) : QTableView(parent), model_(new FlexGridModel(this)) {
    setModel(model_);
    setItemDelegate(new SelectionColourDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->viewport()->setMouseTracking(true);
    horizontalHeader()->viewport()->installEventFilter(this);
    viewport()->setMouseTracking(true);
    setMouseTracking(true);
    verticalScrollBar()->setStyle(GridScrollBars());
    horizontalScrollBar()->setStyle(GridScrollBars());
    // The user scrolling away lets the view go; a program move brings it back.
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
            [this] { followCurrent_ = false; });

    cells_.resize(2, Row{std::vector<QString>(1), {}});
    widths_.assign(1, kDefaultColWidthTwips);
    alignments_.assign(1, kDefaultAlignment);

    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { onCurrentChanged(current); });
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { onSelectionChanged(); });
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, &FlexGrid::onSectionResized);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int v) {
        if (!syncing_) topRow_ = std::min(rows() - 1, v + fixedRows_);
    });
    scheduleSync();
}

void FlexGrid::scheduleSync() {
    if (syncPending_) return;
    syncPending_ = true;
    QMetaObject::invokeMethod(
        this, [this] { syncView(); }, Qt::QueuedConnection);
}

void FlexGrid::setRows(int n) {
    if (n < 0) pcp::raise(30009, kSource, QStringLiteral("Invalid Row value"));
    if (n < rows()) structureDirty_ = true;
    if (n == rows() + 1)  // a fill grows the grid a row at a time
        cells_.push_back(Row{std::vector<QString>(cols_), {}});
    else
        cells_.resize(n, Row{std::vector<QString>(cols_), {}});
    const int last = std::max(0, n - 1);
    row_ = std::min(row_, last);
    rowSel_ = std::min(rowSel_, last);
    topRow_ = std::clamp(topRow_, std::min(fixedRows_, last), last);
    selectionDirty_ = true;
    scheduleSync();
}

void FlexGrid::setCols(int n) {
    if (n < 1) pcp::raise(30010, kSource, QStringLiteral("Invalid Col value"));
    if (n == cols_) return;
    for (Row& r : cells_) {
        if (r.source < 0) r.cells.resize(n);
        if (!r.fore.empty()) r.fore.resize(n, 0);
    }
    widths_.resize(n, kDefaultColWidthTwips);
    alignments_.resize(n, kDefaultAlignment);
    cols_ = n;
    col_ = std::min(col_, n - 1);
    colSel_ = std::min(colSel_, n - 1);
    structureDirty_ = widthsDirty_ = selectionDirty_ = true;
    scheduleSync();
}

void FlexGrid::setFixedRows(int n) {
    if (n < 0 || n > 1 || n >= rows())
        pcp::raise(30009, kSource, QStringLiteral("Invalid Row value"));
    fixedRows_ = n;
    horizontalHeader()->setVisible(n == 1);
    structureDirty_ = true;
    scheduleSync();
}

QString FlexGrid::textMatrix(int row, int col) const {
    if (row < 0 || row >= rows() || col < 0 || col >= cols_) subscript();
    return cellText(cells_[row], col);
}

int FlexGrid::textLength(int row, int col) const {
    if (row < 0 || row >= rows() || col < 0 || col >= cols_) subscript();
    const Row& r = cells_[row];
    if (r.source < 0) return int(r.cells[col].size());
    return col < source_->columnCount() ? source_->textLength(r.source, col) : 0;
}

int FlexGrid::maxTextLength(int col, int fromRow) const {
    if (col < 0 || col >= cols_ || fromRow < 0) subscript();
    const bool inSet = source_ && col < source_->columnCount();
    int most = 0;
    // The rows of the set in a run (as a fill leaves them) are measured together.
    for (int row = fromRow; row < rows();) {
        const Row& r = cells_[row];
        if (r.source < 0) {
            most = std::max(most, int(r.cells[col].size()));
            ++row;
            continue;
        }
        int end = row + 1;
        while (end < rows() && cells_[end].source == cells_[end - 1].source + 1) ++end;
        if (inSet)
            most = std::max(most, source_->maxTextLength(col, r.source, r.source + end - row));
        row = end;
    }
    return most;
}

bool FlexGrid::textIs(int row, int col, QStringView wanted) const {
    if (row < 0 || row >= rows() || col < 0 || col >= cols_) subscript();
    const Row& r = cells_[row];
    if (r.source < 0) return r.cells[col] == wanted;
    if (col < source_->columnCount()) return source_->textIs(r.source, col, wanted);
    return wanted.isEmpty();
}

QString FlexGrid::cellText(const Row& r, int col) const {
    if (r.source < 0) return r.cells[col];
    return col < source_->columnCount() ? source_->text(r.source, col) : QString();
}

// A row of the row set gets cells of its own once a cell is written.
void FlexGrid::ownCells(Row& r) {
    if (r.source < 0) return;
    r.cells.resize(cols_);
    for (int c = 0; c < cols_; ++c) r.cells[c] = cellText(r, c);
    r.source = -1;
}

void FlexGrid::showRows(std::shared_ptr<const RowSet> rowSet) {
    source_ = std::move(rowSet);
    cells_.resize(fixedRows_);
    setCols(std::max(1, source_->columnCount()));
    // Rows made in place, each only told which row of the set it shows.
    cells_.resize(size_t(fixedRows_ + source_->rowCount()));
    for (int i = 0; i < source_->rowCount(); ++i) cells_[size_t(fixedRows_ + i)].source = i;
    if (rows() == fixedRows_) cells_.push_back(Row{std::vector<QString>(cols_), {}});
    const int last = rows() - 1;
    row_ = std::min(row_, last);
    rowSel_ = std::min(rowSel_, last);
    topRow_ = std::clamp(topRow_, std::min(fixedRows_, last), last);
    structureDirty_ = selectionDirty_ = true;
    scheduleSync();
}

void FlexGrid::setTextMatrix(int row, int col, const QString& text) {
    if (row < 0 || row >= rows() || col < 0 || col >= cols_) subscript();
    ownCells(cells_[row]);
    cells_[row].cells[col] = text;
    dataDirty_ = true;
    scheduleSync();
}

void FlexGrid::setRow(int r) {
    if (r < 0 || r >= rows()) badRow();
    row_ = rowSel_ = r;
    selectionDirty_ = true;
    scheduleSync();
}

void FlexGrid::setCol(int c) {
    if (c < 0 || c >= cols_) badCol();
    col_ = colSel_ = c;
    selectionDirty_ = true;
    scheduleSync();
}

void FlexGrid::setRowSel(int r) {
    if (r < 0 || r >= rows()) badRow();
    rowSel_ = r;
    selectionDirty_ = true;
    scheduleSync();
}

void FlexGrid::setColSel(int c) {
    if (c < 0 || c >= cols_) badCol();
    colSel_ = c;
    selectionDirty_ = true;
    scheduleSync();
}

void FlexGrid::setTopRow(int r) {
    if (r < 0 || r >= rows()) badRow();
    topRow_ = std::max(r, std::min(fixedRows_, rows() - 1));
    selectionDirty_ = true;
    scheduleSync();
}

int FlexGrid::colWidth(int col) const {
    if (col < 0 || col >= cols_) subscript();
    return widths_[col];
}

void FlexGrid::setColWidth(int col, int twips) {
    if (col < 0 || col >= cols_) subscript();
    widths_[col] = std::max(0, twips);
    widthsDirty_ = true;
    scheduleSync();
}

void FlexGrid::setColAlignment(int col, Qt::Alignment alignment) {
    if (col < 0 || col >= cols_) subscript();
    alignments_[col] = alignment | Qt::AlignVCenter;
    dataDirty_ = true;
    scheduleSync();
}

int FlexGrid::widthTwips() const {
    return PxToTwips(width());
}

quint32 FlexGrid::cellForeColorAt(int row, int col) const {
    if (row < 0 || row >= rows() || col < 0 || col >= cols_) subscript();
    const Row& r = cells_[row];
    return r.fore.empty() ? 0 : r.fore[col];
}

quint32 FlexGrid::cellForeColor() const {
    return cellForeColorAt(row_, col_);
}

void FlexGrid::setCellForeColor(quint32 color) {
    setCellForeColorAt(row_, col_, color);
}

void FlexGrid::setCellForeColorAt(int row, int col, quint32 color) {
    if (row < 0 || row >= rows()) badRow();
    if (col < 0 || col >= cols_) badCol();
    Row& r = cells_[row];
    if (r.fore.empty()) {
        if (color == 0) return;
        r.fore.assign(cols_, 0);
    }
    r.fore[col] = color;
    dataDirty_ = true;
    scheduleSync();
}

void FlexGrid::setForeColorSel(quint32 color) {
    if (color == foreColorSel_) return;
    foreColorSel_ = color;
    viewport()->update();
}

void FlexGrid::addItem(const QString& tabSeparated) {
    Row r{std::vector<QString>(cols_), {}};
    const QStringList parts = tabSeparated.split(u'\t');
    for (int i = 0; i < cols_ && i < parts.size(); ++i) r.cells[i] = parts[i];
    cells_.push_back(std::move(r));
    scheduleSync();
}

void FlexGrid::clear() {
    for (Row& r : cells_) {
        if (r.source >= 0) r.cells.resize(cols_), r.source = -1;
        std::fill(r.cells.begin(), r.cells.end(), QString());
        r.fore.clear();
    }
    source_.reset();
    structureDirty_ = true;
    scheduleSync();
}

// Sorts by keys computed once per row: tens of thousands of rows sort in a
// moment, and numbers compare by their exact value.
void FlexGrid::sort(int kind) {
    if (kind < flexSortGenericAscending || kind > flexSortStringDescending) return;
    if (rows() - fixedRows_ < 2) return;
    const int c0 = std::min(col_, colSel_), c1 = std::max(col_, colSel_);
    const bool generic = kind <= flexSortGenericDescending;
    const bool numeric = kind == flexSortNumericAscending || kind == flexSortNumericDescending;
    const Qt::CaseSensitivity cs =
        kind >= flexSortStringAscending ? Qt::CaseSensitive : Qt::CaseInsensitive;

    struct Keyed {
        std::vector<NumberKey> numbers;
        std::vector<QString> texts;  // the sort keys of keyed columns, the cells' texts otherwise
        Row row;
    };
    const auto keyOf = [this](int c) {
        const auto found = sortKeys_.find(c);
        return found == sortKeys_.end() ? SortKey() : found->second;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(cells_.size() - fixedRows_);
    for (auto it = cells_.begin() + fixedRows_; it != cells_.end(); ++it) {
        Keyed k{{}, {}, std::move(*it)};
        for (int c = c0; c <= c1; ++c) {
            const SortKey key = keyOf(c);
            const QString text = cellText(k.row, c);
            k.texts.push_back(key ? key(text) : text);
            // A keyed column orders by its keys alone.
            k.numbers.push_back((generic || numeric) && !key ? numberKey(text, numeric)
                                                             : NumberKey{});
        }
        keyed.push_back(std::move(k));
    }
    const auto compareCell = [&](const Keyed& a, const Keyed& b, int c) {
        const NumberKey &x = a.numbers[c - c0], &y = b.numbers[c - c0];
        if (x.numeric && y.numeric) return compareNumbers(x, y);
        if (x.numeric != y.numeric) return x.numeric ? -1 : 1;  // numbers before texts
        return QString::compare(a.texts[c - c0], b.texts[c - c0], cs);
    };
    std::stable_sort(keyed.begin(), keyed.end(), [&](const Keyed& a, const Keyed& b) {
        for (int c = c0; c <= c1; ++c)
            if (const int cmp = compareCell(a, b, c); cmp != 0)
                return kind % 2 == 0 ? cmp > 0 : cmp < 0;
        return false;
    });
    auto out = cells_.begin() + fixedRows_;
    for (Keyed& k : keyed) *out++ = std::move(k.row);
    dataDirty_ = true;
    scheduleSync();
}

void FlexGrid::setColSortKey(int col, SortKey key) {
    if (key)
        sortKeys_[col] = std::move(key);
    else
        sortKeys_.erase(col);
}

void FlexGrid::setToolTipText(const QString& text) {
    toolTip_ = text;
}

// --- view synchronisation ----------------------------------------------------

void FlexGrid::syncView() {
    syncPending_ = false;
    syncing_ = true;
    syncStructure();
    syncSelection();
    syncing_ = false;
}

void FlexGrid::syncStructure() {
    const int wantRows = std::max(0, rows() - fixedRows_);
    const int wantCols = cols_;
    if (structureDirty_ || wantCols != model_->shownCols_ || wantRows < model_->shownRows_) {
        model_->beginResetModel();
        model_->shownRows_ = wantRows;
        model_->shownCols_ = wantCols;
        model_->endResetModel();
        structureDirty_ = false;
        dataDirty_ = false;
        widthsDirty_ = true;
        selectionDirty_ = true;
    } else if (wantRows > model_->shownRows_) {
        model_->beginInsertRows(QModelIndex(), model_->shownRows_, wantRows - 1);
        model_->shownRows_ = wantRows;
        model_->endInsertRows();
    }
    if (dataDirty_) {
        if (model_->shownRows_ > 0)
            emit model_->dataChanged(model_->index(0, 0),
                                     model_->index(model_->shownRows_ - 1, model_->shownCols_ - 1));
        emit model_->headerDataChanged(Qt::Horizontal, 0, model_->shownCols_ - 1);
        dataDirty_ = false;
    }
    if (widthsDirty_) {
        for (int c = 0; c < cols_; ++c) {
            const bool hidden = widths_[c] == 0;
            horizontalHeader()->setSectionHidden(c, hidden);
            if (!hidden) horizontalHeader()->resizeSection(c, TwipsToPx(widths_[c]));
        }
        widthsDirty_ = false;
    }
}

void FlexGrid::syncSelection() {
    if (!selectionDirty_) return;
    selectionDirty_ = false;
    auto* sm = selectionModel();
    if (row_ < fixedRows_ || model_->shownRows_ == 0) {
        sm->clear();
        return;
    }
    const int r0 = modelRow(std::max(fixedRows_, std::min(row_, rowSel_)));
    const int r1 = modelRow(std::max(row_, rowSel_));
    sm->setCurrentIndex(model_->index(modelRow(row_), viewColumnOf(col_)),
                        QItemSelectionModel::NoUpdate);
    sm->select(QItemSelection(model_->index(r0, 0), model_->index(r1, cols_ - 1)),
               QItemSelectionModel::ClearAndSelect);
    updateGeometries();
    verticalScrollBar()->setValue(modelRow(std::max(topRow_, fixedRows_)));
    followCurrent_ = true;
    revealCurrentRow();
}

// The view's current cell never sits in a hidden column (the key's): the
// arrows would not move from there. The grid's own current column stays.
int FlexGrid::viewColumnOf(int col) const {
    for (int c = col; c < cols_; ++c)
        if (!horizontalHeader()->isSectionHidden(c)) return c;
    return col;
}

// Scroll bars come and go as widths change (remembered widths wider than the
// grid bring the horizontal one): the current row stays wholly in view.
void FlexGrid::updateGeometries() {
    QTableView::updateGeometries();
    if (followCurrent_) revealCurrentRow();
}

void FlexGrid::revealCurrentRow() {
    if (row_ < fixedRows_ || modelRow(row_) >= model_->shownRows_) return;
    const int r = modelRow(row_);
    const int top = rowViewportPosition(r);
    if (top >= 0 && top + rowHeight(r) <= viewport()->height()) return;
    const int leftmost = std::max(0, horizontalHeader()->logicalIndexAt(0));
    scrollTo(model_->index(r, leftmost), QAbstractItemView::EnsureVisible);
}

void FlexGrid::onCurrentChanged(const QModelIndex& current) {
    if (syncing_ || !current.isValid()) return;
    const int r = current.row() + fixedRows_;
    const int c = current.column();
    if (r != row_ || c != col_) {
        row_ = rowSel_ = r;
        col_ = colSel_ = c;
        emit enterCell();
    }
    flushSelChange();
}

// The view changes the selection before it moves the current cell; the
// selection is judged once both have moved, so a keyboard move looks
// exactly like a click.
void FlexGrid::onSelectionChanged() {
    if (syncing_) return;
    selChangePending_ = true;
    QMetaObject::invokeMethod(
        this, [this] { flushSelChange(); }, Qt::QueuedConnection);
}

void FlexGrid::flushSelChange() {
    if (!selChangePending_) return;
    selChangePending_ = false;
    const QModelIndexList selected = selectionModel()->selectedRows();
    if (!selected.isEmpty()) {
        int lo = selected.front().row(), hi = lo;
        for (const QModelIndex& i : selected) {
            lo = std::min(lo, i.row());
            hi = std::max(hi, i.row());
        }
        lo += fixedRows_;
        hi += fixedRows_;
        rowSel_ = row_ == lo ? hi : lo;
    }
    emit selChange();
}

// A drag resizes a column many times a second; it is told once, when the
// user lets go of the border.
void FlexGrid::onSectionResized(int section, int, int newSize) {
    if (syncing_ || section >= cols_) return;
    widths_[section] = PxToTwips(newSize);
    resizedByUser_.insert(section);
}

void FlexGrid::finishUserResize() {
    const std::set<int> resized = std::exchange(resizedByUser_, {});
    for (const int section : resized)
        if (section < cols_) emit columnResizedByUser(section, widths_[section]);
}

void FlexGrid::updateMouseCell(const QPoint& pos, bool header) {
    if (header) {
        mouseRow_ = 0;
        mouseCol_ = std::max(0, horizontalHeader()->logicalIndexAt(pos.x()));
    } else {
        const QModelIndex idx = indexAt(pos);
        if (idx.isValid()) {
            mouseRow_ = idx.row() + fixedRows_;
            mouseCol_ = idx.column();
        }
    }
}

void FlexGrid::mouseMoveEvent(QMouseEvent* e) {
    updateMouseCell(e->position().toPoint(), false);
    int shift = 0;
    if (e->modifiers() & Qt::ShiftModifier) shift |= 1;
    if (e->modifiers() & Qt::ControlModifier) shift |= 2;
    emit mouseMoved(int(e->buttons()), shift, PxToTwips(int(e->position().x())),
                    PxToTwips(int(e->position().y())));
    QTableView::mouseMoveEvent(e);
}

void FlexGrid::mouseDoubleClickEvent(QMouseEvent* e) {
    QTableView::mouseDoubleClickEvent(e);
    emit dblClick();
}

bool FlexGrid::viewportEvent(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        auto* he = static_cast<QHelpEvent*>(e);
        if (toolTip_.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(he->globalPos(), PlainTextTip(toolTip_), viewport());
        return true;
    }
    return QTableView::viewportEvent(e);
}

bool FlexGrid::eventFilter(QObject* o, QEvent* e) {
    if (o == horizontalHeader()->viewport()) {
        if (e->type() == QEvent::MouseButtonRelease) {
            // The header finishes its own handling first; the widths are final then.
            const bool handled = QTableView::eventFilter(o, e);
            QMetaObject::invokeMethod(
                this, [this] { finishUserResize(); }, Qt::QueuedConnection);
            return handled;
        }
        if (e->type() == QEvent::MouseMove) {
            auto* me = static_cast<QMouseEvent*>(e);
            updateMouseCell(me->position().toPoint(), true);
            emit mouseMoved(int(me->buttons()), 0, PxToTwips(int(me->position().x())), 0);
        } else if (e->type() == QEvent::ToolTip) {
            auto* he = static_cast<QHelpEvent*>(e);
            if (!toolTip_.isEmpty())
                QToolTip::showText(he->globalPos(), PlainTextTip(toolTip_), horizontalHeader());
            return true;
        }
    }
    return QTableView::eventFilter(o, e);
}

}  // namespace pcp
