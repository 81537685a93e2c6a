#pragma once
// The statements that change a stored voucher's state: its cancellation with
// a reason and the reversal of its posting. No widgets: the register's
// commands call them inside their transaction, and tests drive them alone.
//
// Each runs on the module connection (GAdoCon) and raises on any failure;
// the caller's transaction decides what stays.

#include <QDateTime>
#include <QString>

namespace pcp::VoucherState {

// Marks the company's voucher cancelled with the reason. The reason goes
// into the statement with its quotes doubled: the reason box refuses the
// apostrophe when typed, not when pasted. The voucher key must be a number.
void CancelVoucher(const QString& paymentId, const QString& reason);

// Cancels the voucher's live journal entry of type "HQPCP" (same number,
// same date, this company) and marks the voucher not posted.
void CancelPosting(const QString& paymentId, const QString& paymentNo,
                   const QDateTime& paymentDate);

// The date of a register row's date cell; raises a type mismatch when the
// text is not a date.
QDateTime VoucherDate(const QString& cellText);

}  // namespace pcp::VoucherState
