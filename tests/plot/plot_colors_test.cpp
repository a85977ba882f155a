// Plotting engine: colour values, the colour table, named colours and the curve colour cycle.
#include "plot/plot_test_support.h"

#include "plot/plot_colors.h"

using namespace plot;

namespace {

class PlotColours : public PlotTest {
  protected:
    // Draws `n` horizontal curves and returns the colour each was drawn in.
    std::vector<Rgb> curveColours(int n) {
        std::vector<Rgb> out;
        for (int i = 0; i < n; ++i) {
            const float x[2] = {0, 10}, y[2] = {static_cast<float>(i % 10), static_cast<float>(i % 10)};
            const size_t before = rec->ops.size();
            curve(x, y, 2);
            for (size_t k = before; k < rec->ops.size(); ++k)
                if (rec->ops[k].kind == RecordedOp::Polyline) out.push_back(rec->ops[k].colour);
        }
        return out;
    }
};

TEST(PlotColourValues, ExplicitColoursPackBlueGreenRed) {
    const std::tuple<double, double, double, int> cases[] = {
        {1.0, 1.0, 0.6, 0x0199FFFF}, // the light yellow of the graphs
        {0, 0, 0, 0x01000000},
        {1, 0, 0, 0x010000FF},
        {0, 0, 1, 0x01FF0000},
        {0.5, 0.5, 0.5, 0x01808080}, // 127.5 + 0.5 truncated
        {0.7, 0.7, 0.7, 0x01B3B3B3},
        {1.0005, -0.0005, 0, 0x010000FF}, // inside the tolerance: clamped
        {1.2, 0, 0, -1},
        {0, -0.01, 0, -1},
        {0, 0, 1.002, -1},
    };
    for (const auto& [r, g, b, want] : cases) EXPECT_EQ(intrgb(r, g, b), want) << r << " " << g << " " << b;
}

TEST(PlotColourValues, NearestTableEntryByAbsoluteDifferences) {
    const auto& table = defaultColourTable();
    EXPECT_EQ(table[0], (Rgb{0, 0, 0})); // the first curve colour: contrasts with light yellow
    const std::tuple<double, double, double, Rgb> cases[] = {
        {0.5, 0.5, 0.5, Rgb{128, 128, 128}}, {0, 0, 0, Rgb{0, 0, 0}},       {1, 1, 1, Rgb{255, 255, 255}},
        {0.2, 0.4, 0.6, Rgb{51, 102, 153}},  {1, 0.5, 0, Rgb{255, 128, 0}},
    };
    for (const auto& [r, g, b, rgb] : cases) {
        int i = indrgb(r, g, b);
        ASSERT_GE(i, 0);
        EXPECT_EQ(table[static_cast<size_t>(i)], rgb) << r << " " << g << " " << b;
    }
    EXPECT_EQ(indrgb(1, 1, 1), 1); // white is also entry 255: the lowest index wins
    EXPECT_EQ(indrgb(0, 0, 0), 0);
    EXPECT_EQ(indrgb(0, 1.5, 0), -1);
}

TEST_F(PlotColours, NamedColoursAndInvalidValues) {
    openWindow();
    const std::pair<const char*, Rgb> names[] = {
        {"red", {255, 0, 0}},      {"WHITE", {255, 255, 255}}, {"Green", {0, 255, 0}},
        {"yellow", {255, 255, 0}}, {"blue", {0, 0, 255}},      {"orange", {255, 128, 0}},
        {"cyan", {0, 255, 255}},   {"magenta", {255, 0, 255}}, {"black", {0, 0, 0}},
        {"FORE", {0, 0, 0}},       {"back", {255, 255, 255}}};
    for (const auto& [n, rgb] : names) {
        color(n);
        messag("t", 10, 10);
        EXPECT_EQ(rec->ops.back().colour, rgb) << n;
    }
    color("purple");
    setclr(-1);
    setclr(256);
    setclr(0x02000000);
    EXPECT_EQ(take(), " <<<< Warning   2: Incorrect parameter in COLOR!   (purple)\n"
                      " <<<< Warning   2: Incorrect parameter in SETCLR!   (  -1)\n"
                      " <<<< Warning   2: Incorrect parameter in SETCLR!   ( 256)\n"
                      " <<<< Warning   2: Incorrect parameter in SETCLR!   (33554432)\n");
    messag("t", 10, 10);
    EXPECT_EQ(rec->ops.back().colour, (Rgb{255, 255, 255})); // still "back"
}

TEST_F(PlotColours, ColourCycleStartsAtItsFirstEntry) {
    openWindow();
    graf(0, 10, 0, 1, 0, 10, 0, 1);
    setclr(intrgb(0.7, 0.7, 0.7)); // the grid colour stays the current colour
    chncrv("COLOR");
    clrcyc(1, 0);
    const Rgb black{0, 0, 0}, white{255, 255, 255}, red{255, 0, 0}, green{0, 255, 0}, yellow{255, 255, 0},
        blue{0, 0, 255}, orange{255, 128, 0}, cyan{0, 255, 255}, magenta{255, 0, 255};
    std::vector<Rgb> want = {black, red, green, yellow, blue, orange, cyan, magenta, white, red};
    EXPECT_EQ(curveColours(10), want);

    resatt(); // the next curve starts again at the first colour
    EXPECT_EQ(curveColours(2), (std::vector<Rgb>{black, red}));

    chncrv("NONE"); // every curve in the current colour
    EXPECT_EQ(curveColours(2), (std::vector<Rgb>{{179, 179, 179}, {179, 179, 179}}));

    chncrv("BOTH"); // the cycle wraps after 30 curves
    clrcyc(30, intrgb(0, 0, 0.5));
    resatt();
    std::vector<Rgb> c = curveColours(31);
    EXPECT_EQ(c[29], (Rgb{0, 0, 128}));
    EXPECT_EQ(c[30], black);

    clrcyc(31, 0);
    clrcyc(2, -7);
    EXPECT_EQ(take(), " <<<< Warning   2: Incorrect parameter in CLRCYC!   (  31)\n"
                      " <<<< Warning   2: Incorrect parameter in CLRCYC!   (  -7)\n");
}

} // namespace
