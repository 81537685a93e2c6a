#pragma once
// What the shared procedures may do to the register's rows: read and write a
// cell, add a voucher's row at the end, or put it where its key is. The register
// lends its grid through this interface; nothing below the windows holds the
// widget itself.

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

namespace pcp {

class FlexGrid;

class RegisterRows {
  public:
    virtual ~RegisterRows() = default;
    virtual int columnCount() const = 0;
    virtual int rowCount() const = 0;  // the header row included
    virtual int currentRow() const = 0;
    virtual QString cell(int row, int col) const = 0;
    virtual void setCell(int row, int col, const QString& text) = 0;
    // A new last row, made current, scrolled to the top and selected whole.
    virtual void appendAndSelect(const QStringList& cells) = 0;
    // Makes the row current, scrolls it to the top and selects it whole.
    virtual void selectRow(int row) = 0;
    // Paints the row as its cells say the voucher is stored: a cancelled
    // voucher in red, any other in the grid's own colour.
    virtual void paintRow(int row) = 0;
    // The grid control itself, for the layout component.
    virtual QObject* control() const = 0;

    // The row whose key (column 0) is `key`; 0 when no row has it.
    int rowOf(const QString& key) const;
    // Puts a voucher's row (its key first) where it shows, painted as stored:
    // over the row with that key, in an empty register's one blank row, or at
    // the end.
    void putRow(const QStringList& cells);
};

// The rows of a flex grid (the register's, or a test's).
std::unique_ptr<RegisterRows> FlexGridRows(FlexGrid* grid);

}  // namespace pcp
