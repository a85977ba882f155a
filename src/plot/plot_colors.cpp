#include "plot/plot_colors.h"

#include <cmath>
#include <cstdlib>

namespace plot {

namespace {

constexpr std::array<Rgb, 256> buildTable() {
    std::array<Rgb, 256> t{};
    t[0] = {0, 0, 0};
    for (size_t i = 0; i < 8; ++i) t[1 + i] = kNamedColours[i];
    t[9] = {64, 64, 64};
    t[10] = {128, 128, 128};
    t[11] = {192, 192, 192};
    t[12] = {128, 0, 0};
    t[13] = {0, 128, 0};
    t[14] = {0, 0, 128};
    t[15] = {128, 64, 0};
    size_t i = 16;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                t[i++] = {static_cast<uint8_t>(51 * r), static_cast<uint8_t>(51 * g),
                          static_cast<uint8_t>(51 * b)};
    for (int k = 0; k < 23; ++k) {
        auto v = static_cast<uint8_t>((255 * (k + 1) * 2 + 24) / 48); // 255 (k + 1) / 24, rounded
        t[i++] = {v, v, v};
    }
    t[255] = {255, 255, 255};
    return t;
}

constexpr std::array<Rgb, 256> kDefaultTable = buildTable();

} // namespace

const std::array<Rgb, 256>& defaultColourTable() {
    return kDefaultTable;
}

std::optional<Rgb> colourRgb(int value, const std::array<Rgb, 256>& table) {
    if (value >= 0 && value < 256) return table[static_cast<size_t>(value)];
    if ((value & 0xFF000000) == kExplicitColour)
        return Rgb{static_cast<uint8_t>(value & 0xFF), static_cast<uint8_t>((value >> 8) & 0xFF),
                   static_cast<uint8_t>((value >> 16) & 0xFF)};
    return std::nullopt;
}

std::optional<int> colourComponent(double c) {
    if (!(c >= -0.001 && c <= 1.001)) return std::nullopt; // NaN fails too
    if (c < 0) c = 0;
    if (c > 1) c = 1;
    return static_cast<int>(255.0 * c + 0.5);
}

int rgbColour(double r, double g, double b) {
    auto cr = colourComponent(r), cg = colourComponent(g), cb = colourComponent(b);
    if (!cr || !cg || !cb) return -1;
    return kExplicitColour + *cb * 65536 + *cg * 256 + *cr;
}

int nearestIndex(double r, double g, double b, const std::array<Rgb, 256>& table) {
    auto cr = colourComponent(r), cg = colourComponent(g), cb = colourComponent(b);
    if (!cr || !cg || !cb) return -1;
    int best = 0, bestDistance = 1 << 30;
    for (int i = 0; i < 256; ++i) {
        const Rgb& e = table[static_cast<size_t>(i)];
        int d = std::abs(e.r - *cr) + std::abs(e.g - *cg) + std::abs(e.b - *cb);
        if (d < bestDistance) bestDistance = d, best = i;
    }
    return best;
}

std::array<int, kColourCycleSize> defaultColourCycle() {
    std::array<int, kColourCycleSize> cycle{};
    for (size_t i = 0; i < cycle.size(); ++i) cycle[i] = explicitColour(kNamedColours[i % 8]);
    return cycle;
}

} // namespace plot
