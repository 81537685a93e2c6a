#pragma once
// Where the module's library lives: its help file, report definitions and
// SQLite function extension sit beside it, as they would in a deployment.

#include <QString>

namespace pcp {

// The path of this library as loaded (empty when it cannot be told).
QString ModuleLibraryPath();

// The folder of this library.
QString ModuleFolder();

}  // namespace pcp
