#pragma once
// The commands that change a stored voucher's state: its cancellation with a
// reason and the reversal of its posting, each whole in one transaction, and
// the statements they are made of. No widgets: the register's commands call
// them and show what they end in, and tests drive them alone.
//
// Another workstation may have changed the voucher since the register showed
// it, so each change names the state it starts from in its statement and
// reports whether the stored voucher was in it. Each runs on the module
// connection (GAdoCon) and raises on any failure; the caller's transaction
// decides what stays.

#include <QDateTime>
#include <QString>
#include <QStringList>

#include "store/StoreOutcome.h"

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

// Delete, whole: in one transaction the stored voucher is read, refused when
// it is gone, cancelled, posted or dated on or before the freeze date,
// cancelled with the reason only from the state it was read in, its register
// row read and the audit record "D" written. `number` is the number the user
// saw, for the messages. Done: the voucher's register row as committed.
// Refused: nothing is changed; the refusal holds the row as stored.
Outcome<QStringList> CancelWithReason(const QString& paymentId, const QString& number,
                                      const QString& reason);

// Cancel Posting, whole, the same way, with the audit record "C". An
// unclear journal entry is refused with everything rolled back.
Outcome<QStringList> ReversePosting(const QString& paymentId, const QString& number);

}  // namespace pcp::VoucherState
