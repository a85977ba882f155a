// korvane-cli monitor against the simulated fixture logger: the printed log, the export file,
// and the logger taken out of monitor mode however the command ends.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "logger/monitor.h"
#include "logger/tab_ass.h"
#include "sim/sim.h"
#include "support/env_guard.h"
#include "support/fixture.h"
#include "support/process.h"
#include "support/state_guard.h"

namespace {

class CliMonitor : public KorvaneTest {
  protected:
    void SetUp() override {
        KorvaneTest::SetUp();
        sim::SimOptions o;
        o.kind = sim::DeviceKind::RX43;
        o.stateDir = fixturePath("logger-basic");
        o.monitorSpeed = 20; // node 4 every 0.75 s, node 254 every second
        sim_ = std::make_unique<sim::Simulator>(o);
        ASSERT_TRUE(sim_->start());
    }
    ProcessResult run(std::vector<std::string> args, int interruptAfterMs = 0,
                      const std::vector<std::string>& wrapper = {}) {
        args.insert(args.begin(), {KORVANE_CLI_PATH, "-p", sim_->slavePath()});
        args.insert(args.begin(), wrapper.begin(), wrapper.end());
        return runProcess(args, {"KORVANE_DEV_DIR=" + dev_.path(), "KORVANE_PORTS="}, "", 60000,
                          interruptAfterMs);
    }
    // The logger left monitor mode: "ATCM08" was its last request and it has gone quiet.
    void expectOutOfMonitorMode() {
        const auto cmds = sim_->commands();
        ASSERT_FALSE(cmds.empty());
        EXPECT_EQ(cmds.back(), "ATCM08");
        const size_t sent = sim_->deviceState().monitorSent.size();
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        EXPECT_EQ(sim_->deviceState().monitorSent.size(), sent);
    }
    std::unique_ptr<sim::Simulator> sim_;
    TempDir dev_, out_;
};

std::vector<std::string> lines(const std::string& text, char end) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l, end);) {
        if (!l.empty() && l.back() == '\r') l.pop_back();
        out.push_back(l);
    }
    return out;
}

TEST_F(CliMonitor, PrintsTheLogWritesTheExportAndStopsTheLogger) {
    const std::string exportFile = out_.file("mon.csv");
    ProcessResult r = run({"monitor", "--duration", "7", "--export", exportFile, "--period", "2", "-c"});
    ASSERT_EQ(r.status, 0) << r.err;
    expectOutOfMonitorMode();
    // The temporary buffer's lines first, as the golden log has them (LF line ends).
    const auto golden = lines(readFileBytes(fixturePath("monitor-basic/expected/log.txt")), '\n');
    const auto printed = lines(r.out, '\n');
    ASSERT_GT(printed.size(), 10u);
    for (size_t i = 0; i < 6; ++i) EXPECT_EQ(printed[i], golden[i]) << i;
    EXPECT_EQ(r.out.find('\r'), std::string::npos);
    size_t measured = 0;
    for (size_t i = 6; i < printed.size(); ++i) measured += printed[i].find(">> CH4_1= ") == 8;
    EXPECT_GE(measured, 3u);

    // Export: header and rows every 2 s, the temperature column within what the node sent.
    const auto flash = fixtureFlash("logger-basic");
    const auto table = flashPage(flash, 0x0FF6);
    std::memcpy(TabAss, table.data(), kTabAssSize);
    ASSERT_EQ(decodeTabAss(), 1);
    double lo = 1e9, hi = -1e9;
    for (const std::string& p : sim_->deviceState().monitorSent) {
        const MonitorPacket m = parseMonitorLine(p);
        if (m.kind != MonitorPacket::Measure || m.node != 4 || m.values.size() != 6) continue;
        lo = std::min(lo, m.values[0] / 100.0), hi = std::max(hi, m.values[0] / 100.0);
    }
    const auto rows = lines(readFileBytes(exportFile), '\n');
    ASSERT_GE(rows.size(), 3u);
    EXPECT_EQ(rows[0].rfind("\"Timestamp\";\"CH4_1: ", 0), 0u);
    for (size_t i = 1; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i].size() > 14 && rows[i][6] == '_' && rows[i][13] == ';', true) << rows[i];
        const std::string cell = rows[i].substr(14, rows[i].find(';', 14) - 14);
        if (cell == "Err") continue;
        std::string dot = cell;
        ASSERT_NE(dot.find(','), std::string::npos) << cell; // decimal comma
        dot[dot.find(',')] = '.';
        EXPECT_GE(std::stod(dot), lo - 0.005) << rows[i];
        EXPECT_LE(std::stod(dot), hi + 0.005) << rows[i];
    }
}

TEST_F(CliMonitor, CtrlCAndSigtermLeaveTheLoggerOutOfMonitorMode) {
    ProcessResult r = run({"monitor"}, 2500);
    EXPECT_EQ(r.status, 0) << r.err;
    expectOutOfMonitorMode();
    r = run({"monitor", "--utf8"}, 0, {"/usr/bin/timeout", "--preserve-status", "-s", "TERM", "3"});
    EXPECT_EQ(r.status, 0) << r.err;
    expectOutOfMonitorMode();
}

TEST_F(CliMonitor, ArgumentsAndAMissingDevice) {
    EXPECT_EQ(run({"monitor", "--period", "0"}).status, 64);
    EXPECT_EQ(run({"monitor", "--duration"}).status, 64);
    ProcessResult r = runProcess({KORVANE_CLI_PATH, "-p", out_.file("none"), "monitor", "--duration", "1"},
                                 {"KORVANE_DEV_DIR=" + dev_.path(), "KORVANE_PORTS="});
    EXPECT_EQ(r.status, 6) << r.err; // the -p port does not exist
}

} // namespace
