#include "ModuleServer.h"

#include <dlfcn.h>

#include <QFileInfo>
#include <atomic>

#include "AdoConnection.h"
#include "ClsPettyCashPayments.h"
#include "ComRegistry.h"
#include "suite/ClsIncident.h"
#include "suite/ClsLayout.h"
#include "suite/ClsPalette.h"
#include "suite/ClsTrail.h"
#include "suite/ClsUtility.h"
#include "suite/ClsVault.h"

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
const char* const kServedClasses[] = {ClsPettyCashPayments::kProgId, "ADODB.Connection"};

}  // namespace

QString ModuleLibraryPath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&DllRegisterServer), &info) && info.dli_fname)
        return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absoluteFilePath();
    return QString();
}

int LiveObjectCount() { return g_live; }

QObject* ClassFactory::CreateInstance() { return ComRegistry::instance().createObject(progId_); }

void RegisterModuleClasses(ComRegistry& registry) {
    registry.registerClass(QString::fromLatin1(ClsPettyCashPayments::kProgId), [] { return counted<ClsPettyCashPayments>(); });
    registry.registerClass(QStringLiteral("ADODB.Connection"), [] { return counted<AdoConnection>(); });
    registry.registerClass(QStringLiteral("Kestrel.clsVault"), [] { return new ClsVault(); });
    registry.registerClass(QStringLiteral("Kestrel.clsUtility"), [] { return new ClsUtility(); });
    registry.registerClass(QStringLiteral("Marlin.clsIncident"), [] { return new ClsIncident(); });
    registry.registerClass(QStringLiteral("Osprey.clsTrail"), [] { return new ClsTrail(); });
    registry.registerClass(QStringLiteral("Heron.clsPalette"), [] { return new ClsPalette(); });
    registry.registerClass(QStringLiteral("Plover.clsLayout"), [] { return new ClsLayout(); });
}

}  // namespace pcp

int DllRegisterServer() {
    const QString path = pcp::ModuleLibraryPath();
    if (path.isEmpty()) return 1;
    for (const char* progId : pcp::kServedClasses) pcp::ComRegistry::writeRegistration(QString::fromLatin1(progId), path);
    return 0;
}

int DllUnregisterServer() {
    for (const char* progId : pcp::kServedClasses) pcp::ComRegistry::removeRegistration(QString::fromLatin1(progId));
    return 0;
}

QObject* DllGetClassObject(const char* progId) {
    const QString id = QString::fromUtf8(progId);
    for (const char* served : pcp::kServedClasses)
        if (id.compare(QString::fromLatin1(served), Qt::CaseInsensitive) == 0) return new pcp::ClassFactory(id);
    return nullptr;
}

int DllCanUnloadNow() { return pcp::LiveObjectCount() == 0 ? 0 : 1; }
