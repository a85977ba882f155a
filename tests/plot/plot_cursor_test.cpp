// Plotting engine: cursor routines and the page <-> pixel mapping, with scripted window events.
#include "plot/plot_test_support.h"

#include "plot/plot_rules.h"

using namespace plot;

namespace {

class PlotCursor : public PlotTest {};

TEST(PlotPixelMapping, PixelsMapBackToTheirOwnPageArea) {
    const PixelSize sizes[] = {{1188, 840}, {1280, 905}, {640, 453}, {2970, 2100}, {333, 100}};
    for (PixelSize s : sizes) {
        for (int px = 0; px < s.w; px += 7) {
            int x = -1, y = -1;
            pixelToPage({px, px % s.h}, s, x, y);
            EXPECT_EQ(pageToPixel(x, y, s), (PixelPoint{px, px % s.h})) << s.w << " " << px;
            EXPECT_GE(x, 0);
            EXPECT_LE(x, kPageWidth);
        }
        EXPECT_EQ(pageToPixel(0, 0, s), (PixelPoint{0, 0}));
        EXPECT_EQ(pageToPixel(kPageWidth - 1, kPageHeight - 1, s), (PixelPoint{s.w - 1, s.h - 1}));
    }
    int x = 0, y = 0;
    pixelToPage({594, 420}, {1188, 840}, x, y); // the centre pixel of a half-scale window
    EXPECT_EQ(x, 1486);
    EXPECT_EQ(y, 1051);
}

TEST_F(PlotCursor, CursorNeedsAScreenWindow) {
    metafl("WMF");
    setfil(path("c.wmf"));
    disini();
    int x = 10, y = 20;
    EXPECT_EQ(csrpos(x, y), -1);
    EXPECT_EQ(x, 10);
    EXPECT_EQ(y, 20);
    setcsr("cross"); // ignored quietly on a file
    EXPECT_EQ(take(), " <<<< Warning 161: Bad output device in CSRPOS!\n");
    disfin();
}

TEST_F(PlotCursor, GetReturnsTheLastEventOnceThenZero) {
    openWindow();
    csrmod("GET", "pos");
    rec->events.push_back({5, {594, 420}});
    rec->pointer = {100, 200};
    int x = 0, y = 0;
    EXPECT_EQ(csrpos(x, y), 5);
    int wx = 0, wy = 0;
    pixelToPage({100, 200}, pixels, wx, wy); // the pointer now, not where the click was
    EXPECT_EQ(x, wx);
    EXPECT_EQ(y, wy);
    EXPECT_EQ(csrpos(x, y), 0);

    // Several events since the last read: the most recent one.
    rec->events = {{102, {1, 1}}, {43, {2, 2}}, {6, {3, 3}}};
    EXPECT_EQ(csrpos(x, y), 6);
    EXPECT_EQ(csrpos(x, y), 0);
    EXPECT_EQ(take(), "");
}

TEST_F(PlotCursor, ReadDeliversEventsInOrderWithTheirPositions) {
    openWindow();
    csrmod("read", "POS");
    rec->events = {{102, {594, 420}}, {5, {0, 0}}, {1, {1187, 839}}};
    const int want[][3] = {{102, 1486, 1051}, {5, 1, 1}, {1, 2969, 2099}};
    for (const auto& w : want) {
        int x = 5000, y = 5000; // off the window: every event position is news
        EXPECT_EQ(csrpos(x, y), w[0]);
        EXPECT_EQ(x, w[1]);
        EXPECT_EQ(y, w[2]);
    }
    // csrpos shows the drawing before it waits
    EXPECT_EQ(rec->of(RecordedOp::Flush).size(), 3u);
}

TEST_F(PlotCursor, UnmovedPointerKeepsTheCallersPosition) {
    openWindow();
    csrmod("READ", "POS");
    const PixelPoint at = pageToPixel(1234, 567, pixels);
    rec->events = {{5, at}, {5, {at.x + 1, at.y}}};
    int x = 1234, y = 567;
    EXPECT_EQ(csrpos(x, y), 5);
    EXPECT_EQ(x, 1234); // same pixel: the values passed in
    EXPECT_EQ(y, 567);
    EXPECT_EQ(csrpos(x, y), 5);
    EXPECT_NE(x, 1234);
}

TEST_F(PlotCursor, SetMovesThePointerInsideTheWindow) {
    openWindow();
    csrmod("SET", "POS");
    const std::tuple<int, int, PixelPoint> cases[] = {
        {1485, 1050, {594, 420}}, {-100, 50, {0, 20}}, {5000, 9000, {1187, 839}}};
    for (const auto& [x0, y0, pixel] : cases) {
        int x = x0, y = y0;
        EXPECT_EQ(csrpos(x, y), 0);
        EXPECT_EQ(rec->pointer, pixel) << x0 << " " << y0;
    }
    // STANDARD moves, then waits like READ.
    csrmod("STANDARD", "POS");
    rec->events = {{27, {5, 5}}};
    int x = 1485, y = 1050;
    EXPECT_EQ(csrpos(x, y), 27);
    EXPECT_EQ(rec->of(RecordedOp::MovePointer).size(), 4u);
}

TEST_F(PlotCursor, ModeAndShapeKeywords) {
    openWindow();
    csrmod("READ", "xyz");
    setcsr("hand");
    setcsr("cross");
    EXPECT_EQ(take(), " <<<< Warning   2: Incorrect parameter in CSRMOD!   (xyz)\n"
                      " <<<< Warning   2: Incorrect parameter in SETCSR!   (hand)\n");
    ASSERT_EQ(rec->of(RecordedOp::Pointer).size(), 1u);
    EXPECT_EQ(rec->shape, PointerShape::Cross);
}

} // namespace
