// The engine's screen window and PNG device on the offscreen platform: input events for the
// cursor routines, pointer shapes, and the same picture through the window, PNG and a metafile
// rendered by libwmf.
#include <QFontDatabase>
#include <QImage>
#include <QWidget>

#include "gui_helpers.h"
#include "plot/plot_test_support.h"

#include "plot/plot_rules.h"
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
    // Opens a 594 x 420 window (half a pixel per page unit horizontally: 2970 / 594 = 5).
    PlotWindow* open(int w = 594, int h = 420) {
        metafl("XWIN");
        window(20, 30, w, h);
        setpag("DA4L");
        disini();
        winmod("NOHOLD");
        return current();
    }
    static PlotWindow* current() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* p = qobject_cast<PlotWindow*>(w); p && p->isVisible()) return p;
        return nullptr;
    }
    static void mouse(QWidget* w, QEvent::Type type, Qt::MouseButton button, QPoint at) {
        QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), button,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : button, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
    static QPoint pagePixel(const QImage& img, double x, double y) {
        return {static_cast<int>(x * img.width() / kPageWidth),
                static_cast<int>(y * img.height() / kPageHeight)};
    }
};

// Whether some pixel within `r` pixels of `at` is close to `want`.
bool colourNear(const QImage& img, QPoint at, QColor want, int r = 2, int tolerance = 60) {
    for (int dy = -r; dy <= r; ++dy)
        for (int dx = -r; dx <= r; ++dx) {
            QPoint p = at + QPoint(dx, dy);
            if (!img.rect().contains(p)) continue;
            QColor c = img.pixelColor(p);
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
    auto at = [&](double x, double y) {
        return QPoint(static_cast<int>(x * img.width() / kPageWidth),
                      static_cast<int>(y * img.height() / kPageHeight));
    };
    const QColor red(255, 0, 0), black(0, 0, 0), white(255, 255, 255), yellow(255, 255, 153);
    for (double row : {10.0, 35.5, 50.5, 90.0}) {
        EXPECT_TRUE(colourNear(img, at(pictureX(row), pictureY((row - 1) * 10 / 99)), red))
            << what << " red " << row;
        EXPECT_TRUE(colourNear(img, at(pictureX(row), pictureY(2.5)), black)) << what << " black " << row;
    }
    // Away from the curves: the white axis area, the light-yellow page around it.
    EXPECT_TRUE(colourNear(img, at(pictureX(80), pictureY(1.2)), white, 0, 10)) << what;
    EXPECT_FALSE(colourNear(img, at(pictureX(80), pictureY(1.2)), red, 3)) << what;
    EXPECT_TRUE(colourNear(img, at(150, 1000), yellow, 0, 10)) << what;
    EXPECT_TRUE(colourNear(img, at(2900, 1000), yellow, 0, 10)) << what;
    // The red read-out text at the top right.
    int redPixels = 0;
    for (int y = at(0, 30).y(); y < at(0, 130).y(); ++y)
        for (int x = at(1500, 0).x(); x < at(2400, 0).x(); ++x)
            if (colourNear(img, {x, y}, red, 0, 120)) ++redPixels;
    EXPECT_GT(redPixels, 20) << what;
}

TEST_F(PlotWindowTest, FontsAreInstalledForTheTexts) {
    EXPECT_FALSE(QFontDatabase::families().isEmpty()); // else every text is an empty box
}

TEST_F(PlotWindowTest, GetReturnsTheClickOnceThenZero) {
    PlotWindow* w = open();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->size(), QSize(594, 420));
    csrmod("GET", "POS");
    mouse(w, QEvent::MouseButtonPress, Qt::LeftButton, {297, 210});
    int x = 0, y = 0;
    EXPECT_EQ(csrpos(x, y), 5);
    EXPECT_EQ(x, 1488); // the centre of pixel 297 at 5 units per pixel
    EXPECT_EQ(y, 1053);
    EXPECT_EQ(csrpos(x, y), 0);
    EXPECT_EQ(x, 1488); // the pointer has not moved
    EXPECT_EQ(take(), "");
}

TEST_F(PlotWindowTest, ReadDeliversEveryRecordedEventWithItsPosition) {
    PlotWindow* w = open();
    ASSERT_NE(w, nullptr);
    QMouseEvent move(QEvent::MouseMove, QPointF(100, 50), QPointF(w->mapToGlobal(QPoint(100, 50))),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &move);
    sendKey(w, Qt::Key_F, Qt::NoModifier, "f");
    sendKey(w, Qt::Key_Plus, Qt::NoModifier, "+");
    sendKey(w, Qt::Key_Minus, Qt::NoModifier, "-");
    sendKey(w, Qt::Key_Left);
    sendKey(w, Qt::Key_Up);
    sendKey(w, Qt::Key_Right);
    sendKey(w, Qt::Key_Down);
    sendKey(w, Qt::Key_Shift); // not an event
    sendKey(w, Qt::Key_Escape);
    mouse(w, QEvent::MouseButtonPress, Qt::RightButton, {10, 400}); // only the release counts
    mouse(w, QEvent::MouseButtonRelease, Qt::RightButton, {10, 400});
    csrmod("READ", "POS");
    const int codes[] = {102, 43, 45, 1, 2, 3, 4, 27, 6};
    for (int code : codes) {
        int x = -1, y = -1;
        EXPECT_EQ(csrpos(x, y), code);
        if (code == 102) {
            EXPECT_EQ(x, 503); // pixel (100, 50)
            EXPECT_EQ(y, 253);
        }
        if (code == 6) {
            EXPECT_EQ(pageToPixel(x, y, {594, 420}), (PixelPoint{10, 400}));
        }
    }
}

TEST_F(PlotWindowTest, ReadWaitsForTheNextEvent) {
    PlotWindow* w = open();
    ASSERT_NE(w, nullptr);
    csrmod("READ", "POS");
    QTimer::singleShot(30, w, [w] { mouse(w, QEvent::MouseButtonPress, Qt::LeftButton, {400, 300}); });
    int x = 0, y = 0;
    EXPECT_EQ(csrpos(x, y), 5);
    EXPECT_EQ(pageToPixel(x, y, {594, 420}), (PixelPoint{400, 300}));
    // Closing the window reads as Esc and leaves it to the plot to close.
    QTimer::singleShot(10, w, [w] { w->close(); });
    EXPECT_EQ(csrpos(x, y), 27);
    EXPECT_EQ(current(), w);
    disfin();
    EXPECT_EQ(current(), nullptr);
}

TEST_F(PlotWindowTest, PointerShapeTitleAndSetPosition) {
    PlotWindow* w = open();
    ASSERT_NE(w, nullptr);
    wintit("Anteprima grafico (tasto sx mouse per visualizzare x-y)");
    EXPECT_EQ(w->windowTitle(), QString("Anteprima grafico (tasto sx mouse per visualizzare x-y)"));
    setcsr("cross");
    EXPECT_EQ(w->cursor().shape(), Qt::CrossCursor);
    setcsr("ARROW");
    EXPECT_EQ(w->cursor().shape(), Qt::ArrowCursor);
    csrmod("SET", "POS");
    int x = 1500, y = 1000;
    EXPECT_EQ(csrpos(x, y), 0);
    EXPECT_EQ(w->pointer(), (PixelPoint{300, 200}));
    csrmod("GET", "POS");
    EXPECT_EQ(csrpos(x, y), 0);
    EXPECT_EQ(x, 1500); // the same pixel: the caller's values
    EXPECT_EQ(y, 1000);
}

TEST_F(PlotWindowTest, WindowBelongsToItsOwnerAndOutlivesNothing) {
    auto owner = std::make_unique<QWidget>();
    owner->show();
    setPlotWindowOwner(static_cast<Window>(owner.get()));
    PlotWindow* w = open();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->parentWidget(), owner.get());
    EXPECT_TRUE(w->isWindow());
    owner.reset(); // takes the plot window with it
    EXPECT_EQ(current(), nullptr);
    graf(0, 1, 0, 1, 0, 1, 0, 1); // drawing goes nowhere
    csrmod("READ", "POS");
    int x = 0, y = 0;
    EXPECT_EQ(csrpos(x, y), 27); // the window is gone: as if closed
    disfin();
    EXPECT_EQ(plotLevel(), 0);
    EXPECT_EQ(take(), "");
}

TEST_F(PlotWindowTest, SamePictureOnTheWindowInPngAndThroughLibwmf) {
    metafl("XWIN");
    window(20, 30, 1188, 840);
    drawColumnGraphPicture(false);
    PlotWindow* w = current();
    ASSERT_NE(w, nullptr);
    expectColumnGraphPicture(w->image(), "window");
    expectColumnGraphPicture(w->grab().toImage(), "window on screen");
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

TEST_F(PlotWindowTest, ScreenReductionDrawsWhatTheFullCurveDraws) {
    // 100,000 noisy points drawn on the window (reduced per pixel column) and into a PNG of the
    // same size (every point): the pictures match.
    std::vector<float> x(100000), y(100000);
    unsigned seed = 7;
    for (size_t i = 0; i < x.size(); ++i) {
        seed = seed * 1103515245u + 12345u;
        x[i] = static_cast<float>(i);
        y[i] = static_cast<float>((seed >> 16) % 1000) / 100.0f + static_cast<float>(i % 20000) / 4000.0f;
    }
    auto draw = [&] {
        setpag("DA4L");
        disini();
        winmod("NOHOLD");
        axspos(300, 1900);
        axslen(2500, 1500);
        graf(0, 100000, 0, 20000, 0, 15, 0, 5);
        setclr(intrgb(0, 0, 1));
        curve(x, y, 100000);
    };
    metafl("XWIN");
    window(0, 0, 594, 420);
    draw();
    const QImage screen = current()->image().copy();
    disfin();
    metafl("PNG");
    setfil(path("full.png"));
    filmod("DELETE");
    draw();
    disfin();
    const QImage full(QString::fromStdString(path("full.png")));
    ASSERT_EQ(full.size(), screen.size());
    int blue = 0, differ = 0;
    for (int py = 0; py < full.height(); ++py)
        for (int px = 0; px < full.width(); ++px) {
            bool a = full.pixelColor(px, py) == QColor(0, 0, 255),
                 b = screen.pixelColor(px, py) == QColor(0, 0, 255);
            blue += a;
            differ += a != b;
        }
    EXPECT_GT(blue, 10000);
    EXPECT_LT(differ, blue / 100) << differ << " of " << blue;
}

} // namespace
