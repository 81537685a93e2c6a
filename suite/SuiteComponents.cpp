#include "SuiteComponents.h"

#include "../ComRegistry.h"
#include "clsIncident.h"
#include "clsLayout.h"
#include "clsPalette.h"
#include "clsTrail.h"
#include "clsUtility.h"
#include "clsVault.h"

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
