#pragma once
// Objects created by ProgID and called by member name at run time.
//
// The registry first looks for a library registered under the ProgID in the
// registry file (so a deployment can put another component in place of ours);
// otherwise it uses the classes built into this library. LateObject calls
// members and properties by name through Qt's meta-object system, which is
// our dispatch interface.

#include <QObject>
#include <QString>
#include <QVariant>
#include <functional>
#include <map>
#include <memory>

namespace pcp {

using ObjectFactory = std::function<QObject*()>;

class ComRegistry {
  public:
    static ComRegistry& instance();

    void registerClass(const QString& progId, ObjectFactory factory);
    bool hasClass(const QString& progId) const;
    // Replaces a class for the rest of the process (tests put doubles in place).
    void overrideClass(const QString& progId, ObjectFactory factory);
    void clearOverrides();

    // A new instance; the caller owns it. Raises "ActiveX component can't
    // create object" (429) for an unknown ProgID.
    QObject* createObject(const QString& progId);

    // The registry file: progId = library path, in section [classes].
    static QString registryFile();
    static void writeRegistration(const QString& progId, const QString& libraryPath);
    static void removeRegistration(const QString& progId);
    static QString registeredLibrary(const QString& progId);
    // Forgets the registry file as last read, so that the next look-up reads
    // it again (a write through this class does so itself).
    static void resetRegistryCache();

  private:
    std::map<QString, ObjectFactory> builtIn_;
    std::map<QString, ObjectFactory> overrides_;
};

class LateObject {
  public:
    LateObject() = default;
    // Takes ownership of the object.
    explicit LateObject(QObject* owned);

    explicit operator bool() const { return bool(object_); }
    QObject* object() const { return object_.get(); }
    void reset() { object_.reset(); }

    QVariant call(const char* member, const QVariantList& args = {}) const;
    QVariant get(const char* property) const;
    void set(const char* property, const QVariant& value) const;

  private:
    std::shared_ptr<QObject> object_;
};

LateObject CreateObject(const QString& progId);

// Calls a member of any object by name (case-insensitive, as late binding is).
QVariant CallByName(QObject* object, const char* member, const QVariantList& args);
QVariant GetByName(QObject* object, const char* property);
void SetByName(QObject* object, const char* property, const QVariant& value);

// Wraps an object pointer for a by-name argument.
inline QVariant ObjectArg(QObject* o) {
    return QVariant::fromValue(o);
}

}  // namespace pcp
