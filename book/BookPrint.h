#pragma once
// The payments book as it prints: the rows of the view shown and its totals,
// handed to the report engine with the book's own report definition
// (reports/rptPCPaymentBook.rpt beside the module), which lays them out with
// the heading, "Page n of m" and the total carried from page to page. The
// rows come from the book already read, so the print shows what the window
// shows.

#include <QString>
#include <QStringList>

#include "report/ReportDocument.h"
#include "store/PaymentBook.h"

namespace pcp {

struct BookPrintHeading {
    QString title;        // "Payments Book", "Payments by account"
    QStringList filters;  // the period and the filters, one line each
    QString userName;     // who prints
};

// The report definition the book prints with.
QString BookReportFile();

// The document of one view of the book, laid out by the definition in
// `definitionFile`. The column "Counted" holds each row's value in the
// company's currency when it counts in the totals (cancelled lines do not):
// it is what each page carries forward.
ReportDocument BookReportDocument(const PaymentBook& book, BookView view,
                                  const BookPrintHeading& heading, const QString& definitionFile);

}  // namespace pcp
