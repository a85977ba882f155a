// The data table at its largest: a session of 100,000 rows of 20 channels loaded, merged, cut and
// exported.
#include <benchmark/benchmark.h>

#include <initializer_list>
#include <string>

#include "bench/bench_session_file.h"
#include "tables/export_format.h"

namespace {

using namespace bench;

bool loadSession(TableModel& t) {
    prepareGlobals();
    return loadLV(t, session().path()) == 1 && t.rowCount() == kRows;
}

void BM_TableLoad100kx20(benchmark::State& state) {
    if (!session().ok()) return state.SkipWithError("session file not written");
    size_t bytes = 0;
    for (auto _ : state) {
        TableModel t;
        if (!loadSession(t)) return state.SkipWithError("load failed");
        bytes = t.memoryBytes();
        benchmark::DoNotOptimize(t);
    }
    state.counters["rows/s"] = benchmark::Counter(kRows, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["table_MiB"] = static_cast<double>(bytes) / (1024.0 * 1024.0);
    state.counters["peak_rss_MiB"] = peakRssMiB();
}
BENCHMARK(BM_TableLoad100kx20)->Unit(benchmark::kMillisecond);

// Times `edit` on a freshly loaded table with the table columns `columns` selected; the edit
// must return `done`.
template <class Edit>
void timeEdit(benchmark::State& state, std::initializer_list<int> columns, Edit edit, int done) {
    if (!session().ok()) return state.SkipWithError("session file not written");
    for (auto _ : state) {
        state.PauseTiming();
        TableModel t;
        if (!loadSession(t)) return state.SkipWithError("load failed");
        clearColumnSelection(SelCol);
        SelCol[0] = static_cast<int>(columns.size());
        for (int c : columns) SelCol[c] = 1;
        state.ResumeTiming();
        if (edit(t, SelCol) != done) return state.SkipWithError("edit failed");
    }
}

// Three columns merged into one, on every row.
void BM_TableMerge3Columns(benchmark::State& state) {
    timeEdit(state, {5, 6, 7}, mergeCol, 2);
}
BENCHMARK(BM_TableMerge3Columns)->Unit(benchmark::kMillisecond);

void BM_TableDeleteColumn(benchmark::State& state) {
    timeEdit(state, {10}, deleteCol, 1);
}
BENCHMARK(BM_TableDeleteColumn)->Unit(benchmark::kMillisecond);

void BM_TableExportFormatB(benchmark::State& state) {
    if (!session().ok()) return state.SkipWithError("session file not written");
    TableModel t;
    if (!loadSession(t)) return state.SkipWithError("load failed");
    Flag.file_format = 1;
    Flag.comma = 1;
    const std::string out = session().file("export.csv");
    for (auto _ : state)
        if (exportTable(t, out, InfoSES) != 1) return state.SkipWithError("export failed");
    std::error_code ec;
    state.counters["file_MiB"] = static_cast<double>(std::filesystem::file_size(out, ec)) / (1024.0 * 1024.0);
    state.counters["rows/s"] = benchmark::Counter(kRows, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_TableExportFormatB)->Unit(benchmark::kMillisecond);

} // namespace
