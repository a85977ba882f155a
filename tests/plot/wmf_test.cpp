// Windows metafiles: record layout in golden bytes, the structure of what the engine writes
// (walked record by record), and libwmf reading it back.
#include "plot/plot_test_support.h"

#include "plot/wmf_writer.h"

using namespace plot;

namespace {

std::vector<uint8_t> bytesOf(const std::string& hex) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 1 < hex.size();) {
        if (hex[i] == ' ') {
            ++i;
            continue;
        }
        out.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
        i += 2;
    }
    return out;
}

uint16_t u16(const std::string& b, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}
uint32_t u32(const std::string& b, size_t at) {
    return u16(b, at) | static_cast<uint32_t>(u16(b, at + 2)) << 16;
}

struct Record {
    uint32_t words = 0;
    uint16_t function = 0;
    size_t at = 0; // offset of the parameters
};

// An independent reader of what the writer produced: the headers' claims against the records.
struct Walk {
    std::vector<Record> records;
    uint32_t largest = 0;
    int peakLive = 0;
    std::string problems;
};

Walk walk(const std::string& b) {
    Walk w;
    if (b.size() < 40 || u32(b, 0) != 0x9AC6CDD7u) {
        w.problems = "no placeable header";
        return w;
    }
    uint16_t sum = 0;
    for (size_t i = 0; i < 20; i += 2) sum ^= u16(b, i);
    if (sum != u16(b, 20)) w.problems += "checksum; ";
    const size_t h = 22;
    if (u16(b, h) != 1 || u16(b, h + 2) != 9 || u16(b, h + 4) != 0x0300) w.problems += "header; ";
    if (u32(b, h + 6) * 2 != b.size() - h) w.problems += "file size; ";
    std::vector<bool> live;
    size_t at = h + 18;
    while (at + 6 <= b.size()) {
        Record r{u32(b, at), u16(b, at + 4), at + 6};
        if (r.words < 3 || at + r.words * 2 > b.size()) {
            w.problems += "record size; ";
            break;
        }
        w.records.push_back(r);
        w.largest = std::max(w.largest, r.words);
        if (r.function == kWmfCreatePenIndirect || r.function == kWmfCreateBrushIndirect ||
            r.function == kWmfCreateFontIndirect) {
            size_t slot = 0;
            while (slot < live.size() && live[slot]) ++slot;
            if (slot == live.size())
                live.push_back(true);
            else
                live[slot] = true;
            w.peakLive = std::max(w.peakLive, static_cast<int>(std::count(live.begin(), live.end(), true)));
        }
        if (r.function == kWmfSelectObject || r.function == kWmfDeleteObject) {
            uint16_t slot = u16(b, r.at);
            if (slot >= live.size() || !live[slot])
                w.problems += "dead object; ";
            else if (r.function == kWmfDeleteObject)
                live[slot] = false;
        }
        at += r.words * 2;
        if (r.function == kWmfEof) break;
    }
    if (w.records.empty() || w.records.back().function != kWmfEof || at != b.size()) w.problems += "end; ";
    if (u32(b, h + 12) != w.largest) w.problems += "largest record; ";
    if (u16(b, h + 10) < w.peakLive) w.problems += "object count; ";
    return w;
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

TEST(WmfWriter, ObjectRecordsAndSlots) {
    WmfWriter w(2970, 2100, 254);
    EXPECT_EQ(w.createPen(kWmfPenNull, 0, 0), 0);
    EXPECT_EQ(w.createBrush(kWmfBrushSolid, 0x00996633), 1);
    w.deleteObject(0);
    WmfFont font;
    font.height = -70;
    font.escapement = 900;
    font.weight = 700;
    font.face = "Arial";
    EXPECT_EQ(w.createFont(font), 0); // the lowest free slot
    EXPECT_EQ(w.createPen(kWmfPenSolid, 0, 0), 2);
    w.rectangle(10, 20, 30, 40);
    EXPECT_EQ(w.objectSlots(), 3);
    const std::vector<uint8_t> all = w.finish();
    const std::vector<uint8_t> records(all.begin() + 40, all.end());
    const std::vector<uint8_t> want = bytesOf("08000000 FA02 0500 0000 0000 00000000" // null pen
                                              "07000000 FC02 0000 33669900 0000"      // solid brush
                                              "04000000 F001 0000"                    // DELETEOBJECT 0
                                              "0F000000 FB02 BAFF 0000 8403 8403 BC02 0000000000000000"
                                              "417269616C00" // "Arial", NUL
                                              "08000000 FA02 0000 0000 0000 00000000"
                                              "07000000 1B04 2800 1E00 1400 0A00" // bottom right top left
                                              "03000000 0000");
    EXPECT_EQ(records, want);
    EXPECT_EQ(all[22 + 10], 3); // object count in the header
}

class WmfFile : public PlotTest {};

TEST_F(WmfFile, EngineMetafileIsConsistentAndStartsWithTheWhitePage) {
    metafl("WMF");
    setfil(path("g.wmf"));
    filmod("DELETE");
    drawColumnGraphPicture();
    EXPECT_EQ(take(), "");
    const std::string b = readAll(path("g.wmf"));
    Walk w = walk(b);
    EXPECT_EQ(w.problems, "");
    ASSERT_GT(w.records.size(), 10u);
    // the placeable box is the page, 254 units to the inch
    EXPECT_EQ(u16(b, 10), 2970);
    EXPECT_EQ(u16(b, 12), 2100);
    EXPECT_EQ(u16(b, 14), 254);
    // the first shape is a white page-sized rectangle, drawn opaque
    auto first = std::find_if(w.records.begin(), w.records.end(), [](const Record& r) {
        return r.function == kWmfRectangle || r.function == kWmfPolyline || r.function == kWmfTextOut;
    });
    ASSERT_NE(first, w.records.end());
    EXPECT_EQ(first->function, kWmfRectangle);
    EXPECT_EQ(u16(b, first->at), 2100);     // bottom
    EXPECT_EQ(u16(b, first->at + 2), 2970); // right
    EXPECT_EQ(u16(b, first->at + 4), 0);
    EXPECT_EQ(u16(b, first->at + 6), 0);
    for (const Record& r : w.records) {
        if (&r == &*first) break;
        if (r.function == kWmfCreateBrushIndirect) {
            EXPECT_EQ(u32(b, r.at + 2), 0x00FFFFFFu);
        }
        if (r.function == kWmfSetBkMode) {
            EXPECT_EQ(u16(b, r.at), kWmfOpaque);
        }
    }
    // texts go out as Windows-1252 bytes
    EXPECT_NE(b.find("25 \xB0"
                     "C"),
              std::string::npos);
}

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
    Walk w = walk(b);
    EXPECT_EQ(w.problems, "");
    std::vector<std::vector<std::pair<int16_t, int16_t>>> lines;
    for (const Record& r : w.records) {
        if (r.function != kWmfPolyline) continue;
        std::vector<std::pair<int16_t, int16_t>> pts(u16(b, r.at));
        for (size_t i = 0; i < pts.size(); ++i)
            pts[i] = {static_cast<int16_t>(u16(b, r.at + 2 + 4 * i)),
                      static_cast<int16_t>(u16(b, r.at + 4 + 4 * i))};
        if (pts.size() > 2) lines.push_back(std::move(pts)); // axes and ticks have two points
    }
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].size(), kWmfMaxPolylinePoints);
    EXPECT_EQ(lines[1].size(), kWmfMaxPolylinePoints);
    EXPECT_EQ(lines[2].size(), 9000 - 2 * kWmfMaxPolylinePoints + 2);
    EXPECT_EQ(lines[0].back(), lines[1].front());
    EXPECT_EQ(lines[1].back(), lines[2].front());
    EXPECT_EQ(w.largest, 3 + 1 + 2 * kWmfMaxPolylinePoints);
}

TEST_F(WmfFile, LibwmfReadsTheMetafileAndDrawsTheCurvesWhereTheMappingPutsThem) {
    metafl("WMF");
    setfil(path("g.wmf"));
    filmod("DELETE");
    drawColumnGraphPicture();
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
