#include <gtest/gtest.h>

#include "link/korvane_com.h"

TEST(TextUtils, DigitsReadAsHexOrDecimal) {
    struct Case {
        const char* s;
        int dim;
        int hex, dec;
    } cases[] = {
        {"1g", 2, 16, 10}, // an invalid character counts 0
        {"0FF6", 4, 0x0FF6, 0 * 1000 + 15 * 100 + 15 * 10 + 6},
        {"ab", 2, 0xAB, 10 * 10 + 11}, // 'a'..'f' count 10..15 in both bases
        {"7", 0, 7, 7},                // the first character is always read
        {"7", -3, 7, 7},
        {"12", 4, 0x1200, 1200}, // positions past the end count 0
        {"", 2, 0, 0},
        {"FFFFFFFF", 8, -1, static_cast<int>(15u * 11111111u)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(str16_to_num(c.s, c.dim), c.hex) << c.s << "/" << c.dim;
        EXPECT_EQ(str_to_num(c.s, c.dim), c.dec) << c.s << "/" << c.dim;
    }
    EXPECT_EQ(chr_to_num('f'), 15);
    EXPECT_EQ(chr_to_num('G'), 0);
    EXPECT_EQ(chr_to_num('\xB0'), 0);
}

TEST(TextUtils, StrsubRemovesLeadingCharacters) {
    char s[] = "ABCDE";
    EXPECT_EQ(strsub(s, 2), 3);
    EXPECT_STREQ(s, "CDE");
    char t[] = "AB";
    EXPECT_EQ(strsub(t, 2), -1);
    EXPECT_STREQ(t, "AB");
    std::string u = "ABCDE";
    EXPECT_EQ(strsub(u, 4), 1);
    EXPECT_EQ(u, "E");
    EXPECT_EQ(strsub(u, 5), -1);
}

TEST(TextUtils, PrintfApiAppendsAtMost299Characters) {
    StringTextBox box;
    EXPECT_EQ(printf_API(&box, "%s %u\r\n", "Nodo", 4u), 8);
    EXPECT_EQ(printf_API(&box, "%s", std::string(500, 'x').c_str()), 299);
    EXPECT_EQ(box.text.size(), 8u + 299u);
    EXPECT_EQ(box.text.substr(0, 8), "Nodo 4\r\n");
    EXPECT_EQ(printf_API(nullptr, "x"), 1);
}

TEST(ModemResults, CodesAbove20CountAsUndefinedConnection) {
    EXPECT_STREQ(Codifica_risposta_modem(0).text, "OK");
    EXPECT_FALSE(Codifica_risposta_modem(0).connected);
    EXPECT_STREQ(Codifica_risposta_modem(7).text, "Occupato");
    EXPECT_TRUE(Codifica_risposta_modem(19).connected);
    EXPECT_STREQ(Codifica_risposta_modem(21).text, "Stato non definito");
    EXPECT_TRUE(Codifica_risposta_modem(21).connected);
    EXPECT_EQ(Codifica_risposta_modem(255).colour, kButtonFace);
}
