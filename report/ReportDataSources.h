#pragma once
// Where the report engine finds its database: a small settings file,
// datasources.ini, read afresh for every run.
//
//   [Logon]          the five texts the engine logs on with
//   Driver=pdsodbc.dll
//   DataSource=admindsnv2
//   Database=adminv2
//   User=admin
//   Password=...     no default: a password never sits in the source
//
//   [DataSources]    data source name = connection string
//   admindsnv2=Driver=FreeTDS;Server=dbhost;Port=1433;TDS_Version=7.4
//
// The file read is $PCP_DATASOURCES when set; otherwise datasources.ini in
// the user's configuration folder (~/.config/lq8dm362/), else beside the
// module library; with none, the defaults above. A data source the file does
// not name is the embedded database file the module itself has open.

#include <QHash>
#include <QString>

namespace pcp {

struct ReportLogon {
    QString driver, dataSource, database, user, password;
};

class ReportDataSources {
  public:
    // The settings of the file in effect (defaults when there is none).
    static ReportDataSources Load();
    // Reads one file; a missing file gives the defaults.
    static ReportDataSources Read(const QString& file);
    // The file Load reads, or empty when none exists.
    static QString ConfigFile();

    ReportLogon logon() const;
    // The connection string the engine opens for a logon. `embedded` is the
    // module's own connection string, used for a data source the file does
    // not name when it is an embedded database file; otherwise raises
    // kErrReportLogon.
    QString connectionFor(const ReportLogon& logon, const QString& embedded) const;

  private:
    QString value(const QString& section, const QString& key, const QString& fallback) const;
    QHash<QString, QHash<QString, QString>> sections_;  // keys in lower case
    QString file_;
};

}  // namespace pcp
