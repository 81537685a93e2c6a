#pragma once
// What the benchmarks and the concurrency program share: a demo database
// whose vouchers are replaced by bulk ones, and the module context of the
// demo's administrator on a connection.

#include <QDate>
#include <QString>
#include <functional>
#include <memory>

#include "demo/DemoDatabase.h"

namespace pcp {
class AdoConnection;
}

namespace pcp::bench {

inline const QDate kProcessDate(2026, 11, 20);

// The socket folder of the PostgreSQL server the benchmarks run on
// (PCP_BENCH_SERVER); empty for SQLite.
QString ServerFolder();

// The demo database file with `count` bulk vouchers instead of its own; with
// allInWindow, the register's window of days reaches all of them.
bool WriteBulkDatabase(const QString& path, int count, bool allInWindow);

// The same bulk database, made once per name, opened on the module's
// connection: a SQLite file in a temporary folder or, when ServerFolder()
// names a PostgreSQL server, a database `name` on that server (replacing one
// of that name). The vouchers' lines as `lines` says. Ends the run when it
// cannot be made.
std::unique_ptr<AdoConnection> OpenBulkDatabase(const QString& name, int count, bool allInWindow,
                                                const demo::BulkLines& lines = {});

// The administrator of company 1, working for `department` (0: all), with the
// components a loaded register would have made.
void SetAdministratorContext(AdoConnection* connection, qint16 department);

// Runs the benchmarks the command line names, on Qt's offscreen platform
// unless another is set, then clears the module's context and `release`s
// what the benchmarks kept open, before the application ends.
int RunBenchmarks(int argc, char** argv, const std::function<void()>& release);

}  // namespace pcp::bench
