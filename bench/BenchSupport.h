#pragma once
// What the benchmarks and the concurrency program share: a demo database
// whose vouchers are replaced by bulk ones, and the module context of the
// demo's administrator on a connection.

#include <QDate>
#include <QString>

namespace pcp {
class AdoConnection;
}

namespace pcp::bench {

inline const QDate kProcessDate(2026, 11, 20);

// The demo database with `count` bulk vouchers instead of its own; with
// allInWindow, the register's window of days reaches all of them.
bool WriteBulkDatabase(const QString& path, int count, bool allInWindow);

// The administrator of company 1, working for `department` (0: all), with the
// components a loaded register would have made.
void SetAdministratorContext(AdoConnection* connection, qint16 department);

}  // namespace pcp::bench
