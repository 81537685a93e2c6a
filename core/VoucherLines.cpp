#include "VoucherLines.h"

#include "BasModule.h"
#include "Values.h"
#include "ui/ListView.h"

namespace pcp {

Decimal ConvertedLine(const ListView* lines, int index, const Decimal& accountRate) {
    const Decimal amount = CDec(lines->columnValue(index, LineColumn::kAmount));
    const Decimal lineRate = CDec(lines->columnValue(index, LineColumn::kRate));
    return BasModule::ConvertAmount(amount, lineRate, accountRate);
}

Decimal LinesTotal(const ListView* lines, const QString& accountRateText) {
    Decimal total;
    if (lines->count() == 0) return total;
    const Decimal accountRate = CDec(accountRateText);
    for (int i = 1; i <= lines->count(); ++i) total += ConvertedLine(lines, i, accountRate);
    return total;
}

QString AmountText(const Decimal& amount) {
    return Format(amount, QStringLiteral("0.00"));
}

QString LineAmountText(const QString& typed) {
    return Format(ValDecimal(typed).value_or(Decimal()), QStringLiteral("#0.00"));
}

}  // namespace pcp
