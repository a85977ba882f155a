#pragma once
// The SVG device: the page as a 297 x 210 mm drawing with a viewBox in page units; texts are
// converted from Windows-1252 to UTF-8. The file is created by open() and written by endPage().
#include <cstdio>
#include <string>

#include "plot/plot_device.h"

namespace plot {

class SvgPlotDevice : public PlotDevice {
  public:
    explicit SvgPlotDevice(std::string path) : path_(std::move(path)) {}
    ~SvgPlotDevice() override;
    unsigned caps() const override { return kCapFonts | kCapFile; }
    bool open() override;
    void beginPage() override;
    void polyline(std::span<const PagePoint> points) override;
    void fillRect(const PageRect& r) override;
    void text(PagePoint at, std::string_view text, const TextStyle& style) override;
    bool endPage() override;

    // The document drawn so far (complete once endPage has run).
    const std::string& document() const { return doc_; }

  private:
    std::string path_;
    std::FILE* file_ = nullptr;
    std::string doc_;
};

// Windows-1252 text as XML character data in UTF-8.
std::string svgText(std::string_view cp1252);

} // namespace plot
