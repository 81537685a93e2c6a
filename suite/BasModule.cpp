#include "suite/BasModule.h"

#include <QLoggingCategory>
#include <optional>

#include "data/AdoRecordset.h"
#include "data/Values.h"
#include "suite/RegisterRows.h"
#include "ui/Keys.h"
#include "ui/ListView.h"
#include "ui/MessageBox.h"

Q_LOGGING_CATEGORY(lcModule, "pettycash.module")

namespace pcp {

// --- the module connection ------------------------------------------------

AdoConnection* ConnectionRef::get() {
    if (ref_) return ref_;
    if (!owned_) owned_ = std::make_unique<AdoConnection>();
    return owned_.get();
}

void ConnectionRef::set(AdoConnection* connection) {
    ref_ = connection;
    if (connection != owned_.get()) owned_.reset();
}

void ConnectionRef::reset() {
    ref_.clear();
    owned_.reset();
}

namespace BasModule {

ConnectionRef GAdoCon;
qint16 GIntCompanyID = 0;
qint16 GIntDepartmentID = 0;
qint16 GIntUserID = 0;
qint16 GIntFinancialID = 0;
QDateTime GDtProcessDate;
QString GStrMsgboxCaption;
qint16 GIntInterfaceID = 0;
QString GStrUserName;
QString GStrFunctionRights;
QString GStrSql;
RegisterQuery GRegisterQuery;
QString GStrTableMain;
QString GStrMasterNewEditFlag;
qint32 GIntPaymentID = 0;
QString GStrUserDepartments;
LateObject GObjVault;
LateObject GObjUtility;
LateObject GObjTrail;
LateObject GObjPalette;

namespace {
RegisterRows* g_registerRows = nullptr;
}

void SetRegisterRows(RegisterRows* rows) {
    g_registerRows = rows;
}

RegisterRows* RegisterGrid() {
    return g_registerRows;
}

namespace {

const QString kModuleName = QStringLiteral("BasModule");

// The failure the user was last told of. Handlers that run on every key
// release or mouse move would otherwise repeat the same message box for each
// key, including the Enter that dismisses it; the error is still recorded.
struct ToldFailure {
    QString form, procedure, description;
    qint32 number = 0;
    QString consequence;
    // No fault of the program (another workstation's lock, the database file
    // gone): told in these words alone, with the exclamation icon.
    QString plain;
    bool operator==(const ToldFailure&) const = default;
};
std::optional<ToldFailure> g_lastTold;
bool g_telling = false;

// Handlers that run on every key or pointer move, and the search a key
// release runs; a command the user gives (a click, OK) is always answered.
bool runsOnEveryKey(const QString& procedure) {
    static const char* const kEvents[] = {"_KeyUp",     "_KeyPress",  "_KeyDown", "_MouseMove",
                                          "_EnterCell", "_SelChange", "_GotFocus"};
    for (const char* e : kEvents)
        if (procedure.endsWith(QLatin1String(e))) return true;
    return procedure == u"searchtheword";
}

bool alreadyTold(const ToldFailure& failure) {
    if (g_telling) return true;  // a report while one is on screen stacks nothing
    return runsOnEveryKey(failure.procedure) && g_lastTold && *g_lastTold == failure;
}

QString failureText(const ToldFailure& failure) {
    if (!failure.plain.isEmpty()) return failure.plain;
    return QStringLiteral("An error occurred in ") + failure.form + QStringLiteral(" (") +
           failure.procedure.trimmed() + QStringLiteral(").\r\n\r\nError ") +
           QString::number(failure.number) + QStringLiteral(": ") + failure.description;
}

// What the user is told of an error that is no fault of the program; empty
// for any other. A lock held by another workstation: trying again will do.
// The database file moved or deleted: its own message names the file.
QString plainFailureText(const ModuleError& error) {
    if (IsDatabaseBusy(error))
        return QStringLiteral(
            "Another workstation is saving to the database just now. Please try again in a "
            "moment.");
    if (IsDatabaseMoved(error)) return error.description();
    return QString();
}

void tellUser(const ToldFailure& failure) {
    g_lastTold = failure;
    g_telling = true;
    ModuleMsgBox(failureText(failure) + (failure.consequence.isEmpty()
                                             ? QString()
                                             : QStringLiteral("\r\n\r\n") + failure.consequence),
                 failure.plain.isEmpty() ? vbCritical : vbExclamation);
    g_telling = false;
}

LateObject NewVault() {
    LateObject vault = CreateObject(QStringLiteral("Kestrel.clsVault"));
    vault.set("adocon", ObjectArg(GAdoCon.get()));
    return vault;
}

QString vaultText(const LateObject& vault, const QString& field,
                  const QString& condition = QString()) {
    const QVariant v = condition.isEmpty() ? vault.call("fnReturnField", {field})
                                           : vault.call("fnReturnField", {field, condition});
    if (IsNull(v)) raise(kErrInvalidUseOfNull, kModuleName, QStringLiteral("Invalid use of Null"));
    return Text(v);
}

}  // namespace

void OpenSharedComponents(const QDateTime& loggedAt) {
    GIntInterfaceID = kInterfaceId;
    GObjVault = CreateObject(QStringLiteral("Kestrel.clsVault"));
    GObjUtility = CreateObject(QStringLiteral("Kestrel.clsUtility"));
    GObjTrail = CreateObject(QStringLiteral("Osprey.clsTrail"));
    QObject* connection =
        GObjTrail
            .call("OpenObject", {ObjectArg(GAdoCon.get()), GIntCompanyID, GIntUserID,
                                 GIntDepartmentID, GIntInterfaceID, loggedAt})
            .value<QObject*>();
    if (auto* c = qobject_cast<AdoConnection*>(connection)) GAdoCon.set(c);
    GObjVault.set("adocon", ObjectArg(GAdoCon.get()));
    GObjPalette = CreateObject(QStringLiteral("Heron.clsPalette"));
}

void ResetContext() {
    GAdoCon.reset();
    GIntCompanyID = GIntDepartmentID = GIntUserID = GIntFinancialID = 0;
    GDtProcessDate = QDateTime();
    GStrMsgboxCaption.clear();
    GIntInterfaceID = 0;
    GStrUserName.clear();
    GStrFunctionRights.clear();
    GStrSql.clear();
    GRegisterQuery = RegisterQuery();
    GStrTableMain.clear();
    GStrMasterNewEditFlag.clear();
    GIntPaymentID = 0;
    GStrUserDepartments.clear();
    GObjVault.reset();
    GObjUtility.reset();
    GObjTrail.reset();
    GObjPalette.reset();
    g_registerRows = nullptr;
    g_lastTold.reset();
}

// --- lookups --------------------------------------------------------------

QVariant GetAccountsFreezeDate() {
    LateObject vault = NewVault();
    vault.set("strTableName", QStringLiteral("MiscSettings"));
    return vault.call("fnReturnField", {QStringLiteral("AccountsFreezeDate")});
}

bool IsDateFrozen(const QDateTime& date) {
    const QVariant freeze = GetAccountsFreezeDate();
    if (IsEmpty(freeze) || IsNull(freeze)) return false;
    QDateTime freezeDate = freeze.toDateTime();
    if (freeze.typeId() == QMetaType::QString) freezeDate = ParseDate(freeze.toString());
    if (!freezeDate.isValid())
        raise(kErrTypeMismatch, kModuleName, QStringLiteral("Type mismatch"));
    // Calendar days and clock times as written, whatever time zone a driver
    // attached to either value.
    return WallClock(freezeDate) >= WallClock(date);
}

QString GetCurrencySymbol(qint32 id, const QString& kind) {
    qint32 currency = 0;
    if (kind == u"A") {
        GObjVault.set("strTableName", QStringLiteral("aAccountMaster"));
        currency = CLng(Val(vaultText(GObjVault, QStringLiteral("CurrencyID"),
                                      QStringLiteral("AccountID=") + QString::number(id))));
    } else if (kind == u"C") {
        GObjVault.set("strTableName", QStringLiteral("aCustomerMaster"));
        currency = CLng(Val(vaultText(GObjVault, QStringLiteral("CurrencyID"),
                                      QStringLiteral("CustomerID=") + QString::number(id))));
    }
    GObjVault.set("strTableName", QStringLiteral("aCurrencyMaster"));
    return vaultText(GObjVault, QStringLiteral("Symbol"),
                     QStringLiteral("CurrencyID=") + QString::number(currency));
}

namespace {

// Where the currency of an account ("A"), a department ("D") or the company
// ("C") is kept, and so its selling rate in the company's exchange rates.
struct RateSource {
    const char16_t* kind;
    const char* table;
    const char* idColumn;
    const char* currencyColumn;
};
constexpr RateSource kRateSources[] = {
    {u"A", "aAccountMaster", "AccountID", "currencyid"},
    {u"D", "aDepartmentMaster", "DepartmentID", "Depcurrencyid"},
    {u"C", "aCompanyMaster", "CompanyID", "currencyid"},
};

}  // namespace

QString GetSellingRate(qint32 id, const QString& kind) {
    for (const RateSource& s : kRateSources) {
        if (kind != QStringView(s.kind)) continue;
        GObjVault.set("strTableName",
                      QStringLiteral("%1 a, ExchangeRateDetail b Where a.CompanyID = b.CompanyID "
                                     "And a.%2 = b.CurrencyID and a.%3=%4 and a.companyid=%5")
                          .arg(QLatin1String(s.table), QLatin1String(s.currencyColumn),
                               QLatin1String(s.idColumn), QString::number(id),
                               QString::number(GIntCompanyID)));
        return vaultText(GObjVault, QStringLiteral("SellingRate"));
    }
    return QString();  // no caller asks for another kind
}

// amount ÷ source × target as one exact quotient, rounded once to the
// amounts' three decimals ("0.00#") half away from zero.
Decimal ConvertAmount(const Decimal& amount, const Decimal& sourceRate, const Decimal& targetRate) {
    if (sourceRate.isZero())
        raise(kErrDivisionByZero, kModuleName, QStringLiteral("Division by zero"));
    return MulDiv(amount, targetRate, sourceRate, 3);
}

void LoadUserDepartments() {
    LateObject vault = NewVault();
    vault.set("strTableName", QStringLiteral("Ausers where userid=") + QString::number(GIntUserID));
    const qint16 group = CInt(Val(vaultText(vault, QStringLiteral("UserGroupID"))));
    const QString sql =
        QStringLiteral(
            "Select DepartmentID,DepartmentName from adepartmentmaster where DepartmentID in ") +
        QStringLiteral(" (select deptid from AuserGroupDeptDetails where ") +
        QStringLiteral(" UserGroupID=") + QString::number(group) + QStringLiteral(" )");
    GStrUserDepartments.clear();
    AdoRecordset rs;
    rs.Open(sql, GAdoCon, adOpenForwardOnly, adLockReadOnly);
    while (!rs.Eof()) {
        const QString id = Text(rs.Fields(QStringLiteral("DepartmentID")));
        if (!GStrUserDepartments.isEmpty())
            GStrUserDepartments += u',' + id;
        else
            GStrUserDepartments = id;
        rs.MoveNext();
    }
    rs.Close();
    if (GStrUserDepartments.isEmpty()) GStrUserDepartments = QStringLiteral("0");
    GStrUserDepartments = QStringLiteral(" IN (") + GStrUserDepartments + QStringLiteral(")");
}

// --- common procedures ----------------------------------------------------

namespace {

void rollBackOpenTransaction() {
    if (!GAdoCon.isSet() || !GAdoCon->isOpen() || !GAdoCon->InTransaction()) return;
    try {
        GAdoCon->RollbackTrans();
    } catch (const std::exception& e) {
        qCWarning(lcModule) << "error report: rollback failed:" << e.what();
    }
}

QString reportingUserName(qint16 userId) {
    try {
        LateObject vault = NewVault();
        vault.set("strTableName", QStringLiteral("ausers where userid=") + QString::number(userId));
        return Text(vault.call("fnReturnField", {QStringLiteral("username")}));
    } catch (const std::exception& e) {
        qCWarning(lcModule) << "error report: user name not read:" << e.what();
        return QString();
    }
}

// Optional members of the error-logging component: a suite deployment's own
// component may lack them.
void setIfPresent(const LateObject& object, const char* property, const QVariant& value) {
    if (object.object()->metaObject()->indexOfProperty(property) >= 0) object.set(property, value);
}

void recordIncident(const QString& formName, qint16 userId, const QString& procedureName,
                    qint32& errorNumber, const QString& errorSource,
                    const QString& errorDescription, const QString& extra, const QString& statement,
                    const QString& consequence = QString(), const QString& plain = QString()) {
    rollBackOpenTransaction();
    const QString digits = QString::number(errorNumber);
    if (digits.size() > 5) errorNumber = digits.right(5).toInt();
    // Reporting must never fail the handler that reports: whatever goes wrong
    // here is written to the application log instead.
    try {
        LateObject incident = CreateObject(QStringLiteral("Marlin.clsIncident"));
        const QString userName = reportingUserName(userId);
        if (GAdoCon.isSet()) setIfPresent(incident, "adocon", ObjectArg(GAdoCon.get()));
        setIfPresent(incident, "strStatement", statement);
        incident.call("ErrorTrack", {formName, userName, procedureName, errorNumber, errorSource,
                                     errorDescription, extra, true});
    } catch (const std::exception& e) {
        qCCritical(lcModule).noquote()
            << "error report failed:" << e.what() << "while reporting" << formName << procedureName
            << errorNumber << errorDescription;
    }
    // The user learns that the step did not happen; the details stay in the log.
    const ToldFailure failure{formName,    procedureName, errorDescription,
                              errorNumber, consequence,   plain};
    if (!alreadyTold(failure)) tellUser(failure);
}

}  // namespace

void ReportError(const QString& formName, qint16 userId, const QString& procedureName,
                 qint32& errorNumber, const QString& errorSource, const QString& errorDescription,
                 const QString& extra, bool) {
    recordIncident(formName, userId, procedureName, errorNumber, errorSource, errorDescription,
                   extra, QString());
}

void ReportCaught(const QString& formName, const QString& procedureName,
                  const std::exception& error, const QString& consequence) {
    qint32 number = 51;
    QString source = QStringLiteral("PettyCashPayments");
    QString description = QString::fromLocal8Bit(error.what());
    QString statement, plain;
    if (const auto* m = dynamic_cast<const ModuleError*>(&error)) {
        number = m->number();
        source = m->source();
        description = m->description();
        statement = m->statement();
        plain = plainFailureText(*m);
    }
    recordIncident(formName, GIntUserID, procedureName, number, source, description,
                   GStrMasterNewEditFlag, statement, consequence, plain);
}

void HandlerSucceeded(const char* formName, const char* procedureName) {
    if (g_lastTold && g_lastTold->procedure == QLatin1String(procedureName) &&
        g_lastTold->form == QLatin1String(formName))
        g_lastTold.reset();
}

int ModuleMsgBox(const QString& text, int style) {
    return MsgBox(text, style, GStrMsgboxCaption);
}

bool HasRight(const QString& letter) {
    return !letter.isEmpty() && GStrFunctionRights.contains(letter, Qt::CaseSensitive);
}

void EnterToTab(int& keyCode) {
    EnterToTabKey(keyCode);
}

namespace {

QStringList fieldTexts(const AdoRecordset& rs, int from, int cols) {
    QStringList out;
    for (int i = from; i < cols; ++i) out << Text(rs.Fields(i));
    return out;
}

// The grid change for the voucher's row as read now; applied by the caller
// once what it read is committed.
std::function<void()> rowRefresh(RegisterRows* grid, const AdoRecordset& rs, qint32 newPaymentId) {
    const int cols = grid->columnCount();
    if (GStrMasterNewEditFlag == u"E") {
        const int row = grid->currentRow();
        const QStringList cells = fieldTexts(rs, 1, cols);
        return [grid, row, cells] {
            for (int i = 1; i <= cells.size(); ++i) grid->setCell(row, i, cells[i - 1]);
        };
    }
    if (grid->cell(1, 0).isEmpty() && grid->rowCount() == 2) {
        const QStringList cells = fieldTexts(rs, 0, cols);
        return [grid, cells] {
            for (int i = 0; i < cells.size(); ++i) grid->setCell(1, i, cells[i]);
        };
    }
    const QStringList cells = QStringList{QString::number(newPaymentId)} + fieldTexts(rs, 1, cols);
    return [grid, cells] { grid->appendAndSelect(cells); };
}

// The row of the voucher the condition selects, read now and put on the grid
// once the transaction commits.
void refreshRegisterRow(const QString& condition, qint32 newPaymentId) {
    RegisterRows* grid = g_registerRows;
    if (!grid) raise(kErrObjectRequired, kModuleName, QStringLiteral("Object required"));
    // A statement given as text alone has no conditions to narrow: the row is
    // read among all the company's vouchers instead.
    const RegisterQuery& rows =
        GRegisterQuery.verbatim() ? RegisterQuery::Vouchers(GIntCompanyID) : GRegisterQuery;
    const QString sql = rows.narrowedTo(condition).sql();

    AdoRecordset rs;
    rs.Open(sql, GAdoCon, adOpenKeyset, adLockReadOnly);
    if (!rs.Eof()) GAdoCon->runAfterCommit(rowRefresh(grid, rs, newPaymentId));
    rs.Close();
}

}  // namespace

void UpdateEditedRow(const QString& condition, qint32 newPaymentId) {
    Handle("BasModule", "UpdateEditedRow", [&] { refreshRegisterRow(condition, newPaymentId); });
}

void SetListViewSort(ListView* list, qint32 order, qint16 key) {
    if (order == 0 || order == 1) list->setSortOrder(order);
    list->setSortKey(key);
    list->setSorted(true);
}

namespace {

// Numbers and dates sort by their values, given to the list as sort values:
// the texts stay as they are, every decimal of an amount included.
void sortByNumber(ListView* list, qint16 column, qint32 order) {
    for (int i = 1; i <= list->count(); ++i) {
        const QString t = list->columnValue(i, column);
        list->setSortValue(i, column, (t.isEmpty() ? Decimal() : CDec(t)).units());
    }
    SetListViewSort(list, order, qint16(column - 1));
}

void sortByDate(ListView* list, qint16 column, qint32 order) {
    for (int i = 1; i <= list->count(); ++i) {
        const QDateTime d = ParseDate(list->columnValue(i, column));
        if (!d.isValid())
            raise(kErrTypeMismatch, QStringLiteral("PettyCashPayments"),
                  QStringLiteral("Type mismatch"));
        list->setSortValue(i, column, d);
    }
    SetListViewSort(list, order, qint16(column - 1));
}

// A sort by text: values left by an earlier sort of the column do not count.
void sortByText(ListView* list, qint16 column, qint32 order) {
    for (int i = 1; i <= list->count(); ++i) list->setSortValue(i, column, QVariant());
    SetListViewSort(list, order, qint16(column - 1));
}

}  // namespace

bool SortListView(ListView* list, qint16 column, qint32 order, qint32 kind) {
    try {
        switch (kind) {
            case 0: sortByText(list, column, order); break;
            case 1: sortByNumber(list, column, order); break;
            case 2: sortByDate(list, column, order); break;
            default: break;
        }
        return true;
    } catch (const std::exception& e) {
        qint32 number = 51;
        QString description = QString::fromLocal8Bit(e.what());
        if (const auto* m = dynamic_cast<const ModuleError*>(&e)) {
            number = m->number();
            description = m->description();
        }
        MsgBox(QStringLiteral("ERROR IN SORT ROUTINE:") + QStringLiteral("\r\n") +
                   QString::number(number) + u'\t' + description,
               vbOKOnly);
        return false;
    }
}

}  // namespace BasModule
}  // namespace pcp
