#include <gtest/gtest.h>

#include "link/korvane_com.h"

TEST(TextUtils, DigitsReadAsHexOrDecimalNeverPastTheText) {
    const struct {
        const char* s;
        int dim;
        int hex, dec;
    } cases[] = {
        {"1g", 2, 16, 10},             // an invalid character counts 0
        {"ab", 2, 0xAB, 10 * 10 + 11}, // 'a'..'f' count 10..15 in both bases
        {"12", 4, 0x1200, 1200},       // positions past the end count 0
        {"FFFFFFFF", 8, -1, static_cast<int>(15u * 11111111u)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(str16_to_num(c.s, c.dim), c.hex) << c.s << "/" << c.dim;
        EXPECT_EQ(str_to_num(c.s, c.dim), c.dec) << c.s << "/" << c.dim;
    }
}

TEST(TextUtils, PrintfApiAppendsAtMost299Characters) {
    StringTextBox box;
    EXPECT_EQ(printf_API(&box, "%s %u\r\n", "Nodo", 4u), 8);
    EXPECT_EQ(printf_API(&box, "%s", std::string(500, 'x').c_str()), 299);
    EXPECT_EQ(box.text, "Nodo 4\r\n" + std::string(299, 'x'));
}
