#pragma once
// The plotting engine: one global engine with a procedural interface. Routines check the current
// level (0 no plot, 1 page, 2 axis system), take keyword arguments by their first four letters
// (any case), place things in page units (0.1 mm, DIN A4 landscape 2970 x 2100, origin upper
// left, y downward) and report misuse as numbered warnings on the message channel; nothing here
// ever stops the caller. Texts are Windows-1252 bytes.
//
// Typical use:
//   metafl("XWIN"); window(x, y, w, h); setpag("DA4L"); disini();
//   winmod("NOHOLD"); wintit("..."); axspos(300, 1900); axslen(2500, 1500);
//   graf(0, 100, 0, 20, -1, 1, -1, 0.5); curve(xs, ys, n); ... disfin();
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "platform/ui.h"
#include "plot/plot_device.h"

namespace plot {

// ---- set-up, page and devices ----
void metafl(std::string_view device);    // [0] "XWIN", "WMF", "SVG", "PNG"
void setfil(std::string_view file);      // [0] file of a file device, at most 256 characters
void filmod(std::string_view mode);      // [0-3] existing file: "COUNT" (default), "DELETE", "BREAK"
void setpag(std::string_view page);      // [0] "DA4L"
void window(int x, int y, int w, int h); // [0-3] screen window position and size [pixels]
void disini();                           // [0 -> 1] opens the plot
void winmod(std::string_view mode);      // [1-3] "NOHOLD": disfin closes the window at once
void winkey(std::string_view key);       // [1-3] "NONE", "RETURN", "ESCAPE": key ending a hold
void wintit(std::string_view title);     // [1-3] window title
void winfnt(std::string_view face);      // [1-3] font of texts ("Arial Bold")
void pagera();                           // [1-3] page border in the current colour
void pagfll(int colour);                 // [1-3] fills the page
void sendbf();                           // [1-3] makes the drawing visible
void endgrf();                           // [1-3] ends the axis system (level 1)
void disfin();                           // [1-3 -> 0] ends the plot

// ---- colours ----
int intrgb(double r, double g, double b); // explicit colour 0x01BBGGRR; -1 out of range
int indrgb(double r, double g, double b); // nearest colour-table index; -1 out of range
void setclr(int colour);                  // [1-3]
void color(std::string_view name);        // [1-3] "WHITE", "RED", ..., "BLACK", "FORE", "BACK"

// ---- axis systems ----
void axspos(int x, int y);                                // [1] lower left corner
void axslen(int w, int h);                                // [1] axis lengths, each >= 2
void axsbgd(int colour);                                  // background of the axis area
void labdig(int digits, std::string_view axes);           // decimals of labels, -1..100
void name(std::string_view title, std::string_view axes); // axis titles
void hname(int h);                                        // height of axis titles
void ticks(int n, std::string_view axes);                 // tick intervals per label interval, 0..1000
void setgrf(std::string_view lower, std::string_view left, std::string_view upper,
            std::string_view right); // [1] "NONE", "LINE", "TICKS", "LABELS", "NAME"
void graf(double xa, double xe, double xorg, double xstep, double ya, double ye, double yorg,
          double ystep);   // [1 -> 2]
void grid(int nx, int ny); // [2-3]

// ---- curves ----
// [2-3] the polyline through the first n points, clipped to the axis area. n may not exceed the
// arrays.
void curve(std::span<const float> x, std::span<const float> y, int n);
void chncrv(std::string_view mode); // "NONE", "COLOR", "LINE", "BOTH"
void clrcyc(int index, int colour); // entry 1..30 of the curve colour cycle
void thkcrv(int n);                 // curve line thickness 1..10000
void resatt();                      // [1-3] the next curve starts the colour cycle again

// ---- texts and areas ----
void height(int h);                                  // [1-3] character height
void messag(std::string_view text, int x, int y);    // [1-3] text, upper left corner
void recfll(int x, int y, int w, int h, int colour); // [1-3] filled rectangle

// ---- legends ----
void legini(std::string& buffer, int lines, int width); // [1-3] buffer becomes lines x width blanks
void leglin(std::string& buffer, std::string_view text, int line); // [1-3] line 1..lines
void legtit(std::string_view title);
void legpos(int x, int y);
void legend(const std::string& buffer, int position); // [2-3]

// ---- cursor ----
void csrmod(std::string_view mode, std::string_view what); // "STANDARD", "SET", "READ", "GET"; "POS"
int csrpos(int& x, int& y);                                // [1-3] event code; -1 not a window
void setcsr(std::string_view shape);                       // [1-3] "CROSS", "ARROW", "VARROW"

// ---- helpers of this program ----
// Where warnings go: one line per call, without a line end. The default writes to stdout.
using PlotMessageSink = std::function<void(std::string_view line)>;
PlotMessageSink setPlotMessageSink(PlotMessageSink sink); // returns the previous sink
// The window that owns the next screen windows (an owner handle of the UI services; null: the
// dialog that is modal at disini, if any). A screen window stays above its owner, takes input
// while the owner is modal, and closes with it.
void setPlotWindowOwner(Window owner);
int plotWarningCount(); // warnings since the last plotReset
int plotLevel();
// Closes any open plot without waiting and puts every setting back to its start value (the
// message sink and the device factories stay).
void plotReset();

// Character height h is the height of capitals; the font's em box is this much larger.
inline constexpr float kEmPerHeight = 1.4f;
// The line width of thickness n [0.1 mm]: thickness 1 is the thinnest line a device draws.
inline float curveLineWidth(int n) {
    return n <= 1 ? 0.0f : 2.5f * static_cast<float>(n);
}

} // namespace plot
