#include "plot/record_device.h"

namespace plot {

std::vector<const RecordedOp*> Recording::of(RecordedOp::Kind kind) const {
    std::vector<const RecordedOp*> out;
    for (const auto& op : ops)
        if (op.kind == kind) out.push_back(&op);
    return out;
}

std::vector<const RecordedOp*> Recording::polylinesIn(Rgb colour) const {
    std::vector<const RecordedOp*> out;
    for (const auto& op : ops)
        if (op.kind == RecordedOp::Polyline && op.colour == colour) out.push_back(&op);
    return out;
}

RecordedOp& RecordingPlotDevice::add(RecordedOp::Kind kind) {
    RecordedOp& op = rec_->ops.emplace_back();
    op.kind = kind;
    op.colour = colour_;
    op.width = width_;
    return op;
}

bool RecordingPlotDevice::open() {
    add(RecordedOp::Open);
    return !rec_->failOpen;
}

void RecordingPlotDevice::beginPage() {
    add(RecordedOp::BeginPage);
}

void RecordingPlotDevice::polyline(std::span<const PagePoint> points) {
    add(RecordedOp::Polyline).points.assign(points.begin(), points.end());
}

void RecordingPlotDevice::fillRect(const PageRect& r) {
    add(RecordedOp::Fill).rect = r;
}

void RecordingPlotDevice::text(PagePoint at, std::string_view text, const TextStyle& style) {
    RecordedOp& op = add(RecordedOp::Text);
    op.at = at;
    op.text = std::string(text);
    op.style = style;
}

void RecordingPlotDevice::setTitle(std::string_view title) {
    add(RecordedOp::Title).text = std::string(title);
}

void RecordingPlotDevice::flush() {
    add(RecordedOp::Flush);
}

bool RecordingPlotDevice::endPage() {
    add(RecordedOp::EndPage);
    return true;
}

void RecordingPlotDevice::tidy(const HoldRule& hold) {
    add(RecordedOp::Tidy).hold = hold;
}

PlotEvent RecordingPlotDevice::waitEvent() {
    if (rec_->events.empty()) return {27, rec_->pointer};
    PlotEvent e = rec_->events.front();
    rec_->events.pop_front();
    rec_->pointer = e.at;
    return e;
}

PlotEvent RecordingPlotDevice::pollEvent() {
    PlotEvent e{0, rec_->pointer};
    if (!rec_->events.empty()) e.code = rec_->events.back().code;
    rec_->events.clear();
    return e;
}

void RecordingPlotDevice::movePointer(PixelPoint at) {
    rec_->pointer = at;
    add(RecordedOp::MovePointer).pixel = at;
}

void RecordingPlotDevice::setPointer(PointerShape shape) {
    rec_->shape = shape;
    add(RecordedOp::Pointer).shape = shape;
}

} // namespace plot
