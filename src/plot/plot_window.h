#pragma once
// The engine's screen window: a widget over an off-screen image of the page. It repaints itself
// from the image, records key and mouse events with the pointer position for the cursor
// routines, and shows the pointer shape asked for. installPlotWindowDevices() makes "XWIN" and
// "PNG" available to the engine; the desktop program and the GUI tests call it once.
#include <QImage>
#include <QPointer>
#include <QWidget>
#include <deque>
#include <memory>

#include "plot/plot_device.h"
#include "plot/plot_render_window.h"

namespace plot {

void installPlotWindowDevices();

// The event code of a key (arrows 1..4, Esc 27, a typed character its Windows-1252 code); 0 for
// keys that are not recorded (modifiers, function keys).
int plotKeyCode(int qtKey, const QString& text);

class PlotWindow : public QWidget {
    Q_OBJECT
  public:
    PlotWindow(QWidget* owner, PixelSize size);
    QImage& image() { return image_; }

    // Input recorded since the last read, oldest first (at most 64 kept).
    std::deque<PlotEvent>& pending() { return pending_; }
    PixelPoint pointer() const { return pointer_; }
    void setPointer(PixelPoint p) { pointer_ = p; }
    bool closeRequested() const { return closeRequested_; }

  signals:
    void recorded();

  protected:
    void paintEvent(QPaintEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

  private:
    void record(int code, PixelPoint at);
    QImage image_;
    std::deque<PlotEvent> pending_;
    PixelPoint pointer_;
    bool closeRequested_ = false;
};

class WindowPlotDevice : public PlotDevice {
  public:
    // owner: the window the plot window belongs to; null for the active modal dialog, if any.
    WindowPlotDevice(const WindowGeometry& geometry, QWidget* owner);
    ~WindowPlotDevice() override;
    unsigned caps() const override { return kCapScreen | kCapCursor | kCapFonts; }
    bool open() override;
    void beginPage() override;
    void setColor(Rgb c) override { renderer_->setColor(c); }
    void setLineWidth(float w) override { renderer_->setLineWidth(w); }
    void polyline(std::span<const PagePoint> points) override;
    void fillRect(const PageRect& r) override;
    void text(PagePoint at, std::string_view text, const TextStyle& style) override;
    void setTitle(std::string_view title) override;
    void flush() override;
    bool endPage() override { return true; }
    void tidy(const HoldRule& hold) override;

    PixelSize pixelSize() const override { return size_; }
    PlotEvent waitEvent() override;
    PlotEvent pollEvent() override;
    void movePointer(PixelPoint at) override;
    void setPointer(PointerShape shape) override;

    PlotWindow* widget() const { return window_; }

  private:
    WindowGeometry geometry_;
    PixelSize size_;
    QPointer<QWidget> owner_;
    QPointer<PlotWindow> window_;
    std::unique_ptr<QtPageRenderer> renderer_; // draws only while the window exists
};

} // namespace plot
