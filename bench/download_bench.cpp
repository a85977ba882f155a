// Whole-ring download over a pseudo-terminal at an emulated baud rate, and the averaging of a
// large intermediate record file.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <random>

#include "bench/bench_temp_cwd.h"
#include "link/korvane_com.h"
#include "logger/download.h"
#include "logger/session.h"
#include "logger/tab_ass.h"
#include "platform/ui_console.h"
#include "shell/korvane.h"
#include "sim/sim.h"

namespace {

double cpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

using bench::TempCwd;

// Args: pages to download, fast reading (1/0). Reports the wall time as a multiple of the time
// the page bytes need on the wire at 256000 baud, and the program's CPU time as a share of it.
void BM_DownloadRing(benchmark::State& state) {
    const unsigned pages = static_cast<unsigned>(state.range(0));
    const int fast = static_cast<int>(state.range(1));
    TempCwd cwd;
    resetState();
    sim::SimOptions o;
    o.kind = sim::DeviceKind::RX43;
    o.scenario = "wrapped";
    o.baud = 256000;
    o.latencyMs = 2;
    sim::Simulator s(o);
    if (!s.start()) {
        state.SkipWithError("simulator did not start");
        return;
    }
    hCom = openComPort(s.slavePath());
    initCOM(hCom);
    Timeout_rx = 2000;
    if (test_hCom(hCom) != 1) {
        state.SkipWithError("no device");
        return;
    }
    static ConsoleUi quietYes;
    quietYes.setQuiet(true);
    quietYes.setPolicy([](const std::string&, const std::string&, MsgButtons) { return MsgAnswer::Yes; });
    installUi(&quietYes);
    Flag.fast_read = fast;
    Tsample = 900;
    initSession(nullptr);
    double wall = 0, cpu = 0;
    for (auto _ : state) {
        TotalPagNumDload = static_cast<uint16_t>(std::min<unsigned>(pages, TotalPagNum));
        auto t0 = std::chrono::steady_clock::now();
        double c0 = cpuSeconds();
        if (saveFile(nullptr, DataTimeSS) != 1) state.SkipWithError("download failed");
        cpu += cpuSeconds() - c0;
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    const double wire = static_cast<double>(pages) * 528.0 * 10.0 / 256000.0;
    state.counters["wire_ratio"] = wall / static_cast<double>(state.iterations()) / wire;
    state.counters["cpu_share"] = cpu / wall;
    closeComPort(hCom);
    installUi(nullptr);
}
BENCHMARK(BM_DownloadRing)
    ->Args({256, 1})
    ->Args({256, 0})
    ->Args({4095, 1})
    ->Args({4095, 0})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);

// Averaging throughput: records per second from a large intermediate file.
void BM_Averaging(benchmark::State& state) {
    TempCwd cwd;
    resetState();
    // One table: two nodes, 6 and 9 physical channels (one 32-bit pair each).
    std::memset(TabAss, 0, sizeof TabAss);
    const uint8_t table[] = {0xFF, 0, 0,    0,  0x10, 0x27, 0,  0, 0x30, 0x47, 0x22, 0x31, 0x12, 0x15, 0,
                             0,    4, 6,    15, 0,    1,    0,  0, 0,    16,   0,    8,    0,    17,   0,
                             6,    0, 0x5F, 1,  9,    9,    20, 0, 7,    0,    9,    0,    11,   0,    12,
                             0,    0, 0,    16, 0,    15,   0,  3, 0,    4,    0,    0x4D, 1};
    std::memcpy(TabAss, table, sizeof table);
    TabAss[2] = sizeof table;
    if (decodeTabAss() != 1) {
        state.SkipWithError("table");
        return;
    }
    const size_t records = static_cast<size_t>(state.range(0));
    {
        FILE* hex = std::fopen(kIntermediateFile, "wb");
        std::mt19937 rng(7);
        uint32_t marker = 0;
        for (size_t i = 0; i < records; ++i) {
            const datitab& nd = InfoFE[1 + i % 2];
            uint8_t rec[5 + 2 * 16];
            rec[0] = nd.nodead;
            std::memcpy(rec + 1, &marker, 4);
            for (int k = 0; k < nd.chanu; ++k) {
                uint16_t v = static_cast<uint16_t>(rng());
                rec[5 + 2 * k] = v & 0xFF;
                rec[6 + 2 * k] = static_cast<uint8_t>(v >> 8);
            }
            std::fwrite(rec, 1, 5 + 2u * nd.chanu, hex);
            marker += 75;
            LastTimeMarker = marker;
        }
        std::fclose(hex);
    }
    FirstTimeMarkerDload = 0;
    Tsample = 60;
    for (auto _ : state) writeDataFile("out.txt");
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(records));
}
BENCHMARK(BM_Averaging)->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace
