#include "ModuleState.h"

#include "ModuleServer.h"
#include "core/BasModule.h"
#include "core/ComRegistry.h"
#include "core/suite/clsIncident.h"
#include "core/ui/Help.h"
#include "core/ui/MessageBox.h"
#include "core/ui/Modal.h"
#include "core/ui/Pointer.h"
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
