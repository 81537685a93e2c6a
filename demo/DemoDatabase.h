#pragma once
// Builds the demo database: the schema, the master data and a few weeks of
// vouchers around a process date (some cancelled, some posted with their
// journal entries, some in a foreign currency, some older than the
// register's date window). The embedded file is the demo host's; the same
// demo goes into an empty PostgreSQL database for the server's trials.

#include <QDate>
#include <QSqlDatabase>
#include <QString>

namespace pcp::demo {

struct DemoFacts {
    static constexpr int kCompany = 1;
    static constexpr int kOtherCompany = 2;
    static constexpr int kCurrentYear = 2;  // financial year of the process date
    static constexpr int kPreviousYear = 1;
    static constexpr int kWindowDays = 30;  // noofpreviousdays of company 1
    static constexpr int kFreezeDaysBack = 25;
};

// Creates a new database file (replacing none: fails if it exists). It
// records the process date its data was made for (table aDemoInfo). On
// failure error says why, as a clause ("the folder … could not be made.").
bool CreateDemoDatabase(const QString& path, const QDate& processDate, QString* error);

// Opens the file, creating it with demo data on first use.
bool EnsureDemoDatabase(const QString& path, const QDate& processDate, QString* error);

// The process date a demo database was made for; invalid for a file that
// is not a demo database or cannot be read. Reads without writing anything.
QDate DemoProcessDate(const QString& path);

// Makes the demo in an open ODBC connection to an empty PostgreSQL database:
// its schema (demo/postgresql/schema.sql) and the same rows as
// CreateDemoDatabase, all in one transaction, so a failure leaves the
// database empty. On failure error says why, as a clause.
bool CreatePostgresDemo(QSqlDatabase& db, const QDate& processDate, QString* error);

// The schema alone, for tests and benchmarks that bring their own rows. These
// and AddBulkVouchers write to an embedded database or to PostgreSQL.
bool CreateSchema(QSqlDatabase& db, QString* error);
bool LoadMasterData(QSqlDatabase& db, const QDate& processDate, QString* error);

// The lines of bulk vouchers. The default is one line each on a home-currency
// account, as the register's benchmarks have always had them.
struct BulkLines {
    int perVoucher = 1;
    // When above 0, the lines in all: the voucher that reaches it has the
    // lines left, and no voucher follows it.
    int total = 0;
    // Some lines on the US dollar and euro accounts at their rates, and some
    // vouchers paid from the US dollar float.
    bool foreign = false;
};

// Adds count plain vouchers to company 1, year 2, department 1, dated
// backwards from lastDate (400 a day), with ids from firstId, in one
// transaction of its own. For load benchmarks.
bool AddBulkVouchers(QSqlDatabase& db, int firstId, int count, const QDate& lastDate,
                     QString* error, const BulkLines& lines = {});

// Runs a script of statements separated by ";" at line ends.
bool RunScript(QSqlDatabase& db, const QString& script, QString* error);

QString DateText(const QDate& d);

}  // namespace pcp::demo
