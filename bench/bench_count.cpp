// The cash count of a box with 10,000 vouchers no count covers yet.
//
//   BM_CountOpen   the count window opened on the box: float, last count,
//                  the vouchers listed and totalled, the denominations
//   BM_CountSave   the count saved: the vouchers read again and compared, the
//                  count numbered and written with its pieces and the 10,000
//                  vouchers it covers, audited (undone between runs)
//
// On SQLite, or on PostgreSQL when PCP_BENCH_SERVER names a server's socket folder.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <memory>

#include "bench/BenchSupport.h"
#include "count/frmCashCount.h"
#include "data/AdoConnection.h"
#include "store/CashCount.h"
#include "suite/BasModule.h"
#include "suite/ComRegistry.h"
#include "ui/FlexGrid.h"

using namespace pcp;
using namespace pcp::BasModule;

namespace {

constexpr int kVouchers = 10000;
constexpr qint32 kBox = 101;  // the bulk vouchers are paid from PC01

std::unique_ptr<AdoConnection>& Made() {
    static std::unique_ptr<AdoConnection> connection;
    return connection;
}

// The bulk database, with a float on the box that holds all its vouchers.
AdoConnection* Connection() {
    std::unique_ptr<AdoConnection>& connection = Made();
    if (connection) return connection.get();
    connection = bench::OpenBulkDatabase(QStringLiteral("bench_count"), kVouchers, false);
    connection->log().setEnabled(false);
    // Every one of them standing and uncovered.
    connection->Execute(QStringLiteral("update aHqPettyCashPaymentHeader set phCancel=0"));
    connection->Execute(
        QStringLiteral("insert into aPCFloat (flCompanyID, flAccountID, "
                       "flImprest, flCustodianID, flSetBy) values (1, 101, "
                       "999999999, 1, 'admin')"));
    return connection.get();
}

void SetContext() {
    bench::SetAdministratorContext(Connection(), 0);
    GStrFunctionRights = QStringLiteral("NED");
}

// Nothing of a count stays: the next run counts the same vouchers.
void Undo() {
    for (const char* table : {"aPCCashCountVouchers", "aPCCashCountDenominations", "aPCCashCount"})
        Connection()->Execute(QStringLiteral("delete from ") + QLatin1String(table));
}

void BM_CountOpen(benchmark::State& state) {
    SetContext();
    for (auto _ : state) {
        auto window = std::make_unique<frmCashCount>();
        if (window->gridVouchers->rows() != kVouchers + 1) {
            state.SkipWithError(qPrintable(QStringLiteral("%1 vouchers listed on %2")
                                               .arg(window->gridVouchers->rows() - 1)
                                               .arg(window->cboCashAccount->currentText())));
            break;
        }
        benchmark::DoNotOptimize(window->txtExpected->text());
        state.PauseTiming();
        window.reset();
        state.ResumeTiming();
    }
}

void BM_CountSave(benchmark::State& state) {
    SetContext();
    for (auto _ : state) {
        state.PauseTiming();
        Undo();
        CashCount::CountDraft d;
        d.accountId = kBox;
        d.date = bench::kProcessDate;
        d.seen = CashCount::ReadCountState(kBox);
        d.pieces = {{Decimal(1000), 3}, {Decimal(100), 7}, {Decimal(1) / Decimal(4), 3}};
        d.explanation = QStringLiteral("Counted for the benchmark");
        state.ResumeTiming();
        const Outcome<CashCount::SavedCount> saved = CashCount::SaveCount(d);
        if (!saved.done()) {
            state.SkipWithError(qPrintable(saved.refusal().message));
            break;
        }
    }
    Undo();
}

}  // namespace

BENCHMARK(BM_CountOpen)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CountSave)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return bench::RunBenchmarks(argc, argv, [] { Made().reset(); });
}
