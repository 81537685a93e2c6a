#include "suite/RegisterRows.h"

#include <QPointer>

#include "data/ModuleError.h"
#include "ui/FlexGrid.h"

namespace pcp {

namespace {

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
    if (!row) return appendAndSelect(cells);
    for (int c = 0; c < cells.size() && c < columnCount(); ++c) setCell(row, c, cells[c]);
}

std::unique_ptr<RegisterRows> FlexGridRows(FlexGrid* grid) {
    return std::make_unique<FlexGridRowsImpl>(grid);
}

}  // namespace pcp
