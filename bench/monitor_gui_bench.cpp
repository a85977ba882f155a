// Real-time monitor window: its share of one core while the simulated logger streams at its
// fastest packet rate with eight channel windows and a live graph open (target: under 3 %), and
// the time to append a line to the packet box once 100,000 lines have gone through it (target:
// under 1 ms, no growth with the line count).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <ctime>
#include <memory>

#include "link/korvane_com.h"
#include "logger/channel_select.h"
#include "logger/monitor_dialog.h"
#include "logger/session.h"
#include "platform/ui_qt_dialog.h"
#include "plot/plot_engine.h"
#include "plot/plot_window.h"
#include "shell/startup.h"
#include "sim/sim.h"
#include "tables/datalogger.h"

namespace {

double threadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Runs the event loop for `ms` milliseconds, idle between events.
void pump(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Arguments: seconds measured per iteration; the live graph: 1 cursor mode, 2 data mode, 0 none.
void BM_MonitorCpuShareEightWindowsAndGraph(benchmark::State& state) {
    sim::SimOptions o;
    o.kind = sim::DeviceKind::RX43;
    o.scenario = "normal";   // three nodes, 5 + 7 + 7 channels
    o.monitorSpeed = 100000; // the fastest: every node every 20 ms
    sim::Simulator s(o);
    if (!s.start()) return state.SkipWithError("simulator");
    resetState();
    plot::installPlotWindowDevices();
    plot::setPlotMessageSink([](std::string_view) {});
    Timeout_rx = 1000;
    if (openAndProbe(s.slavePath()) != 1) return state.SkipWithError("probe");
    initSession(nullptr);
    {
        DlgMonitor mon(nullptr);
        mon.start();
        for (int col = 2; col < 6; ++col) selchClick(0, col), selchClick(1, col);
        mon.openDataWindows();
        plot::setPlotWindowOwner(windowOf(&mon));
        openSelectedGraph(state.range(1) == 2, state.range(1) == 1);
        plot::setPlotWindowOwner(nullptr);
        pump(1500); // the first drains
        double share = 0, packets = 0;
        for (auto _ : state) {
            const size_t sent0 = s.deviceState().monitorSent.size();
            const double cpu0 = threadCpuSeconds();
            QElapsedTimer wall;
            wall.start();
            pump(static_cast<int>(state.range(0)) * 1000);
            const double seconds = static_cast<double>(wall.elapsed()) / 1000.0;
            share = (threadCpuSeconds() - cpu0) / seconds * 100.0;
            packets = static_cast<double>(s.deviceState().monitorSent.size() - sent0) / seconds;
        }
        state.counters["cpu_share_percent"] = share;
        state.counters["packets_per_s"] = packets;
        state.counters["windows"] = static_cast<double>(InfoSELCH.ncsel);
        state.counters["graph"] = Init_Graph;
    }
    closeComPort(hCom);
}
BENCHMARK(BM_MonitorCpuShareEightWindowsAndGraph)
    ->Args({10, 1})
    ->Args({10, 2})
    ->Args({10, 0})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// Appending one packet line to the box after `range(0)` lines went through it.
void BM_MonitorBoxAppendAfterLines(benchmark::State& state) {
    resetState();
    DlgMonitor mon(nullptr);
    const std::string line = "12:00:00>> CH4_1= 19.45 CH4_2= 416901.6 CH4_3= 229.9 CH4_4= 29.47 CH4_5= "
                             "1015.60 Tboard= 21.7 Vbat= 3.50\r\n";
    for (int64_t i = 0; i < state.range(0); ++i) mon.appendLog(line);
    for (auto _ : state) mon.appendLog(line);
    state.counters["lines_held"] = static_cast<double>(mon.log().lines().size());
}
BENCHMARK(BM_MonitorBoxAppendAfterLines)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

} // namespace
