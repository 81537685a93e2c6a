#include "store/CashCount.h"

#include <QSqlDatabase>
#include <map>
#include <set>

#include "data/AdoConnection.h"
#include "data/AdoRecordset.h"
#include "data/EnteredAmount.h"
#include "data/ModuleError.h"
#include "data/RowSet.h"
#include "data/SqlText.h"
#include "data/Values.h"
#include "suite/BasModule.h"

namespace pcp::CashCount {

using namespace BasModule;

namespace {

const QStringList& tableNames() {
    static const QStringList names{QStringLiteral("aPCFloat"), QStringLiteral("aPCCashCount"),
                                   QStringLiteral("aPCCashCountDenominations"),
                                   QStringLiteral("aPCCashCountVouchers"),
                                   QStringLiteral("aCurrencyDenominations")};
    return names;
}

QString number(qint64 n) {
    return QString::number(n);
}

QString company() {
    return number(GIntCompanyID);
}

QString dateText(const QDate& d) {
    return d.toString(QStringLiteral("dd/MM/yyyy"));
}

QDateTime midnight(const QDate& d) {
    return QDateTime(d, QTime(0, 0), Qt::UTC);
}

QString textAt(const RowSet& rows, int r, int c) {
    return rows.isNull(r, c) ? QString() : Text(rows.value(r, c)).trimmed();
}

Decimal decimalAt(const RowSet& rows, int r, int c) {
    return rows.isNull(r, c) ? Decimal() : CDec(rows.value(r, c));
}

QDate dateAt(const RowSet& rows, int r, int c) {
    return rows.isNull(r, c) ? QDate() : WallClock(CDate(rows.value(r, c))).date();
}

qint32 idAt(const RowSet& rows, int r, int c) {
    return rows.isNull(r, c) ? 0 : CLng(rows.value(r, c));
}

RowSet read(const QString& sql) {
    return GAdoCon->ReadRows(sql);
}

// The table as a command's transaction reads it: on SQL Server with locks
// that make another workstation wait until this one commits (SQLite and
// PostgreSQL lock the whole transaction already).
QString locked(const QString& table) {
    return GAdoCon->driver().dialect().lockingRead(table);
}

Refusal missingRefusal(const QStringList& missing) {
    return Refusal{RefusalKind::Changed, MissingTablesMessage(missing), {}};
}

std::vector<UncoveredVoucher> vouchersOf(const RowSet& rows) {
    std::vector<UncoveredVoucher> out;
    out.reserve(size_t(rows.rowCount()));
    for (int r = 0; r < rows.rowCount(); ++r)
        out.push_back({idAt(rows, r, 0), textAt(rows, r, 1), dateAt(rows, r, 2), textAt(rows, r, 3),
                       decimalAt(rows, r, 4)});
    return out;
}

QString voucherColumns() {
    return QStringLiteral(
        "select h.phPaymentID, h.phPaymentNo, h.phPaymentdate, h.phPayee, "
        "h.phAmount from ");
}

std::vector<UncoveredVoucher> uncoveredVouchers(qint32 accountId) {
    return vouchersOf(read(
        voucherColumns() + locked(QStringLiteral("aHqPettyCashPaymentHeader")) +
        QStringLiteral(" h where h.phCompanyID=") + company() +
        QStringLiteral(" and h.phAccountID=") + number(accountId) +
        QStringLiteral(" and h.phCancel=0 and not exists (select 1 from aPCCashCountVouchers v "
                       "where v.cvCompanyID=h.phCompanyID and v.cvPaymentID=h.phPaymentID) "
                       "order by h.phPaymentdate, h.phPaymentID")));
}

std::optional<LastCount> lastCount(qint32 accountId) {
    const RowSet rows = read(
        QStringLiteral("select top 1 c.ccCountNo, c.ccCountDate, c.ccUserName, c.ccCounted from "
                       "aPCCashCount c where c.ccCompanyID=") +
        company() + QStringLiteral(" and c.ccAccountID=") + number(accountId) +
        QStringLiteral(" order by c.ccCountID desc"));
    if (rows.rowCount() == 0) return std::nullopt;
    return LastCount{textAt(rows, 0, 0), dateAt(rows, 0, 1), textAt(rows, 0, 2),
                     decimalAt(rows, 0, 3)};
}

// What changed among the uncovered vouchers since the window read them, in
// the user's words; empty when nothing did.
QStringList changesSince(const CountState& seen, const CountState& now) {
    std::map<qint32, const UncoveredVoucher*> before, after;
    for (const UncoveredVoucher& v : seen.vouchers) before[v.paymentId] = &v;
    for (const UncoveredVoucher& v : now.vouchers) after[v.paymentId] = &v;
    QStringList changes;
    for (const auto& [id, v] : after) {
        const auto was = before.find(id);
        if (was == before.end())
            changes << QStringLiteral("%1 was saved").arg(v->paymentNo);
        else if (was->second->amount != v->amount)
            changes << QStringLiteral("%1 was changed").arg(v->paymentNo);
    }
    for (const auto& [id, v] : before) {
        if (after.count(id)) continue;
        if (const std::optional<Covering> c = CoveringCount(id))
            changes << QStringLiteral("%1 was counted in %2").arg(v->paymentNo, c->countNo);
        else
            changes << QStringLiteral("%1 was cancelled").arg(v->paymentNo);
    }
    if (seen.imprest() != now.imprest())
        changes << QStringLiteral("the float was set to %1")
                       .arg(Format(now.imprest(), QStringLiteral("#,##0.00")));
    return changes;
}

QString changedMessage(const QStringList& changes) {
    constexpr int kNamed = 8;
    QStringList named = changes.mid(0, kNamed);
    if (changes.size() > kNamed)
        named << QStringLiteral("%1 more changes").arg(changes.size() - kNamed);
    return QStringLiteral("Since this count was opened, on another workstation: ") +
           named.join(QStringLiteral("; ")) +
           QStringLiteral(
               ".\r\nNothing was saved. The figures shown are now the stored ones: "
               "check the count and save again.");
}

// "CNT/2026/PC01-0003": the account's next running number in the year.
QString nextCountNo(const CashAccount& account) {
    GObjVault.set("strTableName", QStringLiteral("afinancialyear"));
    const QString startYear = Text(GObjVault.call(
        "fnReturnField",
        {QStringLiteral("StartYear"), QStringLiteral("FinancialId=") + number(GIntFinancialID)}));
    const QString prefix = QStringLiteral("CNT/") + startYear + u'/' + account.code + u'-';
    const RowSet rows =
        read(QStringLiteral("select ccCountNo from ") + locked(QStringLiteral("aPCCashCount")) +
             QStringLiteral(" where ccCompanyID=") + company() +
             QStringLiteral(" and ccAccountID=") + number(account.accountId) +
             QStringLiteral(" and ccFinancialID=") + number(GIntFinancialID));
    qint64 highest = 0;
    for (int r = 0; r < rows.rowCount(); ++r) {
        const QString no = textAt(rows, r, 0);
        if (no.startsWith(prefix, Qt::CaseInsensitive))
            highest = std::max(highest, no.mid(prefix.size()).toLongLong());
    }
    return prefix + QStringLiteral("%1").arg(highest + 1, 4, 10, QChar(u'0'));
}

qint32 nextCountId() {
    GObjVault.set("strTableName", locked(QStringLiteral("aPCCashCount")) +
                                      QStringLiteral(" where ccCompanyID=") + company());
    return CLng(GObjVault.call("fnGetNextMaxNo", {QStringLiteral("ccCountID")}));
}

void writeCount(const CountDraft& d, const CountState& now, const SavedCount& saved) {
    AdoRecordset rs;
    rs.Open(QStringLiteral("select * from aPCCashCount where 1=2"), GAdoCon, adOpenKeyset,
            adLockOptimistic);
    rs.AddNew();
    rs.SetField(QStringLiteral("ccCompanyID"), GIntCompanyID);
    rs.SetField(QStringLiteral("ccCountID"), saved.countId);
    rs.SetField(QStringLiteral("ccCountNo"), saved.countNo);
    rs.SetField(QStringLiteral("ccFinancialID"), GIntFinancialID);
    rs.SetField(QStringLiteral("ccAccountID"), d.accountId);
    rs.SetField(QStringLiteral("ccCountDate"), midnight(d.date));
    rs.SetField(QStringLiteral("ccUserName"), GStrUserName);
    rs.SetField(QStringLiteral("ccFloat"), QVariant::fromValue(now.imprest()));
    rs.SetField(QStringLiteral("ccCounted"), QVariant::fromValue(d.counted()));
    rs.SetField(QStringLiteral("ccVouchersTotal"), QVariant::fromValue(now.vouchersTotal));
    rs.SetField(QStringLiteral("ccExpected"), QVariant::fromValue(now.expected()));
    rs.SetField(QStringLiteral("ccDifference"), QVariant::fromValue(d.difference()));
    rs.SetField(QStringLiteral("ccReplenishment"), QVariant::fromValue(d.replenishment()));
    rs.SetField(QStringLiteral("ccExplanation"), PlainEntryText(d.explanation.trimmed()));
    rs.Update();
    rs.Close();

    AdoRecordset pieces;
    pieces.Open(QStringLiteral("select * from aPCCashCountDenominations where 1=2"), GAdoCon,
                adOpenKeyset, adLockBatchOptimistic);
    int line = 0;
    for (const CountedPieces& p : d.pieces) {
        pieces.AddNew();
        pieces.SetField(QStringLiteral("cdCompanyID"), GIntCompanyID);
        pieces.SetField(QStringLiteral("cdCountID"), saved.countId);
        pieces.SetField(QStringLiteral("cdLine"), ++line);
        pieces.SetField(QStringLiteral("cdValue"), QVariant::fromValue(p.value));
        pieces.SetField(QStringLiteral("cdQuantity"), p.quantity);
        pieces.SetField(QStringLiteral("cdAmount"), QVariant::fromValue(p.amount()));
        pieces.Update();
    }
    pieces.UpdateBatch();
    pieces.Close();

    AdoRecordset covered;
    covered.Open(QStringLiteral("select * from aPCCashCountVouchers where 1=2"), GAdoCon,
                 adOpenKeyset, adLockBatchOptimistic);
    for (const UncoveredVoucher& v : now.vouchers) {
        covered.AddNew();
        covered.SetField(QStringLiteral("cvCompanyID"), GIntCompanyID);
        covered.SetField(QStringLiteral("cvCountID"), saved.countId);
        covered.SetField(QStringLiteral("cvPaymentID"), v.paymentId);
        covered.Update();
    }
    covered.UpdateBatch();
    covered.Close();
}

Outcome<SavedCount> saveOnce(const CountDraft& d) {
    TransactionScope transaction(GAdoCon);
    CountState now;
    now.account = d.seen.account;
    now.floatSetting = ReadFloat(d.accountId);
    now.vouchers = uncoveredVouchers(d.accountId);
    for (const UncoveredVoucher& v : now.vouchers) now.vouchersTotal += v.amount;
    if (!now.floatSetting)
        return Refusal{RefusalKind::Changed,
                       QStringLiteral("The account %1 has no float: set its float first. "
                                      "Nothing was saved.")
                           .arg(d.seen.account.code),
                       {}};
    const QStringList changes = changesSince(d.seen, now);
    if (!changes.isEmpty()) return Refusal{RefusalKind::Changed, changedMessage(changes), {}};
    if (!d.difference().isZero() && d.explanation.trimmed().isEmpty())
        return Refusal{RefusalKind::Changed,
                       QStringLiteral("The cash counted differs from the cash expected by %1: "
                                      "enter an explanation of the difference.")
                           .arg(Format(d.difference(), QStringLiteral("#,##0.00#"))),
                       {}};
    SavedCount saved;
    saved.countNo = nextCountNo(now.account);
    saved.countId = nextCountId();
    writeCount(d, now, saved);
    GObjTrail.call("SaveTrailInfo", {saved.countId, saved.countNo, true, QStringLiteral("R")});
    transaction.Commit();
    return saved;
}

}  // namespace

QStringList MissingTables() {
    // Tables once found stay: a voucher's save asks each time, and the catalog
    // is a round trip to a server. Asked afresh for another database.
    static const char* const kFound = "pcpCashTablesFound";
    if (GAdoCon->property(kFound).toString() == GAdoCon->connectionString()) return {};
    QStringList have = GAdoCon->database().tables();
    for (QString& t : have) t = t.toLower();
    QStringList missing;
    for (const QString& t : tableNames())
        if (!have.contains(t.toLower())) missing << t;
    if (missing.isEmpty()) GAdoCon->setProperty(kFound, GAdoCon->connectionString());
    return missing;
}

QString MissingTablesMessage(const QStringList& missing) {
    return QStringLiteral(
               "The float and the cash count need the tables %1, which this database "
               "does not have. They are installed by demo/mssql/cash_float.sql (on "
               "SQL Server) or with the module's schema. Nothing was changed.")
        .arg(missing.join(QStringLiteral(", ")));
}

std::vector<CashAccount> CashAccounts() {
    const RowSet rows = read(
        QStringLiteral("select a.AccountID, a.AccountCode, a.AccountDesc, a.CurrencyID, c.Symbol "
                       "from aAccountMaster a left join aCurrencyMaster c on c.CurrencyID = "
                       "a.CurrencyID where a.CompanyID=") +
        company() +
        QStringLiteral(" and a.groupID=(select bankgroupID from asettings where companyId=") +
        company() + QStringLiteral(") order by a.AccountDesc"));
    std::vector<CashAccount> out;
    for (int r = 0; r < rows.rowCount(); ++r)
        out.push_back({idAt(rows, r, 0), textAt(rows, r, 1), textAt(rows, r, 2), idAt(rows, r, 3),
                       textAt(rows, r, 4)});
    return out;
}

std::optional<CashAccount> AccountOf(qint32 accountId) {
    for (const CashAccount& a : CashAccounts())
        if (a.accountId == accountId) return a;
    return std::nullopt;
}

std::vector<User> Users() {
    const RowSet rows =
        read(QStringLiteral("select u.userid, u.username, l.username from ausers u left join "
                            "lousers l on l.userid = u.userid order by u.userid"));
    std::vector<User> out;
    for (int r = 0; r < rows.rowCount(); ++r) {
        const QString full = textAt(rows, r, 2);
        out.push_back({idAt(rows, r, 0), full.isEmpty() ? textAt(rows, r, 1) : full});
    }
    return out;
}

std::optional<FloatSetting> ReadFloat(qint32 accountId) {
    const RowSet rows = read(
        QStringLiteral("select f.flImprest, f.flCustodianID, f.flSetBy, f.flSetTime, u.username, "
                       "l.username from ") +
        locked(QStringLiteral("aPCFloat")) +
        QStringLiteral(" f left join ausers u on u.userid = f.flCustodianID left join lousers l "
                       "on l.userid = f.flCustodianID where f.flCompanyID=") +
        company() + QStringLiteral(" and f.flAccountID=") + number(accountId));
    if (rows.rowCount() == 0) return std::nullopt;
    FloatSetting f;
    f.imprest = decimalAt(rows, 0, 0);
    f.custodianId = idAt(rows, 0, 1);
    f.setBy = textAt(rows, 0, 2);
    if (!rows.isNull(0, 3)) f.setTime = CDate(rows.value(0, 3));
    f.custodian = textAt(rows, 0, 5).isEmpty() ? textAt(rows, 0, 4) : textAt(rows, 0, 5);
    return f;
}

QString ImprestProblem(const Decimal& imprest) {
    const bool fits = imprest > Decimal() && imprest.round(kEnteredDecimals) == imprest &&
                      imprest < Decimal(qint64(1000000000000));
    return fits ? QString() : EnteredAmountRule();
}

Outcome<FloatSetting> SaveFloat(qint32 accountId, const Decimal& imprest, qint32 custodianId) {
    if (const QStringList missing = MissingTables(); !missing.isEmpty())
        return missingRefusal(missing);
    if (const QString problem = ImprestProblem(imprest); !problem.isEmpty())
        return Refusal{RefusalKind::Changed, problem, {}};
    const std::optional<CashAccount> account = AccountOf(accountId);
    if (!account)
        return Refusal{RefusalKind::Removed,
                       QStringLiteral("The cash account is no longer in the company's list."),
                       {}};
    TransactionScope transaction(GAdoCon);
    GAdoCon->Execute(QStringLiteral("delete from aPCFloat where flCompanyID=") + company() +
                     QStringLiteral(" and flAccountID=") + number(accountId));
    AdoRecordset rs;
    rs.Open(QStringLiteral("select * from aPCFloat where 1=2"), GAdoCon, adOpenKeyset,
            adLockOptimistic);
    rs.AddNew();
    rs.SetField(QStringLiteral("flCompanyID"), GIntCompanyID);
    rs.SetField(QStringLiteral("flAccountID"), accountId);
    rs.SetField(QStringLiteral("flImprest"), QVariant::fromValue(imprest));
    rs.SetField(QStringLiteral("flCustodianID"), custodianId ? QVariant(custodianId) : NullValue());
    rs.SetField(QStringLiteral("flSetBy"), GStrUserName);
    rs.SetField(QStringLiteral("flSetTime"), Now());
    rs.Update();
    rs.Close();
    GObjTrail.call("SaveTrailInfo", {accountId, account->code, true, QStringLiteral("F")});
    std::optional<FloatSetting> saved = ReadFloat(accountId);
    transaction.Commit();
    return *saved;
}

std::vector<Denomination> DenominationsOf(qint32 currencyId) {
    const RowSet rows =
        read(QStringLiteral("select dnValue, dnKind from aCurrencyDenominations where "
                            "dnCurrencyID=") +
             number(currencyId) + QStringLiteral(" order by dnOrder, dnValue desc"));
    std::vector<Denomination> out;
    for (int r = 0; r < rows.rowCount(); ++r)
        out.push_back({decimalAt(rows, r, 0), textAt(rows, r, 1)});
    return out;
}

CountState ReadCountState(qint32 accountId) {
    CountState s;
    if (std::optional<CashAccount> a = AccountOf(accountId)) s.account = *a;
    s.floatSetting = ReadFloat(accountId);
    s.last = lastCount(accountId);
    s.vouchers = uncoveredVouchers(accountId);
    for (const UncoveredVoucher& v : s.vouchers) s.vouchersTotal += v.amount;
    return s;
}

QString QuantityProblem(const QString& typed) {
    const QString t = typed.trimmed();
    bool whole = !t.isEmpty();
    for (const QChar c : t) whole = whole && c.isDigit() && c.unicode() < 128;
    if (t.isEmpty() || (whole && t.size() <= 6)) return QString();
    return QStringLiteral("Type the number of pieces as a whole number from 0 to 999,999.");
}

Decimal CountDraft::counted() const {
    Decimal total;
    for (const CountedPieces& p : pieces) total += p.amount();
    return total;
}

Outcome<SavedCount> SaveCount(const CountDraft& draft) {
    if (const QStringList missing = MissingTables(); !missing.isEmpty())
        return missingRefusal(missing);
    for (int attempt = 1;; ++attempt) {
        try {
            return saveOnce(draft);
        } catch (const ModuleError& e) {
            // Rolled back: the next attempt numbers again and, should the
            // vouchers have been counted meanwhile, says so.
            if (!IsDuplicateKey(e) || attempt >= kSaveAttempts) throw;
        }
    }
}

std::optional<Covering> CoveringCount(qint32 paymentId) {
    if (!MissingTables().isEmpty()) return std::nullopt;
    const RowSet rows =
        read(QStringLiteral("select c.ccCountNo, c.ccCountDate from aPCCashCountVouchers v join "
                            "aPCCashCount c on c.ccCompanyID = v.cvCompanyID and c.ccCountID = "
                            "v.cvCountID where v.cvCompanyID=") +
             company() + QStringLiteral(" and v.cvPaymentID=") + number(paymentId));
    if (rows.rowCount() == 0) return std::nullopt;
    return Covering{textAt(rows, 0, 0), dateAt(rows, 0, 1)};
}

QString ClosedMessage(const QString& paymentNo, const Covering& covering) {
    return QStringLiteral("'%1' is in the cash count %2 of %3: it cannot be changed.")
        .arg(paymentNo, covering.countNo, dateText(covering.date));
}

std::optional<FloatLeft> FloatLeftOf(qint32 accountId, qint32 excluding) {
    if (!MissingTables().isEmpty()) return std::nullopt;
    const std::optional<FloatSetting> f = ReadFloat(accountId);
    if (!f) return std::nullopt;
    const RowSet spent =
        read(QStringLiteral("select sum(h.phAmount) from ") +
             locked(QStringLiteral("aHqPettyCashPaymentHeader")) +
             QStringLiteral(" h where h.phCompanyID=") + company() +
             QStringLiteral(" and h.phAccountID=") + number(accountId) +
             QStringLiteral(" and h.phCancel=0 and h.phPaymentID<>") + number(excluding) +
             QStringLiteral(" and not exists (select 1 from aPCCashCountVouchers v where "
                            "v.cvCompanyID=h.phCompanyID and v.cvPaymentID=h.phPaymentID)"));
    const RowSet account =
        read(QStringLiteral("select a.AccountCode, c.Symbol from aAccountMaster a left join "
                            "aCurrencyMaster c on c.CurrencyID = a.CurrencyID where a.AccountID=") +
             number(accountId));
    FloatLeft left;
    left.accountCode = account.rowCount() ? textAt(account, 0, 0) : QString();
    left.currency = account.rowCount() ? textAt(account, 0, 1) : QString();
    left.imprest = f->imprest;
    left.left = f->imprest - (spent.rowCount() ? decimalAt(spent, 0, 0) : Decimal());
    return left;
}

QString FloatLeftText(const FloatLeft& f) {
    return QStringLiteral("Left in the float: %1 %2 of %3")
        .arg(f.currency, Format(f.left, QStringLiteral("#,##0.00#")),
             Format(f.imprest, QStringLiteral("#,##0.00")));
}

QString FloatRefusal(qint32 accountId, qint32 excluding, const Decimal& amount) {
    const std::optional<FloatLeft> f = FloatLeftOf(accountId, excluding);
    if (!f || amount <= f->left) return QString();
    return QStringLiteral(
               "This voucher of %1 %2 is more than is left in the float of %3: %1 %4 "
               "of %5. Nothing was saved; the voucher is still on screen.")
        .arg(f->currency, Format(amount, QStringLiteral("#,##0.00#")), f->accountCode,
             Format(f->left, QStringLiteral("#,##0.00#")),
             Format(f->imprest, QStringLiteral("#,##0.00")));
}

namespace {

std::vector<CountSummary> summaries(const QString& where) {
    const RowSet rows =
        read(QStringLiteral("select ccCountID, ccCountNo, ccCountDate, ccUserName, ccCounted, "
                            "ccDifference, ccReplenishment from aPCCashCount where ccCompanyID=") +
             company() + where + QStringLiteral(" order by ccCountID desc"));
    std::vector<CountSummary> out;
    for (int r = 0; r < rows.rowCount(); ++r)
        out.push_back({idAt(rows, r, 0), textAt(rows, r, 1), dateAt(rows, r, 2), textAt(rows, r, 3),
                       decimalAt(rows, r, 4), decimalAt(rows, r, 5), decimalAt(rows, r, 6)});
    return out;
}

}  // namespace

std::vector<CountSummary> History(qint32 accountId) {
    if (!MissingTables().isEmpty()) return {};
    return summaries(QStringLiteral(" and ccAccountID=") + number(accountId));
}

std::optional<CountRecord> ReadCount(qint32 countId) {
    const std::vector<CountSummary> found =
        summaries(QStringLiteral(" and ccCountID=") + number(countId));
    if (found.empty()) return std::nullopt;
    CountRecord c;
    c.summary = found.front();
    const RowSet name =
        read(QStringLiteral("select CompanyName from aCompanyMaster where CompanyID=") + company());
    c.companyName = name.rowCount() ? textAt(name, 0, 0) : QString();
    const RowSet head = read(QStringLiteral("select ccAccountID, ccFloat, ccVouchersTotal, "
                                            "ccExpected, ccExplanation from aPCCashCount where "
                                            "ccCompanyID=") +
                             company() + QStringLiteral(" and ccCountID=") + number(countId));
    if (std::optional<CashAccount> a = AccountOf(idAt(head, 0, 0))) c.account = *a;
    c.imprest = decimalAt(head, 0, 1);
    c.vouchersTotal = decimalAt(head, 0, 2);
    c.expected = decimalAt(head, 0, 3);
    c.explanation = textAt(head, 0, 4);
    const RowSet pieces =
        read(QStringLiteral("select cdValue, cdQuantity from aPCCashCountDenominations where "
                            "cdCompanyID=") +
             company() + QStringLiteral(" and cdCountID=") + number(countId) +
             QStringLiteral(" order by cdLine"));
    for (int r = 0; r < pieces.rowCount(); ++r)
        c.pieces.push_back({decimalAt(pieces, r, 0), idAt(pieces, r, 1)});
    c.vouchers = vouchersOf(
        read(voucherColumns() +
             QStringLiteral("aHqPettyCashPaymentHeader h join aPCCashCountVouchers v on "
                            "v.cvCompanyID = h.phCompanyID and v.cvPaymentID = h.phPaymentID "
                            "where v.cvCompanyID=") +
             company() + QStringLiteral(" and v.cvCountID=") + number(countId) +
             QStringLiteral(" order by h.phPaymentdate, h.phPaymentID")));
    const RowSet lines = read(
        QStringLiteral("select a.AccountCode, a.AccountDesc, d.pdAmount, d.pdExRate, h.phExRate "
                       "from aPCCashCountVouchers v join aHqPettyCashPaymentHeader h on "
                       "h.phCompanyID = v.cvCompanyID and h.phPaymentID = v.cvPaymentID join "
                       "aHqPettyCashPaymentDetails d on d.pdCompanyID = h.phCompanyID and "
                       "d.pdPaymentID = h.phPaymentID left join aAccountMaster a on a.AccountID "
                       "= d.pdDebitAccountID where v.cvCompanyID=") +
        company() + QStringLiteral(" and v.cvCountID=") + number(countId));
    std::map<QString, CountRecord::AccountTotal> byCode;
    for (int r = 0; r < lines.rowCount(); ++r) {
        CountRecord::AccountTotal& t = byCode[textAt(lines, r, 0)];
        t.code = textAt(lines, r, 0);
        t.name = textAt(lines, r, 1);
        ++t.lines;
        t.amount +=
            ConvertAmount(decimalAt(lines, r, 2), decimalAt(lines, r, 3), decimalAt(lines, r, 4));
    }
    for (auto& [code, total] : byCode) c.byAccount.push_back(total);
    return c;
}

}  // namespace pcp::CashCount
