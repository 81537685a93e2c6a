#pragma once
// A voucher's numbering and its writes, without any window: the voucher
// window's save calls these inside its transaction, and tests, the
// concurrency check and the benchmark drive them directly.

#include <QDateTime>
#include <QString>
#include <QVector>
#include <functional>
#include <optional>

#include "data/Decimal.h"

namespace pcp {

struct VoucherHeader {
    qint32 paymentId = 0;
    QString paymentNo;
    QString referenceNo;
    qint32 departmentId = 0;  // the voucher's own department
    QDateTime paymentDate;
    qint32 accountId = 0;  // the cash/bank account paid from
    QString payee;
    QString remarks;
    QString amount;  // the exact sum of the converted lines, as plain text
    QString exRate, depExRate, comExRate;
    QString userName;  // the creator
    bool edited = false;
};

struct VoucherLine {
    qint32 debitAccountId = 0;
    QString description;
    QString amount;
    QString exRate;
};

// A save that the stored voucher or the accounts refuse: the message that
// says why, and the message box style it is shown with.
struct SaveRefusal {
    QString message;
    int style = 0;
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

// Writes the header row (an edit first deletes the stored one).
void SaveHeader(const VoucherHeader& header);

// Writes the lines as details 1..n (an edit first deletes the stored ones).
void SaveDetails(qint32 paymentId, const QVector<VoucherLine>& lines, bool edited);

// A new voucher numbered and written as the voucher window's save does it:
// reference, number, id, header, lines. Runs inside the caller's transaction;
// fills in header's paymentId, paymentNo and referenceNo.
void SaveNewVoucher(VoucherHeader& header, const QVector<VoucherLine>& lines);

// How many times a save is numbered and written before a clash with vouchers
// saved meanwhile is reported.
inline constexpr int kSaveAttempts = 5;

// Runs a save's steps (numbering and writes, in the window's order) in one
// transaction on the module connection and commits it. A duplicate number,
// id or reference, saved by another workstation since, rolls back and runs
// the steps again, up to kSaveAttempts times; any other error rolls back and
// goes to the caller.
void SaveInTransaction(const std::function<void()>& steps);

// The refusal of a voucher date outside the module's financial year; empty
// for a date inside it, or a year without its dates.
QString DateOutsideYear(const QDate& date);

// The refusal of a voucher dated on or before the accounts freeze date, which
// "cannot be " + action; empty for a later date, or no freeze date.
QString DateFrozen(const QDateTime& date, const QString& action);

// What refuses an edit over the voucher as it is stored now: cancelled,
// posted, no longer there, or dated on or before the freeze date. Read inside
// the save's transaction, with the numbering's lock; empty when nothing does.
std::optional<SaveRefusal> EditRefusal(qint32 paymentId);

}  // namespace VoucherStore

}  // namespace pcp
