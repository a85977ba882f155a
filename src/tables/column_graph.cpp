#include "tables/column_graph.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <new>

#include "link/korvane_com.h"
#include "logger/time_marks.h"
#include "plot/plot_engine.h"
#include "shell/korvane.h"
#include "tables/data_table.h"

int spessore = 1;

namespace {

constexpr int kAxisX = 300, kAxisY = 1900; // lower left corner of the axis system [0.1 mm]
constexpr int kAxisW = 2500;               // [0.1 mm]
constexpr int kLegendLineHeight = 33;      // [0.1 mm] taken from the axis height per legend line
constexpr int kLegendWidth = 80;           // characters of a legend line

const char* const kWindowTitle = "Anteprima grafico (tasto sx mouse per visualizzare x-y, f per salvare "
                                 "grafico su file, Esc o tasto dx mouse per uscire)";

// Event codes of the cursor routines.
constexpr int kLeftClick = 5, kRightClick = 6, kEsc = 27, kPlus = 43, kMinus = 45, kSave = 102;

struct Colours {
    int pageFill, pageBorder, white, black, grid;
};
// Colour values of the picture; the border is a colour-table index, so the plot must be open.
Colours colours() {
    return {plot::intrgb(1.0, 1.0, 0.6), plot::indrgb(0.5, 0.5, 0.5), plot::intrgb(1, 1, 1),
            plot::intrgb(0, 0, 0), plot::intrgb(0.7, 0.7, 0.7)};
}

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* fmt, ...) {
    va_list ap, again;
    va_start(ap, fmt);
    va_copy(again, ap);
    const int n = std::vsnprintf(nullptr, 0, fmt, ap);
    va_end(ap);
    std::string out;
    if (n > 0) {
        out.resize(static_cast<size_t>(n) + 1);
        std::vsnprintf(out.data(), out.size(), fmt, again);
        out.resize(static_cast<size_t>(n));
    }
    va_end(again);
    return out;
}

// The whole number of a cell of column 0 (a row number).
int rowNumber(const TableModel& table, int row) {
    const double v = parseNumber(table.cell(row, 0));
    return static_cast<int>(std::clamp(std::trunc(v), -2.0e9, 2.0e9));
}

// trunc(trunc(v) / 10) without an integer type that v could overflow.
double truncTenth(double v) {
    const double t = std::trunc(v);
    if (std::fabs(t) < 9.0e18) return static_cast<double>(static_cast<int64_t>(t) / 10);
    return std::trunc(t / 10);
}

// The time of row number `n`: the session start plus the first downloaded record plus n - 1
// sample times.
tempo rowTime(int64_t n) {
    tempo t = sessionStart();
    t = timeAdj(t, FirstTimeMarkerDload);
    // [0.1 s]; added in parts that each fit the marker type.
    uint64_t rest = static_cast<uint64_t>(std::max<int64_t>(n - 1, 0)) * Tsample * 10u;
    constexpr uint64_t kPart = 4000000000u;
    for (; rest > kPart; rest -= kPart) t = timeAdj(t, static_cast<uint32_t>(kPart));
    return timeAdj(t, static_cast<uint32_t>(rest));
}

void drawCurves(const GraphData& d) {
    for (size_t c = 0; c < d.y.size(); ++c) plot::curve(d.x, d.y[c], d.rows.n);
}

// Clears the read-out area, then shows the read-out when there is one.
void drawReadOut(const GraphReadOut& r, int pageFill) {
    plot::recfll(1500, 20, 1300, 150, pageFill);
    if (!r.shown) return;
    plot::color("red");
    plot::height(36);
    plot::messag(r.yText, 1500, 30);
    plot::messag(r.xText, 1500, 80);
    plot::messag("x", r.markX, r.markY);
}

// One picture on the screen, preceded by one in a file when `save` is set and the user chooses
// a file.
void showPicture(const GraphData& d, const GraphReadOut& r, bool save, Window owner) {
    plot::metafl("XWIN");
    if (save) {
        FileBoxRequest req;
        req.filter = "Immagine grafico (*.wmf);;Immagine grafico SVG (*.svg);;Immagine grafico PNG (*.png)";
        req.defaultExt = "wmf";
        req.askOverwrite = true;
        std::string path;
        if (ui().saveFileBox(owner, req, path) && !path.empty()) {
            plot::metafl(graphDeviceName(graphFileOutput(path)));
            plot::setfil(path);
            plot::filmod("DELETE");
            ui().beep();
            drawGraphPicture(d, r);
            plot::disfin();
            plot::metafl("XWIN");
        }
    }
    plot::setPlotWindowOwner(owner);
    drawGraphPicture(d, r);
    plot::csrmod("read", "pos");
}

} // namespace

GraphRows graphRowRange(const TableModel& table, int nitem) {
    GraphRows g;
    const int rows = std::min(std::max(nitem, 0), table.rowCount());
    if (rows == 0) return g;
    g.x0 = rowNumber(table, 0);
    g.x1 = rowNumber(table, rows - 1);
    int r = -1, s = -1;
    for (int i = 0; i < rows - 1 && r < 0; ++i)
        if (table.isRowSelected(i)) r = i;
    if (r >= 0)
        for (int i = r + 1; i < rows; ++i)
            if (table.isRowSelected(i)) s = i;
    if (s >= 0) {
        g.first = r;
        g.x0 = rowNumber(table, r);
        g.x1 = rowNumber(table, s);
    }
    // Row numbers that do not grow one a row (an edited column 0) never reach past the table.
    const int64_t n = static_cast<int64_t>(g.x1) - g.x0 + 1;
    g.n = static_cast<int>(std::clamp<int64_t>(n, 0, rows - g.first));
    return g;
}

GraphScale graphScale(double minimum, double maximum, int x0, int x1) {
    GraphScale s;
    s.ymax = maximum >= 0 ? truncTenth(10 * 1.1 * maximum) + 1 : truncTenth(10 * 0.9 * maximum);
    s.ymin = minimum >= 0 ? truncTenth(10 * 0.9 * minimum) : truncTenth(10 * 1.1 * minimum) - 1;
    const int64_t spanX = 2 * (static_cast<int64_t>(x1) - x0);
    s.dx = static_cast<double>(std::max<int64_t>((spanX + 5) / 10, 1));
    s.dy = std::max(std::trunc((std::trunc(2 * (s.ymax - s.ymin)) + 5) / 10), 1.0);
    return s;
}

bool collectGraphData(const TableModel& table, const ColumnSelection& selcol, int nitem, GraphData& out) {
    out = GraphData{};
    const int last = std::min(kLastSelectableColumn, table.columnCount() - 1);
    for (int c = kFirstDataColumn; c <= last && out.k() < selcol[0]; ++c)
        if (selcol[static_cast<size_t>(c)] == 1) out.columns.push_back(c);
    out.rows = graphRowRange(table, nitem);
    const int n = out.rows.n;
    if (out.columns.empty() || n <= 0) return false;
    try {
        out.x.resize(static_cast<size_t>(n));
        out.y.assign(out.columns.size(), std::vector<float>(static_cast<size_t>(n)));
    } catch (const std::bad_alloc&) {
        out = GraphData{};
        return false;
    }
    for (int i = 0; i < n; ++i) out.x[static_cast<size_t>(i)] = static_cast<float>(out.rows.x0 + i);
    // The Y range spans the values present; a missing reading (NaN) breaks its curve instead.
    float lo = FLT_MAX, hi = -FLT_MAX;
    std::string header;
    for (size_t c = 0; c < out.columns.size(); ++c) {
        std::vector<float>& v = out.y[c];
        for (int i = 0; i < n; ++i) {
            int precision = 0;
            const float value = strLV_num(table, out.rows.first + i, out.columns[c], precision);
            v[static_cast<size_t>(i)] = value;
            if (std::isnan(value)) continue;
            lo = std::min(lo, value);
            hi = std::max(hi, value);
        }
        getHeader(table, header, out.columns[c]);
        if (header.size() > kLegendWidth) header.resize(kLegendWidth);
        std::replace(header.begin(), header.end(), '\xB0', '*');
        out.legend.push_back(header);
    }
    if (lo > hi) lo = hi = 0; // nothing present at all: an empty axis system from 0
    out.minimum = lo;
    out.maximum = hi;
    out.scale = graphScale(lo, hi, out.rows.x0, out.rows.x1);
    return true;
}

int GraphData::missingAt(int64_t rowNumber) const {
    const int64_t i = rowNumber - rows.x0;
    if (i < 0 || i >= rows.n) return 0;
    int missing = 0;
    for (const std::vector<float>& v : y)
        if (std::isnan(v[static_cast<size_t>(i)])) ++missing;
    return missing;
}

bool inGraphArea(const GraphData& d, int x, int y) {
    return x >= kAxisX && x <= kAxisX + kAxisW && y >= d.axisTop() && y <= kAxisY;
}

void graphClick(const GraphData& d, int x, int y, GraphReadOut& r) {
    if (!inGraphArea(d, x, y)) {
        r.shown = false;
        r.yText.clear();
        r.xText.clear();
        return;
    }
    const GraphScale& s = d.scale;
    const double value = s.ymax - static_cast<double>(y - d.axisTop()) * (s.ymax - s.ymin) /
                                      static_cast<double>(d.axisHeight());
    const double at =
        static_cast<double>(x - kAxisX) * (static_cast<double>(d.rows.x1) - d.rows.x0) / kAxisW + d.rows.x0;
    const auto row = static_cast<int64_t>(std::nearbyint(at)); // halves to even
    const tempo t = rowTime(row);
    r.shown = true;
    const int missing = d.missingAt(row);
    if (missing == d.k())
        r.yText = format("%s= %s", "Valore Y", kMissingReadOut);
    else if (missing > 0)
        r.yText = format("%s= %.2f (%d di %d %s)", "Valore Y", value, missing, d.k(), kMissingCurves);
    else
        r.yText = format("%s= %.2f", "Valore Y", value);
    r.xText = format("%s= %u (%02u%02u%02u_%02u%02u%02u)", "Valore X", static_cast<unsigned>(row), t.anno,
                     t.mese, t.giorno, t.ora, t.minuto, t.secondo);
    r.markX = x - 13;
    r.markY = y - 22;
    r.markedRow = static_cast<int>(row - d.rows.x0 + d.rows.first);
}

plot::PlotOutput graphFileOutput(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == ".svg") return plot::PlotOutput::Svg;
    if (ext == ".png") return plot::PlotOutput::Png;
    return plot::PlotOutput::Wmf;
}

const char* graphDeviceName(plot::PlotOutput output) {
    switch (output) {
    case plot::PlotOutput::Svg:
        return "SVG";
    case plot::PlotOutput::Png:
        return "PNG";
    case plot::PlotOutput::Window:
        return "XWIN";
    case plot::PlotOutput::Wmf:
        break;
    }
    return "WMF";
}

void drawGraphPicture(const GraphData& d, const GraphReadOut& r) {
    using namespace plot;
    const ScreenMetrics screen = screenMetrics();
    const int w = screen.width * 2 / 3, h = w * kPageHeight / kPageWidth;
    window((screen.width - w) / 2, (screen.height - h) / 2, w, h);
    setpag("DA4L");
    disini();
    winmod("NOHOLD");
    winkey("ESCAPE");
    wintit(kWindowTitle);
    const Colours c = colours();
    setclr(c.pageBorder);
    pagera();
    pagfll(c.pageFill);
    winfnt("Arial Bold");

    const int k = d.k();
    axspos(kAxisX, kAxisY);
    axslen(kAxisW, d.axisHeight());
    hname(50);
    name("Item", "x");
    labdig(-1, "x");
    ticks(10, "x");
    ticks(10, "y");
    axsbgd(c.white);
    setclr(c.black);
    const GraphScale& s = d.scale;
    graf(d.rows.x0, d.rows.x1, d.rows.x0, s.dx, s.ymin, s.ymax, s.ymin, s.dy);

    setclr(c.grid);
    grid(1, 1);
    chncrv("COLOR");
    clrcyc(1, 0);
    thkcrv(spessore);
    drawCurves(d);

    std::string buffer;
    height(22);
    setclr(c.black);
    legini(buffer, k, kLegendWidth);
    legpos(300, 50);
    for (int i = 0; i < k; ++i) leglin(buffer, d.legend[static_cast<size_t>(i)], i + 1);
    legtit("Legenda grafico");
    legend(buffer, 1);

    if (r.shown) drawReadOut(r, c.pageFill);
}

bool writeGraphFile(const GraphData& d, const std::string& path) {
    std::error_code ec;
    std::filesystem::remove(path, ec);
    plot::metafl(graphDeviceName(graphFileOutput(path)));
    plot::setfil(path);
    plot::filmod("DELETE");
    drawGraphPicture(d, GraphReadOut{});
    plot::disfin();
    return std::filesystem::file_size(path, ec) > 0 && !ec;
}

int graphCol(const TableModel& table, const ColumnSelection& selcol, int nitem, Window owner) {
    GraphData d;
    if (!collectGraphData(table, selcol, nitem, d)) return kGraphImpossible;
    GraphReadOut r;
    const int k = d.k();
    showPicture(d, r, false, owner);
    for (;;) {
        int x = 0, y = 0;
        const int code = plot::csrpos(x, y);
        if (code < 0 || code == kEsc || code == kRightClick) break;
        // The plot area afresh (the axes stay), then the curves in the thickness asked for.
        const Colours c = colours();
        plot::recfll(kAxisX + 1, 221 + kLegendLineHeight * k, kAxisW - 2, 1679 - kLegendLineHeight * k,
                     c.white);
        plot::setclr(c.grid);
        plot::grid(1, 1);
        plot::resatt();
        if (code == kPlus && spessore < kMaxGraphThickness) ++spessore;
        if (code == kMinus && spessore > 1) --spessore;
        plot::thkcrv(spessore);
        drawCurves(d);
        if (code == kSave) {
            plot::disfin();
            showPicture(d, r, true, owner);
            continue;
        }
        plot::setcsr(inGraphArea(d, x, y) ? "cross" : "arrow");
        if (code == kLeftClick) {
            graphClick(d, x, y, r);
            drawReadOut(r, c.pageFill);
        }
        plot::sendbf();
    }
    plot::disfin();
    return r.markedRow;
}
