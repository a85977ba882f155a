// The plant archive at the size of a plant's life: a 3-node plant sampled every 60 s for years
// (10 years: about 5 million records), imported as fortnightly downloads; then one month and one
// year averaged again at 900 s as `archive export` does. The default run keeps one year so that it
// fits a small machine; KORVANE_BENCH_ARCHIVE_YEARS=10 builds the full ten years.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "archive/archive_session.h"
#include "shell/korvane.h"

namespace {

namespace fs = std::filesystem;
using namespace archive;

constexpr uint32_t kStep = 600;             // [0.1 s] 60 s sampling
constexpr uint32_t kDay = 864000;           // [0.1 s]
constexpr uint32_t kImportSpan = 14 * kDay; // one download every fortnight
constexpr uint8_t kChannels[3] = {5, 8, 7}; // weather node, two inverters
constexpr uint8_t kNodes[3] = {1, 2, 3};

int years() {
    const char* v = std::getenv("KORVANE_BENCH_ARCHIVE_YEARS");
    const int y = v ? std::atoi(v) : 1;
    return y >= 1 && y <= 13 ? y : 1; // markers stay 32-bit
}

// The session table: start 01.01.16 00:00:00, three nodes of the plant.
std::vector<uint8_t> plantTable() {
    std::vector<uint8_t> t(16, 0);
    t[0] = 0xFF;
    t[8] = 0x00, t[9] = 0x00, t[10] = 0x00, t[11] = 0x01, t[12] = 0x01, t[13] = 0x16;
    const uint16_t codes[3][8] = {{15, 3, 1, 4, 6}, {7, 9, 11, 8, 10, 12, 0, 16}, {7, 0, 16, 19, 17, 13, 14}};
    for (int n = 0; n < 3; ++n) {
        t.insert(t.end(), {kNodes[n], kChannels[n], 60, 0});
        for (int c = 0; c < kChannels[n]; ++c) t.insert(t.end(), {static_cast<uint8_t>(codes[n][c]), 0});
        t.insert(t.end(), {0x2C, 0x01});
    }
    t[2] = static_cast<uint8_t>(t.size());
    t[3] = 0;
    return t;
}

struct Plant {
    std::string dir, path;
    size_t records = 0;
    double importSeconds = 0;
    bool ok = false;
    ~Plant() {
        std::error_code ec;
        if (!dir.empty()) fs::remove_all(dir, ec);
    }
};

// Records of [from, to) for the three nodes, values varying with time.
void makeRecords(uint32_t from, uint32_t to, std::vector<uint8_t>& bytes, std::vector<Record>& recs) {
    bytes.clear();
    recs.clear();
    std::vector<size_t> offsets;
    uint32_t x = from * 2654435761u;
    for (uint32_t m = from; m < to; m += kStep)
        for (int n = 0; n < 3; ++n) {
            offsets.push_back(bytes.size());
            for (int c = 0; c < kChannels[n]; ++c) {
                x = x * 1664525u + 1013904223u;
                const uint16_t v = static_cast<uint16_t>((m / kStep) % 1440 * 10 + (x >> 28));
                bytes.push_back(static_cast<uint8_t>(v & 0xFF));
                bytes.push_back(static_cast<uint8_t>(v >> 8));
            }
            recs.push_back(Record{kNodes[n], m, {}});
        }
    for (size_t i = 0; i < recs.size(); ++i) {
        const size_t len = 2u * kChannels[recs[i].node - 1];
        recs[i].values = std::span<const uint8_t>(bytes.data() + offsets[i], len);
    }
}

Plant& plant() {
    static Plant p;
    static bool built = false;
    if (built) return p;
    built = true;
    std::string tmpl = (fs::temp_directory_path() / "korvane-bench-archive-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) return p;
    p.dir = tmpl;
    p.path = p.dir + "/plant.db";
    try {
        Archive a;
        a.open(p.path, true);
        const uint64_t end = static_cast<uint64_t>(years()) * 365 * kDay;
        std::vector<uint8_t> bytes;
        std::vector<Record> recs;
        double seconds = 0;
        for (uint64_t from = 0; from < end; from += kImportSpan) {
            const uint32_t to = static_cast<uint32_t>(std::min<uint64_t>(from + kImportSpan, end));
            makeRecords(static_cast<uint32_t>(from), to, bytes, recs);
            SessionImport s{{"7", "7018", ""}, "160101_000000", plantTable(), recs};
            const auto t0 = std::chrono::steady_clock::now();
            ImportReport rep;
            if (!a.import({s}, "bench", rep)) return p;
            seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            p.records += rep.total().added;
        }
        a.db().exec("PRAGMA wal_checkpoint(TRUNCATE)");
        p.importSeconds = seconds;
        p.ok = true;
    } catch (const DbError&) {
    }
    return p;
}

void BM_ArchiveImport60sPlant(benchmark::State& state) {
    for (auto _ : state) {
        Plant& p = plant();
        if (!p.ok) return state.SkipWithError("archive not built");
        state.SetIterationTime(p.importSeconds);
    }
    Plant& p = plant();
    std::error_code ec;
    const double mib = static_cast<double>(fs::file_size(p.path, ec)) / (1024.0 * 1024.0);
    state.counters["years"] = years();
    state.counters["records"] = static_cast<double>(p.records);
    state.counters["records/s"] = static_cast<double>(p.records) / p.importSeconds;
    state.counters["MiB"] = mib;
    state.counters["MiB_per_Mrec"] = mib / (static_cast<double>(p.records) / 1e6);
}
BENCHMARK(BM_ArchiveImport60sPlant)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// One period of the archived session averaged at 900 s into a session data text file.
void exportPeriod(benchmark::State& state, uint32_t from, uint32_t to) {
    Plant& p = plant();
    if (!p.ok) return state.SkipWithError("archive not built");
    Archive a;
    a.open(p.path, false);
    const SessionInfo s = a.sessions().at(0);
    const std::string out = p.dir + "/period";
    size_t bytes = 0;
    for (auto _ : state) {
        if (!loadSession(s)) return state.SkipWithError("table");
        Tsample = 900;
        if (writeArchivedDataFile(a, s, from, to, out) != 1) return state.SkipWithError("export failed");
        bytes = fs::file_size(out);
    }
    state.counters["rows"] = static_cast<double>((to - from) / 9000);
    state.counters["file_KiB"] = static_cast<double>(bytes) / 1024.0;
}

void BM_ArchiveExportMonthAt900s(benchmark::State& state) {
    exportPeriod(state, (31 + 29) * kDay, (31 + 29 + 31) * kDay); // March 2016
}
BENCHMARK(BM_ArchiveExportMonthAt900s)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();

void BM_ArchiveExportYearAt900s(benchmark::State& state) {
    exportPeriod(state, 0, 365 * kDay);
}
BENCHMARK(BM_ArchiveExportYearAt900s)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly();

} // namespace
