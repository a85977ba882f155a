// The axis system of the plotting engine (set-up, graf, grid) and the curves drawn in it.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <optional>

#include "plot/plot_rules.h"
#include "plot/plot_state.h"

namespace plot {

namespace {

// Layout of an axis [0.1 mm].
constexpr double kTickMajor = 24, kTickMinor = 12; // tick lengths, outward
constexpr double kGap = 12;                        // between ticks, labels and titles
constexpr double kCapOffset = 0.765;               // em top to the middle of the capitals [heights]
constexpr size_t kMaxLabels = 1000, kMaxTicks = 10000;

struct AxisLetters {
    bool x = false, y = false, ok = true;
};

AxisLetters axisLetters(std::string_view axes) {
    AxisLetters a;
    for (char c : axes) {
        switch (std::toupper(static_cast<unsigned char>(c))) {
        case 'X':
            a.x = true;
            break;
        case 'Y':
            a.y = true;
            break;
        case 'Z':
            break; // the third axis of 3-D systems: accepted, unused
        default:
            a.ok = false;
        }
    }
    if (axes.empty()) a.ok = false;
    return a;
}

// The axes named by `axes`, or nothing after warning 2.
template <class F> void forAxes(Engine& g, const char* routine, std::string_view axes, F f) {
    AxisLetters a = axisLetters(axes);
    if (!a.ok) return g.warn(kWarnParameter, routine, axes);
    if (a.x) f(g.at.x);
    if (a.y) f(g.at.y);
}

std::optional<AxisPart> axisPart(std::string_view keyword) {
    switch (keywordIndex(keyword, {"NONE", "LINE", "TICK", "LABE", "NAME"})) {
    case 0:
        return AxisPart::None;
    case 1:
        return AxisPart::Line;
    case 2:
        return AxisPart::Ticks;
    case 3:
        return AxisPart::Labels;
    case 4:
        return AxisPart::Name;
    }
    return std::nullopt;
}

bool isLabelPosition(double v, const AxisScale& s) {
    double r = (v - s.org) / s.step;
    return std::fabs(r - std::nearbyint(r)) < 1e-6;
}

// Checks one axis of graf; warnings name GRAF.
AxisScale checkScale(Engine& g, double a, double e, double org, double step) {
    AxisScale s{a, e, org, step, false, false};
    if (!std::isfinite(a) || !std::isfinite(e) || !std::isfinite(org) || !std::isfinite(step)) {
        g.warn(kWarnParameter, "GRAF");
        return s;
    }
    if (a == e) {
        g.warn(kWarnScalingEqual, "GRAF");
        return s;
    }
    s.usable = true;
    if (step == 0) {
        g.warn(kWarnStepZero, "GRAF");
        return s;
    }
    if ((e - a) * step < 0) {
        g.warn(kWarnStepSign, "GRAF");
        return s;
    }
    if (!inRange(org, a, e)) g.warn(kWarnStartLabel, "GRAF");
    s.labelled = true;
    return s;
}

} // namespace

// ---------------------------------------------------------------- set-up

void axspos(int x, int y) {
    Engine& g = gPlot;
    if (!g.levelIn(1, 1, "AXSPOS")) return;
    if (x < 0 || x > kPageWidth) return g.warn(kWarnParameter, "AXSPOS", static_cast<long>(x));
    if (y < 0 || y > kPageHeight) return g.warn(kWarnParameter, "AXSPOS", static_cast<long>(y));
    g.at.axisX = x;
    g.at.axisY = y;
}

void axslen(int w, int h) {
    Engine& g = gPlot;
    if (!g.levelIn(1, 1, "AXSLEN")) return;
    if (w < 2) return g.warn(kWarnParameter, "AXSLEN", static_cast<long>(w));
    if (h < 2) return g.warn(kWarnParameter, "AXSLEN", static_cast<long>(h));
    g.at.axisW = w;
    g.at.axisH = h;
}

void axsbgd(int colour) {
    Engine& g = gPlot;
    g.levelIn(1, 3, "AXSBGD");
    if (!colourRgb(colour, g.at.table)) return g.warn(kWarnParameter, "AXSBGD", static_cast<long>(colour));
    g.at.axisBackground = colour;
}

void labdig(int digits, std::string_view axes) {
    Engine& g = gPlot;
    g.levelIn(1, 3, "LABDIG");
    if (digits < -1 || digits > 100) return g.warn(kWarnParameter, "LABDIG", static_cast<long>(digits));
    forAxes(g, "LABDIG", axes, [digits](AxisSettings& a) { a.digits = digits; });
}

void name(std::string_view title, std::string_view axes) {
    Engine& g = gPlot;
    g.levelIn(1, 3, "NAME");
    if (title.size() > 132) {
        g.warn(kWarnParameter, "NAME", static_cast<long>(title.size()));
        title = title.substr(0, 132);
    }
    forAxes(g, "NAME", axes, [title](AxisSettings& a) { a.title = std::string(title); });
}

void hname(int h) {
    Engine& g = gPlot;
    g.levelIn(1, 3, "HNAME");
    if (h < 1 || h > 10000)
        return g.warn(h < 0 ? kWarnNegative : kWarnParameter, "HNAME", static_cast<long>(h));
    g.at.nameHeight = h;
}

void ticks(int n, std::string_view axes) {
    Engine& g = gPlot;
    g.levelIn(1, 3, "TICKS");
    if (n < 0 || n > 1000) return g.warn(kWarnParameter, "TICKS", static_cast<long>(n));
    forAxes(g, "TICKS", axes, [n](AxisSettings& a) { a.ticks = n; });
}

void setgrf(std::string_view lower, std::string_view left, std::string_view upper, std::string_view right) {
    Engine& g = gPlot;
    if (!g.levelIn(1, 1, "SETGRF")) return;
    const std::string_view words[4] = {lower, left, upper, right};
    std::array<AxisPart, 4> parts{};
    for (size_t i = 0; i < 4; ++i) {
        auto p = axisPart(words[i]);
        if (!p) return g.warn(kWarnParameter, "SETGRF", words[i]);
        parts[i] = *p;
    }
    g.at.parts = parts;
}

// ---------------------------------------------------------------- the axis system

void graf(double xa, double xe, double xorg, double xstep, double ya, double ye, double yorg, double ystep) {
    Engine& g = gPlot;
    if (!g.levelIn(1, 1, "GRAF")) return;
    Attributes& at = g.at;
    at.sx = checkScale(g, xa, xe, xorg, xstep);
    at.sy = checkScale(g, ya, ye, yorg, ystep);
    if (at.axisW < 2 || at.axisH < 2)
        g.warn(kWarnAxisLength, "GRAF", static_cast<long>(std::min(at.axisW, at.axisH)));
    if (at.axisX + at.axisW > kPageWidth)
        g.warn(kWarnXOutOfPage, "GRAF", static_cast<long>(at.axisX + at.axisW));
    if (at.axisY - at.axisH < 0) g.warn(kWarnYOutOfPage, "GRAF", static_cast<long>(at.axisY - at.axisH));
    at.frameX = at.axisX;
    at.frameY = at.axisY;
    at.frameW = at.axisW;
    at.frameH = at.axisH;
    at.curveCount = 0;
    at.curves.clear();
    g.level = 2;
    g.drawAxisSystem();
}

void Engine::drawAxisSystem() {
    const double L = at.frameX, B = at.frameY, R = L + at.frameW, T = B - at.frameH;
    if (at.axisBackground >= 0) fill(L, T, at.frameW, at.frameH, at.axisBackground);

    const int h = at.textHeight;
    const TextStyle centred = textStyle(h, TextAnchor::Centre);
    const double em = centred.em;

    // The four axes: lower x, left y, upper x, right y.
    for (size_t side = 0; side < 4; ++side) {
        const AxisPart part = at.parts[side];
        if (part == AxisPart::None) continue;
        const bool horizontal = side == 0 || side == 2;
        const bool outerLow = side == 0 || side == 1; // lower or left: outward is +y or -x
        const AxisScale& s = horizontal ? at.sx : at.sy;
        const AxisSettings& set = horizontal ? at.x : at.y;
        const double base = side == 0 ? B : side == 1 ? L : side == 2 ? T : R;
        // Outward direction: +1 away from the area (down for the lower axis, left for the left
        // one, up for the upper one, right for the right one), in page coordinates.
        const double out = (side == 0 || side == 3) ? 1 : -1;
        auto pos = [&](double v) {
            return horizontal ? mapX(v, s.a, s.e, L, at.frameW) : mapY(v, s.a, s.e, B, at.frameH);
        };

        paint(at.colour);
        lineWidth(0);
        if (horizontal)
            line(L, base, R, base);
        else
            line(base, B, base, T);

        const bool showTicks = part >= AxisPart::Ticks && s.labelled && set.ticks > 0;
        if (showTicks) {
            for (double v : axisPositions(s.a, s.e, s.org, s.step, set.ticks, kMaxTicks)) {
                const double p = pos(v), len = isLabelPosition(v, s) ? kTickMajor : kTickMinor;
                if (horizontal)
                    line(p, base, p, base + out * len);
                else
                    line(base, p, base + out * len, p);
            }
        }
        if (part < AxisPart::Labels || !s.labelled) continue;

        const double tick = showTicks ? kTickMajor : 0;
        const std::vector<double> values = labelValues(s.a, s.e, s.org, s.step, kMaxLabels);
        float widest = 0;
        for (double v : values) {
            const std::string label = formatLabel(v, set.digits);
            const double p = pos(v);
            if (horizontal) {
                const double top = outerLow ? base + tick + kGap : base - tick - kGap - em;
                text(label, p, top, centred);
            } else {
                const TextStyle st = textStyle(h, side == 1 ? TextAnchor::Right : TextAnchor::Left);
                widest = std::max(widest, estimateTextWidth(label, st.em));
                text(label, base + out * (tick + kGap), p - kCapOffset * h, st);
            }
        }
        if (part < AxisPart::Name || set.title.empty()) continue;

        const TextStyle title = textStyle(at.nameHeight, TextAnchor::Centre, horizontal ? 0 : 90);
        if (horizontal) {
            const double labels = values.empty() ? 0 : 1.2 * em + kGap;
            const double top =
                outerLow ? base + tick + kGap + labels : base - tick - kGap - labels - title.em;
            text(set.title, (L + R) / 2, top, title);
        } else {
            // Written upward: the em box's top faces left.
            const double labels = values.empty() ? 0 : widest + kGap;
            const double away = tick + kGap + labels;
            const double x = side == 1 ? base - away - 1.2 * title.em : base + away;
            text(set.title, x, (B + T) / 2, title);
        }
    }
}

void grid(int nx, int ny) {
    Engine& g = gPlot;
    if (!g.levelIn(2, 3, "GRID")) return;
    if (nx < 0) return g.warn(kWarnParameter, "GRID", static_cast<long>(nx));
    if (ny < 0) return g.warn(kWarnParameter, "GRID", static_cast<long>(ny));
    const Attributes& at = g.at;
    const double L = at.frameX, B = at.frameY, R = L + at.frameW, T = B - at.frameH;
    g.paint(at.colour);
    g.lineWidth(0);
    // Lines on the frame itself would cover the axes: they are left out.
    if (at.sx.labelled && nx > 0) {
        for (double v : axisPositions(at.sx.a, at.sx.e, at.sx.org, at.sx.step, nx, kMaxTicks)) {
            double p = mapX(v, at.sx.a, at.sx.e, L, at.frameW);
            if (p - L > 0.5 && R - p > 0.5) g.line(p, B, p, T);
        }
    }
    if (at.sy.labelled && ny > 0) {
        for (double v : axisPositions(at.sy.a, at.sy.e, at.sy.org, at.sy.step, ny, kMaxTicks)) {
            double p = mapY(v, at.sy.a, at.sy.e, B, at.frameH);
            if (B - p > 0.5 && p - T > 0.5) g.line(L, p, R, p);
        }
    }
}

// ---------------------------------------------------------------- curves

void curve(std::span<const float> x, std::span<const float> y, int n) {
    Engine& g = gPlot;
    if (!g.levelIn(2, 3, "CURVE")) return;
    if (n < 1 || static_cast<size_t>(n) > x.size() || static_cast<size_t>(n) > y.size())
        return g.warn(kWarnPoints, "CURVE", static_cast<long>(n));
    Attributes& at = g.at;
    const bool cycle = at.curveMode == CurveMode::Colour || at.curveMode == CurveMode::Both;
    const int colour = cycle ? at.cycle[static_cast<size_t>(at.curveCount % kColourCycleSize)] : at.colour;
    const CurveRecord record{colour, at.thickness};
    if (static_cast<size_t>(at.curveCount) < at.curves.size())
        at.curves[static_cast<size_t>(at.curveCount)] = record;
    else
        at.curves.push_back(record);
    ++at.curveCount;
    if (!at.sx.usable || !at.sy.usable) return;

    g.paint(colour);
    g.lineWidth(curveLineWidth(at.thickness));
    const double L = at.frameX, B = at.frameY, R = L + at.frameW, T = B - at.frameH;
    PolylineClipper clip({L, T, R, B},
                         [&dev = g.dev](std::span<const PagePoint> run) { dev->polyline(run); });
    // px = L + (x - xa) / (xe - xa) * width, py = B - (y - ya) / (ye - ya) * height
    const double kx = at.frameW / (at.sx.e - at.sx.a), ky = at.frameH / (at.sy.e - at.sy.a);
    const double xa = at.sx.a, ya = at.sy.a;
    // A point that is not a number (a missing value) breaks the line. A point standing alone,
    // between two such gaps or at an end, is drawn as a dot: a short level stroke as long as
    // the line is thick (at least 0.5 mm), which every reader shows, whatever its pen caps.
    const auto n_ = static_cast<size_t>(n);
    const auto usable = [&](size_t i) { return std::isfinite(x[i]) && std::isfinite(y[i]); };
    const double dot = std::max(curveLineWidth(at.thickness) / 2.0, 2.5);
    for (size_t i = 0; i < n_; ++i) {
        const double px = L + (x[i] - xa) * kx, py = B - (y[i] - ya) * ky;
        const bool alone = usable(i) && (i == 0 || !usable(i - 1)) && (i + 1 == n_ || !usable(i + 1));
        if (!alone) {
            clip.add(px, py);
            continue;
        }
        clip.finish();
        clip.add(px - dot, py);
        clip.add(px + dot, py);
        clip.finish();
    }
    clip.finish();
}

void chncrv(std::string_view mode) {
    Engine& g = gPlot;
    g.levelIn(1, 3, "CHNCRV");
    switch (keywordIndex(mode, {"NONE", "COLO", "LINE", "BOTH"})) {
    case 0:
        g.at.curveMode = CurveMode::None;
        break;
    case 1:
        g.at.curveMode = CurveMode::Colour;
        break;
    case 2:
        g.at.curveMode = CurveMode::Line;
        break;
    case 3:
        g.at.curveMode = CurveMode::Both;
        break;
    default:
        g.warn(kWarnParameter, "CHNCRV", mode);
    }
}

void clrcyc(int index, int colour) {
    Engine& g = gPlot;
    g.levelIn(1, 3, "CLRCYC");
    if (index < 1 || index > kColourCycleSize)
        return g.warn(kWarnParameter, "CLRCYC", static_cast<long>(index));
    if (!colourRgb(colour, g.at.table)) return g.warn(kWarnParameter, "CLRCYC", static_cast<long>(colour));
    g.at.cycle[static_cast<size_t>(index - 1)] = colour;
}

void thkcrv(int n) {
    Engine& g = gPlot;
    g.levelIn(1, 3, "THKCRV");
    if (n < 1 || n > 10000) return g.warn(kWarnParameter, "THKCRV", static_cast<long>(n));
    g.at.thickness = n;
}

void resatt() {
    Engine& g = gPlot;
    if (!g.levelIn(1, 3, "RESATT")) return;
    g.at.curveCount = 0;
}

} // namespace plot
