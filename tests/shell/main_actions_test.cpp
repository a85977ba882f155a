// What the main panel's buttons do on the device: the sample-timer steps, the register written
// by an alarm acknowledgement, the inverter range.
#include <gtest/gtest.h>

#include "boards/energy_board.h"
#include "link/korvane_com.h"
#include "logger/session.h"
#include "shell/main_actions.h"
#include "support/pty_peer.h"
#include "support/sim_session.h"

namespace {

using MainActions = SimSession;

sim::SimOptions device(sim::DeviceKind kind) {
    sim::SimOptions o;
    o.kind = kind;
    o.scenario = "empty";
    return o;
}

std::vector<std::string> commandsSince(const sim::Simulator& s, size_t from) {
    auto all = s.commands();
    return {all.begin() + static_cast<std::ptrdiff_t>(from), all.end()};
}

TEST_F(MainActions, SampleTimerLeavesIdleWarnsAndReturnsToIdleOnlyWhenItWasThere) {
    ASSERT_TRUE(connect(device(sim::DeviceKind::RX43)));
    const struct {
        uint8_t state, status;
        const char* warning;
        std::vector<std::string> sent;
    } cases[] = {
        {0x00, 0x00, kAssignStateWarning, {"ATOS", "ATCM06", "ATCM05"}},
        {0x05, 0x10, kReadyStateWarning, {"ATOS", "ATCM06"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.warning);
        sim_->modifyDeviceState([&](sim::DeviceState& d) { d.operatingState = c.state; });
        StatusReg = c.status;
        const size_t from = sim_->commands().size();
        ASSERT_EQ(sampleTimerBegin(nullptr), 1);
        EXPECT_EQ(Flag.stato_idle, c.state == 0 ? 1 : 0);
        EXPECT_EQ(sim_->deviceState().operatingState, 0x05); // out of IDLE while the dialog runs
        ASSERT_NE(ui_.last(), nullptr);
        EXPECT_EQ(ui_.last()->text, c.warning);
        EXPECT_EQ(ui_.last()->title, "Warning");
        EXPECT_EQ(ui_.last()->icon, MsgIcon::Warning);
        sampleTimerEnd();
        EXPECT_EQ(commandsSince(*sim_, from), c.sent);
        EXPECT_EQ(sim_->deviceState().operatingState, c.state);
    }
}

TEST_F(MainActions, SampleTimerStopsWhenTheStateCannotBeReadOrLeft) {
    const struct {
        const char *os, *cm06;
        bool message;
    } cases[] = {{nullptr, "OK", true}, {"00", "ERR", false}};
    for (const auto& c : cases) {
        PtyPeer peer;
        peer.serve([&](const std::string& rq) -> std::vector<PtyPeer::Chunk> {
            const char* r = rq == "ATOS" ? c.os : c.cm06;
            if (!r) return {};
            return {{std::string(r) + "\r"}};
        });
        hCom = openComPort(peer.path());
        ASSERT_NE(hCom, nullptr);
        initCOM(hCom);
        Timeout_rx = 150;
        const size_t shown = ui_.shown.size();
        EXPECT_EQ(sampleTimerBegin(nullptr), 0);
        EXPECT_EQ(ui_.shown.size(), shown + (c.message ? 1 : 0));
        if (c.message) {
            EXPECT_EQ(ui_.last()->text, kOperatingStateFailed);
            EXPECT_EQ(ui_.last()->title, "Com Error");
        }
        closeComPort(hCom);
    }
}

TEST(AlarmReset, ClearsOnlyTheRowsLatchedBit) {
    const uint8_t expected[] = {0xDF, 0xF7, 0xFD, 0x7F};
    for (size_t i = 0; i < kAlarmRows.size(); ++i) {
        EXPECT_EQ(alarmAfterReset(0xFF, kAlarmRows[i]), expected[i]) << kAlarmRows[i].label;
        EXPECT_EQ(alarmAfterReset(0x00, kAlarmRows[i]), 0x00);
    }
    EXPECT_EQ(alarmWriteCommand(0x85), "ATSA85\r");
}

TEST_F(MainActions, InverterRangeComesFromTheBoardsEeprom) {
    ASSERT_TRUE(connect(device(sim::DeviceKind::MW51)));
    sim_->modifyDeviceState([](sim::DeviceState& d) {
        d.eeprom[19] = 0x05;
        d.eeprom[20] = 0x0A;
    });
    const size_t from = sim_->commands().size();
    EXPECT_EQ(readInverterRange(nullptr), 1);
    EXPECT_EQ(commandsSince(*sim_, from), (std::vector<std::string>{"ATRD0013", "ATEE", "ATEE"}));
    EXPECT_EQ(inverterCount(EE), 5u);
    EXPECT_EQ(firstInverterAddress(EE), 10u);
    const uint16_t comReg2 = EE.ram.ComReg2; // a copy: the packed field is not aligned
    EXPECT_EQ(comReg2, 0x0A05);
    EXPECT_TRUE(ui_.shown.empty());
}

TEST_F(MainActions, InverterRangeFailuresAreReported) {
    const struct {
        const char* rd;              // null: no reply
        std::vector<std::string> ee; // replies to the successive "ATEE"
        const char* text;
    } cases[] = {
        {nullptr, {}, "Nessuna risposta da datalogger !"},
        {"OK", {"ERR"}, "Nessuna risposta da"},
        {"OK", {"03", "0"}, "Nessuna risposta da"},
        {"OK", {"03", "G2"}, "Nessuna risposta da"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        size_t next = 0;
        PtyPeer peer;
        peer.serve([&](const std::string& rq) -> std::vector<PtyPeer::Chunk> {
            if (rq == "ATRD0013")
                return c.rd ? std::vector<PtyPeer::Chunk>{{std::string(c.rd) + "\r"}}
                            : std::vector<PtyPeer::Chunk>{};
            return {{(next < c.ee.size() ? c.ee[next++] : std::string("ERR")) + "\r"}};
        });
        hCom = openComPort(peer.path());
        ASSERT_NE(hCom, nullptr);
        initCOM(hCom);
        Timeout_rx = 150;
        EXPECT_EQ(readInverterRange(nullptr), 0);
        ASSERT_NE(ui_.last(), nullptr);
        EXPECT_EQ(ui_.last()->text, c.text);
        EXPECT_EQ(ui_.last()->title, "COM Error");
        EXPECT_EQ(ui_.last()->icon, MsgIcon::Error);
        closeComPort(hCom);
    }
}

} // namespace
