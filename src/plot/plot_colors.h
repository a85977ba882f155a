#pragma once
// Colour values of the plotting engine: 0..255 select an entry of the colour table, a value with
// bit 24 set is an explicit colour 0x01BBGGRR.
#include <array>
#include <optional>
#include <string_view>

#include "plot/plot_device.h"

namespace plot {

inline constexpr int kExplicitColour = 0x01000000;
inline constexpr int kColourCycleSize = 30;

// The default colour table: 0 black, 1..8 the named colours white, red, green, yellow, blue,
// orange, cyan, magenta, 9..15 greys and dark shades, 16..231 a 6 x 6 x 6 colour cube (levels
// 0, 51, ..., 255; red slowest), 232..254 a grey ramp, 255 white.
const std::array<Rgb, 256>& defaultColourTable();

// The explicit colour of an RGB triple.
constexpr int explicitColour(Rgb c) {
    return kExplicitColour + c.b * 65536 + c.g * 256 + c.r;
}
// The RGB of a colour value; nullopt for a value that is neither an index nor explicit.
std::optional<Rgb> colourRgb(int value, const std::array<Rgb, 256>& table);

// One component 0..1 scaled to 0..255 (rounded); nullopt outside -0.001..1.001.
std::optional<int> colourComponent(double c);
// The explicit colour of (r, g, b) in 0..1; -1 for a component out of range.
int rgbColour(double r, double g, double b);
// The index of the table entry nearest to (r, g, b) in 0..1 (sum of the absolute differences,
// the lowest index on ties); -1 for a component out of range.
int nearestIndex(double r, double g, double b, const std::array<Rgb, 256>& table);

// The named colours of `color`, in keyword order: white, red, green, yellow, blue, orange, cyan,
// magenta, black.
inline constexpr std::array<Rgb, 9> kNamedColours = {Rgb{255, 255, 255}, Rgb{255, 0, 0},   Rgb{0, 255, 0},
                                                     Rgb{255, 255, 0},   Rgb{0, 0, 255},   Rgb{255, 128, 0},
                                                     Rgb{0, 255, 255},   Rgb{255, 0, 255}, Rgb{0, 0, 0}};

// The default curve colour cycle: entry i (1-based) is named colour ((i - 1) mod 8) + 1.
std::array<int, kColourCycleSize> defaultColourCycle();

} // namespace plot
