#pragma once
// The local stand-ins of the suite's six service components, put into the
// registry under the suite's ProgIDs by the module entry.

namespace pcp {

class ComRegistry;

void RegisterSuiteComponents(ComRegistry& registry);

}  // namespace pcp
