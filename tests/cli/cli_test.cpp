// korvane-cli against the simulator, as a user runs it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "sim/sim.h"
#include "support/env_guard.h"
#include "support/fixture.h"
#include "support/process.h"
#include "support/pty_peer.h"

namespace {

struct Cli {
    TempDir dev; // an empty device folder: the machine's own ports stay out of the scan
    std::vector<std::string> env() const { return {"KORVANE_DEV_DIR=" + dev.path(), "KORVANE_PORTS="}; }
    ProcessResult run(std::vector<std::string> args, std::vector<std::string> extraEnv = {},
                      const std::string& cwd = "") const {
        args.insert(args.begin(), KORVANE_CLI_PATH);
        auto e = env();
        e.insert(e.end(), extraEnv.begin(), extraEnv.end());
        return runProcess(args, e, cwd);
    }
};

std::unique_ptr<sim::Simulator> startSim(sim::SimOptions o) {
    auto s = std::make_unique<sim::Simulator>(o);
    EXPECT_TRUE(s->start());
    return s;
}

TEST(CliProbe, IdentifiesEveryDeviceKind) {
    struct Case {
        sim::DeviceKind kind;
        uint16_t fw;
        std::string line;
    } cases[] = {
        {sim::DeviceKind::RX41, 0x18, "Versione firmware RX4X... 0018"},
        {sim::DeviceKind::RX42, 0x16, "Versione firmware RX4X... 7016"},
        {sim::DeviceKind::RX43, 0x20, "Versione firmware RX4X... B020"},
        {sim::DeviceKind::MW51, 0x16, "Versione firmware MW..... 5016"},
        {sim::DeviceKind::VKE15, 0x12, "Versione firmware VKE15.. 8012"},
    };
    Cli cli;
    for (const auto& c : cases) {
        sim::SimOptions o;
        o.kind = c.kind;
        o.fw = c.fw;
        auto s = startSim(o);
        auto r = cli.run({"-p", s->slavePath(), "probe"});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "Porta di comunicazione... " + s->slavePath() + "\n" + c.line + "\n");
    }
}

TEST(CliProbe, BootLoaderAndModem) {
    Cli cli;
    sim::SimOptions boot;
    boot.kind = sim::DeviceKind::Boot;
    auto b = startSim(boot);
    auto r = cli.run({"-t300", "-p" + b->slavePath(), "probe"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Boot v."), std::string::npos) << r.out;

    sim::SimOptions modem;
    modem.kind = sim::DeviceKind::RX43;
    modem.modem = true;
    auto m = startSim(modem);
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

TEST(CliProbe, ScanFindsTheDeviceOrReportsNone) {
    Cli cli;
    auto r = cli.run({"probe"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "COM Error: Apparecchio non trovato ! (BaudRate= 256000)\n");

    PtyPeer silent;
    sim::SimOptions o;
    o.kind = sim::DeviceKind::MW51;
    auto s = startSim(o);
    r = cli.run({"probe"}, {"KORVANE_PORTS=" + silent.path() + ":" + s->slavePath()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "Porta di comunicazione... " + s->slavePath());

    // A port that cannot be opened: warning, then the scan.
    r = cli.run({"-p/dev/korvane-missing", "probe"}, {"KORVANE_PORTS=" + s->slavePath()});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "Warning: Non e' possibile aprire la porta /dev/korvane-missing ! Verra' eseguita una "
                     "scansione automatica\n");
    // A port without a device: no scan.
    r = cli.run({"-t", "200", "-b9600", "-p", silent.path(), "probe"}, {"KORVANE_PORTS=" + s->slavePath()});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "COM Error: Apparecchio non trovato ! (BaudRate= 9600)\n");
}

TEST(CliUsage, BadCommandLinesAreRefused) {
    Cli cli;
    EXPECT_EQ(cli.run({}).status, 64);
    EXPECT_EQ(cli.run({"frobnicate"}).status, 64);
    EXPECT_EQ(cli.run({"-p"}).status, 64);
    EXPECT_EQ(cli.run({"-x", "probe"}).status, 64);
    EXPECT_EQ(cli.run({"probe", "extra"}).status, 64);
    auto r = cli.run({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("usage: korvane-cli"), std::string::npos);
}

TEST(CliInfo, FixtureSummaryWithAndWithoutFastReading) {
    Cli cli;
    sim::SimOptions o;
    o.kind = sim::DeviceKind::RX43;
    o.stateDir = fixturePath("logger-basic");
    auto s = startSim(o);
    std::string expected = readFileBytes(fixturePath("logger-basic/expected/summary-verbose.txt"));
    std::string lf;
    for (size_t i = 0; i < expected.size(); ++i)
        if (!(expected[i] == '\r' && i + 1 < expected.size() && expected[i + 1] == '\n')) lf += expected[i];
    for (bool slow : {false, true}) {
        std::vector<std::string> args = {"-p", s->slavePath()};
        if (slow) args.push_back("-l");
        args.insert(args.end(), {"info", "-v"});
        auto r = cli.run(args);
        ASSERT_EQ(r.status, 0) << r.err;
        std::string out = r.out;
        size_t p = out.find("Orologio PC.............. ");
        ASSERT_NE(p, std::string::npos);
        out.replace(p + 26, 13, "@@PC_CLOCK@@");
        size_t q = out.find("COM3");
        EXPECT_EQ(q, std::string::npos);
        std::string want = lf;
        want.replace(want.find("COM3"), 4, s->slavePath());
        EXPECT_EQ(out, want) << "slow " << slow;
    }
}

TEST(CliDownload, WritesTheDataFileAndPrintsItsPath) {
    Cli cli;
    sim::SimOptions o;
    o.kind = sim::DeviceKind::RX43;
    o.stateDir = fixturePath("logger-basic");
    auto s = startSim(o);
    TempDir out;
    auto r = cli.run({"-p", s->slavePath(), "download", "-s", "900", "-d", out.path()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, out.path() + "/151231_224730\n");
    EXPECT_EQ(readFileBytes(out.file("151231_224730")),
              readFileBytes(fixturePath("logger-basic/expected/151231_224730.T900")));
    EXPECT_FALSE(std::filesystem::exists(out.file("RX41data.hex")));

    // Fewer pages than the session holds: the question is answered "Yes" with that count.
    r = cli.run({"-p", s->slavePath(), "download", "-s", "60", "-n", "3", "-d", out.path()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("Numero di pagine dati prelevate: 3 (20 tot)"), std::string::npos) << r.err;

    r = cli.run({"-p", s->slavePath(), "download", "-s", "0"});
    EXPECT_EQ(r.status, 64);
}

// -e exports the downloaded data through the data table: format A is the data file under a
// "Start:" line giving the first row's time (the session start plus the first marker, 5 s); the
// option pair is checked before the device is touched.
TEST(CliDownload, ExportsRightAfterTheDownload) {
    Cli cli;
    sim::SimOptions o;
    o.kind = sim::DeviceKind::RX43;
    o.stateDir = fixturePath("logger-basic");
    auto s = startSim(o);
    TempDir out;
    auto r = cli.run({"-p", s->slavePath(), "download", "-s", "900", "-d", out.path(), "-e", "A", "-o",
                      out.file("export.txt")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, out.path() + "/151231_224730\n" + out.file("export.txt") + "\n");
    const std::string data = readFileBytes(fixturePath("logger-basic/expected/151231_224730.T900"));
    EXPECT_EQ(readFileBytes(out.file("export.txt")), "Start: 151231_224735\r\n" + data);
    EXPECT_EQ(readFileBytes(out.file("151231_224730")), data);

    for (std::vector<std::string> bad : {std::vector<std::string>{"-e", "C", "-o", "x.txt"},
                                         {"-e", "A"},
                                         {"-o", "x.txt"}}) {
        std::vector<std::string> args = {"-p", s->slavePath(), "download", "-d", out.path()};
        args.insert(args.end(), bad.begin(), bad.end());
        EXPECT_EQ(cli.run(args).status, 64) << bad[0] << bad.size();
    }
}

} // namespace

namespace {

TEST(CliInfo, ScenariosWithFastAndSlowReading) {
    Cli cli;
    struct Case {
        const char* scenario;
        const char* totalLine;
    } cases[] = {
        {"normal", nullptr}, {"wrapped", "Total data pages.. 4095\n"}, {"empty", "Total data pages.. 0\n"}};
    for (const auto& c : cases) {
        sim::SimOptions o;
        o.kind = sim::DeviceKind::RX43;
        o.scenario = c.scenario;
        auto s = startSim(o);
        for (bool slow : {false, true}) {
            std::vector<std::string> args = {"-p", s->slavePath()};
            if (slow) args.push_back("-l");
            args.insert(args.end(), {"info", "-v"});
            auto r = cli.run(args);
            EXPECT_EQ(r.status, 0) << c.scenario << r.err;
            EXPECT_NE(r.out.find("- Nodo "), std::string::npos) << c.scenario;
            if (c.totalLine) {
                EXPECT_NE(r.out.find(c.totalLine), std::string::npos) << c.scenario << r.out;
            }
        }
    }
}

TEST(CliDownload, CtrlCStopsAndLeavesNoIntermediateFile) {
    Cli cli;
    sim::SimOptions o;
    o.kind = sim::DeviceKind::RX43;
    o.scenario = "normal";
    o.baud = 9600; // slow enough to be stopped in the middle
    auto s = startSim(o);
    TempDir out;
    std::vector<std::string> args = {KORVANE_CLI_PATH, "-p", s->slavePath(), "download", "-d", out.path()};
    auto env = cli.env();
    ProcessResult r = runProcess(args, env, "", 60000, 3000);
    EXPECT_EQ(r.status, 130) << r.err;
    EXPECT_FALSE(std::filesystem::exists(out.file("RX41data.hex")));
}

} // namespace
