#include "suite/ComRegistry.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLibrary>
#include <QMetaMethod>
#include <QMutex>
#include <QSettings>
#include <QStandardPaths>

#include "data/ModuleError.h"
#include "data/ModulePath.h"
#include "data/Values.h"

namespace pcp {

namespace {
const QString kSource = QStringLiteral("PettyCashPayments.ComRegistry");

using GetClassObjectFn = QObject* (*)(const char*);

QObject* createFromLibrary(const QString& progId, const QString& path) {
    QLibrary lib(path);
    if (!lib.load())
        raise(kErrCantCreateObject, kSource,
              QStringLiteral("ActiveX component can't create object: %1 (%2)")
                  .arg(progId, lib.errorString()));
    auto getClassObject = reinterpret_cast<GetClassObjectFn>(lib.resolve("DllGetClassObject"));
    if (!getClassObject)
        raise(kErrCantCreateObject, kSource,
              QStringLiteral("ActiveX component can't create object: %1").arg(progId));
    QObject* factory = getClassObject(progId.toUtf8().constData());
    if (!factory)
        raise(kErrCantCreateObject, kSource,
              QStringLiteral("ActiveX component can't create object: %1").arg(progId));
    QObject* instance = qvariant_cast<QObject*>(CallByName(factory, "CreateInstance", {}));
    delete factory;
    if (!instance)
        raise(kErrCantCreateObject, kSource,
              QStringLiteral("ActiveX component can't create object: %1").arg(progId));
    return instance;
}

QMetaMethod findMethod(QObject* object, const char* member, qsizetype argc) {
    const QMetaObject* mo = object->metaObject();
    for (int i = mo->methodCount() - 1; i >= 0; --i) {
        const QMetaMethod m = mo->method(i);
        if (m.parameterCount() == argc && qstricmp(m.name().constData(), member) == 0) return m;
    }
    return QMetaMethod();
}

QByteArray findProperty(QObject* object, const char* name) {
    const QMetaObject* mo = object->metaObject();
    for (int i = 0; i < mo->propertyCount(); ++i)
        if (qstricmp(mo->property(i).name(), name) == 0) return mo->property(i).name();
    return QByteArray(name);
}

// What a file is on disk now: its identity, size and times to the nanosecond
// (one stat, and no time zone to look up as QFileInfo's times would).
struct FileState {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{}, changed{};

    static FileState of(const QString& file) {
        FileState f;
        struct stat st {};
        if (::stat(QFile::encodeName(file).constData(), &st) != 0) return f;
        f.exists = true;
        f.device = st.st_dev;
        f.inode = st.st_ino;
        f.size = st.st_size;
        f.modified = st.st_mtim;
        f.changed = st.st_ctim;
        return f;
    }
    bool operator==(const FileState& o) const {
        return exists == o.exists && device == o.device && inode == o.inode && size == o.size &&
               modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec &&
               changed.tv_sec == o.changed.tv_sec && changed.tv_nsec == o.changed.tv_nsec;
    }
};

// The [classes] section of a registry file as last read, with what the file
// was then. Every object created asks for its ProgID, and reading the file
// each time cost more than making most objects; a file written since (by a
// host or an installer) differs in its identity, times or size and is read again.
struct RegistrySnapshot {
    bool read = false;
    QString path;
    FileState state;
    QHash<QString, QString> classes;
};

QMutex g_registryLock;
RegistrySnapshot g_registry;

RegistrySnapshot readRegistry(const QString& file, const FileState& state) {
    RegistrySnapshot s;
    s.read = true;
    s.path = file;
    s.state = state;
    if (!state.exists) return s;
    QSettings settings(file, QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("classes"));
    for (const QString& key : settings.childKeys())
        s.classes.insert(key, settings.value(key).toString());
    return s;
}

[[noreturn]] void memberNotFound(const char* member) {
    raise(kErrMemberNotFound, kSource,
          QStringLiteral("Object doesn't support this property or method: %1")
              .arg(QLatin1String(member)));
}

}  // namespace

ComRegistry& ComRegistry::instance() {
    static ComRegistry* registry = new ComRegistry();
    return *registry;
}

void ComRegistry::registerClass(const QString& progId, ObjectFactory factory) {
    builtIn_[progId.toLower()] = std::move(factory);
}

bool ComRegistry::hasClass(const QString& progId) const {
    return builtIn_.count(progId.toLower()) || overrides_.count(progId.toLower());
}

void ComRegistry::overrideClass(const QString& progId, ObjectFactory factory) {
    overrides_[progId.toLower()] = std::move(factory);
}

void ComRegistry::clearOverrides() {
    overrides_.clear();
}

QObject* ComRegistry::createObject(const QString& progId) {
    const QString key = progId.toLower();
    if (auto it = overrides_.find(key); it != overrides_.end()) return it->second();
    // A class registered to another library replaces ours; our own library's
    // registrations lead back to the built-in classes.
    const QString library = registeredLibrary(progId);
    if (!library.isEmpty() && QFileInfo(library).canonicalFilePath() !=
                                  QFileInfo(ModuleLibraryPath()).canonicalFilePath())
        return createFromLibrary(progId, library);
    if (auto it = builtIn_.find(key); it != builtIn_.end()) return it->second();
    raise(kErrCantCreateObject, kSource,
          QStringLiteral("ActiveX component can't create object: %1").arg(progId));
}

QString ComRegistry::registryFile() {
    const QString fromEnv = qEnvironmentVariable("PCP_REGISTRY");
    if (!fromEnv.isEmpty()) return fromEnv;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/lq8dm362/registry.ini");
}

void ComRegistry::writeRegistration(const QString& progId, const QString& libraryPath) {
    QDir().mkpath(QFileInfo(registryFile()).absolutePath());
    {
        QSettings s(registryFile(), QSettings::IniFormat);
        s.setValue(QStringLiteral("classes/") + progId, libraryPath);
    }
    resetRegistryCache();
}

void ComRegistry::removeRegistration(const QString& progId) {
    {
        QSettings s(registryFile(), QSettings::IniFormat);
        s.remove(QStringLiteral("classes/") + progId);
    }
    resetRegistryCache();
}

QString ComRegistry::registeredLibrary(const QString& progId) {
    const QString file = registryFile();
    // A ProgID with a slash names a key below the section: QSettings finds that.
    if (progId.contains(u'/') || progId.contains(u'\\')) {
        QSettings s(file, QSettings::IniFormat);
        return s.value(QStringLiteral("classes/") + progId).toString();
    }
    const FileState state = FileState::of(file);
    const QMutexLocker lock(&g_registryLock);
    if (!g_registry.read || g_registry.path != file || !(g_registry.state == state))
        g_registry = readRegistry(file, state);
    return g_registry.classes.value(progId);
}

void ComRegistry::resetRegistryCache() {
    const QMutexLocker lock(&g_registryLock);
    g_registry = RegistrySnapshot();
}

LateObject::LateObject(QObject* owned) : object_(owned) {}

QVariant LateObject::call(const char* member, const QVariantList& args) const {
    if (!object_) raise(kErrObjectRequired, kSource, QStringLiteral("Object required"));
    return CallByName(object_.get(), member, args);
}

QVariant LateObject::get(const char* property) const {
    if (!object_) raise(kErrObjectRequired, kSource, QStringLiteral("Object required"));
    return GetByName(object_.get(), property);
}

void LateObject::set(const char* property, const QVariant& value) const {
    if (!object_) raise(kErrObjectRequired, kSource, QStringLiteral("Object required"));
    SetByName(object_.get(), property, value);
}

LateObject CreateObject(const QString& progId) {
    return LateObject(ComRegistry::instance().createObject(progId));
}

QVariant CallByName(QObject* object, const char* member, const QVariantList& args) {
    if (!object) raise(kErrObjectRequired, kSource, QStringLiteral("Object required"));
    if (args.size() > 10) memberNotFound(member);
    const QMetaMethod method = findMethod(object, member, args.size());
    if (!method.isValid()) memberNotFound(member);

    void* argv[11] = {};
    QVariant returnVariant;  // for a method returning QVariant
    QVariant returnValue;    // for any other return type
    const QMetaType returnType = method.returnMetaType();
    if (returnType.id() == QMetaType::QVariant) {
        argv[0] = &returnVariant;
    } else if (returnType.isValid() && returnType.id() != QMetaType::Void) {
        returnValue = QVariant(returnType);
        argv[0] = returnValue.data();
    }

    QVariantList converted(args.size());
    QObject* objects[10] = {};
    for (int i = 0; i < args.size(); ++i) {
        const QMetaType type = method.parameterMetaType(i);
        if (type.id() == QMetaType::QVariant) {
            converted[i] = args[i];
            argv[i + 1] = &converted[i];
        } else if (type.flags() & QMetaType::PointerToQObject) {
            objects[i] = qvariant_cast<QObject*>(args[i]);
            argv[i + 1] = &objects[i];
        } else {
            converted[i] = args[i];
            if (type.id() == QMetaType::Short && converted[i].isValid() && !converted[i].isNull())
                converted[i] = QVariant::fromValue<qint16>(CInt(converted[i]));
            if (!converted[i].isValid() || converted[i].isNull())
                converted[i] = QVariant(type);
            else if (!converted[i].convert(type))
                raise(kErrTypeMismatch, kSource, QStringLiteral("Type mismatch"));
            argv[i + 1] = converted[i].data();
        }
    }
    object->qt_metacall(QMetaObject::InvokeMetaMethod, method.methodIndex(), argv);
    if (returnType.id() == QMetaType::QVariant) return returnVariant;
    return returnValue;
}

QVariant GetByName(QObject* object, const char* property) {
    if (!object) raise(kErrObjectRequired, kSource, QStringLiteral("Object required"));
    const QByteArray name = findProperty(object, property);
    const QVariant v = object->property(name.constData());
    if (!v.isValid() && object->metaObject()->indexOfProperty(name.constData()) < 0 &&
        !object->dynamicPropertyNames().contains(name))
        memberNotFound(property);
    return v;
}

void SetByName(QObject* object, const char* property, const QVariant& value) {
    if (!object) raise(kErrObjectRequired, kSource, QStringLiteral("Object required"));
    const QByteArray name = findProperty(object, property);
    const int index = object->metaObject()->indexOfProperty(name.constData());
    if (index < 0) memberNotFound(property);
    QMetaProperty p = object->metaObject()->property(index);
    QVariant v = value;
    // 16-bit properties take the 16-bit conversion, overflow included.
    if (p.metaType().id() == QMetaType::Short) v = QVariant::fromValue<qint16>(CInt(value));
    if (p.metaType().flags() & QMetaType::PointerToQObject)
        v = QVariant::fromValue(qvariant_cast<QObject*>(value));
    if (!p.write(object, v)) raise(kErrTypeMismatch, kSource, QStringLiteral("Type mismatch"));
}

}  // namespace pcp
