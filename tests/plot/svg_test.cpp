// The SVG device: the same picture as the other devices, texts as UTF-8 XML.
#include "plot/plot_test_support.h"

#include "plot/svg_device.h"

using namespace plot;

namespace {

class SvgFile : public PlotTest {};

std::vector<std::vector<PagePoint>> svgPolylines(const std::string& doc) {
    std::vector<std::vector<PagePoint>> out;
    for (size_t at = doc.find("<polyline "); at != std::string::npos; at = doc.find("<polyline ", at + 1)) {
        std::vector<double> v = numbers(svgAttribute(doc, at, "points"));
        std::vector<PagePoint> pts;
        for (size_t i = 0; i + 1 < v.size(); i += 2)
            pts.push_back({static_cast<float>(v[i]), static_cast<float>(v[i + 1])});
        out.push_back(std::move(pts));
    }
    return out;
}

TEST_F(SvgFile, SamePictureAsTheRecordingDevice) {
    metafl("XWIN");
    drawColumnGraphPicture();
    std::vector<std::vector<PagePoint>> recorded;
    for (auto* op : rec->of(RecordedOp::Polyline)) recorded.push_back(op->points);

    metafl("SVG");
    setfil(path("g.svg"));
    filmod("DELETE");
    drawColumnGraphPicture();
    EXPECT_EQ(take(), "");
    const std::string doc = readAll(path("g.svg"));
    EXPECT_NE(doc.find("viewBox=\"0 0 2970 2100\""), std::string::npos);
    auto drawn = svgPolylines(doc);
    ASSERT_EQ(drawn.size(), recorded.size());
    for (size_t i = 0; i < drawn.size(); ++i) {
        ASSERT_EQ(drawn[i].size(), recorded[i].size()) << i;
        for (size_t k = 0; k < drawn[i].size(); ++k) {
            EXPECT_NEAR(drawn[i][k].x, recorded[i][k].x, 0.051) << i << " " << k;
            EXPECT_NEAR(drawn[i][k].y, recorded[i][k].y, 0.051) << i << " " << k;
        }
    }
    // the curves in their cycle colours, the read-out in red, the degree sign in UTF-8
    EXPECT_NE(
        doc.find(
            "stroke=\"#000000\" stroke-linejoin=\"round\" stroke-linecap=\"round\" stroke-width=\"7.5\""),
        std::string::npos);
    EXPECT_NE(
        doc.find(
            "stroke=\"#ff0000\" stroke-linejoin=\"round\" stroke-linecap=\"round\" stroke-width=\"7.5\""),
        std::string::npos);
    EXPECT_NE(doc.find("fill=\"#ff0000\" xml:space=\"preserve\">Valore X= 50 (140523_101500) 25 \xC2\xB0"
                       "C</text>"),
              std::string::npos);
    EXPECT_NE(doc.find("<rect x=\"0\" y=\"0\" width=\"2970\" height=\"2100\" fill=\"#ffff99\"/>"),
              std::string::npos);
}

TEST(SvgText, Windows1252BecomesEscapedUtf8) {
    const std::pair<std::string, std::string> cases[] = {
        {"a < b & c > \"d\"", "a &lt; b &amp; c &gt; &quot;d&quot;"},
        {"\xB0"
         "C \xE0 \x80",
         "\xC2\xB0"
         "C \xC3\xA0 \xE2\x82\xAC"},
        {"tab\there", "tab here"},
    };
    for (const auto& [in, want] : cases) EXPECT_EQ(svgText(in), want);
}

} // namespace
