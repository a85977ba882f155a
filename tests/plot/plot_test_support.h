#pragma once
// Shared by the plotting tests: an engine reset per test with its messages captured, a recording
// device standing in for the screen window, a scratch folder, and the metafile readers.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "plot/plot_engine.h"
#include "plot/record_device.h"
#include "support/process.h"

class PlotTest : public ::testing::Test {
  protected:
    void SetUp() override {
        plot::plotReset();
        oldSink_ = plot::setPlotMessageSink([this](std::string_view line) { messages.emplace_back(line); });
        oldWindow_ =
            plot::setPlotDeviceFactory(plot::PlotOutput::Window, [this](const plot::PlotDeviceRequest& r) {
                requests.push_back(r);
                return std::unique_ptr<plot::PlotDevice>(
                    new plot::RecordingPlotDevice(rec, windowCaps, pixels));
            });
        dir = std::filesystem::temp_directory_path() /
              ("korvane-plot-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    void TearDown() override {
        plot::plotReset();
        plot::setPlotDeviceFactory(plot::PlotOutput::Window, std::move(oldWindow_));
        plot::setPlotMessageSink(std::move(oldSink_));
        std::filesystem::remove_all(dir);
    }

    // Opens a plot on the recording "window" with the usual set-up sequence.
    void openWindow() {
        using namespace plot;
        metafl("XWIN");
        setpag("DA4L");
        disini();
        winmod("NOHOLD");
    }
    std::string path(const std::string& name) const { return (dir / name).string(); }
    std::string take() { // the messages so far, one per line, and forget them
        std::string all;
        for (const auto& m : messages) all += m + "\n";
        messages.clear();
        return all;
    }

    std::shared_ptr<plot::Recording> rec = std::make_shared<plot::Recording>();
    unsigned windowCaps = plot::kCapScreen | plot::kCapCursor | plot::kCapFonts;
    plot::PixelSize pixels{1188, 840};
    std::vector<plot::PlotDeviceRequest> requests;
    std::vector<std::string> messages;
    std::filesystem::path dir;

  private:
    plot::PlotMessageSink oldSink_;
    plot::PlotDeviceFactory oldWindow_;
};

inline std::string readAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

// What libwmf wrote on stderr apart from its progress counter ("12%" and backspaces).
inline std::string wmfComplaints(const std::string& err) {
    return std::regex_replace(err, std::regex("\b| *[0-9]+%"), "");
}

// The value of attribute `name` (name="...") of the first element after `from` in an SVG text;
// empty when there is none.
inline std::string svgAttribute(const std::string& doc, size_t from, const std::string& name) {
    for (size_t at = doc.find(name + "=\"", from); at != std::string::npos;
         at = doc.find(name + "=\"", at + 1)) {
        if (at == 0 || !std::isspace(static_cast<unsigned char>(doc[at - 1]))) continue;
        at += name.size() + 2;
        return doc.substr(at, doc.find('"', at) - at);
    }
    return {};
}

// The numbers of a list such as "1.5,2 3,4.25".
inline std::vector<double> numbers(const std::string& list) {
    std::vector<double> out;
    for (const char* p = list.c_str(); *p;) {
        char* end = nullptr;
        const double v = std::strtod(p, &end);
        if (end == p)
            ++p;
        else
            out.push_back(v), p = end;
    }
    return out;
}

// Converts a metafile with libwmf: "svg" (wmf2svg) or "png" (wmf2gd) of at most w x h pixels.
// Fails the test when the tool (Debian package libwmf-bin) is missing, exits non-zero or complains.
inline bool wmfConvert(const std::string& wmf, const std::string& out, const std::string& kind, int w = 1485,
                       int h = 1050) {
    std::vector<std::string> argv = {std::string("/usr/bin/") + (kind == "svg" ? "wmf2svg" : "wmf2gd")};
    if (!std::filesystem::exists(argv[0])) {
        ADD_FAILURE() << "missing " << argv[0] << " (Debian package libwmf-bin)";
        return false;
    }
    if (kind == "png") argv.insert(argv.end(), {"-t", "png"});
    argv.insert(argv.end(), {"--maxwidth=" + std::to_string(w), "--maxheight=" + std::to_string(h),
                             "--maxpect", "-o", out, wmf});
    ProcessResult r = runProcess(argv);
    if (r.err.find("font") != std::string::npos)
        ADD_FAILURE() << "libwmf finds no fonts: is Debian's fonts-urw-base35 installed? (" << r.err << ")";
    EXPECT_EQ(r.status, 0) << kind << ": " << r.err;
    EXPECT_EQ(wmfComplaints(r.err), "") << kind;
    return r.status == 0 && std::filesystem::exists(out);
}

// The picture the column graph draws (two columns of 100 rows), through the engine's routines
// on the device chosen before. Curve 1 is a horizontal line at y = 2.5 over rows 1..100 (black),
// curve 2 a line from (1, 0) to (100, 10) (red). Axis area: x 300..2800, y 283..1900.
// `finish`: end with disfin.
inline void drawColumnGraphPicture(bool finish = true) {
    using namespace plot;
    const int k = 2;
    setpag("DA4L");
    disini();
    winmod("NOHOLD");
    wintit("Anteprima grafico");
    setclr(indrgb(0.5, 0.5, 0.5));
    pagera();
    pagfll(intrgb(1.0, 1.0, 0.6));
    winfnt("Arial Bold");
    axspos(300, 1900);
    axslen(2500, 1683 - 33 * k);
    hname(50);
    name("Item", "x");
    labdig(-1, "x");
    ticks(10, "x");
    ticks(10, "y");
    axsbgd(intrgb(1, 1, 1));
    setclr(intrgb(0, 0, 0));
    graf(1, 100, 1, 20, 0, 10, 0, 2);
    setclr(intrgb(0.7, 0.7, 0.7));
    grid(1, 1);
    chncrv("COLOR");
    clrcyc(1, 0);
    thkcrv(3);
    std::vector<float> x(100), flat(100, 2.5f), rising(100);
    for (int i = 0; i < 100; ++i)
        x[static_cast<size_t>(i)] = static_cast<float>(i + 1),
        rising[static_cast<size_t>(i)] = static_cast<float>(i) * 10.0f / 99.0f;
    curve(x, flat, 100);
    curve(x, rising, 100);
    std::string buf;
    height(22);
    setclr(intrgb(0, 0, 0));
    legini(buf, k, 80);
    legpos(300, 50);
    leglin(buf, "CH1_1: Temperatura (0.00 *C)", 1);
    leglin(buf, "CH1_2: Irraggiamento (W/m2)", 2);
    legtit("Legenda grafico");
    legend(buf, 1);
    recfll(1500, 20, 1300, 150, intrgb(1.0, 1.0, 0.6));
    color("red");
    height(36);
    messag("Valore Y= 2.50", 1500, 30);
    messag("Valore X= 50 (140523_101500) 25 \xB0"
           "C",
           1500, 80);
    sendbf();
    if (finish) disfin();
}
// Page position of a point of that picture.
inline double pictureX(double row) {
    return 300 + (row - 1) / 99.0 * 2500;
}
inline double pictureY(double v) {
    return 1900 - v / 10.0 * 1617;
}
