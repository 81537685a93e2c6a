#pragma once
// A voucher's numbering and its one save, without any window: the voucher
// window builds a draft from its controls and shows what the save ends in;
// the tests, the concurrency check and the benchmark call the same save.

#include <QDate>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <functional>
#include <optional>

#include "data/Decimal.h"
#include "store/StoreOutcome.h"

namespace pcp {

// One voucher as the clerk keyed it, new or edited: what the save stores.
struct VoucherLineDraft {
    qint32 debitAccountId = 0;
    QString description;
    Decimal amount;  // in the line account's currency, as keyed
    Decimal exRate;  // the selling rate of that currency
};

struct VoucherDraft {
    qint32 paymentId = 0;  // the voucher edited; 0 for a new one
    QString paymentNo;     // an edited voucher's own; a new one is numbered by the save
    QString referenceNo;
    qint32 departmentId = 0;  // the voucher's own department
    QDate paymentDate;
    qint32 accountId = 0;  // the cash/bank account paid from
    QString payee;
    QString remarks;
    // The rates of the account's, the department's and the company's
    // currencies; a rate the voucher never had is stored as none.
    std::optional<Decimal> exRate, depExRate, comExRate;
    QString userName;  // the creator
    QVector<VoucherLineDraft> lines;

    bool isEdit() const { return paymentId != 0; }
    // The payment amount: every line converted from its rate into the
    // account's, summed exactly, so that the header always equals its lines.
    Decimal amount() const;
};

// A stored voucher as the voucher window shows it for an edit: its texts as
// stored (a column never written reads as empty), its department and account
// as stored (null when never written), its rates as their stored text.
struct StoredVoucherLine {
    qint32 debitAccountId = 0;
    QString accountName;
    QString description;
    Decimal amount;  // as stored: 12.5 stays 12.5, 33.333 stays 33.333
    QString exRate;
};

struct VoucherForEdit {
    QString paymentNo, payee, referenceNo, remarks, userName;
    QDate paymentDate;
    QVariant departmentId, accountId;
    QString exRate, depExRate, comExRate;
    Decimal amount;
    QVector<StoredVoucherLine> lines;  // in detail order
};

// A voucher as saved: what the numbering gave it, and its register row as
// stored by the save's transaction (empty without a register to show it in).
struct SavedVoucher {
    qint32 paymentId = 0;
    QString paymentNo;
    QString referenceNo;
    QStringList registerRow;
};

namespace VoucherStore {

// The number a new voucher of the department gets: its prefix for this
// interface and year, followed by one more than the highest running number
// in use under that prefix (PCP11 after PCP10).
QString NextPaymentNo(qint32 departmentId);

// One more than the company's highest voucher id.
qint32 NextPaymentId();

// "PCP/" + start year + "/" + account code + "-" + running number of the
// account's vouchers in this company and financial year: 4 digits from
// "0001", and on past 9999.
QString MakeReference(qint32 accountId);

// How many times a save is numbered and written before a clash with vouchers
// saved meanwhile is reported.
inline constexpr int kSaveAttempts = 5;

// The one save of a voucher, new or edited, whoever asks (the voucher window,
// the tests, the benchmark, the concurrency check): in one transaction on the
// module connection it reads the stored voucher and the freeze date, numbers
// a new voucher (reference, number, id), writes the header and the lines,
// reads the voucher's register row and writes the audit record ("N" or "E",
// with the changes the trail finds on `auditedForm`), then commits. A number,
// id or reference taken by another workstation meanwhile rolls back and
// numbers again, up to kSaveAttempts times. A refusal (the voucher cancelled,
// posted or removed meanwhile, or its date frozen) writes nothing; any other
// failure raises, with everything rolled back.
Outcome<SavedVoucher> SaveVoucher(const VoucherDraft& draft, QObject* auditedForm = nullptr);

// The refusal of a voucher date outside the module's financial year; empty
// for a date inside it, or a year without its dates.
QString DateOutsideYear(const QDate& date);

// The refusal of a voucher dated on or before the accounts freeze date, which
// "cannot be " + action; empty for a later date, or no freeze date.
QString DateFrozen(const QDateTime& date, const QString& action);

// What refuses an edit over the voucher as it is stored now: cancelled,
// posted, no longer there, or dated on or before the freeze date. Read inside
// the save's transaction, with the numbering's lock; empty when nothing does.
std::optional<Refusal> EditRefusal(qint32 paymentId);

// The company's voucher as stored now, with its lines; none when it is no
// longer stored.
std::optional<VoucherForEdit> ReadForEdit(qint32 paymentId);

// The voucher's row as the register shows it, read now by company and id
// (whatever search or window of days listed the rows); empty when no register
// is open or the voucher is not stored.
QStringList RegisterRowOf(qint32 paymentId);

}  // namespace VoucherStore

}  // namespace pcp
