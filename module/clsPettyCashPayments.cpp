#include "module/clsPettyCashPayments.h"

#include "data/AdoConnection.h"
#include "register/FrmMaster.h"
#include "suite/BasModule.h"
#include "ui/Modal.h"

namespace pcp {

using namespace BasModule;

clsPettyCashPayments::clsPettyCashPayments(QObject* parent) : QObject(parent) {}

clsPettyCashPayments::~clsPettyCashPayments() = default;

QObject* clsPettyCashPayments::adocon() {
    if (!connection_) connection_ = new AdoConnection(this);
    return connection_.data();
}

void clsPettyCashPayments::setAdocon(QObject* connection) {
    connection_ = qobject_cast<AdoConnection*>(connection);
}

void clsPettyCashPayments::Show() {
    GAdoCon.set(qobject_cast<AdoConnection*>(adocon()));
    GIntCompanyID = companyId_;
    GIntUserID = userId_;
    GIntFinancialID = financialId_;
    GIntDepartmentID = departmentId_;
    GDtProcessDate = processDate_;
    GStrMsgboxCaption = caption_;
    // Each Show loads a fresh register, so a changed context is seen in full.
    FrmMaster register_;
    ShowModal(&register_, nullptr);
}

}  // namespace pcp
