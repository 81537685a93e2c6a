#include "suite/RegisterRows.h"

#include <QPointer>

#include "data/ModuleError.h"
#include "ui/FlexGrid.h"

namespace pcp {

namespace {

// The register's flag columns, and the colour of a cancelled voucher's row.
constexpr int kCancelledColumn = 5;
constexpr int kPostedColumn = 6;
constexpr quint32 kCancelledRed = 0x0000FFu;

class FlexGridRowsImpl final : public RegisterRows {
  public:
    explicit FlexGridRowsImpl(FlexGrid* grid) : grid_(grid) {}
    int columnCount() const override { return grid()->cols(); }
    int rowCount() const override { return grid()->rows(); }
    int currentRow() const override { return grid()->row(); }
    QString cell(int row, int col) const override { return grid()->textMatrix(row, col); }
    void setCell(int row, int col, const QString& text) override {
        grid()->setTextMatrix(row, col, text);
    }
    void appendAndSelect(const QStringList& cells) override {
        grid()->addItem(cells.join(u'\t'));
        selectRow(grid()->rows() - 1);
    }
    void selectRow(int row) override {
        FlexGrid* g = grid();
        g->setRow(row);
        g->setTopRow(row);
        g->setCol(0);
        g->setColSel(g->cols() - 1);
    }
    void paintRow(int row) override {
        FlexGrid* g = grid();
        const bool cancelled = g->textMatrix(row, kCancelledColumn) == u"Yes";
        for (int c = 0; c <= kPostedColumn && c < g->cols(); ++c)
            g->setCellForeColorAt(row, c, cancelled ? kCancelledRed : 0);
    }
    QObject* control() const override { return grid(); }

  private:
    FlexGrid* grid() const {
        if (!grid_)
            raise(kErrObjectRequired, QStringLiteral("PettyCashPayments"),
                  QStringLiteral("Object required"));
        return grid_;
    }
    QPointer<FlexGrid> grid_;
};

}  // namespace

int RegisterRows::rowOf(const QString& key) const {
    for (int r = rowCount() - 1; r >= 1; --r)
        if (cell(r, 0) == key) return r;
    return 0;
}

void RegisterRows::putRow(const QStringList& cells) {
    int row = rowOf(cells.value(0));
    if (!row && rowCount() == 2 && cell(1, 0).isEmpty()) row = 1;
    if (!row) {
        appendAndSelect(cells);
        return paintRow(rowCount() - 1);
    }
    for (int c = 0; c < cells.size() && c < columnCount(); ++c) setCell(row, c, cells[c]);
    paintRow(row);
}

std::unique_ptr<RegisterRows> FlexGridRows(FlexGrid* grid) {
    return std::make_unique<FlexGridRowsImpl>(grid);
}

}  // namespace pcp
