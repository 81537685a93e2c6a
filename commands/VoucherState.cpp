#include "VoucherState.h"

#include "../core/BasModule.h"
#include "../core/ModuleError.h"
#include "../core/SqlText.h"
#include "../core/Values.h"

namespace pcp::VoucherState {

using namespace BasModule;

namespace {

// The grid's key cell as the number it must be: nothing else reaches a statement.
QString keyText(const QString& paymentId) {
    return QString::number(CLng(QVariant(paymentId)));
}

}  // namespace

void CancelVoucher(const QString& paymentId, const QString& reason) {
    GAdoCon->Execute(
        QStringLiteral("update aHqPettyCashPaymentHeader set phcancel=1,phcancelRemarks='") +
        SqlEscape(reason) + QStringLiteral("' where phPaymentID='") + keyText(paymentId) +
        QStringLiteral("' and phCompanyID=") + QString::number(GIntCompanyID));
}

void CancelPosting(const QString& paymentId, const QString& paymentNo,
                   const QDateTime& paymentDate) {
    const QString key = keyText(paymentId);  // before anything is sent
    GAdoCon->Execute(QStringLiteral("Update KRVjournalheader set cancel=1 where referenceno='") +
                     SqlEscape(paymentNo) + QStringLiteral("' and Type='HQPCP' and JournalDate='") +
                     FormatDate(paymentDate, QStringLiteral("yyyymmdd")) +
                     QStringLiteral("' And Cancel = 0 AND companyid=") +
                     QString::number(GIntCompanyID));
    GAdoCon->Execute(
        QStringLiteral("Update aHqPettyCashPaymentHeader set phposted=0 where phPaymentid=") + key +
        QStringLiteral(" And phcompanyid =") + QString::number(GIntCompanyID));
}

QDateTime VoucherDate(const QString& cellText) {
    const QDateTime date = ParseDate(cellText);
    if (!date.isValid())
        raise(kErrTypeMismatch, QStringLiteral("PettyCashPayments"),
              QStringLiteral("Type mismatch"));
    return date;
}

}  // namespace pcp::VoucherState
