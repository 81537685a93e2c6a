// Register load against the bare register query on the same database.
//
//   bench_register                      runs the benchmarks (1,000, 10,000, 32,767 vouchers)
//   bench_register --write-database F N writes a demo database with N vouchers, for the host
//
// The benchmarks run on SQLite, or on PostgreSQL when PCP_BENCH_SERVER names
// a server's socket folder.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
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

// The same statement read to the end, nothing else.
void BM_BareQuery(benchmark::State& state) {
    Register& r = RegisterOf(int(state.range(0)));
    if (r.query.isEmpty()) {
        SetContext(r);
        FrmMaster window;
        r.query = GStrSql;
    }
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

int main(int argc, char** argv) {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--write-database") == 0)
        return bench::WriteBulkDatabase(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]), true)
                   ? 0
                   : 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    ResetContext();
    Made().clear();
    return 0;
}
