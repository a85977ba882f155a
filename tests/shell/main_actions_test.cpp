// The main panel: what its buttons do on the device (the sample-timer steps, the inverter range)
// and the rules of its fields, without widgets.
#include <gtest/gtest.h>

#include <functional>

#include "boards/energy_board.h"
#include "link/korvane_com.h"
#include "logger/session.h"
#include "shell/main_actions.h"
#include "shell/screen_rules.h"
#include "support/pty_peer.h"
#include "support/sim_session.h"

namespace {

class MainActions : public SimSession {
  protected:
    std::vector<std::string> commandsSince(size_t from) const {
        auto all = sim_->commands();
        return {all.begin() + static_cast<std::ptrdiff_t>(from), all.end()};
    }
    // Replaces the port by a line that answers each request with `reply(request)`; "" is silence.
    void script(std::function<std::string(const std::string&)> reply) {
        closeComPort(hCom);
        peer_.serve([reply](const std::string& rq) {
            const std::string r = reply(rq);
            return r.empty() ? std::vector<PtyPeer::Chunk>{} : std::vector<PtyPeer::Chunk>{{r + "\r"}};
        });
        hCom = openComPort(peer_.path());
        ASSERT_NE(hCom, nullptr);
        initCOM(hCom);
        Timeout_rx = 150;
    }
    PtyPeer peer_;
};

// Outside IDLE the panel warns and leaves the state as it found it (the way back to IDLE is
// checked through the panel and the command-line tool).
TEST_F(MainActions, SampleTimerReturnsToIdleOnlyWhenItWasThere) {
    ASSERT_TRUE(connect(sim::SimOptions{}));
    StatusReg = 0x10; // READY
    const size_t from = sim_->commands().size();
    ASSERT_EQ(sampleTimerBegin(nullptr), 1);
    EXPECT_EQ(Flag.stato_idle, 0);
    ASSERT_NE(ui_.last(), nullptr);
    EXPECT_EQ(ui_.last()->text + "|" + ui_.last()->title, kReadyStateWarning + std::string("|Warning"));
    sampleTimerEnd();
    EXPECT_EQ(commandsSince(from), (std::vector<std::string>{"ATOS", "ATCM06"}));
    EXPECT_EQ(sim_->deviceState().operatingState, 0x05);

    // The state cannot be read: a message; it cannot be left: silently nothing.
    script([](const std::string&) { return ""; });
    const size_t shown = ui_.shown.size();
    EXPECT_EQ(sampleTimerBegin(nullptr), 0);
    ASSERT_EQ(ui_.shown.size(), shown + 1);
    EXPECT_EQ(ui_.last()->text + "|" + ui_.last()->title, kOperatingStateFailed + std::string("|Com Error"));
    script([](const std::string& rq) { return rq == "ATOS" ? "00" : "ERR"; });
    EXPECT_EQ(sampleTimerBegin(nullptr), 0);
    EXPECT_EQ(ui_.shown.size(), shown + 1);
}

TEST_F(MainActions, InverterRangeComesFromTheBoardsEepromOrIsReported) {
    sim::SimOptions board;
    board.kind = sim::DeviceKind::MW51;
    ASSERT_TRUE(connect(board));
    sim_->modifyDeviceState([](sim::DeviceState& d) {
        d.eeprom[19] = 0x05;
        d.eeprom[20] = 0x0A;
    });
    const size_t from = sim_->commands().size();
    EXPECT_EQ(readInverterRange(nullptr), 1);
    EXPECT_EQ(commandsSince(from), (std::vector<std::string>{"ATRD0013", "ATEE", "ATEE"}));
    EXPECT_EQ(inverterCount(EE), 5u);
    EXPECT_EQ(firstInverterAddress(EE), 10u);
    const uint16_t comReg2 = EE.ram.ComReg2; // a copy: the packed field is not aligned
    EXPECT_EQ(comReg2, 0x0A05);
    EXPECT_TRUE(ui_.shown.empty());

    script([](const std::string& rq) { return rq == "ATRD0013" ? "" : "03"; });
    EXPECT_EQ(readInverterRange(nullptr), 0);
    EXPECT_EQ(ui_.last()->text + "|" + ui_.last()->title, "Nessuna risposta da datalogger !|COM Error");
    script([](const std::string& rq) { return rq == "ATRD0013" ? "OK" : "G2"; });
    EXPECT_EQ(readInverterRange(nullptr), 0);
    EXPECT_EQ(ui_.last()->text + "|" + ui_.last()->title, "Nessuna risposta da|COM Error");
    EXPECT_EQ(ui_.last()->icon, MsgIcon::Error);
}

TEST_F(MainActions, SampleFieldAcceptsWholeSecondsFromOneTo65535) {
    Tsample = 1234;
    for (const char* refused : {"65536", "-5", "1.5", "4294967356"}) { // 2^32 + 60 must not wrap to 60
        EXPECT_FALSE(sampleTimeChanged(refused)) << refused;
        EXPECT_EQ(Tsample, 1234u) << refused;
    }
    EXPECT_TRUE(sampleTimeChanged(" 60 "));
    EXPECT_EQ(Tsample, 60u);
}

TEST_F(MainActions, FastReadingIsOffForOldFirmwareUnlessThroughAModem) {
    const struct {
        char hw;
        uint16_t fw;
        int modem, fastRead;
    } cases[] = {{'0', 0x18, 0, 0}, {'0', 0x18, 1, 1}, {'0', 0x19, 0, 1}, {'7', 0x30, 0, 0},
                 {'5', 0x16, 0, 0}, {'5', 0x17, 0, 1}, {'B', 0x10, 0, 1}, {'8', 0x10, 0, 1}};
    for (const auto& c : cases) {
        Flag.fast_read = 1;
        Flag.modem = c.modem;
        Datalogger.hw = static_cast<uint8_t>(c.hw);
        Datalogger.fw = c.fw;
        applyFastReadRule();
        EXPECT_EQ(Flag.fast_read, c.fastRead) << c.hw << " " << c.fw << " modem " << c.modem;
    }
    Flag.fast_read = 0; // a slow-reading choice from the command line is never switched on
    Flag.modem = 0;
    applyFastReadRule();
    EXPECT_EQ(Flag.fast_read, 0);
}

TEST(ScreenRules, CommandLineQuotesArgumentsWithBlanks) {
    const char* argv[] = {"korvane", "-b", "9600", "/home/me/dati sessione.txt", "x"};
    EXPECT_EQ(joinCommandLine(5, argv), "-b 9600 \"/home/me/dati sessione.txt\" x");
    EXPECT_EQ(joinCommandLine(1, argv), "");
}

} // namespace
