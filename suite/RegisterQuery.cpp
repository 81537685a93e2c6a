#include "suite/RegisterQuery.h"

namespace pcp {

QString RegisterQuery::sql() const {
    return select + table + gap + conditions.join(QString()) + order;
}

RegisterQuery RegisterQuery::narrowedTo(const QString& condition) const {
    RegisterQuery narrowed = *this;
    narrowed.order.clear();
    narrowed.conditions << (conditions.isEmpty() ? QStringLiteral(" where ")
                                                 : QStringLiteral(" and ")) +
                               condition;
    return narrowed;
}

RegisterQuery RegisterQuery::voucherOf(qint32 companyId, qint32 paymentId) const {
    RegisterQuery row = *this;
    row.order.clear();
    row.conditions = {QStringLiteral(" where phCompanyID=") + QString::number(companyId),
                      QStringLiteral(" and phPaymentID=") + QString::number(paymentId)};
    return row;
}

RegisterQuery RegisterQuery::Vouchers(qint32 companyId, int top) {
    return RegisterQuery{
        QStringLiteral(" select") + (top > 0 ? QStringLiteral(" Top %1").arg(top) : QString()) +
            QStringLiteral(" phPaymentID, phPaymentNo,phPaymentdate,PhPayee, phAmount,case "
                           "phcancel when 1 then 'Yes'  when 0 then 'No' end,case phposted when 1 "
                           "then 'Yes' when 0 then 'No' end From "),
        QStringLiteral("aHqPettyCashPaymentHeader"),
        QStringLiteral("  "),
        {QStringLiteral(" where phCompanyID=") + QString::number(companyId)},
        {}};
}

RegisterQuery RegisterQuery::Verbatim(const QString& sql) {
    return RegisterQuery{sql, {}, {}, {}, {}};
}

}  // namespace pcp
