// The program's CRC: catalogue check values, byte order, check-and-append.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "firmware/crc_powerone.h"

namespace {

std::vector<uint8_t> bytesOf(const std::string& s) {
    return {s.begin(), s.end()};
}

TEST(CrcPowerOne, CatalogueValuesStoredLowByteFirst) {
    const struct {
        std::string data;
        uint8_t first, second;
    } cases[] = {
        {"123456789", 0x6E, 0x90}, // check value 0x906E
        {"abc", 0x25, 0x9E},       // 0x9E25
        {"", 0x00, 0x00},          // complement of the start value
        {std::string(1, '\0'), 0x78, 0xF0},
        {std::string(32, '\xFF'), 0x51, 0xE0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.data.size());
        auto b = bytesOf(c.data);
        const auto crc = crcPowerOneBytes(b);
        EXPECT_EQ(crc[0], c.first);
        EXPECT_EQ(crc[1], c.second);
    }
}

TEST(CrcPowerOne, ChecksTheTrailingBytesAndAlwaysWritesTheComputedOnes) {
    auto b = bytesOf("123456789");
    b.push_back(0x6E);
    b.push_back(0x90);
    EXPECT_EQ(crc_powerone(b.data(), 9), 1);
    EXPECT_EQ(b[9], 0x6E);
    EXPECT_EQ(b[10], 0x90);

    b[9] = 0x90; // swapped: the byte order matters
    b[10] = 0x6E;
    EXPECT_EQ(crc_powerone(b.data(), 9), 0);
    EXPECT_EQ(b[9], 0x6E); // appended in the right order
    EXPECT_EQ(b[10], 0x90);
    EXPECT_EQ(crc_powerone(b.data(), 9), 1);
}

} // namespace
