#pragma once
// Command line of the demo host.

#include <QDate>
#include <QString>
#include <QStringList>

namespace pcphost {

struct HostOptions {
    QString databaseFile;    // embedded database (default: in the user's data folder)
    QString odbcConnection;  // SQL Server through ODBC instead
    int company = 1;
    int user = 1;
    int department = 0;
    int financialYear = 2;
    QDate processDate;  // invalid unless --process-date was given
    QString caption = QStringLiteral("Petty Cash");
    bool registerOnly = false;
};

// Parses the arguments; on a bad argument returns false with the message
// in error. --help and --version are handled by the parser itself (print and
// exit), so it needs a QCoreApplication but no display.
bool ParseHostOptions(const QStringList& arguments, HostOptions& options, QString& error);

QString DefaultDatabaseFile();

// The process date the module gets: the one given, else the date a demo
// database was made for (so its vouchers are in the register's window
// however long ago it was made), else today.
QDate ChooseProcessDate(const QDate& given, const QDate& demoMadeFor,
                        const QDate& today = QDate::currentDate());

}  // namespace pcphost
