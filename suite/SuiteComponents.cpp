#include "suite/SuiteComponents.h"

#include "suite/ComRegistry.h"
#include "suite/clsIncident.h"
#include "suite/clsLayout.h"
#include "suite/clsPalette.h"
#include "suite/clsTrail.h"
#include "suite/clsUtility.h"
#include "suite/clsVault.h"

namespace pcp {

void RegisterSuiteComponents(ComRegistry& registry) {
    registry.registerClass(QStringLiteral("Kestrel.clsVault"), [] { return new clsVault(); });
    registry.registerClass(QStringLiteral("Kestrel.clsUtility"), [] { return new clsUtility(); });
    registry.registerClass(QStringLiteral("Marlin.clsIncident"), [] { return new clsIncident(); });
    registry.registerClass(QStringLiteral("Osprey.clsTrail"), [] { return new clsTrail(); });
    registry.registerClass(QStringLiteral("Heron.clsPalette"), [] { return new clsPalette(); });
    registry.registerClass(QStringLiteral("Plover.clsLayout"), [] { return new clsLayout(); });
}

}  // namespace pcp
