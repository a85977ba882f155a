// Pure rules of the plotting engine: label values and texts, screen reduction, SVG texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "plot/plot_rules.h"
#include "plot/svg_device.h"

using namespace plot;

namespace {

TEST(PlotRules, LabelValuesAndTexts) {
    const auto tenths = labelValues(0, 1, 0, 0.1, 1000);
    ASSERT_EQ(tenths.size(), 11u); // 1.0 despite rounding
    EXPECT_NEAR(tenths.back(), 1.0, 1e-9);
    EXPECT_TRUE(labelValues(0, 10, 0, -1, 1000).empty());      // a step running away
    EXPECT_EQ(labelValues(0, 1, 0, 1e-9, 1000).size(), 1000u); // bounded
    EXPECT_EQ(formatLabel(20.5, -1), "20");                    // half to even
    EXPECT_EQ(formatLabel(-0.04, 1), "0.0");
    EXPECT_EQ(formatLabel(1e300, 100).size(), 301u + 1 + 100); // the widest label fits
}

TEST(PlotRules, ScreenReductionKeepsEveryColumnsExtent) {
    // 100,000 points of noise over 500 pixel columns.
    std::vector<PagePoint> px, out;
    unsigned seed = 12345;
    for (int i = 0; i < 100000; ++i) {
        seed = seed * 1103515245u + 12345u;
        px.push_back({static_cast<float>(i) / 200.0f, static_cast<float>((seed >> 16) % 400)});
    }
    reduceToColumns(px, out);
    EXPECT_LE(out.size(), 4u * 500);
    auto extent = [](const std::vector<PagePoint>& pts) {
        std::map<int, std::pair<float, float>> e;
        for (auto p : pts) {
            auto [it, fresh] = e.try_emplace(static_cast<int>(std::floor(p.x)), p.y, p.y);
            it->second = {std::min(it->second.first, p.y), std::max(it->second.second, p.y)};
        }
        return e;
    };
    EXPECT_EQ(extent(out), extent(px));
    EXPECT_TRUE(std::is_sorted(out.begin(), out.end(), [](PagePoint a, PagePoint b) { return a.x < b.x; }));
}

TEST(SvgText, Windows1252BecomesEscapedUtf8) {
    EXPECT_EQ(svgText("a < b & c > \"d\""), "a &lt; b &amp; c &gt; &quot;d&quot;");
    EXPECT_EQ(svgText("\xB0"
                      "C \xE0 \x80\t"),
              "\xC2\xB0"
              "C \xC3\xA0 \xE2\x82\xAC ");
}

} // namespace
