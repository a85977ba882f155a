// Windows metafiles: record layout in golden bytes, the records the engine writes, and libwmf
// reading them back.
#include "plot/plot_test_support.h"

#include "plot/wmf_writer.h"

using namespace plot;

namespace {

std::vector<uint8_t> bytesOf(std::string hex) {
    std::erase(hex, ' ');
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

uint16_t u16(const std::string& b, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}
uint32_t u32(const std::string& b, size_t at) {
    return u16(b, at) | static_cast<uint32_t>(u16(b, at + 2)) << 16;
}

struct Record {
    uint32_t words;
    uint16_t function;
    size_t at; // offset of the parameters
};

// The records of a metafile, read independently of the writer; empty unless they fill the file
// the header's size says, up to the end record.
std::vector<Record> walk(const std::string& b) {
    std::vector<Record> out;
    size_t at = 40;
    while (at + 6 <= b.size() && (out.empty() || out.back().function != kWmfEof)) {
        out.push_back({u32(b, at), u16(b, at + 4), at + 6});
        at += std::max<size_t>(out.back().words, 3) * 2;
    }
    if (b.size() < 40 || u32(b, 28) * 2 != b.size() - 22 || at != b.size()) out.clear();
    return out;
}

TEST(WmfWriter, GoldenBytesOfASmallPicture) {
    WmfWriter w(100, 50, 254);
    w.setMapMode(kWmfMapAnisotropic);
    w.setWindowExt(100, 50);
    w.selectObject(w.createPen(kWmfPenSolid, 3, wmfColorRef({255, 0, 0})));
    const WmfPoint pts[2] = {{1, 2}, {3, 4}};
    w.polyline(pts);
    w.textOut(5, 6,
              "\xB0"
              "Cx");
    const std::vector<uint8_t> want = bytesOf(
        // placeable header: key, handle, box 0 0 100 50, 254 per inch, reserved, checksum
        "D7CDC69A 0000 0000 0000 6400 3200 FE00 00000000 B957"
        // header: memory, 9 words, version 3.0, 49 words, 1 object, largest record 8, no parameters
        "0100 0900 0003 31000000 0100 08000000 0000"
        "04000000 0301 0800"                     // SETMAPMODE anisotropic
        "05000000 0C02 3200 6400"                // SETWINDOWEXT: y, then x
        "08000000 FA02 0000 0300 0000 FF000000"  // CREATEPENINDIRECT solid, 3 wide, red
        "04000000 2D01 0000"                     // SELECTOBJECT 0
        "08000000 2503 0200 0100 0200 0300 0400" // POLYLINE (1,2) (3,4)
        "08000000 2105 0300 B0437800 0600 0500"  // TEXTOUT 3 bytes padded, y, x
        "03000000 0000");                        // end of file
    EXPECT_EQ(w.finish(), want);
}

class WmfFile : public PlotTest {};

TEST_F(WmfFile, LongCurvesAreSplitIntoRecordsSharingTheirEnds) {
    metafl("WMF");
    setfil(path("long.wmf"));
    disini();
    graf(0, 9000, 0, 1000, -1, 1, -1, 1);
    std::vector<float> x(9000), y(9000);
    for (size_t i = 0; i < x.size(); ++i) x[i] = static_cast<float>(i), y[i] = (i % 2) ? 0.5f : -0.5f;
    setclr(intrgb(1, 0, 0));
    curve(x, y, 9000);
    disfin();
    const std::string b = readAll(path("long.wmf"));
    struct Line {
        size_t points;
        uint32_t first, last;
    };
    std::vector<Line> lines; // the curve's polylines: axes and ticks have two points
    for (const Record& r : walk(b)) {
        const size_t n = r.function == kWmfPolyline ? u16(b, r.at) : 0;
        if (n > 2) lines.push_back({n, u32(b, r.at + 2), u32(b, r.at + 4 * n - 2)});
    }
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].points, kWmfMaxPolylinePoints);
    EXPECT_EQ(lines[1].points, kWmfMaxPolylinePoints);
    EXPECT_EQ(lines[2].points, 9000 - 2 * kWmfMaxPolylinePoints + 2);
    EXPECT_EQ(lines[0].last, lines[1].first);
    EXPECT_EQ(lines[1].last, lines[2].first);
}

// The column graph's picture as a metafile: consistent records, texts as Windows-1252 bytes;
// libwmf reads it without complaint and draws the curves where the mapping puts them.
TEST_F(WmfFile, LibwmfReadsTheMetafileAndDrawsTheCurvesWhereTheMappingPutsThem) {
    metafl("WMF");
    setfil(path("g.wmf"));
    filmod("DELETE");
    drawColumnGraphPicture();
    EXPECT_EQ(take(), "");
    const std::string b = readAll(path("g.wmf"));
    uint32_t largest = 0;
    for (const Record& r : walk(b)) largest = std::max(largest, r.words);
    EXPECT_EQ(u32(b, 34), largest); // the header's largest record
    EXPECT_EQ(u16(b, 10), 2970);    // the placeable box is the page, 254 units to the inch
    EXPECT_EQ(u16(b, 12), 2100);
    EXPECT_EQ(u16(b, 14), 254);
    EXPECT_NE(b.find("25 \xB0"
                     "C"),
              std::string::npos);
    ASSERT_TRUE(wmfConvert(path("g.wmf"), path("g.png"), "png"));
    ASSERT_TRUE(wmfConvert(path("g.wmf"), path("g.svg"), "svg", kPageWidth, kPageHeight));
    const std::string svg = readAll(path("g.svg"));
    // The page background tells the reader's scale.
    const size_t page = svg.find("<rect ");
    ASSERT_NE(page, std::string::npos);
    const double scale = std::stod(svgAttribute(svg, page, "width")) / kPageWidth;
    const double x0 = std::stod(svgAttribute(svg, page, "x")), y0 = std::stod(svgAttribute(svg, page, "y"));
    // The red curve (the second column) runs from (1, 0) to (100, 10) of the axis system.
    const size_t red = svg.rfind("<polyline ", svg.find("stroke:red"));
    ASSERT_NE(red, std::string::npos);
    std::vector<double> v = numbers(svgAttribute(svg, red, "points"));
    ASSERT_GE(v.size(), 4u);
    EXPECT_NEAR((v[0] - x0) / scale, pictureX(1), 1.5);
    EXPECT_NEAR((v[1] - y0) / scale, pictureY(0), 1.5);
    EXPECT_NEAR((v[v.size() - 2] - x0) / scale, pictureX(100), 1.5);
    EXPECT_NEAR((v.back() - y0) / scale, pictureY(10), 1.5);
    const std::string style = svgAttribute(svg, red, "style"); // "stroke-width:7.4; ..."
    EXPECT_NEAR(numbers(style.substr(style.find(':') + 1)).at(0) / scale, curveLineWidth(3), 0.6);
}

} // namespace
