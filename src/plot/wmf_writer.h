#pragma once
// Windows metafiles: a record writer that lays out every field explicitly (little-endian) and
// tracks the object table, and the engine's metafile device on top of it.
#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "plot/plot_device.h"

namespace plot {

struct WmfPoint {
    int16_t x = 0, y = 0;
};

struct WmfFont {
    int16_t height = -50;   // negative: em height [logical units]
    int16_t escapement = 0; // tenths of a degree, counter-clockwise
    int16_t weight = 400;   // 400 normal, 700 bold
    bool italic = false;
    std::string face = "Arial"; // Windows-1252, cut to 31 bytes
};

// Function numbers of the records written.
enum WmfFunction : uint16_t {
    kWmfEof = 0x0000,
    kWmfSetBkMode = 0x0102,
    kWmfSetMapMode = 0x0103,
    kWmfSelectObject = 0x012D,
    kWmfSetTextAlign = 0x012E,
    kWmfDeleteObject = 0x01F0,
    kWmfSetTextColor = 0x0209,
    kWmfSetWindowOrg = 0x020B,
    kWmfSetWindowExt = 0x020C,
    kWmfCreatePenIndirect = 0x02FA,
    kWmfCreateFontIndirect = 0x02FB,
    kWmfCreateBrushIndirect = 0x02FC,
    kWmfPolyline = 0x0325,
    kWmfRectangle = 0x041B,
    kWmfTextOut = 0x0521,
};

inline constexpr uint16_t kWmfMapAnisotropic = 8;
inline constexpr uint16_t kWmfTransparent = 1, kWmfOpaque = 2;
inline constexpr uint16_t kWmfPenSolid = 0, kWmfPenNull = 5;
inline constexpr uint16_t kWmfBrushSolid = 0;
inline constexpr uint16_t kWmfAlignLeft = 0; // TA_LEFT | TA_TOP
// Points per POLYLINE record: longer lines are split into records sharing their end points.
inline constexpr size_t kWmfMaxPolylinePoints = 4000;

// COLORREF of an RGB colour: 0x00BBGGRR.
constexpr uint32_t wmfColorRef(Rgb c) {
    return static_cast<uint32_t>(c.r) | static_cast<uint32_t>(c.g) << 8 | static_cast<uint32_t>(c.b) << 16;
}

class WmfWriter {
  public:
    // A picture of width x height logical units, `unitsPerInch` of them to the inch.
    WmfWriter(int16_t width, int16_t height, uint16_t unitsPerInch)
        : width_(width), height_(height), unitsPerInch_(unitsPerInch) {}

    // Object records take the lowest free slot of the object table; they return it.
    uint16_t createPen(uint16_t style, int16_t width, uint32_t colorRef);
    uint16_t createBrush(uint16_t style, uint32_t colorRef, uint16_t hatch = 0);
    uint16_t createFont(const WmfFont& font);
    void selectObject(uint16_t slot);
    void deleteObject(uint16_t slot); // frees the slot

    void setMapMode(uint16_t mode);
    void setWindowOrg(int16_t x, int16_t y);
    void setWindowExt(int16_t x, int16_t y);
    void setBkMode(uint16_t mode);
    void setTextColor(uint32_t colorRef);
    void setTextAlign(uint16_t align);

    void polyline(std::span<const WmfPoint> points); // at most 65535 points
    void rectangle(int16_t left, int16_t top, int16_t right, int16_t bottom);
    void textOut(int16_t x, int16_t y, std::string_view bytes); // at most 32767 bytes

    // The whole file: placeable header, header, records, end-of-file record.
    std::vector<uint8_t> finish() const;

    size_t recordBytes() const { return rec_.size(); }
    uint32_t largestRecordWords() const { return maxRecord_; }
    uint16_t objectSlots() const { return peak_; }

  private:
    void begin(uint16_t function, size_t paramWords);
    void put16(uint16_t v);
    void put32(uint32_t v);
    uint16_t takeSlot();

    int16_t width_, height_;
    uint16_t unitsPerInch_;
    std::vector<uint8_t> rec_;
    uint32_t maxRecord_ = 3; // the end-of-file record
    std::vector<bool> slots_;
    uint16_t peak_ = 0;
};

// The metafile device: a page of 2970 x 2100 units of 0.1 mm (254 to the inch) with a white
// page-sized rectangle first. The file is created by open() and written by endPage().
class WmfPlotDevice : public PlotDevice {
  public:
    explicit WmfPlotDevice(std::string path) : path_(std::move(path)) {}
    ~WmfPlotDevice() override;
    unsigned caps() const override { return kCapFonts | kCapFile; }
    bool open() override;
    void beginPage() override;
    void polyline(std::span<const PagePoint> points) override;
    void fillRect(const PageRect& r) override;
    void text(PagePoint at, std::string_view text, const TextStyle& style) override;
    bool endPage() override;

  private:
    struct Pen {
        Rgb colour;
        int16_t width = 0;
        uint16_t slot = 0;
    };
    struct Brush {
        Rgb colour;
        uint16_t slot = 0;
    };
    struct Font {
        WmfFont logical;
        uint16_t slot = 0;
    };
    void selectPen(uint16_t slot);
    void setBk(uint16_t mode);

    std::string path_;
    std::FILE* file_ = nullptr;
    std::optional<WmfWriter> w_;
    std::optional<Pen> pen_;
    std::optional<Brush> brush_;
    std::optional<Font> font_;
    uint16_t nullPen_ = 0;
    uint16_t selectedPen_ = 0xFFFF;
    uint16_t bkMode_ = 0;
    std::optional<uint32_t> textColour_;
    std::optional<uint16_t> textAlign_;
    std::vector<WmfPoint> points_;
};

// A page coordinate as a 16-bit logical coordinate (rounded, clamped).
int16_t wmfCoord(double v);

} // namespace plot
