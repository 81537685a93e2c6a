#include "report/ReportDataSources.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStandardPaths>
#include <QTextStream>

#include "data/ModulePath.h"
#include "data/SqlDriver.h"
#include "report/ReportError.h"

namespace pcp {

namespace {

const QString kDriver = QStringLiteral("pdsodbc.dll");

// Settings files are read by hand: connection strings hold ';', '=' and ','
// which other readers take for comments or lists.
QHash<QString, QHash<QString, QString>> readIni(const QString& file) {
    QHash<QString, QHash<QString, QString>> sections;
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return sections;
    QTextStream in(&f);
    QString section;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#')) continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            section = line.mid(1, line.size() - 2).trimmed().toLower();
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0) continue;
        sections[section].insert(line.left(eq).trimmed().toLower(), line.mid(eq + 1).trimmed());
    }
    return sections;
}

// Whether the connection string gives the key or another name drivers take
// for it (psqlODBC's Username and Password).
bool hasKey(const QString& connectionString, const QString& key) {
    static const QHash<QString, QStringList> synonyms = {
        {QStringLiteral("uid"), {QStringLiteral("username"), QStringLiteral("user")}},
        {QStringLiteral("pwd"), {QStringLiteral("password")}}};
    const QStringList names = QStringList{key.toLower()} + synonyms.value(key.toLower());
    for (const QString& part : connectionString.split(u';', Qt::SkipEmptyParts))
        if (names.contains(part.section(u'=', 0, 0).trimmed().toLower())) return true;
    return false;
}

// The logon's database, user and password complete an ODBC connection string
// that does not give its own.
QString withLogon(QString connection, const ReportLogon& logon) {
    const auto add = [&](const QString& key, const QString& value) {
        if (value.isEmpty() || hasKey(connection, key)) return;
        if (!connection.trimmed().endsWith(u';')) connection += u';';
        connection += key + u'=' + value;
    };
    add(QStringLiteral("Database"), logon.database);
    add(QStringLiteral("UID"), logon.user);
    add(QStringLiteral("PWD"), logon.password);
    return connection;
}

}  // namespace

QString ReportDataSources::ConfigFile() {
    if (qEnvironmentVariableIsSet("PCP_DATASOURCES")) {
        const QString file = qEnvironmentVariable("PCP_DATASOURCES");
        return QFileInfo::exists(file) ? file : QString();
    }
    const QString user = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                         QStringLiteral("/lq8dm362/datasources.ini");
    if (QFileInfo::exists(user)) return user;
    const QString beside = ModuleFolder() + QStringLiteral("/datasources.ini");
    return QFileInfo::exists(beside) ? beside : QString();
}

ReportDataSources ReportDataSources::Load() {
    return Read(ConfigFile());
}

ReportDataSources ReportDataSources::Read(const QString& file) {
    ReportDataSources s;
    s.file_ = file;
    if (!file.isEmpty()) s.sections_ = readIni(file);
    return s;
}

QString ReportDataSources::value(const QString& section, const QString& key,
                                 const QString& fallback) const {
    const auto keys = sections_.value(section.toLower());
    const auto it = keys.constFind(key.toLower());
    return it == keys.constEnd() ? fallback : it.value();
}

ReportLogon ReportDataSources::logon() const {
    const QString s = QStringLiteral("Logon");
    return {value(s, QStringLiteral("Driver"), kDriver),
            value(s, QStringLiteral("DataSource"), QStringLiteral("admindsnv2")),
            value(s, QStringLiteral("Database"), QStringLiteral("adminv2")),
            value(s, QStringLiteral("User"), QStringLiteral("admin")),
            value(s, QStringLiteral("Password"), QString())};
}

QString ReportDataSources::connectionFor(const ReportLogon& logon, const QString& embedded) const {
    if (logon.driver.compare(kDriver, Qt::CaseInsensitive) != 0)
        raiseReport(kErrReportLogon,
                    QStringLiteral("The report engine has no database driver \"%1\"; it logs on "
                                   "through %2.")
                        .arg(logon.driver, kDriver));
    const QString configured = value(QStringLiteral("DataSources"), logon.dataSource, QString());
    if (!configured.isEmpty()) {
        if (ParseConnectionString(configured).provider == u"sqlite") return configured;
        return withLogon(configured, logon);
    }
    if (!embedded.isEmpty() && ParseConnectionString(embedded).provider == u"sqlite")
        return embedded;
    raiseReport(
        kErrReportLogon,
        QStringLiteral("The data source \"%1\" is not configured: name it in section "
                       "[DataSources] of %2.")
            .arg(logon.dataSource, file_.isEmpty() ? QStringLiteral("datasources.ini") : file_));
}

}  // namespace pcp
