// The live graphs of the monitor, drawn on a recording device in place of the screen window:
// the cursor mode's sweep and wrap, the data mode's scrolling, the arrow keys and the read-outs.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "plot/plot_test_support.h"
#include "shell/korvane.h"
#include "tables/datalogger.h"

namespace {

class LiveGraph : public PlotTest {
  protected:
    void SetUp() override {
        pixels = {plot::kPageWidth, plot::kPageHeight}; // one pixel per page unit
        PlotTest::SetUp();
        resetState();
    }
    void TearDown() override {
        Close_Graph();
        resetState();
        PlotTest::TearDown();
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const auto* op : rec->of(plot::RecordedOp::Text)) out.push_back(op->text);
        return out;
    }
    bool hasText(const std::string& t) const {
        const auto all = texts();
        return std::find(all.begin(), all.end(), t) != all.end();
    }
    // Polylines drawn in colour `c` since op index `from`.
    std::vector<const plot::RecordedOp*> linesIn(plot::Rgb c, size_t from = 0) const {
        std::vector<const plot::RecordedOp*> out;
        for (size_t i = from; i < rec->ops.size(); ++i)
            if (rec->ops[i].kind == plot::RecordedOp::Polyline && rec->ops[i].colour == c)
                out.push_back(&rec->ops[i]);
        return out;
    }
    int gesture(int code, int x = 0, int y = 0) {
        rec->pointer = {x, y};
        rec->events.push_back({code, rec->pointer});
        return Gest_Curs();
    }
    static constexpr plot::Rgb kBlack{0, 0, 0}, kYellow{255, 255, 0}, kRed{255, 0, 0};
};

TEST_F(LiveGraph, OutOfRangePointCountsAndASecondGraphAreRefused) {
    for (int points : {9, 2001}) {
        Init_Graph1("x", 319, 0, 0.7f, -50, 50, points, 2);
        EXPECT_EQ(Init_Graph, 0) << points;
    }
    Init_Graph2("x", 319, 0, 0.7f, -50, 50, 10, 9); // more channels than the store holds
    EXPECT_EQ(Init_Graph, 0);
    EXPECT_TRUE(requests.empty());
    Init_Graph2("Visualizzazione con dati scorrevoli", 319, 0, 0.7f, -50, 50, 2000, 8);
    EXPECT_EQ(Init_Graph, 1);
    Init_Graph1("second", 319, 0, 0.7f, -50, 50, 500, 2);
    EXPECT_EQ(requests.size(), 1u);
    ASSERT_EQ(rec->of(plot::RecordedOp::Title).size(), 1u);
    EXPECT_EQ(rec->of(plot::RecordedOp::Title)[0]->text, "Visualizzazione con dati scorrevoli");
    EXPECT_EQ(requests[0].window.w, static_cast<int>(plot::screenMetrics().width * 0.7f));
    EXPECT_EQ(take(), "");
}

TEST_F(LiveGraph, CursorModeWrapsAfterFiveHundredSamplesAndRelabelsTheAxis) {
    Init_Graph1("Visualizzazione con cursore scorrevole", 319, 0, 0.7f, -50, 50, 500, 2);
    ASSERT_EQ(Init_Graph, 1);
    EXPECT_TRUE(hasText("CH1") && hasText("CH2"));
    EXPECT_FALSE(hasText("899"));
    for (int i = 0; i < 500; ++i) {
        const float d[2] = {static_cast<float>(i % 40), -10.0f};
        Plot_Graph1(d);
    }
    const LiveGraphState s = liveGraphState();
    EXPECT_EQ(s.npix, 0);
    EXPECT_EQ(s.fine_1sch, 1);
    EXPECT_FLOAT_EQ(s.Xmin, 500);
    EXPECT_FLOAT_EQ(s.Xmax, 999);
    EXPECT_TRUE(hasText("500") && hasText("899"));
    // The first sweep stays visible in light grey, whole.
    std::vector<const plot::RecordedOp*> grey;
    for (const auto* op : rec->of(plot::RecordedOp::Polyline))
        if (op->points.size() == 500u && op->colour.r == op->colour.b && op->colour.r > 150) grey.push_back(op);
    ASSERT_EQ(grey.size(), 2u);
    for (const auto* op : grey) {
        EXPECT_EQ(op->colour.r, op->colour.g);
        EXPECT_EQ(op->colour.g, op->colour.b);
        EXPECT_NEAR(op->colour.r, 217, 1);
    }
    // The next sweep draws in the channel's colour from the new x origin, and the red cursor moves.
    const size_t mark = rec->ops.size();
    const float d[2] = {5, 5};
    Plot_Graph1(d); // column 0 is only kept
    Plot_Graph1(d);
    const auto black = linesIn(kBlack, mark);
    ASSERT_FALSE(black.empty());
    EXPECT_EQ(linesIn(kYellow, mark).size(), 1u);
    EXPECT_EQ(take(), "");
    EXPECT_FALSE(linesIn(kRed, mark).empty());
}

TEST_F(LiveGraph, DataModeFirstSampleDrawsNothingThenASegment) {
    Init_Graph2("Visualizzazione con dati scorrevoli", 319, 0, 0.7f, -50, 50, 500, 1);
    ASSERT_EQ(Init_Graph, 1);
    const float a = 10, b = 20;
    size_t mark = rec->ops.size();
    Plot_Graph2(&a);
    EXPECT_TRUE(linesIn(kBlack, mark).empty());
    mark = rec->ops.size();
    Plot_Graph2(&b);
    const auto lines = linesIn(kBlack, mark);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0]->points.size(), 2u); // the last two columns
    EXPECT_LT(lines[0]->points[0].x, lines[0]->points[1].x);
    EXPECT_GT(lines[0]->points[0].y, lines[0]->points[1].y); // 20 is drawn higher than 10
    EXPECT_EQ(take(), "");
}

// A burst of samples drawn as one batch leaves the picture of the single steps: the same state,
// the same newest curves, with far fewer drawing calls.
TEST_F(LiveGraph, ABatchOfSamplesEndsLikeItsSingleSteps) {
    for (int mode : {1, 2}) {
        std::vector<plot::PagePoint> last[2];
        size_t ops[2] = {};
        LiveGraphState end[2] = {};
        for (int batched = 0; batched <= 1; ++batched) {
            rec->ops.clear();
            (mode == 1 ? Init_Graph1 : Init_Graph2)("g", 319, 0, 0.7f, -50, 50, 100, 2);
            ASSERT_EQ(Init_Graph, 1);
            const size_t mark = rec->ops.size();
            for (int chunk = 0; chunk < 3; ++chunk) {
                if (batched) beginGraphBatch();
                for (int i = 0; i < 70; ++i) {
                    const float d[2] = {static_cast<float>((chunk * 70 + i) % 37), 3.0f};
                    (mode == 1 ? Plot_Graph1 : Plot_Graph2)(d);
                }
                if (batched) endGraphBatch();
            }
            const auto black = linesIn(kBlack, mark);
            ASSERT_FALSE(black.empty());
            last[batched] = black.back()->points;
            ops[batched] = rec->ops.size() - mark;
            end[batched] = liveGraphState();
            Close_Graph();
        }
        SCOPED_TRACE(mode);
        EXPECT_EQ(end[1].npix, end[0].npix);
        EXPECT_EQ(end[1].fine_1sch, end[0].fine_1sch);
        EXPECT_EQ(end[1].Xmin, end[0].Xmin);
        ASSERT_EQ(last[1].size(), last[0].size());
        for (size_t i = 0; i < last[0].size(); ++i) EXPECT_EQ(last[1][i].y, last[0][i].y) << i;
        EXPECT_LT(ops[1] * 5, ops[0]);
    }
    EXPECT_EQ(take(), "");
}

TEST_F(LiveGraph, ArrowKeysShiftAndZoomTheRangeAndCarryItToTheNextGraph) {
    Init_Graph1("g", 319, 0, 0.7f, -50, 50, 500, 1);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(gesture(1), 1);
    EXPECT_NEAR(liveGraphState().Ymax, 142.8, 0.01);
    EXPECT_NEAR(liveGraphState().Ymin, -142.8, 0.01);
    EXPECT_NEAR(Ymax_def, 142.8, 0.01);
    EXPECT_EQ(gesture(3), 3); // zoom in once: 50 x 1.3^3
    EXPECT_NEAR(Ymax_def, 109.85, 0.01);
    const float range = Ymax_def - Ymin_def;
    EXPECT_EQ(gesture(4), 4); // down shifts the range up by a tenth
    EXPECT_NEAR(Ymax_def, 109.85 + range / 10, 0.01);
    EXPECT_EQ(gesture(2), 2);
    EXPECT_NEAR(Ymax_def, 109.85, 0.01);
    EXPECT_EQ(gesture(0), 0);
    EXPECT_EQ(gesture(27), 27);
    Close_Graph();
    Init_Graph2("h", 319, 0, 0.7f, Ymin_def, Ymax_def, 500, 1);
    EXPECT_NEAR(liveGraphState().Ymax, 109.85, 0.01);
    EXPECT_EQ(take(), "");
}

TEST_F(LiveGraph, ClicksReadYAndTheDifferenceToThePreviousClick) {
    Init_Graph1("g", 319, 0, 0.7f, -50, 50, 500, 1);
    EXPECT_EQ(gesture(5, 1000, 250), 5);
    EXPECT_TRUE(hasText("         Y = 50.00"));
    EXPECT_TRUE(hasText("Delta Y = -50.00"));
    EXPECT_EQ(rec->shape, plot::PointerShape::Cross);
    EXPECT_EQ(gesture(5, 1000, 1800), 5);
    EXPECT_TRUE(hasText("         Y = -50.00"));
    EXPECT_TRUE(hasText("Delta Y = 100.00"));
    const size_t n = texts().size();
    EXPECT_EQ(gesture(5, 2900, 1000), 5); // outside the plot area: no read-out
    EXPECT_EQ(texts().size(), n);
    EXPECT_EQ(rec->shape, plot::PointerShape::Arrow);
    EXPECT_EQ(take(), "");
}

} // namespace
