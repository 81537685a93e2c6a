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
    QDate processDate;
    QString caption = QStringLiteral("Petty Cash");
    bool registerOnly = false;
};

// Parses the arguments; on a bad argument returns false with the message
// in error. --help is handled by the parser itself (prints and exits).
bool ParseHostOptions(const QStringList& arguments, HostOptions& options, QString& error);

QString DefaultDatabaseFile();

}  // namespace pcphost
