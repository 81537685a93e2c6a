#include "ModuleState.h"

#include "BasModule.h"
#include "ComRegistry.h"
#include "ModuleServer.h"
#include "suite/clsIncident.h"
#include "ui/Help.h"
#include "ui/MessageBox.h"
#include "ui/Modal.h"
#include "ui/Pointer.h"

namespace pcp {

void ResetModuleState() {
    BasModule::ResetContext();
    SetHelpFile(QString());
    clsIncident::recorded().clear();
    ComRegistry::instance().clearOverrides();
    SetMessagePresenter({});
    SetModalHook({});
    MousePointer::reset();
    ResetLiveObjectCount();
}

}  // namespace pcp
