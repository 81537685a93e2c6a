// The payments book of a year with 100,000 lines (vouchers of three lines,
// some lines in US dollars and euros, some vouchers paid from the US dollar
// float, some cancelled):
//
//   BM_BookShow        Show with the year and status "All": the book read and
//                      its Lines grid filled
//   BM_BookExportCsv   the Lines view exported to CSV, as Export, CSV… does it
//   BM_BookExportXlsx  the same to an Excel workbook
//
// On SQLite, or on PostgreSQL when PCP_BENCH_SERVER names a server's socket folder.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QTabWidget>
#include <QTemporaryDir>
#include <memory>

#include "bench/BenchSupport.h"
#include "book/frmPaymentBook.h"
#include "data/AdoConnection.h"
#include "suite/BasModule.h"
#include "suite/ComRegistry.h"
#include "ui/FlexGrid.h"
#include "ui/MessageBox.h"

using namespace pcp;
using namespace pcp::BasModule;
using pcp::bench::kProcessDate;

namespace {

constexpr int kLines = 100000;
constexpr int kLinesPerVoucher = 3;

// Made once for the whole run; closed by main before the application ends.
std::unique_ptr<AdoConnection>& Made() {
    static std::unique_ptr<AdoConnection> connection;
    return connection;
}

AdoConnection* Connection() {
    std::unique_ptr<AdoConnection>& connection = Made();
    if (connection) return connection.get();
    connection = bench::OpenBulkDatabase(
        QStringLiteral("bench_book"), (kLines + kLinesPerVoucher - 1) / kLinesPerVoucher, false,
        {.perVoucher = kLinesPerVoucher, .total = kLines, .foreign = true});
    connection->log().setEnabled(false);
    return connection.get();
}

// Whatever the book would tell the user, answered OK and kept to fail the run.
QStringList& Messages() {
    static QStringList messages;
    return messages;
}

// The administrator working for every department, with the components the
// register opens (its palette among them).
void SetContext() {
    bench::SetAdministratorContext(Connection(), 0);
    Messages().clear();
}

// The whole financial year to the process date, every status.
void AskForTheYear(frmPaymentBook& book) {
    book.dtpFrom->setDate(QDate(kProcessDate.year(), 1, 1));
    book.dtpTo->setDate(kProcessDate);
    book.cboStatus->setCurrentIndex(book.cboStatus->findText(QStringLiteral("All")));
    book.tabViews->setCurrentIndex(0);  // Lines
}

// Fails the run when the book told the user anything or lacks lines.
bool Checked(benchmark::State& state, const frmPaymentBook& book) {
    if (!Messages().isEmpty()) {
        state.SkipWithError(qPrintable(Messages().join(u'\n')));
        return false;
    }
    if (book.gridLines->rows() != kLines + 1) {
        state.SkipWithError(
            qPrintable(QStringLiteral("%1 rows in the Lines grid").arg(book.gridLines->rows())));
        return false;
    }
    return true;
}

// The window is never shown, so its first activation never runs the default
// query (this month, standing vouchers): the Show timed is the only read.
// Making and closing the window is not timed; the grids taking their rows
// (posted to them) is.
void BM_BookShow(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        SetContext();
        auto book = std::make_unique<frmPaymentBook>();
        AskForTheYear(*book);
        QCoreApplication::sendPostedEvents();
        state.ResumeTiming();
        book->cmdShow_Click();
        QCoreApplication::sendPostedEvents();
        state.PauseTiming();
        const bool ok = Checked(state, *book);
        book.reset();
        QCoreApplication::sendPostedEvents();
        state.ResumeTiming();
        if (!ok) break;
    }
}

// The rows of a CSV file that begin with a date of the book's year.
int DatedRows(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return -1;
    const QByteArray year = QByteArray::number(kProcessDate.year()) + '-';
    int rows = 0;
    while (!file.atEnd())
        if (file.readLine().startsWith(year)) ++rows;
    return rows;
}

// The book read once; then its Lines view exported again and again to a file
// the chooser names, as the clerk's Export does it. The window asks before
// it replaces a file (a question that would fail the run here), so the file
// of the last run is removed, untimed, as if the clerk named a new one.
void Export(benchmark::State& state, bool xlsx) {
    SetContext();
    frmPaymentBook book;
    AskForTheYear(book);
    book.cmdShow_Click();
    QCoreApplication::sendPostedEvents();
    if (!Checked(state, book)) return;
    QTemporaryDir dir;
    const QString path =
        dir.filePath(xlsx ? QStringLiteral("book.xlsx") : QStringLiteral("book.csv"));
    frmPaymentBook::SetFileChooser([&](const QString&, const QString&) { return path; });
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(path);
        state.ResumeTiming();
        if (xlsx)
            book.ExportXlsx();
        else
            book.ExportCsv();
        if (!Messages().isEmpty() || !QFile::exists(path)) break;
    }
    frmPaymentBook::SetFileChooser({});
    if (!Messages().isEmpty())
        state.SkipWithError(qPrintable(Messages().join(u'\n')));
    else if (!QFile::exists(path))
        state.SkipWithError("no file written");
    else if (!xlsx && DatedRows(path) != kLines)
        state.SkipWithError(
            qPrintable(QStringLiteral("%1 dated rows in the file").arg(DatedRows(path))));
    else if (xlsx && QFile(path).size() < kLines * 10)
        state.SkipWithError(
            qPrintable(QStringLiteral("a workbook of %1 bytes").arg(QFile(path).size())));
}

void BM_BookExportCsv(benchmark::State& state) {
    Export(state, false);
}

void BM_BookExportXlsx(benchmark::State& state) {
    Export(state, true);
}

}  // namespace

BENCHMARK(BM_BookShow)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BookExportCsv)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BookExportXlsx)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    SetMessagePresenter([](const MessageRequest& m) {
        Messages() << m.text;
        return int(vbOK);
    });
    return bench::RunBenchmarks(argc, argv, [] {
        SetMessagePresenter({});
        Made().reset();
    });
}
