#include <gtest/gtest.h>

#include "platform/text_cp1252.h"

TEST(Cp1252, RoundTripsThroughUtf8) {
    struct Case {
        std::string cp1252, utf8;
    } cases[] = {
        {"Temperatura (0.00 \xB0"
         "C)",
         "Temperatura (0.00 \xC2\xB0"
         "C)"},
        {"Umidit\xE0", "Umidit\xC3\xA0"},
        {"\x80 \x9C", "\xE2\x82\xAC \xC5\x93"}, // euro sign, oe ligature
        {"plain", "plain"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(cp1252ToUtf8(c.cp1252), c.utf8);
        EXPECT_EQ(utf8ToCp1252(c.utf8), c.cp1252);
    }
    EXPECT_EQ(utf8ToCp1252("\xE2\x98\x83"), "?");                  // a snowman has no byte
    EXPECT_EQ(utf8ToCp1252("a\xE0z"), "a\xE0z");                   // not UTF-8: kept as Latin-1
    EXPECT_EQ(utf8ToCp1252("\xC3"), "\xC3");                       // cut sequence
    EXPECT_EQ(cp1252ToUtf8(utf8ToCp1252("\xC2\x81")), "\xC2\x81"); // undefined byte 0x81 survives
}
