// Plotting engine: a large column graph (8 curves x 100,000 points) drawn into a metafile and an
// SVG file (every point is written), and redrawn on the screen window when the benchmark is
// built with the GUI library (KORVANE_BENCH_GUI).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "plot/plot_engine.h"

#ifdef KORVANE_BENCH_GUI
#include <QApplication>
#include <cstdlib>

#include "plot/plot_window.h"
#endif

namespace {

constexpr int kCurves = 8;
constexpr int kPoints = 100000;

struct Columns {
    std::vector<float> x;
    std::vector<std::vector<float>> y;
};

// Eight day-like curves with measurement noise, as a long logger session gives them.
const Columns& columns() {
    static const Columns c = [] {
        Columns c;
        c.x.resize(kPoints);
        c.y.assign(kCurves, std::vector<float>(kPoints));
        unsigned seed = 1;
        for (int i = 0; i < kPoints; ++i) {
            c.x[static_cast<size_t>(i)] = static_cast<float>(i + 1);
            for (int k = 0; k < kCurves; ++k) {
                seed = seed * 1103515245u + 12345u;
                double day = std::sin(i * 2 * M_PI / 9600.0 + k);
                double noise = ((seed >> 16) % 1000) / 1000.0 - 0.5;
                c.y[static_cast<size_t>(k)][static_cast<size_t>(i)] =
                    static_cast<float>(50 + 40 * day + 3 * noise + k);
            }
        }
        return c;
    }();
    return c;
}

void axisSystem() {
    using namespace plot;
    axspos(300, 1900);
    axslen(2500, 1683 - 33 * kCurves);
    labdig(-1, "x");
    ticks(10, "xy");
    axsbgd(intrgb(1, 1, 1));
    setclr(intrgb(0, 0, 0));
    graf(1, kPoints, 1, 20000, 0, 110, 0, 22);
    setclr(intrgb(0.7, 0.7, 0.7));
    grid(1, 1);
}

void curves(int thickness = 1) {
    using namespace plot;
    const Columns& c = columns();
    resatt();
    chncrv("COLOR");
    clrcyc(1, 0);
    thkcrv(thickness);
    for (int k = 0; k < kCurves; ++k) curve(c.x, c.y[static_cast<size_t>(k)], kPoints);
}

void filePicture(benchmark::State& state, const char* device, const char* name) {
    using namespace plot;
    columns();
    const std::string path = (std::filesystem::temp_directory_path() / name).string();
    setPlotMessageSink([](std::string_view) {});
    for (auto _ : state) {
        metafl(device);
        setfil(path);
        filmod("DELETE");
        setpag("DA4L");
        disini();
        pagfll(intrgb(1, 1, 0.6));
        axisSystem();
        curves();
        disfin();
    }
    state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
    state.counters["points/s"] = benchmark::Counter(static_cast<double>(kCurves) * kPoints,
                                                    benchmark::Counter::kIsIterationInvariantRate);
    std::filesystem::remove(path);
    setPlotMessageSink(nullptr);
}

void BM_MetafileEightCurves(benchmark::State& state) {
    filePicture(state, "WMF", "korvane-bench.wmf");
}
BENCHMARK(BM_MetafileEightCurves)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_SvgEightCurves(benchmark::State& state) {
    filePicture(state, "SVG", "korvane-bench.svg");
}
BENCHMARK(BM_SvgEightCurves)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

#ifdef KORVANE_BENCH_GUI
// One redraw of the column graph's plot area on the screen window, as after every key or click:
// clear the area, grid, all curves, show. Arguments: window width [pixels], curve thickness.
// Target: under 50 ms for 8 x 100,000 points.
void BM_WindowRedrawEightCurves(benchmark::State& state) {
    using namespace plot;
    static int argc = 1;
    static char arg0[] = "korvane_bench";
    static char* argv[] = {arg0, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (!QApplication::instance()) new QApplication(argc, argv); // lives for the whole run
    installPlotWindowDevices();
    columns();
    setPlotMessageSink([](std::string_view) {});
    metafl("XWIN");
    window(0, 0, static_cast<int>(state.range(0)), static_cast<int>(state.range(0)) * 2100 / 2970);
    setpag("DA4L");
    disini();
    winmod("NOHOLD");
    pagfll(intrgb(1, 1, 0.6));
    axisSystem();
    const int top = 1900 - (1683 - 33 * kCurves);
    for (auto _ : state) {
        recfll(301, top + 4, 2498, 1683 - 33 * kCurves - 4, intrgb(1, 1, 1));
        setclr(intrgb(0.7, 0.7, 0.7));
        grid(1, 1);
        curves(static_cast<int>(state.range(1)));
        sendbf();
    }
    disfin();
    setPlotMessageSink(nullptr);
}
BENCHMARK(BM_WindowRedrawEightCurves)
    ->ArgNames({"width", "thickness"})
    ->Args({1280, 1})
    ->Args({1280, 3})
    ->Args({1920, 1})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
#endif

} // namespace
