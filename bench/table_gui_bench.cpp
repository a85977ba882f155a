// The data table on screen at its largest: 100,000 rows of 20 channels loaded into the table
// model with the item-model adapter and the view attached, then shown and painted once; and the
// whole table screen (dialog 800) opened on the same file. Qt's offscreen platform.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTimer>

#include <malloc.h>

#include <filesystem>
#include <string>

#include "bench/bench_session_file.h"
#include "tables/set_file_dialog.h"
#include "tables/table_view_dialog.h"

namespace {

using namespace bench;

// Heap bytes in use [MiB]: what the table, the model and the view hold while they live.
double heapMiB() {
    return static_cast<double>(mallinfo2().uordblks) / (1024.0 * 1024.0);
}

double baselineRssMiB = 0; // peak RSS before the first table, with Qt up

// Load with the view attached (one model reset), then the first show and paint.
void BM_GuiTableLoadAndShow100kx20(benchmark::State& state) {
    if (!session().ok()) return state.SkipWithError("session file not written");
    double heapGrowth = 0;
    for (auto _ : state) {
        state.PauseTiming();
        prepareGlobals();
        const double before = heapMiB();
        state.ResumeTiming();
        {
            TableModel table;
            TableViewModel model(table, SelCol);
            DataTableView view;
            view.setModel(&model);
            view.resize(1820, 780);
            if (loadLV(table, session().path()) != 1 || model.rowCount() != kRows)
                return state.SkipWithError("load failed");
            view.show();
            QImage shot = view.viewport()->grab().toImage();
            benchmark::DoNotOptimize(shot);
            state.PauseTiming();
            heapGrowth = heapMiB() - before;
            view.hide();
        }
        state.ResumeTiming();
    }
    state.counters["rows/s"] = benchmark::Counter(kRows, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["heap_MiB"] = heapGrowth;
    state.counters["peak_rss_MiB"] = peakRssMiB();
    state.counters["base_rss_MiB"] = baselineRssMiB;
}
BENCHMARK(BM_GuiTableLoadAndShow100kx20)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The whole screen: run() on the working file until the dialog is up, then closed.
void BM_SetFileOpen100kx20(benchmark::State& state) {
    if (!session().ok()) return state.SkipWithError("session file not written");
    const auto old = std::filesystem::current_path();
    std::filesystem::current_path(session().dir());
    for (auto _ : state) {
        state.PauseTiming();
        prepareGlobals();
        state.ResumeTiming();
        DlgSetFile dlg;
        QTimer::singleShot(0, &dlg, [&dlg] {
            dlg.list()->viewport()->repaint();
            dlg.done(0);
        });
        dlg.run();
        if (dlg.table().rowCount() != kRows) state.SkipWithError("load failed");
    }
    std::filesystem::current_path(old);
    state.counters["peak_rss_MiB"] = peakRssMiB();
}
BENCHMARK(BM_SetFileOpen100kx20)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    baselineRssMiB = peakRssMiB();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
