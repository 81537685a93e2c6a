#pragma once
// The register's grid control: a flex grid in the classic shape (rows,
// columns, one fixed header row, text by row and column, current cell and
// selection end, top row, widths in twips, cell and selection text colours,
// tab-separated AddItem, Sort over a range of columns) on Qt's model/view.
//
// The grid keeps its own storage and brings the view up to date when the
// event loop next runs, so that filling and colouring tens of thousands of
// rows costs only the writes themselves.

#include <QAbstractTableModel>
#include <QTableView>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "data/RowSet.h"

namespace pcp {

enum FlexSort {
    flexSortNone = 0,
    flexSortGenericAscending = 1,
    flexSortGenericDescending = 2,
    flexSortNumericAscending = 3,
    flexSortNumericDescending = 4,
    flexSortStringNoCaseAscending = 5,
    flexSortStringNoCaseDescending = 6,
    flexSortStringAscending = 7,
    flexSortStringDescending = 8,
};

inline constexpr quint32 kColorWindowText = 0x80000008u;
inline constexpr quint32 kColorHighlightText = 0x8000000Eu;

class FlexGrid;

class FlexGridModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit FlexGridModel(FlexGrid* grid);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    friend class FlexGrid;
    FlexGrid* grid_;
    int shownRows_ = 0;
    int shownCols_ = 0;
};

class FlexGrid : public QTableView {
    Q_OBJECT
    Q_PROPERTY(int Rows READ rows WRITE setRows)
    Q_PROPERTY(int Cols READ cols WRITE setCols)
    Q_PROPERTY(int Row READ row WRITE setRow)
    Q_PROPERTY(int Col READ col WRITE setCol)

  public:
    explicit FlexGrid(QWidget* parent = nullptr);

    int rows() const { return int(cells_.size()); }
    void setRows(int n);
    int cols() const { return cols_; }
    void setCols(int n);
    int fixedRows() const { return fixedRows_; }
    void setFixedRows(int n);
    int fixedCols() const { return 0; }
    void setFixedCols(int) {}

    QString textMatrix(int row, int col) const;
    void setTextMatrix(int row, int col, const QString& text);
    QString text() const { return textMatrix(row_, col_); }
    // The length of the cell's text, without making it where the row set
    // can tell (widths that follow the contents of every row).
    int textLength(int row, int col) const;
    // The longest textLength of the column from `fromRow` to the last row.
    int maxTextLength(int col, int fromRow) const;
    // Whether textMatrix(row, col) is `wanted`, without making the text.
    bool textIs(int row, int col, QStringView wanted) const;
    // The rows of a row set below the fixed rows, one column per column of
    // the set, instead of every row there was: the grid keeps the set and
    // makes a cell's text only when it is asked for (the cells on screen, a
    // sort's keys). A row written to takes texts of its own. An empty set
    // leaves one blank row.
    void showRows(std::shared_ptr<const RowSet> rows);

    int row() const { return row_; }
    void setRow(int r);
    int col() const { return col_; }
    void setCol(int c);
    int rowSel() const { return rowSel_; }
    void setRowSel(int r);
    int colSel() const { return colSel_; }
    void setColSel(int c);
    int topRow() const { return topRow_; }
    void setTopRow(int r);

    Q_INVOKABLE int colWidth(int col) const;
    Q_INVOKABLE void setColWidth(int col, int twips);
    int widthTwips() const;
    // How the column's cells align their text (left unless set).
    void setColAlignment(int col, Qt::Alignment alignment);

    // Text colour of the current cell; 0 stands for the grid's default.
    quint32 cellForeColor() const;
    void setCellForeColor(quint32 color);
    quint32 cellForeColorAt(int row, int col) const;
    // Colours any cell without moving the current cell.
    void setCellForeColorAt(int row, int col, quint32 color);
    quint32 foreColorSel() const { return foreColorSel_; }
    void setForeColorSel(quint32 color);

    void addItem(const QString& tabSeparated);
    void clear();
    // Sorts the non-fixed rows by the columns from Col to ColSel.
    void sort(int kind);
    // The column sorts by the key made of each cell's text (a date's calendar
    // order, say) instead of the text itself; an empty function undoes it.
    using SortKey = std::function<QString(const QString&)>;
    void setColSortKey(int col, SortKey key);

    void setToolTipText(const QString& text);
    QString toolTipText() const { return toolTip_; }
    int mouseRow() const { return mouseRow_; }
    int mouseCol() const { return mouseCol_; }

    // Brings the view up to date now (normally done when the event loop runs).
    void syncView();

  signals:
    void enterCell();
    void selChange();
    void dblClick();
    void mouseMoved(int button, int shift, int x, int y);
    void columnResizedByUser(int col, int twips);

  protected:
    void updateGeometries() override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    bool viewportEvent(QEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;

  private:
    friend class FlexGridModel;
    struct Row {
        std::vector<QString> cells;  // empty while the row is the row set's
        std::vector<quint32> fore;   // empty: every cell in the default colour
        int source = -1;             // the row of the row set it shows; -1 for its own cells
    };
    QString cellText(const Row& r, int col) const;
    void ownCells(Row& r);
    void scheduleSync();
    void syncStructure();
    void syncSelection();
    void onCurrentChanged(const QModelIndex& current);
    void onSelectionChanged();
    void flushSelChange();
    void onSectionResized(int section, int oldSize, int newSize);
    void finishUserResize();
    void revealCurrentRow();
    void updateMouseCell(const QPoint& viewportPos, bool header);
    int modelRow(int gridRow) const { return gridRow - fixedRows_; }
    int viewColumnOf(int col) const;

    FlexGridModel* model_;
    std::vector<Row> cells_;
    std::shared_ptr<const RowSet> source_;
    std::vector<int> widths_;  // twips
    std::vector<Qt::Alignment> alignments_;
    std::map<int, SortKey> sortKeys_;
    int cols_ = 1;
    int fixedRows_ = 1;
    int row_ = 1, col_ = 0, rowSel_ = 1, colSel_ = 0, topRow_ = 1;
    int mouseRow_ = 0, mouseCol_ = 0;
    quint32 foreColorSel_ = kColorHighlightText;
    QString toolTip_;
    bool syncPending_ = false;
    bool structureDirty_ = true;
    bool dataDirty_ = false;
    bool selectionDirty_ = true;
    bool widthsDirty_ = true;
    bool syncing_ = false;
    bool selChangePending_ = false;
    std::set<int> resizedByUser_;  // columns dragged since the mouse went down
    bool followCurrent_ = false;   // keep the current row in view as the geometry changes
};

}  // namespace pcp
