#include <gtest/gtest.h>

#include "link/korvane_com.h"

TEST(TextUtils, HexDigitsCountInvalidCharactersAsZero) {
    EXPECT_EQ(str16_to_num("1g", 2), 16);
    EXPECT_EQ(str16_to_num("0FF6", 4), 0x0FF6);
    EXPECT_EQ(str16_to_num("ab", 2), 0xAB);
    EXPECT_EQ(str16_to_num("7", 0), 7); // the first character is always read
    EXPECT_EQ(str_to_num("123", 3), 123);
}
