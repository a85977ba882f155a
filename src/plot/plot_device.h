#pragma once
// The output devices of the plotting engine. The engine works in page units (0.1 mm, origin at
// the upper left corner of the page, x to the right, y downward) and hands every drawing
// operation to one device through this interface.
//
// Lifecycle of a device, as the engine drives it:
//   1. open()          create the window or the file; false when that is impossible
//   2. beginPage()     a blank white page
//   3. drawing         setColor, setLineWidth, polyline, fillRect, text, setTitle, in any order
//   4. flush()         make everything drawn so far visible (a window); files ignore it
//   5. endPage()       the page is complete; a file device writes and closes its file here
//   6. tidy(hold)      release: a window waits to be dismissed when hold is set, then closes
// Cursor calls (pixelSize, waitEvent, pollEvent, movePointer, setPointer) are made only on a
// device with kCapCursor, between beginPage and endPage.
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace plot {

inline constexpr int kPageWidth = 2970;  // DIN A4 landscape [0.1 mm]
inline constexpr int kPageHeight = 2100; // [0.1 mm]

struct PagePoint {
    float x = 0; // [0.1 mm]
    float y = 0; // [0.1 mm], downward
};

struct PageRect {
    float x = 0, y = 0; // upper left corner [0.1 mm]
    float w = 0, h = 0; // size [0.1 mm]
};

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// Horizontal anchor of a text along its writing direction. The vertical anchor is always the
// top of the font's em box (its ascent line).
enum class TextAnchor { Left, Centre, Right };

struct TextStyle {
    float em = 50; // font size: height of the em box [0.1 mm]
    int angle = 0; // writing direction, degrees counter-clockwise: 0 or 90
    TextAnchor anchor = TextAnchor::Left;
    std::string face = "Arial"; // font face name, Windows-1252
    bool bold = false;
    bool italic = false;
};

// Pixel position inside a screen window's client area.
struct PixelPoint {
    int x = 0, y = 0;
    friend bool operator==(const PixelPoint&, const PixelPoint&) = default;
};

struct PixelSize {
    int w = 0, h = 0; // [pixels]
};

// One input event of a screen window: its code (see the cursor routines) and the pointer
// position at that moment. Code 0: no event.
struct PlotEvent {
    int code = 0;
    PixelPoint at;
};

enum class PointerShape { Cross, Arrow, VerticalArrow };

// What a device can do.
enum PlotCap : unsigned {
    kCapScreen = 1u << 0, // a window on the screen (flush shows the picture)
    kCapCursor = 1u << 1, // delivers mouse and key events and positions
    kCapFonts = 1u << 2,  // draws texts in named fonts
    kCapFile = 1u << 3,   // writes a file at endPage
};

// How a window is released by tidy().
struct HoldRule {
    bool hold = false; // wait until the user dismisses the window
    int endKey = 0;    // key code that dismisses it as well (13 Return, 27 Esc; 0 none)
};

class PlotDevice {
  public:
    virtual ~PlotDevice() = default;
    virtual unsigned caps() const = 0;

    virtual bool open() = 0;
    virtual void beginPage() = 0;

    // Colour and width [0.1 mm] of what follows; a width of 0 is the thinnest line the device
    // draws. File devices read them back when they draw; a window passes them on.
    virtual void setColor(Rgb c) { colour_ = c; }
    virtual void setLineWidth(float width) { width_ = width; }
    virtual void polyline(std::span<const PagePoint> points) = 0;
    // Fills the rectangle with the current colour, without an outline.
    virtual void fillRect(const PageRect& r) = 0;
    // Draws a Windows-1252 text in the current colour; `at` is the anchor on the em box's top.
    virtual void text(PagePoint at, std::string_view text, const TextStyle& style) = 0;
    virtual void setTitle(std::string_view title) { (void)title; }

    virtual void flush() {}
    // False when the page could not be written.
    virtual bool endPage() = 0;
    virtual void tidy(const HoldRule& hold) { (void)hold; }

    // Cursor interface (kCapCursor).
    virtual PixelSize pixelSize() const { return {}; }
    // Brings the window to the front and waits for the next input event; events that arrived
    // before the call are delivered first, oldest first.
    virtual PlotEvent waitEvent() { return {}; }
    // The most recent event since the last read (code 0 when none) with the current pointer
    // position; forgets every pending event.
    virtual PlotEvent pollEvent() { return {}; }
    virtual void movePointer(PixelPoint at) { (void)at; }
    virtual void setPointer(PointerShape shape) { (void)shape; }

  protected:
    Rgb colour_;
    float width_ = 0;
};

// The output devices that `metafl` selects.
enum class PlotOutput { Window, Wmf, Svg, Png };

// Window position and size on the screen [pixels]; w, h = 0: the device's default.
struct WindowGeometry {
    int x = 0, y = 0, w = 0, h = 0;
};

// What a device factory gets at `disini`.
struct PlotDeviceRequest {
    PlotOutput output = PlotOutput::Window;
    std::string path; // file devices: the file to write (Windows-1252 bytes as given)
    WindowGeometry window;
    void* owner = nullptr; // screen window: the window it belongs to (a QWidget* in the GUI)
};

using PlotDeviceFactory = std::function<std::unique_ptr<PlotDevice>(const PlotDeviceRequest&)>;

// Installs the factory of one output; returns the previous one. The core provides "WMF" and
// "SVG"; the GUI library adds the screen window and PNG (installPlotWindowDevices).
PlotDeviceFactory setPlotDeviceFactory(PlotOutput output, PlotDeviceFactory factory);

// Size of the screen the graphs are placed on, and the decoration a window adds around its
// client area [pixels].
struct ScreenMetrics {
    int width = 1280, height = 1024; // available screen area
    int frameWidth = 0;              // left or right frame of a decorated window
    int frameHeight = 0;             // bottom frame
    int captionHeight = 0;           // title bar
};
using ScreenMetricsProvider = std::function<ScreenMetrics()>;
// Installs the provider (the GUI library does); returns the previous one.
ScreenMetricsProvider setScreenMetricsProvider(ScreenMetricsProvider provider);
// The screen as the provider sees it; the defaults above without one.
ScreenMetrics screenMetrics();

} // namespace plot
