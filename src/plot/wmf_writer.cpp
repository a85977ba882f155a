#include "plot/wmf_writer.h"

#include <algorithm>
#include <cmath>

#include "plot/plot_rules.h"

namespace plot {

int16_t wmfCoord(double v) {
    if (!(v == v)) return 0;
    double r = std::nearbyint(v);
    return static_cast<int16_t>(std::clamp(r, -32768.0, 32767.0));
}

void WmfWriter::put16(uint16_t v) {
    rec_.push_back(static_cast<uint8_t>(v & 0xFF));
    rec_.push_back(static_cast<uint8_t>(v >> 8));
}

void WmfWriter::put32(uint32_t v) {
    put16(static_cast<uint16_t>(v & 0xFFFF));
    put16(static_cast<uint16_t>(v >> 16));
}

void WmfWriter::begin(uint16_t function, size_t paramWords) {
    const auto words = static_cast<uint32_t>(3 + paramWords);
    maxRecord_ = std::max(maxRecord_, words);
    put32(words);
    put16(function);
}

uint16_t WmfWriter::takeSlot() {
    size_t i = 0;
    while (i < slots_.size() && slots_[i]) ++i;
    if (i == slots_.size())
        slots_.push_back(true);
    else
        slots_[i] = true;
    peak_ = std::max(peak_, static_cast<uint16_t>(slots_.size()));
    return static_cast<uint16_t>(i);
}

uint16_t WmfWriter::createPen(uint16_t style, int16_t width, uint32_t colorRef) {
    begin(kWmfCreatePenIndirect, 5);
    put16(style);
    put16(static_cast<uint16_t>(width)); // width as a POINT: x is the width, y unused
    put16(0);
    put32(colorRef);
    return takeSlot();
}

uint16_t WmfWriter::createBrush(uint16_t style, uint32_t colorRef, uint16_t hatch) {
    begin(kWmfCreateBrushIndirect, 4);
    put16(style);
    put32(colorRef);
    put16(hatch);
    return takeSlot();
}

uint16_t WmfWriter::createFont(const WmfFont& font) {
    std::string face = font.face.substr(0, 31);
    face.push_back('\0');
    if (face.size() % 2) face.push_back('\0');
    begin(kWmfCreateFontIndirect, 9 + face.size() / 2);
    put16(static_cast<uint16_t>(font.height));
    put16(0); // width: the face's own
    put16(static_cast<uint16_t>(font.escapement));
    put16(static_cast<uint16_t>(font.escapement)); // orientation
    put16(static_cast<uint16_t>(font.weight));
    rec_.push_back(font.italic ? 1 : 0);
    rec_.push_back(0); // underline
    rec_.push_back(0); // strike-out
    rec_.push_back(0); // character set: ANSI (Windows-1252)
    rec_.push_back(0); // output precision
    rec_.push_back(0); // clip precision
    rec_.push_back(0); // quality
    rec_.push_back(0); // pitch and family
    rec_.insert(rec_.end(), face.begin(), face.end());
    return takeSlot();
}

void WmfWriter::selectObject(uint16_t slot) {
    begin(kWmfSelectObject, 1);
    put16(slot);
}

void WmfWriter::deleteObject(uint16_t slot) {
    begin(kWmfDeleteObject, 1);
    put16(slot);
    if (slot < slots_.size()) slots_[slot] = false;
}

void WmfWriter::setMapMode(uint16_t mode) {
    begin(kWmfSetMapMode, 1);
    put16(mode);
}

void WmfWriter::setWindowOrg(int16_t x, int16_t y) {
    begin(kWmfSetWindowOrg, 2);
    put16(static_cast<uint16_t>(y));
    put16(static_cast<uint16_t>(x));
}

void WmfWriter::setWindowExt(int16_t x, int16_t y) {
    begin(kWmfSetWindowExt, 2);
    put16(static_cast<uint16_t>(y));
    put16(static_cast<uint16_t>(x));
}

void WmfWriter::setBkMode(uint16_t mode) {
    begin(kWmfSetBkMode, 1);
    put16(mode);
}

void WmfWriter::setTextColor(uint32_t colorRef) {
    begin(kWmfSetTextColor, 2);
    put32(colorRef);
}

void WmfWriter::setTextAlign(uint16_t align) {
    begin(kWmfSetTextAlign, 1);
    put16(align);
}

void WmfWriter::polyline(std::span<const WmfPoint> points) {
    const size_t n = std::min<size_t>(points.size(), 0xFFFF);
    begin(kWmfPolyline, 1 + 2 * n);
    put16(static_cast<uint16_t>(n));
    for (size_t i = 0; i < n; ++i) {
        put16(static_cast<uint16_t>(points[i].x));
        put16(static_cast<uint16_t>(points[i].y));
    }
}

void WmfWriter::rectangle(int16_t left, int16_t top, int16_t right, int16_t bottom) {
    begin(kWmfRectangle, 4);
    put16(static_cast<uint16_t>(bottom));
    put16(static_cast<uint16_t>(right));
    put16(static_cast<uint16_t>(top));
    put16(static_cast<uint16_t>(left));
}

void WmfWriter::textOut(int16_t x, int16_t y, std::string_view bytes) {
    bytes = bytes.substr(0, 32767);
    const size_t padded = bytes.size() + bytes.size() % 2;
    begin(kWmfTextOut, 1 + padded / 2 + 2);
    put16(static_cast<uint16_t>(bytes.size()));
    rec_.insert(rec_.end(), bytes.begin(), bytes.end());
    if (bytes.size() % 2) rec_.push_back(0);
    put16(static_cast<uint16_t>(y));
    put16(static_cast<uint16_t>(x));
}

std::vector<uint8_t> WmfWriter::finish() const {
    std::vector<uint8_t> out;
    out.reserve(22 + 18 + rec_.size() + 6);
    auto p16 = [&out](uint16_t v) {
        out.push_back(static_cast<uint8_t>(v & 0xFF));
        out.push_back(static_cast<uint8_t>(v >> 8));
    };
    auto p32 = [&p16](uint32_t v) {
        p16(static_cast<uint16_t>(v & 0xFFFF));
        p16(static_cast<uint16_t>(v >> 16));
    };
    // Placeable header.
    const uint16_t placeable[10] = {
        0xCDD7,        0x9AC6, 0, 0, 0, static_cast<uint16_t>(width_), static_cast<uint16_t>(height_),
        unitsPerInch_, 0,      0};
    uint16_t checksum = 0;
    for (uint16_t w : placeable) p16(w), checksum ^= w;
    p16(checksum);
    // Header.
    p16(1);      // in memory
    p16(9);      // header size [words]
    p16(0x0300); // version
    p32(static_cast<uint32_t>(9 + rec_.size() / 2 + 3));
    p16(peak_);
    p32(maxRecord_);
    p16(0);
    out.insert(out.end(), rec_.begin(), rec_.end());
    p32(3); // end of file
    p16(kWmfEof);
    return out;
}

WmfPlotDevice::~WmfPlotDevice() {
    if (file_) std::fclose(file_);
}

bool WmfPlotDevice::open() {
    file_ = std::fopen(path_.c_str(), "wb");
    return file_ != nullptr;
}

void WmfPlotDevice::beginPage() {
    w_.emplace(static_cast<int16_t>(kPageWidth), static_cast<int16_t>(kPageHeight), 254);
    pen_.reset(), brush_.reset(), font_.reset();
    textColour_.reset(), textAlign_.reset();
    w_->setMapMode(kWmfMapAnisotropic);
    w_->setWindowOrg(0, 0);
    w_->setWindowExt(kPageWidth, kPageHeight);
    nullPen_ = w_->createPen(kWmfPenNull, 0, 0);
    selectPen(nullPen_);
    // The white page: readers size the picture by what was drawn, so it spans the whole page.
    uint16_t white = w_->createBrush(kWmfBrushSolid, wmfColorRef({255, 255, 255}));
    w_->selectObject(white);
    brush_ = Brush{{255, 255, 255}, white};
    bkMode_ = 0;
    setBk(kWmfOpaque);
    w_->rectangle(0, 0, kPageWidth, kPageHeight);
}

void WmfPlotDevice::selectPen(uint16_t slot) {
    if (selectedPen_ == slot) return;
    w_->selectObject(slot);
    selectedPen_ = slot;
}

void WmfPlotDevice::setBk(uint16_t mode) {
    if (bkMode_ == mode) return;
    w_->setBkMode(mode);
    bkMode_ = mode;
}

void WmfPlotDevice::polyline(std::span<const PagePoint> points) {
    if (!w_ || points.size() < 2) return;
    const int16_t width = wmfCoord(width_);
    if (!pen_ || !(pen_->colour == colour_) || pen_->width != width) {
        uint16_t slot = w_->createPen(kWmfPenSolid, width, wmfColorRef(colour_));
        selectPen(slot);
        if (pen_) w_->deleteObject(pen_->slot);
        pen_ = Pen{colour_, width, slot};
    }
    selectPen(pen_->slot);
    size_t start = 0;
    while (start + 1 < points.size()) {
        size_t end = std::min(points.size(), start + kWmfMaxPolylinePoints);
        points_.clear();
        for (size_t i = start; i < end; ++i)
            points_.push_back({wmfCoord(points[i].x), wmfCoord(points[i].y)});
        w_->polyline(points_);
        start = end - 1; // the next record starts where this one ended
    }
}

void WmfPlotDevice::fillRect(const PageRect& r) {
    if (!w_) return;
    if (!brush_ || !(brush_->colour == colour_)) {
        uint16_t slot = w_->createBrush(kWmfBrushSolid, wmfColorRef(colour_));
        w_->selectObject(slot);
        if (brush_) w_->deleteObject(brush_->slot);
        brush_ = Brush{colour_, slot};
    }
    selectPen(nullPen_);
    setBk(kWmfOpaque);
    w_->rectangle(wmfCoord(r.x), wmfCoord(r.y), wmfCoord(r.x + r.w), wmfCoord(r.y + r.h));
}

void WmfPlotDevice::text(PagePoint at, std::string_view text, const TextStyle& style) {
    if (!w_ || text.empty()) return;
    WmfFont want;
    want.height = static_cast<int16_t>(-std::max<int16_t>(1, wmfCoord(style.em)));
    want.escapement = static_cast<int16_t>(style.angle * 10);
    want.weight = style.bold ? 700 : 400;
    want.italic = style.italic;
    want.face = style.face.substr(0, 31);
    if (!font_ || font_->logical.height != want.height || font_->logical.escapement != want.escapement ||
        font_->logical.weight != want.weight || font_->logical.italic != want.italic ||
        font_->logical.face != want.face) {
        uint16_t slot = w_->createFont(want);
        w_->selectObject(slot);
        if (font_) w_->deleteObject(font_->slot);
        font_ = Font{want, slot};
    }
    const uint32_t ref = wmfColorRef(colour_);
    if (textColour_ != ref) w_->setTextColor(ref), textColour_ = ref;
    // Every text is written left-aligned from a start point placed with the face's advance
    // widths: readers that size the picture by what was drawn misjudge the extent of centred and
    // right-aligned texts and stretch the page.
    double shift = 0;
    if (style.anchor != TextAnchor::Left) {
        shift = estimateTextWidth(text, style.em);
        if (style.anchor == TextAnchor::Centre) shift /= 2;
    }
    const double rad = style.angle * 3.14159265358979323846 / 180.0;
    const double x = at.x - shift * std::cos(rad), y = at.y + shift * std::sin(rad);
    if (textAlign_ != kWmfAlignLeft) w_->setTextAlign(kWmfAlignLeft), textAlign_ = kWmfAlignLeft;
    setBk(kWmfTransparent);
    w_->textOut(wmfCoord(x), wmfCoord(y), text);
}

bool WmfPlotDevice::endPage() {
    if (!file_ || !w_) return false;
    const std::vector<uint8_t> bytes = w_->finish();
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size();
    ok = (std::fclose(file_) == 0) && ok;
    file_ = nullptr;
    w_.reset();
    return ok;
}

} // namespace plot
