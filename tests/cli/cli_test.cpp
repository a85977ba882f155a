// korvane-cli against the simulator, as a user runs it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>

#include "sim/sim.h"
#include "support/env_guard.h"
#include "support/fixture.h"
#include "support/process.h"
#include "support/pty_peer.h"

namespace {

using sim::DeviceKind;

struct Cli {
    TempDir dev; // an empty device folder: the machine's own ports stay out of the scan
    ProcessResult run(std::vector<std::string> args, const std::vector<std::string>& extraEnv = {},
                      const std::string& cwd = "", int interruptAfterMs = 0) const {
        args.insert(args.begin(), KORVANE_CLI_PATH);
        // The user's own configuration (modem.ini) stays out.
        std::vector<std::string> env = {"KORVANE_DEV_DIR=" + dev.path(),
                                        "KORVANE_PORTS=", "XDG_CONFIG_HOME=" + dev.path()};
        env.insert(env.end(), extraEnv.begin(), extraEnv.end());
        return runProcess(args, env, cwd, 60000, interruptAfterMs);
    }
    ProcessResult on(const sim::Simulator& s, std::vector<std::string> args) const {
        args.insert(args.begin(), {"-p", s.slavePath()});
        return run(args);
    }
};

std::unique_ptr<sim::Simulator> startSim(DeviceKind kind, const char* scenario = "", uint16_t fw = 0x18,
                                         const std::function<void(sim::SimOptions&)>& more = {}) {
    sim::SimOptions o;
    o.kind = kind, o.scenario = scenario, o.fw = fw;
    if (more) more(o);
    auto s = std::make_unique<sim::Simulator>(o);
    EXPECT_TRUE(s->start());
    return s;
}

auto fixtureLogger() {
    return startSim(DeviceKind::RX43, "", 0x18,
                    [](sim::SimOptions& o) { o.stateDir = fixturePath("logger-basic"); });
}

TEST(CliProbe, IdentifiesEveryDeviceKind) {
    Cli cli;
    for (const auto& [kind, fw, line] : {std::tuple{DeviceKind::RX42, 0x16, "RX4X... 7016"},
                                         {DeviceKind::MW51, 0x16, "MW..... 5016"},
                                         {DeviceKind::VKE15, 0x12, "VKE15.. 8012"}}) {
        auto s = startSim(kind, "", static_cast<uint16_t>(fw));
        auto r = cli.on(*s, {"probe"});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out,
                  "Porta di comunicazione... " + s->slavePath() + "\nVersione firmware " + line + "\n");
    }
    auto boot = startSim(DeviceKind::Boot);
    EXPECT_NE(cli.run({"-t300", "-p" + boot->slavePath(), "probe"}).out.find("Boot v."), std::string::npos);
}

TEST(CliProbe, ScanFindsTheDeviceOrReportsNoneAndTheModemNeedsItsSettings) {
    Cli cli;
    auto r = cli.run({"probe"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "COM Error: Apparecchio non trovato ! (BaudRate= 256000)\n");

    PtyPeer silent;
    auto s = startSim(DeviceKind::MW51);
    // The scan gives each port 100 ms: on a loaded machine the simulator may miss that now and then.
    for (int attempt = 0; attempt < 3 && (attempt == 0 || r.status != 0); ++attempt)
        r = cli.run({"probe"}, {"KORVANE_PORTS=" + silent.path() + ":" + s->slavePath()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "Porta di comunicazione... " + s->slavePath());
    // A port that cannot be opened: warning, then the scan.
    r = cli.run({"-p/dev/korvane-missing", "probe"}, {"KORVANE_PORTS=" + s->slavePath()});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "Warning: Non e' possibile aprire la porta /dev/korvane-missing ! Verra' eseguita una "
                     "scansione automatica La porta /dev/korvane-missing non esiste (adattatore "
                     "scollegato?): ricollegarlo e riprovare.\n");
    // A port without a device: no scan.
    r = cli.run({"-t", "200", "-b9600", "-p", silent.path(), "probe"}, {"KORVANE_PORTS=" + s->slavePath()});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "COM Error: Apparecchio non trovato ! (BaudRate= 9600)\n");

    auto m = startSim(DeviceKind::RX43, "", 0x18, [](sim::SimOptions& o) { o.modem = true; });
    TempDir exe;
    // The modem echoes by default: without modem.ini the probe fails.
    r = cli.run({"-m", "-t300", "-p", m->slavePath(), "probe"}, {}, exe.path());
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "COM Error: Modem non trovato ! (BaudRate= 19200)\n");
    std::ofstream(exe.file("modem.ini")) << "ATE0\r\n";
    r = cli.run({"-m", "-p", m->slavePath(), "probe"}, {}, exe.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Porta di comunicazione... " + m->slavePath() + "\nModem.................... OK\n");
}

TEST(CliUsage, BadCommandLinesAreRefused) {
    Cli cli;
    for (const auto& args : std::vector<std::vector<std::string>>{
             {}, {"frobnicate"}, {"-p"}, {"-x", "probe"}, {"probe", "extra"}})
        EXPECT_EQ(cli.run(args).status, 64) << args.size();
    EXPECT_NE(cli.run({"--help"}).out.find("usage: korvane-cli"), std::string::npos);
}

TEST(CliInfo, FixtureSummaryWithAndWithoutFastReading) {
    Cli cli;
    auto s = fixtureLogger();
    std::string want = std::regex_replace(
        readFileBytes(fixturePath("logger-basic/expected/summary-verbose.txt")), std::regex("\r\n"), "\n");
    want.replace(want.find("COM3"), 4, s->slavePath());
    for (bool slow : {false, true}) {
        auto r = cli.on(*s, slow ? std::vector<std::string>{"-l", "info", "-v"}
                                 : std::vector<std::string>{"info", "-v"});
        ASSERT_EQ(r.status, 0) << r.err;
        const size_t p = r.out.find("Orologio PC.............. ");
        ASSERT_NE(p, std::string::npos);
        r.out.replace(p + 26, 13, "@@PC_CLOCK@@");
        EXPECT_EQ(r.out, want) << "slow " << slow;
    }
}

// The data file, and with -e its export through the data table: format A is the data file under
// a "Start:" line giving the first row's time (the session start plus the first marker, 5 s).
TEST(CliDownload, WritesTheDataFileAndItsExport) {
    Cli cli;
    auto s = fixtureLogger();
    TempDir out;
    auto r = cli.on(*s, {"download", "-s", "900", "-d", out.path(), "-e", "A", "-o", out.file("export.txt")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, out.path() + "/151231_224730\n" + out.file("export.txt") + "\n");
    const std::string data = readFileBytes(fixturePath("logger-basic/expected/151231_224730.T900"));
    EXPECT_EQ(readFileBytes(out.file("151231_224730")), data);
    EXPECT_EQ(readFileBytes(out.file("export.txt")), "Start: 151231_224735\r\n" + data);
    EXPECT_FALSE(std::filesystem::exists(out.file("RX41data.hex")));

    // Fewer pages than the session holds: the question is answered "Yes" with that count.
    r = cli.on(*s, {"download", "-s", "60", "-n", "3", "-d", out.path()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("Numero di pagine dati prelevate: 3 (20 tot)"), std::string::npos) << r.err;

    // Bad option pairs are refused before the device is touched.
    for (const auto& bad : std::vector<std::vector<std::string>>{
             {"-s", "0"}, {"-e", "C", "-o", "x.txt"}, {"-e", "A"}, {"-o", "x.txt"}}) {
        std::vector<std::string> args = {"download", "-d", out.path()};
        args.insert(args.end(), bad.begin(), bad.end());
        EXPECT_EQ(cli.on(*s, args).status, 64) << bad[0] << bad.size();
    }
}

TEST(CliDownload, CtrlCStopsAndLeavesNoIntermediateFile) {
    Cli cli;
    auto s = startSim(DeviceKind::RX43, "normal", 0x18,
                      [](sim::SimOptions& o) { o.baud = 9600; }); // slow: stoppable
    TempDir out;
    ProcessResult r = cli.run({"-p", s->slavePath(), "download", "-d", out.path()}, {}, "", 3000);
    EXPECT_EQ(r.status, 130) << r.err;
    EXPECT_FALSE(std::filesystem::exists(out.file("RX41data.hex")));
}

TEST(CliBoard, AlarmsShowTheRowsAndAcknowledgeALatch) {
    Cli cli;
    auto s = startSim(DeviceKind::MW51, "empty", 0x20);
    s->modifyDeviceState(
        [](sim::DeviceState& d) { d.alarm = 0xB5, d.alarmInverter = 3, d.alarmRmin = 80, d.alarmAux = 10; });
    auto r = cli.on(*s, {"alarms"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "alarm register 0xB5\n"
                     "red    R  Allarme singolo inverter = 3 (Rmin=80%)\n"
                     "red    -  Allarme rendimento globale\n"
                     "red    -  Allarme effrazione\n"
                     "green  R  Allarme dispositivi ausiliari (In 2)\n");
    EXPECT_EQ(cli.on(*s, {"alarms", "--reset", "inverter", "--reset", "aux"}).status, 0);
    EXPECT_EQ(s->deviceState().alarm, 0x15);
    EXPECT_EQ(cli.on(*s, {"sample-timer", "60"}).status, 1); // a logger's command
}

TEST(CliBoard, InvertersListedWithTheChosenAnswerToFailures) {
    const std::string header =
        "Numero di inverter: 3\nCampo indirizzi: 2...4\n-------------------------------------\n";
    const std::string inv2 = "(002)-SN:531204-Aurora 3.3kW new\n- Pin1: 1650 W\n- Pin2: 1588 W\n\n";
    const std::string inv3 = "(003)-SN:531205-Aurora 3.6kW new\n- Pin1: 1803 W\n- Pin2: 1755 W\n\n";
    const std::string inv4 = "(004)-SN:X45210-Aurora 10.0kW new\n- Pin1: 4981 W\n- Pin2: 5011 W\n\n";
    Cli cli;
    auto s = startSim(DeviceKind::MW51, "empty");
    auto r = cli.on(*s, {"inverters"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, header + inv2 + inv3 + inv4 + "Pin: 16788 W\n");

    s->modifyDeviceState([](sim::DeviceState& d) { d.inverters[1].badReplies = -1; });
    r = cli.on(*s, {"inverters"}); // ignore by default
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, header + inv2 + "(003)-SN:Error-Error\n- Pin1: Error\n- Pin2: Error\n\n" + inv4 +
                         "Pin: 13230 W\n");
    r = cli.on(*s, {"inverters", "--on-error", "abort"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, header + inv2 + "(003)-SN:");
}

TEST(CliLogger, ClockSyncAndSampleTimerSendWhatThePanelSends) {
    Cli cli;
    auto s = startSim(DeviceKind::RX43, "empty");
    auto r = cli.on(*s, {"clock-sync"});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(std::regex_match(r.out, std::regex("ATDT\\d{6}\nATTM\\d{6}\n"))) << r.out;
    auto cmds = s->commands();
    EXPECT_EQ(cmds[cmds.size() - 2] + "\n" + cmds.back() + "\n", r.out); // what the device received
    EXPECT_EQ(cli.on(*s, {"alarms"}).status, 1);                         // a board's command

    s->modifyDeviceState([](sim::DeviceState& d) { d.operatingState = d.status = 0x00; }); // ASSIGN
    r = cli.on(*s, {"sample-timer", "70000"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "ATSTFFFF\n");
    EXPECT_EQ(r.err.rfind("Warning: Assicurarsi che il datalogger sia nello stato iniziale ASSIGN", 0), 0u);
    EXPECT_EQ(s->deviceState().sampleTimer, 0xFFFF);
    cmds = s->commands();
    EXPECT_EQ(std::vector<std::string>(cmds.end() - 4, cmds.end()),
              (std::vector<std::string>{"ATOS", "ATCM06", "ATSTFFFF", "ATCM05"}));
}

} // namespace
