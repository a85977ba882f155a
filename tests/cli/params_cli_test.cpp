// korvane-cli params, displays and gsm against the simulated energy board.
#include <gtest/gtest.h>

#include <fstream>

#include "sim/sim.h"
#include "support/env_guard.h"
#include "support/fixture.h"
#include "support/process.h"

namespace {

class ParamsCli : public ::testing::Test {
  protected:
    void SetUp() override {
        sim::SimOptions o;
        o.kind = sim::DeviceKind::MW51;
        o.scenario = "empty";
        sim_ = std::make_unique<sim::Simulator>(o);
        ASSERT_TRUE(sim_->start());
        sim_->modifyDeviceState([](sim::DeviceState& d) { d.restartMs = 300; });
    }
    ProcessResult run(std::vector<std::string> args) const {
        args.insert(args.begin(), {KORVANE_CLI_PATH, "-p", sim_->slavePath()});
        return runProcess(args, {"KORVANE_DEV_DIR=" + dev_.path(), "KORVANE_PORTS="}, "", 60000);
    }
    std::string boardHex() const {
        std::string h;
        char b[3];
        for (uint8_t v : sim_->deviceState().eeprom) {
            std::snprintf(b, sizeof b, "%02X", v);
            h += b;
        }
        return h;
    }
    std::unique_ptr<sim::Simulator> sim_;
    TempDir dev_, work_;
};

TEST_F(ParamsCli, GetSetCommitResetAndDefaults) {
    auto r = run({"params", "get", "--format", "raw"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, boardHex() + "\n");
    r = run({"params", "get"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Potenza nominale impianto FV: 9900 Wp\n"), std::string::npos);

    r = run({"params", "set", "Coefficiente Ki=1665", "Potenza nominale impianto FV=49500", "--commit"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Potenza nominale impianto FV: 49500 Wp\nCoefficiente Ki: 1660 Imp/kWh\n");
    r = run({"params", "reset"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Coefficiente Ki: 1660 Imp/kWh\n"), std::string::npos);

    // One refusal: each named, nothing written.
    const std::string before = boardHex();
    r = run({"params", "set", "Decimazione medie=8", "Coefficiente Ki=9.5", "Baud rate=300"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("refused Coefficiente Ki: out of range"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("refused Baud rate: not in the list"), std::string::npos) << r.err;
    EXPECT_EQ(boardHex(), before);

    r = run({"params", "default"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Coefficiente Ki: 1000 Imp/kWh\n"), std::string::npos);
}

TEST_F(ParamsCli, ParameterFilesSaveAndLoadByteForByte) {
    const std::string file = work_.file("farm.mw1");
    const std::string golden = fixturePath("board-params/expected/mw51a-farm.mw1");
    auto r = run({"params", "load", golden, "--write", "--commit"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::string text = readFileBytes(fixturePath("board-params/expected/mw51a-farm.txt")), lf;
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) lf += text[i];
    EXPECT_EQ(r.out, lf);
    r = run({"params", "save", file});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFileBytes(file), readFileBytes(golden));
    EXPECT_EQ(sim_->deviceState().eepromSaved, sim_->deviceState().eeprom);

    std::ofstream(work_.file("bad.mw1"), std::ios::binary) << readFileBytes(golden) << 'x';
    r = run({"params", "load", work_.file("bad.mw1")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("File non valido !"), std::string::npos);
}

TEST_F(ParamsCli, DisplaysAndGsm) {
    auto r = run({"displays"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Scheda slave: MW51h\nDisplay 0 (MW51h, rev.2.1)\nNumero cifre: 5\n"),
              std::string::npos)
        << r.out;
    r = run(
        {"displays", "set", "1", "Luminosit\xC3\xA0 display=200", "Posizione punto decimale=2", "--store"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(sim_->deviceState().bus.displays[1].saved.dlux, 200);
    r = run({"displays", "set", "1", "Luminosita display=256"});
    EXPECT_EQ(r.status, 1);

    r = run({"gsm", "--count", "2"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Campo Rx: 17  BER: 0\nCampo Rx: 17  BER: 0\n");
    sim_->modifyDeviceState([](sim::DeviceState& d) { d.bus.gsm = false; });
    r = run({"gsm"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Nessuna risposta da modem GSM !"), std::string::npos);
}

TEST_F(ParamsCli, ALoggerIsNotABoard) {
    sim::SimOptions o;
    o.kind = sim::DeviceKind::RX43;
    o.scenario = "empty";
    sim_ = std::make_unique<sim::Simulator>(o);
    ASSERT_TRUE(sim_->start());
    auto r = run({"params", "get"});
    EXPECT_EQ(r.status, 2);
}

} // namespace
