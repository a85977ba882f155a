// The column graph on the recording device: row range, values, scaling, the picture's layout,
// the read-out, the line thickness and the cases with nothing to plot. Clicks, saving and the
// metafile read back through the dialog are covered by its offscreen test.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <functional>

#include "logger/time_marks.h"
#include "platform/ui_scripted.h"
#include "plot/plot_rules.h"
#include "plot/plot_test_support.h"
#include "shell/korvane.h"
#include "tables/column_graph.h"
#include "tables/data_table.h"

namespace {

using plot::RecordedOp;

class ColumnGraphTest : public PlotTest {
  protected:
    void SetUp() override {
        PlotTest::SetUp();
        resetState();
        installUi(&ui_);
        spessore = 1;
        DataTimeSS = "140523_101500";
        Tsample = 900;
    }
    void TearDown() override {
        for (const auto& f : ui_.failures) ADD_FAILURE() << f;
        installUi(nullptr);
        resetState();
        spessore = 1;
        PlotTest::TearDown();
    }
    // Rows numbered from `firstItem`, data column c of row i holding value(i, c); `selected` selected.
    void fill(int rows, int cols, const std::function<std::string(int, int)>& value, int firstItem = 1,
              int selected = 0) {
        table.clear();
        sel = {};
        table.insertColumn(0, "Item");
        table.insertColumn(1, "Time");
        for (int c = 0; c < cols; ++c) table.insertColumn(2 + c, "CH" + std::to_string(c + 1));
        for (int i = 0; i < rows; ++i) {
            std::vector<std::string> cells{std::to_string(firstItem + i), "t"};
            for (int c = 0; c < cols; ++c) cells.push_back(value(i, c));
            table.appendRow(cells);
        }
        for (int c = 0; c < selected; ++c) sel[static_cast<size_t>(2 + c)] = 1, ++sel[0];
    }
    // Widths of the curves' polylines (those with one point a row), in drawing order.
    std::vector<float> curveWidths(size_t rows) const {
        std::vector<float> w;
        for (const RecordedOp* op : rec->of(RecordedOp::Polyline))
            if (op->points.size() == rows) w.push_back(op->width);
        return w;
    }
    ScriptedUi ui_;
    TableModel table;
    ColumnSelection sel{};
};

std::string rowValue(int i, int) {
    return std::to_string(2.1 + (7.3 - 2.1) * i / 99.0).substr(0, 4);
}

TEST(ColumnGraphScale, WidensToWholeNumbersWithAboutFiveLabels) {
    using Case = std::array<double, 8>; // min, max, x0, x1 -> ymin, ymax, dx, dy
    for (const Case& c : {
             Case{2.1, 7.3, 1, 100, 1, 9, 20, 2},
             Case{0, 0, 1, 1, 0, 1, 1, 1},                           // one row, flat: steps never below 1
             Case{150000, 160000, 1, 100, 135000, 176001, 20, 8200}, // beyond 100000: from the values
             // 10 x 1.1 x max passes any 32-bit integer here
             Case{2.5e8, 3.0e8, 1, 100000, 225000000, 330000001, 20000, 21000000},
             Case{-3.0e8, 2.5e8, 1, 100, -330000001, 275000001, 20, 121000000},
         }) {
        const GraphScale s = graphScale(c[0], c[1], static_cast<int>(c[2]), static_cast<int>(c[3]));
        EXPECT_EQ((std::array{s.ymin, s.ymax, s.dx, s.dy}), (std::array{c[4], c[5], c[6], c[7]})) << c[0];
    }
    const GraphScale huge = graphScale(-FLT_MAX, FLT_MAX, 1, 2);
    EXPECT_TRUE(std::isfinite(huge.ymin) && std::isfinite(huge.ymax) && huge.ymin < -FLT_MAX);
}

TEST_F(ColumnGraphTest, RowRangeFollowsTheFirstAndLastSelectedRow) {
    using Case = std::pair<std::vector<int>, std::array<int, 5>>; // rows; first item, x0, x1, first, n
    for (const auto& [selected, want] : {
             Case{{}, {1, 1, 100, 0, 100}},
             Case{{9, 14, 19}, {1, 10, 20, 9, 11}}, // rows 10 and 20; rows between do not matter
             Case{{9}, {1, 1, 100, 0, 100}},        // one row: the whole table
             Case{{9, 19}, {41, 50, 60, 9, 11}},    // rows cut at the start: numbers from 41
         }) {
        fill(100, 1, rowValue, want[0]);
        for (int r : selected) table.setRowSelected(r, true);
        const GraphRows g = graphRowRange(table, 100);
        EXPECT_EQ((std::array{want[0], g.x0, g.x1, g.first, g.n}), want) << selected.size();
    }
    table.clearRowSelection();
    EXPECT_EQ(graphRowRange(table, 500).n, 100); // never more than the table holds
}

// Markers read as numbers, the legend's degree sign and length, and a column wholly above 100000
// keeping its own extremes (not the ones of a scale starting at +-100000).
TEST_F(ColumnGraphTest, CollectsTheSelectedColumnsWithMarkersAndExtremes) {
    fill(100, 2, [](int i, int c) {
        return c == 0 ? (i == 12 ? "_Irr_low" : "5") : std::to_string(150000 + i * 100);
    });
    table.setHeader(2, "CH2: T (0.00 \xB0"
                       "C)");
    table.setHeader(3, std::string(120, 'L'));
    sel[0] = 2, sel[2] = sel[3] = 1;
    GraphData d;
    ASSERT_TRUE(collectGraphData(table, sel, 100, d));
    EXPECT_EQ(d.y[0][12], 100.0f);
    EXPECT_EQ(d.legend, (std::vector<std::string>{"CH2: T (0.00 *C)", std::string(80, 'L')}));
    sel[0] = 1, sel[2] = 0;
    ASSERT_TRUE(collectGraphData(table, sel, 100, d));
    EXPECT_EQ((std::array{d.minimum, d.maximum}), (std::array{150000.0f, 159900.0f}));
    EXPECT_EQ(d.scale.ymin, 135000);
}

TEST_F(ColumnGraphTest, FiveColumnsShrinkTheAxisSystemBelowTheirLegend) {
    fill(100, 5, rowValue, 1, 5);
    EXPECT_EQ(graphCol(table, sel, 100), -1); // closed without a click
    const auto fills = rec->of(RecordedOp::Fill);
    EXPECT_TRUE(std::any_of(fills.begin(), fills.end(), [](const RecordedOp* op) {
        return op->rect.x == 300 && op->rect.y == 382 && op->rect.w == 2500 && op->rect.h == 1518;
    }));
    EXPECT_EQ(take(), ""); // no warnings
    sel = {};
    sel[0] = 1, sel[9] = 1; // a selected column beyond the table: nothing to plot, no window
    EXPECT_EQ(graphCol(table, sel, 100), kGraphImpossible);
    EXPECT_EQ(requests.size(), 1u);
}

TEST_F(ColumnGraphTest, ReadOutRowsAndTimesAtTheEdges) {
    // Rows cut from the start (numbers from 11): row number 110 is table row 99; times follow the
    // row numbers.
    fill(100, 1, rowValue, 11, 1);
    GraphData d;
    ASSERT_TRUE(collectGraphData(table, sel, 100, d));
    GraphReadOut r;
    graphClick(d, 300, 1900, r);
    EXPECT_EQ(r.xText, "Valore X= 11 (140523_124500)");
    graphClick(d, 2800, 1900, r);
    EXPECT_EQ(r.xText, "Valore X= 110 (140524_133000)");
    EXPECT_EQ(r.markedRow, 99);
    for (const auto& [x, y] : {std::pair{1500, 249}, {2801, 1000}}) { // above, right of the axis area
        graphClick(d, x, y, r);
        EXPECT_FALSE(r.shown);
        EXPECT_EQ(r.xText, "");
        EXPECT_EQ(r.markedRow, 99); // a click outside keeps the marked row
    }
}

// "+" eleven times stops at 11, twelve "-" at 1; the thickness outlives the graph.
TEST_F(ColumnGraphTest, PlusAndMinusChangeTheThicknessWithinOneToEleven) {
    fill(20, 2, rowValue, 1, 2);
    for (int i = 0; i < 23; ++i)
        rec->events.push_back({i < 11 ? '+' : '-', plot::pageToPixel(100, 100, pixels)});
    EXPECT_EQ(graphCol(table, sel, 20), -1);
    const std::vector<float> widths = curveWidths(20); // two curves in the picture and after each key
    ASSERT_EQ(widths.size(), 48u);
    EXPECT_EQ((std::array{widths[1], widths[23], widths[47]}),
              (std::array{plot::curveLineWidth(1), plot::curveLineWidth(11), plot::curveLineWidth(1)}));
    spessore = 4;
    rec->ops.clear();
    graphCol(table, sel, 20);
    EXPECT_EQ(curveWidths(20), (std::vector<float>{plot::curveLineWidth(4), plot::curveLineWidth(4)}));
}

} // namespace
