// Plotting engine: levels, warnings, keywords, output files, the cursor and the page <-> pixel
// mapping (with scripted window events).
#include "plot/plot_test_support.h"

#include <functional>

#include "plot/plot_rules.h"

using namespace plot;

namespace {

class PlotEngine : public PlotTest {
  protected:
    // A small picture to a file device.
    void drawTo(const std::string& file, float level) {
        metafl("WMF");
        setfil(file);
        filmod("DELETE");
        disini();
        graf(0, 10, 0, 2, 0, 10, 0, 2);
        const float x[2] = {0, 10}, y[2] = {level, level};
        curve(x, y, 2);
        disfin();
    }
};

TEST_F(PlotEngine, WarningsUseTheirThreeLineFormsAndRejectedValuesKeepThePrevious) {
    window(10, 20, 400, 300);
    metafl("PDF");
    window(-5, 10, 400, 300);
    openWindow();
    setpag("DA4L");
    EXPECT_EQ(take(), " <<<< Warning   2: Incorrect parameter in METAFL!   (PDF)\n"
                      " <<<< Warning   2: Incorrect parameter in WINDOW!   (  -5)\n"
                      " <<<< Warning   3: Incorrect level in SETPAG!\n");
    EXPECT_EQ(plotWarningCount(), 3);
    EXPECT_EQ(plotLevel(), 1);              // warnings never stop the plot
    EXPECT_EQ(requests.at(0).window.x, 10); // the rejected window kept the previous one
}

TEST_F(PlotEngine, RoutinesOutsideTheirLevelWarnAndDrawNothing) {
    std::string buf(80, ' ');
    const float xy[2] = {1, 2};
    int cx = 0, cy = 0;
    const std::tuple<int, const char*, std::function<void()>> cases[] = {
        {0, "GRAF", [] { graf(0, 1, 0, 1, 0, 1, 0, 1); }},
        {0, "CSRPOS", [&] { EXPECT_EQ(csrpos(cx, cy), -1); }},
        {1, "CURVE", [&] { curve(xy, xy, 2); }},
        {1, "LEGEND", [&] { legend(buf, 1); }},
        {2, "GRAF", [] { graf(0, 1, 0, 1, 0, 1, 0, 1); }},
    };
    for (const auto& [level, routine, call] : cases) {
        plotReset();
        rec->ops.clear();
        if (level >= 1) openWindow();
        if (level >= 2) graf(0, 10, 0, 1, 0, 10, 0, 1);
        messages.clear();
        const size_t before = rec->ops.size();
        call();
        EXPECT_EQ(take(), std::string(" <<<< Warning   3: Incorrect level in ") + routine + "!\n");
        EXPECT_EQ(rec->ops.size(), before) << routine;
        EXPECT_EQ(plotLevel(), level) << routine;
    }
    endgrf();
    EXPECT_EQ(plotLevel(), 1);
    disfin();
    EXPECT_EQ(plotLevel(), 0);
}

TEST_F(PlotEngine, KeywordsCountByTheirFirstFourLettersInAnyCase) {
    // What each keyword opens: a file starting with its magic bytes, or the window (no file).
    const std::pair<const char*, const char*> cases[] = {
        {"sVg", "<?xm"}, {"WMF  ", "\xD7\xCD\xC6\x9A"}, {"wmff", ""}, {"XW", ""}};
    for (const auto& [arg, magic] : cases) {
        const size_t windows = requests.size();
        std::filesystem::remove(path("k.out"));
        metafl("XWIN");
        metafl(arg); // a bad keyword leaves the device as it was
        setfil(path("k.out"));
        disini();
        disfin();
        EXPECT_EQ(readAll(path("k.out")).substr(0, 4), magic) << arg;
        EXPECT_EQ(requests.size(), windows + (*magic ? 0 : 1)) << arg;
    }
    EXPECT_EQ(take(), " <<<< Warning   2: Incorrect parameter in METAFL!   (wmff)\n"
                      " <<<< Warning   2: Incorrect parameter in METAFL!   (XW)\n");
}

TEST_F(PlotEngine, DeleteReplacesAnExistingFileCountAndBreakKeepIt) {
    drawTo(path("second.wmf"), 7);
    const std::string second = readAll(path("second.wmf"));
    drawTo(path("g.wmf"), 3);
    const std::string first = readAll(path("g.wmf"));
    drawTo(path("g.wmf"), 7);
    EXPECT_TRUE(readAll(path("g.wmf")) == second); // only the second picture
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

    metafl("SVG"); // an unwritable file is reported and the plot goes on
    setfil("/nonexistent-korvane-dir/x.svg");
    disini();
    EXPECT_EQ(take(), " <<<< Warning  35: File error in DISINI!   (/nonexistent-korvane-dir/x.svg)\n");
    graf(0, 1, 0, 1, 0, 1, 0, 1);
    disfin();
    EXPECT_EQ(plotLevel(), 0);
}

TEST(PlotPixelMapping, PixelsMapBackToTheirOwnPageArea) {
    for (PixelSize s : {PixelSize{1188, 840}, PixelSize{333, 100}})
        for (int px = 0; px < s.w; px += 7) {
            int x = -1, y = -1;
            pixelToPage({px, px % s.h}, s, x, y);
            EXPECT_EQ(pageToPixel(x, y, s), (PixelPoint{px, px % s.h})) << s.w << " " << px;
        }
}

TEST_F(PlotEngine, CursorNeedsAScreenWindow) {
    metafl("WMF");
    setfil(path("c.wmf"));
    disini();
    int x = 10, y = 20;
    EXPECT_EQ(csrpos(x, y), -1);
    EXPECT_EQ(take(), " <<<< Warning 161: Bad output device in CSRPOS!\n");
}

TEST_F(PlotEngine, GetReturnsTheLastEventOnceThenZero) {
    openWindow();
    csrmod("GET", "pos");
    rec->events = {{102, {1, 1}}, {5, {594, 420}}};
    rec->pointer = {100, 200};
    int x = 0, y = 0;
    EXPECT_EQ(csrpos(x, y), 5); // the most recent event since the last read
    int wx = 0, wy = 0;
    pixelToPage({100, 200}, pixels, wx, wy); // the pointer now, not where the click was
    EXPECT_EQ(x, wx);
    EXPECT_EQ(y, wy);
    EXPECT_EQ(csrpos(x, y), 0);
}

} // namespace
