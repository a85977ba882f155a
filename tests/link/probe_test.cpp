// The device probe on a scripted peer: identification, boot loader and modem.
#include <gtest/gtest.h>

#include <fstream>

#include "link/korvane_com.h"
#include "support/env_guard.h"
#include "support/fake_devices.h"
#include "support/state_guard.h"

namespace {

class Probe : public KorvaneTest {
  protected:
    int probe(PtyPeer::Responder r) {
        peer_.serve(std::move(r));
        ComHandle h = openComPort(peer_.path());
        EXPECT_NE(h, nullptr);
        initCOM(h);
        int result = test_hCom(h);
        closeComPort(h);
        peer_.stop();
        return result;
    }
    PtyPeer peer_;
};

TEST_F(Probe, HardwareCodeSetsTheDeviceSwitches) {
    struct Case {
        std::string atvr;
        int mw51, vke15, rx42, rx43;
        uint16_t fw;
    } cases[] = {
        {"0018", 0, 0, 0, 0, 0x18}, {"7016", 0, 0, 1, 0, 0x16}, {"B020", 0, 0, 1, 1, 0x20},
        {"5a16", 1, 0, 0, 0, 0x16}, {"8x3F", 0, 1, 0, 0, 0x3F}, {"B0", 0, 0, 1, 1, 0},
    };
    for (const auto& c : cases) {
        resetState();
        Timeout_rx = 200;
        ASSERT_EQ(probe(fakeDevice(c.atvr)), 1) << c.atvr;
        EXPECT_EQ(Flag.MW51, c.mw51) << c.atvr;
        EXPECT_EQ(Flag.VKE15, c.vke15) << c.atvr;
        EXPECT_EQ(Flag.RX42, c.rx42) << c.atvr;
        EXPECT_EQ(Flag.RX43, c.rx43) << c.atvr;
        EXPECT_EQ(Datalogger.hw, static_cast<uint8_t>(c.atvr[0])) << c.atvr;
        EXPECT_EQ(Datalogger.fw, c.fw) << c.atvr;
        EXPECT_EQ(FW_release, c.atvr.substr(0, 4));
        EXPECT_EQ(peer_.requests(), (std::vector<std::string>{"***", "ATCM08", "ATCM00", "ATVR"}));
    }
}

TEST_F(Probe, LoggerSwitchesSurviveASecondProbeButMw51IsCleared) {
    Timeout_rx = 200;
    ASSERT_EQ(probe(fakeDevice("B018")), 1);
    ASSERT_EQ(probe(fakeDevice("5016")), 1);
    EXPECT_EQ(Flag.MW51, 1);
    EXPECT_EQ(Flag.RX43, 1); // only ever set by a probe
    ASSERT_EQ(probe(fakeDevice("0018")), 1);
    EXPECT_EQ(Flag.MW51, 0);
}

TEST_F(Probe, EachStepMustSucceed) {
    Timeout_rx = 100;
    auto withReply = [](std::string cmd, std::string reply) {
        auto base = fakeDevice("B018");
        return [=](const std::string& r) {
            return r == cmd ? std::vector<PtyPeer::Chunk>{{reply, 0}} : base(r);
        };
    };
    EXPECT_EQ(probe(withReply("***", "ERR\r")), 1); // any line passes the attention step
    EXPECT_EQ(probe(withReply("ATCM08", "ERR\r")), 0);
    EXPECT_EQ(probe(withReply("ATCM00", "NO\r")), 0);
    EXPECT_EQ(probe(withReply("ATVR", "")), 0);
    EXPECT_EQ(probe(withReply("***", "")), 0); // nothing at all
}

TEST_F(Probe, BootLoaderAnswersWithTwoRawBytes) {
    Timeout_rx = 100;
    ASSERT_EQ(probe(fakeBootLoader(0x12, 0x3)), 1);
    EXPECT_EQ(Flag.RX43BOOT, 1);
    EXPECT_EQ(Flag.bootvers, "Boot v.1.2");
    resetState();
    Timeout_rx = 100;
    // One byte alone is not taken for a boot loader, whatever an earlier reply left behind.
    Rx_buf[1] = 0xB5;
    EXPECT_EQ(
        probe([](const std::string& r) {
            return r == "***" ? std::vector<PtyPeer::Chunk>{{"\x21", 0}} : std::vector<PtyPeer::Chunk>{};
        }),
        0);
    EXPECT_EQ(Flag.RX43BOOT, 0);
}

TEST_F(Probe, ModemAnswersZeroAfterTheLinesOfModemIni) {
    TempDir dir;
    Exe_dir = dir.path();
    Flag.modem = 1;
    Timeout_rx = 100;
    EXPECT_EQ(probe(fakeModem()), 1);
    EXPECT_EQ(peer_.requests(), std::vector<std::string>{"ATV0"}); // no modem.ini: only the probe

    std::ofstream(dir.file("modem.ini"), std::ios::binary) << "ATE0\r\n\r\nAT&F\rATS0=0\nATX3";
    EXPECT_EQ(probe(fakeModem()), 1);
    // Empty lines are skipped; a last line without a line end is not sent.
    EXPECT_EQ(peer_.requests(), (std::vector<std::string>{"ATE0", "AT&F", "ATS0=0", "ATV0"}));
}

TEST_F(Probe, ModemThatEchoesFailsTheProbe) {
    TempDir dir;
    Exe_dir = dir.path();
    Flag.modem = 1;
    Timeout_rx = 100;
    EXPECT_EQ(probe([](const std::string& r) { return std::vector<PtyPeer::Chunk>{{r + "\r0\r", 0}}; }), 0);
    EXPECT_EQ(probe([](const std::string&) { return std::vector<PtyPeer::Chunk>{{"OK\r", 0}}; }), 0);
}

} // namespace
