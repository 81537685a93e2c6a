#pragma once
// The rows of a statement as typed columns: whole numbers, exact decimals,
// dates and texts each in a vector of their own, with a flag per NULL. A
// reader fills it straight from the database's own calls (no QVariant per
// cell), and a grid shows it by making texts only for the cells on screen.
//
// A column takes the type its first value has; a later value of another type
// (SQLite keeps any value in any column) turns that column into QVariants,
// so that nothing stored is ever changed by the reading.

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <vector>

#include "data/Decimal.h"

namespace pcp {

enum class ColumnType : quint8 {
    Unknown,  // no value yet (every value so far NULL)
    Integer,
    Real,     // a floating-point value the database keeps as such
    Decimal,  // exact, at the column's scale
    Date,     // a calendar day and clock time as stored, never shifted by a zone
    Text,
    Variant,  // values of several types
};

// Told the rows read so far, every few hundred rows; false stops the reading.
using RowProgress = std::function<bool(int rowsRead)>;
inline constexpr int kRowsPerProgress = 256;

class RowSet {
  public:
    struct Column {
        QString name;
        ColumnType type = ColumnType::Unknown;
        // Integer: the number; Decimal: its millionths; Date: milliseconds
        // since 1970 of the wall-clock time read as UTC.
        std::vector<qint64> numbers;
        std::vector<double> reals;
        // Text: the column's texts back to back, and where each row's ends.
        // One buffer for the column rather than a string per cell: a read
        // allocates a few times per column instead of once per cell.
        std::vector<char16_t> chars;
        std::vector<size_t> ends;
        std::vector<QVariant> variants;
        std::vector<bool> nulls;
        QString pattern;  // how text() shows its decimals; empty: shortest text

        // The text of a Text column's row as stored, blanks included.
        QStringView textAt(size_t row) const {
            const size_t begin = row ? ends[row - 1] : 0;
            return QStringView(chars.data() + begin, qsizetype(ends[row] - begin));
        }
        // The same without its leading and trailing blanks, as a string that
        // is empty but not null for an empty text.
        QString trimmedTextAt(size_t row) const;
    };

    int rowCount() const { return rows_; }
    int columnCount() const { return int(columns_.size()); }
    const Column& column(int col) const { return columns_[size_t(col)]; }
    QStringList names() const;
    // The reading was stopped before the last row (RowProgress said so).
    bool cancelled() const { return cancelled_; }
    void markCancelled() { cancelled_ = true; }
    // The column's decimals shown at a pattern of the module's ("0.00#")
    // instead of their shortest text.
    void setPattern(int col, const QString& pattern) { columns_[size_t(col)].pattern = pattern; }

    bool isNull(int row, int col) const { return column(col).nulls[size_t(row)]; }
    // The value as a recordset's field gives it: invalid for NULL, dates as
    // UTC wall-clock times, decimals as the decimal type.
    QVariant value(int row, int col) const;
    // The value as the module shows it (Text of the value), blanks trimmed.
    QString text(int row, int col) const;
    // The length of text(row, col), for widths, without making the text
    // where the type tells it.
    int textLength(int row, int col) const;
    // The longest textLength of the column over rows [begin, end).
    int maxTextLength(int col, int begin, int end) const;
    // Whether text(row, col) is `wanted`, without making the text of a text cell.
    bool textIs(int row, int col, QStringView wanted) const;

    // Filling, a row at a time: start a row, then one call per column in order.
    void setColumns(const QStringList& names);
    void beginRow() {
        if (rows_ == capacity_) grow();
        ++rows_;
    }
    void addNull(int col);
    void addInteger(int col, qint64 value);
    void addReal(int col, double value);
    void addDecimal(int col, Decimal value);
    void addDate(int col, const QDateTime& wallClock);
    void addDateMSecs(int col, qint64 msecsSince1970);  // of the wall-clock time read as UTC
    void addText(int col, QStringView value);
    void addText(int col, const QString& value) { addText(col, QStringView(value)); }
    // Text as UTF-8 bytes, widened straight into the column when it is ASCII.
    void addUtf8(int col, const char* bytes, qsizetype size);
    void addVariant(int col, const QVariant& value);
    // A value as a recordset holds it, kept in the column of its type.
    void addStored(int col, const QVariant& value);
    void reserve(int rows);

  private:
    Column& forValue(int col, ColumnType type);
    // The column when it already holds `type`, as nearly every value finds it.
    Column* typed(int col, ColumnType type) {
        Column& c = columns_[size_t(col)];
        return c.type == type ? &c : nullptr;
    }
    static void appendText(Column& c, QStringView value) {
        c.chars.insert(c.chars.end(), value.utf16(), value.utf16() + value.size());
        endText(c);
    }
    // A row's text is in the column's buffer: it ends here.
    static void endText(Column& c) {
        c.nulls.push_back(false);
        c.ends.push_back(c.chars.size());
    }
    void toVariants(Column& c);
    void grow();
    QVariant typedValue(const Column& c, size_t row) const;

    std::vector<Column> columns_;
    int rows_ = 0;
    int capacity_ = 0;  // rows every column has room for
    bool cancelled_ = false;
};

}  // namespace pcp
