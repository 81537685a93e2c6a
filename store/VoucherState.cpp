#include "store/VoucherState.h"

#include "data/AdoConnection.h"
#include "data/AdoRecordset.h"
#include "data/SqlText.h"
#include "data/Values.h"
#include "store/CashCount.h"
#include "store/VoucherStore.h"
#include "suite/BasModule.h"

namespace pcp::VoucherState {

using namespace BasModule;

namespace {

// The grid's key cell as the number it must be: nothing else reaches a statement.
QString keyText(const QString& paymentId) {
    return QString::number(CLng(QVariant(paymentId)));
}

QString ofCompany() {
    return QStringLiteral(" and phCompanyID=") + QString::number(GIntCompanyID);
}

// The condition that selects the company's live "HQPCP" journal entries of the
// voucher's number and date.
QString liveJournalEntries(const StoredVoucher& voucher) {
    return QStringLiteral(" where referenceno='") + SqlEscape(voucher.number) +
           QStringLiteral("' and Type='HQPCP' and JournalDate='") +
           FormatDate(voucher.date, QStringLiteral("yyyymmdd")) +
           QStringLiteral("' And Cancel = 0 AND companyid=") + QString::number(GIntCompanyID);
}

int journalEntryCount(const QString& condition) {
    AdoRecordset rs;
    rs.Open(QStringLiteral("select count(*) from KRVjournalheader") + condition, GAdoCon);
    const int n = CLng(rs.Fields(0));
    rs.Close();
    return n;
}

// Posted vouchers of the company that still stand and share the voucher's
// number and date (the voucher itself is no longer posted by now): the one
// live journal entry may be theirs.
int otherPostedVouchers(const StoredVoucher& voucher) {
    AdoRecordset rs;
    rs.Open(QStringLiteral("select count(*) from aHqPettyCashPaymentHeader where phPaymentNo='") +
                SqlEscape(voucher.number) + QStringLiteral("' and phPaymentdate='") +
                FormatDate(voucher.date, QStringLiteral("yyyymmdd")) +
                QStringLiteral("' and phPosted=1 and phCancel=0") + ofCompany(),
            GAdoCon);
    const int n = CLng(rs.Fields(0));
    rs.Close();
    return n;
}

}  // namespace

StoredVoucher Read(const QString& paymentId) {
    AdoRecordset rs;
    rs.Open(QStringLiteral("select phCancel, phPosted, phPaymentNo, phPaymentdate from "
                           "aHqPettyCashPaymentHeader where phPaymentID=") +
                keyText(paymentId) + ofCompany(),
            GAdoCon);
    StoredVoucher voucher;
    if (!rs.Eof())
        voucher = {true, CBool(rs.Fields(0)), CBool(rs.Fields(1)), Text(rs.Fields(2)),
                   CDate(rs.Fields(3))};
    rs.Close();
    return voucher;
}

bool CancelVoucher(const QString& paymentId, const QString& reason) {
    return GAdoCon->Execute(
               QStringLiteral("update aHqPettyCashPaymentHeader set phcancel=1,phcancelRemarks='") +
               SqlEscape(PlainEntryText(reason)) + QStringLiteral("' where phPaymentID='") +
               keyText(paymentId) + QStringLiteral("'") + ofCompany() +
               QStringLiteral(" and phCancel=0 and phPosted=0")) == 1;
}

Reversal CancelPosting(const QString& paymentId) {
    const QString key = keyText(paymentId);  // before anything is sent
    if (GAdoCon->Execute(
            QStringLiteral("Update aHqPettyCashPaymentHeader set phposted=0 where phPaymentid=") +
            key + ofCompany() + QStringLiteral(" and phPosted=1 and phCancel=0")) != 1)
        return Reversal::NotPostedOrCancelled;
    const StoredVoucher voucher = Read(key);
    const QString entries = liveJournalEntries(voucher);
    if (journalEntryCount(entries) != 1 || otherPostedVouchers(voucher) > 0 ||
        GAdoCon->Execute(QStringLiteral("Update KRVjournalheader set cancel=1") + entries) != 1)
        return Reversal::JournalEntryUnclear;
    return Reversal::Done;
}

namespace {

QString quoted(const QString& number) {
    return u'\'' + number + u'\'';
}

// The voucher's register row as stored now (empty without a register statement).
QStringList storedRow(const QString& key) {
    return VoucherStore::RegisterRowOf(CLng(QVariant(key)));
}

// Why the stored voucher may not be cancelled; empty when it may.
std::optional<Refusal> deleteRefusal(const StoredVoucher& stored, const QString& number,
                                     const QString& key) {
    const QString notDeleted = QStringLiteral(": it was not deleted.");
    if (!stored.found)
        return Refusal{RefusalKind::Removed,
                       quoted(number) + QStringLiteral(" is no longer stored") + notDeleted,
                       {}};
    if (stored.cancelled)
        return Refusal{RefusalKind::Cancelled,
                       quoted(number) +
                           QStringLiteral(" was cancelled on another workstation meanwhile") +
                           notDeleted,
                       {}};
    if (stored.posted)
        return Refusal{RefusalKind::Posted,
                       quoted(number) +
                           QStringLiteral(" was posted on another workstation meanwhile") +
                           notDeleted,
                       {}};
    if (IsDateFrozen(stored.date))
        return Refusal{RefusalKind::Frozen,
                       quoted(number) +
                           QStringLiteral(" is dated on or before the accounts freeze date") +
                           notDeleted,
                       {}};
    if (const std::optional<CashCount::Covering> count =
            CashCount::CoveringCount(CLng(QVariant(key))))
        return Refusal{RefusalKind::Closed, CashCount::ClosedMessage(number, *count), {}};
    return std::nullopt;
}

// A refusal that leaves the stored voucher as it is: the transaction ends
// (nothing was written) with the row as stored read inside it.
Refusal asStored(Refusal refusal, const QString& key, TransactionScope& transaction) {
    refusal.storedRow = storedRow(key);
    transaction.Commit();
    return refusal;
}

}  // namespace

Outcome<QStringList> CancelWithReason(const QString& paymentId, const QString& number,
                                      const QString& reason) {
    const QString key = keyText(paymentId);  // before anything is sent
    TransactionScope transaction(GAdoCon);
    if (std::optional<Refusal> refusal = deleteRefusal(Read(key), number, key))
        return asStored(*refusal, key, transaction);
    if (!CancelVoucher(key, reason))
        return asStored({RefusalKind::Changed,
                         quoted(number) + QStringLiteral(" was changed on another workstation "
                                                         "meanwhile: it was not deleted."),
                         {}},
                        key, transaction);
    const QStringList row = storedRow(key);
    GObjTrail.call("SaveTrailInfo", {CLng(QVariant(key)), number, true, QStringLiteral("D")});
    transaction.Commit();
    return row;
}

Outcome<QStringList> ReversePosting(const QString& paymentId, const QString& number) {
    const QString key = keyText(paymentId);
    TransactionScope transaction(GAdoCon);
    switch (CancelPosting(key)) {
        case Reversal::JournalEntryUnclear:  // rolled back as the scope ends
            return Refusal{RefusalKind::JournalUnclear,
                           QStringLiteral("The journal entry of ") + quoted(number) +
                               QStringLiteral(" could not be identified: nothing was changed."),
                           {}};
        case Reversal::NotPostedOrCancelled: {
            const bool cancelled = Read(key).cancelled;
            return asStored(
                {cancelled ? RefusalKind::Cancelled : RefusalKind::NotPosted,
                 quoted(number) + (cancelled ? QStringLiteral(" was cancelled on another "
                                                              "workstation meanwhile: its "
                                                              "posting was not cancelled.")
                                             : QStringLiteral(" is no longer posted: nothing "
                                                              "was changed.")),
                 {}},
                key, transaction);
        }
        case Reversal::Done: break;
    }
    const QStringList row = storedRow(key);
    GObjTrail.call("SaveTrailInfo", {key, number, true, QStringLiteral("C")});
    transaction.Commit();
    return row;
}

}  // namespace pcp::VoucherState
