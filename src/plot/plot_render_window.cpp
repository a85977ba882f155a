#include "plot/plot_render_window.h"

#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "platform/text_cp1252.h"
#include "plot/plot_rules.h"

namespace plot {

void QtPageRenderer::clear() {
    image_.fill(Qt::white);
}

void QtPageRenderer::polyline(std::span<const PagePoint> points) {
    if (points.size() < 2) return;
    const double sx = scaleX(), sy = scaleY();
    pixels_.clear();
    pixels_.reserve(points.size());
    for (const PagePoint& p : points)
        pixels_.push_back({static_cast<float>(p.x * sx), static_cast<float>(p.y * sy)});
    const double widthPx = width_ > 0 ? std::max(1.0, width_ * sx) : 0.0;
    const std::vector<PagePoint>* draw = &pixels_;
    if (reduce_) {
        reduced_.clear();
        reduceToColumns(pixels_, reduced_);
        draw = &reduced_;
        const float span = std::fabs(reduced_.back().x - reduced_.front().x) + 1;
        if (widthPx > 1.5 && static_cast<float>(reduced_.size()) > 2 * span) {
            // A dense line with a wide pen: filled column by column.
            spans_.clear();
            thickColumnSpans(reduced_, static_cast<float>(widthPx), spans_);
            QPainter p(&image_);
            for (const ColumnSpan& c : spans_) p.fillRect(c.x, c.y0, 1, c.y1 - c.y0 + 1, colour_);
            return;
        }
    }
    polygon_.resize(static_cast<qsizetype>(draw->size()));
    for (size_t i = 0; i < draw->size(); ++i)
        polygon_[static_cast<qsizetype>(i)] = QPointF((*draw)[i].x, (*draw)[i].y);
    QPainter p(&image_);
    p.setRenderHint(QPainter::Antialiasing, widthPx > 0);
    QPen pen(colour_);
    pen.setWidthF(widthPx);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    p.setPen(pen);
    p.drawPolyline(polygon_);
}

void QtPageRenderer::fillRect(const PageRect& r) {
    const double sx = scaleX(), sy = scaleY();
    QPainter p(&image_);
    // Whole pixels: neighbouring fills meet without seams.
    const int x0 = static_cast<int>(std::lround(r.x * sx)), y0 = static_cast<int>(std::lround(r.y * sy));
    const int x1 = static_cast<int>(std::lround((r.x + r.w) * sx)),
              y1 = static_cast<int>(std::lround((r.y + r.h) * sy));
    p.fillRect(QRect(x0, y0, x1 - x0, y1 - y0), colour_);
}

void QtPageRenderer::text(PagePoint at, std::string_view text, const TextStyle& style) {
    const double sx = scaleX(), sy = scaleY();
    QFont font(QString::fromUtf8(cp1252ToUtf8(style.face)));
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(style.em * sy))));
    font.setBold(style.bold);
    font.setItalic(style.italic);
    const QString s = QString::fromUtf8(cp1252ToUtf8(text));
    const QFontMetricsF fm(font);
    const double width = fm.horizontalAdvance(s);
    double dx = 0;
    if (style.anchor == TextAnchor::Centre) dx = -width / 2;
    if (style.anchor == TextAnchor::Right) dx = -width;
    QPainter p(&image_);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(font);
    p.setPen(colour_);
    p.translate(at.x * sx, at.y * sy);
    if (style.angle) p.rotate(-style.angle);
    p.drawText(QPointF(dx, fm.ascent()), s);
}

PixelSize pngPageSize(const WindowGeometry& window) {
    if (window.w > 0 && window.h > 0) return {window.w, window.h};
    return {1485, 1050};
}

PngPlotDevice::PngPlotDevice(std::string path, PixelSize size)
    : path_(std::move(path)), image_(std::max(1, size.w), std::max(1, size.h), QImage::Format_RGB32),
      renderer_(image_, false) {}

bool PngPlotDevice::open() {
    // Create (or empty) the file now, so that a name that cannot be written is reported at once.
    QFile f(QString::fromLocal8Bit(path_.c_str()));
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate);
}

bool PngPlotDevice::endPage() {
    return image_.save(QString::fromLocal8Bit(path_.c_str()), "PNG");
}

} // namespace plot
