// A 1024-record board program upload over a pseudo-terminal against the simulated board, in
// normal and in fast mode, directly at 256000 baud and through the simulated modem at 19200
// baud. Reported as the ratio of the wall time to the time the bytes need on the wire.
#include <benchmark/benchmark.h>

#include "firmware/firmware_files.h"
#include "firmware/upload.h"
#include "link/korvane_com.h"
#include "platform/clock.h"
#include "shell/korvane.h"
#include "sim/firmware_file.h"
#include "sim/sim.h"

namespace {

constexpr size_t kRecords = 1024;

// Wire time of an upload [s]: every record (34 bytes) and its "OK\r", the block count and its
// "OK\r", "ATCM04\r" and its "OK\r", "ATCM10\r" and its "OK\r"; 10 bit times a byte.
double wireSeconds(uint32_t baud) {
    const double bytes = kRecords * (34.0 + 3.0) + (9 + 3) + (7 + 3) + (7 + 3);
    return bytes * 10.0 / baud;
}

// args: 0 normal / 1 fast; baud; 1 = through the modem; fast-mode interval [ms].
void BM_BoardUpload(benchmark::State& state) {
    const bool fast = state.range(0) == 1;
    const auto baud = static_cast<uint32_t>(state.range(1));
    const bool modem = state.range(2) == 1;
    resetState();
    sim::SimOptions o;
    o.kind = sim::DeviceKind::MW51;
    o.baud = baud;
    o.modem = modem;
    o.modemDialMs = 50;
    sim::Simulator s(o);
    if (!s.start()) {
        state.SkipWithError("simulator did not start");
        return;
    }
    hCom = openComPort(s.slavePath());
    BR_value = baud;
    initCOM(hCom);
    Timeout_rx = 2000;
    if (modem) { // no echo, numeric results, then the call
        hCom->write("ATE0V0\r", 7);
        sleepMs(300);
        clearRxBuf(hCom);
        if (sendCOMMAND(hCom, "ATD1\r", kModeCR) != 1 || rxText() != "1") {
            state.SkipWithError("the modem did not connect");
            return;
        }
    }
    if (parseFirmwareFile(sim::makeFirmwareFile(sim::sampleProgram(kRecords)), FW).ok != 1) {
        state.SkipWithError("firmware file");
        return;
    }
    T_updfw_fast = static_cast<uint16_t>(state.range(3));
    double wall = 0;
    for (auto _ : state) {
        const uint32_t t0 = nowMs();
        UploadStats st;
        if (uploadFwRun(nullptr, fast, &st) != 1) {
            state.SkipWithError("upload failed");
            break;
        }
        wall += (nowMs() - t0) / 1000.0;
    }
    const double perRun = wall / static_cast<double>(state.iterations());
    state.counters["wall_s"] = perRun;
    state.counters["wire_s"] = wireSeconds(baud);
    state.counters["ratio_to_wire"] = perRun / wireSeconds(baud);
    state.counters["interval_ms"] = fast ? static_cast<double>(T_updfw_fast) : 0.0;
    closeComPort(hCom);
    s.stop();
}
BENCHMARK(BM_BoardUpload)
    ->ArgNames({"fast", "baud", "modem", "interval"})
    ->Args({0, 256000, 0, 0})
    ->Args({1, 256000, 0, 10})
    ->Args({0, 19200, 1, 0})
    ->Args({1, 19200, 1, 20})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);

} // namespace
