#pragma once
// What the embedded driver learns about a database file before it opens it:
// whether it is a petty cash database at all, and whether this user may write
// it. The check only reads the file: it never creates one, writes no journal
// and leaves no -wal or -shm file behind, so a file it refuses stays exactly
// as it was. It reads the file through SQLite alone, as everything in the
// module must while a connection to the file may be open: closing any other
// handle on the file drops every lock this process holds on it.

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

namespace pcp {

// The tables and the view the module's statements read: a file without one of
// them is not a petty cash database. The local components' tables (error log,
// audit trail, grid layouts) are not among them: they are the module's own
// and are created when missing (CreateLocalComponentTables).
const QStringList& RequiredSqliteTables();
const QStringList& RequiredSqliteViews();

// Why the file cannot be opened as a petty cash database (it does not exist,
// is empty, is not a database, lacks tables the module reads); empty when it can.
QString PettyCashFileProblem(const QString& path);

// Whether this user may write the database: the file and its folder (where
// the journal or the -wal and -shm files go). access() asks the system, so a
// read-only mount counts too; root may write whatever the permission bits say.
bool SqliteFileWritable(const QString& path);

// The name to open a file read-only by: the path itself, or, for a file in
// WAL mode whose -wal and -shm files cannot be made (a folder the user may not
// write), an immutable URI that reads the file as it stands (needs
// QSQLITE_OPEN_URI).
QString SqliteReadOnlyName(const QString& path, bool* uri);

// Creates the error log, audit trail and grid layout tables where missing, as
// the demo schema has them; errors name source.
void CreateLocalComponentTables(QSqlDatabase& db, const QString& source);

// Gives a database made before them the unique indexes on voucher numbers and
// references. Rows that already clash keep an index from being made: its name
// is returned (and logged as a warning), and the database opens all the same.
QStringList CreateVoucherUniqueIndexes(QSqlDatabase& db);

}  // namespace pcp
