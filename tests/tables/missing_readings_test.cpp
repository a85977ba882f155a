// Missing readings ("Err", an empty cell) in the data table's arithmetic: the column graph breaks
// its curve there (in the recording window and in the metafile read back by libwmf), scales from
// the values present and says so in its read-out; the derived columns of an energy board count
// only the rows present; the marker texts keep their values.
#include <cmath>

#include "platform/ui_scripted.h"
#include "plot/plot_test_support.h"
#include "shell/korvane.h"
#include "table_test_support.h"
#include "tables/column_graph.h"

namespace {

using Strings = std::vector<std::string>;

// Pressure readings 1010..1016 hPa with a sensor that did not answer in rows 11..15 and 17..20:
// row 16 stands alone between two gaps.
std::string pressure(int row) {
    const int n = row + 1;
    if ((n >= 11 && n <= 15) || (n >= 17 && n <= 20)) return "Err";
    return std::to_string(1010 + row % 7);
}

class MissingInGraph : public PlotTest {
  protected:
    void SetUp() override {
        PlotTest::SetUp();
        resetState();
        installUi(&ui_);
        spessore = 1;
        DataTimeSS = "140523_101500";
        Tsample = 900;
        table.insertColumn(0, "Item");
        table.insertColumn(1, "Time");
        table.insertColumn(2, "T");
        table.insertColumn(3, "P (hPa)");
        for (int i = 0; i < 30; ++i)
            table.appendRow(Strings{std::to_string(i + 1), "t", i == 0 ? "_Irr_low" : "20.5", pressure(i)});
    }
    void TearDown() override {
        installUi(nullptr);
        resetState();
        PlotTest::TearDown();
    }
    // The lines of the second curve in the axis area (not the legend's sample line above it).
    std::vector<const plot::RecordedOp*> redCurves() const {
        std::vector<const plot::RecordedOp*> red = rec->polylinesIn({255, 0, 0});
        std::erase_if(red, [](const plot::RecordedOp* op) { return op->points[0].y < 283; });
        return red;
    }
    void select(std::initializer_list<int> cols) {
        sel = {};
        for (int c : cols) sel[static_cast<size_t>(c)] = 1, ++sel[0];
    }
    ScriptedUi ui_;
    TableModel table;
    ColumnSelection sel{};
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
    const std::vector<const plot::RecordedOp*> red = redCurves();
    ASSERT_EQ(red.size(), 3u);
    EXPECT_EQ((std::array{red[0]->points.size(), red[1]->points.size(), red[2]->points.size()}),
              (std::array<size_t, 3>{10, 2, 10}));
    const plot::RecordedOp& dot = *red[1];
    const double x16 = 300 + (16.0 - 1) / 29.0 * 2500;
    EXPECT_EQ(dot.points[0].y, dot.points[1].y);
    EXPECT_NEAR((dot.points[0].x + dot.points[1].x) / 2, x16, 0.01);
    EXPECT_NEAR(dot.points[1].x - dot.points[0].x, 5.0, 0.01); // 0.5 mm at thickness 1
    size_t full = 0;
    for (const plot::RecordedOp* op : rec->of(plot::RecordedOp::Polyline)) full += op->points.size() == 30;
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

class MissingInTable : public TableTest {};

// An energy board's day with missing power and irradiance readings (quantity codes: 17 power,
// 15 irradiance, 16 energy). Rows of 900 s; a day's energy counts the rows present; a row
// missing either input has no efficiency; until the day's first power reading the energy is
// missing too. The first row of 1 January follows the day's reset after its first value.
TEST_F(MissingInTable, DerivedColumnsCountOnlyTheRowsPresent) {
    Flag.MW51 = 1;
    Tsample = 900;
    DataTimeSS = "151231_230000"; // the fifth row is the first of 1 January
    setNode({15, 17, 15, 0, 16}, 10000);
    using Row = std::tuple<std::string, std::string, std::string>; // file row; efficiency, energy
    const Row rows[] = {
        {"Err Err Err 10.0", "Err", "Err"},         // nothing yet today
        {"Err 4.00 800.0 10.0", "50.0", "1.0"},     // 4 kW over 900 s
        {"Err Err 800.0 10.0", "Err", "1.0"},       // no power: nothing added, no efficiency
        {"Err 2.00 Err 10.0", "Err", "1.5"},        // no irradiance: the last one is not reused
        {"Err 8.00 100.0 10.0", "_Irr_low", "2.0"}, // new day: reset after the first value
        {"Err Err 600.0 10.0", "Err", "2.0"},       {"Err 4.00 600.0 10.0", "66.7", "3.0"},
    };
    std::string file = "Time[s]: 900\r\n\"I\" \"P\" \"I2\" \"E\" \r\n";
    for (const auto& [line, eff, energy] : rows) file += line + " \r\n";
    ASSERT_EQ(load(file, 7), 1);
    ASSERT_EQ(headersOf(table_).size(), 8u);
    for (int r = 0; r < 7; ++r) {
        const auto& [line, eff, energy] = rows[r];
        EXPECT_EQ((Strings{std::string(table_.cell(r, 6)), std::string(table_.cell(r, 7))}),
                  (Strings{eff, energy}))
            << line;
    }
    // The missing cells themselves stay as they were.
    EXPECT_EQ((Strings{std::string(table_.cell(0, 2)), std::string(table_.cell(0, 3))}),
              (Strings{"Err", "Err"}));
}

// The marker texts keep their values wherever cells are combined; "Err" and an empty cell are
// missing; export writes the markers' numbers and "Err".
TEST_F(MissingInTable, MarkersKeepTheirValuesAndMissingCellsStayMissing) {
    using Case = std::tuple<std::string, bool, double>; // cell; numeric, value (row 1 after 7.5)
    for (const auto& [text, numeric, value] :
         {Case{"_Irr_low", true, 100.0}, Case{"_Pnom_low", true, 0.0}, Case{"_other", true, 7.5},
          Case{"Err", false, 0.0}, Case{"", false, 0.0}, Case{"n/a", false, 0.0}}) {
        readCellNumber("7.5", 0);
        const CellNumber n = readCellNumber(text, 1);
        EXPECT_EQ(n.numeric, numeric) << text;
        if (numeric) {
            EXPECT_EQ(n.value, value) << text;
        }
        TableModel t;
        t.insertColumn(0, "Item");
        t.insertColumn(1, "Time");
        t.insertColumn(2, "A");
        t.appendRow(Strings{"1", "t", "7.5"});
        t.appendRow(Strings{"2", "t", text});
        int prec = 0;
        strLV_num(t, 0, 2, prec);
        const float f = strLV_num(t, 1, 2, prec);
        EXPECT_EQ(std::isnan(f), !numeric) << text;
        if (numeric) {
            EXPECT_EQ(f, static_cast<float>(value)) << text;
        }
    }
}

} // namespace
