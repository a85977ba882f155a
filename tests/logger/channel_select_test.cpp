// The monitor's channel selection: the grid, its click and colour rules, compaction of the
// slots, the data-window titles and positions, the export period and the graph check boxes.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "logger/channel_select.h"
#include "logger/download.h"
#include "logger/tab_ass.h"
#include "support/env_guard.h"
#include "support/flash_image_builder.h"
#include "support/state_guard.h"
#include "tables/datalogger.h"

namespace {

class ChannelSelect : public KorvaneTest {
  protected:
    void SetUp() override {
        KorvaneTest::SetUp();
        // Node 7: five channels (temperature, humidity, DC voltage, DC current, DC power);
        // node 9: three (RMS voltage, a 32-bit energy pair, active power).
        TestImage img;
        img.table(0, "140305_123000", {{7, {1, 4, 7, 9, 11}, 60, 351}, {9, {8, 0, 16, 12}, 30, 333}});
        std::memcpy(TabAss, img.page(0), TestImage::kPage);
        ASSERT_EQ(decodeTabAss(), 1);
    }
    static std::vector<std::pair<uint32_t, uint32_t>> slots() {
        std::vector<std::pair<uint32_t, uint32_t>> out;
        for (int k = 0; k < kMaxSelected; ++k) out.emplace_back(InfoSELCH.nodo[k], InfoSELCH.canale[k]);
        return out;
    }
};

TEST_F(ChannelSelect, GridHasAColumnPerChannelOfTheWidestNode) {
    Vbat_curr[2] = 298; // a live battery value replaces the table's
    const SelchGrid g = selchGrid();
    EXPECT_EQ(g.titles, (std::vector<std::string>{"Nodo", "Vbat (V)", "CH1", "CH2", "CH3", "CH4", "CH5"}));
    EXPECT_EQ(g.widths, (std::vector<int>{50, 70, 140, 140, 140, 140, 140}));
    ASSERT_EQ(g.cells.size(), 2u);
    EXPECT_EQ(g.cells[0][0], "    7");
    EXPECT_EQ(g.cells[0][1], "3.51");
    EXPECT_EQ(g.cells[1][1], "2.98");
    EXPECT_EQ(g.cells[1][2], Lista_Grandezze[8]);
    EXPECT_EQ(g.cells[1][4], Lista_Grandezze[12]);
    EXPECT_EQ(g.cells[1][5], "");
    EXPECT_EQ(g.cells[1][6], "");
}

TEST_F(ChannelSelect, ClicksToggleUpToEightChannelsAndIgnoreOtherCells) {
    const struct {
        int row, col, changed;
    } ignored[] = {{-1, 2, 0}, {0, 0, 0}, {0, 1, 0}, {1, 5, 0}, {1, 6, 0}, {2, 2, 0}, {0, 7, 0}};
    for (const auto& c : ignored) EXPECT_EQ(selchClick(c.row, c.col), c.changed) << c.row << "," << c.col;
    EXPECT_EQ(InfoSELCH.ncsel, 0u);

    for (int col = 2; col <= 6; ++col) ASSERT_EQ(selchClick(0, col), 1);
    for (int col = 2; col <= 4; ++col) ASSERT_EQ(selchClick(1, col), 1);
    EXPECT_EQ(InfoSELCH.ncsel, 8u);
    EXPECT_EQ(selchClick(1, 4), 1); // deselect the eighth
    EXPECT_EQ(selchClick(1, 4), 1); // and select it again
    EXPECT_EQ(selchClick(0, 2), 1); // free slot 0
    EXPECT_EQ(InfoSELCH.ncsel, 7u);
    EXPECT_EQ(selchClick(1, 3), 1); // a selected cell: deselected, slot 6 freed
    EXPECT_EQ(selchClick(1, 3), 1); // goes into the first free slot: 0
    EXPECT_EQ(slots()[0], (std::pair<uint32_t, uint32_t>{1, 3}));
    EXPECT_EQ(selchClick(0, 2), 1); // into slot 6
    EXPECT_EQ(InfoSELCH.ncsel, 8u);
    EXPECT_EQ(selchClick(0, 2) + selchClick(0, 2), 2);
    EXPECT_EQ(selchCellColour(0, 0), kSelchGrey);
    EXPECT_EQ(selchCellColour(1, 1), kSelchGrey);
    EXPECT_EQ(selchCellColour(0, 3), kSelchYellow);
    EXPECT_EQ(selchCellColour(1, 5), kSelchWhite);
    // The ninth is refused silently.
    initSELCH();
    for (int col = 2; col <= 6; ++col) selchClick(0, col);
    for (int col = 2; col <= 4; ++col) selchClick(1, col);
    const auto eight = slots();
    TestImage img;
    img.table(0, "140305_123000",
              {{7, {1, 4, 7, 9, 11}, 60, 351}, {9, {8, 0, 16, 12}, 30, 333}, {11, {1}, 60, 300}});
    std::memcpy(TabAss, img.page(0), TestImage::kPage);
    ASSERT_EQ(decodeTabAss(), 1);
    EXPECT_EQ(selchClick(2, 2), 0);
    EXPECT_EQ(slots(), eight);
}

TEST_F(ChannelSelect, OpeningTheWindowsCompactsTheSlots) {
    selchClick(0, 2);
    selchClick(0, 4);
    selchClick(1, 4);
    selchClick(0, 2); // slot 0 emptied
    EXPECT_EQ(InfoSELCH.ncsel, 2u);
    compactSelection();
    EXPECT_EQ(slots()[0], (std::pair<uint32_t, uint32_t>{0, 4}));
    EXPECT_EQ(slots()[1], (std::pair<uint32_t, uint32_t>{1, 4}));
    EXPECT_EQ(slots()[2], (std::pair<uint32_t, uint32_t>{0, 0}));
    EXPECT_EQ(dataWindowTitle(0), std::string("CH7_3: ") + Lista_Grandezze[7]);
    EXPECT_EQ(dataWindowTitle(1), std::string("CH9_3: ") + Lista_Grandezze[12]);
    EXPECT_EQ(dataWindowUnit(1), Unita_di_misura[12]);
    EXPECT_EQ(dataWindowTitle(2), "");
}

TEST_F(ChannelSelect, DataWindowsStaggerAndSnapToTwentyPixels) {
    WinOfs = 0;
    for (int i = 0; i < 3; ++i) {
        const WinPos& p = nextDataWindowPosition();
        EXPECT_EQ(p.left, 0);
        EXPECT_EQ(p.top, 100 * i);
        EXPECT_EQ(p.enabled, 1);
    }
    PosWin[0].left = 333, PosWin[0].top = 47; // moved by the user
    WinOfs = 0;
    EXPECT_EQ(nextDataWindowPosition().left, 333);
    forgetDataWindowPositions();
    WinOfs = 0;
    EXPECT_EQ(nextDataWindowPosition().left, 0);
    const int snaps[][2] = {{0, 0}, {19, 0}, {20, 20}, {339, 320}, {-5, -20}};
    for (const auto& s : snaps) EXPECT_EQ(snapDown20(s[0]), s[1]) << s[0];
}

TEST_F(ChannelSelect, ExportPeriodAndControls) {
    Tsample_exp = 900;
    const struct {
        const char* text;
        int ok;
        uint16_t period;
    } cases[] = {{"0", 0, 900},   {"70000", 0, 900}, {"", 0, 900},
                 {"abc", 0, 900}, {"10", 1, 10},     {"65535", 1, 65535}};
    for (const auto& c : cases) {
        EXPECT_EQ(applyExportPeriod(c.text), c.ok) << c.text;
        EXPECT_EQ(Flag.sample_error_exp, 1 - c.ok) << c.text;
        EXPECT_EQ(Tsample_exp, c.period) << c.text;
    }
    ExportControls closed = exportControls();
    EXPECT_TRUE(closed.startVisible && !closed.elapsedVisible && closed.periodEnabled);
    TempDir dir;
    Exportfile = std::fopen(dir.file("e.csv").c_str(), "wb");
    Tsample_exp = 10;
    ASSERT_EQ(startExportFile(1700000000), 1);
    EXPECT_EQ(RefExpTime, 1700000010u);
    EXPECT_EQ(ExpoGra[2], 7); // the codes come from the table from the start
    EXPECT_EQ(ExpoGra[6], 16);
    ExportControls open = exportControls();
    EXPECT_TRUE(!open.startVisible && open.elapsedVisible && !open.periodEnabled);
}

TEST_F(ChannelSelect, GraphBoxesExcludeEachOtherAndResetTheRange) {
    bool graph = false, cur = false;
    Ymin_def = -7, Ymax_def = 7;
    toggleGraphCheck(false, graph, cur);
    EXPECT_TRUE(graph && !cur);
    EXPECT_EQ(Ymax_def, 7); // nothing was unchecked
    toggleGraphCheck(true, graph, cur);
    EXPECT_TRUE(!graph && cur);
    EXPECT_EQ(Ymax_def, 50);
    EXPECT_EQ(Ymin_def, -50);
    toggleGraphCheck(true, graph, cur);
    EXPECT_TRUE(!graph && !cur);
    EXPECT_EQ(openSelectedGraph(true, false), 0); // nothing selected: no graph
}

} // namespace
