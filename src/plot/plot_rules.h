#pragma once
// Pure rules of the plotting engine: keyword matching, axis-to-page and page-to-pixel mappings,
// label positions and texts, polyline clipping and the per-column reduction a screen uses.
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "plot/plot_device.h"

namespace plot {

// The index of `arg` in `keys`, comparing the first four characters upper-cased and padded with
// blanks; -1 when none matches.
int keywordIndex(std::string_view arg, std::initializer_list<std::string_view> keys);
// The first four characters of a keyword argument, upper-cased and padded with blanks.
std::string keywordKey(std::string_view arg);

// Linear axis mapping: a value v of an axis running from `a` to `e` over `length` page units
// starting at `origin` (x: left end, growing right; y: lower end, growing upward).
inline double mapX(double v, double a, double e, double origin, double length) {
    return origin + (v - a) / (e - a) * length;
}
inline double mapY(double v, double a, double e, double origin, double length) {
    return origin - (v - a) / (e - a) * length;
}

// Page position <-> window pixel for a page stretched over a client area of `size` pixels. A
// pixel maps back to the page position of its centre; pageToPixel(pixelToPage(p)) == p while
// the window is not wider or higher than the page has units.
PixelPoint pageToPixel(int x, int y, PixelSize size);
void pixelToPage(PixelPoint p, PixelSize size, int& x, int& y);

// Positions org + k * step / n (k any integer, n >= 1) that lie in the closed range between a
// and e, in increasing k; at most `limit` of them. Empty when the step does not advance.
std::vector<double> axisPositions(double a, double e, double org, double step, int n, size_t limit);
// Label values: org, org + step, ... as far as they lie in the range, at most `limit`.
std::vector<double> labelValues(double a, double e, double org, double step, size_t limit);
// True when v lies in the closed range between a and e (with a relative tolerance of 1e-9).
bool inRange(double v, double a, double e);

// A numeric label with `digits` decimals; -1: an integer without a decimal point, 0: an integer
// followed by a point ("12.").
std::string formatLabel(double v, int digits);

// Width of a text in a proportional sans-serif face of em size `em` [same unit as em]; an
// estimate used for layout only.
float estimateTextWidth(std::string_view text, float em);

// The visible pieces of a polyline clipped to a rectangle (x0 < x1, y0 < y1, page units).
// Points are added in order; a point that is not finite breaks the line. Every visible run of
// two or more points is handed to the sink, which may not keep the span.
struct ClipRect {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};
class PolylineClipper {
  public:
    using Sink = std::function<void(std::span<const PagePoint>)>;
    PolylineClipper(ClipRect r, Sink sink) : r_(r), sink_(std::move(sink)) {}
    void add(double x, double y);
    void finish(); // hands over the last run

  private:
    bool inside(double x, double y) const;
    void flush();
    ClipRect r_;
    Sink sink_;
    std::vector<PagePoint> run_;
    double px_ = 0, py_ = 0;
    bool havePrev_ = false;
};

// Reduces a polyline in pixel coordinates for a screen: consecutive points in one pixel column
// (same floor(x)) are replaced by the first, the lowest, the highest and the last of them, in
// their original order. What is drawn covers the same pixels per column. Appends to `out`.
void reduceToColumns(std::span<const PagePoint> pixels, std::vector<PagePoint>& out);

// The pixels a line of `width` pixels along a polyline (pixel coordinates) covers, as one
// vertical run per pixel column: the line's extent in the column, widened by half the width up,
// down and into the neighbouring columns. A screen fills these instead of stroking a dense
// polyline with a wide pen, which costs far more. Appends to `out`.
struct ColumnSpan {
    int x = 0;          // pixel column
    int y0 = 0, y1 = 0; // first and last pixel row, inclusive
    friend bool operator==(const ColumnSpan&, const ColumnSpan&) = default;
};
void thickColumnSpans(std::span<const PagePoint> pixels, float width, std::vector<ColumnSpan>& out);

} // namespace plot
