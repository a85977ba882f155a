// Live channel graphs of the monitor through the plotting engine's screen window.
#include "tables/datalogger.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <vector>

#include "plot/plot_engine.h"

int Flag_Graph = 0;
float Ymin_def = -50.0f, Ymax_def = 50.0f;
int Init_Graph = 0;

namespace {

using namespace plot;

// State of the one open graph.
struct LiveGraph {
    int mode = 0;     // 1 cursor, 2 data
    int npixel_x = 0; // samples across the screen
    int Ngraph = 0;   // channels
    int npix = 0;     // cursor mode: next column to write; data mode: first filled column
    int fine_1sch = 0;
    float circ_buf[kLiveChannels][kLiveMaxPoints] = {};
    float ascisse[kLiveMaxPoints] = {};
    float ppix_old[kLiveChannels] = {};
    float Xmin = 0, Xmax = 0, Ymin = 0, Ymax = 0;
    float cursx[2] = {}, cursy[2] = {};
    int Xw_cur = 0, Yw_cur = 0; // window origin, also the page offset of the mouse area
    float ValoreYold = 0;
    int colore[10] = {};
    int col_curva[10] = {};
};
LiveGraph G;

void buildColours() {
    G.colore[0] = intrgb(0.9, 0.9, 0.9);
    G.colore[1] = indrgb(0.5, 0.5, 0.5);
    G.colore[2] = intrgb(1, 1, 1);
    G.colore[3] = intrgb(0, 0, 0);
    G.colore[4] = intrgb(0.7, 0.7, 0.7);
    G.colore[5] = G.colore[6] = intrgb(0, 0, 0);
    static const double rgb[8][3] = {{0, 0, 0}, {1, 1, 0},     {0, 0.5, 0.5}, {0, 0, 0.5},
                                     {0, 0, 1}, {0.5, 0.5, 0}, {1, 0, 0},     {0.5, 0.5, 0.5}};
    for (int i = 0; i < 8; ++i) G.col_curva[i] = intrgb(rgb[i][0], rgb[i][1], rgb[i][2]);
    const double sweep = G.mode == 1 ? 0.85 : 0.5;
    G.col_curva[8] = G.col_curva[9] = intrgb(sweep, sweep, sweep);
}

void axes() {
    setclr(G.colore[3]);
    graf(G.Xmin, G.Xmax, G.Xmin, (G.Xmax - G.Xmin) / 10, G.Ymin, G.Ymax, G.Ymin, (G.Ymax - G.Ymin) / 10);
    setclr(G.colore[4]);
    grid(1, 1);
}

void channelLabels() {
    char buf[16];
    for (int i = 0; i < G.Ngraph; ++i) {
        setclr(G.col_curva[i]);
        std::snprintf(buf, sizeof buf, "CH%u", static_cast<unsigned>(i + 1));
        messag(buf, 20 + 150 * i, 20);
    }
}

// Columns from..from+n-1 of channel c.
void drawCurve(int c, int from, int n) {
    if (n < 1) return;
    curve({G.ascisse + from, static_cast<size_t>(n)}, {G.circ_buf[c] + from, static_cast<size_t>(n)}, n);
}

void drawCursor(float x) {
    G.cursx[0] = G.cursx[1] = x;
    curve(G.cursx, G.cursy, 2);
}

void open(int mode, const char* caption, int xw, int yw, float kwin, float ymin, float ymax, int xpoint,
          int ngra) {
    if (xpoint < 10 || xpoint > kLiveMaxPoints || ngra < 1 || ngra > kLiveChannels || Init_Graph) return;
    Init_Graph = 1;
    G = LiveGraph{};
    G.mode = mode;
    G.Xw_cur = xw;
    G.Yw_cur = yw;
    G.npixel_x = xpoint;
    G.Ngraph = ngra;
    G.Xmin = 0;
    G.Xmax = static_cast<float>(xpoint - 1);
    G.Ymin = ymin;
    G.Ymax = ymax;
    if (mode == 1) {
        G.npix = 0;
        for (int i = 0; i < xpoint; ++i) G.ascisse[i] = static_cast<float>(i);
        G.cursy[0] = ymin;
        G.cursy[1] = ymax;
    } else {
        G.npix = xpoint - 1;
        for (int i = 0; i < kLiveMaxPoints; ++i) G.ascisse[i] = static_cast<float>(i);
    }
    metafl("XWIN");
    const ScreenMetrics m = screenMetrics();
    const int w = static_cast<int>(m.width * kwin);
    window(xw + m.frameWidth + 2, yw + m.frameHeight + m.captionHeight, w, static_cast<int>(0.707 * w));
    setpag("DA4L");
    disini();
    buildColours();
    winmod("NOHOLD");
    wintit(caption ? caption : "");
    setclr(G.colore[1]);
    pagera();
    pagfll(G.colore[0]);
    winfnt("Arial Bold");
    axspos(350, 1800);
    axslen(2500, 1550);
    labdig(-1, "x");
    if (mode == 2) setgrf("ticks", "name", "ticks", "ticks");
    axsbgd(G.colore[2]);
    axes();
    channelLabels();
    sendbf();
}

} // namespace

void Init_Datalogger() {
    Ymax_def = 50.0f;
    Ymin_def = -50.0f;
    Flag_Graph = 0;
}

void Init_Graph1(const char* caption, int xw, int yw, float kwin, float ymin, float ymax, int xpoint,
                 int ngra) {
    open(1, caption, xw, yw, kwin, ymin, ymax, xpoint, ngra);
}

void Init_Graph2(const char* caption, int xw, int yw, float kwin, float ymin, float ymax, int xpoint,
                 int ngra) {
    open(2, caption, xw, yw, kwin, ymin, ymax, xpoint, ngra);
}

namespace {

// Samples waiting to be drawn while a batch is open.
struct Pending {
    bool batching = false;
    std::vector<std::array<float, kLiveChannels>> samples;
} P;

// Cursor mode: draws the waiting samples. Each run up to the right edge is drawn once: the old
// sweep's pieces and the old cursor erased, the grid, the curves up to the newest column, the
// new cursor. A run of one sample is exactly one step of the sweep.
void drawCursorSamples() {
    const int n = G.npixel_x;
    size_t i = 0;
    while (i < P.samples.size()) {
        const int p0 = G.npix;
        const int m = static_cast<int>(std::min(P.samples.size() - i, static_cast<size_t>(n - p0)));
        const int last = p0 + m - 1;
        const int from = std::max(p0 - 1, 0);
        if (G.fine_1sch && last - from >= 1) { // erase the pieces of the previous sweep that are replaced
            setclr(G.colore[2]);
            for (int c = 0; c < G.Ngraph; ++c) drawCurve(c, from, last - from + 1);
        }
        setclr(G.colore[2]);
        drawCursor(G.Xmin + static_cast<float>(p0));
        setclr(G.colore[4]);
        grid(1, 1);
        for (int k = 0; k < m; ++k) {
            const int col = p0 + k;
            for (int c = 0; c < G.Ngraph; ++c) {
                const float v = P.samples[i + static_cast<size_t>(k)][static_cast<size_t>(c)];
                if (col == 0) {
                    G.ppix_old[c] = v;
                    continue;
                }
                if (col == 1) G.circ_buf[c][0] = G.ppix_old[c];
                G.circ_buf[c][col] = v;
            }
        }
        if (last >= 1)
            for (int c = 0; c < G.Ngraph; ++c) setclr(G.col_curva[c]), drawCurve(c, 0, last + 1);
        setclr(G.col_curva[6]);
        drawCursor(last == n - 1 ? G.Xmin : G.Xmin + static_cast<float>(last + 1));
        G.npix = last + 1;
        i += static_cast<size_t>(m);
        if (G.npix >= n) { // the screen is full: relabel the x axis, the sweep goes grey
            G.fine_1sch = 1;
            G.npix = 0;
            for (int k = 0; k < n; ++k) G.ascisse[k] += static_cast<float>(n);
            G.Xmin += static_cast<float>(n);
            G.Xmax += static_cast<float>(n);
            endgrf();
            pagfll(G.colore[0]);
            axes();
            setclr(G.col_curva[8]);
            for (int c = 0; c < G.Ngraph; ++c) drawCurve(c, 0, n);
        }
    }
    sendbf();
}

void stepDataMode() {
    if (--G.npix < 1) {
        G.fine_1sch = 1;
        G.npix = 0;
    }
}

// Data mode: the whole trace erased once, all waiting samples shifted in, the trace drawn once.
void drawDataSamples() {
    const int n = G.npixel_x;
    setclr(G.colore[2]);
    for (int c = 0; c < G.Ngraph; ++c) drawCurve(c, 0, n);
    setclr(G.colore[4]);
    grid(1, 1);
    for (size_t k = 0; k < P.samples.size(); ++k) {
        if (k > 0) stepDataMode();
        for (int c = 0; c < G.Ngraph; ++c) {
            std::memmove(G.circ_buf[c], G.circ_buf[c] + 1, sizeof(float) * static_cast<size_t>(n - 1));
            G.circ_buf[c][n - 1] = P.samples[k][static_cast<size_t>(c)];
        }
    }
    if (G.fine_1sch) {
        for (int c = 0; c < G.Ngraph; ++c) setclr(G.col_curva[c]), drawCurve(c, 0, n);
    } else if (G.npix < n - 1) {
        for (int c = 0; c < G.Ngraph; ++c) setclr(G.col_curva[c]), drawCurve(c, G.npix, n - G.npix);
    }
    stepDataMode();
    sendbf();
}

void addSample(int mode, const float* data) {
    if (!Init_Graph || G.mode != mode || !data) return;
    std::array<float, kLiveChannels> s{};
    for (int c = 0; c < G.Ngraph; ++c) s[static_cast<size_t>(c)] = data[c];
    P.samples.push_back(s);
    if (!P.batching) endGraphBatch();
}

} // namespace

void Plot_Graph1(const float* data) {
    addSample(1, data);
}

void Plot_Graph2(const float* data) {
    addSample(2, data);
}

void beginGraphBatch() {
    P.batching = true;
}

void endGraphBatch() {
    P.batching = false;
    if (Init_Graph && !P.samples.empty()) {
        if (G.mode == 1)
            drawCursorSamples();
        else
            drawDataSamples();
    }
    P.samples.clear();
}

int Gest_Curs() {
    if (!Init_Graph) return 0;
    csrmod("get", "pos");
    int x = 0, y = 0;
    const int code = csrpos(x, y);
    if (code < 0) return 0;
    const bool inside =
        x >= G.Xw_cur + 40 && x <= G.Xw_cur + 2540 && y >= G.Yw_cur + 250 && y <= G.Yw_cur + 1800;
    setcsr(inside ? "cross" : "arrow");
    if (code == 0) return 0;
    if (code >= 1 && code <= 4) {
        const float step = (G.Ymax - G.Ymin) / 10;
        if (code == 4) {
            G.Ymax += step, G.Ymin += step;
        } else if (code == 2) {
            G.Ymax -= step, G.Ymin -= step;
        } else {
            const float c = (G.Ymin + G.Ymax) / 2;
            float h = (G.Ymax - G.Ymin) / 2;
            h = code == 1 ? h * 1.3f : h / 1.3f;
            G.Ymin = c - h;
            G.Ymax = c + h;
        }
        Ymax_def = G.Ymax;
        Ymin_def = G.Ymin;
        G.cursy[0] = G.Ymin;
        G.cursy[1] = G.Ymax;
        endgrf();
        pagfll(G.colore[0]);
        axes();
        channelLabels();
        sendbf();
    } else if (code == 5 && inside) {
        recfll(G.Xw_cur, G.Yw_cur + 1950, 750, 100, G.colore[0]);
        const float v = G.Ymax - static_cast<float>(y - (G.Yw_cur + 250)) * (G.Ymax - G.Ymin) / 1550;
        char buf[64];
        setclr(G.col_curva[6]);
        std::snprintf(buf, sizeof buf, "         Y = %.2f", static_cast<double>(v));
        messag(buf, G.Xw_cur, G.Yw_cur + 1950);
        std::snprintf(buf, sizeof buf, "Delta Y = %.2f", static_cast<double>(G.ValoreYold - v));
        messag(buf, G.Xw_cur, G.Yw_cur + 2010);
        G.ValoreYold = v;
        sendbf();
    }
    return code;
}

void Close_Graph() {
    P = Pending{};
    if (!Init_Graph) return;
    Init_Graph = 0;
    disfin();
}

LiveGraphState liveGraphState() {
    return {G.npix, G.npixel_x, G.fine_1sch, G.Xmin, G.Xmax, G.Ymin, G.Ymax, G.ValoreYold};
}
