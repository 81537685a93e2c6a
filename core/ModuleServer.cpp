#include "ModuleServer.h"

#include <dlfcn.h>

#include <QFileInfo>
#include <atomic>

#include "AdoConnection.h"
#include "ComRegistry.h"
#include "clsPettyCashPayments.h"
#include "suite/clsIncident.h"
#include "suite/clsLayout.h"
#include "suite/clsPalette.h"
#include "suite/clsTrail.h"
#include "suite/clsUtility.h"
#include "suite/clsVault.h"

namespace pcp {

namespace {

std::atomic<int> g_live{0};

template <class T>
QObject* counted() {
    auto* o = new T();
    ++g_live;
    QObject::connect(o, &QObject::destroyed, [] { --g_live; });
    return o;
}

// The ProgIDs this library serves to hosts.
const char* const kServedClasses[] = {clsPettyCashPayments::kProgId, "ADODB.Connection"};

}  // namespace

QString ModuleLibraryPath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&DllRegisterServer), &info) && info.dli_fname)
        return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absoluteFilePath();
    return QString();
}

int LiveObjectCount() {
    return g_live;
}

QObject* ClassFactory::CreateInstance() {
    return ComRegistry::instance().createObject(progId_);
}

void RegisterModuleClasses(ComRegistry& registry) {
    registry.registerClass(QString::fromLatin1(clsPettyCashPayments::kProgId),
                           [] { return counted<clsPettyCashPayments>(); });
    registry.registerClass(QStringLiteral("ADODB.Connection"),
                           [] { return counted<AdoConnection>(); });
    registry.registerClass(QStringLiteral("Kestrel.clsVault"), [] { return new clsVault(); });
    registry.registerClass(QStringLiteral("Kestrel.clsUtility"), [] { return new clsUtility(); });
    registry.registerClass(QStringLiteral("Marlin.clsIncident"), [] { return new clsIncident(); });
    registry.registerClass(QStringLiteral("Osprey.clsTrail"), [] { return new clsTrail(); });
    registry.registerClass(QStringLiteral("Heron.clsPalette"), [] { return new clsPalette(); });
    registry.registerClass(QStringLiteral("Plover.clsLayout"), [] { return new clsLayout(); });
}

}  // namespace pcp

int DllRegisterServer() {
    const QString path = pcp::ModuleLibraryPath();
    if (path.isEmpty()) return 1;
    for (const char* progId : pcp::kServedClasses)
        pcp::ComRegistry::writeRegistration(QString::fromLatin1(progId), path);
    return 0;
}

int DllUnregisterServer() {
    for (const char* progId : pcp::kServedClasses)
        pcp::ComRegistry::removeRegistration(QString::fromLatin1(progId));
    return 0;
}

QObject* DllGetClassObject(const char* progId) {
    const QString id = QString::fromUtf8(progId);
    for (const char* served : pcp::kServedClasses)
        if (id.compare(QString::fromLatin1(served), Qt::CaseInsensitive) == 0)
            return new pcp::ClassFactory(id);
    return nullptr;
}

int DllCanUnloadNow() {
    return pcp::LiveObjectCount() == 0 ? 0 : 1;
}
