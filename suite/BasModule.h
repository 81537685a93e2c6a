#pragma once
// The module context and the shared procedures of the module: the globals
// that the host's Show and the register's load set, the lookups of master
// data, the common error report, rights, Enter-to-Tab, the refresh of one
// register row and the sorting of a list view by text, number or date.

#include <QDateTime>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <memory>

#include "data/AdoConnection.h"
#include "data/Decimal.h"
#include "data/ModuleError.h"
#include "suite/ComRegistry.h"
#include "suite/RegisterQuery.h"

namespace pcp {

class ListView;
class RegisterRows;

// The module connection: a shared reference to the host's connection. Used
// while unset, it becomes a new connection that was never opened.
class ConnectionRef {
  public:
    AdoConnection* get();
    AdoConnection* operator->() { return get(); }
    operator AdoConnection*() { return get(); }
    void set(AdoConnection* connection);
    bool isSet() const { return !ref_.isNull(); }
    void reset();

  private:
    QPointer<AdoConnection> ref_;
    std::unique_ptr<AdoConnection> owned_;
};

namespace BasModule {

// Module context, set by Show.
extern ConnectionRef GAdoCon;
extern qint16 GIntCompanyID;
extern qint16 GIntDepartmentID;
extern qint16 GIntUserID;
extern qint16 GIntFinancialID;
extern QDateTime GDtProcessDate;
extern QString GStrMsgboxCaption;

// Register state, set by the register's load and its commands.
extern qint16 GIntInterfaceID;
extern QString GStrUserName;
extern QString GStrFunctionRights;
extern QString GStrSql;
// The statement GStrSql renders, in its parts (set with it by the register's fill).
extern RegisterQuery GRegisterQuery;
extern QString GStrTableMain;
extern QString GStrMasterNewEditFlag;
extern qint32 GIntPaymentID;  // ids are 32-bit in the database
extern QString GStrUserDepartments;

// Shared instances of the suite's components.
extern LateObject GObjVault;
extern LateObject GObjUtility;
extern LateObject GObjTrail;
extern LateObject GObjPalette;

// The register's rows, lent by the register while it is open, for the
// procedures that refresh a row after a save or a cancellation.
void SetRegisterRows(RegisterRows* rows);
RegisterRows* RegisterGrid();

inline constexpr qint16 kInterfaceId = 7517;

// Clears every global, as at the loading of the library (tests, between cases).
void ResetContext();

// The suite's shared components, as the register opens them for the context
// set (connection, company, user, department): the vault on the connection,
// the utility, the audit trail logged on at `loggedAt` (its connection is
// the module's from then on) and the palette.
void OpenSharedComponents(const QDateTime& loggedAt);

// --- lookups --------------------------------------------------------------
QVariant GetAccountsFreezeDate();
bool IsDateFrozen(const QDateTime& date);
QString GetCurrencySymbol(qint32 id, const QString& kind);
QString GetSellingRate(qint32 id, const QString& kind);
// An amount at one rate converted to another, three decimals.
Decimal ConvertAmount(const Decimal& amount, const Decimal& sourceRate, const Decimal& targetRate);
void LoadUserDepartments();

// --- common procedures ----------------------------------------------------
void ReportError(const QString& formName, qint16 userId, const QString& procedureName,
                 qint32& errorNumber, const QString& errorSource, const QString& errorDescription,
                 const QString& extra, bool flag);
bool HasRight(const QString& letter);
void EnterToTab(int& keyCode);
void UpdateEditedRow(const QString& condition, qint32 newPaymentId);
void SetListViewSort(ListView* list, qint32 order, qint16 key);
bool SortListView(ListView* list, qint16 column, qint32 order, qint32 kind);

// Runs an event handler's body under the module's error convention: an error
// ends the body and is reported under the window's and procedure's names.
// Returns false when the body ended in an error.
template <class Body>
bool Handle(const char* formName, const char* procedureName, Body&& body);
// The same, telling the user what the failure means for them (for example
// that nothing was saved).
template <class Body>
bool HandleTelling(const char* formName, const char* procedureName, const QString& consequence,
                   Body&& body);

// A handler that ran to its end: a later failure of it is news to the user again.
void HandlerSucceeded(const char* formName, const char* procedureName);

// The report for an error caught by a handler: an open transaction on the
// module connection is rolled back first, so the error record written after
// it survives and nothing half done stays.
void ReportCaught(const QString& formName, const QString& procedureName,
                  const std::exception& error, const QString& consequence = QString());

// A message box of the module: its title is always the module's caption.
int ModuleMsgBox(const QString& text, int style = 0);

}  // namespace BasModule

template <class Body>
bool BasModule::Handle(const char* formName, const char* procedureName, Body&& body) {
    return HandleTelling(formName, procedureName, QString(), std::forward<Body>(body));
}

template <class Body>
bool BasModule::HandleTelling(const char* formName, const char* procedureName,
                              const QString& consequence, Body&& body) {
    try {
        body();
        HandlerSucceeded(formName, procedureName);
        return true;
    } catch (const std::exception& e) {
        ReportCaught(QString::fromLatin1(formName), QString::fromLatin1(procedureName), e,
                     consequence);
        return false;
    }
}

}  // namespace pcp
