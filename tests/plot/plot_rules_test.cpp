// Pure rules of the plotting engine: keywords, label values and texts, screen reduction.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "plot/plot_rules.h"

using namespace plot;

namespace {

TEST(PlotRules, KeywordsCompareTheirFirstFourLettersPadded) {
    EXPECT_EQ(keywordKey("nohold"), "NOHO");
    EXPECT_EQ(keywordKey("wmf"), "WMF ");
    EXPECT_EQ(keywordKey(""), "    ");
    const std::pair<const char*, int> cases[] = {{"cross", 0},  {"ARROW", 1}, {"VArrow", 2}, {"cro", -1},
                                                 {"crossx", 0}, {"hand", -1}, {"ARRO ", 1}};
    for (const auto& [arg, want] : cases) EXPECT_EQ(keywordIndex(arg, {"CROS", "ARRO", "VARR"}), want) << arg;
}

TEST(PlotRules, LabelTexts) {
    const std::tuple<double, int, const char*> cases[] = {
        {20, -1, "20"},         {20.5, -1, "20"},       {21.5, -1, "22"},    {-0.4, -1, "0"},
        {12, 0, "12."},         {2.5, 1, "2.5"},        {2, 1, "2.0"},       {-0.04, 1, "0.0"},
        {1e6, 2, "1000000.00"}, {1.0 / 3, 4, "0.3333"}, {-7.25, 2, "-7.25"},
    };
    for (const auto& [v, digits, want] : cases) EXPECT_EQ(formatLabel(v, digits), want) << v << " " << digits;
    EXPECT_EQ(formatLabel(1e300, 100).size(), 301u + 1 + 100); // the widest label fits
}

TEST(PlotRules, LabelValuesWalkFromTheFirstLabelInsideTheRange) {
    struct Case {
        double a, e, org, step;
        std::vector<double> want;
    };
    const Case cases[] = {
        {1, 100, 1, 20, {1, 21, 41, 61, 81}},
        {0, 1, 0, 0.1, {0, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 1.0}}, // 1.0 despite rounding
        {0, 10, -3, 4, {1, 5, 9}},                                             // first label below
        {0, 10, 12, 4, {}},                                                    // first label past the end
        {10, 0, 10, -5, {10, 5, 0}},                                           // falling axis
        {0, 10, 0, -1, {}},                                                    // step runs away
        {-50, 50, -50, 10, {-50, -40, -30, -20, -10, 0, 10, 20, 30, 40, 50}},
    };
    for (const Case& c : cases) {
        auto got = labelValues(c.a, c.e, c.org, c.step, 1000);
        ASSERT_EQ(got.size(), c.want.size()) << c.a << " " << c.e << " " << c.org;
        for (size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], c.want[i], 1e-9);
    }
    EXPECT_EQ(labelValues(0, 1, 0, 1e-9, 1000).size(), 1000u); // bounded
    // Ticks and grid positions go both ways from the first label.
    auto ticks = axisPositions(0, 10, 3, 2, 2, 100);
    EXPECT_EQ(ticks, (std::vector<double>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
}

TEST(PlotRules, ScreenReductionKeepsEveryColumnsExtent) {
    // 100,000 points of noise over 500 pixel columns.
    std::vector<PagePoint> px;
    unsigned seed = 12345;
    for (int i = 0; i < 100000; ++i) {
        seed = seed * 1103515245u + 12345u;
        px.push_back({static_cast<float>(i) / 200.0f, static_cast<float>((seed >> 16) % 400)});
    }
    std::vector<PagePoint> out;
    reduceToColumns(px, out);
    EXPECT_LE(out.size(), 4u * 500);
    EXPECT_GE(out.size(), 2u * 500);
    auto extent = [](const std::vector<PagePoint>& pts) {
        std::map<int, std::pair<float, float>> e;
        for (auto p : pts) {
            auto [it, fresh] = e.try_emplace(static_cast<int>(std::floor(p.x)), p.y, p.y);
            it->second.first = std::min(it->second.first, p.y);
            it->second.second = std::max(it->second.second, p.y);
        }
        return e;
    };
    EXPECT_EQ(extent(out), extent(px));
    EXPECT_EQ(out.front().x, px.front().x); // the ends stay where they were
    EXPECT_EQ(out.back().y, px.back().y);
    // The kept points keep their order (x never goes back within the walk).
    EXPECT_TRUE(std::is_sorted(out.begin(), out.end(), [](PagePoint a, PagePoint b) { return a.x < b.x; }));

    // Few points per column: nothing is dropped.
    std::vector<PagePoint> sparse = {{0.5f, 1}, {1.5f, 2}, {1.7f, 9}, {2.5f, 3}}, kept;
    reduceToColumns(sparse, kept);
    EXPECT_EQ(kept.size(), sparse.size());
}

} // namespace
