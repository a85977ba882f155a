// korvane-cli through the simulated modem: a call around other commands, its failures, the
// hang-up on every path, and the phone book.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "sim/sim.h"
#include "support/env_guard.h"
#include "support/fixture.h"
#include "support/process.h"

namespace {

constexpr char kNumber[] = "0551234567";

struct ModemCli {
    ModemCli() { std::ofstream(exe.file("modem.ini"), std::ios::binary) << "ATE0\r\n"; }
    TempDir dev, exe, config;
    ProcessResult run(std::vector<std::string> args, int interruptAfterMs = 0) const {
        args.insert(args.begin(), KORVANE_CLI_PATH);
        return runProcess(
            args, {"KORVANE_DEV_DIR=" + dev.path(), "KORVANE_PORTS=", "XDG_CONFIG_HOME=" + config.path()},
            exe.path(), 120000, interruptAfterMs);
    }
    ProcessResult dial(const sim::Simulator& s, const std::string& number, std::vector<std::string> command,
                       int interruptAfterMs = 0) const {
        std::vector<std::string> args = {"-m", "-p", s.slavePath(), "dial", number, "--timeout", "10", "--"};
        args.insert(args.end(), command.begin(), command.end());
        return run(args, interruptAfterMs);
    }
};

std::unique_ptr<sim::Simulator> modemLogger(const std::function<void(sim::SimOptions&)>& more = {}) {
    sim::SimOptions o;
    o.kind = sim::DeviceKind::RX43;
    o.stateDir = fixturePath("logger-basic");
    o.modem = true;
    o.baud = 19200;
    o.latencyMs = 40;
    o.modemDialMs = 300;
    o.modemGuardMs = 500;
    o.modemNumber = kNumber;
    o.modemConnectCode = 16;
    if (more) more(o);
    auto s = std::make_unique<sim::Simulator>(o);
    EXPECT_TRUE(s->start());
    return s;
}

// The last commands the modem took in command mode: the escape and the hang-up.
void expectHungUp(const sim::Simulator& s) {
    const auto cmds = s.commands();
    ASSERT_GE(cmds.size(), 2u);
    EXPECT_EQ(cmds.back(), "ATH");
}

// Over the modem at 19200 baud with its latency, the data file is byte for byte the one a
// direct download writes.
TEST(CliDial, DownloadOverTheModemWritesTheDirectDownloadsDataFile) {
    ModemCli cli;
    auto s = modemLogger();
    TempDir out;
    auto r = cli.dial(*s, kNumber, {"download", "-s", "900", "-n", "all", "-d", out.path()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Connesso a 19200 bps\n" + out.path() + "/151231_224730\n");
    EXPECT_EQ(readFileBytes(out.file("151231_224730")),
              readFileBytes(fixturePath("logger-basic/expected/151231_224730.T900")));
    const auto cmds = s->commands();
    ASSERT_GE(cmds.size(), 4u);
    EXPECT_EQ(cmds[cmds.size() - 2], "+++");
    EXPECT_EQ(cmds.back(), "ATH");
}

TEST(CliDial, InfoOverTheCallAndAPhoneBookEntryAsTheNumber) {
    ModemCli cli;
    auto s = modemLogger();
    auto r = cli.run({"phonebook", "add", "impianto", kNumber});
    ASSERT_EQ(r.status, 0) << r.err;
    r = cli.dial(*s, "impianto", {"info"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("Connesso a 19200 bps\n", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("151231"), std::string::npos) << r.out;
    expectHungUp(*s);
}

TEST(CliDial, NoConnectionExitsThreeWithTheModemsResult) {
    ModemCli cli;
    auto s = modemLogger([](sim::SimOptions& o) { o.modemFailCode = 8; });
    auto r = cli.dial(*s, "0550000000", {"info"});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Modem: Nessuna risposta\n");
    expectHungUp(*s);

    auto busy = modemLogger();
    r = cli.dial(*busy, "0550000000", {"info"});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "Modem: Occupato\n");

    // Usage: no -m, a bad number, no command.
    EXPECT_EQ(cli.run({"-p", s->slavePath(), "dial", kNumber, "--", "info"}).status, 64);
    EXPECT_EQ(cli.run({"-m", "-p", s->slavePath(), "dial", "nessuno", "--", "info"}).status, 64);
    EXPECT_EQ(cli.run({"-m", "-p", s->slavePath(), "dial", kNumber}).status, 64);
    EXPECT_EQ(cli.run({"-m", "-p", s->slavePath(), "dial", kNumber, "--", "dial"}).status, 64);
}

TEST(CliDial, ALostCallEndsTheCommandWithTheLostLineMessageAndHangsUp) {
    ModemCli cli;
    auto s = modemLogger([](sim::SimOptions& o) { o.modemDropAfter = 30; });
    TempDir out;
    auto r = cli.dial(*s, kNumber, {"download", "-n", "all", "-d", out.path()});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("NO CARRIER"), std::string::npos) << r.err;
    expectHungUp(*s);
    // The program knew the modem was back in command mode: no escape, one hang-up, and no
    // logger request was taken as a modem command after the drop.
    const auto cmds = s->commands();
    EXPECT_EQ(std::count(cmds.begin(), cmds.end(), "+++"), 0);
    EXPECT_EQ(std::count(cmds.begin(), cmds.end(), "ATH"), 1);
    EXPECT_EQ(std::count_if(cmds.begin(), cmds.end(),
                            [](const std::string& c) { return c.rfind("ATDT0", 0) == 0; }),
              1);
    EXPECT_TRUE(std::filesystem::is_empty(out.path()));
}

TEST(CliDial, CtrlCDuringTheCommandStillHangsUp) {
    ModemCli cli;
    auto s = modemLogger();
    TempDir out;
    auto r = cli.dial(*s, kNumber, {"download", "-s", "60", "-n", "all", "-d", out.path()}, 2500);
    // Stopped in the download (130), or still in the call's set-up on a slow machine (3).
    EXPECT_TRUE(r.status == 130 || r.status == 3) << r.status << " " << r.err;
    expectHungUp(*s);
}

TEST(CliPhonebook, AddListRemove) {
    ModemCli cli;
    auto r = cli.run({"phonebook", "list"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    ASSERT_EQ(cli.run({"phonebook", "add", "zeta", "+39055123456789"}).status, 0);
    r = cli.run({"phonebook", "add", "alfa", "0551234567"});
    ASSERT_EQ(r.status, 0);
    const std::string file = cli.config.path() + "/korvane/rubrica/alfa.tel";
    EXPECT_EQ(r.out, file + "\n");
    EXPECT_EQ(readFileBytes(file), "Ntel=0551234567\r\n");
    EXPECT_EQ(cli.run({"phonebook", "list"}).out, "alfa\t0551234567\nzeta\t+39055123456789\n");
    EXPECT_EQ(cli.run({"phonebook", "add", "x", "+390551234567890"}).status, 64) << "16 characters";
    EXPECT_EQ(cli.run({"phonebook", "add", "../x", "1"}).status, 64);
    EXPECT_EQ(cli.run({"phonebook", "remove", "alfa"}).status, 0);
    r = cli.run({"phonebook", "remove", "alfa"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Warning: Numero telefonico non trovato !\n");
    EXPECT_EQ(cli.run({"phonebook", "list"}).out, "zeta\t+39055123456789\n");
    EXPECT_EQ(cli.run({"phonebook"}).status, 64);
}

} // namespace
