// The data table at its largest: a session of 100,000 rows of 20 channels loaded, merged, cut and
// exported.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "logger/time_marks.h"
#include "shell/korvane.h"
#include "tables/data_table.h"
#include "tables/export_format.h"

namespace {

constexpr int kRows = 100000;
constexpr int kChannels = 20;

double peakRssMiB() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return static_cast<double>(ru.ru_maxrss) / 1024.0; // ru_maxrss is in KiB on Linux
}

// A folder holding one session data text file of kRows rows and kChannels channels, with the
// value texts a download writes (two decimals, one decimal, integers).
class SessionFile {
  public:
    SessionFile() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "korvane-bench-XXXXXX").string();
        if (!mkdtemp(tmpl.data())) return;
        dir_ = tmpl;
        path_ = dir_ + "/151231_224730";
        FILE* f = std::fopen(path_.c_str(), "wb");
        if (!f) return;
        std::fprintf(f, "Time[s]: 60\r\n");
        for (int c = 0; c < kChannels; ++c)
            std::fprintf(f,
                         "\"CH%d_%d: Temperatura (0.00 \xB0"
                         "C)\" ",
                         4 + c / 8, 1 + c % 8);
        std::fprintf(f, "\r\n");
        unsigned x = 12345;
        for (int r = 0; r < kRows; ++r) {
            for (int c = 0; c < kChannels; ++c) {
                x = x * 1103515245u + 12345u;
                const int v = static_cast<int>((x >> 8) % 200000) - 100000;
                switch (c % 3) {
                case 0:
                    std::fprintf(f, "%.2f ", v / 100.0);
                    break;
                case 1:
                    std::fprintf(f, "%.1f ", v / 10.0);
                    break;
                default:
                    std::fprintf(f, "%d ", v);
                    break;
                }
            }
            std::fprintf(f, "\r\n");
        }
        ok_ = std::fclose(f) == 0;
    }
    ~SessionFile() {
        std::error_code ec;
        if (!dir_.empty()) std::filesystem::remove_all(dir_, ec);
    }
    bool ok() const { return ok_; }
    const std::string& path() const { return path_; }
    std::string file(const char* name) const { return dir_ + "/" + name; }

  private:
    std::string dir_, path_;
    bool ok_ = false;
};

SessionFile& session() {
    static SessionFile s;
    return s;
}

void prepareGlobals() {
    resetState();
    initTables();
    Tsample = 60;
    DataTimeSS = "151231_224730";
    FirstTimeMarkerDload = 0;
    InfoSES.nItem = kRows;
}

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

// Three columns merged into one, on every row.
void BM_TableMerge3Columns(benchmark::State& state) {
    if (!session().ok()) return state.SkipWithError("session file not written");
    for (auto _ : state) {
        state.PauseTiming();
        TableModel t;
        if (!loadSession(t)) return state.SkipWithError("load failed");
        clearColumnSelection(SelCol);
        SelCol[0] = 3, SelCol[5] = SelCol[6] = SelCol[7] = 1;
        state.ResumeTiming();
        if (mergeCol(t, SelCol) != 2) return state.SkipWithError("merge failed");
    }
}
BENCHMARK(BM_TableMerge3Columns)->Unit(benchmark::kMillisecond);

void BM_TableDeleteColumn(benchmark::State& state) {
    if (!session().ok()) return state.SkipWithError("session file not written");
    for (auto _ : state) {
        state.PauseTiming();
        TableModel t;
        if (!loadSession(t)) return state.SkipWithError("load failed");
        clearColumnSelection(SelCol);
        SelCol[0] = 1, SelCol[10] = 1;
        state.ResumeTiming();
        if (deleteCol(t, SelCol) != 1) return state.SkipWithError("delete failed");
    }
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
