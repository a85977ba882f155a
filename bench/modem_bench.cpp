// A download through the simulated modem at 19200 baud, as a multiple of the time the page
// bytes need on the wire, against the same download over a direct line at the same rate.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "bench/bench_temp_cwd.h"
#include "link/korvane_com.h"
#include "link/modem.h"
#include "logger/download.h"
#include "logger/session.h"
#include "platform/clock.h"
#include "platform/ui_console.h"
#include "shell/korvane.h"
#include "sim/sim.h"

namespace {

// Dials through the modem in front of the simulator; true when the call is up.
bool callUp() {
    if (modemDial(hCom, "0551234567") != 1) return false;
    const uint32_t t0 = nowMs();
    while (nowMs() - t0 < 10000) {
        std::string line;
        if (modemPollLine(hCom, line) == 1 && modemPollCode(line) >= 0) {
            if (!Codifica_risposta_modem(static_cast<unsigned>(modemPollCode(line))).connected) return false;
            modemCallUp(hCom);
            return true;
        }
        hCom->waitReadable(50);
    }
    return false;
}

// Args: pages to download, modem (1) or direct line (0), modem latency [ms].
void BM_DownloadOverModem(benchmark::State& state) {
    const unsigned pages = static_cast<unsigned>(state.range(0));
    const bool modem = state.range(1) != 0;
    bench::TempCwd cwd("korvane-modem-bench");
    resetState();
    Exe_dir = cwd.dir.string();
    std::ofstream(cwd.dir / "modem.ini", std::ios::binary) << "ATE0\r\n";
    sim::SimOptions o;
    o.kind = sim::DeviceKind::RX43;
    o.scenario = "normal";
    o.baud = 19200;
    o.latencyMs = static_cast<uint32_t>(state.range(2));
    o.modem = modem;
    o.modemDialMs = 100;
    sim::Simulator s(o);
    if (!s.start()) {
        state.SkipWithError("simulator did not start");
        return;
    }
    hCom = openComPort(s.slavePath());
    BR_value = 19200;
    initCOM(hCom);
    Timeout_rx = 2000;
    Flag.modem = modem ? 1 : 0;
    if (test_hCom(hCom) != 1 || (modem && (!callUp() || test_hCom(hCom) != 1))) {
        state.SkipWithError("no device");
        return;
    }
    static ConsoleUi quietYes;
    quietYes.setQuiet(true);
    quietYes.setPolicy([](const std::string&, const std::string&, MsgButtons) { return MsgAnswer::Yes; });
    installUi(&quietYes);
    Tsample = 900;
    initSession(nullptr);
    double wall = 0;
    for (auto _ : state) {
        TotalPagNumDload = static_cast<uint16_t>(std::min<unsigned>(pages, TotalPagNum));
        auto t0 = std::chrono::steady_clock::now();
        if (saveFile(nullptr, DataTimeSS) != 1) state.SkipWithError("download failed");
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    const double wire = static_cast<double>(pages) * 528.0 * 10.0 / 19200.0;
    state.counters["wire_ratio"] = wall / static_cast<double>(state.iterations()) / wire;
    if (modem) modemHangUp(hCom, true, 1100, 1500);
    closeComPort(hCom);
    installUi(nullptr);
}
BENCHMARK(BM_DownloadOverModem)
    ->ArgNames({"pages", "modem", "latency_ms"})
    ->Args({32, 0, 20})
    ->Args({32, 1, 20})
    ->Args({32, 1, 150})
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);

} // namespace
