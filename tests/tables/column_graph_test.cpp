// The column graph on the recording device: row range, values, scaling, the picture's layout,
// the read-out, the line thickness, saving, and the cases with nothing to plot.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
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
using plot::Rgb;

const Rgb kWhite{255, 255, 255}, kYellow{255, 255, 153}, kRed{255, 0, 0};

class ColumnGraphTest : public PlotTest {
  protected:
    void SetUp() override {
        PlotTest::SetUp();
        resetState();
        initTables();
        installUi(&ui_);
        spessore = 1;
        DataTimeSS = "140523_101500";
        Tsample = 900;
        FirstTimeMarkerDload = 0;
    }
    void TearDown() override {
        for (const auto& f : ui_.failures) ADD_FAILURE() << f;
        installUi(nullptr);
        resetState();
        initTables();
        spessore = 1;
        PlotTest::TearDown();
    }
    // `rows` rows numbered from `firstItem`; data column c (from 0) of row i holds value(i, c).
    void fill(int rows, int cols, const std::function<std::string(int, int)>& value, int firstItem = 1) {
        table.insertColumn(0, "Item");
        table.insertColumn(1, "Time");
        for (int c = 0; c < cols; ++c) table.insertColumn(2 + c, "CH" + std::to_string(c + 1));
        for (int i = 0; i < rows; ++i) {
            std::vector<std::string> cells{std::to_string(firstItem + i), "t"};
            for (int c = 0; c < cols; ++c) cells.push_back(value(i, c));
            table.appendRow(cells);
        }
    }
    void select(std::initializer_list<int> cols) {
        for (int c : cols) sel[static_cast<size_t>(c)] = 1, ++sel[0];
    }
    // A scripted event at the pixel holding page position (x, y).
    void event(int code, int x, int y) { rec->events.push_back({code, plot::pageToPixel(x, y, pixels)}); }
    // A scripted event at a pixel; returns the page position the graph reads there.
    std::pair<int, int> eventAtPixel(int code, int px, int py) {
        rec->events.push_back({code, {px, py}});
        int x = 0, y = 0;
        plot::pixelToPage({px, py}, pixels, x, y);
        return {x, y};
    }
    // Widths of the curves' polylines (those with one point a row), in drawing order.
    std::vector<float> curveWidths(size_t rows) const {
        std::vector<float> w;
        for (const RecordedOp* op : rec->of(RecordedOp::Polyline))
            if (op->points.size() == rows) w.push_back(op->width);
        return w;
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> t;
        for (const RecordedOp* op : rec->of(RecordedOp::Text)) t.push_back(op->text);
        return t;
    }
    // Texts drawn after the last filled rectangle at the read-out area.
    std::vector<std::string> readOutAfterLastClear() const {
        std::vector<std::string> t;
        for (const RecordedOp& op : rec->ops) {
            if (op.kind == RecordedOp::Fill && op.rect.x == 1500 && op.rect.y == 20) t.clear();
            if (op.kind == RecordedOp::Text) t.push_back(op.text);
        }
        return t;
    }

    ScriptedUi ui_;
    TableModel table;
    ColumnSelection sel{};
};

std::string rowValue(int i, int) {
    char b[32];
    std::snprintf(b, sizeof b, "%.2f", 2.1 + (7.3 - 2.1) * i / 99.0);
    return b;
}

TEST(ColumnGraphScale, WidensToWholeNumbersWithAboutFiveLabels) {
    struct Case {
        double min, max;
        int x0, x1;
        double ymin, ymax, dx, dy;
    } cases[] = {
        {2.1, 7.3, 1, 100, 1, 9, 20, 2},
        {-7.3, -2.1, 1, 100, -9, -1, 20, 2},
        {-2.1, 7.3, 10, 20, -3, 9, 2, 2},
        {0, 0, 1, 1, 0, 1, 1, 1}, // one row, flat: steps never below 1
        {150000, 160000, 1, 100, 135000, 176001, 20, 8200},
        // 10 x 1.1 x max passes any 32-bit integer here
        {2.5e8, 3.0e8, 1, 100000, 225000000, 330000001, 20000, 21000000},
        {-3.0e8, 2.5e8, 1, 100, -330000001, 275000001, 20, 121000000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.min << ".." << c.max);
        const GraphScale s = graphScale(c.min, c.max, c.x0, c.x1);
        EXPECT_EQ(s.ymin, c.ymin);
        EXPECT_EQ(s.ymax, c.ymax);
        EXPECT_EQ(s.dx, c.dx);
        EXPECT_EQ(s.dy, c.dy);
    }
    const GraphScale huge = graphScale(-FLT_MAX, FLT_MAX, 1, 2);
    EXPECT_TRUE(std::isfinite(huge.ymin) && std::isfinite(huge.ymax) && std::isfinite(huge.dy));
    EXPECT_LT(huge.ymin, -FLT_MAX);
    EXPECT_GT(huge.ymax, FLT_MAX);
}

TEST_F(ColumnGraphTest, RowRangeFollowsTheFirstAndLastSelectedRow) {
    struct Case {
        std::vector<int> selected; // table rows
        int firstItem;
        int x0, x1, first, n;
    } cases[] = {
        {{}, 1, 1, 100, 0, 100},
        {{9, 19}, 1, 10, 20, 9, 11},     // rows 10 and 20
        {{9, 14, 19}, 1, 10, 20, 9, 11}, // rows between do not matter
        {{9}, 1, 1, 100, 0, 100},        // one row: the whole table
        {{99}, 1, 1, 100, 0, 100},       // the last row alone
        {{98, 99}, 1, 99, 100, 98, 2},
        {{9, 19}, 41, 50, 60, 9, 11}, // rows cut at the start: numbers from 41
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "first item " << c.firstItem << ", " << c.selected.size() << " selected");
        table.clear();
        fill(100, 1, rowValue, c.firstItem);
        for (int r : c.selected) table.setRowSelected(r, true);
        const GraphRows g = graphRowRange(table, 100);
        EXPECT_EQ(g.x0, c.x0);
        EXPECT_EQ(g.x1, c.x1);
        EXPECT_EQ(g.first, c.first);
        EXPECT_EQ(g.n, c.n);
    }
    table.clearRowSelection();
    EXPECT_EQ(graphRowRange(table, 0).n, 0);
    EXPECT_EQ(graphRowRange(table, 500).n, 100); // never more than the table holds
}

TEST_F(ColumnGraphTest, CollectsTheSelectedRowsOfEachColumnWithMarkersAndExtremes) {
    fill(100, 3, [](int i, int c) {
        if (c == 0) return std::string(i == 12 ? "_Irr_low" : "5");
        if (c == 1) return std::to_string(150000 + i * 100);
        return std::string("Err");
    });
    table.setHeader(3, "CH2: T (0.00 \xB0"
                       "C)");
    table.setHeader(4, std::string(120, 'L'));
    table.setRowSelected(9, true);
    table.setRowSelected(19, true);
    select({2, 3, 4});
    GraphData d;
    ASSERT_TRUE(collectGraphData(table, sel, 100, d));
    EXPECT_EQ(d.columns, (std::vector<int>{2, 3, 4}));
    ASSERT_EQ(d.x.size(), 11u);
    EXPECT_EQ(d.x.front(), 10.0f);
    EXPECT_EQ(d.x.back(), 20.0f);
    EXPECT_EQ(d.y[0][3], 100.0f); // row 13: the low-irradiance marker
    EXPECT_EQ(d.y[0][2], 5.0f);
    EXPECT_EQ(d.y[1][0], 150900.0f);
    EXPECT_EQ(d.y[2][5], 0.0f); // no number
    EXPECT_EQ(d.minimum, 0.0f);
    EXPECT_EQ(d.maximum, 151900.0f);
    EXPECT_EQ(d.legend[0], "CH1");
    EXPECT_EQ(d.legend[1], "CH2: T (0.00 *C)");
    EXPECT_EQ(d.legend[2], std::string(80, 'L'));

    // A column wholly above 100000 keeps its own extremes.
    ColumnSelection high{};
    high[0] = 1, high[3] = 1;
    ASSERT_TRUE(collectGraphData(table, high, 100, d));
    EXPECT_EQ(d.minimum, 150900.0f);
    EXPECT_EQ(d.scale.ymin, 135810);
    EXPECT_EQ(d.scale.ymax, 167091);
}

TEST_F(ColumnGraphTest, NothingToPlotOpensNoWindow) {
    fill(10, 2, rowValue);
    struct Case {
        const char* what;
        std::function<void()> setUp;
        int nitem;
    } cases[] = {
        {"no column", [] {}, 10},
        {"no row", [this] { select({2}); }, 0},
        {"count without a column", [this] { sel[0] = 1; }, 10},
        {"selected column beyond the table", [this] { sel[0] = 1, sel[7] = 1; }, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sel = {};
        c.setUp();
        EXPECT_EQ(graphCol(table, sel, c.nitem), kGraphImpossible);
    }
    EXPECT_TRUE(requests.empty());
    EXPECT_EQ(take(), "");
}

TEST_F(ColumnGraphTest, FiveColumnsShrinkTheAxisSystemBelowTheirLegend) {
    fill(100, 5, rowValue);
    select({2, 3, 4, 5, 6});
    EXPECT_EQ(graphCol(table, sel, 100), -1); // closed without a click
    ASSERT_EQ(requests.size(), 1u);
    const plot::ScreenMetrics m = plot::screenMetrics();
    const int w = m.width * 2 / 3, h = w * 2100 / 2970;
    EXPECT_EQ(requests[0].window.w, w);
    EXPECT_EQ(requests[0].window.h, h);
    EXPECT_EQ(requests[0].window.x, (m.width - w) / 2);
    EXPECT_EQ(requests[0].window.y, (m.height - h) / 2);
    bool axisArea = false;
    for (const RecordedOp* op : rec->of(RecordedOp::Fill))
        axisArea |= op->colour == kWhite && op->rect.x == 300 && op->rect.y == 382 && op->rect.w == 2500 &&
                    op->rect.h == 1518;
    EXPECT_TRUE(axisArea);
    const auto titles = rec->of(RecordedOp::Title);
    ASSERT_FALSE(titles.empty());
    EXPECT_EQ(titles[0]->text,
              "Anteprima grafico (tasto sx mouse per visualizzare x-y, f per salvare grafico "
              "su file, Esc o tasto dx mouse per uscire)");
    const auto t = texts();
    for (const char* s : {"Legenda grafico", "CH1", "CH5", "Item"})
        EXPECT_NE(std::find(t.begin(), t.end(), s), t.end()) << s;
    EXPECT_EQ(take(), ""); // no warnings
}

TEST_F(ColumnGraphTest, ClicksReadValueAndRowAndAClickOutsideClearsTheReadOut) {
    fill(100, 1, rowValue);
    select({2});
    // k = 1: the axis area spans y 250..1900 for 9..1 and x 300..2800 for rows 1..100; a pixel is
    // 2.5 page units square.
    const auto [mx, my] = eventAtPixel(5, 610, 430);  // near the middle: row 49.56
    const auto [cx, cy] = eventAtPixel(5, 1119, 100); // next to the upper right corner: row 100
    ASSERT_GE(cy, 250);
    ASSERT_LE(cx, 2800);
    event(5, 290, 1075); // left of the axes
    EXPECT_EQ(graphCol(table, sel, 100), 99);
    std::vector<std::string> readOut;
    for (const std::string& s : texts())
        if (s.rfind("Valore", 0) == 0 || s == "x") readOut.push_back(s);
    ASSERT_EQ(readOut.size(), 6u);
    char want[64];
    std::snprintf(want, sizeof want, "Valore Y= %.2f", 9 - (my - 250) * 8.0 / 1650);
    EXPECT_EQ(readOut[0], want);
    EXPECT_NEAR(std::atof(readOut[0].c_str() + 10), 5.0, 0.01);
    EXPECT_EQ(readOut[1], "Valore X= 50 (140523_223000)"); // 49 quarters of an hour later
    EXPECT_EQ(readOut[2], "x");
    std::snprintf(want, sizeof want, "Valore Y= %.2f", 9 - (cy - 250) * 8.0 / 1650);
    EXPECT_EQ(readOut[3], want);
    EXPECT_EQ(readOut[4], "Valore X= 100 (140524_110000)");
    (void)mx;
    EXPECT_EQ(readOutAfterLastClear(), std::vector<std::string>{});
    EXPECT_EQ(take(), "");
}

TEST_F(ColumnGraphTest, ReadOutRowsAndTimesAtTheEdges) {
    fill(100, 1, rowValue);
    struct Case {
        int x, y;
        int row; // -1: no read-out
        const char* xText;
    } cases[] = {
        {300, 1900, 0, "Valore X= 1 (140523_101500)"},
        {2800, 1900, 99, "Valore X= 100 (140524_110000)"},
        {1500, 249, -1, nullptr},  // above the axis area (below the legend)
        {2801, 1000, -1, nullptr}, // right of it
        {1500, 1901, -1, nullptr}, // below it
    };
    GraphData d;
    select({2});
    ASSERT_TRUE(collectGraphData(table, sel, 100, d));
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
        GraphReadOut r;
        r.shown = true, r.yText = "old", r.markedRow = 7;
        graphClick(d, c.x, c.y, r);
        EXPECT_EQ(r.shown, c.row >= 0);
        EXPECT_EQ(r.markedRow, c.row >= 0 ? c.row : 7); // a click outside keeps the marked row
        if (c.xText) {
            EXPECT_EQ(r.xText, c.xText);
            EXPECT_EQ(r.markX, c.x - 13);
            EXPECT_EQ(r.markY, c.y - 22);
        } else {
            EXPECT_EQ(r.yText, "");
        }
    }
    // Rows cut from the start: row number 60 is table row 50.
    table.clear();
    sel = {};
    fill(50, 1, rowValue, 11);
    select({2});
    ASSERT_TRUE(collectGraphData(table, sel, 50, d));
    GraphReadOut r;
    graphClick(d, 2800, 1000, r);
    EXPECT_EQ(r.xText, "Valore X= 60 (140524_010000)");
    EXPECT_EQ(r.markedRow, 49);
}

TEST_F(ColumnGraphTest, PlusAndMinusChangeTheThicknessWithinOneToEleven) {
    fill(20, 2, rowValue);
    select({2, 3});
    for (int i = 0; i < 11; ++i) event('+', 100, 100);
    EXPECT_EQ(graphCol(table, sel, 20), -1);
    EXPECT_EQ(spessore, 11);
    std::vector<float> widths = curveWidths(20);
    ASSERT_EQ(widths.size(), 24u); // two curves in the picture and after each key
    EXPECT_EQ(widths[0], plot::curveLineWidth(1));
    EXPECT_EQ(widths[2], plot::curveLineWidth(2));
    EXPECT_EQ(widths.back(), plot::curveLineWidth(11));

    rec->ops.clear();
    for (int i = 0; i < 12; ++i) event('-', 100, 100);
    graphCol(table, sel, 20);
    EXPECT_EQ(spessore, 1);
    EXPECT_EQ(curveWidths(20).back(), plot::curveLineWidth(1));
    // The thickness outlives the graph: the next one starts with it.
    spessore = 4;
    rec->ops.clear();
    graphCol(table, sel, 20);
    EXPECT_EQ(curveWidths(20), (std::vector<float>{plot::curveLineWidth(4), plot::curveLineWidth(4)}));
    EXPECT_EQ(take(), "");
}

TEST_F(ColumnGraphTest, SaveWritesThePictureWithTheReadOutAndReopensTheWindow) {
    fill(100, 2, rowValue);
    select({2, 3});
    const std::string svg = path("graph.svg");
    ui_.filePath(svg);
    ui_.fileCancel();
    eventAtPixel(5, 1119, 115); // next to the upper right corner of the axis area (k = 2)
    event('f', 100, 100);
    event('f', 100, 100); // cancelled: only the screen again
    EXPECT_EQ(graphCol(table, sel, 100), 99);
    EXPECT_EQ(requests.size(), 3u); // the window again after each "f"
    ASSERT_EQ(ui_.fileBoxes.size(), 2u);
    EXPECT_EQ(ui_.fileBoxes[0].filter.rfind("Immagine grafico (*.wmf)", 0), 0u);
    EXPECT_EQ(ui_.fileBoxes[0].defaultExt, "wmf");
    EXPECT_TRUE(ui_.fileBoxes[0].askOverwrite);
    const std::string doc = readAll(svg);
    ASSERT_FALSE(doc.empty());
    EXPECT_NE(doc.find("Valore X= 100 (140524_110000)"), std::string::npos);
    EXPECT_NE(doc.find("Legenda grafico"), std::string::npos);
    // The reopened window shows the read-out again.
    EXPECT_EQ(readOutAfterLastClear().size(), 3u);
    EXPECT_EQ(take(), "");
}

TEST_F(ColumnGraphTest, FileDeviceFollowsTheExtension) {
    struct Case {
        const char* path;
        plot::PlotOutput out;
    } cases[] = {{"a.wmf", plot::PlotOutput::Wmf},
                 {"a.SVG", plot::PlotOutput::Svg},
                 {"dir.png/a.png", plot::PlotOutput::Png},
                 {"a", plot::PlotOutput::Wmf},
                 {"a.svg.wmf", plot::PlotOutput::Wmf}};
    for (const Case& c : cases) EXPECT_EQ(graphFileOutput(c.path), c.out) << c.path;
}

TEST_F(ColumnGraphTest, MetafileOfTheGraphReadsBackThroughLibwmf) {
    fill(100, 2, [](int i, int c) { return std::to_string(c == 0 ? 400000 + i * 1000 : -i); });
    select({2, 3});
    GraphData d;
    ASSERT_TRUE(collectGraphData(table, sel, 100, d));
    ASSERT_TRUE(writeGraphFile(d, path("g.wmf")));
    EXPECT_TRUE(wmfConvert(path("g.wmf"), path("g.svg"), "svg"));
    EXPECT_FALSE(writeGraphFile(d, path("missing/g.wmf")));
    take();
}

} // namespace
