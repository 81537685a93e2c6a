#include "data/OdbcRows.h"

#include <QDate>
#include <QTime>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "data/Decimal.h"
#include "data/SqlDriver.h"  // DeclaredScale
#include "data/SqliteFunctions.h"

namespace pcp {

namespace {

constexpr SQLULEN kMostRowsPerFetch = 512;
// The bound buffers of one fetch stay within this; wide rows fetch fewer.
constexpr size_t kBufferBudget = size_t(4) << 20;
// Texts up to this many characters are bound (psqlODBC's texts are 8,190
// wide); wider or unsized ones are read piece by piece.
constexpr SQLULEN kWidestBoundText = 8190;
constexpr qint64 kJulianDayOf1970 = 2440588, kMsPerDay = 86'400'000;

// How a column's values come over and become the module's values.
enum class Cell { Integer, Bit, Numeric, Double, Timestamp, DateText, Text, Binary };

struct Column {
    Cell cell = Cell::Text;
    int scale = -1;  // decimals the module reads the column at; -1 for none
    SQLSMALLINT cType = SQL_C_WCHAR;
    SQLLEN width = 0;              // bytes a bound value takes; 0 when read piece by piece
    std::unique_ptr<char[]> data;  // left as allocated: the driver writes what it fetches
    std::vector<SQLLEN> lengths;
};

struct StatementHandle {
    SQLHANDLE handle = SQL_NULL_HSTMT;
    ~StatementHandle() {
        if (handle != SQL_NULL_HSTMT) SQLFreeHandle(SQL_HANDLE_STMT, handle);
    }
};

QString wideText(const SQLWCHAR* text, SQLLEN bytes) {
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(text),
                              qsizetype(bytes / SQLLEN(sizeof(SQLWCHAR))));
}

// Plain decimal text ("-1234.500") as the exact decimal; empty for anything else.
std::optional<Decimal> exactDecimal(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const size_t point = text.find('.');
    std::string digits(text.substr(0, point));
    int exponent = 0;
    if (point != std::string_view::npos) {
        const std::string_view fraction = text.substr(point + 1);
        digits.append(fraction);
        exponent = -int(fraction.size());
    }
    if (digits.empty() ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return Decimal::fromDigits(negative, digits, exponent);
}

qint64 timestampMSecs(const SQL_TIMESTAMP_STRUCT& t, bool* valid) {
    const QDate day(t.year, t.month, t.day);
    const QTime time(t.hour, t.minute, t.second, int(t.fraction / 1'000'000));
    *valid = day.isValid() && time.isValid();
    return (day.toJulianDay() - kJulianDayOf1970) * kMsPerDay + time.msecsSinceStartOfDay();
}

class Reader {
  public:
    Reader(SQLHANDLE stmt, const OdbcReading& how, const RowProgress& progress,
           const std::function<void(SQLHANDLE)>& refuse)
        : stmt_(stmt), how_(how), progress_(progress), refuse_(refuse) {}

    void execute(const QString& statement) {
        const SQLRETURN r = SQLExecDirectW(
            stmt_, const_cast<SQLWCHAR*>(reinterpret_cast<const SQLWCHAR*>(statement.utf16())),
            SQLINTEGER(statement.size()));
        if (r == SQL_NO_DATA) return;
        check(r);
        describe();
    }

    // Bound columns in blocks where every column can be bound; false when a
    // text came longer than its column said (read again piece by piece).
    bool readInBlocks(RowSet& rows) {
        if (columns_.empty()) return true;
        const bool bindable = std::all_of(columns_.begin(), columns_.end(),
                                          [](const Column& c) { return c.width > 0; });
        return bindable ? fetchBlocks(rows) : (fetchPieces(rows), true);
    }

    void readPieces(RowSet& rows) { fetchPieces(rows); }

    void restart(const QString& statement) {
        SQLFreeStmt(stmt_, SQL_CLOSE);
        SQLFreeStmt(stmt_, SQL_UNBIND);
        SQLSetStmtAttr(stmt_, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(SQLULEN(1)), 0);
        SQLSetStmtAttr(stmt_, SQL_ATTR_ROWS_FETCHED_PTR, nullptr, 0);
        columns_.clear();
        names_.clear();
        execute(statement);
    }

    const QStringList& names() const { return names_; }

  private:
    void check(SQLRETURN r) {
        if (!SQL_SUCCEEDED(r)) refuse_(stmt_);
    }

    void describe() {
        SQLSMALLINT count = 0;
        check(SQLNumResultCols(stmt_, &count));
        for (SQLUSMALLINT i = 1; i <= SQLUSMALLINT(count); ++i) {
            SQLWCHAR name[256] = {};
            SQLSMALLINT nameLength = 0, type = 0, decimals = 0, nullable = 0;
            SQLULEN size = 0;
            check(SQLDescribeColW(stmt_, i, name, SQLSMALLINT(std::size(name)), &nameLength, &type,
                                  &size, &decimals, &nullable));
            names_ << wideText(
                name, SQLLEN(std::min<SQLSMALLINT>(nameLength, 255)) * SQLLEN(sizeof(SQLWCHAR)));
            columns_.push_back(columnFor(i, type, size, decimals));
        }
    }

    Column columnFor(SQLUSMALLINT i, SQLSMALLINT type, SQLULEN size, SQLSMALLINT decimals) {
        char typeName[64] = {};
        SQLSMALLINT length = 0;
        SQLLEN number = 0;
        SQLColAttribute(stmt_, i, SQL_DESC_TYPE_NAME, typeName, sizeof typeName, &length, &number);
        const bool dateText =
            !how_.dateTextType.isEmpty() && qstricmp(typeName, how_.dateTextType.constData()) == 0;
        Column c;
        c.scale = DeclaredScale(QByteArray(typeName));
        const bool numeric = type == SQL_NUMERIC || type == SQL_DECIMAL;
        if (numeric && decimals >= 0 && decimals <= Decimal::kScale)
            c.scale = std::max(c.scale, int(decimals));
        if (dateText) {
            c.cell = Cell::DateText;
            c.cType = SQL_C_CHAR;
            c.width = 64;
            return c;
        }
        switch (type) {
            case SQL_BIT: c.cell = Cell::Bit; break;
            case SQL_TINYINT:
            case SQL_SMALLINT:
            case SQL_INTEGER:
            case SQL_BIGINT: c.cell = Cell::Integer; break;
            case SQL_NUMERIC:
            case SQL_DECIMAL:
                c.cell = Cell::Numeric;
                c.cType = SQL_C_CHAR;
                c.width = 80;
                return c;
            case SQL_REAL:
            case SQL_FLOAT:
            case SQL_DOUBLE: c.cell = Cell::Double; break;
            case SQL_TYPE_DATE:
            case SQL_TYPE_TIMESTAMP:
            case SQL_DATE:
            case SQL_TIMESTAMP: c.cell = Cell::Timestamp; break;
            case SQL_BINARY:
            case SQL_VARBINARY:
            case SQL_LONGVARBINARY:
                c.cell = Cell::Binary;
                c.cType = SQL_C_BINARY;
                return c;  // read piece by piece
            default: textColumn(c, size); return c;
        }
        switch (c.cell) {
            case Cell::Double: c.cType = SQL_C_DOUBLE, c.width = sizeof(double); break;
            case Cell::Timestamp:
                c.cType = SQL_C_TYPE_TIMESTAMP, c.width = sizeof(SQL_TIMESTAMP_STRUCT);
                break;
            default: c.cType = SQL_C_SBIGINT, c.width = sizeof(qint64); break;
        }
        return c;
    }

    void textColumn(Column& c, SQLULEN size) const {
        c.cell = Cell::Text;
        c.cType = how_.narrowText ? SQL_C_CHAR : SQL_C_WCHAR;
        if (size > 0 && size <= kWidestBoundText)
            c.width =
                how_.narrowText ? SQLLEN(size * 4 + 1) : SQLLEN((size + 1) * sizeof(SQLWCHAR));
    }

    SQLULEN rowsPerFetch() const {
        size_t rowBytes = 0;
        for (const Column& c : columns_) rowBytes += size_t(c.width) + sizeof(SQLLEN);
        return std::clamp<SQLULEN>(SQLULEN(kBufferBudget / std::max<size_t>(rowBytes, 1)), 1,
                                   kMostRowsPerFetch);
    }

    bool fetchBlocks(RowSet& rows) {
        SQLULEN block = rowsPerFetch();
        SQLSetStmtAttr(stmt_, SQL_ATTR_ROW_BIND_TYPE, SQL_BIND_BY_COLUMN, 0);
        SQLSetStmtAttr(stmt_, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(block), 0);
        // The driver may take fewer rows at a time than asked.
        SQLGetStmtAttr(stmt_, SQL_ATTR_ROW_ARRAY_SIZE, &block, 0, nullptr);
        SQLULEN fetched = 0;
        SQLSetStmtAttr(stmt_, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
        for (size_t i = 0; i < columns_.size(); ++i) {
            Column& c = columns_[i];
            c.data.reset(new char[size_t(c.width) * block]);
            c.lengths.assign(block, 0);
            check(SQLBindCol(stmt_, SQLUSMALLINT(i + 1), c.cType, c.data.get(), c.width,
                             c.lengths.data()));
        }
        for (;;) {
            const SQLRETURN r = SQLFetch(stmt_);
            if (r == SQL_NO_DATA) break;
            check(r);
            if (r == SQL_SUCCESS_WITH_INFO && truncated(fetched)) return false;
            for (SQLULEN row = 0; row < fetched; ++row) {
                rows.beginRow();
                for (size_t i = 0; i < columns_.size(); ++i) {
                    const Column& c = columns_[i];
                    add(rows, int(i), c, c.data.get() + size_t(c.width) * row, c.lengths[row]);
                }
                if (stopped(rows)) return true;
            }
        }
        SQLFreeStmt(stmt_, SQL_CLOSE);
        return true;
    }

    // The progress stopped the reading: the rest of the result is dropped.
    bool stopped(RowSet& rows) {
        if (!progress_ || rows.rowCount() % kRowsPerProgress != 0 || progress_(rows.rowCount()))
            return false;
        rows.markCancelled();
        SQLFreeStmt(stmt_, SQL_CLOSE);
        return true;
    }

    bool truncated(SQLULEN fetched) const {
        for (const Column& c : columns_) {
            if (c.cType != SQL_C_CHAR && c.cType != SQL_C_WCHAR) continue;
            const SQLLEN room = c.width - (c.cType == SQL_C_CHAR ? 1 : SQLLEN(sizeof(SQLWCHAR)));
            for (SQLULEN row = 0; row < fetched; ++row)
                if (c.lengths[row] == SQL_NO_TOTAL || c.lengths[row] > room) return true;
        }
        return false;
    }

    // A row at a time, each value asked for in turn (texts of any length).
    void fetchPieces(RowSet& rows) {
        for (;;) {
            const SQLRETURN r = SQLFetch(stmt_);
            if (r == SQL_NO_DATA) break;
            check(r);
            rows.beginRow();
            for (size_t i = 0; i < columns_.size(); ++i) readValue(rows, int(i));
            if (stopped(rows)) return;
        }
        SQLFreeStmt(stmt_, SQL_CLOSE);
    }

    void readValue(RowSet& rows, int i) {
        const Column& c = columns_[size_t(i)];
        const SQLUSMALLINT column = SQLUSMALLINT(i + 1);
        if (c.cType != SQL_C_CHAR && c.cType != SQL_C_WCHAR && c.cType != SQL_C_BINARY) {
            alignas(8) char value[sizeof(SQL_TIMESTAMP_STRUCT) + sizeof(double)] = {};
            SQLLEN length = 0;
            check(SQLGetData(stmt_, column, c.cType, value, sizeof value, &length));
            return add(rows, i, c, value, length);
        }
        // Pieces until the whole value is in; each text piece ends in a terminator.
        const SQLLEN terminator =
            c.cType == SQL_C_WCHAR ? SQLLEN(sizeof(SQLWCHAR)) : (c.cType == SQL_C_CHAR ? 1 : 0);
        std::vector<char> whole;
        char piece[8192];
        for (;;) {
            SQLLEN length = 0;
            const SQLRETURN r = SQLGetData(stmt_, column, c.cType, piece, sizeof piece, &length);
            if (r == SQL_NO_DATA) break;
            check(r);
            if (length == SQL_NULL_DATA) return rows.addNull(i);
            const bool more = length == SQL_NO_TOTAL || length > SQLLEN(sizeof piece) - terminator;
            const SQLLEN got = more ? SQLLEN(sizeof piece) - terminator : length;
            whole.insert(whole.end(), piece, piece + got);
            if (!more) break;
        }
        add(rows, i, c, whole.data(), SQLLEN(whole.size()));
    }

    void add(RowSet& rows, int i, const Column& c, const char* value, SQLLEN length) const {
        if (length == SQL_NULL_DATA) return rows.addNull(i);
        switch (c.cell) {
            case Cell::Integer: {
                qint64 n = 0;
                std::memcpy(&n, value, sizeof n);
                if (c.scale >= 0) return rows.addDecimal(i, Decimal(n));
                return rows.addInteger(i, n);
            }
            case Cell::Bit: {
                qint64 n = 0;
                std::memcpy(&n, value, sizeof n);
                return rows.addVariant(i, QVariant(n != 0));
            }
            case Cell::Double: {
                double d = 0;
                std::memcpy(&d, value, sizeof d);
                if (c.scale >= 0) return rows.addDecimal(i, Decimal::fromDouble(d, c.scale));
                return rows.addReal(i, d);
            }
            case Cell::Timestamp: {
                SQL_TIMESTAMP_STRUCT t{};
                std::memcpy(&t, value, sizeof t);
                bool valid = false;
                const qint64 ms = timestampMSecs(t, &valid);
                return valid ? rows.addDateMSecs(i, ms) : rows.addNull(i);
            }
            case Cell::Numeric:
                return addNumeric(rows, i, c, std::string_view(value, size_t(length)));
            case Cell::DateText: {
                const qint64 ms = DateTextMSecs(value, int(length));
                if (ms != kNoDate) return rows.addDateMSecs(i, ms);
                const QString text = QString::fromUtf8(value, qsizetype(length));
                const QDateTime date = SqliteDateFromText(text);
                return date.isValid() ? rows.addDate(i, date) : rows.addText(i, text);
            }
            case Cell::Binary: return rows.addVariant(i, QByteArray(value, qsizetype(length)));
            case Cell::Text:
                if (c.cType == SQL_C_CHAR) return rows.addUtf8(i, value, qsizetype(length));
                return rows.addText(i, wideText(reinterpret_cast<const SQLWCHAR*>(value), length));
        }
    }

    // Exact at the column's scale; without one, the exact text or a double
    // as the driver's reading would have given it.
    void addNumeric(RowSet& rows, int i, const Column& c, std::string_view text) const {
        if (c.scale >= 0) {
            if (const auto d = exactDecimal(text)) return rows.addDecimal(i, d->round(c.scale));
            return rows.addText(i, QString::fromLatin1(text.data(), qsizetype(text.size())));
        }
        if (how_.numericText)
            return rows.addText(i, QString::fromLatin1(text.data(), qsizetype(text.size())));
        double d = 0;
        std::from_chars(text.data(), text.data() + text.size(), d);
        rows.addReal(i, d);
    }

    SQLHANDLE stmt_;
    const OdbcReading& how_;
    const RowProgress& progress_;
    const std::function<void(SQLHANDLE)>& refuse_;
    std::vector<Column> columns_;
    QStringList names_;
};

}  // namespace

OdbcDiagnostic FirstDiagnostic(SQLSMALLINT handleType, SQLHANDLE handle) {
    OdbcDiagnostic d;
    SQLWCHAR state[6] = {}, text[1024] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    if (!handle || !SQL_SUCCEEDED(SQLGetDiagRecW(handleType, handle, 1, state, &native, text,
                                                 SQLSMALLINT(std::size(text)), &length)))
        return d;
    d.found = true;
    d.state = wideText(state, 5 * SQLLEN(sizeof(SQLWCHAR)));
    d.native = native;
    d.text =
        wideText(text, SQLLEN(std::min<SQLSMALLINT>(length, SQLSMALLINT(std::size(text) - 1))) *
                           SQLLEN(sizeof(SQLWCHAR)));
    return d;
}

RowSet ReadOdbcRows(SQLHANDLE connection, const QString& statement, const OdbcReading& how,
                    const RowProgress& progress, const std::function<void(SQLHANDLE)>& refuse) {
    StatementHandle stmt;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, connection, &stmt.handle))) {
        stmt.handle = SQL_NULL_HSTMT;
        refuse(SQL_NULL_HSTMT);
    }
    Reader reader(stmt.handle, how, progress, refuse);
    reader.execute(statement);
    RowSet rows;
    rows.setColumns(reader.names());
    if (reader.readInBlocks(rows)) return rows;
    reader.restart(statement);
    rows.setColumns(reader.names());
    reader.readPieces(rows);
    return rows;
}

}  // namespace pcp
