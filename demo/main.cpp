// The demo host: what a user runs first. It knows the module only by its
// ProgID, as the suite's hosts do: it finds the library through the registry
// file (or beside itself), creates the class through the library's class
// factory, sets the module context by property name and calls Show by name.

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QLibrary>
#include <QMessageBox>
#include <QSettings>
#include <QStandardPaths>
#include <cstdio>

#include "demo/DemoDatabase.h"
#include "demo/HostOptions.h"

namespace {

const char* const kProgId = "lq8dm362.clsPettyCashPayments";

using GetClassObjectFn = QObject* (*)(const char*);
using RegisterFn = int (*)();

QString registryFile() {
    const QString fromEnv = qEnvironmentVariable("PCP_REGISTRY");
    if (!fromEnv.isEmpty()) return fromEnv;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/lq8dm362/registry.ini");
}

// The library registered under the ProgID, else the one installed beside the host.
QString findModule() {
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/") +
                           QStringLiteral(PCP_MODULE_FILE);
    if (QFileInfo::exists(beside)) return beside;
    QSettings registry(registryFile(), QSettings::IniFormat);
    return registry.value(QStringLiteral("classes/") + QLatin1String(kProgId)).toString();
}

QObject* create(GetClassObjectFn getClassObject, const char* progId) {
    QObject* factory = getClassObject(progId);
    if (!factory) return nullptr;
    QObject* instance = nullptr;
    QMetaObject::invokeMethod(factory, "CreateInstance", Q_RETURN_ARG(QObject*, instance));
    delete factory;
    return instance;
}

// The title of the host's own message boxes: the module's caption.
QString g_caption = pcphost::HostOptions().caption;

void print(const QString& message) {
    std::fprintf(stderr, "pettycash: %s\n", qPrintable(message));
}

int showError(const QString& message) {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) &&
        qEnvironmentVariable("QT_QPA_PLATFORM") != u"offscreen")
        QMessageBox::critical(nullptr, g_caption, message);
    return 1;
}

int fail(const QString& message) {
    print(message);
    return showError(message);
}

// Reads the options before any window system is needed, so --help and
// --version print and exit anywhere (no display, no QT_QPA_PLATFORM).
bool parseOptions(int argc, char** argv, pcphost::HostOptions& options, QString& error) {
    QCoreApplication parsing(argc, argv);
    return pcphost::ParseHostOptions(parsing.arguments(), options, error);
}

// The demo process date recorded in an embedded database, if any.
QDate recordedProcessDate(const pcphost::HostOptions& options) {
    return options.odbcConnection.isEmpty() ? pcp::demo::DemoProcessDate(options.databaseFile)
                                            : QDate();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication::setOrganizationName(QStringLiteral("lq8dm362"));
    QCoreApplication::setApplicationName(QStringLiteral("PettyCash"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PCP_VERSION));

    pcphost::HostOptions options;
    QString error;
    const bool parsed = parseOptions(argc, argv, options, error);
    g_caption = options.caption;
    if (!parsed) print(error);  // even where the window system cannot start
    QApplication app(argc, argv);
    if (!parsed) return showError(error);

    QLibrary module(findModule());
    if (!module.load())
        return fail(QStringLiteral("The module library could not be loaded: ") +
                    module.errorString());
    auto registerServer = reinterpret_cast<RegisterFn>(module.resolve("DllRegisterServer"));
    auto getClassObject = reinterpret_cast<GetClassObjectFn>(module.resolve("DllGetClassObject"));
    if (!registerServer || !getClassObject)
        return fail(QStringLiteral("The library is not the petty cash module."));
    if (registerServer() != 0) return fail(QStringLiteral("The module could not be registered."));
    if (options.registerOnly) {
        std::printf("registered %s in %s\n", kProgId, qPrintable(registryFile()));
        return 0;
    }

    QString connectionString = options.odbcConnection;
    if (connectionString.isEmpty()) {
        const QDate madeFor = pcphost::ChooseProcessDate(options.processDate, QDate());
        if (!pcp::demo::EnsureDemoDatabase(options.databaseFile, madeFor, &error))
            return fail(QStringLiteral("The demo database could not be created: ") + error);
        connectionString = QStringLiteral("Provider=SQLite;Data Source=") + options.databaseFile;
    }

    QObject* connection = create(getClassObject, "ADODB.Connection");
    QObject* payments = create(getClassObject, kProgId);
    if (!connection || !payments)
        return fail(QStringLiteral("The module's classes could not be created."));
    connection->setProperty("ConnectionString", connectionString);
    try {
        QMetaObject::invokeMethod(connection, "Open", Q_ARG(QString, connectionString));
    } catch (const std::exception& e) {
        return fail(QStringLiteral("The database could not be opened: ") +
                    QString::fromLocal8Bit(e.what()));
    }

    payments->setProperty("adocon", QVariant::fromValue(connection));
    payments->setProperty("strMsgboxCaption", options.caption);
    payments->setProperty("intCompanyID", QVariant::fromValue<qint16>(qint16(options.company)));
    payments->setProperty("intdepartmentid",
                          QVariant::fromValue<qint16>(qint16(options.department)));
    payments->setProperty("intuserid", QVariant::fromValue<qint16>(qint16(options.user)));
    payments->setProperty("intFinancialID",
                          QVariant::fromValue<qint16>(qint16(options.financialYear)));
    const QDate processDate =
        pcphost::ChooseProcessDate(options.processDate, recordedProcessDate(options));
    payments->setProperty("dtProcessDate", QDateTime(processDate, QTime(0, 0), Qt::UTC));
    QMetaObject::invokeMethod(payments, "Show");

    delete payments;
    delete connection;
    return 0;
}
