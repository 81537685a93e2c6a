#include "module/ModuleServer.h"

#include <QFileInfo>
#include <atomic>

#include "data/AdoConnection.h"
#include "module/clsPettyCashPayments.h"
#include "suite/ComRegistry.h"
#include "suite/SuiteComponents.h"

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
    RegisterSuiteComponents(registry);
}

namespace {
// The registry is filled when the library is loaded, before any host or
// window can ask it for an object.
const bool g_classesRegistered = (RegisterModuleClasses(ComRegistry::instance()), true);
}  // namespace

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
