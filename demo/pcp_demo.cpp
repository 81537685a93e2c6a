// Loads the demo company into an empty PostgreSQL database reached through
// ODBC, as scripts/pg-demo does:
//
//   pcp_demo --odbc "<ODBC connection string>" [--process-date yyyy-mm-dd]
//
// Exits 0 once the demo is in, or says why not and exits 1.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <cstdio>

#include "demo/DemoDatabase.h"

namespace {

int fail(const QString& why) {
    std::fprintf(stderr, "pcp_demo: %s\n", qPrintable(why));
    return 1;
}

// The demo host's default when it opens a database that does not say: today.
bool processDateOf(const QCommandLineParser& options, QDate* date) {
    if (!options.isSet(QStringLiteral("process-date"))) {
        *date = QDate::currentDate();
        return true;
    }
    *date = QDate::fromString(options.value(QStringLiteral("process-date")), Qt::ISODate);
    return date->isValid();
}

int loadDemo(const QString& connection, const QDate& processDate) {
    const QString name = QStringLiteral("pcp-demo");
    QString error;
    bool opened = false, loaded = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name);
        db.setDatabaseName(connection);
        opened = db.open();
        if (!opened) error = db.lastError().text();
        loaded = opened && pcp::demo::CreatePostgresDemo(db, processDate, &error);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    if (!opened) return fail(QStringLiteral("the database could not be opened: ") + error);
    if (!loaded) return fail(QStringLiteral("the demo could not be loaded: ") + error);
    std::printf("The demo company is loaded for the process date %s.\n",
                qPrintable(processDate.toString(Qt::ISODate)));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser options;
    options.setApplicationDescription(
        QStringLiteral("Loads the petty cash demo company into an empty PostgreSQL database."));
    options.addHelpOption();
    options.addOption({QStringLiteral("odbc"),
                       QStringLiteral("The ODBC connection string of the empty database."),
                       QStringLiteral("connection")});
    options.addOption({QStringLiteral("process-date"),
                       QStringLiteral("The date the demo vouchers are made around (default: "
                                      "today)."),
                       QStringLiteral("yyyy-mm-dd")});
    if (!options.parse(app.arguments())) return fail(options.errorText());
    if (options.isSet(QStringLiteral("help"))) options.showHelp(0);
    if (!options.positionalArguments().isEmpty())
        return fail(QStringLiteral("unexpected argument \"%1\".")
                        .arg(options.positionalArguments().first()));
    if (!options.isSet(QStringLiteral("odbc")))
        return fail(QStringLiteral("--odbc \"<ODBC connection string>\" is needed."));
    QDate processDate;
    if (!processDateOf(options, &processDate))
        return fail(QStringLiteral("the process date \"%1\" is not a date (yyyy-mm-dd).")
                        .arg(options.value(QStringLiteral("process-date"))));
    return loadDemo(options.value(QStringLiteral("odbc")), processDate);
}
