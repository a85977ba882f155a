// Command transactions over a pseudo-terminal against the simulator.
#include <benchmark/benchmark.h>

#include <ctime>

#include "link/korvane_com.h"
#include "shell/korvane.h"
#include "sim/sim.h"

namespace {

double cpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Starts the simulated logger and opens its line with a 2 s reply time-out; nullptr (the
// benchmark skipped) when the simulator does not start.
ComHandle openLogger(benchmark::State& state, sim::Simulator& s) {
    resetState();
    if (!s.start()) {
        state.SkipWithError("simulator did not start");
        return nullptr;
    }
    ComHandle h = openComPort(s.slavePath());
    initCOM(h);
    Timeout_rx = 2000;
    return h;
}

// Transactions per second: "ATSR" against a zero-latency, unpaced simulated logger.
void BM_TransactionRoundTrip(benchmark::State& state) {
    sim::SimOptions o;
    o.kind = sim::DeviceKind::RX43;
    sim::Simulator s(o);
    ComHandle h = openLogger(state, s);
    if (!h) return;
    for (auto _ : state) {
        if (sendCOMMAND(h, "ATSR\r", kModeCR) != 1) {
            state.SkipWithError("transaction failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
    closeComPort(h);
}
BENCHMARK(BM_TransactionRoundTrip)->UseRealTime()->Unit(benchmark::kMicrosecond);

// CPU time spent while one transaction waits out its time-out on a silent line. A busy poll
// would burn the whole 2000 ms; waiting in poll() costs next to nothing.
void BM_TimeoutWaitCpu(benchmark::State& state) {
    sim::SimOptions o;
    o.kind = sim::DeviceKind::RX43;
    o.fault.silenceAfter = 0; // never answers
    sim::Simulator s(o);
    ComHandle h = openLogger(state, s);
    if (!h) return;
    double cpu = 0;
    for (auto _ : state) {
        double c0 = cpuSeconds();
        sendCOMMAND(h, "ATSR\r", kModeCR);
        cpu += cpuSeconds() - c0;
    }
    state.counters["cpu_ms_per_wait"] = cpu * 1000.0 / static_cast<double>(state.iterations());
    closeComPort(h);
}
BENCHMARK(BM_TimeoutWaitCpu)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace
