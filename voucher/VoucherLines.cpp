#include "voucher/VoucherLines.h"

#include <algorithm>

#include "data/ModuleError.h"
#include "data/Values.h"
#include "suite/BasModule.h"
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

QString LineAmountText(const Decimal& amount) {
    return Format(amount, QStringLiteral("0.00#"));
}

QString VoucherRate(qint32 id, const QString& kind) {
    const QString rate = BasModule::GetSellingRate(id, kind);
    const std::optional<Decimal> value = Decimal::parse(rate);
    if (!value || value->sign() <= 0) {
        const QString of = kind == u"A" ? QStringLiteral("account")
                                        : (kind == u"D" ? QStringLiteral("department")
                                                        : QStringLiteral("company"));
        raise(
            kErrInvalidUseOfNull, QStringLiteral("PettyCashPayments"),
            QStringLiteral("There is no exchange rate for the currency of %1 %2.").arg(of).arg(id));
    }
    return rate;
}

}  // namespace pcp
