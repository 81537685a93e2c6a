#include "data/ModulePath.h"

#include <dlfcn.h>

#include <QFileInfo>

namespace pcp {

// dladdr on a function of this file names the shared object it was loaded
// from; every layer of the module is linked into that one library.
QString ModuleLibraryPath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&ModuleLibraryPath), &info) && info.dli_fname)
        return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absoluteFilePath();
    return QString();
}

QString ModuleFolder() {
    return QFileInfo(ModuleLibraryPath()).absolutePath();
}

}  // namespace pcp
