// Plotting engine: levels, warnings, keywords, set-up and output files.
#include "plot/plot_test_support.h"

#include <functional>

using namespace plot;

namespace {

class PlotEngine : public PlotTest {
  protected:
    // A small picture to a file device.
    void drawTo(const char* device, const std::string& file, float level) {
        metafl(device);
        setfil(file);
        filmod("DELETE");
        disini();
        graf(0, 10, 0, 2, 0, 10, 0, 2);
        const float x[2] = {0, 10}, y[2] = {level, level};
        curve(x, y, 2);
        disfin();
    }
    size_t drawnOps() const {
        return rec->of(RecordedOp::Polyline).size() + rec->of(RecordedOp::Text).size() +
               rec->of(RecordedOp::Fill).size();
    }
};

TEST_F(PlotEngine, WarningsUseTheirThreeLineForms) {
    metafl("PDF");
    window(-5, 10, 400, 300);
    openWindow();
    setpag("DA4L");
    EXPECT_EQ(take(), " <<<< Warning   2: Incorrect parameter in METAFL!   (PDF)\n"
                      " <<<< Warning   2: Incorrect parameter in WINDOW!   (  -5)\n"
                      " <<<< Warning   3: Incorrect level in SETPAG!\n");
    EXPECT_EQ(plotWarningCount(), 3);
    EXPECT_EQ(plotLevel(), 1); // warnings never stop the plot
}

TEST_F(PlotEngine, RejectedWindowKeepsThePreviousGeometry) {
    window(10, 20, 400, 300);
    const int bad[][4] = {{-5, 10, 400, 300}, {10, -1, 400, 300}, {10, 10, 0, 300}, {10, 10, 400, -3}};
    for (const auto& b : bad) window(b[0], b[1], b[2], b[3]);
    EXPECT_EQ(messages.size(), 4u);
    openWindow();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].window.x, 10);
    EXPECT_EQ(requests[0].window.y, 20);
    EXPECT_EQ(requests[0].window.w, 400);
    EXPECT_EQ(requests[0].window.h, 300);
}

TEST_F(PlotEngine, RoutinesOutsideTheirLevelWarnAndDrawNothing) {
    std::string buf(80, ' ');
    const float xy[2] = {1, 2};
    int cx = 0, cy = 0;
    struct Case {
        int level;
        const char* routine;
        std::function<void()> call;
    };
    const Case cases[] = {
        {0, "GRAF", [] { graf(0, 1, 0, 1, 0, 1, 0, 1); }},
        {0, "MESSAG", [] { messag("x", 10, 10); }},
        {0, "RECFLL", [] { recfll(0, 0, 10, 10, 0); }},
        {0, "PAGERA", [] { pagera(); }},
        {0, "DISFIN", [] { disfin(); }},
        {0, "SETCLR", [] { setclr(1); }},
        {0, "CSRPOS", [&] { EXPECT_EQ(csrpos(cx, cy), -1); }},
        {1, "CURVE", [&] { curve(xy, xy, 2); }},
        {1, "GRID", [] { grid(1, 1); }},
        {1, "LEGEND", [&] { legend(buf, 1); }},
        {1, "DISINI", [] { disini(); }},
        {1, "METAFL", [] { metafl("WMF"); }},
        {1, "SETPAG", [] { setpag("DA4L"); }},
        {2, "AXSPOS", [] { axspos(100, 100); }},
        {2, "AXSLEN", [] { axslen(100, 100); }},
        {2, "SETGRF", [] { setgrf("NONE", "NONE", "NONE", "NONE"); }},
        {2, "GRAF", [] { graf(0, 1, 0, 1, 0, 1, 0, 1); }},
    };
    for (const Case& c : cases) {
        plotReset();
        rec->ops.clear();
        if (c.level >= 1) openWindow();
        if (c.level >= 2) graf(0, 10, 0, 1, 0, 10, 0, 1);
        messages.clear();
        const size_t before = drawnOps();
        c.call();
        EXPECT_EQ(take(), std::string(" <<<< Warning   3: Incorrect level in ") + c.routine + "!\n")
            << c.routine;
        EXPECT_EQ(drawnOps(), before) << c.routine;
        EXPECT_EQ(plotLevel(), c.level) << c.routine;
    }
}

TEST_F(PlotEngine, LevelsFollowThePlot) {
    EXPECT_EQ(plotLevel(), 0);
    openWindow();
    EXPECT_EQ(plotLevel(), 1);
    graf(0, 10, 0, 1, 0, 10, 0, 1);
    EXPECT_EQ(plotLevel(), 2);
    endgrf();
    EXPECT_EQ(plotLevel(), 1);
    graf(0, 10, 0, 1, 0, 10, 0, 1);
    disfin();
    EXPECT_EQ(plotLevel(), 0);
    EXPECT_EQ(take(), "");
    openWindow(); // a new plot may follow
    EXPECT_EQ(plotLevel(), 1);
}

TEST_F(PlotEngine, KeywordsCountByTheirFirstFourLettersInAnyCase) {
    const std::pair<const char*, const char*> cases[] = {
        {"xwin", "window"}, {"XWINDOW", "window"}, {"Wmf", "wmf"}, {"WMF  ", "wmf"},
        {"sVg", "svg"},     {"wmff", ""},          {"XW", ""},     {"", ""},
    };
    for (const auto& [arg, kind] : cases) {
        plotReset();
        rec->ops.clear();
        const std::string file = path("k.out");
        std::filesystem::remove(file);
        metafl("XWIN");
        metafl(arg);
        setfil(file);
        disini();
        disfin();
        const std::string bytes = readAll(file);
        std::string seen = !rec->ops.empty()                         ? "window"
                           : bytes.rfind("\xD7\xCD\xC6\x9A", 0) == 0 ? "wmf"
                           : bytes.rfind("<?xml", 0) == 0            ? "svg"
                                                                     : "?";
        if (*kind) {
            EXPECT_EQ(seen, kind) << arg;
            EXPECT_EQ(take(), "") << arg;
        } else {
            EXPECT_EQ(seen, "window") << arg; // unchanged
            EXPECT_EQ(take(),
                      std::string(" <<<< Warning   2: Incorrect parameter in METAFL!   (") + arg + ")\n");
        }
    }
}

TEST_F(PlotEngine, DeleteReplacesAnExistingFileCountAndBreakKeepIt) {
    drawTo("WMF", path("second.wmf"), 7);
    const std::string second = readAll(path("second.wmf"));

    drawTo("WMF", path("g.wmf"), 3);
    const std::string first = readAll(path("g.wmf"));
    drawTo("WMF", path("g.wmf"), 7);
    EXPECT_TRUE(readAll(path("g.wmf")) == second); // only the second picture
    EXPECT_NE(first.size(), 0u);
    EXPECT_FALSE(first == second);

    // The default mode writes beside an existing file.
    plotReset();
    metafl("WMF");
    setfil(path("g.wmf"));
    disini();
    disfin();
    EXPECT_TRUE(readAll(path("g.wmf")) == second);
    EXPECT_TRUE(std::filesystem::exists(path("g_1.wmf")));

    metafl("WMF");
    filmod("BREAK");
    disini();
    EXPECT_EQ(take(), " <<<< Warning  35: File error in DISINI!   (" + path("g.wmf") + ")\n");
    messag("still drawn into nothing", 100, 100);
    disfin();
    EXPECT_TRUE(readAll(path("g.wmf")) == second);
    EXPECT_EQ(take(), "");
}

TEST_F(PlotEngine, UnwritableFileIsReportedAndThePlotGoesOn) {
    metafl("SVG");
    setfil("/nonexistent-korvane-dir/x.svg");
    disini();
    EXPECT_EQ(take(), " <<<< Warning  35: File error in DISINI!   (/nonexistent-korvane-dir/x.svg)\n");
    EXPECT_EQ(plotLevel(), 1);
    graf(0, 1, 0, 1, 0, 1, 0, 1);
    disfin();
    EXPECT_EQ(plotLevel(), 0);
    EXPECT_EQ(take(), "");

    setfil(std::string(257, 'a'));
    EXPECT_EQ(take(), " <<<< Warning  36: Incorrect filename in SETFIL!   ( 257)\n");
}

TEST_F(PlotEngine, WindowWithoutItsDeviceReportsABadOutputDevice) {
    setPlotDeviceFactory(PlotOutput::Window, nullptr);
    metafl("XWIN");
    disini();
    EXPECT_EQ(take(), " <<<< Warning 161: Bad output device in DISINI!\n");
    EXPECT_EQ(plotLevel(), 1);
    disfin();
}

TEST_F(PlotEngine, WindowHoldAndEndKeyReachTheDevice) {
    const std::tuple<const char*, const char*, bool, int> cases[] = {{"", "", true, 0},
                                                                     {"NOHOLD", "", false, 0},
                                                                     {"NOHOLD", "ESCAPE", false, 27},
                                                                     {"FULL", "RETURN", true, 13}};
    for (const auto& [mode, key, hold, endKey] : cases) {
        plotReset();
        rec->ops.clear();
        metafl("XWIN");
        disini();
        if (*mode) winmod(mode);
        if (*key) winkey(key);
        wintit("Anteprima grafico");
        disfin();
        auto tidy = rec->of(RecordedOp::Tidy);
        ASSERT_EQ(tidy.size(), 1u);
        EXPECT_EQ(tidy[0]->hold.hold, hold) << mode;
        EXPECT_EQ(tidy[0]->hold.endKey, endKey) << key;
        ASSERT_EQ(rec->of(RecordedOp::Title).size(), 1u);
        EXPECT_EQ(rec->of(RecordedOp::Title)[0]->text, "Anteprima grafico");
    }
    EXPECT_EQ(take(), "");
}

TEST_F(PlotEngine, WindowFontsNeedADeviceThatHasFonts) {
    openWindow();
    winfnt("Arial Bold");
    messag("abc", 100, 100);
    auto texts = rec->of(RecordedOp::Text);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0]->style.face, "Arial");
    EXPECT_TRUE(texts[0]->style.bold);
    disfin();

    windowCaps = kCapScreen | kCapCursor;
    openWindow();
    winfnt("Arial Bold");
    EXPECT_EQ(take(), " <<<< Warning  60: Window fonts cannot be used in WINFNT!\n");
}

TEST_F(PlotEngine, PageFillKeepsTheBorderAndTextsStayInsideThePage) {
    openWindow();
    setclr(intrgb(0.5, 0.5, 0.5));
    pagera();
    pagfll(intrgb(1, 1, 0.6));
    // border, fill, border again on top of the fill
    ASSERT_EQ(rec->ops.size(), 5u); // open, begin page, border, fill, border
    EXPECT_EQ(rec->ops[2].kind, RecordedOp::Polyline);
    EXPECT_EQ(rec->ops[3].kind, RecordedOp::Fill);
    EXPECT_EQ(rec->ops[3].colour, (Rgb{255, 255, 153}));
    EXPECT_EQ(rec->ops[4].kind, RecordedOp::Polyline);
    EXPECT_EQ(rec->ops[4].colour, (Rgb{128, 128, 128}));

    recfll(2900, 2000, 500, 500, intrgb(1, 0, 0)); // cut at the page edge
    const RecordedOp& fill = rec->ops.back();
    EXPECT_EQ(fill.rect.x, 2900);
    EXPECT_EQ(fill.rect.w, 70);
    EXPECT_EQ(fill.rect.h, 100);
    messag("outside", 3000, 10);
    messag("inside", 2960, 10);
    ASSERT_EQ(rec->of(RecordedOp::Text).size(), 1u);
    EXPECT_EQ(rec->of(RecordedOp::Text)[0]->text, "inside");
    EXPECT_EQ(take(), "");
}

} // namespace
