// Display-board records, their range table, the operation texts and the GSM reply.
#include <gtest/gtest.h>

#include "boards/display_board.h"
#include "support/state_guard.h"

namespace {

class DisplayBoard : public KorvaneTest {
  protected:
    void SetUp() override {
        KorvaneTest::SetUp();
        initParcfgh();
    }
    int type(int i, float v, int cd = 1) {
        Parcfgh[static_cast<size_t>(i)].val = v;
        return testValueh(i, cd);
    }
};

TEST_F(DisplayBoard, OperationTextsCarryTheirDataByClass) {
    EXPECT_EQ(atsdCommand(kOpVersion, 3, 0), "ATSD0302\r");
    EXPECT_EQ(atsdCommand(kOpWrDlux, 1, 0x1C8), "ATSD01A3C8\r");
    EXPECT_EQ(atsdCommand(0x81, 0, 0x123456), "ATSD0081123456\r");
    EXPECT_EQ(atsdCommand(0x41, 7, 99), "ATSD0741\r");
    EXPECT_EQ(atsdCommand(kOpWrOption3, 5, 0xBF), "ATSD05A7BF\r");
}

TEST_F(DisplayBoard, RangeTableStoresAndFollowsTheDecimalPoint) {
    MW51h[1].Option2 = 0xCF;
    struct Case {
        float dpoint;
        uint8_t option2;
    } cases[] = {{0, 0xCF}, {1, 0xCF}, {2, 0xDF}, {3, 0xEF}, {5, 0xFF}, {6, 0xFF}};
    for (const auto& c : cases) {
        ASSERT_EQ(type(1, c.dpoint), 1);
        EXPECT_EQ(MW51h[1].Dpoint, c.dpoint);
        EXPECT_EQ(MW51h[1].Option2, c.option2) << c.dpoint;
    }
    EXPECT_EQ(type(1, 7), 0);
    EXPECT_EQ(Parcfgh[1].val_err, 1);
    EXPECT_EQ(MW51h[1].Dpoint, 6);

    EXPECT_EQ(type(3, 25.5f), 1);
    EXPECT_EQ(Option3[1], 255);
    EXPECT_EQ(type(3, 25.6f), 0);
    EXPECT_EQ(Option3[1], 255);
    EXPECT_EQ(type(0, 0), 0);
    EXPECT_EQ(type(0, 6), 1);
    EXPECT_EQ(type(2, 255), 1);
    EXPECT_EQ(type(2, 256), 0);
    EXPECT_EQ(MW51h[1].Dlux, 255);
}

TEST_F(DisplayBoard, TrimIsASignedSixBitNumber) {
    EXPECT_EQ(trimOf(0x3F), -1);
    EXPECT_EQ(trimOf(0x1F), 31);
    EXPECT_EQ(trimOf(0xA0), -32);
    EXPECT_EQ(trimRegister(-1, true), 0xBF);
    EXPECT_EQ(trimRegister(32, false), 0x1F); // "+" at 31 keeps 31
    EXPECT_EQ(trimRegister(-33, false), 0x20);
}

TEST_F(DisplayBoard, ChoicesStoreTheirBits) {
    EXPECT_EQ(upd_Option_ColDid("3 - ORANGE", 2), 3u);
    EXPECT_EQ(upd_Option_BaudRateh("1 - 19200", 2), 1u);
    EXPECT_EQ(MW51h[2].Option, 0x0D);
    EXPECT_EQ(upd_Option2_ColGra("2 - RED", 2), 2u);
    EXPECT_EQ(MW51h[2].Option2, 0x80);
    EXPECT_EQ(upd_Option3_Mode("3 - TEST"), 3u);
    EXPECT_EQ(upd_Option3_Mode("9 - X"), 4u);
    EXPECT_EQ(Option3[0], 3);
}

std::string hexOf(const std::string& s) {
    std::string h;
    char b[3];
    for (unsigned char c : s) {
        std::snprintf(b, sizeof b, "%02X", c);
        h += b;
    }
    return h;
}

TEST_F(DisplayBoard, GsmReplyDecodesLevelAndErrorRate) {
    struct Case {
        std::string text; // the modem's text (hex-encoded for the reply)
        GsmResult result;
        unsigned level, ber;
    } cases[] = {
        {"\r\n+CSQ: 17,0\r\n", GsmResult::Ok, 17, 0},      {"\r\n+CSQ: 7,99\r\n", GsmResult::Ok, 7, 99},
        {"\r\n+CSQ:17,99\r\n", GsmResult::NoValue, 0, 0},  {"\r\n+CSQ: ,9\r\nOK", GsmResult::NoValue, 0, 0},
        {"\r\n+CSQ: 7,99\r\nX", GsmResult::NoModem, 0, 0}, // 15 characters
    };
    for (const auto& c : cases) {
        unsigned level = 0, ber = 0;
        EXPECT_EQ(decodeGsmReply(hexOf(c.text), level, ber), c.result) << hexOf(c.text);
        EXPECT_EQ(level, c.level);
        EXPECT_EQ(ber, c.ber);
    }
    unsigned l, b;
    EXPECT_EQ(decodeGsmReply("0D0A2B4353513A2031372C300DXX", l, b), GsmResult::NoModem);
    EXPECT_EQ(gsmFailureText(GsmResult::NoModem), "Nessuna risposta da modem GSM !");
    EXPECT_EQ(gsmFailureText(GsmResult::NoBoard), "Nessuna risposta da MW51a !");
}

} // namespace
