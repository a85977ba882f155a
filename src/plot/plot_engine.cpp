// The plotting engine: levels, warnings, set-up, devices, colours, texts, legends and the cursor.
// The axis system and the curves are in plot_axes.cpp.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <sys/stat.h>

#include "plot/plot_rules.h"
#include "plot/plot_state.h"
#include "plot/record_device.h"
#include "plot/svg_device.h"
#include "plot/wmf_writer.h"

namespace plot {

Engine gPlot;

namespace {

size_t outputIndex(PlotOutput o) {
    return static_cast<size_t>(o);
}

bool fileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

// "plot.wmf" -> "plot_1.wmf", "plot_2.wmf", ...: the first name not taken.
std::string countedName(const std::string& path) {
    size_t slash = path.rfind('/');
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) dot = path.size();
    for (int n = 1; n < 100000; ++n) {
        std::string candidate = path.substr(0, dot) + "_" + std::to_string(n) + path.substr(dot);
        if (!fileExists(candidate)) return candidate;
    }
    return path;
}

const char* defaultFile(PlotOutput o) {
    switch (o) {
    case PlotOutput::Wmf:
        return "plot.wmf";
    case PlotOutput::Svg:
        return "plot.svg";
    case PlotOutput::Png:
        return "plot.png";
    case PlotOutput::Window:
        break;
    }
    return "";
}

// Splits "Arial Bold Italic" into the face and its style words.
void parseFace(std::string_view words, std::string& face, bool& bold, bool& italic) {
    bold = italic = false;
    std::string s(words);
    for (;;) {
        while (!s.empty() && s.back() == ' ') s.pop_back();
        size_t sp = s.rfind(' ');
        if (sp == std::string::npos) break;
        std::string full = s.substr(sp + 1);
        for (char& c : full) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (full == "BOLD")
            bold = true;
        else if (full == "ITALIC")
            italic = true;
        else
            break;
        s.resize(sp);
    }
    face = s.empty() ? "Arial" : s;
}

} // namespace

// ---------------------------------------------------------------- engine basics

Engine::Engine() {
    factories[outputIndex(PlotOutput::Wmf)] = [](const PlotDeviceRequest& r) {
        return std::unique_ptr<PlotDevice>(new WmfPlotDevice(r.path));
    };
    factories[outputIndex(PlotOutput::Svg)] = [](const PlotDeviceRequest& r) {
        return std::unique_ptr<PlotDevice>(new SvgPlotDevice(r.path));
    };
}

std::string_view warningText(int number) {
    switch (number) {
    case kWarnNegative:
        return "Negative parameter";
    case kWarnParameter:
        return "Incorrect parameter";
    case kWarnLevel:
        return "Incorrect level";
    case kWarnXOutOfPage:
        return "X coordinate out of page";
    case kWarnYOutOfPage:
        return "Y coordinate out of page";
    case kWarnStepZero:
        return "Step equal zero";
    case kWarnScalingEqual:
        return "Begin and end of scaling are equal";
    case kWarnAxisLength:
        return "Axis length < 2";
    case kWarnStartLabel:
        return "Startlabel out of scaling";
    case kWarnNoLegini:
        return "No call to legini before";
    case kWarnLegendLine:
        return "Too long string for legend line";
    case kWarnPoints:
        return "Incorrect number of points";
    case kWarnFile:
        return "File error";
    case kWarnFileName:
        return "Incorrect filename";
    case kWarnLegendLines:
        return "More legend lines than calls to curve";
    case kWarnStepSign:
        return "Incorrect sign for step";
    case kWarnWindowFonts:
        return "Window fonts cannot be used";
    case kErrBadDevice:
        return "Bad output device";
    }
    return "Unknown warning";
}

namespace {

std::string warningLine(int number, const char* routine) {
    std::string_view text = warningText(number);
    int n = std::snprintf(nullptr, 0, " <<<< Warning %3d: %.*s in %s!", number, static_cast<int>(text.size()),
                          text.data(), routine);
    std::string s(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(s.data(), s.size(), " <<<< Warning %3d: %.*s in %s!", number, static_cast<int>(text.size()),
                  text.data(), routine);
    s.resize(static_cast<size_t>(n));
    return s;
}

} // namespace

void Engine::warn(int number, const char* routine) {
    ++warnings;
    std::string line = warningLine(number, routine);
    if (sink)
        sink(line);
    else
        std::printf("%s\n", line.c_str());
}

void Engine::warn(int number, const char* routine, long value) {
    char tail[32];
    std::snprintf(tail, sizeof tail, "   (%4ld)", value);
    ++warnings;
    std::string line = warningLine(number, routine) + tail;
    if (sink)
        sink(line);
    else
        std::printf("%s\n", line.c_str());
}

void Engine::warn(int number, const char* routine, std::string_view value) {
    ++warnings;
    std::string line = warningLine(number, routine) + "   (" + std::string(value) + ")";
    if (sink)
        sink(line);
    else
        std::printf("%s\n", line.c_str());
}

bool Engine::levelIn(int lo, int hi, const char* routine) {
    if (level >= lo && level <= hi) return true;
    warn(kWarnLevel, routine);
    return false;
}

Rgb Engine::rgb(int colour) const {
    return colourRgb(colour, at.table).value_or(Rgb{});
}

void Engine::paint(int colour) {
    if (colour == devColour || !dev) return;
    dev->setColor(rgb(colour));
    devColour = colour;
}

void Engine::lineWidth(float width) {
    if (width == devWidth || !dev) return;
    dev->setLineWidth(width);
    devWidth = width;
}

void Engine::line(double x0, double y0, double x1, double y1) {
    const PagePoint pts[2] = {{static_cast<float>(x0), static_cast<float>(y0)},
                              {static_cast<float>(x1), static_cast<float>(y1)}};
    dev->polyline(pts);
}

void Engine::fill(double x, double y, double w, double h, int colour) {
    double x0 = std::max(0.0, x), y0 = std::max(0.0, y);
    double x1 = std::min<double>(kPageWidth, x + w), y1 = std::min<double>(kPageHeight, y + h);
    if (x1 <= x0 || y1 <= y0) return;
    paint(colour);
    dev->fillRect({static_cast<float>(x0), static_cast<float>(y0), static_cast<float>(x1 - x0),
                   static_cast<float>(y1 - y0)});
}

TextStyle Engine::textStyle(int h, TextAnchor anchor, int angle) const {
    TextStyle s;
    s.em = static_cast<float>(h) * kEmPerHeight;
    s.angle = angle;
    s.anchor = anchor;
    s.face = at.face;
    s.bold = at.bold;
    s.italic = at.italic;
    return s;
}

void Engine::text(std::string_view s, double x, double y, const TextStyle& style) {
    // Texts are clipped at the page only: one that starts outside it is not drawn.
    if (s.empty() || x < 0 || y < 0 || x > kPageWidth || y > kPageHeight) return;
    paint(at.colour);
    dev->text({static_cast<float>(x), static_cast<float>(y)}, s, style);
}

void Engine::closeDevice(bool hold) {
    if (!dev) return;
    dev->flush();
    const bool written = dev->endPage();
    if (!written && (caps & kCapFile)) warn(kWarnFile, "DISFIN", openPath);
    dev->tidy({hold && at.hold, at.endKey});
    dev.reset();
    caps = 0;
    level = 0;
}

// ---------------------------------------------------------------- set-up and devices

PlotDeviceFactory setPlotDeviceFactory(PlotOutput output, PlotDeviceFactory factory) {
    PlotDeviceFactory old = std::move(gPlot.factories[outputIndex(output)]);
    gPlot.factories[outputIndex(output)] = std::move(factory);
    return old;
}

ScreenMetricsProvider setScreenMetricsProvider(ScreenMetricsProvider provider) {
    ScreenMetricsProvider old = std::move(gPlot.screen);
    gPlot.screen = std::move(provider);
    return old;
}

ScreenMetrics screenMetrics() {
    return gPlot.screen ? gPlot.screen() : ScreenMetrics{};
}

PlotMessageSink setPlotMessageSink(PlotMessageSink sink) {
    PlotMessageSink old = std::move(gPlot.sink);
    gPlot.sink = std::move(sink);
    return old;
}

void setPlotWindowOwner(Window owner) {
    gPlot.owner = owner;
}

int plotWarningCount() {
    return gPlot.warnings;
}

int plotLevel() {
    return gPlot.level;
}

void plotReset() {
    Engine& g = gPlot;
    if (g.dev) g.closeDevice(false);
    g.output = PlotOutput::Window;
    g.file.clear();
    g.fileMode = FileMode::Count;
    g.win = {};
    g.owner = nullptr;
    g.level = 0;
    g.at = Attributes{};
    g.devColour = -1;
    g.devWidth = -1;
    g.warnings = 0;
}

void metafl(std::string_view device) {
    Engine& g = gPlot;
    if (!g.levelIn(0, 0, "METAFL")) return;
    switch (keywordIndex(device, {"XWIN", "WMF", "SVG", "PNG"})) {
    case 0:
        g.output = PlotOutput::Window;
        break;
    case 1:
        g.output = PlotOutput::Wmf;
        break;
    case 2:
        g.output = PlotOutput::Svg;
        break;
    case 3:
        g.output = PlotOutput::Png;
        break;
    default:
        g.warn(kWarnParameter, "METAFL", device);
    }
}

void setfil(std::string_view file) {
    Engine& g = gPlot;
    if (!g.levelIn(0, 0, "SETFIL")) return;
    if (file.empty() || file.size() > 256) {
        g.warn(kWarnFileName, "SETFIL", static_cast<long>(file.size()));
        return;
    }
    g.file = std::string(file);
}

void filmod(std::string_view mode) {
    Engine& g = gPlot;
    if (!g.levelIn(0, 3, "FILMOD")) return;
    switch (keywordIndex(mode, {"COUN", "DELE", "BREA"})) {
    case 0:
        g.fileMode = FileMode::Count;
        break;
    case 1:
        g.fileMode = FileMode::Delete;
        break;
    case 2:
        g.fileMode = FileMode::Break;
        break;
    default:
        g.warn(kWarnParameter, "FILMOD", mode);
    }
}

void setpag(std::string_view page) {
    Engine& g = gPlot;
    if (!g.levelIn(0, 0, "SETPAG")) return;
    if (keywordIndex(page, {"DA4L"}) != 0) g.warn(kWarnParameter, "SETPAG", page);
}

void window(int x, int y, int w, int h) {
    Engine& g = gPlot;
    if (!g.levelIn(0, 3, "WINDOW")) return;
    if (x < 0) return g.warn(kWarnParameter, "WINDOW", static_cast<long>(x));
    if (y < 0) return g.warn(kWarnParameter, "WINDOW", static_cast<long>(y));
    if (w <= 0) return g.warn(kWarnParameter, "WINDOW", static_cast<long>(w));
    if (h <= 0) return g.warn(kWarnParameter, "WINDOW", static_cast<long>(h));
    g.win = {x, y, w, h}; // used by the next disini
}

void disini() {
    Engine& g = gPlot;
    if (!g.levelIn(0, 0, "DISINI")) return;
    g.at = Attributes{};
    g.devColour = -1;
    g.devWidth = -1;

    PlotDeviceRequest req;
    req.output = g.output;
    req.window = g.win;
    req.owner = g.owner;
    bool refuse = false;
    if (g.output != PlotOutput::Window) {
        req.path = g.file.empty() ? defaultFile(g.output) : g.file;
        if (fileExists(req.path)) {
            if (g.fileMode == FileMode::Count)
                req.path = countedName(req.path);
            else if (g.fileMode == FileMode::Break)
                refuse = true;
            // Delete: the device replaces it
        }
    }
    const PlotDeviceFactory& make = g.factories[outputIndex(g.output)];
    g.dev = make && !refuse ? make(req) : nullptr;
    if (!g.dev) {
        if (refuse)
            g.warn(kWarnFile, "DISINI", req.path);
        else
            g.warn(kErrBadDevice, "DISINI");
        g.dev = std::make_unique<NullPlotDevice>();
    } else if (!g.dev->open()) {
        g.warn(kWarnFile, "DISINI", req.path);
        g.dev = std::make_unique<NullPlotDevice>();
    }
    g.openPath = req.path;
    g.caps = g.dev->caps();
    g.dev->beginPage();
    g.level = 1;
}

void winmod(std::string_view mode) {
    Engine& g = gPlot;
    g.levelIn(1, 3, "WINMOD");
    int k = keywordIndex(mode, {"FULL", "NOER", "NONE", "NOHO", "DELA", "NOMB"});
    if (k < 0) return g.warn(kWarnParameter, "WINMOD", mode);
    g.at.hold = k != 3;
}

void winkey(std::string_view key) {
    Engine& g = gPlot;
    g.levelIn(1, 3, "WINKEY");
    switch (keywordIndex(key, {"NONE", "RETU", "ESCA"})) {
    case 0:
        g.at.endKey = 0;
        break;
    case 1:
        g.at.endKey = 13;
        break;
    case 2:
        g.at.endKey = 27;
        break;
    default:
        g.warn(kWarnParameter, "WINKEY", key);
    }
}

void wintit(std::string_view title) {
    Engine& g = gPlot;
    if (!g.levelIn(1, 3, "WINTIT")) return;
    g.at.title = std::string(title);
    g.dev->setTitle(title);
}

void winfnt(std::string_view face) {
    Engine& g = gPlot;
    bool open = g.levelIn(1, 3, "WINFNT");
    if (open && !(g.caps & kCapFonts)) return g.warn(kWarnWindowFonts, "WINFNT");
    parseFace(face, g.at.face, g.at.bold, g.at.italic);
}

void pagera() {
    Engine& g = gPlot;
    if (!g.levelIn(1, 3, "PAGERA")) return;
    g.at.border = true;
    g.at.borderColour = g.at.colour;
    g.paint(g.at.colour);
    g.lineWidth(0);
    const PagePoint frame[5] = {
        {0, 0}, {kPageWidth - 1, 0}, {kPageWidth - 1, kPageHeight - 1}, {0, kPageHeight - 1}, {0, 0}};
    g.dev->polyline(frame);
}

void pagfll(int colour) {
    Engine& g = gPlot;
    if (!g.levelIn(1, 3, "PAGFLL")) return;
    if (!colourRgb(colour, g.at.table)) return g.warn(kWarnParameter, "PAGFLL", static_cast<long>(colour));
    g.fill(0, 0, kPageWidth, kPageHeight, colour);
    if (g.at.border) {
        const int current = g.at.colour;
        g.at.colour = g.at.borderColour;
        g.at.border = false;
        pagera();
        g.at.colour = current;
    }
}

void sendbf() {
    Engine& g = gPlot;
    if (!g.levelIn(1, 3, "SENDBF")) return;
    g.dev->flush();
}

void endgrf() {
    Engine& g = gPlot;
    if (!g.levelIn(1, 3, "ENDGRF")) return;
    if (g.level == 2) g.level = 1;
}

void disfin() {
    Engine& g = gPlot;
    if (!g.levelIn(1, 3, "DISFIN")) return;
    g.closeDevice(true);
}

// ---------------------------------------------------------------- colours

int intrgb(double r, double g, double b) {
    return rgbColour(r, g, b);
}

int indrgb(double r, double g, double b) {
    return nearestIndex(r, g, b, gPlot.at.table);
}

void setclr(int colour) {
    Engine& g = gPlot;
    if (!g.levelIn(1, 3, "SETCLR")) return;
    if (!colourRgb(colour, g.at.table)) return g.warn(kWarnParameter, "SETCLR", static_cast<long>(colour));
    g.at.colour = colour;
}

void color(std::string_view name) {
    Engine& g = gPlot;
    if (!g.levelIn(1, 3, "COLOR")) return;
    int k = keywordIndex(
        name, {"WHIT", "RED", "GREE", "YELL", "BLUE", "ORAN", "CYAN", "MAGE", "BLAC", "FORE", "BACK"});
    if (k < 0) return g.warn(kWarnParameter, "COLOR", name);
    if (k < 9)
        g.at.colour = explicitColour(kNamedColours[static_cast<size_t>(k)]);
    else
        g.at.colour = k == 9 ? g.at.foreground : g.at.background;
}

// ---------------------------------------------------------------- texts and areas

void height(int h) {
    Engine& g = gPlot;
    if (!g.levelIn(1, 3, "HEIGHT")) return;
    if (h < 0) return g.warn(kWarnNegative, "HEIGHT", static_cast<long>(h));
    if (h == 0 || h > 10000) return g.warn(kWarnParameter, "HEIGHT", static_cast<long>(h));
    g.at.textHeight = h;
}

void messag(std::string_view text, int x, int y) {
    Engine& g = gPlot;
    if (!g.levelIn(1, 3, "MESSAG")) return;
    g.text(text, x, y, g.textStyle(g.at.textHeight));
}

void recfll(int x, int y, int w, int h, int colour) {
    Engine& g = gPlot;
    if (!g.levelIn(1, 3, "RECFLL")) return;
    if (w < 0 || h < 0) return g.warn(kWarnNegative, "RECFLL", static_cast<long>(std::min(w, h)));
    if (!colourRgb(colour, g.at.table)) return g.warn(kWarnParameter, "RECFLL", static_cast<long>(colour));
    g.fill(x, y, w, h, colour);
}

// ---------------------------------------------------------------- legends

void legini(std::string& buffer, int lines, int width) {
    Engine& g = gPlot;
    if (!g.levelIn(1, 3, "LEGINI")) return;
    if (lines < 1 || lines > 30) return g.warn(kWarnParameter, "LEGINI", static_cast<long>(lines));
    if (width < 1 || width > 80) return g.warn(kWarnParameter, "LEGINI", static_cast<long>(width));
    buffer.assign(static_cast<size_t>(lines * width), ' ');
    g.at.legend = LegendState{};
    g.at.legend.started = true;
    g.at.legend.lines = lines;
    g.at.legend.width = width;
}

void leglin(std::string& buffer, std::string_view text, int line) {
    Engine& g = gPlot;
    if (!g.levelIn(1, 3, "LEGLIN")) return;
    const LegendState& L = g.at.legend;
    if (!L.started) return g.warn(kWarnNoLegini, "LEGLIN");
    if (line < 1 || line > L.lines) return g.warn(kWarnParameter, "LEGLIN", static_cast<long>(line));
    if (text.size() > static_cast<size_t>(L.width))
        return g.warn(kWarnLegendLine, "LEGLIN", static_cast<long>(text.size()));
    const size_t w = static_cast<size_t>(L.width);
    if (buffer.size() < static_cast<size_t>(L.lines) * w)
        buffer.resize(static_cast<size_t>(L.lines) * w, ' ');
    std::string row(text);
    row.resize(w, ' ');
    buffer.replace(static_cast<size_t>(line - 1) * w, w, row);
}

void legtit(std::string_view title) {
    Engine& g = gPlot;
    g.levelIn(1, 3, "LEGTIT");
    if (!g.at.legend.started) return g.warn(kWarnNoLegini, "LEGTIT");
    if (title.size() > 80) return g.warn(kWarnParameter, "LEGTIT", static_cast<long>(title.size()));
    g.at.legend.title = std::string(title);
}

void legpos(int x, int y) {
    Engine& g = gPlot;
    g.levelIn(1, 3, "LEGPOS");
    if (!g.at.legend.started) return g.warn(kWarnNoLegini, "LEGPOS");
    if (x < 0 || x > kPageWidth) return g.warn(kWarnParameter, "LEGPOS", static_cast<long>(x));
    if (y < 0 || y > kPageHeight) return g.warn(kWarnParameter, "LEGPOS", static_cast<long>(y));
    g.at.legend.placed = true;
    g.at.legend.x = x;
    g.at.legend.y = y;
}

void legend(const std::string& buffer, int position) {
    Engine& g = gPlot;
    if (!g.levelIn(2, 3, "LEGEND")) return;
    const LegendState& L = g.at.legend;
    if (!L.started) return g.warn(kWarnNoLegini, "LEGEND");

    const int h = g.at.textHeight;
    const double row = 1.5 * h;      // line pitch
    const double sample = 5.0 * h;   // length of a line sample
    const double textX = sample + h; // texts start after the sample
    const TextStyle style = g.textStyle(h);
    std::vector<std::string> lines;
    float widest = estimateTextWidth(L.title, style.em);
    for (int i = 0; i < L.lines; ++i) {
        const size_t from = static_cast<size_t>(i * L.width);
        std::string s =
            from < buffer.size() ? buffer.substr(from, static_cast<size_t>(L.width)) : std::string();
        while (!s.empty() && s.back() == ' ') s.pop_back();
        widest = std::max(widest, static_cast<float>(textX) + estimateTextWidth(s, style.em));
        lines.push_back(std::move(s));
    }
    const double boxW = widest, boxH = row * L.lines + style.em;

    double x = L.x, y = L.y;
    if (!L.placed) {
        const double margin = 50;
        const bool inAxis = position >= 5 && position <= 8;
        if (position < 1 || position > 8) {
            g.warn(kWarnParameter, "LEGEND", static_cast<long>(position));
            position = 1;
        }
        double l = 0, t = 0, r = kPageWidth, b = kPageHeight;
        if (inAxis) l = g.at.frameX, b = g.at.frameY, r = l + g.at.frameW, t = b - g.at.frameH;
        const int corner = (position - 1) % 4; // lower left, lower right, upper right, upper left
        x = (corner == 0 || corner == 3) ? l + margin : r - margin - boxW;
        y = (corner == 2 || corner == 3) ? t + margin : b - margin - boxH;
    }

    g.text(L.title, x, y, style);
    const int curves = static_cast<int>(g.at.curves.size());
    if (L.lines > curves) g.warn(kWarnLegendLines, "LEGEND");
    for (int i = 0; i < L.lines; ++i) {
        const double top = y + row * (i + 1);
        if (i < curves) {
            const CurveRecord& c = g.at.curves[static_cast<size_t>(i)];
            const double mid = top + 0.765 * h; // middle of the capitals
            g.paint(c.colour);
            g.lineWidth(curveLineWidth(c.thickness));
            g.line(x, mid, x + sample, mid);
        }
        g.text(lines[static_cast<size_t>(i)], x + textX, top, style);
    }
}

// ---------------------------------------------------------------- cursor

void csrmod(std::string_view mode, std::string_view what) {
    Engine& g = gPlot;
    g.levelIn(1, 3, "CSRMOD");
    std::string w(what);
    for (char& c : w) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (w != "POS") return g.warn(kWarnParameter, "CSRMOD", what);
    switch (keywordIndex(mode, {"STAN", "SET", "READ", "GET"})) {
    case 0:
        g.at.cursorMode = CursorMode::Standard;
        break;
    case 1:
        g.at.cursorMode = CursorMode::Set;
        break;
    case 2:
        g.at.cursorMode = CursorMode::Read;
        break;
    case 3:
        g.at.cursorMode = CursorMode::Get;
        break;
    default:
        g.warn(kWarnParameter, "CSRMOD", mode);
    }
}

int csrpos(int& x, int& y) {
    Engine& g = gPlot;
    if (!g.levelIn(1, 3, "CSRPOS")) return -1;
    if (!(g.caps & kCapCursor)) {
        g.warn(kErrBadDevice, "CSRPOS");
        return -1;
    }
    g.dev->flush();
    const PixelSize size = g.dev->pixelSize();
    const PixelPoint given = pageToPixel(x, y, size);
    const CursorMode mode = g.at.cursorMode;
    if (mode == CursorMode::Set || mode == CursorMode::Standard) {
        PixelPoint p{std::clamp(given.x, 0, std::max(0, size.w - 1)),
                     std::clamp(given.y, 0, std::max(0, size.h - 1))};
        g.dev->movePointer(p);
        if (mode == CursorMode::Set) return 0;
    }
    const PlotEvent e = mode == CursorMode::Get ? g.dev->pollEvent() : g.dev->waitEvent();
    if (!(e.at == given)) pixelToPage(e.at, size, x, y);
    return e.code;
}

void setcsr(std::string_view shape) {
    Engine& g = gPlot;
    if (!g.levelIn(1, 3, "SETCSR")) return;
    int k = keywordIndex(shape, {"CROS", "ARRO", "VARR"});
    if (k < 0) return g.warn(kWarnParameter, "SETCSR", shape);
    if (!(g.caps & kCapCursor)) return;
    g.dev->setPointer(k == 0   ? PointerShape::Cross
                      : k == 1 ? PointerShape::Arrow
                               : PointerShape::VerticalArrow);
}

} // namespace plot
