// The simulator's line endpoint, identification, modem, fault injection and program, seen from
// the slave side of the pseudo-terminal and through the program's own serial code.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

#include "link/korvane_com.h"
#include "sim/sim.h"
#include "sim_client.h"
#include "support/env_guard.h"
#include "support/fixture.h"
#include "support/process.h"
#include "support/state_guard.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

sim::SimOptions optionsFor(sim::DeviceKind kind, const std::string& fault = "") {
    sim::SimOptions o;
    o.kind = kind;
    o.scenario = "empty"; // the smallest flash: these tests do not read it
    std::string err;
    EXPECT_TRUE(sim::FaultSpec::parse(fault, o.fault, err)) << err;
    return o;
}

long msSince(Clock::time_point t) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count());
}

} // namespace

TEST(SimOptionsParsing, FaultLists) {
    sim::FaultSpec f;
    std::string err;
    ASSERT_TRUE(sim::FaultSpec::parse("drop=0.01,corrupt=0.02,silence=3,hangup=0,seed=4294967295", f, err))
        << err;
    EXPECT_DOUBLE_EQ(f.drop, 0.01);
    EXPECT_DOUBLE_EQ(f.corrupt, 0.02);
    EXPECT_EQ(f.silenceAfter, 3);
    EXPECT_EQ(f.hangupAfter, 0);
    EXPECT_EQ(f.seed, 4294967295u);
    ASSERT_TRUE(sim::FaultSpec::parse("", f, err));
    EXPECT_EQ(f.drop, 0);
    EXPECT_EQ(f.silenceAfter, -1);
    EXPECT_EQ(f.hangupAfter, -1);
    for (const char* bad : {"drop=1.5", "drop=-0.1", "silence=-1", "hangup=3x", "seed=4294967296", "lose=0.1",
                            "drop", "corrupt="}) {
        sim::FaultSpec g;
        g.seed = 99;
        EXPECT_FALSE(sim::FaultSpec::parse(bad, g, err)) << bad;
        EXPECT_FALSE(err.empty()) << bad;
        EXPECT_EQ(g.seed, 99u) << "a refused fault list leaves the target alone: " << bad;
    }
}

// The program's own serial code against the simulator.
class SimWithProgram : public KorvaneTest {};

TEST_F(SimWithProgram, HangupFaultClosesTheLineAndEndsTheWaitAtOnce) {
    sim::Simulator s(optionsFor(sim::DeviceKind::RX43, "hangup=1"));
    ASSERT_TRUE(s.start());
    ComHandle h = openComPort(s.slavePath());
    ASSERT_NE(h, nullptr);
    initCOM(h);
    Timeout_rx = 3000;
    ASSERT_EQ(sendCOMMAND(h, "ATVR\r", kModeCR), 1) << "the last reply still arrives";
    EXPECT_STREQ(reinterpret_cast<const char*>(Rx_buf), "B018");
    for (int i = 0; i < 100 && !s.hungUp(); ++i) std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(s.hungUp());
    EXPECT_FALSE(s.running());
    const auto t = Clock::now();
    EXPECT_EQ(sendCOMMAND(h, "ATVR\r", kModeCR), 0);
    EXPECT_LT(msSince(t), 2000) << "a hang-up ends the wait before the time-out";
    EXPECT_EQ(Com_lost, 1);
    closeComPort(h);
}

TEST(SimDevice, UnknownOrMalformedCommandsAnswerErrAndAnEmptyLineNothing) {
    sim::SimOptions o = optionsFor(sim::DeviceKind::RX43);
    o.fw = 0x12; // before 1.3: no network address
    sim::Simulator s(o);
    ASSERT_TRUE(s.start());
    SimClient cl(s.slavePath());
    for (const char* rq : {"ATXX\r", "ATVR1\r", "ATCM99\r", "ATCM8\r", "ATPT1000\r", "atvr\r", "AT\r",
                           "ATRDZZZZ\r", "ATTM2460\r", "ATMY\r", "ATSA\r"}) {
        EXPECT_EQ(cl.ask(rq), "ERR\r") << rq;
    }
    cl.send("\r");
    EXPECT_EQ(cl.readQuiet(150), "");
}

TEST(SimFraming, RequestsSplitAcrossWritesNoiseAndTwoRequestsInOneWrite) {
    sim::Simulator s(optionsFor(sim::DeviceKind::RX42));
    ASSERT_TRUE(s.start());
    SimClient cl(s.slavePath());
    for (char c : std::string("ATVR\r")) {
        cl.send(std::string(1, c));
        std::this_thread::sleep_for(5ms);
    }
    EXPECT_EQ(cl.readLine(), "7018\r");
    cl.send("#?\x01***"); // line noise before the attention sequence is dropped with it
    EXPECT_EQ(cl.readLine(), "OK\r");
    cl.send("\nATCM08\r\n"); // LF is ignored
    EXPECT_EQ(cl.readLine(), "OK\r");
    cl.purge();
    cl.send("ATSR\rATVR\r");
    EXPECT_EQ(cl.readQuiet(150), "10\r7018\r");
    EXPECT_EQ(s.commands(), (std::vector<std::string>{"ATVR", "***", "ATCM08", "ATSR", "ATVR"}));
}

TEST(SimModem, EchoDialEscapeAndHangUp) {
    sim::SimOptions o = optionsFor(sim::DeviceKind::RX43);
    o.modem = true;
    o.modemGuardMs = 200;
    o.modemDialMs = 100;
    sim::Simulator s(o);
    ASSERT_TRUE(s.start());
    SimClient cl(s.slavePath());
    cl.send("ATE0V1\r"); // echo on by default; it stops after this line
    EXPECT_EQ(cl.readQuiet(150), "ATE0V1\r\r\nOK\r\n");
    cl.send("ATV0\r");
    EXPECT_EQ(cl.readQuiet(150), "0\r");
    auto t = Clock::now();
    EXPECT_EQ(cl.ask("ATDT0551234567\r"), "1\r");
    EXPECT_GE(msSince(t), 90) << "the connection takes the dial time";
    EXPECT_EQ(cl.ask("ATVR\r"), "B018\r") << "data mode: the logger behind the modem answers";
    EXPECT_EQ(cl.ask("+++ATVR\r"), "ERR\r") << "without the guard time \"+++\" is data for the logger";
    std::this_thread::sleep_for(250ms);
    t = Clock::now();
    EXPECT_EQ(cl.ask("+++", 1000), "0\r");
    EXPECT_GE(msSince(t), 190) << "OK only after the guard time";
    EXPECT_EQ(cl.ask("ATH\r"), "3\r") << "NO CARRIER";
}

TEST(SimFaults, DroppedCorruptedAndSilencedReplies) {
    auto replies = [](const std::string& fault, int requests) {
        sim::Simulator s(optionsFor(sim::DeviceKind::RX43, fault));
        EXPECT_TRUE(s.start());
        SimClient cl(s.slavePath());
        std::string all;
        for (int i = 0; i < requests; ++i) {
            cl.send("ATVR\r");
            all += cl.readQuiet(requests == 1 ? 150 : 30);
        }
        return all;
    };
    EXPECT_EQ(replies("drop=1", 1), "");
    const std::string corrupt = replies("corrupt=1", 1), clean = "B018\r";
    ASSERT_EQ(corrupt.size(), 5u);
    for (size_t i = 0; i < corrupt.size(); ++i) EXPECT_NE(corrupt[i], clean[i]) << i;
    const std::string half = replies("drop=0.5,seed=11", 40); // of 200 bytes
    EXPECT_GT(half.size(), 60u);
    EXPECT_LT(half.size(), 140u);
    EXPECT_EQ(replies("drop=0.5,seed=11", 40), half);

    sim::Simulator s(optionsFor(sim::DeviceKind::RX41, "silence=1"));
    ASSERT_TRUE(s.start());
    SimClient cl(s.slavePath());
    EXPECT_EQ(cl.ask("ATVR\r"), "0018\r");
    EXPECT_EQ(cl.ask("ATVR\r", 300), "") << "silent from the second request on";
    EXPECT_EQ(s.commands().size(), 2u) << "requests are still received";
}

TEST(SimTiming, PacingAndLatencyDelayReplies) {
    sim::SimOptions o = optionsFor(sim::DeviceKind::RX43);
    o.baud = 19200; // 528 bytes need 275 ms on the line
    o.latencyMs = 150;
    sim::Simulator s(o);
    ASSERT_TRUE(s.start());
    SimClient cl(s.slavePath());
    auto t = Clock::now();
    EXPECT_EQ(cl.ask("ATVR\r"), "B018\r");
    EXPECT_GE(msSince(t), 140);
    ASSERT_EQ(cl.ask("ATRD8000\r"), "OK\r");
    t = Clock::now();
    cl.send("ATRD\r");
    EXPECT_EQ(cl.readN(528).size(), 528u);
    EXPECT_GE(msSince(t), 250);
}

TEST(SimLifecycle, RestartsWithTranscriptAndLink) {
    TempDir dir;
    sim::SimOptions o = optionsFor(sim::DeviceKind::RX43);
    o.transcriptPath = dir.file("transcript.txt");
    o.linkPath = dir.file("link");
    sim::Simulator s(o);
    EXPECT_TRUE(s.slavePath().empty());
    for (int i = 0; i < 2; ++i) {
        std::string err;
        ASSERT_TRUE(s.start(&err)) << err;
        EXPECT_FALSE(s.start(&err)) << "already running";
        EXPECT_EQ(std::filesystem::read_symlink(o.linkPath).string(), s.slavePath());
        SimClient cl(o.linkPath);
        EXPECT_EQ(cl.ask("ATVR\r"), "B018\r");
        EXPECT_EQ(cl.ask("ATRD8000\r"), "OK\r");
        EXPECT_EQ(s.commands().size(), 2u) << "each start counts afresh";
        const auto t = Clock::now();
        s.stop();
        EXPECT_LT(msSince(t), 500);
        EXPECT_FALSE(s.running());
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(o.linkPath))) << "link removed";
        s.stop(); // twice is harmless
    }
    const std::string t = readFileBytes(o.transcriptPath);
    for (const char* line : {"> ATVR\n", "< B018\\r\n", "> ATRD8000\n"})
        EXPECT_NE(t.find(line), std::string::npos) << t;
}

TEST(SimProgram, UsageServeSaveAndSignal) {
    EXPECT_NE(runProcess({KORVANE_SIM_PATH, "--help"}).out.find("usage: korvane-sim DEVICE"),
              std::string::npos);
    for (const char* bad : {"", "rx99", "rx43 --baud", "rx43 --fw 123", "rx43 --fault drop=2",
                            "rx43 --scenario nope", "rx43 --bogus"}) {
        std::vector<std::string> argv{KORVANE_SIM_PATH};
        std::istringstream words(bad);
        for (std::string w; words >> w;) argv.push_back(w);
        EXPECT_EQ(runProcess(argv).status, 2) << bad;
    }

    // Serving until Ctrl-C, after the files are written.
    TempDir dir;
    const std::string image = dir.file("image.bin"), state = dir.file("state");
    const ProcessResult r = runProcess({KORVANE_SIM_PATH, "rx42", "--fw", "1a", "--scenario", "multi",
                                        "--seed", "3", "--save-flash", image, "--save-state", state},
                                       {}, "", 20000, 3000);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("/dev/pts/", 0), 0u) << r.out;
    sim::Scenario sc;
    std::string err;
    ASSERT_TRUE(sim::buildScenario("multi", 3, sc, err));
    EXPECT_TRUE(readFileBytes(image) == std::string(sc.state.flash.begin(), sc.state.flash.end()));
    sim::SimOptions o; // the saved state serves the same session
    o.stateDir = state;
    sim::Simulator s(o);
    ASSERT_TRUE(s.start(&err)) << err;
    SimClient cl(s.slavePath());
    EXPECT_EQ(cl.ask("ATVR\r"), "701A\r");
    char pointers[32];
    std::snprintf(pointers, sizeof pointers, "%04X\r%04X\r%04X\r", sc.state.pageTab, sc.state.pageLast,
                  sc.state.tempLength);
    EXPECT_EQ(cl.ask("ATPT\r") + cl.ask("ATPL\r") + cl.ask("ATRB\r"), pointers);
    EXPECT_EQ(s.deviceState().tempBuffer, sc.state.tempBuffer);
}
