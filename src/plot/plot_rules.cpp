#include "plot/plot_rules.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace plot {

std::string keywordKey(std::string_view arg) {
    std::string key(4, ' ');
    for (size_t i = 0; i < 4 && i < arg.size(); ++i) {
        char c = arg[i];
        key[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return key;
}

int keywordIndex(std::string_view arg, std::initializer_list<std::string_view> keys) {
    const std::string key = keywordKey(arg);
    int i = 0;
    for (std::string_view k : keys) {
        if (keywordKey(k) == key) return i;
        ++i;
    }
    return -1;
}

PixelPoint pageToPixel(int x, int y, PixelSize size) {
    return {static_cast<int>(std::floor(static_cast<double>(x) * size.w / kPageWidth)),
            static_cast<int>(std::floor(static_cast<double>(y) * size.h / kPageHeight))};
}

namespace {

// The page position of a pixel's centre, kept inside the pixel's own page positions (those that
// map back to it) whenever the pixel spans at least one page unit.
int pixelCentre(int p, int pixels, int units) {
    const long long lo = (static_cast<long long>(p) * units + pixels - 1) / pixels; // ceil(p units / pixels)
    const long long hi = ((static_cast<long long>(p) + 1) * units - 1) / pixels;    // last one mapping to p
    long long c = std::llround((p + 0.5) * units / pixels);
    if (lo <= hi) c = std::clamp(c, lo, hi);
    return static_cast<int>(c);
}

} // namespace

void pixelToPage(PixelPoint p, PixelSize size, int& x, int& y) {
    if (size.w <= 0 || size.h <= 0) return;
    x = pixelCentre(p.x, size.w, kPageWidth);
    y = pixelCentre(p.y, size.h, kPageHeight);
}

bool inRange(double v, double a, double e) {
    double lo = std::min(a, e), hi = std::max(a, e);
    double tol = 1e-9 * std::max(hi - lo, std::max(std::fabs(lo), std::fabs(hi)));
    return v >= lo - tol && v <= hi + tol;
}

std::vector<double> axisPositions(double a, double e, double org, double step, int n, size_t limit) {
    std::vector<double> out;
    if (n < 1 || !std::isfinite(step) || step == 0 || !std::isfinite(org)) return out;
    const double d = std::fabs(step) / n; // the set org + k d (k any integer) ignores the sign
    const double lo = std::min(a, e), hi = std::max(a, e);
    const double kLo = std::ceil((lo - org) / d - 1e-9), kHi = std::floor((hi - org) / d + 1e-9);
    if (!std::isfinite(kLo) || !std::isfinite(kHi)) return out;
    for (double k = kLo; k <= kHi && out.size() < limit; k += 1) {
        double v = org + k * d;
        if (inRange(v, a, e)) out.push_back(v);
    }
    return out;
}

std::vector<double> labelValues(double a, double e, double org, double step, size_t limit) {
    std::vector<double> out;
    if (!std::isfinite(step) || step == 0 || !std::isfinite(org)) return out;
    if ((e - a) * step < 0) return out; // the step runs away from the range
    const double lo = std::min(a, e), hi = std::max(a, e);
    // A first label before the range: start at the first one inside it.
    double kStart = std::ceil(((step > 0 ? lo : hi) - org) / step - 1e-9);
    if (!std::isfinite(kStart) || kStart < 0) kStart = 0;
    for (double k = kStart; out.size() < limit; k += 1) {
        double v = org + k * step;
        if (!inRange(v, a, e)) break;
        out.push_back(v);
    }
    return out;
}

std::string formatLabel(double v, int digits) {
    if (!std::isfinite(v)) return "?";
    const int decimals = std::clamp(digits, 0, 100);
    double shown = digits < 0 ? std::nearbyint(v) : v;
    // No "-0" or "-0.0" for a value that rounds to zero.
    if (std::nearbyint(shown * std::pow(10.0, std::min(decimals, 300))) == 0) shown = 0;
    char buf[512]; // 309 integer digits, a sign, a point and 100 decimals at most
    auto r = std::to_chars(buf, buf + sizeof buf, shown, std::chars_format::fixed, decimals);
    if (r.ec != std::errc()) return "?";
    std::string s(buf, r.ptr);
    if (digits == 0) s += '.';
    return s;
}

float estimateTextWidth(std::string_view text, float em) {
    // Advance widths of a typical sans-serif face, in thousandths of the em.
    float total = 0;
    for (unsigned char c : text) {
        int w;
        if (c >= '0' && c <= '9')
            w = 556;
        else if (c == ' ' || c == '.' || c == ',' || c == ':' || c == ';' || c == '!' || c == '\'' ||
                 c == 'i' || c == 'j' || c == 'l' || c == '|')
            w = 278;
        else if (c == '-' || c == '(' || c == ')' || c == 'f' || c == 't' || c == 'r' || c == '[' || c == ']')
            w = 333;
        else if (c == 'm' || c == 'W' || c == 'M' || c == '%' || c == '@')
            w = 833;
        else if (c == 'w')
            w = 722;
        else if (c >= 'A' && c <= 'Z')
            w = 667;
        else
            w = 556;
        total += static_cast<float>(w);
    }
    return total * em / 1000.0f;
}

bool PolylineClipper::inside(double x, double y) const {
    return x >= r_.x0 && x <= r_.x1 && y >= r_.y0 && y <= r_.y1;
}

void PolylineClipper::add(double x, double y) {
    if (!std::isfinite(x) || !std::isfinite(y)) {
        flush();
        havePrev_ = false;
        return;
    }
    if (!havePrev_) {
        px_ = x, py_ = y, havePrev_ = true;
        return;
    }
    if (inside(px_, py_) && inside(x, y)) { // the common case: nothing to cut
        if (run_.empty()) run_.push_back({static_cast<float>(px_), static_cast<float>(py_)});
        run_.push_back({static_cast<float>(x), static_cast<float>(y)});
        px_ = x, py_ = y;
        return;
    }
    // Liang-Barsky on the segment (px_, py_) -> (x, y).
    const double dx = x - px_, dy = y - py_;
    double t0 = 0, t1 = 1;
    auto edge = [&](double p, double q) {
        if (p == 0) return q >= 0;
        double t = q / p;
        if (p < 0) {
            if (t > t1) return false;
            if (t > t0) t0 = t;
        } else {
            if (t < t0) return false;
            if (t < t1) t1 = t;
        }
        return true;
    };
    bool visible =
        edge(-dx, px_ - r_.x0) && edge(dx, r_.x1 - px_) && edge(-dy, py_ - r_.y0) && edge(dy, r_.y1 - py_);
    if (visible) {
        PagePoint a{static_cast<float>(px_ + t0 * dx), static_cast<float>(py_ + t0 * dy)};
        PagePoint b{static_cast<float>(px_ + t1 * dx), static_cast<float>(py_ + t1 * dy)};
        if (t0 > 0 || run_.empty()) {
            flush();
            run_.push_back(a);
        }
        run_.push_back(b);
        if (t1 < 1) flush();
    } else {
        flush();
    }
    px_ = x, py_ = y;
}

void PolylineClipper::finish() {
    flush();
    havePrev_ = false;
}

void PolylineClipper::flush() {
    if (run_.size() >= 2) sink_(run_);
    run_.clear();
}

namespace {

int floorInt(float v) {
    int i = static_cast<int>(v);
    return v < static_cast<float>(i) ? i - 1 : i;
}

} // namespace

void reduceToColumns(std::span<const PagePoint> pixels, std::vector<PagePoint>& out) {
    const size_t n = pixels.size();
    size_t i = 0;
    while (i < n) {
        const int column = floorInt(pixels[i].x);
        size_t j = i + 1, lo = i, hi = i;
        for (; j < n && floorInt(pixels[j].x) == column; ++j) {
            if (pixels[j].y < pixels[lo].y) lo = j;
            if (pixels[j].y > pixels[hi].y) hi = j;
        }
        if (j - i <= 4) {
            out.insert(out.end(), pixels.begin() + static_cast<std::ptrdiff_t>(i),
                       pixels.begin() + static_cast<std::ptrdiff_t>(j));
        } else {
            const size_t keep[4] = {i, std::min(lo, hi), std::max(lo, hi), j - 1};
            for (size_t k = 0; k < 4; ++k)
                if (k == 0 || keep[k] != keep[k - 1]) out.push_back(pixels[keep[k]]);
        }
        i = j;
    }
}

void thickColumnSpans(std::span<const PagePoint> pixels, float width, std::vector<ColumnSpan>& out) {
    if (pixels.size() < 2) return;
    float xmin = pixels[0].x, xmax = pixels[0].x;
    for (const PagePoint& p : pixels) xmin = std::min(xmin, p.x), xmax = std::max(xmax, p.x);
    const int c0 = floorInt(xmin), c1 = floorInt(xmax);
    if (c1 - c0 > 1000000) return; // not a screen
    const size_t columns = static_cast<size_t>(c1 - c0 + 1);
    constexpr float kNone = 3.0e38f;
    std::vector<float> lo(columns, kNone), hi(columns, -kNone);
    // The vertical extent of the line within each pixel column.
    for (size_t i = 1; i < pixels.size(); ++i) {
        PagePoint a = pixels[i - 1], b = pixels[i];
        if (b.x < a.x) std::swap(a, b);
        const int ca = floorInt(a.x), cb = floorInt(b.x);
        const float slope = b.x > a.x ? (b.y - a.y) / (b.x - a.x) : 0;
        for (int c = ca; c <= cb; ++c) {
            float ya = a.y, yb = b.y;
            if (b.x > a.x) {
                const float xa = std::max(a.x, static_cast<float>(c)),
                            xb = std::min(b.x, static_cast<float>(c + 1));
                ya = a.y + (xa - a.x) * slope;
                yb = a.y + (xb - a.x) * slope;
            }
            const size_t k = static_cast<size_t>(c - c0);
            lo[k] = std::min(lo[k], std::min(ya, yb));
            hi[k] = std::max(hi[k], std::max(ya, yb));
        }
    }
    // Widened by the pen: half a width to each side and up and down.
    const float r = width / 2;
    const int reach = static_cast<int>(r);
    for (int c = c0 - reach; c <= c1 + reach; ++c) {
        float l = kNone, h = -kNone;
        for (int d = std::max(c0, c - reach); d <= std::min(c1, c + reach); ++d) {
            l = std::min(l, lo[static_cast<size_t>(d - c0)]);
            h = std::max(h, hi[static_cast<size_t>(d - c0)]);
        }
        if (l > h) continue;
        const int y0 = floorInt(l - r + 0.5f), y1 = std::max(y0, floorInt(h + r - 0.5f));
        out.push_back({c, y0, y1});
    }
}

} // namespace plot
