// Saving a voucher into a large database, and its numbering alone.
//
//   BM_Save50Lines    a new voucher of 50 lines, numbered, written and audited
//                     in its transaction, into a database of 100,000 vouchers
//   BM_Numbering      reference, number and id for a new voucher with
//                     100,000 vouchers stored (in a transaction, rolled back)
//
// On SQLite, or on PostgreSQL when PCP_BENCH_SERVER names a server's socket folder.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <memory>

#include "bench/BenchSupport.h"
#include "data/AdoConnection.h"
#include "store/VoucherStore.h"
#include "suite/BasModule.h"
#include "suite/ComRegistry.h"

using namespace pcp;
using namespace pcp::BasModule;
using pcp::bench::kProcessDate;

namespace {

constexpr int kVouchers = 100000;

// Made once for the whole run; closed by main before the application ends.
std::unique_ptr<AdoConnection>& Made() {
    static std::unique_ptr<AdoConnection> connection;
    return connection;
}

AdoConnection* Connection() {
    std::unique_ptr<AdoConnection>& connection = Made();
    if (connection) return connection.get();
    connection = bench::OpenBulkDatabase(QStringLiteral("bench_save"), kVouchers, false);
    connection->log().setEnabled(false);
    return connection.get();
}

// The administrator of company 1 working for Administration, whose
// department the bulk vouchers are in.
void SetContext(AdoConnection* connection) {
    bench::SetAdministratorContext(connection, 1);
}

// A new voucher of fifty lines, as the voucher window hands it to the save.
VoucherDraft FiftyLineVoucher() {
    VoucherDraft d;
    d.departmentId = 1;
    d.accountId = 101;
    d.paymentDate = kProcessDate;
    d.payee = QStringLiteral("City Taxi Service");
    d.remarks = QStringLiteral("Fifty lines");
    d.exRate = d.depExRate = d.comExRate = Decimal(1);
    d.userName = GStrUserName;
    for (int i = 1; i <= 50; ++i)
        d.lines.append({201 + i % 8, QStringLiteral("Line %1").arg(i), Decimal(10), Decimal(1)});
    return d;
}

void BM_Save50Lines(benchmark::State& state) {
    AdoConnection* connection = Connection();
    SetContext(connection);
    const VoucherDraft draft = FiftyLineVoucher();
    for (auto _ : state) {
        const Outcome<SavedVoucher> saved = VoucherStore::SaveVoucher(draft);
        if (!saved.done()) state.SkipWithError(qPrintable(saved.refusal().message));
        benchmark::DoNotOptimize(saved.done());
    }
}

void BM_Numbering(benchmark::State& state) {
    AdoConnection* connection = Connection();
    SetContext(connection);
    for (auto _ : state) {
        TransactionScope transaction(connection);  // rolled back: nothing is kept
        benchmark::DoNotOptimize(VoucherStore::MakeReference(101));
        benchmark::DoNotOptimize(VoucherStore::NextPaymentNo(1));
        benchmark::DoNotOptimize(VoucherStore::NextPaymentId());
    }
}

}  // namespace

BENCHMARK(BM_Save50Lines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Numbering)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return bench::RunBenchmarks(argc, argv, [] { Made().reset(); });
}
