// Register load against the bare register query on the same database, and
// against the same statement read through the database's own client library.
//
//   bench_register                      runs the benchmarks (1,000, 10,000, 32,767 vouchers)
//   bench_register --write-database F N writes a demo database with N vouchers, for the host
//
// The benchmarks run on SQLite, or on PostgreSQL when PCP_BENCH_SERVER names
// a server's socket folder.

#include <benchmark/benchmark.h>
#include <libpq-fe.h>
#include <sqlite3.h>

#include <QApplication>
#include <QComboBox>
#include <QSqlDriver>
#include <cstdlib>
#include <map>

#include "bench/BenchSupport.h"
#include "data/AdoConnection.h"
#include "data/AdoRecordset.h"
#include "register/FrmMaster.h"
#include "suite/BasModule.h"
#include "suite/ComRegistry.h"
#include "ui/FlexGrid.h"

using namespace pcp;
using namespace pcp::BasModule;
using pcp::bench::kProcessDate;

namespace {

struct Register {
    std::unique_ptr<AdoConnection> connection;
    QString query;
};

// One database per size, made once for the whole run and closed before the application ends.
std::map<int, Register>& Made() {
    static std::map<int, Register> made;
    return made;
}

Register& RegisterOf(int count) {
    auto& made = Made();
    auto it = made.find(count);
    if (it != made.end()) return it->second;
    Register r;
    r.connection =
        bench::OpenBulkDatabase(QStringLiteral("bench_register_%1").arg(count), count, true);
    return made.emplace(count, std::move(r)).first->second;
}

void SetContext(Register& r) {
    ResetContext();
    GAdoCon.set(r.connection.get());
    GIntCompanyID = 1;
    GIntUserID = 1;
    GIntFinancialID = 2;
    GDtProcessDate = QDateTime(kProcessDate, QTime(0, 0), Qt::UTC);
}

// The whole load: components, rights, query, grid fill, captions, widths,
// colouring and the final selection, as Show runs it.
void BM_RegisterLoad(benchmark::State& state) {
    Register& r = RegisterOf(int(state.range(0)));
    for (auto _ : state) {
        SetContext(r);
        auto window = std::make_unique<FrmMaster>();
        if (window->flexMaster->rows() != state.range(0) + 1)
            state.SkipWithError("register not filled");
        r.query = GStrSql;
        benchmark::DoNotOptimize(window->flexMaster->textMatrix(1, 1));
        // Closing the register is not part of its load.
        state.PauseTiming();
        window.reset();
        state.ResumeTiming();
    }
}

// The register's statement in the suite's dialect, as loading the register builds it.
const QString& QueryOf(Register& r) {
    if (r.query.isEmpty()) {
        SetContext(r);
        FrmMaster window;
        r.query = GStrSql;
    }
    return r.query;
}

// The same statement read to the end, nothing else.
void BM_BareQuery(benchmark::State& state) {
    Register& r = RegisterOf(int(state.range(0)));
    QueryOf(r);
    for (auto _ : state) {
        AdoRecordset rs;
        rs.Open(r.query, r.connection.get(), adOpenKeyset, adLockOptimistic);
        int fields = rs.FieldCount();
        while (!rs.Eof()) {
            for (int i = 0; i < fields; ++i) benchmark::DoNotOptimize(rs.Fields(i));
            rs.MoveNext();
        }
        rs.Close();
    }
}

// The statement as the database receives it, read through SQLite's own calls
// on the connection's handle (which has the module's functions the translated
// text may call), each cell as text; the number of rows read.
int RawReadSqlite(AdoConnection* connection, const QByteArray& sent, benchmark::State& state) {
    const QVariant handle = connection->database().driver()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3*") != 0) {
        state.SkipWithError("no SQLite handle");
        return -1;
    }
    sqlite3* db = *static_cast<sqlite3* const*>(handle.constData());
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sent.constData(), int(sent.size()), &stmt, nullptr) != SQLITE_OK) {
        state.SkipWithError(sqlite3_errmsg(db));
        return -1;
    }
    const int columns = sqlite3_column_count(stmt);
    int rows = 0;
    int step;
    while ((step = sqlite3_step(stmt)) == SQLITE_ROW) {
        for (int i = 0; i < columns; ++i) benchmark::DoNotOptimize(sqlite3_column_text(stmt, i));
        ++rows;
    }
    if (step != SQLITE_DONE) state.SkipWithError(sqlite3_errmsg(db));
    sqlite3_finalize(stmt);
    return rows;
}

// The same through libpq: the whole result, then each cell's text.
int RawReadPostgres(PGconn* server, const QByteArray& sent, benchmark::State& state) {
    PGresult* result = PQexec(server, sent.constData());
    if (PQresultStatus(result) != PGRES_TUPLES_OK) {
        state.SkipWithError(PQresultErrorMessage(result));
        PQclear(result);
        return -1;
    }
    const int rows = PQntuples(result), columns = PQnfields(result);
    for (int r = 0; r < rows; ++r)
        for (int i = 0; i < columns; ++i) benchmark::DoNotOptimize(PQgetvalue(result, r, i));
    PQclear(result);
    return rows;
}

// The register's own statement, translated as the module sends it, read to
// the end through the database's own client library, each cell as text and
// nothing else: the floor under any load of the register.
void BM_RawRead(benchmark::State& state) {
    const int count = int(state.range(0));
    Register& r = RegisterOf(count);
    const QByteArray sent = r.connection->driver().translate(QueryOf(r)).toUtf8();
    std::unique_ptr<PGconn, void (*)(PGconn*)> server(nullptr, PQfinish);
    if (!bench::ServerFolder().isEmpty()) {
        const QByteArray conninfo =
            QStringLiteral("host=%1 port=5432 user=postgres dbname=bench_register_%2")
                .arg(bench::ServerFolder())
                .arg(count)
                .toUtf8();
        server.reset(PQconnectdb(conninfo.constData()));
        if (PQstatus(server.get()) != CONNECTION_OK) {
            state.SkipWithError(PQerrorMessage(server.get()));
            return;
        }
    }
    for (auto _ : state) {
        const int rows = server ? RawReadPostgres(server.get(), sent, state)
                                : RawReadSqlite(r.connection.get(), sent, state);
        if (rows < 0) break;
        if (rows != count) {
            state.SkipWithError("the statement did not read every voucher");
            break;
        }
    }
}

// The user picks "Payment Amount" in the sort picker of a full register;
// between runs the rows go back to the order of the load.
void BM_SortByAmount(benchmark::State& state) {
    Register& r = RegisterOf(int(state.range(0)));
    SetContext(r);
    FrmMaster window;
    FlexGrid* grid = window.flexMaster;
    const int amount = window.cboColNames->findText(QStringLiteral("Payment Amount"));
    if (amount < 0) state.SkipWithError("no amount column");
    for (auto _ : state) {
        state.PauseTiming();
        grid->setCol(0);
        grid->setColSel(0);
        grid->sort(flexSortGenericAscending);
        window.cboColNames->setCurrentIndex(-1);
        state.ResumeTiming();
        window.cboColNames->setCurrentIndex(amount);
        emit window.cboColNames->activated(amount);
        benchmark::DoNotOptimize(grid->textMatrix(1, 4));
    }
}

}  // namespace

BENCHMARK(BM_SortByAmount)->Arg(32767)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RegisterLoad)->Arg(1000)->Arg(10000)->Arg(32767)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareQuery)->Arg(1000)->Arg(10000)->Arg(32767)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawRead)->Arg(1000)->Arg(10000)->Arg(32767)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (argc == 4 && qstrcmp(argv[1], "--write-database") == 0) {
        if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        return bench::WriteBulkDatabase(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]), true)
                   ? 0
                   : 1;
    }
    return bench::RunBenchmarks(argc, argv, [] { Made().clear(); });
}
