#pragma once
// The voucher window's list view in report view: items with a text and
// sub-items, a selected item, a check state, column headers that carry an
// "up" or "down" icon, and sorting by one column (key and order), switched on
// and off: by the cells' sort values where given, else by their texts. Items
// and columns are counted from 1.

#include <QTreeWidget>

namespace pcp {

enum ListSortOrder { lvwAscending = 0, lvwDescending = 1 };

class ListView : public QTreeWidget {
    Q_OBJECT
  public:
    explicit ListView(QWidget* parent = nullptr);

    // Columns
    void addColumn(const QString& text, int widthTwips, Qt::Alignment alignment = Qt::AlignLeft);
    int columnHeaderCount() const { return columnCount(); }
    QString columnText(int column) const;
    void setColumnText(int column, const QString& text);
    QString columnIcon(int column) const;  // "", "up" or "down"
    void setColumnIcon(int column, const QString& key);

    // Items
    int count() const { return topLevelItemCount(); }
    int add(const QString& text);  // the new item's index; it starts checked
    void remove(int index);
    void clearItems() { clear(); }
    QString itemText(int index) const;
    void setItemText(int index, const QString& text);
    QString subItem(int index, int sub) const;
    void setSubItem(int index, int sub, const QString& text);
    bool checked(int index) const;
    void setChecked(int index, bool on);
    int selectedIndex() const;  // 0 when no item is selected
    void setSelectedIndex(int index);
    // The text of a column (1 = item text, n = sub-item n - 1).
    QString columnValue(int index, int column) const;
    void setColumnValue(int index, int column, const QString& text);
    // What a cell sorts by in place of its text (a number, a date), so that
    // sorting never rewrites what the cell shows; dropped when its text changes.
    void setSortValue(int index, int column, const QVariant& value);

    // Sorting by column sortKey + 1
    int sortKey() const { return sortKey_; }
    void setSortKey(int key);
    int sortOrder() const { return sortOrder_; }
    void setSortOrder(int order);
    bool sorted() const { return sorted_; }
    void setSorted(bool on);

  signals:
    void columnClicked(int column);  // 1-based
    void itemDblClicked();
    void rightMouseDown(const QPoint& globalPos);

  protected:
    void focusInEvent(QFocusEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

  private:
    QTreeWidgetItem* itemAt(int index) const;
    void selectCurrent();
    void applySort();
    QStringList icons_;
    int sortKey_ = 0;
    int sortOrder_ = lvwAscending;
    bool sorted_ = false;
};

}  // namespace pcp
