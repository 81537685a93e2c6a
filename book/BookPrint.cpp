#include "book/BookPrint.h"

#include <QDateTime>

#include "data/ModulePath.h"
#include "data/Values.h"

namespace pcp {

namespace {

// The names the definition gives the columns of each view.
const QStringList& lineColumns() {
    static const QStringList names{QStringLiteral("Date"),          QStringLiteral("VoucherNo"),
                                   QStringLiteral("Reference"),     QStringLiteral("Payee"),
                                   QStringLiteral("Department"),    QStringLiteral("CashAccount"),
                                   QStringLiteral("AccountCode"),   QStringLiteral("AccountName"),
                                   QStringLiteral("Description"),   QStringLiteral("Currency"),
                                   QStringLiteral("Amount"),        QStringLiteral("Rate"),
                                   QStringLiteral("CashCurrency"),  QStringLiteral("CashAmount"),
                                   QStringLiteral("CompanyAmount"), QStringLiteral("Cancelled"),
                                   QStringLiteral("Posted")};
    return names;
}

const QStringList& summaryColumns() {
    static const QStringList names{QStringLiteral("GroupKey"),      QStringLiteral("GroupName"),
                                   QStringLiteral("GroupCurrency"), QStringLiteral("GroupLines"),
                                   QStringLiteral("GroupTotal"),    QStringLiteral("GroupCompany")};
    return names;
}

QString keyCaption(BookView view) {
    switch (view) {
        case BookView::ByAccount: return QStringLiteral("Account");
        case BookView::ByDepartment: return QStringLiteral("Department");
        case BookView::ByPayee: return QStringLiteral("Payee");
        case BookView::Lines: break;
    }
    return QString();
}

// Rows of a row set under the names of its view, after the row kind.
void addRows(ReportData& data, const RowSet& rows, const QString& kind, int offset, int company,
             const std::vector<bool>& notCounted) {
    const int width = int(data.columns.size());
    for (int r = 0; r < rows.rowCount(); ++r) {
        QVariantList row;
        row.reserve(width);
        row << kind;
        for (int c = 1; c < width; ++c) row << NullValue();
        for (int c = 0; c < rows.columnCount(); ++c) row[offset + c] = rows.value(r, c);
        const bool counted =
            kind != u"total" && !(size_t(r) < notCounted.size() && notCounted[size_t(r)]);
        if (counted) row[width - 1] = rows.value(r, company);
        data.rows.push_back(std::move(row));
    }
}

}  // namespace

QString BookReportFile() {
    return ModuleFolder() + QStringLiteral("/reports/rptPCPaymentBook.rpt");
}

ReportDocument BookReportDocument(const PaymentBook& book, BookView view,
                                  const BookPrintHeading& heading, const QString& definitionFile) {
    ReportDocument doc;
    doc.definition = ReportDefinition::Load(definitionFile);
    doc.printed = QDateTime::currentDateTime();
    doc.request.title = heading.title;
    doc.parameters[QStringLiteral("strcompany")] = book.companyName;
    doc.parameters[QStringLiteral("strcompanycurrency")] = book.companyCurrency;
    doc.parameters[QStringLiteral("strtitle")] = heading.title;
    doc.parameters[QStringLiteral("strfilters")] = heading.filters.join(QStringLiteral("   "));
    doc.parameters[QStringLiteral("strusername")] = heading.userName;
    doc.parameters[QStringLiteral("strview")] =
        view == BookView::Lines ? QStringLiteral("lines") : QStringLiteral("summary");
    doc.parameters[QStringLiteral("strkeycaption")] = keyCaption(view);

    const bool lines = view == BookView::Lines;
    ReportData& data = doc.data;
    data.columns << QStringLiteral("RowKind") << lineColumns() << summaryColumns()
                 << QStringLiteral("Counted");
    const int offset = lines ? 1 : 1 + int(lineColumns().size());
    const int company = lines ? int(BookColumn::kCompany) : int(SummaryColumn::kCompany);
    if (const std::shared_ptr<RowSet>& rows = book.view(view))
        addRows(data, *rows, lines ? QStringLiteral("line") : QStringLiteral("summary"), offset,
                company, lines ? book.cancelled : std::vector<bool>());
    addRows(data, BookFoot(book, view), QStringLiteral("total"), offset, company, {});
    return doc;
}

}  // namespace pcp
