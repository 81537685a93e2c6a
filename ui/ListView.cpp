#include "ui/ListView.h"

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QStyle>
#include <algorithm>

#include "data/ModuleError.h"
#include "ui/Twips.h"

namespace pcp {

namespace {
const QString kSource = QStringLiteral("MSComctlLib.ListView");
constexpr int kCheckedRole = Qt::UserRole + 1;
constexpr int kSortValueRole = Qt::UserRole + 2;

// Sort values where both cells have one, else the texts.
int compareCells(const QTreeWidgetItem* a, const QTreeWidgetItem* b, int column) {
    const QVariant x = a->data(column, kSortValueRole), y = b->data(column, kSortValueRole);
    if (!x.isValid() || !y.isValid())
        return QString::compare(a->text(column), b->text(column), Qt::CaseInsensitive);
    const QPartialOrdering order = QVariant::compare(x, y);
    return order == QPartialOrdering::Less ? -1 : (order == QPartialOrdering::Greater ? 1 : 0);
}
[[noreturn]] void badIndex() {
    raise(35600, kSource, QStringLiteral("Index out of bounds"));
}
}  // namespace

ListView::ListView(QWidget* parent) : QTreeWidget(parent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSortingEnabled(false);
    setColumnCount(0);
    header()->setSectionsClickable(true);
    header()->setStretchLastSection(false);
    connect(header(), &QHeaderView::sectionClicked, this,
            [this](int logical) { emit columnClicked(logical + 1); });
    // The line the keyboard is on is the selected one, so that what acts on
    // the selection acts on the line with the focus frame.
    connect(this, &QTreeWidget::currentItemChanged, this, [this] {
        if (hasFocus()) selectCurrent();
    });
}

void ListView::addColumn(const QString& text, int widthTwips, Qt::Alignment alignment) {
    const int c = columnCount();
    setColumnCount(c + 1);
    headerItem()->setText(c, text);
    headerItem()->setTextAlignment(c, alignment | Qt::AlignVCenter);
    icons_.append(QString());
    if (widthTwips == 0)
        setColumnHidden(c, true);
    else
        setColumnWidth(c, TwipsToPx(widthTwips));
    setProperty(QStringLiteral("align%1").arg(c).toUtf8().constData(), int(alignment));
}

QString ListView::columnText(int column) const {
    if (column < 1 || column > columnCount()) badIndex();
    return headerItem()->text(column - 1);
}

void ListView::setColumnText(int column, const QString& text) {
    if (column < 1 || column > columnCount()) badIndex();
    headerItem()->setText(column - 1, text);
}

QString ListView::columnIcon(int column) const {
    if (column < 1 || column > columnCount()) badIndex();
    return icons_[column - 1];
}

void ListView::setColumnIcon(int column, const QString& key) {
    if (column < 1 || column > columnCount()) badIndex();
    icons_[column - 1] = key;
    QIcon icon;
    if (key == u"up")
        icon = style()->standardIcon(QStyle::SP_ArrowUp);
    else if (key == u"down")
        icon = style()->standardIcon(QStyle::SP_ArrowDown);
    headerItem()->setIcon(column - 1, icon);
}

QTreeWidgetItem* ListView::itemAt(int index) const {
    if (index < 1 || index > count()) badIndex();
    return topLevelItem(index - 1);
}

int ListView::add(const QString& text) {
    auto* item = new QTreeWidgetItem(this);
    item->setText(0, text);
    item->setData(0, kCheckedRole, true);
    for (int c = 0; c < columnCount(); ++c) {
        const int align = property(QStringLiteral("align%1").arg(c).toUtf8().constData()).toInt();
        item->setTextAlignment(c, Qt::Alignment(align) | Qt::AlignVCenter);
    }
    if (sorted_) applySort();
    return indexOfTopLevelItem(item) + 1;
}

void ListView::remove(int index) {
    delete takeTopLevelItem(indexOfTopLevelItem(itemAt(index)));
}

QString ListView::itemText(int index) const {
    return itemAt(index)->text(0);
}
void ListView::setItemText(int index, const QString& text) {
    setColumnValue(index, 1, text);
}

QString ListView::subItem(int index, int sub) const {
    if (sub < 1 || sub >= columnCount()) badIndex();
    return itemAt(index)->text(sub);
}

void ListView::setSubItem(int index, int sub, const QString& text) {
    if (sub < 1 || sub >= columnCount()) badIndex();
    setColumnValue(index, sub + 1, text);
}

QString ListView::columnValue(int index, int column) const {
    return column == 1 ? itemText(index) : subItem(index, column - 1);
}

void ListView::setColumnValue(int index, int column, const QString& text) {
    if (column < 1 || column > columnCount()) badIndex();
    QTreeWidgetItem* item = itemAt(index);
    item->setText(column - 1, text);
    item->setData(column - 1, kSortValueRole, QVariant());
}

void ListView::setSortValue(int index, int column, const QVariant& value) {
    if (column < 1 || column > columnCount()) badIndex();
    itemAt(index)->setData(column - 1, kSortValueRole, value);
}

bool ListView::checked(int index) const {
    return itemAt(index)->data(0, kCheckedRole).toBool();
}
void ListView::setChecked(int index, bool on) {
    itemAt(index)->setData(0, kCheckedRole, on);
}

int ListView::selectedIndex() const {
    const auto items = selectedItems();
    if (items.isEmpty()) {
        QTreeWidgetItem* cur = currentItem();
        return cur && cur->isSelected() ? indexOfTopLevelItem(cur) + 1 : 0;
    }
    return indexOfTopLevelItem(items.front()) + 1;
}

void ListView::setSelectedIndex(int index) {
    QTreeWidgetItem* item = itemAt(index);
    setCurrentItem(item);
    item->setSelected(true);
}

void ListView::setSortKey(int key) {
    sortKey_ = key;
    if (sorted_) applySort();
}

void ListView::setSortOrder(int order) {
    sortOrder_ = order;
    if (sorted_) applySort();
}

void ListView::setSorted(bool on) {
    sorted_ = on;
    if (on) applySort();
}

void ListView::applySort() {
    if (sortKey_ < 0 || sortKey_ >= columnCount()) return;
    QTreeWidgetItem* selected = currentItem();
    QList<QTreeWidgetItem*> items;
    while (topLevelItemCount() > 0) items.append(takeTopLevelItem(0));
    const int key = sortKey_;
    const bool descending = sortOrder_ == lvwDescending;
    std::stable_sort(items.begin(), items.end(), [&](QTreeWidgetItem* a, QTreeWidgetItem* b) {
        const int cmp = compareCells(a, b, key);
        return descending ? cmp > 0 : cmp < 0;
    });
    addTopLevelItems(items);
    if (selected) {
        setCurrentItem(selected);
        selected->setSelected(true);
    }
}

// Entering the list makes its first line current (Qt's part) and selected.
void ListView::focusInEvent(QFocusEvent* e) {
    QTreeWidget::focusInEvent(e);
    selectCurrent();
}

void ListView::selectCurrent() {
    if (currentItem() && selectedItems().isEmpty()) currentItem()->setSelected(true);
}

void ListView::mousePressEvent(QMouseEvent* e) {
    QTreeWidget::mousePressEvent(e);
    if (e->button() == Qt::RightButton) emit rightMouseDown(e->globalPosition().toPoint());
}

void ListView::mouseDoubleClickEvent(QMouseEvent* e) {
    QTreeWidget::mouseDoubleClickEvent(e);
    emit itemDblClicked();
}

}  // namespace pcp
