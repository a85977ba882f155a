// The engine's screen window and PNG device on the offscreen platform: input events for the
// cursor routines, and the same picture through the window, PNG and a metafile rendered by
// libwmf.
#include "gui_helpers.h"
#include "plot/plot_rules.h"
#include "plot/plot_test_support.h"
#include "plot/plot_window.h"

using namespace plot;

namespace {

class PlotWindowTest : public PlotTest {
  protected:
    void SetUp() override {
        PlotTest::SetUp();
        installPlotWindowDevices();
    }
    void TearDown() override {
        PlotTest::TearDown();
        QCoreApplication::processEvents();
    }
    static PlotWindow* current() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* p = qobject_cast<PlotWindow*>(w); p && p->isVisible()) return p;
        return nullptr;
    }
};

// Whether some pixel within `r` pixels of page point (x, y) is close to `want`.
bool colourNear(const QImage& img, double x, double y, QColor want, int r = 2, int tolerance = 60) {
    const QPoint at(static_cast<int>(x * img.width() / kPageWidth),
                    static_cast<int>(y * img.height() / kPageHeight));
    for (int dy = -r; dy <= r; ++dy)
        for (int dx = -r; dx <= r; ++dx) {
            const QPoint p = at + QPoint(dx, dy);
            if (!img.rect().contains(p)) continue;
            const QColor c = img.pixelColor(p);
            if (std::abs(c.red() - want.red()) + std::abs(c.green() - want.green()) +
                    std::abs(c.blue() - want.blue()) <=
                tolerance)
                return true;
        }
    return false;
}

// The column graph's picture, checked at points the axis mapping fixes.
void expectColumnGraphPicture(const QImage& img, const char* what) {
    ASSERT_FALSE(img.isNull()) << what;
    const QColor red(255, 0, 0);
    for (double row : {10.0, 50.5, 90.0}) {
        EXPECT_TRUE(colourNear(img, pictureX(row), pictureY((row - 1) * 10 / 99), red)) << what << " " << row;
        EXPECT_TRUE(colourNear(img, pictureX(row), pictureY(2.5), Qt::black)) << what << " " << row;
    }
    // Away from the curves: the white axis area, the light-yellow page around it.
    EXPECT_TRUE(colourNear(img, pictureX(80), pictureY(1.2), Qt::white, 0, 10)) << what;
    EXPECT_FALSE(colourNear(img, pictureX(80), pictureY(1.2), red, 3)) << what;
    EXPECT_TRUE(colourNear(img, 150, 1000, QColor(255, 255, 153), 0, 10)) << what;
}

TEST_F(PlotWindowTest, ReadDeliversEveryEventWithItsPositionAndWaitsForTheNext) {
    metafl("XWIN");
    window(20, 30, 594, 420);
    setpag("DA4L");
    disini();
    winmod("NOHOLD");
    PlotWindow* w = current();
    ASSERT_NE(w, nullptr);
    mouseEvent(w, QEvent::MouseMove, {100, 50}, Qt::NoButton);
    const std::pair<Qt::Key, const char*> keys[] = {{Qt::Key_F, "f"},    {Qt::Key_Plus, "+"},
                                                    {Qt::Key_Left, ""},  {Qt::Key_Down, ""},
                                                    {Qt::Key_Shift, ""}, {Qt::Key_Escape, ""}};
    for (auto [key, text] : keys) sendKey(w, key, Qt::NoModifier, text); // Shift is not an event
    mouseClick(w, {10, 400}, Qt::RightButton);                           // only the release counts
    csrmod("READ", "POS");
    int x = -1, y = -1;
    for (int code : {102, 43, 1, 4, 27, 6}) {
        EXPECT_EQ(csrpos(x, y), code);
        if (code == 102) {
            EXPECT_EQ(pageToPixel(x, y, {594, 420}), (PixelPoint{100, 50}));
        }
    }
    EXPECT_EQ(pageToPixel(x, y, {594, 420}), (PixelPoint{10, 400}));

    QTimer::singleShot(30, w, [w] { mouseEvent(w, QEvent::MouseButtonPress, {400, 300}); });
    EXPECT_EQ(csrpos(x, y), 5);
    EXPECT_EQ(pageToPixel(x, y, {594, 420}), (PixelPoint{400, 300}));
    // Closing the window reads as Esc and leaves it to the plot to close.
    QTimer::singleShot(10, w, [w] { w->close(); });
    EXPECT_EQ(csrpos(x, y), 27);
    EXPECT_EQ(current(), w);
    disfin();
    EXPECT_EQ(current(), nullptr);
}

TEST_F(PlotWindowTest, SamePictureOnTheWindowInPngAndThroughLibwmf) {
    metafl("XWIN");
    window(20, 30, 1188, 840);
    drawColumnGraphPicture(false);
    ASSERT_NE(current(), nullptr);
    expectColumnGraphPicture(current()->grab().toImage(), "window on screen");
    disfin();

    metafl("PNG");
    setfil(path("g.png"));
    filmod("DELETE");
    drawColumnGraphPicture();
    expectColumnGraphPicture(QImage(QString::fromStdString(path("g.png"))), "png");

    metafl("WMF");
    setfil(path("g.wmf"));
    drawColumnGraphPicture();
    ASSERT_TRUE(wmfConvert(path("g.wmf"), path("wmf.png"), "png"));
    expectColumnGraphPicture(QImage(QString::fromStdString(path("wmf.png"))), "libwmf");
    EXPECT_EQ(take(), "");
}

} // namespace
