// The boards of the simulator: alarm latches and counter, the parameter EEPROM, the inverter
// pass-through.
#include <gtest/gtest.h>

#include "inverter/aurora.h"
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

TEST(SimBoard, AlarmLatchesStayUntilWrittenAndFirmware2AddsTheAuxiliaryByte) {
    sim::Simulator s(board());
    ASSERT_TRUE(s.start());
    s.modifyDeviceState([](sim::DeviceState& d) { d.alarm = 0xF0; });
    SimClient c(s.slavePath());
    EXPECT_EQ(c.ask("ATSA\r"), "F00000\r"); // six digits before firmware 2.0
    EXPECT_EQ(c.ask("ATSA\r"), "F00000\r"); // reading does not acknowledge
    EXPECT_EQ(c.ask("ATSA80\r"), "OK\r");   // clears the inverter latch, tries to clear both conditions
    EXPECT_EQ(c.ask("ATSA\r"), "D00000\r");
    EXPECT_EQ(c.ask("ATSA5\r"), "ERR\r");

    sim::Simulator s2(board(0x20));
    ASSERT_TRUE(s2.start());
    s2.modifyDeviceState([](sim::DeviceState& d) {
        d.alarm = 0xA5;
        d.alarmInverter = 3;
        d.alarmRmin = 0x50;
        d.alarmAux = 0x0A;
    });
    SimClient c2(s2.slavePath());
    EXPECT_EQ(c2.ask("ATSA\r"), "A503500A\r");
    EXPECT_EQ(c2.ask("ATSA05\r"), "OK\r");
    EXPECT_EQ(s2.deviceState().alarm, 0x05);
    EXPECT_EQ(c2.ask("ATSE0000ABCD\r"), "OK\r");
    EXPECT_EQ(c2.ask("ATSE\r"), "0000ABCD\r");
}

TEST(SimBoard, ParameterEepromReadAndWrittenByteByByteOrWhole) {
    sim::Simulator s(board());
    ASSERT_TRUE(s.start());
    SimClient c(s.slavePath());
    EXPECT_EQ(c.ask("ATRD0013\r"), "OK\r");
    EXPECT_EQ(c.ask("ATEE\r"), "03\r"); // three inverters
    EXPECT_EQ(c.ask("ATEE\r"), "02\r"); // from address 2

    EXPECT_EQ(c.ask("ATRD0027\r"), "OK\r");
    EXPECT_EQ(c.ask("ATEEAABB\r"), "OK\r"); // bytes 39, 40
    EXPECT_EQ(c.ask("ATEE\r"), "ERR\r");    // past the block
    EXPECT_EQ(c.ask("ATRD0028\r"), "OK\r");
    EXPECT_EQ(c.ask("ATEE0102\r"), "ERR\r"); // would run past the block: nothing written
    EXPECT_EQ(c.ask("ATEE\r"), "BB\r");

    EXPECT_EQ(c.ask("ATRD00FF\r"), "OK\r");
    const std::string block = c.ask("ATEE\r");
    ASSERT_EQ(block.size(), 83u);
    EXPECT_EQ(block.substr(0, 20), "5A01000A005A00840364"); // averaging period 900 s at byte 7
    EXPECT_EQ(block.substr(78), "AABB\r");
    EXPECT_EQ(s.deviceState().eeprom[39], 0xAA);
}

std::string request(uint8_t address, uint8_t command, uint8_t argument = 0) {
    return auroraCommandText(auroraRequest(address, command, argument));
}

TEST(SimBoard, InvertersAnswerThroughTheBoardOrStaySilent) {
    sim::Simulator s(board());
    ASSERT_TRUE(s.start());
    s.modifyDeviceState([](sim::DeviceState& d) {
        d.inverters = {{7, "ABCDEF", 'D', 1500.0f, -2.5f, 0}, {8, "000001", '1', 0, 0, 1}};
    });
    SimClient c(s.slavePath());
    EXPECT_EQ(c.ask(request(7, kAuroraSerial)).substr(0, 12), "414243444546");
    EXPECT_EQ(c.ask(request(7, kAuroraVersion)).substr(0, 6), "000044");                      // 'D' in byte 2
    EXPECT_EQ(c.ask(request(7, kAuroraMeasure, kMeasurePin1)).substr(0, 12), "000044BB8000"); // 1500.0
    EXPECT_EQ(c.ask(request(7, kAuroraMeasure, kMeasurePin2)).substr(0, 12), "0000C0200000"); // -2.5
    const std::string damaged = c.ask(request(8, kAuroraSerial)), good = c.ask(request(8, kAuroraSerial));
    EXPECT_EQ(damaged.size(), 17u);
    EXPECT_EQ(damaged.substr(0, 12), good.substr(0, 12)); // same data, another CRC
    EXPECT_NE(damaged, good);
    EXPECT_EQ(c.ask(request(8, kAuroraSerial)), good); // only the first reply was damaged

    EXPECT_EQ(c.ask(request(9, kAuroraSerial), 300), ""); // nobody at 9
    std::string bad = request(7, kAuroraSerial);
    bad[bad.size() - 2] = bad[bad.size() - 2] == '0' ? '1' : '0';
    EXPECT_EQ(c.ask(bad, 300), ""); // the inverter drops a damaged request
    EXPECT_EQ(c.ask("ATDI073F00000000000000ZZ\r"), "ERR\r");
}

} // namespace
