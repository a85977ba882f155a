// korvane-cli on the device's clock and state: clock-sync, alarms, inverters, sample-timer.
#include <gtest/gtest.h>

#include <regex>

#include "sim/sim.h"
#include "support/env_guard.h"
#include "support/process.h"

namespace {

struct Cli {
    TempDir dev; // an empty device folder: the machine's own ports stay out of the scan
    ProcessResult run(const sim::Simulator& s, std::vector<std::string> args) const {
        args.insert(args.begin(), {KORVANE_CLI_PATH, "-p", s.slavePath()});
        return runProcess(args, {"KORVANE_DEV_DIR=" + dev.path(), "KORVANE_PORTS="});
    }
};

std::unique_ptr<sim::Simulator> startSim(sim::DeviceKind kind, uint16_t fw = 0x18) {
    sim::SimOptions o;
    o.kind = kind;
    o.fw = fw;
    o.scenario = "empty";
    auto s = std::make_unique<sim::Simulator>(o);
    EXPECT_TRUE(s->start());
    return s;
}

TEST(CliBoard, AlarmsShowTheRowsAndAcknowledgeALatch) {
    Cli cli;
    auto s = startSim(sim::DeviceKind::MW51, 0x20);
    s->modifyDeviceState([](sim::DeviceState& d) {
        d.alarm = 0xB5;
        d.alarmInverter = 3;
        d.alarmRmin = 80;
        d.alarmAux = 0x0A;
    });
    auto r = cli.run(*s, {"alarms"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "alarm register 0xB5\n"
                     "red    R  Allarme singolo inverter = 3 (Rmin=80%)\n"
                     "red    -  Allarme rendimento globale\n"
                     "red    -  Allarme effrazione\n"
                     "green  R  Allarme dispositivi ausiliari (In 2)\n");

    r = cli.run(*s, {"alarms", "--reset", "inverter", "--reset", "aux"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "alarm register 0x15");
    EXPECT_EQ(s->deviceState().alarm, 0x15);

    EXPECT_EQ(cli.run(*s, {"alarms", "--reset", "lamp"}).status, 64);
    auto logger = startSim(sim::DeviceKind::RX43);
    EXPECT_EQ(cli.run(*logger, {"alarms"}).status, 1);
}

TEST(CliBoard, InvertersListedWithTheChosenAnswerToFailures) {
    const std::string header =
        "Numero di inverter: 3\nCampo indirizzi: 2...4\n-------------------------------------\n";
    const std::string inv2 = "(002)-SN:531204-Aurora 3.3kW new\n- Pin1: 1650 W\n- Pin2: 1588 W\n\n";
    const std::string inv3 = "(003)-SN:531205-Aurora 3.6kW new\n- Pin1: 1803 W\n- Pin2: 1755 W\n\n";
    const std::string inv4 = "(004)-SN:X45210-Aurora 10.0kW new\n- Pin1: 4981 W\n- Pin2: 5011 W\n\n";
    Cli cli;
    auto s = startSim(sim::DeviceKind::MW51);
    auto r = cli.run(*s, {"inverters"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, header + inv2 + inv3 + inv4 + "Pin: 16788 W\n");

    s->modifyDeviceState([](sim::DeviceState& d) { d.inverters[1].badReplies = -1; });
    r = cli.run(*s, {"inverters"}); // ignore by default
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, header + inv2 + "(003)-SN:Error-Error\n- Pin1: Error\n- Pin2: Error\n\n" + inv4 +
                         "Pin: 13230 W\n");
    std::string boxes;
    for (int i = 0; i < 4; ++i) boxes += "Com Error: Errore lettura inverter 3\n";
    EXPECT_EQ(r.err, boxes);

    r = cli.run(*s, {"inverters", "--on-error", "abort"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, header + inv2 + "(003)-SN:");

    EXPECT_EQ(cli.run(*s, {"inverters", "--on-error", "maybe"}).status, 64);
}

TEST(CliBoard, ClockSyncPrintsWhatItSent) {
    Cli cli;
    auto s = startSim(sim::DeviceKind::RX43);
    auto r = cli.run(*s, {"clock-sync"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::smatch m;
    ASSERT_TRUE(std::regex_match(r.out, m,
                                 std::regex("ATDT(\\d\\d)(\\d\\d)(\\d\\d)\nATTM(\\d\\d)(\\d\\d)(\\d\\d)\n")))
        << r.out;
    const auto cmds = s->commands();
    ASSERT_GE(cmds.size(), 2u);
    EXPECT_EQ(cmds[cmds.size() - 2] + "\n" + cmds.back() + "\n", r.out);
    const sim::CivilTime t = s->deviceState().clock.now();
    EXPECT_EQ(t.year % 100, std::stoi(m[1]));
    EXPECT_EQ(t.month, std::stoi(m[2]));
    EXPECT_EQ(t.day, std::stoi(m[3]));
    EXPECT_EQ(t.hour, std::stoi(m[4]));
}

TEST(CliLogger, SampleTimerGoesThroughTheSameStepsAsThePanel) {
    Cli cli;
    auto s = startSim(sim::DeviceKind::RX43);
    s->modifyDeviceState([](sim::DeviceState& d) {
        d.operatingState = 0x00;
        d.status = 0x00; // ASSIGN
    });
    auto r = cli.run(*s, {"sample-timer", "70000"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "ATSTFFFF\n");
    EXPECT_EQ(r.err,
              "Warning: Assicurarsi che il datalogger sia nello stato iniziale ASSIGN  (Led B acceso verde)\n"
              "Info: 1) Attivare i nodi con i dispositivi TG0x che si desidera modificare 2) Dopo che tutti "
              "i nodi sono stati riconosciuti invocare la procedura di test 3) Disattivare tutti i nodi e "
              "ritornare allo stato ASSIGN\n");
    EXPECT_EQ(s->deviceState().sampleTimer, 0xFFFF);
    EXPECT_EQ(s->deviceState().operatingState, 0x00); // back in IDLE
    const auto cmds = s->commands();
    EXPECT_EQ(std::vector<std::string>(cmds.end() - 4, cmds.end()),
              (std::vector<std::string>{"ATOS", "ATCM06", "ATSTFFFF", "ATCM05"}));

    EXPECT_EQ(cli.run(*s, {"sample-timer"}).status, 64);
    auto board = startSim(sim::DeviceKind::MW51);
    EXPECT_EQ(cli.run(*board, {"sample-timer", "60"}).status, 1);
}

} // namespace
