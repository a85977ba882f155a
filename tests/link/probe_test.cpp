// The device probe on a scripted peer: identification, boot loader and modem.
#include <gtest/gtest.h>

#include <array>
#include <fstream>

#include "link/korvane_com.h"
#include "support/env_guard.h"
#include "support/fake_devices.h"
#include "support/state_guard.h"

namespace {

class Probe : public KorvaneTest {
  protected:
    int probe(PtyPeer::Responder r, int timeoutMs = 100) {
        peer_.serve(std::move(r));
        ComHandle h = openComPort(peer_.path());
        EXPECT_NE(h, nullptr);
        initCOM(h);
        Timeout_rx = timeoutMs;
        const int result = test_hCom(h);
        closeComPort(h);
        peer_.stop();
        return result;
    }
    // Answers `cmd` with `reply` (nothing when empty), every other request as `base` does.
    static PtyPeer::Responder replying(std::string cmd, std::string reply,
                                       PtyPeer::Responder base = nullptr) {
        return [=](const std::string& r) {
            if (r != cmd) return base ? base(r) : std::vector<PtyPeer::Chunk>{};
            return reply.empty() ? std::vector<PtyPeer::Chunk>{} : std::vector<PtyPeer::Chunk>{{reply, 0}};
        };
    }
    PtyPeer peer_;
};

TEST_F(Probe, HardwareCodeSetsTheDeviceSwitches) {
    const struct {
        std::string atvr;
        std::array<int, 4> flags; // MW51, VKE15, RX42, RX43
        uint16_t fw;
    } cases[] = {{"0018", {0, 0, 0, 0}, 0x18},
                 {"5a16", {1, 0, 0, 0}, 0x16},
                 {"8x3F", {0, 1, 0, 0}, 0x3F},
                 {"B0", {0, 0, 1, 1}, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.atvr);
        resetState();
        ASSERT_EQ(probe(fakeDevice(c.atvr), 200), 1);
        EXPECT_EQ((std::array<int, 4>{Flag.MW51, Flag.VKE15, Flag.RX42, Flag.RX43}), c.flags);
        EXPECT_EQ(Datalogger.hw, static_cast<uint8_t>(c.atvr[0]));
        EXPECT_EQ(Datalogger.fw, c.fw);
        EXPECT_EQ(FW_release, c.atvr);
        EXPECT_EQ(peer_.requests(), (std::vector<std::string>{"***", "ATCM08", "ATCM00", "ATVR"}));
    }
    // The logger switches are only ever set by a probe; the MW51 switch is cleared by the next one.
    ASSERT_EQ(probe(fakeDevice("5016"), 200), 1);
    EXPECT_EQ(Flag.RX43 + Flag.MW51, 2);
    ASSERT_EQ(probe(fakeDevice("0018"), 200), 1);
    EXPECT_EQ(Flag.MW51, 0);
}

TEST_F(Probe, EachStepMustSucceed) {
    EXPECT_EQ(probe(replying("***", "ERR\r", fakeDevice("B018"))), 1); // any line passes the attention step
    EXPECT_EQ(probe(replying("ATCM08", "ERR\r", fakeDevice("B018"))), 0);
    EXPECT_EQ(probe(replying("ATCM00", "NO\r", fakeDevice("B018"))), 0);
    EXPECT_EQ(probe(replying("ATVR", "", fakeDevice("B018"))), 0);
    EXPECT_EQ(probe(replying("***", "", fakeDevice("B018"))), 0); // nothing at all
}

TEST_F(Probe, BootLoaderAnswersWithTwoRawBytes) {
    ASSERT_EQ(probe(fakeBootLoader(0x12, 0x3)), 1);
    EXPECT_EQ(Flag.RX43BOOT, 1);
    EXPECT_EQ(Flag.bootvers, "Boot v.1.2");
    resetState();
    Rx_buf[1] = 0xB5; // one byte alone is not taken, whatever an earlier reply left behind
    EXPECT_EQ(probe(replying("***", "\x21")), 0);
    EXPECT_EQ(Flag.RX43BOOT, 0);
}

TEST_F(Probe, ModemAnswersZeroAfterTheLinesOfModemIniAndWithoutEcho) {
    TempDir dir;
    Exe_dir = dir.path();
    Flag.modem = 1;
    EXPECT_EQ(probe(fakeModem()), 1);
    EXPECT_EQ(peer_.requests(), std::vector<std::string>{"ATV0"}); // no modem.ini: only the probe
    std::ofstream(dir.file("modem.ini"), std::ios::binary) << "ATE0\r\n\r\nAT&F\rATS0=0\nATX3";
    EXPECT_EQ(probe(fakeModem()), 1);
    // Empty lines are skipped; a last line without a line end is not sent.
    EXPECT_EQ(peer_.requests(), (std::vector<std::string>{"ATE0", "AT&F", "ATS0=0", "ATV0"}));
    EXPECT_EQ(probe(replying("ATV0", "ATV0\r0\r", fakeModem())), 0); // an echo
    EXPECT_EQ(probe(replying("ATV0", "OK\r", fakeModem())), 0);
}

} // namespace
