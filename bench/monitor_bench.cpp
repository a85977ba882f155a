// Real-time monitor: decoding and logging one packet line, and appending a line to the packet
// log once it is full (the oldest lines are dropped: the cost must not grow with the session).
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "logger/monitor.h"
#include "logger/tab_ass.h"
#include "shell/korvane.h"

namespace {

// A table of two nodes: node 4 with six physical channels (a 32-bit energy pair among them),
// node 254 with three.
void loadTable() {
    resetState();
    std::memset(TabAss, 0xFF, sizeof TabAss);
    const uint8_t page[] = {0xFF, 1,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,
                            0,    0,    0,    0,    4,    6,    15,   0,    0x01, 0x55, 0x60, 0x32,
                            0x10, 0x00, 0x08, 0x00, 0xF1, 0x79, 0x06, 0x00, 0x60, 0x01, 254,  3,
                            20,   0,    0xCE, 0x16, 0xAB, 0xF2, 0x4C, 0x22, 0x4B, 0x01};
    std::memcpy(TabAss, page, sizeof page);
    TabAss[2] = sizeof page;
    decodeTabAss();
}

void BM_MonitorPacketLine(benchmark::State& state) {
    loadTable();
    MonitorLog log;
    const std::string line = "ATUC040799003F9D3808FB731AA25800D9015E";
    for (auto _ : state) handleMonitorLine(line, "12:00:00", log, nullptr);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MonitorPacketLine);

// Appending to a log that already took `range(0)` lines (far more than its 0xFFFFF characters).
void BM_MonitorLogAppendWhenFull(benchmark::State& state) {
    MonitorLog log;
    const std::string line = "12:00:00>> CH4_1= 19.45 CH4_2= 416901.6 CH4_3= 229.9 CH4_4= 29.47 CH4_5= "
                             "1015.60 Tboard= 21.7 Vbat= 3.50\r\n";
    for (int64_t i = 0; i < state.range(0); ++i) log.append(line);
    for (auto _ : state) log.append(line);
    state.counters["lines_held"] = static_cast<double>(log.lines().size());
}
BENCHMARK(BM_MonitorLogAppendWhenFull)->Arg(10000)->Arg(100000)->Arg(1000000);

} // namespace
