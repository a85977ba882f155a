// Plotting engine: axis systems, curves, colours and legends, observed through the recording device.
#include "plot/plot_test_support.h"

#include <cmath>

#include "plot/plot_colors.h"

using namespace plot;

namespace {

using Runs = std::vector<std::vector<std::pair<float, float>>>;

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
    // The lines one call to curve draws, rounded to 0.01.
    Runs draw(const std::vector<float>& x, const std::vector<float>& y) {
        const size_t from = rec->ops.size();
        curve(x, y, static_cast<int>(x.size()));
        Runs out;
        for (size_t i = from; i < rec->ops.size(); ++i) {
            if (rec->ops[i].kind != RecordedOp::Polyline) continue;
            out.emplace_back();
            for (PagePoint p : rec->ops[i].points)
                out.back().push_back({std::round(p.x * 100) / 100, std::round(p.y * 100) / 100});
        }
        return out;
    }
};

TEST_F(PlotAxes, CurvePointsMapLinearlyOntoTheAxisAreaAndAreClipped) {
    openSystem(0, 100, 0, 20, -10, 10, -10, 5);
    EXPECT_EQ(draw({0, 50, 100, 25}, {-10, 0, 10, 5}),
              (Runs{{{300, 1900}, {1550, 1150}, {2800, 400}, {925, 775}}}));
    EXPECT_EQ(take(), "");

    plotReset();
    openSystem(0, 10, 0, 2, 0, 10, 0, 2);
    const float nan = std::nanf("");
    // crossing the whole area: cut at both sides
    EXPECT_EQ(draw({-5, 15}, {5, 5}), (Runs{{{300, 1150}, {2800, 1150}}}));
    // leaving at the top and coming back: two runs
    EXPECT_EQ(draw({0, 5, 10}, {5, 15, 5}), (Runs{{{300, 1150}, {925, 400}}, {{2175, 400}, {2800, 1150}}}));
    EXPECT_EQ(draw({-5, -1}, {0, 10}), Runs{}); // wholly outside
    // a point that is not a number breaks the line; a point left alone is a short level dot
    EXPECT_EQ(draw({1, 2, 3, 4}, {1, nan, 3, 4}),
              (Runs{{{547.5, 1750}, {552.5, 1750}}, {{1050, 1450}, {1300, 1300}}}));
    thkcrv(5); // as long as a thick line is wide
    EXPECT_EQ(draw({1, 2, 3}, {nan, 3, nan}), (Runs{{{793.75, 1450}, {806.25, 1450}}}));
}

TEST_F(PlotAxes, ScalingProblemsAreReportedByGraf) {
    const std::tuple<double, double, double, double, const char*, std::vector<std::string>> cases[] = {
        {5, 5, 5, 1, " <<<< Warning  10: Begin and end of scaling are equal in GRAF!\n", {}},
        {0, 10, -3, 4, " <<<< Warning  12: Startlabel out of scaling in GRAF!\n", {"1", "5", "9"}},
        {10, 0, 10, -5, "", {"10", "5", "0"}}, // a falling axis
    };
    for (const auto& [xa, xe, xorg, xstep, warning, labels] : cases) {
        plotReset();
        rec->ops.clear();
        openWindow();
        labdig(-1, "x");
        setgrf("LABELS", "NONE", "NONE", "NONE");
        graf(xa, xe, xorg, xstep, 0, 10, 0, 5);
        EXPECT_EQ(take(), warning) << xa << " " << xe;
        EXPECT_EQ(texts(), labels) << xa << " " << xe;
        EXPECT_TRUE(xa != xe || draw({5, 5}, {0, 10}).empty()); // no usable x axis: no curves
    }
}

TEST_F(PlotAxes, LegendLinesAreCheckedAndDrawnWithEachCurvesColour) {
    openSystem(0, 10, 0, 2, 0, 10, 0, 2);
    chncrv("COLOR");
    clrcyc(1, 0);
    curve(std::vector<float>{0, 10}, std::vector<float>{1, 1}, 2);
    curve(std::vector<float>{0, 10}, std::vector<float>{1, 1}, 2);
    std::string buf;
    legini(buf, 3, 80);
    EXPECT_EQ(buf, std::string(240, ' '));
    leglin(buf, std::string(81, 'a'), 1);
    leglin(buf, "CH1: Temperatura (0.00 *C)", 1);
    leglin(buf, std::string(80, 'b'), 2);
    leglin(buf, "CH3", 3);
    leglin(buf, "x", 4);
    EXPECT_EQ(take(), " <<<< Warning  16: Too long string for legend line in LEGLIN!   (  81)\n"
                      " <<<< Warning   2: Incorrect parameter in LEGLIN!   (   4)\n");
    EXPECT_EQ(buf.substr(80, 80), std::string(80, 'b'));
    legpos(300, 50);
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
    EXPECT_EQ(samples[1]->colour, (Rgb{255, 0, 0}));
    ASSERT_EQ(words.size(), 4u);
    EXPECT_EQ(words[1]->text, "CH1: Temperatura (0.00 *C)"); // trailing blanks dropped
}

TEST(PlotColourValues, ExplicitColoursPackBlueGreenRedAndNearestTableEntries) {
    const std::tuple<double, double, double, int> cases[] = {
        {1.0, 1.0, 0.6, 0x0199FFFF},      // the light yellow of the graphs
        {1.0005, -0.0005, 0, 0x010000FF}, // inside the tolerance: clamped
        {1.2, 0, 0, -1},
    };
    for (const auto& [r, g, b, want] : cases) EXPECT_EQ(intrgb(r, g, b), want) << r << " " << g << " " << b;
    EXPECT_EQ(defaultColourTable()[static_cast<size_t>(indrgb(0.2, 0.4, 0.6))], (Rgb{51, 102, 153}));
    EXPECT_EQ(indrgb(1, 1, 1), 1); // white is also entry 255: the lowest index wins
    EXPECT_EQ(indrgb(0, 1.5, 0), -1);
}

TEST_F(PlotAxes, ColourCycleStartsAtItsFirstEntry) {
    openSystem(0, 10, 0, 1, 0, 10, 0, 1);
    const auto curveColours = [&](int n) { // the colour each of `n` curves is drawn in
        std::vector<Rgb> out;
        for (int i = 0; i < n; ++i) {
            draw({0, 10}, {1, 1});
            out.push_back(rec->ops.back().colour);
        }
        return out;
    };
    setclr(intrgb(0.7, 0.7, 0.7)); // the grid colour stays the current colour
    chncrv("COLOR");
    clrcyc(1, 0);
    const Rgb black{0, 0, 0}, white{255, 255, 255}, red{255, 0, 0}, green{0, 255, 0}, yellow{255, 255, 0},
        blue{0, 0, 255}, orange{255, 128, 0}, cyan{0, 255, 255}, magenta{255, 0, 255};
    EXPECT_EQ(curveColours(10),
              (std::vector<Rgb>{black, red, green, yellow, blue, orange, cyan, magenta, white, red}));
    chncrv("BOTH"); // the cycle wraps after 30 curves
    clrcyc(30, intrgb(0, 0, 0.5));
    resatt();
    std::vector<Rgb> c = curveColours(31);
    EXPECT_EQ(c[29], (Rgb{0, 0, 128}));
    EXPECT_EQ(c[30], black);
    clrcyc(31, 0);
    color("purple");
    setclr(0x02000000);
    EXPECT_EQ(take(), " <<<< Warning   2: Incorrect parameter in CLRCYC!   (  31)\n"
                      " <<<< Warning   2: Incorrect parameter in COLOR!   (purple)\n"
                      " <<<< Warning   2: Incorrect parameter in SETCLR!   (33554432)\n");
    color("orange");
    chncrv("NONE"); // every curve in the current colour
    EXPECT_EQ(curveColours(1), (std::vector<Rgb>{orange}));
}

} // namespace
