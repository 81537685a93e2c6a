#pragma once
// The library's in-process server entry points. A host finds the library by
// the ProgID in the registry file (written by DllRegisterServer), loads it,
// asks DllGetClassObject for the class factory and calls CreateInstance on it
// by name. DllCanUnloadNow tells whether any object of the library is alive.

#include <QObject>

#include "data/ModulePath.h"

#define PCP_EXPORT extern "C" __attribute__((visibility("default")))

PCP_EXPORT int DllRegisterServer();
PCP_EXPORT int DllUnregisterServer();
PCP_EXPORT QObject* DllGetClassObject(const char* progId);
PCP_EXPORT int DllCanUnloadNow();

namespace pcp {

class ComRegistry;

// The class factory handed out by DllGetClassObject.
class ClassFactory : public QObject {
    Q_OBJECT
  public:
    explicit ClassFactory(QString progId) : progId_(std::move(progId)) {}
    Q_INVOKABLE QObject* CreateInstance();

  private:
    QString progId_;
};

// Puts the module's own classes and the local suite components into the registry.
void RegisterModuleClasses(ComRegistry& registry);

// Objects of this library that a host still holds.
int LiveObjectCount();

}  // namespace pcp
