#pragma once
// Two devices without output: the null device (draws into nothing; used when the real device
// cannot be opened) and the recording device, which keeps every call for tests and can play
// back scripted input events as a screen window would deliver them.
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "plot/plot_device.h"

namespace plot {

class NullPlotDevice : public PlotDevice {
  public:
    unsigned caps() const override { return 0; }
    bool open() override { return true; }
    void beginPage() override {}
    void setColor(Rgb) override {}
    void setLineWidth(float) override {}
    void polyline(std::span<const PagePoint>) override {}
    void fillRect(const PageRect&) override {}
    void text(PagePoint, std::string_view, const TextStyle&) override {}
    bool endPage() override { return true; }
};

// One recorded call, with the colour and line width in force when it was made.
struct RecordedOp {
    enum Kind { Open, BeginPage, Polyline, Fill, Text, Title, Flush, EndPage, Tidy, MovePointer, Pointer };
    Kind kind = Open;
    Rgb colour;
    float width = 0;
    std::vector<PagePoint> points; // Polyline
    PageRect rect;                 // Fill
    std::string text;              // Text, Title
    PagePoint at;                  // Text
    TextStyle style;               // Text
    PixelPoint pixel;              // MovePointer
    PointerShape shape = PointerShape::Arrow;
    HoldRule hold; // Tidy
};

// What a recording device saw; shared with the test, so it outlives the device.
struct Recording {
    std::vector<RecordedOp> ops;
    // Scripted input: waitEvent pops the front (an empty queue ends the wait with code 27, as
    // closing the window does); pollEvent takes the back and clears the queue.
    std::deque<PlotEvent> events;
    PixelPoint pointer; // current pointer position
    PointerShape shape = PointerShape::Arrow;
    bool failOpen = false; // open() fails, as a file that cannot be created

    std::vector<const RecordedOp*> of(RecordedOp::Kind kind) const;
    std::vector<const RecordedOp*> polylinesIn(Rgb colour) const;
};

class RecordingPlotDevice : public PlotDevice {
  public:
    RecordingPlotDevice(std::shared_ptr<Recording> rec, unsigned caps, PixelSize pixels = {1188, 840})
        : rec_(std::move(rec)), caps_(caps), pixels_(pixels) {}
    unsigned caps() const override { return caps_; }
    bool open() override;
    void beginPage() override;
    void polyline(std::span<const PagePoint> points) override;
    void fillRect(const PageRect& r) override;
    void text(PagePoint at, std::string_view text, const TextStyle& style) override;
    void setTitle(std::string_view title) override;
    void flush() override;
    bool endPage() override;
    void tidy(const HoldRule& hold) override;
    PixelSize pixelSize() const override { return pixels_; }
    PlotEvent waitEvent() override;
    PlotEvent pollEvent() override;
    void movePointer(PixelPoint at) override;
    void setPointer(PointerShape shape) override;

  private:
    RecordedOp& add(RecordedOp::Kind kind);
    std::shared_ptr<Recording> rec_;
    unsigned caps_;
    PixelSize pixels_;
};

} // namespace plot
