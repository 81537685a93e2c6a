#include "store/VoucherStore.h"

#include "data/AdoConnection.h"
#include "data/AdoRecordset.h"
#include "data/ModuleError.h"
#include "data/SqlText.h"
#include "data/Values.h"
#include "store/CashCount.h"
#include "suite/BasModule.h"

namespace pcp::VoucherStore {

using namespace BasModule;

namespace {

const QString kDayMonthYear = QStringLiteral("dd/mm/yyyy");

QString number(qint64 n) {
    return QString::number(n);
}

// A rate the voucher may not have into a decimal column: exactly, or no value.
QVariant decimalOrNull(const std::optional<Decimal>& value) {
    return value ? QVariant::fromValue(*value) : NullValue();
}

QString vaultText(const QString& table, const QString& field, const QString& condition) {
    GObjVault.set("strTableName", table);
    return Text(GObjVault.call("fnReturnField", {field, condition}));
}

// The field of the table's first row the condition in its name selects.
QString vaultText(const QString& tableAndCondition, const QString& field) {
    GObjVault.set("strTableName", tableAndCondition);
    return Text(GObjVault.call("fnReturnField", {field}));
}

// The voucher table as the numbering reads it: on SQL Server with locks that
// make a second workstation wait until this save commits (SQLite's BEGIN
// IMMEDIATE has already locked the file).
QString numberingTable() {
    return GAdoCon->driver().dialect().lockingRead(QStringLiteral("aHqPettyCashPaymentHeader"));
}

QString prefixOf(qint32 departmentId) {
    AdoRecordset rs;
    rs.Open(QStringLiteral("SELECT Prefix FROM aPrefix") + QStringLiteral(" WHERE InterfaceID = ") +
                number(GIntInterfaceID) + QStringLiteral(" and DepartmentId=") +
                number(departmentId) + QStringLiteral(" and FinancialId = ") +
                number(GIntFinancialID),
            GAdoCon, adOpenStatic, adLockReadOnly);
    const QString prefix = rs.Eof() ? QString() : Text(rs.Fields(QStringLiteral("Prefix")));
    rs.Close();
    return prefix;
}

}  // namespace

// Prefix, count and highest number all come from the voucher's own department,
// so a user who may choose among departments numbers each in its own series.
QString NextPaymentNo(qint32 departmentId) {
    const QString prefix = prefixOf(departmentId);
    const QString length = number(prefix.size());
    const QString underPrefix = QStringLiteral(" and left(phPaymentNo,") + length +
                                QStringLiteral(") ='") + SqlEscape(prefix) + u'\'';
    AdoRecordset count;
    count.Open(QStringLiteral("select count(phPaymentNo) from ") + numberingTable() +
                   QStringLiteral(" where phDepartmentID =") + number(departmentId) +
                   QStringLiteral(" and phFinancialid=") + number(GIntFinancialID) + underPrefix,
               GAdoCon, adOpenStatic, adLockOptimistic);
    QString highest = QStringLiteral("0");
    if (CLng(count.Fields(0)) > 0) {
        AdoRecordset max;
        max.Open(QStringLiteral("SELECT max(convert(int,right(phPaymentNo,len(phPaymentNo)-") +
                     length + QStringLiteral("))) FROM ") + numberingTable() +
                     QStringLiteral(" WHERE phDepartmentID =") + number(departmentId) +
                     QStringLiteral(" and  phFinancialid=") + number(GIntFinancialID) + underPrefix,
                 GAdoCon, adOpenForwardOnly, adLockReadOnly);
        highest = Text(max.Fields(0));
        max.Close();
    }
    count.Close();
    const qint32 next = highest == u"0" ? 1 : CLng(Val(highest) + 1);
    return prefix + number(next);
}

qint32 NextPaymentId() {
    GObjVault.set("strTableName",
                  numberingTable() + QStringLiteral(" where PHCompanyID=") + number(GIntCompanyID));
    return CLng(GObjVault.call("fnGetNextMaxNo", {QStringLiteral("PHPaymentID")}));
}

// The account's last reference in this company and financial year: ids repeat
// across companies, and a voucher keyed into another year runs in that year's
// series, which carries its own start year.
QString MakeReference(qint32 accountId) {
    const QString startYear =
        vaultText(QStringLiteral("afinancialyear"), QStringLiteral("StartYear"),
                  QStringLiteral("FinancialId=") + number(GIntFinancialID));
    const QString code = vaultText(QStringLiteral("aAccountMaster"), QStringLiteral("AccountCode"),
                                   QStringLiteral("accountid=") + number(accountId));
    AdoRecordset rs;
    rs.Open(QStringLiteral("select top 1 phReferenceno from ") + numberingTable() +
                QStringLiteral(" where phAccountID=") + number(accountId) +
                QStringLiteral(" and phCompanyID=") + number(GIntCompanyID) +
                QStringLiteral(" and phFinancialID=") + number(GIntFinancialID) +
                QStringLiteral(" order by phPaymentID desc"),
            GAdoCon, adOpenForwardOnly, adLockReadOnly);
    double running = 1;
    if (!rs.Eof() && !IsNull(rs.Fields(0)))  // every digit after the code: on past 9999
        running = Val(Text(rs.Fields(0)).mid(code.size() + 10)) + 1;
    rs.Close();
    return QStringLiteral("PCP/") + startYear + u'/' + code + u'-' +
           Format(running, QStringLiteral("0000"));
}

namespace {

// The header row (an edit first deletes the stored one).
void SaveHeader(const VoucherDraft& d, const SavedVoucher& numbers) {
    if (d.isEdit())
        GAdoCon->Execute(
            QStringLiteral("Delete From aHqPettyCashPaymentHeader  where phPaymentID=") +
            number(d.paymentId) + QStringLiteral(" and phCompanyID=") + number(GIntCompanyID) +
            u' ');
    AdoRecordset rs;
    rs.Open(QStringLiteral("Select * from aHqPettyCashPaymentHeader where 1=2 "), GAdoCon,
            adOpenKeyset, adLockOptimistic);
    rs.AddNew();
    rs.SetField(QStringLiteral("phCompanyID"), GIntCompanyID);
    rs.SetField(QStringLiteral("phDepartmentID"), d.departmentId);
    rs.SetField(QStringLiteral("phPaymentID"), numbers.paymentId);
    rs.SetField(QStringLiteral("phPaymentNo"), numbers.paymentNo);
    rs.SetField(QStringLiteral("phReferenceno"), PlainEntryText(numbers.referenceNo));
    rs.SetField(QStringLiteral("phPaymentdate"), QDateTime(d.paymentDate, QTime(0, 0), Qt::UTC));
    rs.SetField(QStringLiteral("phFinancialID"), GIntFinancialID);
    rs.SetField(QStringLiteral("phAccountID"), d.accountId);
    rs.SetField(QStringLiteral("phPayee"), PlainEntryText(d.payee));
    rs.SetField(QStringLiteral("phRemarks"), PlainEntryText(d.remarks));
    rs.SetField(QStringLiteral("phAmount"), QVariant::fromValue(d.amount()));
    rs.SetField(QStringLiteral("phCancel"), 0);
    rs.SetField(QStringLiteral("phCancelRemarks"), QString());
    rs.SetField(QStringLiteral("phPosted"), 0);
    rs.SetField(QStringLiteral("phUserName"), d.userName);
    if (d.isEdit()) {
        rs.SetField(QStringLiteral("phUpdateUserName"), GStrUserName);
        rs.SetField(QStringLiteral("phUpdateTime"), GDtProcessDate);
    }
    rs.SetField(QStringLiteral("phExRate"), decimalOrNull(d.exRate));
    rs.SetField(QStringLiteral("phDepExRate"), decimalOrNull(d.depExRate));
    rs.SetField(QStringLiteral("phComExRate"), decimalOrNull(d.comExRate));
    rs.Update();
    rs.Close();
}

// The lines as details 1..n (an edit first deletes the stored ones).
void SaveDetails(const VoucherDraft& d, qint32 paymentId) {
    if (d.isEdit())
        GAdoCon->Execute(
            QStringLiteral("Delete From aHqPettyCashPaymentDetails  where pdPaymentID=") +
            number(paymentId) + QStringLiteral(" and pdCompanyID=") + number(GIntCompanyID) + u' ');
    AdoRecordset rs;
    // The lines go in together: one statement, one round trip to a server.
    rs.Open(QStringLiteral("Select * from aHqPettyCashPaymentDetails where 1=2 "), GAdoCon,
            adOpenKeyset, adLockBatchOptimistic);
    for (int i = 0; i < d.lines.size(); ++i) {
        const VoucherLineDraft& line = d.lines[i];
        rs.AddNew();
        rs.SetField(QStringLiteral("pdCompanyID"), GIntCompanyID);
        rs.SetField(QStringLiteral("pdDepartmentID"), GIntDepartmentID);
        rs.SetField(QStringLiteral("pdPaymentID"), paymentId);
        rs.SetField(QStringLiteral("pdDetailID"), CInt(double(i + 1)));
        rs.SetField(QStringLiteral("pdDebitAccountID"), line.debitAccountId);
        rs.SetField(QStringLiteral("pdDescription"), PlainEntryText(line.description));
        rs.SetField(QStringLiteral("pdExRate"), QVariant::fromValue(line.exRate));
        rs.SetField(QStringLiteral("pdAmount"), QVariant::fromValue(line.amount));
        rs.Update();
    }
    rs.UpdateBatch();
    rs.Close();
}

// What the stored state refuses of this save: a changed, cancelled, posted or
// removed voucher, or a date frozen by another workstation since the window
// checked it.
std::optional<Refusal> storedStateRefusal(const VoucherDraft& d) {
    if (d.isEdit())
        if (std::optional<Refusal> refusal = EditRefusal(d.paymentId)) return refusal;
    const QString frozen =
        DateFrozen(QDateTime(d.paymentDate, QTime(0, 0), Qt::UTC), QStringLiteral("saved"));
    if (!frozen.isEmpty()) return Refusal{RefusalKind::DateFrozen, frozen, {}};
    // The float as stored now: another workstation may have paid from it meanwhile.
    const QString overFloat = CashCount::FloatRefusal(d.accountId, d.paymentId, d.amount());
    if (!overFloat.isEmpty()) return Refusal{RefusalKind::FloatExceeded, overFloat, {}};
    return std::nullopt;
}

// An edit keeps its numbers; a new voucher is numbered now, in the order the
// suite numbers: reference, number, id.
SavedVoucher numbersFor(const VoucherDraft& d) {
    if (d.isEdit()) return {d.paymentId, d.paymentNo, d.referenceNo, {}};
    SavedVoucher numbers;
    numbers.referenceNo = MakeReference(d.accountId);
    numbers.paymentNo = NextPaymentNo(d.departmentId);
    numbers.paymentId = NextPaymentId();
    return numbers;
}

// One attempt of the save; a refusal rolls back as the scope ends.
Outcome<SavedVoucher> saveOnce(const VoucherDraft& d, QObject* auditedForm) {
    TransactionScope transaction(GAdoCon);
    if (std::optional<Refusal> refusal = storedStateRefusal(d)) {
        if (d.isEdit()) refusal->storedRow = RegisterRowOf(d.paymentId);
        return *refusal;
    }
    SavedVoucher saved = numbersFor(d);
    SaveHeader(d, saved);
    SaveDetails(d, saved.paymentId);
    saved.registerRow = RegisterRowOf(saved.paymentId);
    GObjTrail.call("SaveTrailInfo", {saved.paymentId, saved.paymentNo, true,
                                     d.isEdit() ? QStringLiteral("E") : QStringLiteral("N"),
                                     ObjectArg(auditedForm)});
    transaction.Commit();
    return saved;
}

}  // namespace

Outcome<SavedVoucher> SaveVoucher(const VoucherDraft& draft, QObject* auditedForm) {
    for (int attempt = 1;; ++attempt) {
        try {
            return saveOnce(draft, auditedForm);
        } catch (const ModuleError& e) {
            // The scope has rolled back; the next attempt reads the numbers afresh.
            if (!IsDuplicateKey(e) || attempt >= kSaveAttempts) throw;
        }
    }
}

std::optional<VoucherForEdit> ReadForEdit(qint32 paymentId) {
    AdoRecordset header;
    header.Open(QStringLiteral("select * from aHqPettyCashPaymentHeader where phPaymentID='") +
                    number(paymentId) + QStringLiteral("' and phCompanyID=") +
                    number(GIntCompanyID),
                GAdoCon, adOpenKeyset, adLockOptimistic);
    if (header.Eof()) return std::nullopt;
    const auto text = [&](const char* field) { return Text(header.Fields(QLatin1String(field))); };
    VoucherForEdit v;
    v.paymentNo = text("phPaymentNo");
    v.paymentDate = CDate(header.Fields(QStringLiteral("phPaymentdate"))).date();
    v.payee = text("phPayee");
    v.referenceNo = text("phReferenceno");
    v.departmentId = header.Fields(QStringLiteral("phDepartmentID"));
    v.accountId = header.Fields(QStringLiteral("phAccountID"));
    v.exRate = text("phExRate");
    v.remarks = text("phRemarks");
    v.userName = text("phUserName");
    v.depExRate = text("phDepExRate");
    v.comExRate = text("phComExRate");
    v.amount = CDec(header.Fields(QStringLiteral("phAmount")));
    header.Close();

    AdoRecordset rs;
    rs.Open(QStringLiteral(" SELECT * from aHqPettyCashPaymentDetails where ") +
                QStringLiteral(" pdPaymentID='") + number(paymentId) + QStringLiteral("' and ") +
                QStringLiteral(" pdCompanyID=") + number(GIntCompanyID) +
                QStringLiteral(" order by pdDetailID"),
            GAdoCon, adOpenKeyset, adLockOptimistic);
    for (; !rs.Eof(); rs.MoveNext()) {
        const QString account = Text(rs.Fields(QStringLiteral("pdDebitAccountID")));
        v.lines.append({account.isEmpty() ? 0 : CLng(QVariant(account)),
                        vaultText(QStringLiteral("aAccountMaster where AccountID=") + account,
                                  QStringLiteral("AccountDesc")),
                        Text(rs.Fields(QStringLiteral("pdDescription"))),
                        CDec(rs.Fields(QStringLiteral("pdAmount"))),
                        Text(rs.Fields(QStringLiteral("pdExRate")))});
    }
    rs.Close();
    return v;
}

QStringList RegisterRowOf(qint32 paymentId) {
    if (!RegisterGrid()) return {};  // no register shows it
    const RegisterQuery& rows =
        GRegisterQuery.verbatim() ? RegisterQuery::Vouchers(GIntCompanyID) : GRegisterQuery;
    AdoRecordset rs;
    rs.Open(rows.voucherOf(GIntCompanyID, paymentId).sql(), GAdoCon, adOpenStatic, adLockReadOnly);
    QStringList cells;
    for (int i = 0; !rs.Eof() && i < rs.FieldCount(); ++i) cells << Text(rs.Fields(i)).trimmed();
    rs.Close();
    return cells;
}

QString DateOutsideYear(const QDate& date) {
    AdoRecordset rs;
    rs.Open(QStringLiteral("select StartDate, EndDate from afinancialyear where FinancialId=") +
                number(GIntFinancialID),
            GAdoCon, adOpenStatic, adLockReadOnly);
    QString refusal;
    if (!rs.Eof() && !IsNull(rs.Fields(0)) && !IsNull(rs.Fields(1))) {
        const QDateTime first = CDate(rs.Fields(0)), last = CDate(rs.Fields(1));
        if (date < WallClock(first).date() || date > WallClock(last).date())
            refusal = QStringLiteral("The payment date must fall within the financial year, ") +
                      FormatDate(first, kDayMonthYear) + QStringLiteral(" to ") +
                      FormatDate(last, kDayMonthYear) + u'.';
    }
    rs.Close();
    return refusal;
}

QString DateFrozen(const QDateTime& date, const QString& action) {
    if (!IsDateFrozen(date)) return QString();
    return QStringLiteral("The accounts are frozen up to ") +
           FormatDate(CDate(GetAccountsFreezeDate()), kDayMonthYear) +
           QStringLiteral(": a voucher dated on or before it cannot be ") + action + u'.';
}

std::optional<Refusal> EditRefusal(qint32 paymentId) {
    AdoRecordset rs;
    rs.Open(QStringLiteral("select phCancel, phPosted, phPaymentdate, phPaymentNo from ") +
                numberingTable() + QStringLiteral(" where phPaymentID=") + number(paymentId) +
                QStringLiteral(" and phCompanyID=") + number(GIntCompanyID),
            GAdoCon, adOpenStatic, adLockReadOnly);
    const bool stored = !rs.Eof();
    const bool cancelled = stored && CBool(rs.Fields(0)), posted = stored && CBool(rs.Fields(1));
    const QDateTime date = stored ? CDate(rs.Fields(2)) : QDateTime();
    const QString storedNo = stored ? Text(rs.Fields(3)).trimmed() : QString();
    rs.Close();
    if (!stored)
        return Refusal{
            RefusalKind::Removed,
            QStringLiteral("This voucher is no longer in the database. Nothing was saved."),
            {}};
    if (cancelled)
        return Refusal{
            RefusalKind::Cancelled,
            QStringLiteral(
                "This voucher has been cancelled since you opened it. Nothing was saved."),
            {}};
    if (posted)
        return Refusal{RefusalKind::Posted,
                       QStringLiteral("The transaction has posted to the Journal. Please "
                                      "cancel post to edit"),
                       {}};
    const QString frozen = DateFrozen(date, QStringLiteral("changed"));
    if (!frozen.isEmpty()) return Refusal{RefusalKind::Frozen, frozen, {}};
    if (const std::optional<CashCount::Covering> count = CashCount::CoveringCount(paymentId))
        return Refusal{RefusalKind::Closed, CashCount::ClosedMessage(storedNo, *count), {}};
    return std::nullopt;
}

}  // namespace pcp::VoucherStore

namespace pcp {

Decimal VoucherDraft::amount() const {
    Decimal total;
    if (lines.isEmpty()) return total;
    if (!exRate)
        raise(kErrTypeMismatch, QStringLiteral("PettyCashPayments"),
              QStringLiteral("Type mismatch"));
    for (const VoucherLineDraft& line : lines)
        total += BasModule::ConvertAmount(line.amount, line.exRate, *exRate);
    return total;
}

}  // namespace pcp
