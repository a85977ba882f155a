// Aurora request and reply packets, the model table.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "firmware/crc_powerone.h"

#include "inverter/aurora.h"

namespace {

TEST(Aurora, RequestsCarryAddressCommandArgumentAndCrc) {
    const struct {
        uint8_t address, command, argument;
        const char* text;
    } cases[] = {
        {2, kAuroraMeasure, kMeasurePin1, "ATDI023B0800000000008C09\r"},
        {2, kAuroraMeasure, kMeasurePin2, "ATDI023B090000000000"},
        {2, kAuroraSerial, 0, "ATDI023F000000000000"},
        {255, kAuroraVersion, 0, "ATDIFF3A000000000000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const std::string text = auroraCommandText(auroraRequest(c.address, c.command, c.argument));
        ASSERT_EQ(text.size(), 4u + 20u + 1u);
        EXPECT_EQ(text.substr(0, std::string(c.text).size()), c.text);
        EXPECT_EQ(text.back(), '\r');
    }
}

TEST(Aurora, RepliesNeedSixteenHexDigitsAndTheirCrc) {
    // 1500 W as a measure reply: 00 00 44 BB 80 00 (big-endian float), then its CRC.
    const uint8_t data[6] = {0x00, 0x00, 0x44, 0xBB, 0x80, 0x00};
    const auto crc = crcPowerOneBytes(data);
    char good[20];
    std::snprintf(good, sizeof good, "000044BB8000%02X%02X", crc[0], crc[1]);
    const struct {
        std::string text;
        bool valid;
    } cases[] = {
        {good, true},
        {std::string(good) + "FFFF", true},              // past 8 bytes: ignored
        {std::string(good).substr(0, 14), false},        // too short
        {std::string(good).substr(0, 14) + "ZZ", false}, // not hexadecimal
        {"000044BB80000000", false},                     // wrong CRC
        {"ERR", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        AuroraPacket p{};
        EXPECT_EQ(decodeAuroraReply(c.text, p), c.valid);
        if (c.valid) {
            EXPECT_FLOAT_EQ(auroraMeasureValue(p), 1500.0f);
        }
    }
}

TEST(Aurora, ModelLettersAreCaseSensitiveAndUnknownOnesSaySo) {
    const struct {
        char letter;
        const char* model;
    } cases[] = {{'i', "Aurora 2kW"}, {'o', "Aurora 2kW"}, {'I', "Aurora 3.6kW"}, {'X', "Aurora 10.0kW new"},
                 {'Z', "Unknown"},    {'d', "Unknown"},    {'\0', "Unknown"}};
    for (const auto& c : cases)
        EXPECT_STREQ(auroraModelName(static_cast<uint8_t>(c.letter)), c.model) << c.letter;
}

} // namespace
