// The simulator's line endpoint, identification, boot loader, modem and fault injection, seen
// from the slave side of the pseudo-terminal.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <thread>

#include "link/korvane_com.h"
#include "sim/sim.h"
#include "sim_client.h"
#include "support/state_guard.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

sim::SimOptions optionsFor(sim::DeviceKind kind) {
    sim::SimOptions o;
    o.kind = kind;
    o.scenario = "empty"; // the smallest flash: these tests do not read it
    return o;
}

long msSince(Clock::time_point t) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count());
}

std::string tempPath(const std::string& name) {
    return (std::filesystem::temp_directory_path() / ("korvane_sim_" + std::to_string(getpid()) + "_" + name))
        .string();
}

} // namespace

TEST(SimOptionsParsing, DeviceKindNames) {
    const struct {
        const char* name;
        bool ok;
        sim::DeviceKind kind;
    } cases[] = {
        {"rx41", true, sim::DeviceKind::RX41},
        {"RX42", true, sim::DeviceKind::RX42},
        {"Rx43", true, sim::DeviceKind::RX43},
        {"mw51", true, sim::DeviceKind::MW51},
        {"VKE15", true, sim::DeviceKind::VKE15},
        {"boot", true, sim::DeviceKind::Boot},
        {"rx44", false, {}},
        {"", false, {}},
        {"rx43 ", false, {}},
    };
    for (const auto& c : cases) {
        sim::DeviceKind k = sim::DeviceKind::RX41;
        EXPECT_EQ(sim::parseDeviceKind(c.name, k), c.ok) << c.name;
        if (c.ok) {
            EXPECT_EQ(k, c.kind) << c.name;
        }
    }
}

TEST(SimOptionsParsing, FaultSpecifications) {
    sim::FaultSpec f;
    std::string err;
    ASSERT_TRUE(sim::FaultSpec::parse("drop=0.01,corrupt=0.02,silence=3,hangup=10,seed=7", f, err)) << err;
    EXPECT_DOUBLE_EQ(f.drop, 0.01);
    EXPECT_DOUBLE_EQ(f.corrupt, 0.02);
    EXPECT_EQ(f.silenceAfter, 3);
    EXPECT_EQ(f.hangupAfter, 10);
    EXPECT_EQ(f.seed, 7u);

    ASSERT_TRUE(sim::FaultSpec::parse("", f, err));
    EXPECT_EQ(f.drop, 0);
    EXPECT_EQ(f.silenceAfter, -1);
    EXPECT_EQ(f.hangupAfter, -1);
    ASSERT_TRUE(sim::FaultSpec::parse("seed=4294967295,hangup=0", f, err));
    EXPECT_EQ(f.seed, 4294967295u);
    EXPECT_EQ(f.hangupAfter, 0);

    for (const char* bad : {"drop=1.5", "drop=-0.1", "drop=x", "silence=-1", "hangup=3x", "seed=4294967296",
                            "lose=0.1", "drop", "=1", "corrupt="}) {
        sim::FaultSpec g;
        g.seed = 99;
        EXPECT_FALSE(sim::FaultSpec::parse(bad, g, err)) << bad;
        EXPECT_FALSE(err.empty()) << bad;
        EXPECT_EQ(g.seed, 99u) << "a refused specification leaves the target alone: " << bad;
    }
}

TEST(SimIdentification, EveryKindAnswersAttentionAndVersion) {
    const struct {
        sim::DeviceKind kind;
        uint16_t fw;
        const char* version;
    } cases[] = {
        {sim::DeviceKind::RX41, 0x18, "0018\r"},  {sim::DeviceKind::RX42, 0x16, "7016\r"},
        {sim::DeviceKind::RX43, 0x18, "B018\r"},  {sim::DeviceKind::MW51, 0x20, "5020\r"},
        {sim::DeviceKind::VKE15, 0x1A, "801A\r"},
    };
    for (const auto& c : cases) {
        sim::SimOptions o = optionsFor(c.kind);
        o.fw = c.fw;
        sim::Simulator s(o);
        std::string err;
        ASSERT_TRUE(s.start(&err)) << err;
        SimClient cl(s.slavePath());
        ASSERT_TRUE(cl.ok());
        EXPECT_EQ(cl.ask("***"), "OK\r") << c.version;
        EXPECT_EQ(cl.ask("ATCM08\r"), "OK\r") << c.version;
        EXPECT_EQ(cl.ask("ATCM00\r"), "OK\r") << c.version;
        EXPECT_EQ(cl.ask("ATVR\r"), c.version);
        EXPECT_EQ(s.commands(), (std::vector<std::string>{"***", "ATCM08", "ATCM00", "ATVR"}));
    }
}

// Production serial code against the simulator; the fixture resets the program's globals.
class SimWithProgram : public KorvaneTest {};

TEST_F(SimWithProgram, ProbeRecognisesEveryKind) {
    const struct {
        sim::DeviceKind kind;
        int mw51, rx42, rx43, vke15, boot;
        const char* release;
        const char* bootvers;
    } cases[] = {
        {sim::DeviceKind::RX41, 0, 0, 0, 0, 0, "0018", ""},
        {sim::DeviceKind::RX42, 0, 1, 0, 0, 0, "7018", ""},
        {sim::DeviceKind::RX43, 0, 1, 1, 0, 0, "B018", ""},
        {sim::DeviceKind::MW51, 1, 0, 0, 0, 0, "5018", ""},
        {sim::DeviceKind::VKE15, 0, 0, 0, 1, 0, "8018", ""},
        {sim::DeviceKind::Boot, 0, 0, 0, 0, 1, "", "Boot v.1.8"},
    };
    for (const auto& c : cases) {
        resetState();
        sim::Simulator s(optionsFor(c.kind));
        ASSERT_TRUE(s.start());
        ComHandle h = openComPort(s.slavePath());
        ASSERT_NE(h, nullptr);
        initCOM(h);
        Timeout_rx = 300;
        EXPECT_EQ(test_hCom(h), 1) << sim::deviceKindName(c.kind);
        EXPECT_EQ(Flag.MW51, c.mw51) << sim::deviceKindName(c.kind);
        EXPECT_EQ(Flag.RX42, c.rx42) << sim::deviceKindName(c.kind);
        EXPECT_EQ(Flag.RX43, c.rx43) << sim::deviceKindName(c.kind);
        EXPECT_EQ(Flag.VKE15, c.vke15) << sim::deviceKindName(c.kind);
        EXPECT_EQ(Flag.RX43BOOT, c.boot) << sim::deviceKindName(c.kind);
        EXPECT_EQ(FW_release, c.release);
        EXPECT_EQ(Flag.bootvers, c.bootvers);
        closeComPort(h);
    }
}

TEST(SimBootLoader, AnswersAttentionWithTwoRawBytesAndIgnoresCommands) {
    sim::SimOptions o = optionsFor(sim::DeviceKind::Boot);
    o.fw = 0x12;
    sim::Simulator s(o);
    ASSERT_TRUE(s.start());
    EXPECT_EQ(s.scenario(), nullptr);
    SimClient cl(s.slavePath());
    cl.send("***");
    EXPECT_EQ(cl.readQuiet(150), std::string("\x12\xB3", 2));
    for (const char* rq : {"ATVR\r", "ATCM08\r", "**\r", "\r"}) {
        cl.send(rq);
        EXPECT_EQ(cl.readQuiet(150), "") << rq;
    }
}

TEST(SimDevice, UnknownOrMalformedCommandsAnswerErr) {
    sim::SimOptions o = optionsFor(sim::DeviceKind::RX43);
    o.fw = 0x12; // before 1.3: no network address
    sim::Simulator s(o);
    ASSERT_TRUE(s.start());
    SimClient cl(s.slavePath());
    for (const char* rq :
         {"ATXX\r", "ATVR1\r", "ATCM99\r", "ATCM8\r", "ATPT12345\r", "ATPT1000\r", "atvr\r", "HELLO\r",
          "AT\r", "ATRDZZZZ\r", "ATDT991332\r", "ATTM2460\r", "ATMY\r", "ATCM14\r", "ATSA\r"}) {
        EXPECT_EQ(cl.ask(rq), "ERR\r") << rq;
    }
    // An empty line gets no answer at all.
    cl.send("\r");
    EXPECT_EQ(cl.readQuiet(150), "");
}

TEST(SimFraming, RequestsSplitAcrossWritesAndAttentionWithoutCr) {
    sim::Simulator s(optionsFor(sim::DeviceKind::RX42));
    ASSERT_TRUE(s.start());
    SimClient cl(s.slavePath());
    // One byte per write, with pauses.
    for (char c : std::string("ATVR\r")) {
        cl.send(std::string(1, c));
        std::this_thread::sleep_for(5ms);
    }
    EXPECT_EQ(cl.readLine(), "7018\r");
    // Line noise before the attention sequence is dropped with it; LF is ignored.
    cl.send("#?\x01***");
    EXPECT_EQ(cl.readLine(), "OK\r");
    cl.send("\nATCM08\r\n");
    EXPECT_EQ(cl.readLine(), "OK\r");
    // Two requests in one write get two replies, in order.
    cl.purge();
    cl.send("ATSR\rATVR\r");
    EXPECT_EQ(cl.readQuiet(150), "10\r7018\r");
    EXPECT_EQ(s.commands(), (std::vector<std::string>{"ATVR", "***", "ATCM08", "ATSR", "ATVR"}));
}

// ---- modem ----

namespace {
sim::SimOptions modemOptions() {
    sim::SimOptions o = optionsFor(sim::DeviceKind::RX43);
    o.modem = true;
    o.modemGuardMs = 200;
    o.modemDialMs = 100;
    return o;
}
} // namespace

TEST(SimModem, CommandModeEchoAndResultForms) {
    sim::Simulator s(modemOptions());
    ASSERT_TRUE(s.start());
    SimClient cl(s.slavePath());
    cl.send("ATV0\r"); // echo on by default
    EXPECT_EQ(cl.readQuiet(150), "ATV0\r0\r");
    cl.send("AT&FX4S0=0\r"); // any other command: OK
    EXPECT_EQ(cl.readQuiet(150), "AT&FX4S0=0\r0\r");
    cl.send("ATE0\r");
    EXPECT_EQ(cl.readQuiet(150), "ATE0\r0\r");
    cl.send("ATV1\r");
    EXPECT_EQ(cl.readQuiet(150), "\r\nOK\r\n");
    cl.send("ATE1V0\r"); // several commands on one line; echo starts after it
    EXPECT_EQ(cl.readQuiet(150), "0\r");
    cl.send("ATVR\r"); // a device command to the modem: just another command
    EXPECT_EQ(cl.readQuiet(150), "ATVR\r0\r");
    cl.send("hello\r"); // not a command: echoed, no result
    EXPECT_EQ(cl.readQuiet(150), "hello\r");
    cl.send("AT?\r");
    EXPECT_EQ(cl.readQuiet(150), "AT?\r4\r");
    cl.send("ATZ\r"); // reset: echo on, verbose
    EXPECT_EQ(cl.readQuiet(150), "ATZ\r\r\nOK\r\n");
    cl.send("ATQ1\r"); // quiet: no result codes
    EXPECT_EQ(cl.readQuiet(150), "ATQ1\r");
}

TEST(SimModem, DialDataModeEscapeAndHangUp) {
    sim::Simulator s(modemOptions());
    ASSERT_TRUE(s.start());
    SimClient cl(s.slavePath());
    cl.send("ATE0V0\r");
    EXPECT_EQ(cl.readQuiet(100), "ATE0V0\r0\r");

    auto t = Clock::now();
    cl.send("ATDT0551234567\r");
    EXPECT_EQ(cl.readLine(), "1\r");
    EXPECT_GE(msSince(t), 90) << "the connection takes the dial time";

    // Data mode: the logger behind the modem answers, "***" included.
    EXPECT_EQ(cl.ask("***"), "OK\r");
    EXPECT_EQ(cl.ask("ATVR\r"), "B018\r");
    // "ATDT" now sets the logger's date.
    EXPECT_EQ(cl.ask("ATDT240102\r"), "OK\r");

    // "+++" without the guard time before it is data for the logger.
    cl.send("+++ATVR\r");
    EXPECT_EQ(cl.readLine(), "ERR\r") << "the logger got \"+++ATVR\"";

    // With silence before and after: command mode, the call stays up.
    std::this_thread::sleep_for(250ms);
    t = Clock::now();
    cl.send("+++");
    EXPECT_EQ(cl.readLine(1000), "0\r");
    EXPECT_GE(msSince(t), 190) << "OK only after the guard time";
    cl.send("ATO\r"); // back online
    EXPECT_EQ(cl.readLine(), "1\r");
    EXPECT_EQ(cl.ask("ATVR\r"), "B018\r");

    std::this_thread::sleep_for(250ms);
    cl.send("+++");
    EXPECT_EQ(cl.readLine(1000), "0\r");
    EXPECT_EQ(cl.ask("ATH\r"), "3\r") << "NO CARRIER";
    EXPECT_EQ(cl.ask("ATH\r"), "0\r") << "no call: just OK";
    EXPECT_EQ(cl.ask("ATO\r"), "3\r");

    // Any byte while dialling aborts the call.
    cl.send("ATD123\r");
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(cl.ask("ATH\r"), "3\r");
    EXPECT_EQ(cl.readQuiet(200), "") << "no late CONNECT";
    EXPECT_EQ(cl.ask("ATD\r"), "4\r") << "no number";

    const auto cmds = s.commands();
    EXPECT_NE(std::find(cmds.begin(), cmds.end(), "+++"), cmds.end());
    EXPECT_NE(std::find(cmds.begin(), cmds.end(), "ATDT0551234567"), cmds.end());
}

TEST_F(SimWithProgram, ModemProbeNeedsEchoOff) {
    const std::string dir = tempPath("modemini");
    std::filesystem::create_directories(dir);
    Exe_dir = dir;
    sim::Simulator s(modemOptions());
    ASSERT_TRUE(s.start());
    ComHandle h = openComPort(s.slavePath());
    ASSERT_NE(h, nullptr);
    initCOM(h);
    Timeout_rx = 300;
    Flag.modem = 1;
    EXPECT_EQ(test_hCom(h), 0) << "the echo comes first";
    std::ofstream(dir + "/modem.ini", std::ios::binary) << "ATZ\r\nATE0\r\n";
    EXPECT_EQ(test_hCom(h), 1);
    closeComPort(h);
    std::filesystem::remove_all(dir);
}

// ---- faults ----

TEST(SimFaults, HangupAfterCommandsClosesTheLine) {
    sim::SimOptions o = optionsFor(sim::DeviceKind::RX43);
    std::string err;
    ASSERT_TRUE(sim::FaultSpec::parse("hangup=2", o.fault, err)) << err;
    sim::Simulator s(o);
    ASSERT_TRUE(s.start());
    SimClient cl(s.slavePath());
    EXPECT_EQ(cl.ask("***"), "OK\r");
    EXPECT_EQ(cl.ask("ATVR\r"), "B018\r") << "the last reply still arrives";
    EXPECT_TRUE(cl.hungUp(1500));
    EXPECT_TRUE(s.hungUp());
    EXPECT_FALSE(s.running());

    // hangup=0: the line drops before any request.
    o.fault.hangupAfter = 0;
    sim::Simulator s0(o);
    ASSERT_TRUE(s0.start());
    for (int i = 0; i < 100 && !s0.hungUp(); ++i) std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(s0.hungUp());
}

TEST_F(SimWithProgram, HangupEndsTransactionAtOnce) {
    sim::Simulator s(optionsFor(sim::DeviceKind::RX43));
    ASSERT_TRUE(s.start());
    ComHandle h = openComPort(s.slavePath());
    ASSERT_NE(h, nullptr);
    initCOM(h);
    Timeout_rx = 3000;
    ASSERT_EQ(sendCOMMAND(h, "ATVR\r", kModeCR), 1);
    s.hangup();
    EXPECT_TRUE(s.hungUp());
    const auto t = Clock::now();
    EXPECT_EQ(sendCOMMAND(h, "ATVR\r", kModeCR), 0);
    EXPECT_LT(msSince(t), 2000) << "a hang-up ends the wait before the time-out";
    EXPECT_EQ(Com_lost, 1);
    closeComPort(h);
}

TEST(SimFaults, SilenceStopsReplies) {
    sim::SimOptions o = optionsFor(sim::DeviceKind::RX41);
    o.fault.silenceAfter = 1;
    sim::Simulator s(o);
    ASSERT_TRUE(s.start());
    SimClient cl(s.slavePath());
    EXPECT_EQ(cl.ask("ATVR\r"), "0018\r");
    EXPECT_EQ(cl.ask("ATVR\r", 300), "");
    EXPECT_EQ(cl.ask("***", 300), "");
    EXPECT_EQ(s.commands().size(), 3u) << "requests are still received";
    EXPECT_TRUE(s.running());
}

TEST(SimFaults, DroppedAndCorruptedBytes) {
    {
        sim::SimOptions o = optionsFor(sim::DeviceKind::RX43);
        o.fault.drop = 1.0;
        sim::Simulator s(o);
        ASSERT_TRUE(s.start());
        SimClient cl(s.slavePath());
        cl.send("ATVR\r");
        EXPECT_EQ(cl.readQuiet(150), "");
    }
    {
        sim::SimOptions o = optionsFor(sim::DeviceKind::RX43);
        o.fault.corrupt = 1.0;
        sim::Simulator s(o);
        ASSERT_TRUE(s.start());
        SimClient cl(s.slavePath());
        cl.send("ATVR\r");
        const std::string r = cl.readQuiet(150);
        ASSERT_EQ(r.size(), 5u);
        const std::string clean = "B018\r";
        for (size_t i = 0; i < r.size(); ++i) EXPECT_NE(r[i], clean[i]) << i;
    }
    // Half the bytes lost: roughly half arrive, the same ones for the same seed.
    std::string first;
    for (int run = 0; run < 2; ++run) {
        sim::SimOptions o = optionsFor(sim::DeviceKind::RX43);
        o.fault.drop = 0.5;
        o.fault.seed = 11;
        sim::Simulator s(o);
        ASSERT_TRUE(s.start());
        SimClient cl(s.slavePath());
        std::string all;
        for (int i = 0; i < 40; ++i) {
            cl.send("ATVR\r");
            all += cl.readQuiet(30);
        }
        EXPECT_GT(all.size(), 200u * 3 / 10);
        EXPECT_LT(all.size(), 200u * 7 / 10);
        if (run == 0)
            first = all;
        else
            EXPECT_EQ(all, first);
    }
}

// ---- timing ----

TEST(SimTiming, PacingAndLatencyDelayReplies) {
    sim::SimOptions o = optionsFor(sim::DeviceKind::RX43);
    o.baud = 19200; // 528 bytes need 275 ms on the line
    sim::Simulator s(o);
    ASSERT_TRUE(s.start());
    SimClient cl(s.slavePath());
    ASSERT_EQ(cl.ask("ATRD8000\r"), "OK\r");
    auto t = Clock::now();
    cl.send("ATRD\r");
    EXPECT_EQ(cl.readN(528).size(), 528u);
    EXPECT_GE(msSince(t), 250);

    sim::SimOptions q = optionsFor(sim::DeviceKind::RX43);
    q.latencyMs = 150;
    sim::Simulator s2(q);
    ASSERT_TRUE(s2.start());
    SimClient c2(s2.slavePath());
    t = Clock::now();
    EXPECT_EQ(c2.ask("ATVR\r"), "B018\r");
    EXPECT_GE(msSince(t), 140);
}

// ---- lifecycle, transcript, program ----

TEST(SimLifecycle, StartStopRepeatedly) {
    sim::Simulator s(optionsFor(sim::DeviceKind::RX43));
    EXPECT_TRUE(s.slavePath().empty());
    for (int i = 0; i < 3; ++i) {
        std::string err;
        ASSERT_TRUE(s.start(&err)) << err;
        EXPECT_FALSE(s.start(&err)) << "already running";
        SimClient cl(s.slavePath());
        EXPECT_EQ(cl.ask("ATVR\r"), "B018\r");
        EXPECT_EQ(s.commands().size(), 1u) << "each start counts afresh";
        const auto t = Clock::now();
        s.stop();
        EXPECT_LT(msSince(t), 500);
        EXPECT_FALSE(s.running());
        s.stop(); // twice is harmless
    }
}

TEST(SimLifecycle, TranscriptAndLink) {
    sim::SimOptions o = optionsFor(sim::DeviceKind::RX43);
    o.transcriptPath = tempPath("transcript.txt");
    o.linkPath = tempPath("link");
    o.fault.drop = 0;
    {
        sim::Simulator s(o);
        ASSERT_TRUE(s.start());
        EXPECT_EQ(std::filesystem::read_symlink(o.linkPath).string(), s.slavePath());
        SimClient cl(o.linkPath);
        ASSERT_TRUE(cl.ok());
        EXPECT_EQ(cl.ask("ATVR\r"), "B018\r");
        EXPECT_EQ(cl.ask("ATRD8000\r"), "OK\r");
        s.stop();
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(o.linkPath))) << "link removed";
    }
    std::ifstream f(o.transcriptPath);
    std::stringstream ss;
    ss << f.rdbuf();
    const std::string t = ss.str();
    EXPECT_NE(t.find("> ATVR\n"), std::string::npos) << t;
    EXPECT_NE(t.find("< B018\\r\n"), std::string::npos) << t;
    EXPECT_NE(t.find("> ATRD8000\n"), std::string::npos) << t;
    std::filesystem::remove(o.transcriptPath);
}

namespace {
// Runs korvane-sim with `args`; returns its exit status and what it printed on stdout.
struct Child {
    pid_t pid = -1;
    FILE* out = nullptr;
};
Child spawnSim(const std::vector<std::string>& args) {
    int p[2];
    if (pipe(p) != 0) return {};
    pid_t pid = fork();
    if (pid == 0) {
        dup2(p[1], 1);
        close(p[0]);
        close(p[1]);
        std::vector<char*> argv;
        std::string prog = KORVANE_SIM_PATH;
        argv.push_back(prog.data());
        std::vector<std::string> copy = args;
        for (auto& a : copy) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(prog.c_str(), argv.data());
        _exit(127);
    }
    close(p[1]);
    return {pid, fdopen(p[0], "r")};
}
int waitExit(pid_t pid) {
    int st = 0;
    waitpid(pid, &st, 0);
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}
} // namespace

TEST(SimProgram, HelpServeAndSignal) {
    Child c = spawnSim({"--help"});
    ASSERT_GT(c.pid, 0);
    char buf[4096] = {};
    const size_t n = fread(buf, 1, sizeof buf - 1, c.out);
    fclose(c.out);
    EXPECT_EQ(waitExit(c.pid), 0);
    EXPECT_NE(std::string(buf, n).find("usage: korvane-sim DEVICE"), std::string::npos);

    for (const std::vector<std::string>& bad :
         std::vector<std::vector<std::string>>{{},
                                               {"rx99"},
                                               {"rx43", "--baud"},
                                               {"rx43", "--fw", "123"},
                                               {"rx43", "--fault", "drop=2"},
                                               {"rx43", "--scenario", "nope"},
                                               {"rx43", "--bogus"}}) {
        Child b = spawnSim(bad);
        fclose(b.out);
        EXPECT_EQ(waitExit(b.pid), 2) << (bad.empty() ? "(none)" : bad.back());
    }

    const std::string link = tempPath("cli_link");
    Child s = spawnSim({"rx42", "--fw", "1a", "--link", link, "--scenario", "empty"});
    ASSERT_GT(s.pid, 0);
    char line[512] = {};
    ASSERT_NE(fgets(line, sizeof line, s.out), nullptr);
    std::string path(line);
    ASSERT_FALSE(path.empty());
    path.pop_back();
    EXPECT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
    {
        SimClient cl(link);
        ASSERT_TRUE(cl.ok());
        EXPECT_EQ(cl.ask("ATVR\r"), "701A\r");
    }
    kill(s.pid, SIGTERM);
    EXPECT_EQ(waitExit(s.pid), 0);
    fclose(s.out);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
}
