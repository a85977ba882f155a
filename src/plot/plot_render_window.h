#pragma once
// Drawing the engine's page with Qt: a renderer over an image (the page stretched over it), and
// the PNG file device built on it. The screen window (plot_window.h) uses the same renderer.
#include <QColor>
#include <QImage>
#include <QPolygonF>
#include <string>
#include <vector>

#include "plot/plot_device.h"
#include "plot/plot_rules.h"

namespace plot {

class QtPageRenderer {
  public:
    // `reduce`: thin out polylines to a few points per pixel column (screens only).
    QtPageRenderer(QImage& image, bool reduce) : image_(image), reduce_(reduce) {}
    void clear();
    void setColor(Rgb c) { colour_ = QColor(c.r, c.g, c.b); }
    void setLineWidth(float w) { width_ = w; }
    void polyline(std::span<const PagePoint> points);
    void fillRect(const PageRect& r);
    void text(PagePoint at, std::string_view text, const TextStyle& style);

    double scaleX() const { return static_cast<double>(image_.width()) / kPageWidth; }
    double scaleY() const { return static_cast<double>(image_.height()) / kPageHeight; }

  private:
    QImage& image_;
    bool reduce_;
    QColor colour_ = Qt::black;
    float width_ = 0;
    std::vector<PagePoint> pixels_, reduced_;
    std::vector<ColumnSpan> spans_;
    QPolygonF polygon_;
};

// Pixel size of a PNG page: the window size when one was set, else 1485 x 1050.
PixelSize pngPageSize(const WindowGeometry& window);

class PngPlotDevice : public PlotDevice {
  public:
    PngPlotDevice(std::string path, PixelSize size);
    unsigned caps() const override { return kCapFonts | kCapFile; }
    bool open() override;
    void beginPage() override { renderer_.clear(); }
    void setColor(Rgb c) override { renderer_.setColor(c); }
    void setLineWidth(float w) override { renderer_.setLineWidth(w); }
    void polyline(std::span<const PagePoint> points) override { renderer_.polyline(points); }
    void fillRect(const PageRect& r) override { renderer_.fillRect(r); }
    void text(PagePoint at, std::string_view text, const TextStyle& style) override {
        renderer_.text(at, text, style);
    }
    bool endPage() override;

  private:
    std::string path_;
    QImage image_;
    QtPageRenderer renderer_;
};

} // namespace plot
