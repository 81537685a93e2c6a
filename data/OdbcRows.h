#pragma once
// Reading a statement's rows through ODBC itself: a statement handle of its
// own on the connection Qt's ODBC driver opened, the columns bound once and
// the rows fetched in blocks, straight into typed columns. Qt's driver asks
// for every column of every row with a call of its own.

#include <sql.h>
#include <sqlext.h>

#include <QByteArray>
#include <QString>
#include <functional>

#include "data/RowSet.h"

namespace pcp {

// The first diagnostic record of a handle: why the driver refused.
struct OdbcDiagnostic {
    QString state;  // the SQLSTATE, "23505" say
    qint32 native = 0;
    QString text;
    bool found = false;
};
OdbcDiagnostic FirstDiagnostic(SQLSMALLINT handleType, SQLHANDLE handle);

// What the database behind the driver needs of the reading.
struct OdbcReading {
    // Columns whose type has this name keep dates as 'yyyymmdd' text (empty: none).
    QByteArray dateTextType;
    // The driver hands texts over as UTF-8 bytes only (the SQLite ODBC driver).
    bool narrowText = false;
    // A NUMERIC without a scale the module reads comes as its exact text
    // (psqlODBC read at high precision), else as a double.
    bool numericText = false;
};

// Runs the statement and reads every row. When the driver reports an
// error, at the execution or at any fetch, `refuse` is called with the
// statement handle (its diagnostics still on it) and must raise.
RowSet ReadOdbcRows(SQLHANDLE connection, const QString& statement, const OdbcReading& how,
                    const RowProgress& progress, const std::function<void(SQLHANDLE)>& refuse);

}  // namespace pcp
