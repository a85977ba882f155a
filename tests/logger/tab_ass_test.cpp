// The session's building blocks: the assignment table, the quantity texts, calendar arithmetic
// and the sample-timer value.
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <vector>

#include "logger/sample_timer.h"
#include "logger/session.h"
#include "logger/tab_ass.h"
#include "logger/time_marks.h"
#include "support/flash_image_builder.h"
#include "support/state_guard.h"

namespace {

// Puts a table page of `nodes` into TabAss; `length` replaces its length field when given.
void buildTable(const std::vector<TestNode>& nodes, int length = -1) {
    TestImage img;
    img.table(0, "140305_123000", nodes);
    if (length >= 0) img.page(0)[2] = length & 0xFF, img.page(0)[3] = static_cast<uint8_t>(length >> 8);
    std::memcpy(TabAss, img.page(0), TestImage::kPage);
}

class TabAssDecode : public KorvaneTest {};

TEST_F(TabAssDecode, NodesLogicalChannelsAndTheirValues) {
    buildTable({{4, {7, 0, 16}, 15, 351}, {254, {0x0111, 0, 0x0010, 12, 0}, 20, 333}});
    ASSERT_EQ(decodeTabAss(), 1);
    ASSERT_EQ(TotalNodeNum, 2);
    EXPECT_EQ(TotalLogicCh, 5);
    const datitab& a = InfoFE[1];
    EXPECT_EQ(a.nodead, 4);
    EXPECT_EQ(a.satmr, 15);
    EXPECT_EQ(a.vbat, 351);
    ASSERT_EQ(a.chanu_logic, 2);
    EXPECT_EQ(a.ch_fisico[1], 130); // 32-bit: physical 1 high, physical 2 low
    EXPECT_EQ(a.quantity(1), 16);
    EXPECT_EQ(InfoFE[2].chanu_logic, 3); // the trailing code-0 word makes no logical channel
    EXPECT_EQ(nodeIndex(254), 2);
    EXPECT_EQ(nodeIndex(5), 0);

    int node = -1;
    int32_t logic[64] = {};
    const int16_t vx[3] = {-25, 0x0001, static_cast<int16_t>(0x8000)};
    ASSERT_EQ(getCHlogic(&node, logic, vx, 3, 4), 1);
    EXPECT_EQ(node, 1);
    EXPECT_EQ(logic[0], -25);
    EXPECT_EQ(logic[1], 98304);                       // halves joined unsigned
    EXPECT_EQ(getCHlogic(&node, logic, vx, 2, 4), 0); // channel count differs
    EXPECT_EQ(getCHlogic(&node, logic, vx, 3, 8), 0); // unknown node
    EXPECT_TRUE(ui_.shown.empty());
}

TEST_F(TabAssDecode, RejectedTables) {
    buildTable({}, 16);
    EXPECT_EQ(decodeTabAss(), 1);
    EXPECT_EQ(TotalNodeNum, 0);
    const struct {
        const char* name;
        std::vector<TestNode> nodes;
        int length;
    } cases[] = {
        {"longer than a page", {}, 529},
        {"31 nodes", std::vector<TestNode>(31, TestNode{1, {1}}), -1},
        {"65 logical channels in one node", {{1, std::vector<uint16_t>(65, 1)}}, -1},
        {"an entry running past the page", {{1, std::vector<uint16_t>(200, 1)}}, 528},
    };
    for (const auto& c : cases) {
        buildTable(c.nodes, c.length);
        EXPECT_EQ(decodeTabAss(), 0) << c.name;
    }
    buildTable({{1, {1}}});
    TabAss[0] = 0x00;
    EXPECT_EQ(decodeTabAss(), 0); // no table marker
    EXPECT_TRUE(ui_.shown.empty());

    buildTable({{9, {3, 0, 0, 16}}}); // two consecutive high halves
    EXPECT_EQ(decodeTabAss(), 0);
    ASSERT_EQ(ui_.shown.size(), 1u);
    EXPECT_EQ(ui_.shown[0].text, "Errore: due canali fisici consecutivi con codifica Conf&0x1F==0 !");
    EXPECT_EQ(ui_.shown[0].title, "Setup Error");
    EXPECT_EQ(ui_.shown[0].icon, MsgIcon::Error);
    ui_.shown.clear();
}

TEST(QuantityText, AdjValueOfEveryCodeFamily) {
    struct Case {
        int code;
        int32_t raw;
        const char* text;
        float value;
    } cases[] = {
        {0, -12, "-12", -12.0f},        {1, -150, "-1.50", -1.5f},      {6, -1, "Err", 0.0f},
        {6, -5536, "1200.00", 1200.0f}, {6, 32767, "927.67", 927.67f},  {7, 3987, "398.7", 398.7f},
        {8, -30000, "3553.6", 3553.6f}, {10, -1, "6553.5", 6553.5f},    {11, 70000, "70000", 70000.0f},
        {14, -2, "6553.4", 6553.4f},    {16, 98304, "9830.4", 9830.4f}, {17, 2500, "2.50", 2.5f},
        {31, -1, "-1", -1.0f},          {0x21, 2500, "25.00", 25.0f},
    };
    for (const auto& c : cases) {
        std::string s;
        EXPECT_FLOAT_EQ(adj_value(s, c.code, c.raw), c.value) << c.code << " " << c.raw;
        EXPECT_EQ(s, c.text) << c.code << " " << c.raw;
    }
    std::string s;
    adj_value2(s, 8, 229.96f);
    EXPECT_EQ(s, "230.0");
}

TEST(TimeMarks, TimeAdjAddsMarkersAcrossDaysMonthsAndYears) {
    struct Case {
        tempo start;
        uint32_t marker;
        tempo expected;
    } cases[] = {
        {{13, 12, 31, 23, 59, 50}, 150, {14, 1, 1, 0, 0, 5}},
        {{16, 2, 28, 12, 0, 0}, 864000, {16, 2, 29, 12, 0, 0}}, // leap year
        {{15, 2, 28, 12, 0, 0}, 864000, {15, 3, 1, 12, 0, 0}},
        {{15, 7, 4, 8, 9, 10}, 9, {15, 7, 4, 8, 9, 10}},          // tenths are dropped
        {{15, 1, 31, 0, 0, 0}, 864000 * 60, {15, 4, 1, 0, 0, 0}}, // across two months
        {{15, 13, 40, 0, 0, 0}, 864000, {15, 13, 41, 0, 0, 0}},   // a bad month never loops
    };
    for (const auto& c : cases) {
        tempo t = timeAdj(c.start, c.marker);
        const tempo& e = c.expected;
        EXPECT_EQ(std::tie(t.anno, t.mese, t.giorno, t.ora, t.minuto, t.secondo),
                  std::tie(e.anno, e.mese, e.giorno, e.ora, e.minuto, e.secondo))
            << c.marker;
    }
    // Durations round to the second.
    EXPECT_EQ(sessionDuration(0, 4), "000000_000000");
    EXPECT_EQ(sessionDuration(0, 5), "000000_000001");
    EXPECT_EQ(sessionDuration(0, 4294967290u), "004971_003849");
}

TEST(SampleTimer, FieldIsClampedToSixteenBits) {
    const std::pair<const char*, unsigned> cases[] = {
        {" 900 ", 900}, {"65535", 65535}, {"65536", 65535}, {"99999999999999999999", 65535},
        {"-5", 0},      {"+12", 12},      {"", 0},          {"12a", 0},
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(saTmrClamp(text), value) << text;
    EXPECT_EQ(saTmrCommand(saTmrClamp("70000")), "ATSTFFFF\r");
    EXPECT_EQ(saTmrCommand(900), "ATST0384\r");
}

} // namespace
