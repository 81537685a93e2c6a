#include "demo/HostOptions.h"

#include <QCommandLineParser>
#include <QStandardPaths>

namespace pcphost {

namespace {

bool readId(const QCommandLineParser& p, const QString& name, int& out, int min, QString& error) {
    if (!p.isSet(name)) return true;
    bool ok = false;
    const int v = p.value(name).toInt(&ok);
    if (!ok || v < min || v > 32767) {
        error = QStringLiteral("--%1 must be a whole number from %2 to 32767, not \"%3\".")
                    .arg(name)
                    .arg(min)
                    .arg(p.value(name));
        return false;
    }
    out = v;
    return true;
}

}  // namespace

QString DefaultDatabaseFile() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/pettycash-demo.db");
}

bool ParseHostOptions(const QStringList& arguments, HostOptions& o, QString& error) {
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Demo host of the petty cash payments module. With no options it opens (and on first use "
        "creates) "
        "a demo database in the user's data folder and shows the payment register."));
    p.addHelpOption();
    p.addVersionOption();
    p.addOptions({
        {QStringLiteral("database"),
         QStringLiteral("Embedded database file to open (created with demo data if missing)."),
         QStringLiteral("file")},
        {QStringLiteral("odbc"),
         QStringLiteral("ODBC connection string, used instead of the embedded database: any the "
                        "installed drivers take, such as the suite's SQL Server through FreeTDS, "
                        "PostgreSQL through psqlODBC or a SQLite database file through the "
                        "SQLite ODBC driver."),
         QStringLiteral("connection")},
        {QStringLiteral("company"), QStringLiteral("Company ID (default 1)."),
         QStringLiteral("id")},
        {QStringLiteral("user"),
         QStringLiteral("User ID (default 1: admin; 2 clerk, 3 auditor, 4 supervisor)."),
         QStringLiteral("id")},
        {QStringLiteral("department"),
         QStringLiteral("Department of the user, 0 for all (default 0)."), QStringLiteral("id")},
        {QStringLiteral("financial-year"),
         QStringLiteral("Financial year ID (default 2, the current year)."), QStringLiteral("id")},
        {QStringLiteral("process-date"),
         QStringLiteral("Process date as yyyy-mm-dd (default: the date the demo database was "
                        "made for, so its vouchers show however old it is; else today)."),
         QStringLiteral("date")},
        {QStringLiteral("caption"),
         QStringLiteral("Title of the module's message boxes (default \"Petty Cash\")."),
         QStringLiteral("text")},
        {QStringLiteral("register"),
         QStringLiteral("Only register the module under its ProgID and exit.")},
    });
    p.process(arguments);  // --help and --version print and exit here
    // First, so that a message about a bad argument already carries it.
    if (p.isSet(QStringLiteral("caption"))) o.caption = p.value(QStringLiteral("caption"));
    if (!p.positionalArguments().isEmpty()) {
        error = QStringLiteral("Unexpected argument: ") + p.positionalArguments().first();
        return false;
    }
    o.databaseFile = p.isSet(QStringLiteral("database")) ? p.value(QStringLiteral("database"))
                                                         : DefaultDatabaseFile();
    o.odbcConnection = p.value(QStringLiteral("odbc"));
    if (!readId(p, QStringLiteral("company"), o.company, 1, error) ||
        !readId(p, QStringLiteral("user"), o.user, 1, error) ||
        !readId(p, QStringLiteral("department"), o.department, 0, error) ||
        !readId(p, QStringLiteral("financial-year"), o.financialYear, 1, error))
        return false;
    if (p.isSet(QStringLiteral("process-date"))) {
        o.processDate = QDate::fromString(p.value(QStringLiteral("process-date")), Qt::ISODate);
        if (!o.processDate.isValid()) {
            error = QStringLiteral("--process-date must be a date as yyyy-mm-dd, not \"%1\".")
                        .arg(p.value(QStringLiteral("process-date")));
            return false;
        }
    }
    o.registerOnly = p.isSet(QStringLiteral("register"));
    return true;
}

QDate ChooseProcessDate(const QDate& given, const QDate& demoMadeFor, const QDate& today) {
    if (given.isValid()) return given;
    return demoMadeFor.isValid() ? demoMadeFor : today;
}

}  // namespace pcphost
