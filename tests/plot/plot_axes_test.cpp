// Plotting engine: axis systems, labels, grids, curves, texts and legends, observed through the
// recording device.
#include "plot/plot_test_support.h"

#include <cmath>

using namespace plot;

namespace {

class PlotAxes : public PlotTest {
  protected:
    // The column graph's axis system: lower left (300, 1900), 2500 x 1500.
    void openSystem(double xa, double xe, double xorg, double xstep, double ya, double ye, double yorg,
                    double ystep) {
        openWindow();
        axspos(300, 1900);
        axslen(2500, 1500);
        graf(xa, xe, xorg, xstep, ya, ye, yorg, ystep);
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (auto* op : rec->of(RecordedOp::Text)) out.push_back(op->text);
        return out;
    }
    // Straight lines drawn from (x0, y0) to (x1, y1) with every coordinate matching `pick`.
    template <class Pick> size_t countLines(Pick pick) const {
        size_t n = 0;
        for (auto* op : rec->of(RecordedOp::Polyline))
            if (op->points.size() == 2 && pick(op->points[0], op->points[1])) ++n;
        return n;
    }
    std::vector<std::vector<PagePoint>> curvesSince(size_t from) const {
        std::vector<std::vector<PagePoint>> out;
        for (size_t i = from; i < rec->ops.size(); ++i)
            if (rec->ops[i].kind == RecordedOp::Polyline) out.push_back(rec->ops[i].points);
        return out;
    }
};

::testing::AssertionResult near(PagePoint p, double x, double y) {
    if (std::fabs(p.x - x) < 0.01 && std::fabs(p.y - y) < 0.01) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "(" << p.x << ", " << p.y << ") is not (" << x << ", " << y << ")";
}

TEST_F(PlotAxes, CurvePointsMapLinearlyOntoTheAxisArea) {
    openSystem(0, 100, 0, 20, -10, 10, -10, 5);
    const size_t from = rec->ops.size();
    const float x[] = {0, 50, 100, 25}, y[] = {-10, 0, 10, 5};
    curve(x, y, 4);
    auto runs = curvesSince(from);
    ASSERT_EQ(runs.size(), 1u);
    ASSERT_EQ(runs[0].size(), 4u);
    EXPECT_TRUE(near(runs[0][0], 300, 1900));
    EXPECT_TRUE(near(runs[0][1], 1550, 1150));
    EXPECT_TRUE(near(runs[0][2], 2800, 400));
    EXPECT_TRUE(near(runs[0][3], 925, 775));
    EXPECT_EQ(take(), "");
}

TEST_F(PlotAxes, CurvesAreClippedToTheAxisArea) {
    openSystem(0, 10, 0, 2, 0, 10, 0, 2);
    struct Case {
        std::vector<float> x, y;
        std::vector<std::vector<std::pair<float, float>>> runs;
    };
    const float nan = std::nanf("");
    const Case cases[] = {
        // crossing the whole area: cut at both sides
        {{-5, 15}, {5, 5}, {{{300, 1150}, {2800, 1150}}}},
        // leaving at the top and coming back: two runs
        {{0, 5, 10}, {5, 15, 5}, {{{300, 1150}, {925, 400}}, {{2175, 400}, {2800, 1150}}}},
        // wholly outside: nothing
        {{-5, -1}, {0, 10}, {}},
        // a point that is not a number breaks the line
        {{1, 2, 3, 4}, {1, nan, 3, 4}, {{{1050, 1450}, {1300, 1300}}}},
    };
    for (const Case& c : cases) {
        const size_t from = rec->ops.size();
        curve(c.x, c.y, static_cast<int>(c.x.size()));
        auto runs = curvesSince(from);
        ASSERT_EQ(runs.size(), c.runs.size()) << c.x[0];
        for (size_t r = 0; r < runs.size(); ++r) {
            ASSERT_EQ(runs[r].size(), c.runs[r].size());
            for (size_t i = 0; i < runs[r].size(); ++i)
                EXPECT_TRUE(near(runs[r][i], c.runs[r][i].first, c.runs[r][i].second)) << r << " " << i;
        }
    }
}

TEST_F(PlotAxes, CurveChecksItsPointCountAgainstTheArrays) {
    openSystem(0, 10, 0, 2, 0, 10, 0, 2);
    const float x[3] = {1, 2, 3}, y[2] = {1, 2};
    curve(x, y, 3); // more than y holds
    curve(x, y, 0);
    EXPECT_EQ(take(), " <<<< Warning  30: Incorrect number of points in CURVE!   (   3)\n"
                      " <<<< Warning  30: Incorrect number of points in CURVE!   (   0)\n");
    thkcrv(3);
    thkcrv(0);
    const size_t from = rec->ops.size();
    curve(x, y, 2);
    ASSERT_EQ(curvesSince(from).size(), 1u);
    EXPECT_FLOAT_EQ(rec->ops.back().width, curveLineWidth(3));
    EXPECT_EQ(take(), " <<<< Warning   2: Incorrect parameter in THKCRV!   (   0)\n");
}

TEST_F(PlotAxes, ScalingProblemsAreReportedByGraf) {
    struct Case {
        double xa, xe, xorg, xstep;
        const char* warning;
        std::vector<std::string> xLabels;
    };
    const Case cases[] = {
        {5, 5, 5, 1, " <<<< Warning  10: Begin and end of scaling are equal in GRAF!\n", {}},
        {0, 10, 0, 0, " <<<< Warning   9: Step equal zero in GRAF!\n", {}},
        {0, 10, 0, -2, " <<<< Warning  50: Incorrect sign for step in GRAF!\n", {}},
        {0, 10, -3, 4, " <<<< Warning  12: Startlabel out of scaling in GRAF!\n", {"1", "5", "9"}},
        {10, 0, 10, -5, "", {"10", "5", "0"}}, // a falling axis
    };
    for (const Case& c : cases) {
        plotReset();
        rec->ops.clear();
        openWindow();
        labdig(-1, "x");
        setgrf("LABELS", "NONE", "NONE", "NONE");
        graf(c.xa, c.xe, c.xorg, c.xstep, 0, 10, 0, 5);
        EXPECT_EQ(take(), c.warning) << c.xa << " " << c.xe;
        EXPECT_EQ(plotLevel(), 2);
        EXPECT_EQ(texts(), c.xLabels) << c.xa << " " << c.xe;
    }
    // No usable x axis: curves draw nothing.
    plotReset();
    rec->ops.clear();
    openWindow();
    graf(5, 5, 5, 1, 0, 10, 0, 5);
    take();
    const size_t from = rec->ops.size();
    const float x[2] = {5, 5}, y[2] = {0, 10};
    curve(x, y, 2);
    EXPECT_TRUE(curvesSince(from).empty());
}

TEST_F(PlotAxes, AxisSystemLeavingThePageIsReported) {
    openWindow();
    axspos(300, 1900);
    axslen(2800, 2000);
    axslen(1, 100);
    axspos(3000, 100);
    graf(0, 1, 0, 1, 0, 1, 0, 1);
    EXPECT_EQ(take(), " <<<< Warning   2: Incorrect parameter in AXSLEN!   (   1)\n"
                      " <<<< Warning   2: Incorrect parameter in AXSPOS!   (3000)\n"
                      " <<<< Warning   4: X coordinate out of page in GRAF!   (3100)\n"
                      " <<<< Warning   5: Y coordinate out of page in GRAF!   (-100)\n");
}

TEST_F(PlotAxes, LabelsTicksAndTitles) {
    openWindow();
    axspos(300, 1900);
    axslen(2500, 1500);
    name("Item", "x");
    name("Valore", "Y");
    hname(50);
    labdig(-1, "x");
    labdig(0, "y");
    ticks(10, "x");
    ticks(1, "y");
    setgrf("NAME", "NAME", "LINE", "NONE");
    graf(1, 100, 1, 20, 0, 10, 0, 2.5);
    EXPECT_EQ(texts(), (std::vector<std::string>{"1", "21", "41", "61", "81", "Item", "0.", "2.", "5.", "8.",
                                                 "10.", "Valore"}));
    auto t = rec->of(RecordedOp::Text);
    // x labels centred under their value, y labels right-aligned left of the axis
    EXPECT_EQ(t[1]->style.anchor, TextAnchor::Centre);
    EXPECT_NEAR(t[1]->at.x, 300 + 20.0 / 99 * 2500, 0.01);
    EXPECT_GT(t[1]->at.y, 1900);
    EXPECT_EQ(t[6]->style.anchor, TextAnchor::Right);
    EXPECT_LT(t[6]->at.x, 300);
    EXPECT_FLOAT_EQ(t[5]->style.em, 50 * kEmPerHeight); // titles at hname
    EXPECT_EQ(t[11]->style.angle, 90);                  // the y title runs upward

    // Ticks below the x axis: every 2 from 1 to 99, the labelled ones longer.
    EXPECT_EQ(countLines([](PagePoint a, PagePoint b) { return a.y == 1900 && b.y > 1900 && a.x == b.x; }),
              50u);
    EXPECT_EQ(countLines([](PagePoint a, PagePoint b) { return a.y == 1900 && b.y > 1912 && a.x == b.x; }),
              5u);
    // One tick per y label, left of the axis; the upper axis is a bare line, the right one absent.
    EXPECT_EQ(countLines([](PagePoint a, PagePoint b) { return a.x == 300 && b.x < 300 && a.y == b.y; }), 5u);
    EXPECT_EQ(countLines([](PagePoint a, PagePoint b) { return a.y == 400 && b.y == 400 && b.x == 2800; }),
              1u);
    EXPECT_EQ(countLines([](PagePoint a, PagePoint b) { return a.x == 2800 && b.x == 2800; }), 0u);
}

TEST_F(PlotAxes, GridLinesFallBetweenTheFrameLines) {
    openSystem(0, 10, 0, 2, 0, 10, 0, 5);
    const std::tuple<int, int, size_t, size_t> cases[] = {
        {1, 1, 4, 1}, {2, 1, 9, 1}, {1, 2, 4, 3}, {0, 0, 0, 0}};
    for (const auto& [nx, ny, vertical, horizontal] : cases) {
        const size_t from = rec->ops.size();
        grid(nx, ny);
        size_t v = 0, h = 0;
        for (const auto& run : curvesSince(from)) {
            ASSERT_EQ(run.size(), 2u);
            if (run[0].x == run[1].x) {
                EXPECT_GT(run[0].x, 300);
                EXPECT_LT(run[0].x, 2800);
                ++v;
            } else {
                EXPECT_GT(run[0].y, 400);
                EXPECT_LT(run[0].y, 1900);
                ++h;
            }
        }
        EXPECT_EQ(v, vertical) << nx << " " << ny;
        EXPECT_EQ(h, horizontal) << nx << " " << ny;
    }
    grid(-1, 1);
    EXPECT_EQ(take(), " <<<< Warning   2: Incorrect parameter in GRID!   (  -1)\n");
}

TEST_F(PlotAxes, LegendLinesAreCheckedAndStoredInTheCallersBuffer) {
    openSystem(0, 10, 0, 2, 0, 10, 0, 2);
    std::string buf;
    leglin(buf, "too early", 1);
    legtit("too early");
    legini(buf, 2, 80);
    EXPECT_EQ(buf, std::string(160, ' '));
    leglin(buf, std::string(81, 'a'), 1);
    leglin(buf, std::string(80, 'b'), 2);
    leglin(buf, "x", 3);
    legini(buf, 31, 80);
    legini(buf, 2, 81);
    EXPECT_EQ(take(), " <<<< Warning  15: No call to legini before in LEGLIN!\n"
                      " <<<< Warning  15: No call to legini before in LEGTIT!\n"
                      " <<<< Warning  16: Too long string for legend line in LEGLIN!   (  81)\n"
                      " <<<< Warning   2: Incorrect parameter in LEGLIN!   (   3)\n"
                      " <<<< Warning   2: Incorrect parameter in LEGINI!   (  31)\n"
                      " <<<< Warning   2: Incorrect parameter in LEGINI!   (  81)\n");
    EXPECT_EQ(buf.substr(0, 80), std::string(80, ' ')); // the long line was not stored
    EXPECT_EQ(buf.substr(80), std::string(80, 'b'));
}

TEST_F(PlotAxes, LegendShowsEachCurvesColourAndThickness) {
    openSystem(0, 10, 0, 2, 0, 10, 0, 2);
    chncrv("COLOR");
    clrcyc(1, 0);
    thkcrv(4);
    const float x[2] = {0, 10}, y[2] = {1, 1};
    curve(x, y, 2);
    curve(x, y, 2);
    std::string buf;
    height(22);
    setclr(intrgb(0, 0, 0));
    legini(buf, 3, 80);
    legpos(300, 50);
    leglin(buf, "CH1: Temperatura (0.00 *C)", 1);
    leglin(buf, "CH2", 2);
    leglin(buf, "CH3", 3);
    legtit("Legenda grafico");
    const size_t from = rec->ops.size();
    legend(buf, 1);
    EXPECT_EQ(take(), " <<<< Warning  42: More legend lines than calls to curve in LEGEND!\n");

    std::vector<const RecordedOp*> samples, words;
    for (size_t i = from; i < rec->ops.size(); ++i) {
        if (rec->ops[i].kind == RecordedOp::Polyline) samples.push_back(&rec->ops[i]);
        if (rec->ops[i].kind == RecordedOp::Text) words.push_back(&rec->ops[i]);
    }
    ASSERT_EQ(samples.size(), 2u); // the third line has no curve
    EXPECT_EQ(samples[0]->colour, (Rgb{0, 0, 0}));
    EXPECT_EQ(samples[1]->colour, (Rgb{255, 0, 0}));
    EXPECT_FLOAT_EQ(samples[1]->width, curveLineWidth(4));
    ASSERT_EQ(words.size(), 4u);
    EXPECT_EQ(words[0]->text, "Legenda grafico");
    EXPECT_EQ(words[1]->text, "CH1: Temperatura (0.00 *C)"); // trailing blanks dropped
    EXPECT_EQ(words[0]->at.x, 300);
    EXPECT_EQ(words[0]->at.y, 50);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_FLOAT_EQ(words[static_cast<size_t>(i)]->at.y, 50 + 33 * i); // 1.5 heights per line
        EXPECT_EQ(words[static_cast<size_t>(i)]->colour, (Rgb{0, 0, 0}));
        EXPECT_FLOAT_EQ(words[static_cast<size_t>(i)]->style.em, 22 * kEmPerHeight);
    }
}

} // namespace
