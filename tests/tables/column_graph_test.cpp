// The column graph on the recording device: row range, values, scaling, the picture's layout,
// the read-out, the line thickness, the cases with nothing to plot, and missing readings (curves
// broken at them, also in the metafile read back by libwmf). Clicks, saving and the
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

// Pressure readings 1010..1016 hPa with a sensor that did not answer in rows 11..15 and 17..20:
// row 16 stands alone between two gaps.
std::string pressure(int row) {
    const int n = row + 1;
    if ((n >= 11 && n <= 15) || (n >= 17 && n <= 20)) return "Err";
    return std::to_string(1010 + row % 7);
}

// A column of pressure readings with gaps next to a column holding a marker in row 1.
class MissingInGraph : public ColumnGraphTest {
  protected:
    void SetUp() override {
        ColumnGraphTest::SetUp();
        fill(30, 2, [](int i, int c) { return c == 1 ? pressure(i) : i == 0 ? "_Irr_low" : "20.5"; });
    }
    // The lines of the second curve in the axis area (not the legend's sample line above it).
    std::vector<const RecordedOp*> redCurves() const {
        std::vector<const RecordedOp*> red = rec->polylinesIn({255, 0, 0});
        std::erase_if(red, [](const RecordedOp* op) { return op->points[0].y < 283; });
        return red;
    }
    void select(std::initializer_list<int> cols) {
        sel = {};
        for (int c : cols) sel[static_cast<size_t>(c)] = 1, ++sel[0];
    }
};

TEST_F(MissingInGraph, ValuesAreNanAndTheScaleComesFromTheValuesPresent) {
    select({3});
    GraphData d;
    ASSERT_TRUE(collectGraphData(table, sel, 30, d));
    for (int i = 0; i < 30; ++i)
        EXPECT_EQ(std::isnan(d.y[0][static_cast<size_t>(i)]), pressure(i) == "Err") << i;
    EXPECT_EQ((std::array{d.minimum, d.maximum}), (std::array{1010.0f, 1016.0f}));
    EXPECT_EQ((std::array{d.scale.ymin, d.scale.ymax}), (std::array{909.0, 1118.0})); // not down to 0

    // A column with no reading at all: an axis system from 0 to 1 and no curve, no warning.
    for (int i = 0; i < 30; ++i) table.setCell(i, 3, "Err");
    ASSERT_TRUE(collectGraphData(table, sel, 30, d));
    select({2, 3}); // the second (red) curve draws nothing
    EXPECT_EQ((std::array{d.scale.ymin, d.scale.ymax}), (std::array{0.0, 1.0}));
    EXPECT_EQ(graphCol(table, sel, 30), -1);
    EXPECT_TRUE(redCurves().empty());
    EXPECT_EQ(take(), "");
}

// On the screen: the red curve (the second column) is three lines, the lone row a short level
// dot around its x; the first column (a marker in row 1) is one unbroken line.
TEST_F(MissingInGraph, TheCurveBreaksAtMissingRowsAndALoneValueIsADot) {
    select({2, 3});
    EXPECT_EQ(graphCol(table, sel, 30), -1);
    const std::vector<const RecordedOp*> red = redCurves();
    ASSERT_EQ(red.size(), 3u);
    EXPECT_EQ((std::array{red[0]->points.size(), red[1]->points.size(), red[2]->points.size()}),
              (std::array<size_t, 3>{10, 2, 10}));
    const RecordedOp& dot = *red[1];
    const double x16 = 300 + (16.0 - 1) / 29.0 * 2500;
    EXPECT_EQ(dot.points[0].y, dot.points[1].y);
    EXPECT_NEAR((dot.points[0].x + dot.points[1].x) / 2, x16, 0.01);
    EXPECT_NEAR(dot.points[1].x - dot.points[0].x, 5.0, 0.01); // 0.5 mm at thickness 1
    size_t full = 0;
    for (const RecordedOp* op : rec->of(RecordedOp::Polyline)) full += op->points.size() == 30;
    EXPECT_EQ(full, 1u);
    EXPECT_EQ(take(), "");
}

TEST_F(MissingInGraph, TheReadOutSaysWhenTheRowHasNoReading) {
    select({3});
    GraphData d;
    ASSERT_TRUE(collectGraphData(table, sel, 30, d));
    GraphReadOut r;
    const auto xOf = [](int row) { return static_cast<int>(std::lround(300 + (row - 1) / 29.0 * 2500)); };
    graphClick(d, xOf(12), 1000, r);
    EXPECT_EQ(r.yText, "Valore Y= valore mancante");
    EXPECT_EQ(r.xText, "Valore X= 12 (140523_130000)");
    EXPECT_EQ(r.markedRow, 11); // the row is still marked for the table
    graphClick(d, xOf(16), 1000, r);
    EXPECT_EQ(r.yText.rfind("Valore Y= ", 0), 0u);
    EXPECT_EQ(r.yText.find("mancante"), std::string::npos);
    select({2, 3});
    ASSERT_TRUE(collectGraphData(table, sel, 30, d));
    graphClick(d, xOf(12), 1000, r);
    EXPECT_NE(r.yText.find(" (1 di 2 curve senza valore)"), std::string::npos) << r.yText;
}

// The metafile read back by libwmf: the red curve comes out as three polylines with the gaps
// between them and every point at its value.
TEST_F(MissingInGraph, TheMetafileHoldsSeparatePolylines) {
    select({2, 3});
    GraphData d;
    ASSERT_TRUE(collectGraphData(table, sel, 30, d));
    ASSERT_TRUE(writeGraphFile(d, path("g.wmf")));
    ASSERT_TRUE(wmfConvert(path("g.wmf"), path("g.svg"), "svg", plot::kPageWidth, plot::kPageHeight));
    const std::string svg = readAll(path("g.svg"));
    const size_t page = svg.find("<rect ");
    ASSERT_NE(page, std::string::npos);
    const double scale = std::stod(svgAttribute(svg, page, "width")) / plot::kPageWidth;
    const double x0 = std::stod(svgAttribute(svg, page, "x")), y0 = std::stod(svgAttribute(svg, page, "y"));
    std::vector<std::vector<double>> lines; // page x of the points of each red polyline
    for (size_t at = svg.find("<polyline "); at != std::string::npos; at = svg.find("<polyline ", at + 1)) {
        if (svgAttribute(svg, at, "style").find("stroke:red") == std::string::npos) continue;
        const std::vector<double> v = numbers(svgAttribute(svg, at, "points"));
        if (v.size() < 2 || (v[1] - y0) / scale < 283) continue; // the legend's sample line
        lines.emplace_back();
        for (size_t i = 0; i + 1 < v.size(); i += 2) lines.back().push_back((v[i] - x0) / scale);
    }
    ASSERT_EQ(lines.size(), 3u);
    const auto rowX = [](double row) { return 300 + (row - 1) / 29.0 * 2500; };
    EXPECT_EQ(lines[0].size(), 10u);
    EXPECT_NEAR(lines[0].back(), rowX(10), 1.5);
    EXPECT_NEAR((lines[1].front() + lines[1].back()) / 2, rowX(16), 1.5);
    EXPECT_EQ(lines[2].size(), 10u);
    EXPECT_NEAR(lines[2].front(), rowX(21), 1.5);
}

} // namespace
