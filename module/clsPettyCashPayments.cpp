#include "clsPettyCashPayments.h"

#include "core/AdoConnection.h"
#include "core/BasModule.h"
#include "core/ui/Modal.h"
#include "register/FrmMaster.h"

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
