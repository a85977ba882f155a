#pragma once
// Internal state of the plotting engine, shared by its source files. Callers use plot_engine.h.
#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "plot/plot_colors.h"
#include "plot/plot_device.h"
#include "plot/plot_engine.h"

namespace plot {

enum class FileMode { Count, Delete, Break };
enum class CurveMode { None, Colour, Line, Both };
enum class CursorMode { Standard, Set, Read, Get };
// What setgrf shows of one axis; each part includes the ones before it.
enum class AxisPart { None, Line, Ticks, Labels, Name };

// Warning numbers.
enum Warning : int {
    kWarnNegative = 1,
    kWarnParameter = 2,
    kWarnLevel = 3,
    kWarnXOutOfPage = 4,
    kWarnYOutOfPage = 5,
    kWarnStepZero = 9,
    kWarnScalingEqual = 10,
    kWarnAxisLength = 11,
    kWarnStartLabel = 12,
    kWarnNoLegini = 15,
    kWarnLegendLine = 16,
    kWarnPoints = 30,
    kWarnFile = 35,
    kWarnFileName = 36,
    kWarnLegendLines = 42,
    kWarnStepSign = 50,
    kWarnWindowFonts = 60,
    kErrBadDevice = 161,
};
std::string_view warningText(int number);

struct AxisSettings {
    int digits = 1;    // label decimals; -1 integers without a point
    std::string title; // Windows-1252, at most 132 characters
    int ticks = 2;     // tick intervals per label interval; 0 none
};

// One axis of the system defined by graf.
struct AxisScale {
    double a = 0, e = 1;      // values at the left/lower and right/upper end
    double org = 0, step = 1; // first label and label step
    bool usable = false;      // a != e: values can be placed
    bool labelled = false;    // labels and ticks can be placed
};

struct CurveRecord {
    int colour = 0;
    int thickness = 1;
};

struct LegendState {
    bool started = false;
    int lines = 0, width = 0; // lines 1..30, characters per line 1..80
    std::string title = "Legende";
    bool placed = false; // legpos was called
    int x = 0, y = 0;    // upper left corner [0.1 mm]
};

// Everything disini puts back to its default.
struct Attributes {
    // window
    std::string title;
    std::string face = "Arial";
    bool bold = false, italic = false;
    bool hold = true; // disfin waits for the user
    int endKey = 0;   // 0, 13 or 27

    // colours
    std::array<Rgb, 256> table = defaultColourTable();
    int colour = 0;                                   // current colour value
    int foreground = 0;                               // "FORE"
    int background = explicitColour({255, 255, 255}); // "BACK"
    std::array<int, kColourCycleSize> cycle = defaultColourCycle();
    CurveMode curveMode = CurveMode::None;
    int thickness = 1;

    // texts
    int textHeight = 36; // [0.1 mm], capitals
    int nameHeight = 36; // axis titles

    // axis system set-up
    int axisX = 300, axisY = 1800;  // lower left corner [0.1 mm]
    int axisW = 2400, axisH = 1500; // lengths [0.1 mm]
    int axisBackground = -1;        // -1: no fill
    AxisSettings x, y;
    std::array<AxisPart, 4> parts = {AxisPart::Name, AxisPart::Name, AxisPart::Ticks, AxisPart::Ticks};

    // the system drawn by graf
    AxisScale sx, sy;
    int frameX = 0, frameY = 0, frameW = 0, frameH = 0; // copied from the set-up at graf

    // curves since graf: the count restarts with resatt, the records (for the legend) stay
    int curveCount = 0;
    std::vector<CurveRecord> curves;

    LegendState legend;
    CursorMode cursorMode = CursorMode::Standard;

    // page border, redrawn over a page fill
    bool border = false;
    int borderColour = 0;
};

class Engine {
  public:
    Engine();

    // Set-up kept from plot to plot.
    PlotOutput output = PlotOutput::Window;
    std::string file;
    FileMode fileMode = FileMode::Count;
    WindowGeometry win;
    void* owner = nullptr;
    std::string openPath; // the file the open plot writes

    std::array<PlotDeviceFactory, 4> factories;
    ScreenMetricsProvider screen;
    PlotMessageSink sink;
    int warnings = 0;

    int level = 0;
    std::unique_ptr<PlotDevice> dev;
    unsigned caps = 0;
    Attributes at;

    // The colour and width last handed to the device (-1: unknown).
    int devColour = -1;
    float devWidth = -1;

    // Reporting.
    void warn(int number, const char* routine);
    void warn(int number, const char* routine, long value);
    void warn(int number, const char* routine, std::string_view value);
    // Level check: false (after warning 3) when the level is outside lo..hi.
    bool levelIn(int lo, int hi, const char* routine);

    // Drawing helpers, in page units.
    Rgb rgb(int colour) const;
    void paint(int colour);
    void lineWidth(float width);
    void line(double x0, double y0, double x1, double y1);
    void fill(double x, double y, double w, double h, int colour); // clipped to the page
    TextStyle textStyle(int height, TextAnchor anchor = TextAnchor::Left, int angle = 0) const;
    void text(std::string_view s, double x, double y, const TextStyle& style);

    // Axis system pieces (plot_axes.cpp).
    void drawAxisSystem();
    void closeDevice(bool hold);
};

// The one engine of the process.
extern Engine gPlot;

} // namespace plot
