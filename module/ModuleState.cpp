#include "module/ModuleState.h"

#include "module/ModuleServer.h"
#include "suite/BasModule.h"
#include "suite/ComRegistry.h"
#include "suite/clsIncident.h"
#include "ui/Help.h"
#include "ui/MessageBox.h"
#include "ui/Modal.h"
#include "ui/Pointer.h"
#include "voucher/frmDebitEntry.h"
#include "voucher/frmpayments.h"

namespace pcp {

void ResetModuleState() {
    UnloadPaymentsForm();
    frmDebitEntry::intRowCount = 0;
    frmDebitEntry::intDupExist = 0;
    BasModule::ResetContext();
    SetHelpFile(QString());
    clsIncident::recorded().clear();
    clsIncident::forgetPending();
    ComRegistry::instance().clearOverrides();
    SetMessagePresenter({});
    SetModalHook({});
    MousePointer::reset();
    ResetLiveObjectCount();
}

}  // namespace pcp
