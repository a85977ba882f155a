// The boards of the simulator: alarm latches, the parameter EEPROM, the inverter pass-through.
#include <gtest/gtest.h>

#include <cstdio>

#include "sim/sim.h"
#include "sim_client.h"

namespace {

sim::SimOptions board(uint16_t fw = 0x18) {
    sim::SimOptions o;
    o.kind = sim::DeviceKind::MW51;
    o.scenario = "empty";
    o.fw = fw;
    return o;
}

TEST(SimBoard, AlarmLatchesStayUntilWrittenConditionsStayWhileActive) {
    sim::Simulator s(board());
    ASSERT_TRUE(s.start());
    s.modifyDeviceState([](sim::DeviceState& d) { d.alarm = 0xF0; });
    SimClient c(s.slavePath());
    EXPECT_EQ(c.ask("ATSA\r"), "F00000\r"); // six digits before firmware 2.0
    EXPECT_EQ(c.ask("ATSA\r"), "F00000\r"); // reading does not acknowledge
    EXPECT_EQ(c.ask("ATSA80\r"), "OK\r");   // clears the inverter latch, tries to clear both conditions
    EXPECT_EQ(c.ask("ATSA\r"), "D00000\r");
    EXPECT_EQ(c.ask("ATSA5\r"), "ERR\r");
}

TEST(SimBoard, ParameterEepromReadAndWrittenByteByByteOrWhole) {
    sim::Simulator s(board());
    ASSERT_TRUE(s.start());
    SimClient c(s.slavePath());
    EXPECT_EQ(c.ask("ATRD0007\r"), "OK\r");
    EXPECT_EQ(c.ask("ATEE\r"), "84\r"); // averaging period 900 s, little-endian
    EXPECT_EQ(c.ask("ATEE\r"), "03\r");
    EXPECT_EQ(c.ask("ATRD0013\r"), "OK\r");
    EXPECT_EQ(c.ask("ATEE\r"), "03\r"); // three inverters
    EXPECT_EQ(c.ask("ATEE\r"), "02\r"); // from address 2

    EXPECT_EQ(c.ask("ATRD0027\r"), "OK\r");
    EXPECT_EQ(c.ask("ATEEAABB\r"), "OK\r"); // bytes 39, 40
    EXPECT_EQ(c.ask("ATEE\r"), "ERR\r");    // past the block
    EXPECT_EQ(c.ask("ATRD0028\r"), "OK\r");
    EXPECT_EQ(c.ask("ATEE0102\r"), "ERR\r"); // would run past the block: nothing written
    EXPECT_EQ(c.ask("ATEE\r"), "BB\r");
    EXPECT_EQ(c.ask("ATEE1\r"), "ERR\r");

    EXPECT_EQ(c.ask("ATRD00FF\r"), "OK\r");
    const std::string block = c.ask("ATEE\r");
    ASSERT_EQ(block.size(), 83u);
    EXPECT_EQ(block.substr(0, 20), "5A01000A005A00840364");
    EXPECT_EQ(block.substr(78), "AABB\r");
    EXPECT_EQ(s.deviceState().eeprom[39], 0xAA);
}

// A request for the inverter line: 8 bytes, their CRC low byte first, as hex digits.
std::string request(uint8_t address, uint8_t command, uint8_t argument, bool goodCrc = true) {
    uint8_t p[10] = {address, command, argument, 0, 0, 0, 0, 0, 0, 0};
    uint16_t crc = 0xFFFF; // CRC-16/X-25
    for (int i = 0; i < 8; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k) crc = static_cast<uint16_t>((crc & 1) ? (crc >> 1) ^ 0x8408 : crc >> 1);
    }
    crc = static_cast<uint16_t>(~crc);
    p[8] = static_cast<uint8_t>(crc & 0xFF);
    p[9] = static_cast<uint8_t>((crc >> 8) ^ (goodCrc ? 0 : 1));
    char text[32];
    std::snprintf(text, sizeof text, "ATDI%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X\r", p[0], p[1], p[2], p[3],
                  p[4], p[5], p[6], p[7], p[8], p[9]);
    return text;
}

TEST(SimBoard, InvertersAnswerThroughTheBoardOrStaySilent) {
    sim::Simulator s(board());
    ASSERT_TRUE(s.start());
    s.modifyDeviceState([](sim::DeviceState& d) {
        d.inverters = {{7, "ABCDEF", 'D', 1500.0f, -2.5f, 0}, {8, "000001", '1', 0, 0, 1}};
    });
    SimClient c(s.slavePath());
    EXPECT_EQ(c.ask(request(7, 63, 0)).substr(0, 12), "414243444546"); // the serial number's characters
    EXPECT_EQ(c.ask(request(7, 58, 0)).substr(0, 6), "000044");        // 'D' in byte 2
    EXPECT_EQ(c.ask(request(7, 59, 8)).substr(0, 12), "000044BB8000"); // 1500.0, big-endian
    EXPECT_EQ(c.ask(request(7, 59, 9)).substr(0, 12), "0000C0200000"); // -2.5
    const std::string damaged = c.ask(request(8, 63, 0)), good = c.ask(request(8, 63, 0));
    EXPECT_EQ(damaged.size(), 17u);
    EXPECT_EQ(damaged.substr(0, 12), good.substr(0, 12)); // same data, another CRC
    EXPECT_NE(damaged, good);
    EXPECT_EQ(c.ask(request(8, 63, 0)), good); // only the first reply was damaged

    EXPECT_EQ(c.ask(request(9, 63, 0), 300), "");        // nobody at 9
    EXPECT_EQ(c.ask(request(7, 63, 0, false), 300), ""); // the inverter drops a damaged request
    EXPECT_EQ(c.ask("ATDI073F\r"), "ERR\r");
    EXPECT_EQ(c.ask("ATDI073F00000000000000ZZ\r"), "ERR\r");
}

} // namespace
