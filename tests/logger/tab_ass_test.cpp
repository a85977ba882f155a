// Decoding of the assignment table and the quantity texts.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "logger/tab_ass.h"
#include "support/state_guard.h"

namespace {

struct Node {
    uint8_t address;
    uint16_t satmr;
    std::vector<uint16_t> conf;
    uint16_t vbat;
};

// Builds a table page in TabAss from node entries.
void buildTable(const std::vector<Node>& nodes, int lengthOverride = -1) {
    std::memset(TabAss, 0xEE, sizeof TabAss);
    std::vector<uint8_t> t(16, 0);
    t[0] = 0xFF;
    t[4] = 0x10, t[5] = 0x27; // Pnom 10000
    for (const Node& n : nodes) {
        t.push_back(n.address);
        t.push_back(static_cast<uint8_t>(n.conf.size()));
        t.push_back(n.satmr & 0xFF), t.push_back(n.satmr >> 8);
        for (uint16_t c : n.conf) t.push_back(c & 0xFF), t.push_back(c >> 8);
        t.push_back(n.vbat & 0xFF), t.push_back(n.vbat >> 8);
    }
    size_t len = lengthOverride >= 0 ? static_cast<size_t>(lengthOverride) : t.size();
    t[2] = len & 0xFF, t[3] = static_cast<uint8_t>(len >> 8);
    std::memcpy(TabAss, t.data(), std::min(t.size(), sizeof TabAss));
}

class TabAssDecode : public KorvaneTest {};

TEST_F(TabAssDecode, NodesAndLogicalChannels) {
    buildTable({{4, 15, {7, 0, 16}, 351}, {254, 20, {0x0111, 0, 0x0010, 12, 0}, 333}});
    ASSERT_EQ(decodeTabAss(), 1);
    EXPECT_EQ(Pnom, 10000);
    ASSERT_EQ(TotalNodeNum, 2);
    EXPECT_EQ(TotalLogicCh, 5);
    const datitab& a = InfoFE[1];
    EXPECT_EQ(a.nodead, 4);
    EXPECT_EQ(a.satmr, 15);
    EXPECT_EQ(a.vbat, 351);
    ASSERT_EQ(a.chanu_logic, 2);
    EXPECT_EQ(a.ch_fisico[0], 0);
    EXPECT_EQ(a.ch_fisico[1], 130); // 32-bit: physical 1 high, physical 2 low
    EXPECT_EQ(a.quantity(1), 16);
    const datitab& b = InfoFE[2];
    EXPECT_EQ(b.chanu_logic, 3); // the trailing code-0 word makes no logical channel
    EXPECT_EQ(b.quantity(0), 0x11);
    EXPECT_EQ(b.ch_fisico[1], 128 + 2);
    EXPECT_EQ(nodeIndex(254), 2);
    EXPECT_EQ(nodeIndex(5), 0);
    EXPECT_TRUE(ui_.shown.empty());
}

TEST_F(TabAssDecode, RejectedTables) {
    buildTable({}, 16);
    EXPECT_EQ(decodeTabAss(), 1);
    EXPECT_EQ(TotalNodeNum, 0);

    buildTable({}, 529);
    EXPECT_EQ(decodeTabAss(), 0); // longer than a page
    buildTable({{1, 1, {1}, 1}});
    TabAss[0] = 0x00;
    EXPECT_EQ(decodeTabAss(), 0); // no table marker

    std::vector<Node> many(31, Node{1, 1, {1}, 300});
    buildTable(many);
    EXPECT_EQ(decodeTabAss(), 0); // 31 nodes: more than the node table holds

    std::vector<uint16_t> wide(65, 1);
    buildTable({{1, 1, wide, 300}});
    EXPECT_EQ(decodeTabAss(), 0); // 65 logical channels in one node

    buildTable({{1, 1, std::vector<uint16_t>(200, 1), 300}}, 528);
    EXPECT_EQ(decodeTabAss(), 0); // the entry runs past the page
    EXPECT_TRUE(ui_.shown.empty());
}

TEST_F(TabAssDecode, TwoConsecutiveHighHalvesIsASetupError) {
    buildTable({{9, 10, {3, 0, 0, 16}, 300}});
    EXPECT_EQ(decodeTabAss(), 0);
    ASSERT_EQ(ui_.shown.size(), 1u);
    EXPECT_EQ(ui_.shown[0].text, "Errore: due canali fisici consecutivi con codifica Conf&0x1F==0 !");
    EXPECT_EQ(ui_.shown[0].title, "Setup Error");
    EXPECT_EQ(ui_.shown[0].icon, MsgIcon::Error);
    ui_.shown.clear();
}

TEST_F(TabAssDecode, LogicalValuesJoinHalvesUnsigned) {
    buildTable({{7, 10, {7, 0, 16, 12}, 300}});
    ASSERT_EQ(decodeTabAss(), 1);
    int node = -1;
    int32_t logic[64] = {};
    const int16_t vx[4] = {-25, 0x0001, static_cast<int16_t>(0x8000), -7};
    ASSERT_EQ(getCHlogic(&node, logic, vx, 4, 7), 1);
    EXPECT_EQ(node, 1);
    EXPECT_EQ(logic[0], -25);
    EXPECT_EQ(logic[1], 98304);
    EXPECT_EQ(logic[2], -7);
    node = -1;
    EXPECT_EQ(getCHlogic(&node, logic, vx, 3, 7), 0); // channel count differs
    EXPECT_EQ(node, 1);
    EXPECT_EQ(getCHlogic(&node, logic, vx, 4, 8), 0);
}

TEST(QuantityText, AdjValueOfEveryCodeFamily) {
    struct Case {
        int code;
        int32_t raw;
        const char* text;
        float value;
    } cases[] = {
        {0, -12, "-12", -12.0f},          {1, 2345, "23.45", 23.45f},      {1, -150, "-1.50", -1.5f},
        {4, 5000, "50.00", 50.0f},        {6, -1, "Err", 0.0f},            {6, -5536, "1200.00", 1200.0f},
        {6, 0, "600.00", 600.0f},         {6, 32767, "927.67", 927.67f},   {7, 3987, "398.7", 398.7f},
        {8, -30000, "3553.6", 3553.6f},   {9, -15, "-1.5", -1.5f},         {10, -1, "6553.5", 6553.5f},
        {11, 70000, "70000", 70000.0f},   {12, -3, "-3", -3.0f},           {13, 2300, "230.0", 230.0f},
        {14, -2, "6553.4", 6553.4f},      {15, 8123, "812.3", 812.3f},     {16, 98304, "9830.4", 9830.4f},
        {17, 2500, "2.50", 2.5f},         {18, 7, "7", 7.0f},              {19, 123, "1.23", 1.23f},
        {20, 42, "42", 42.0f},            {31, -1, "-1", -1.0f},           {0x21, 2500, "25.00", 25.0f},
    };
    for (const auto& c : cases) {
        std::string s;
        float v = adj_value(s, c.code, c.raw);
        EXPECT_EQ(s, c.text) << c.code << " " << c.raw;
        EXPECT_FLOAT_EQ(v, c.value) << c.code << " " << c.raw;
    }
    std::string s;
    adj_value2(s, 17, 2.5f);
    EXPECT_EQ(s, "2.50");
    adj_value2(s, 11, 1234.6f);
    EXPECT_EQ(s, "1235");
    adj_value2(s, 8, 229.96f);
    EXPECT_EQ(s, "230.0");
}

TEST(QuantityText, NamesAreWindows1252) {
    EXPECT_STREQ(Lista_Grandezze[1], "Temperatura (0.00 \xB0"
                                     "C)");
    EXPECT_STREQ(Lista_Grandezze[4], "Umidit\xE0 rel. aria (0.00 %)");
    EXPECT_STREQ(Lista_Grandezze[6], "Pressione aria (0.00 hPa) ");
    EXPECT_STREQ(Lista_Grandezze[0x1A], "0x1A");
    EXPECT_STREQ(Unita_di_misura[3], "\xB0"
                                     "C");
    EXPECT_STREQ(Unita_di_misura[18], "");
}

} // namespace
