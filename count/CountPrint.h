#pragma once
// The replenishment request of a saved count as it prints: the float, the
// count by denomination, the difference and its explanation, the vouchers
// covered with their totals per debit account, the amount to replenish in
// figures and in words, and the signatures. Laid out by the report engine
// from reports/rptPCReplenishment.rpt beside the module, in the preview
// window from which it prints or becomes a PDF.

#include <QString>

#include "report/ReportDocument.h"
#include "store/CashCount.h"

class QWidget;

namespace pcp {

QString ReplenishmentReportFile();

// The document of a count, laid out by the definition in `definitionFile`.
ReportDocument ReplenishmentDocument(const CashCount::CountRecord& count,
                                     const QString& definitionFile);

// Reads the count and opens its request in the preview window, owned by
// `owner`; tells the user when the count is no longer stored.
void PrintReplenishment(QWidget* owner, qint32 countId);

}  // namespace pcp
