#pragma once
// A table as an accountant files it: a spreadsheet (CSV or XLSX) of the rows
// a window shows, with the lines that say what was asked written above them
// and the totals at the foot. Cells keep their types to the file: dates stay
// dates and amounts exact decimals. A text that a spreadsheet would run as a
// formula arrives as text. The file appears whole or not at all: it is
// written beside the target under another name and renamed at the end.

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "data/RowSet.h"

namespace pcp {

struct ExportTable {
    QString title;         // the sheet's name and the first line ("Payments by account")
    QStringList heading;   // lines above the rows: company, period, filters
    QStringList captions;  // one per column of rows and foot
    // How the decimals of each column are written, as the module's patterns
    // ("0.00#" for amounts, "0.000000" for rates); empty for plain text.
    QStringList patterns;
    const RowSet* rows = nullptr;  // typed cells, one column per caption
    std::vector<bool> red;         // the rows shown in red (cancelled); may be empty
    RowSet foot;                   // the totals under the rows, the same columns
};

// Called every few hundred rows with the rows written so far; false stops
// the export (nothing is left behind).
using ExportProgress = std::function<bool(int rowsDone)>;

enum class ExportResult { Written, Cancelled, Failed };
struct ExportOutcome {
    ExportResult result = ExportResult::Written;
    QString message;  // for Failed: names the file and says why
};

// UTF-8 with a byte-order mark, commas, RFC 4180 quoting, dates yyyy-mm-dd,
// decimals as plain text with a point at the column's pattern, without
// grouping. A text beginning with =, +, -, @, a tab or a carriage return
// gets a leading apostrophe.
ExportOutcome WriteCsv(const ExportTable& table, const QString& path,
                       const ExportProgress& progress = {});

// One sheet: the heading lines, then the captions (frozen, with a filter),
// the rows (dates as dates, decimals as numbers in "#,##0.00#" or the
// column's pattern, red rows in red) and the foot in bold. Texts are
// always strings, never formulas.
ExportOutcome WriteXlsx(const ExportTable& table, const QString& path,
                        const ExportProgress& progress = {});

}  // namespace pcp
