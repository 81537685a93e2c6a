#include "report/TableExport.h"

#include <xlsxwriter.h>

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QStringEncoder>
#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "data/Values.h"

namespace pcp {

namespace {

constexpr int kProgressStep = 500;          // rows between two calls of the progress
constexpr qsizetype kCsvBlock = 1 << 20;    // bytes gathered before each write
constexpr qsizetype kMaxCellText = 32'767;  // the most characters a sheet's cell holds
constexpr int kMaxSheetName = 31;           // and a sheet's name
constexpr double kMaxColumnWidth = 60;      // characters
constexpr qint64 kMsPerDay = 86'400'000;
constexpr qint64 kJulianDayOf1970 = 2'440'588;

ExportOutcome failed(const QString& path, const QString& why) {
    return {ExportResult::Failed, QStringLiteral("The file '%1' could not be written: %2")
                                      .arg(QDir::toNativeSeparators(path), why)};
}

// False once the progress, asked every kProgressStep rows, says stop.
bool goOn(const ExportProgress& progress, int rowsDone) {
    return !progress || rowsDone % kProgressStep != 0 || progress(rowsDone);
}

// A day and clock time kept as milliseconds since 1970 of the wall clock read as UTC.
struct WallTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
    bool midnight() const { return hour == 0 && minute == 0 && second == 0 && msec == 0; }
};

WallTime wallTime(qint64 msecs) {
    qint64 days = msecs / kMsPerDay, rest = msecs % kMsPerDay;
    if (rest < 0) rest += kMsPerDay, --days;
    WallTime t;
    QDate::fromJulianDay(kJulianDayOf1970 + days).getDate(&t.year, &t.month, &t.day);
    t.hour = int(rest / 3'600'000);
    t.minute = int(rest / 60'000 % 60);
    t.second = int(rest / 1000 % 60);
    t.msec = int(rest % 1000);
    return t;
}

qint64 wallMSecs(const QVariant& date) {
    return WallClock(date.toDateTime()).toMSecsSinceEpoch();
}

char* twoDigits(char* out, int n) {
    *out++ = char('0' + n / 10 % 10);
    *out++ = char('0' + n % 10);
    return out;
}

// "yyyy-mm-dd", and " hh:mm:ss" when the time is not midnight; the end of the text.
char* isoDate(char* out, const WallTime& t) {
    if (t.year >= 0 && t.year <= 9999)
        out = twoDigits(twoDigits(out, t.year / 100), t.year % 100);
    else
        out = std::to_chars(out, out + 12, t.year).ptr;
    *out++ = '-';
    out = twoDigits(out, t.month);
    *out++ = '-';
    out = twoDigits(out, t.day);
    if (t.midnight()) return out;
    *out++ = ' ';
    out = twoDigits(out, t.hour);
    *out++ = ':';
    out = twoDigits(out, t.minute);
    *out++ = ':';
    return twoDigits(out, t.second);
}

bool startsLikeFormula(QStringView text) {
    if (text.isEmpty()) return false;
    const char16_t c = text.front().unicode();
    return c == u'=' || c == u'+' || c == u'-' || c == u'@' || c == u'\t' || c == u'\r';
}

// ---------------------------------------------------------------------------
// CSV

// The lines of a CSV file, gathered in blocks and written to a QSaveFile.
class CsvWriter {
  public:
    explicit CsvWriter(QSaveFile& file) : file_(file) {
        out_.reserve(kCsvBlock + 4096);
        out_ += "\xEF\xBB\xBF";
    }

    // One field of text: an apostrophe before what a spreadsheet would run,
    // quoted when it holds a comma, a quote or a line break.
    void text(QStringView text) {
        const bool quoted = needsQuotes(text);
        if (quoted) out_ += '"';
        if (startsLikeFormula(text)) out_ += '\'';
        if (!quoted) return utf8(text);
        for (qsizetype from = 0;;) {
            const qsizetype quote = text.indexOf(u'"', from);
            utf8(text.mid(from, quote < 0 ? text.size() - from : quote - from));
            if (quote < 0) break;
            out_ += "\"\"";
            from = quote + 1;
        }
        out_ += '"';
    }
    void integer(qint64 n) {
        char buf[24];
        out_.append(buf, std::to_chars(buf, buf + sizeof buf, n).ptr - buf);
    }
    void decimal(const Decimal& value, const QString& pattern) {
        number(pattern.isEmpty() ? value.toString() : Format(value, pattern));
    }
    // A number's text: no comma, nothing to guard.
    void number(QStringView text) { utf8(text); }
    void date(qint64 msecs) {
        char buf[32];
        out_.append(buf, isoDate(buf, wallTime(msecs)) - buf);
    }
    void comma() { out_ += ','; }
    // Ends the line; false when the file took no more.
    bool endLine() {
        out_ += "\r\n";
        return out_.size() < kCsvBlock || flush();
    }
    bool flush() {
        const bool written = file_.write(out_) == out_.size();
        out_.clear();
        return written;
    }

  private:
    static bool needsQuotes(QStringView text) {
        for (QChar c : text)
            if (c == u',' || c == u'"' || c == u'\r' || c == u'\n') return true;
        return false;
    }
    void utf8(QStringView text) {
        const qsizetype at = out_.size();
        out_.resize(at + encoder_.requiredSpace(text.size()));
        out_.truncate(encoder_.appendToBuffer(out_.data() + at, text) - out_.constData());
    }

    QSaveFile& file_;
    QByteArray out_;
    QStringEncoder encoder_{QStringEncoder::Utf8, QStringEncoder::Flag::Stateless};
};

// Each column's pattern as the CSV writes it: without thousands separators.
std::vector<QString> csvPatterns(const QStringList& patterns, int columns) {
    std::vector<QString> plain;
    for (int col = 0; col < columns; ++col) plain.push_back(patterns.value(col).remove(u','));
    return plain;
}

void csvCell(CsvWriter& csv, const RowSet& set, int row, int col, const QString& pattern) {
    const RowSet::Column& c = set.column(col);
    const size_t r = size_t(row);
    if (c.nulls[r]) return;
    switch (c.type) {
        case ColumnType::Integer: return csv.integer(c.numbers[r]);
        case ColumnType::Decimal: return csv.decimal(Decimal::fromUnits(c.numbers[r]), pattern);
        case ColumnType::Date: return csv.date(c.numbers[r]);
        case ColumnType::Text: return csv.text(c.textAt(r));
        default: break;
    }
    // Values of several types: each written by its own type's rule.
    const QVariant v = set.value(row, col);
    if (v.metaType() == QMetaType::fromType<Decimal>())
        return csv.decimal(v.value<Decimal>(), pattern);
    if (v.typeId() == QMetaType::QDateTime) return csv.date(wallMSecs(v));
    if (IsNumberValue(v)) return csv.number(Text(v));
    csv.text(Text(v));
}

bool csvLine(CsvWriter& csv, QStringView text) {
    csv.text(text);
    return csv.endLine();
}

bool csvRow(CsvWriter& csv, const RowSet& set, int row, const std::vector<QString>& patterns) {
    for (int col = 0; col < set.columnCount(); ++col) {
        if (col) csv.comma();
        csvCell(csv, set, row, col, patterns[size_t(col)]);
    }
    return csv.endLine();
}

// ---------------------------------------------------------------------------
// XLSX

enum Style { kPlain, kRed, kBold, kStyles };
using StyledFormats = std::array<lxw_format*, kStyles>;

// The cells' formats, one per number format and style, each made once.
class Formats {
  public:
    explicit Formats(lxw_workbook* book) : book_(book) {}
    StyledFormats styled(const std::string& numFormat) {
        return {get(numFormat, kPlain), get(numFormat, kRed), get(numFormat, kBold)};
    }

  private:
    lxw_format* get(const std::string& numFormat, Style style) {
        if (numFormat.empty() && style == kPlain) return nullptr;
        lxw_format*& format = made_[{numFormat, style}];
        if (format) return format;
        format = workbook_add_format(book_);
        if (!numFormat.empty()) format_set_num_format(format, numFormat.c_str());
        if (style == kRed) format_set_font_color(format, LXW_COLOR_RED);
        if (style == kBold) format_set_bold(format);
        return format;
    }

    lxw_workbook* book_;
    std::map<std::pair<std::string, int>, lxw_format*> made_;
};

// A column's decimals in the sheet: grouped thousands and the pattern's
// places ("0.000000" → "#,##0.000000"), an amount's "0.00#" when it names none.
std::string decimalFormat(const QString& pattern) {
    const QString p = pattern.isEmpty() ? QStringLiteral("0.00#") : pattern;
    const qsizetype dot = p.indexOf(u'.');
    std::string decimals;
    for (QChar c : QStringView(p).mid(dot < 0 ? p.size() : dot + 1))
        if (c == u'0' || c == u'#') decimals += char(c.unicode());
    return decimals.empty() ? std::string("#,##0") : "#,##0." + decimals;
}

int digitCount(quint64 n) {
    int digits = 1;
    for (; n >= 10; n /= 10) ++digits;
    return digits;
}

// About the characters "#,##0.00#" shows for the value.
int groupedLength(const Decimal& value, int places) {
    const qint64 units = value.units();
    const int whole = digitCount((units < 0 ? quint64(0) - quint64(units) : quint64(units)) /
                                 quint64(Decimal::kOne));
    return (units < 0 ? 1 : 0) + whole + (whole - 1) / 3 + (places ? places + 1 : 0);
}

// Excel reads "_x0041_" in a cell's text as "A", and a NUL would end the
// text handed over: both are written as escapes of their own.
bool escapeAt(QStringView text, qsizetype i) {
    if (text[i] == u'\0') return true;
    if (text[i] != u'_' || i + 6 >= text.size() || (text[i + 1] != u'x' && text[i + 1] != u'X'))
        return false;
    for (qsizetype k = i + 2; k < i + 6; ++k)
        if (!isxdigit(text[k].unicode() < 128 ? text[k].unicode() : 0)) return false;
    return text[i + 6] == u'_';
}

// The text a cell keeps: escapes escaped, and at most what a cell holds.
QString keptText(QStringView text) {
    if (text.size() > kMaxCellText)
        text.truncate(text[kMaxCellText - 1].isHighSurrogate() ? kMaxCellText - 1 : kMaxCellText);
    QString kept;
    kept.reserve(text.size() + 14);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!escapeAt(text, i))
            kept += text[i];
        else
            kept += text[i] == u'\0' ? u"_x0000_" : u"_x005F_";
    }
    return kept;
}

bool needsKeeping(QStringView text) {
    return text.size() > kMaxCellText || text.contains(u'\0') ||
           text.contains(u"_x", Qt::CaseInsensitive);
}

// The title as a sheet's name: without the characters a name may not hold,
// not starting or ending with an apostrophe, at most 31 characters.
QString sheetName(const QString& title) {
    QString name;
    for (QChar c : title)
        if (c.unicode() >= 0x20 && !QStringView(u"[]:*?/\\").contains(c)) name += c;
    const auto tidy = [&name] {
        name = name.trimmed();
        while (name.startsWith(u'\'') || name.endsWith(u'\'')) {
            name.remove(name.startsWith(u'\'') ? 0 : name.size() - 1, 1);
            name = name.trimmed();
        }
    };
    tidy();
    if (name.size() > kMaxSheetName) {
        name.truncate(name[kMaxSheetName - 1].isHighSurrogate() ? kMaxSheetName - 1
                                                                : kMaxSheetName);
        tidy();
    }
    if (name.isEmpty()) return QStringLiteral("Sheet1");
    // Excel keeps "History" for a sheet of its own.
    if (name.compare(u"History", Qt::CaseInsensitive) == 0) name += u" 1";
    return name;
}

// The one sheet, written row after row (libxlsxwriter's constant memory
// mode keeps only the current row).
class XlsxSheet {
  public:
    XlsxSheet(lxw_workbook* book, const ExportTable& table, int columns);
    bool opened() const { return sheet_ != nullptr; }
    lxw_error error() const { return error_; }

    // The title in bold, the heading lines, an empty row, the captions in
    // bold, frozen above the rows to come and filtering them.
    void head(const ExportTable& table, int dataRows);
    void cells(const RowSet& set, int row, Style style);
    // Widths by the contents.
    void finish();

  private:
    void cell(const RowSet& set, int row, int col, Style style);
    void text(int col, QStringView text, lxw_format* format);
    void integer(int col, qint64 value, Style style);
    void real(int col, double value, Style style);
    void decimal(int col, const Decimal& value, Style style);
    void date(int col, qint64 msecs, Style style);
    void note(lxw_error error) {
        if (!error_) error_ = error;
        if (error) fprintf(stderr, "DBG err %d row %u\n", int(error), unsigned(row_));
    }
    void widen(int col, qsizetype length) {
        double& width = widths_[size_t(col)];
        width = std::max(width, double(length));
    }

    lxw_worksheet* sheet_ = nullptr;
    Formats formats_;
    StyledFormats text_, integer_, real_, date_, dateTime_;
    std::vector<StyledFormats> decimals_;  // per column
    std::vector<int> places_;              // the decimals each column shows
    std::vector<double> widths_;           // in characters
    lxw_row_t row_ = 0;                    // the next row written
    lxw_row_t captionRow_ = 0;
    lxw_error error_ = LXW_NO_ERROR;  // the first write that failed
    std::string utf8_;
    QStringEncoder encoder_{QStringEncoder::Utf8, QStringEncoder::Flag::Stateless};
};

XlsxSheet::XlsxSheet(lxw_workbook* book, const ExportTable& table, int columns)
    : formats_(book), widths_(size_t(columns), 0.0) {
    sheet_ = workbook_add_worksheet(book, sheetName(table.title).toUtf8().constData());
    text_ = formats_.styled({});
    integer_ = formats_.styled("0");
    real_ = formats_.styled({});
    date_ = formats_.styled("dd/mm/yyyy");
    dateTime_ = formats_.styled("dd/mm/yyyy hh:mm:ss");
    for (int col = 0; col < columns; ++col) {
        const std::string format = decimalFormat(table.patterns.value(col));
        decimals_.push_back(formats_.styled(format));
        const size_t point = format.find('.');
        places_.push_back(point == std::string::npos ? 0 : int(format.size() - point - 1));
    }
}

void XlsxSheet::head(const ExportTable& table, int dataRows) {
    text(0, table.title, text_[kBold]);
    ++row_;
    for (const QString& line : table.heading) {
        text(0, line, text_[kPlain]);
        ++row_;
    }
    captionRow_ = ++row_;
    worksheet_freeze_panes(sheet_, captionRow_ + 1, 0);
    // Constant memory takes no range above the current row: set while at the captions.
    if (!widths_.empty())
        note(worksheet_autofilter(sheet_, captionRow_, 0, captionRow_ + lxw_row_t(dataRows),
                                  lxw_col_t(widths_.size() - 1)));
    for (int col = 0; col < table.captions.size(); ++col) {
        text(col, table.captions[col], text_[kBold]);
        widen(col, table.captions[col].size() + 3);  // and the filter's button
    }
    ++row_;
}

void XlsxSheet::cells(const RowSet& set, int row, Style style) {
    for (int col = 0; col < set.columnCount(); ++col) cell(set, row, col, style);
    ++row_;
}

void XlsxSheet::cell(const RowSet& set, int row, int col, Style style) {
    const RowSet::Column& c = set.column(col);
    const size_t r = size_t(row);
    if (c.nulls[r]) return;
    switch (c.type) {
        case ColumnType::Integer: return integer(col, c.numbers[r], style);
        case ColumnType::Real: return real(col, c.reals[r], style);
        case ColumnType::Decimal: return decimal(col, Decimal::fromUnits(c.numbers[r]), style);
        case ColumnType::Date: return date(col, c.numbers[r], style);
        case ColumnType::Text:
            widen(col, c.textAt(r).size());
            return text(col, c.textAt(r), text_[style]);
        default: break;
    }
    // Values of several types: each written by its own type's rule.
    const QVariant v = set.value(row, col);
    if (v.metaType() == QMetaType::fromType<Decimal>())
        return decimal(col, v.value<Decimal>(), style);
    if (v.typeId() == QMetaType::QDateTime) return date(col, wallMSecs(v), style);
    if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float)
        return real(col, v.toDouble(), style);
    if (IsNumberValue(v)) return integer(col, v.toLongLong(), style);
    const QString shown = Text(v);
    widen(col, shown.size());
    text(col, shown, text_[style]);
}

void XlsxSheet::text(int col, QStringView text, lxw_format* format) {
    const QString kept = needsKeeping(text) ? keptText(text) : QString();
    const QStringView t = kept.isNull() ? text : QStringView(kept);
    utf8_.resize(size_t(encoder_.requiredSpace(t.size())) + 1);
    *encoder_.appendToBuffer(utf8_.data(), t) = '\0';
    note(worksheet_write_string(sheet_, row_, lxw_col_t(col), utf8_.data(), format));
}

void XlsxSheet::integer(int col, qint64 value, Style style) {
    // A double holds every whole number up to 2^53; beyond, the digits go as text.
    constexpr qint64 kExact = qint64(1) << 53;
    const QString digits = value > -kExact && value < kExact ? QString() : QString::number(value);
    widen(col,
          digits.isNull() ? digitCount(quint64(std::abs(value))) + (value < 0) : digits.size());
    if (!digits.isNull()) return text(col, digits, text_[style]);
    note(worksheet_write_number(sheet_, row_, lxw_col_t(col), double(value), integer_[style]));
}

void XlsxSheet::real(int col, double value, Style style) {
    const QString shown = NumberText(value);
    widen(col, shown.size());
    if (!std::isfinite(value)) return text(col, shown, text_[style]);
    note(worksheet_write_number(sheet_, row_, lxw_col_t(col), value, real_[style]));
}

void XlsxSheet::decimal(int col, const Decimal& value, Style style) {
    widen(col, groupedLength(value, places_[size_t(col)]));
    note(worksheet_write_number(sheet_, row_, lxw_col_t(col), value.toDouble(),
                                decimals_[size_t(col)][style]));
}

void XlsxSheet::date(int col, qint64 msecs, Style style) {
    const WallTime t = wallTime(msecs);
    if (t.year < 1900 || t.year > 9999) {  // no date of a sheet: the day as text
        char buf[32];
        const QString shown = QString::fromLatin1(buf, isoDate(buf, t) - buf);
        widen(col, shown.size());
        return text(col, shown, text_[style]);
    }
    lxw_datetime when{t.year, t.month, t.day, t.hour, t.minute, t.second + t.msec / 1000.0};
    widen(col, t.midnight() ? 10 : 19);
    note(worksheet_write_datetime(sheet_, row_, lxw_col_t(col), &when,
                                  (t.midnight() ? date_ : dateTime_)[style]));
}

void XlsxSheet::finish() {
    for (lxw_col_t col = 0; col < lxw_col_t(widths_.size()); ++col)
        note(worksheet_set_column(sheet_, col, col,
                                  std::clamp(widths_[col] + 2, LXW_DEF_COL_WIDTH, kMaxColumnWidth),
                                  nullptr));
}

struct WorkbookFree {
    void operator()(lxw_workbook* book) const { lxw_workbook_free(book); }
};

// A file beside the target under a name of its own, removed unless it
// replaced the target.
class SideFile {
  public:
    explicit SideFile(const QString& target) : target_(target) {}
    ~SideFile() {
        if (!name_.isEmpty() && !moved_) QFile::remove(name_);
    }
    QByteArray name() const { return QFile::encodeName(name_); }

    // Made now, empty, so that a folder that takes no file says so at once.
    bool create(QString* why) {
        QFile file;
        do {
            file.setFileName(
                QStringLiteral("%1.%2.tmp")
                    .arg(target_, QString::number(QRandomGenerator::global()->generate(), 36)));
        } while (file.exists());
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            *why = file.errorString();
            return false;
        }
        name_ = file.fileName();
        if (QFile::exists(target_)) file.setPermissions(QFile::permissions(target_));
        return true;
    }
    // Replaces the target at once (rename), or leaves it as it was.
    bool moveOver(QString* why) {
        if (std::rename(name().constData(), QFile::encodeName(target_).constData()) != 0) {
            *why = qt_error_string(errno);
            return false;
        }
        moved_ = true;
        return true;
    }

  private:
    QString target_;
    QString name_;
    bool moved_ = false;
};

QString lxwText(lxw_error error) {
    return QString::fromUtf8(lxw_strerror(error));
}

ExportOutcome sheetTooSmall(const QString& path, int rows, int columns) {
    if (rows > int(LXW_ROW_MAX))
        return failed(path, QStringLiteral("a sheet holds at most %1 rows").arg(LXW_ROW_MAX));
    if (columns > int(LXW_COL_MAX))
        return failed(path, QStringLiteral("a sheet holds at most %1 columns").arg(LXW_COL_MAX));
    return {};
}

const QString kFolderInTheWay = QStringLiteral("a folder of that name is in the way");

}  // namespace

ExportOutcome WriteCsv(const ExportTable& table, const QString& path,
                       const ExportProgress& progress) {
    if (QFileInfo(path).isDir()) return failed(path, kFolderInTheWay);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return failed(path, file.errorString());
    CsvWriter csv(file);
    bool ok = csvLine(csv, table.title);
    for (const QString& line : table.heading) ok = ok && csvLine(csv, line);
    ok = ok && csv.endLine();
    for (qsizetype col = 0; ok && col < table.captions.size(); ++col) {
        if (col) csv.comma();
        csv.text(table.captions[col]);
    }
    ok = ok && csv.endLine();
    const int columns =
        std::max(table.rows ? table.rows->columnCount() : 0, table.foot.columnCount());
    const std::vector<QString> patterns = csvPatterns(table.patterns, columns);
    const int rows = table.rows ? table.rows->rowCount() : 0;
    for (int row = 0; ok && row < rows; ++row) {
        ok = csvRow(csv, *table.rows, row, patterns);
        if (!goOn(progress, row + 1)) {
            file.cancelWriting();
            return {ExportResult::Cancelled, {}};
        }
    }
    for (int row = 0; ok && row < table.foot.rowCount(); ++row)
        ok = csvRow(csv, table.foot, row, patterns);
    if (!ok || !csv.flush() || !file.commit()) return failed(path, file.errorString());
    return {};
}

ExportOutcome WriteXlsx(const ExportTable& table, const QString& path,
                        const ExportProgress& progress) {
    const int rows = table.rows ? table.rows->rowCount() : 0;
    const int columns =
        std::max({int(table.captions.size()), table.rows ? table.rows->columnCount() : 0,
                  table.foot.columnCount()});
    const qint64 lines = 3 + table.heading.size() + qint64(rows) + table.foot.rowCount();
    if (ExportOutcome refused = sheetTooSmall(path, int(std::min<qint64>(lines, INT_MAX)), columns);
        refused.result == ExportResult::Failed)
        return refused;
    if (QFileInfo(path).isDir()) return failed(path, kFolderInTheWay);
    SideFile temp(path);
    QString why;
    if (!temp.create(&why)) return failed(path, why);

    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    std::unique_ptr<lxw_workbook, WorkbookFree> book(
        workbook_new_opt(temp.name().constData(), &options));
    if (!book) return failed(path, lxwText(LXW_ERROR_MEMORY_MALLOC_FAILED));
    XlsxSheet sheet(book.get(), table, columns);
    if (!sheet.opened()) return failed(path, lxwText(LXW_ERROR_MEMORY_MALLOC_FAILED));
    sheet.head(table, rows);
    for (int row = 0; row < rows && !sheet.error(); ++row) {
        const bool red = size_t(row) < table.red.size() && table.red[size_t(row)];
        sheet.cells(*table.rows, row, red ? kRed : kPlain);
        if (!goOn(progress, row + 1)) return {ExportResult::Cancelled, {}};
    }
    for (int row = 0; row < table.foot.rowCount(); ++row) sheet.cells(table.foot, row, kBold);
    sheet.finish();
    if (sheet.error()) return failed(path, lxwText(sheet.error()));
    errno = 0;
    if (const lxw_error closed = workbook_close(book.release()))
        return failed(path, errno ? qt_error_string(errno) : lxwText(closed));
    if (!temp.moveOver(&why)) return failed(path, why);
    return {};
}

}  // namespace pcp
