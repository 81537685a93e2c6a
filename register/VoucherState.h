#pragma once
// The statements that change a stored voucher's state: its cancellation with
// a reason and the reversal of its posting. No widgets: the register's
// commands call them inside their transaction, and tests drive them alone.
//
// Another workstation may have changed the voucher since the register showed
// it, so each change names the state it starts from in its statement and
// reports whether the stored voucher was in it. Each runs on the module
// connection (GAdoCon) and raises on any failure; the caller's transaction
// decides what stays.

#include <QDateTime>
#include <QString>

namespace pcp::VoucherState {

// The company's voucher as stored now.
struct StoredVoucher {
    bool found = false;
    bool cancelled = false;
    bool posted = false;
    QString number;
    QDateTime date;
};
StoredVoucher Read(const QString& paymentId);

// Marks the company's voucher cancelled with the reason while it is neither
// cancelled nor posted; false when it was not. The reason goes into the
// statement with its quotes doubled: the reason box refuses the apostrophe
// when typed, not when pasted. The voucher key must be a number.
bool CancelVoucher(const QString& paymentId, const QString& reason);

enum class Reversal { Done, NotPostedOrCancelled, JournalEntryUnclear };

// Marks the voucher not posted while it is posted and not cancelled, and
// cancels its live journal entry of type "HQPCP" (same number, same date,
// this company). The journal knows no department or voucher id, so the
// entry is cancelled only when exactly one matches and no other posted
// voucher of the company has the same number and date; otherwise the caller
// must roll back.
Reversal CancelPosting(const QString& paymentId);

}  // namespace pcp::VoucherState
