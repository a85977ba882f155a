#include "plot/svg_device.h"

#include <charconv>
#include <cstdio>

#include "platform/text_cp1252.h"

namespace plot {

namespace {

// Appends a page coordinate with at most one decimal.
void number(std::string& out, float v) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 1);
    if (r.ec != std::errc()) {
        out += '0';
        return;
    }
    std::string_view s(buf, static_cast<size_t>(r.ptr - buf));
    if (s.size() > 2 && s.substr(s.size() - 2) == ".0") s.remove_suffix(2);
    if (s == "-0") s = "0";
    out += s;
}

std::string hex(Rgb c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", c.r, c.g, c.b);
    return buf;
}

} // namespace

std::string svgText(std::string_view cp1252) {
    std::string out;
    for (char c : cp1252ToUtf8(cp1252)) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20)
                out += ' '; // control bytes are not XML
            else
                out += c;
        }
    }
    return out;
}

SvgPlotDevice::~SvgPlotDevice() {
    if (file_) std::fclose(file_);
}

bool SvgPlotDevice::open() {
    file_ = std::fopen(path_.c_str(), "wb");
    return file_ != nullptr;
}

void SvgPlotDevice::beginPage() {
    doc_ = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"297mm\" height=\"210mm\" viewBox=\"0 0 2970 "
           "2100\">\n"
           "<rect x=\"0\" y=\"0\" width=\"2970\" height=\"2100\" fill=\"#ffffff\"/>\n";
}

void SvgPlotDevice::polyline(std::span<const PagePoint> points) {
    if (points.size() < 2) return;
    doc_ += "<polyline fill=\"none\" stroke=\"" + hex(colour_) +
            "\" stroke-linejoin=\"round\" stroke-linecap=\"round\"";
    if (width_ <= 0) {
        doc_ += " stroke-width=\"1\" vector-effect=\"non-scaling-stroke\"";
    } else {
        doc_ += " stroke-width=\"";
        number(doc_, width_);
        doc_ += '"';
    }
    doc_ += " points=\"";
    for (size_t i = 0; i < points.size(); ++i) {
        if (i) doc_ += ' ';
        number(doc_, points[i].x);
        doc_ += ',';
        number(doc_, points[i].y);
    }
    doc_ += "\"/>\n";
}

void SvgPlotDevice::fillRect(const PageRect& r) {
    doc_ += "<rect x=\"";
    number(doc_, r.x);
    doc_ += "\" y=\"";
    number(doc_, r.y);
    doc_ += "\" width=\"";
    number(doc_, r.w);
    doc_ += "\" height=\"";
    number(doc_, r.h);
    doc_ += "\" fill=\"" + hex(colour_) + "\"/>\n";
}

void SvgPlotDevice::text(PagePoint at, std::string_view text, const TextStyle& style) {
    if (text.empty()) return;
    // The anchor is on the em box's top; SVG places the baseline, one ascent lower.
    const float ascent = 0.905f * style.em;
    doc_ += "<text x=\"0\" y=\"";
    number(doc_, ascent);
    doc_ += "\" transform=\"translate(";
    number(doc_, at.x);
    doc_ += ',';
    number(doc_, at.y);
    doc_ += ')';
    if (style.angle) doc_ += " rotate(" + std::to_string(-style.angle) + ')';
    doc_ += "\" font-family=\"" + svgText(style.face) + ", sans-serif\" font-size=\"";
    number(doc_, style.em);
    doc_ += '"';
    if (style.bold) doc_ += " font-weight=\"bold\"";
    if (style.italic) doc_ += " font-style=\"italic\"";
    if (style.anchor == TextAnchor::Centre) doc_ += " text-anchor=\"middle\"";
    if (style.anchor == TextAnchor::Right) doc_ += " text-anchor=\"end\"";
    doc_ += " fill=\"" + hex(colour_) + "\" xml:space=\"preserve\">" + svgText(text) + "</text>\n";
}

bool SvgPlotDevice::endPage() {
    if (!file_) return false;
    doc_ += "</svg>\n";
    bool ok = std::fwrite(doc_.data(), 1, doc_.size(), file_) == doc_.size();
    ok = (std::fclose(file_) == 0) && ok;
    file_ = nullptr;
    return ok;
}

} // namespace plot
