// Decoding sessions and pages of a saved flash image, and averaging records into the data file.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>

#include "logger/download.h"
#include "logger/flash_image.h"
#include "logger/session.h"
#include "logger/tab_ass.h"
#include "logger/time_marks.h"
#include "support/env_guard.h"
#include "support/fixture.h"
#include "support/flash_image_builder.h"
#include "support/state_guard.h"

namespace {

using Records = std::vector<std::pair<uint32_t, std::vector<int16_t>>>;

// Node 5: DC voltage and a 32-bit energy pair (3 physical channels); node 200: one temperature.
const std::vector<TestNode> kNodes = {{5, {7, 0, 16}, 30, 351}, {200, {1}, 60, 333}};

class FlashImage : public KorvaneTest {
  protected:
    void SetUp() override {
        KorvaneTest::SetUp();
        resetFlashImageState();
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_.path());
    }
    void TearDown() override {
        std::filesystem::current_path(old_);
        resetFlashImageState();
        KorvaneTest::TearDown();
    }
    // Writes `img` as the image of the current directory and makes `table` the chosen session.
    void useImage(const TestImage& img, unsigned table) {
        img.write(kImageFile);
        choose(table);
    }
    static void choose(unsigned table) {
        char text[8];
        std::snprintf(text, sizeof text, "%04X", table);
        PageTab = text;
        PagTab = static_cast<uint16_t>(table);
        Flag.pagefirst_error = Flag.pagelast_error = 1;
    }
    std::string pageText(int page, int* result = nullptr) {
        StringTextBox box;
        const int r = printPageBin(&box, page);
        if (result) *result = r;
        return box.text;
    }
    TempDir dir_;
    std::filesystem::path old_;
};

TEST_F(FlashImage, DataPagesEndAtAnEmptyPageOrAFallingMarker) {
    using Pages = std::vector<std::pair<unsigned, uint32_t>>; // data page, its first marker
    struct Case {
        const char* name;
        unsigned table;
        Pages pages;
        std::vector<unsigned> reserved; // pages starting with 0x00
        unsigned first, last, total;    // total 0: nothing found
    } cases[] = {
        {"nothing after the table", 0x200, {}, {}, 0x201, 0, 0},
        {"reserved page after the table", 0x200, {}, {0x201}, 0x201, 0, 0},
        {"across the end of the ring", 0xFFD, {{0xFFE, 10}, {0xFFF, 20}, {0x000, 30}}, {}, 0xFFE, 0x000, 3},
        {"an older session's page", 0x300, {{0x301, 100}, {0x302, 100}, {0x303, 50}}, {}, 0x301, 0x302, 2},
        {"reserved page ends", 0x300, {{0x301, 100}}, {0x302}, 0x301, 0x301, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestImage img;
        img.table(c.table, "150101_120000", kNodes);
        for (auto [p, m] : c.pages) img.records(p, {{5, m, {1, 2, 3}}});
        for (unsigned p : c.reserved) img.records(p, {});
        PagLast = 0x777; // left alone when nothing is found
        useImage(img, c.table);
        ASSERT_EQ(initTabAssBin(), 1);
        EXPECT_EQ(PagFirst, c.first);
        EXPECT_EQ(Flag.pagefirst_error + Flag.pagelast_error, c.total ? 0 : 2);
        EXPECT_EQ(PagLast, c.total ? c.last : 0x777);
        if (c.total) {
            ASSERT_EQ(initTimeMarkBin(), 1);
            EXPECT_EQ(TotalPagNum, c.total);
        } else {
            DataTimeSS = "150101_120000";
            const std::string head =
                "Table page........ 0x0200\r\nFirst page........ Non definito\r\n"
                "Last page......... Non definito\r\nTotal data pages.. Non definito\r\n\r\n"
                "Inizio sessione.......... 150101_120000\r\nDurata sessione.......... Non definito\r\n\r\n"
                "- Nodo 5 (SaTmr= 30 s";
            StringTextBox box;
            printInfoSesBin(&box);
            EXPECT_EQ(box.text.substr(0, head.size()), head);
        }
    }
}

TEST_F(FlashImage, PageTextShowsRecordsOrWhatThePageIs) {
    TestImage img;
    img.table(0x010, "150101_120000", kNodes);
    const std::vector<TestRecord> two = {{5, 10, {1, -2, 3}}, {200, 20, {-32768}}};
    const std::string twoLines = "        10 [  5]      1     -2      3 \r\n        20 [200] -32768 \r\n";
    img.records(0x011, two, 0x00);
    auto unknown = two;
    unknown.push_back({7, 30, {}});
    img.records(0x013, unknown);
    img.records(0x015, {}); // reserved
    // 47 records of 11 bytes and one of 7 fill 524 bytes; a record of node 5 at byte 524 would
    // end beyond the page.
    std::vector<TestRecord> full(47, TestRecord{5, 4000000000u, {0, 0, 0}});
    full.push_back({200, 4000000000u, {0}});
    img.records(0x016, full);
    img.page(0x016)[524] = 5;
    useImage(img, 0x010);
    ASSERT_EQ(initTabAssBin(), 1);

    std::string fullText;
    for (int i = 0; i < 47; ++i) fullText += "4000000000 [  5]      0      0      0 \r\n";
    fullText += "4000000000 [200]      0 \r\n";
    const struct {
        int page;
        std::string text;
        int result;
    } cases[] = {
        {0x011, twoLines, 1},
        {0x013, twoLines + "Nodo 7 non riconosciuto !", 0},
        {0x015, "Pagina riservata !", 0},
        {0x016, fullText, 1},
        {0x010, "Tabella di assegnazione !", 0},
        {0x018, "Pagina non formattata !", 0}, // erased: length 0xFFFF
        {0x1000, "Dati non sufficienti !", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.page);
        int result = -1;
        EXPECT_EQ(pageText(c.page, &result), c.text);
        EXPECT_EQ(result, c.result);
    }
}

TEST_F(FlashImage, ShortOrMissingImageIsReportedNeverReadPast) {
    TestImage img;
    img.table(0x010, "150101_120000", kNodes);
    img.records(0xFFE, {{5, 10, {1, 2, 3}}});
    img.records(0xFFF, {{5, 20, {1, 2, 3}}});
    for (size_t size : {static_cast<size_t>(kImageSize - 1), size_t{0}}) { // one byte short, no image
        SCOPED_TRACE(size);
        ui_.shown.clear();
        std::filesystem::remove(kImageFile);
        if (size > 0) img.write(kImageFile, size);
        choose(0x010);
        EXPECT_EQ(initTabAssBin(), size > 0 ? 1 : 0);
        EXPECT_EQ(pageText(0xFFF), "Dati non sufficienti !");
        // A decode that reaches the missing bytes fails and cleans up.
        PagFirst = 0xFFE;
        PagLast = 0xFFF;
        TotalPagNum = 2;
        FirstTimeMarker = 10;
        LastTimeMarker = 20;
        EXPECT_EQ(saveFileBin(nullptr, "150101_120000"), 0);
        ASSERT_EQ(ui_.shown.size(), 1u);
        EXPECT_EQ(ui_.shown[0].text, "RX41data.bin non puo' essere letto !");
        EXPECT_FALSE(std::filesystem::exists(kIntermediateFile));
        EXPECT_FALSE(std::filesystem::exists("150101_120000"));
    }
    TestImage().write(kImageFile, 0xFFFu * 528 + 4); // an erased last page needs only 4 bytes
    EXPECT_EQ(pageText(0xFFF), "Pagina non formattata !");
}

TEST_F(FlashImage, BadTablePagesAreRefused) {
    const std::pair<uint8_t, uint8_t> lengths[] = {{0xFF, 0xFF}, {0x11, 0x02}}; // 0xFFFF, 529
    for (auto [lo, hi] : lengths) {
        TestImage img;
        img.table(0x040, "150101_120000", kNodes);
        img.page(0x040)[2] = lo, img.page(0x040)[3] = hi;
        useImage(img, 0x040);
        EXPECT_EQ(initTabAssBin(), 0) << int(hi);
    }
    PagTab = 0x1000; // a list naming a page beyond the image
    EXPECT_EQ(initTabAssBin(), 0);
}

TEST_F(FlashImage, WholeRingIsDecodedInOrderWithoutTheTablePage) {
    // A wrapped ring: one record a page, in ring order from the oldest page 0x100 round to the
    // newest 0x0FF; ring page k holds marker 10 k and value k. The table page 0x800 lies inside.
    TestImage img;
    img.table(0x800, "150101_120000", {{9, {11}}});
    unsigned page = 0x100;
    for (unsigned k = 0; k < 4095; ++k, page = (page + 1) & 0xFFF) {
        if (page == 0x800) page = 0x801;
        img.records(page, {{9, 10 * k, {static_cast<int16_t>(k)}}});
    }
    useImage(img, 0x800);
    ASSERT_EQ(initTabAssBin(), 1); // the newest part: after the table page up to 0x0FF
    EXPECT_EQ(PagFirst, 0x801);
    EXPECT_EQ(PagLast, 0x0FF);
    ASSERT_EQ(initTimeMarkBin(), 1);
    EXPECT_EQ(TotalPagNum, 0x8FF);
    // The oldest page chosen as the first one: the whole ring.
    PagFirst = 0x100;
    ASSERT_EQ(initTimeMarkBin(), 1);
    EXPECT_EQ(TotalPagNum, 4095);
    Tsample = 1;
    ASSERT_EQ(saveFileBin(nullptr, "150101_120000"), 1);
    EXPECT_EQ(FirstTimeMarkerDload, 0u);
    std::string expected = "Time[s]: 1\r\n\"CH9_1: Potenza DC (W)\" \r\n";
    for (unsigned k = 0; k < 4094; ++k) expected += std::to_string(k) + " \r\n";
    EXPECT_EQ(readFileBytes("150101_120000"), expected);
    EXPECT_FALSE(std::filesystem::exists(kIntermediateFile));
}

TEST_F(FlashImage, WorkingFileNameMustStayInItsFolder) {
    TestImage img;
    img.table(0x100, "150101_120000", kNodes);
    useImage(img, 0x100);
    EXPECT_EQ(saveFileBin(nullptr, "../escape"), 0);
    EXPECT_EQ(ui_.shown.at(0).text, "../escape non puo' essere scritto !");
    EXPECT_FALSE(std::filesystem::exists("../escape"));
}

// Random bytes, random table pages and random page choices never crash and never read outside
// the image (the sanitizer build checks every access).
TEST_F(FlashImage, GarbageImagesNeverCrash) {
    std::mt19937 rng(12345);
    for (int round = 0; round < 12; ++round) {
        SCOPED_TRACE(round);
        TestImage img;
        for (auto& b : img.bytes) b = static_cast<uint8_t>(rng());
        const unsigned table = rng() & 0xFFF;
        if (round % 2 == 0) {
            uint8_t* t = img.page(table);
            t[0] = 0xFF;
            t[2] = static_cast<uint8_t>(rng() % 0x11);
            t[3] = static_cast<uint8_t>(rng() % 3);
        }
        const size_t size = round % 3 == 0 ? (rng() % kImageSize) : kImageSize;
        img.write(kImageFile, size);
        choose(table);
        ui_.shown.clear();
        if (initTabAssBin() == 1) {
            PagLast = static_cast<uint16_t>(rng() & 0xFFF);
            initTimeMarkBin();
            StringTextBox box;
            printInfoSesBin(&box);
            if (TotalPagNum > 64) TotalPagNum = 64;
            FirstTimeMarker = 0;
            if (LastTimeMarker > 36000) LastTimeMarker = 36000;
            Tsample = 60;
            saveFileBin(nullptr, "garbage");
        }
        for (int i = 0; i < 64; ++i) pageText(static_cast<int>(rng() & 0xFFF));
        pageText(static_cast<int>(table));
        EXPECT_FALSE(std::filesystem::exists(kIntermediateFile));
    }
}

// The averaging that both the download and the image decoder end with.
class Averaging : public FlashImage {
  protected:
    // A table of node `address` alone; its records as the intermediate file, averaged with sample
    // time `ts`: the data rows (the file without its two header lines).
    std::vector<std::string> rows(uint8_t address, const std::vector<uint16_t>& conf, const Records& recs,
                                  uint16_t ts = 60) {
        TestImage img;
        img.table(0, "140305_123000", {{address, conf}});
        std::memcpy(TabAss, img.page(0), TestImage::kPage);
        EXPECT_EQ(decodeTabAss(), 1);
        FILE* hex = std::fopen(kIntermediateFile, "wb");
        for (const auto& [marker, values] : recs) {
            std::vector<uint8_t> r{address};
            for (int k = 0; k < 4; ++k) r.push_back(static_cast<uint8_t>(marker >> (8 * k)));
            for (int16_t v : values)
                r.push_back(static_cast<uint8_t>(v & 0xFF)),
                    r.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
            std::fwrite(r.data(), 1, r.size(), hex);
            LastTimeMarker = marker;
        }
        std::fclose(hex);
        Tsample = ts;
        FirstTimeMarkerDload = 0;
        EXPECT_EQ(writeDataFile("data"), 1);
        std::string all = readFileBytes("data");
        std::vector<std::string> out;
        int line = 0;
        for (size_t pos = 0, e; (e = all.find("\r\n", pos)) != std::string::npos; pos = e + 2)
            if (line++ >= 2) out.push_back(all.substr(pos, e - pos));
        return out;
    }
};

TEST_F(Averaging, WindowsMeansAndDefaults) {
    using Rows = std::vector<std::string>;
    // Markers 0/300/599/900: rows at 0 and 600, (5+2)/2 = 3.5 -> 4; the record at 900 gets none.
    EXPECT_EQ(rows(5, {1, 11}, {{0, {100, 5}}, {300, {200, 5}}, {599, {300, 2}}, {900, {400, 7}}}),
              (Rows{"1.00 5 ", "2.50 4 "}));
    const std::string file = readFileBytes("data");
    EXPECT_EQ(file.substr(0, file.find("\r\n", 15) + 2), "Time[s]: 60\r\n\"CH5_1: Temperatura (0.00 \xB0"
                                                         "C)\" \"CH5_2: Potenza DC (W)\" \r\n");
    // 5/2 -> 2 and -7/2 -> -4 (half to even); a window without a record of the node has no reading
    // of it: "Err", never the quantity's 0 (which would print as a pressure of 600.00).
    EXPECT_EQ(rows(5, {11, 6, 12}, {{0, {2, 100, -3}}, {10, {3, 200, -4}}, {2400, {7, 300, 0}}}),
              (Rows{"2 601.50 -4 ", "Err Err Err ", "Err Err Err ", "Err Err Err "}));
    // 16-bit readings average unsigned across the sign boundary: 927.60 and 927.70 hPa.
    EXPECT_EQ(rows(7, {6, 8}, {{0, {32760, 30000}}, {5, {-32766, -30000}}}), (Rows{"927.65 3276.8 "}));
    // A missing pressure reading (-1) is left out; a window with records but no reading gives Err.
    EXPECT_EQ(rows(7, {6}, {{0, {-1}}, {5, {1000}}, {700, {-1}}, {710, {-1}}, {1300, {1200}}, {1900, {0}}}),
              (Rows{"610.00 ", "Err ", "612.00 ", "600.00 "}));
    // An unread trailing high half is still part of every record.
    EXPECT_EQ(rows(9, {11, 12, 0}, {{0, {10, 20, 99}}, {5, {30, 40, 99}}, {600, {50, 60, 99}}}),
              (Rows{"20 30 "}));
    // 32-bit energy 0x0001:0x8000 = 9830.4 kWh; a mean near 2^31 is clamped.
    const int16_t hi = static_cast<int16_t>(0x8000);
    EXPECT_EQ(rows(3, {0, 16, 0, 11}, {{0, {1, hi, 0x7FFF, -1}}, {1, {1, hi, 0x7FFF, -1}}}),
              (Rows{"9830.4 2147483647 "}));
    // More than 65535 records in one window are all counted: a 16-bit count would wrap and give 5.
    Records many;
    for (uint32_t i = 0; i < 70000; ++i) many.push_back({i / 1000, {static_cast<int16_t>(i % 2 ? 3 : 1)}});
    many.push_back({30000, {0}});
    EXPECT_EQ(rows(4, {11}, many, 3600).at(0), "2 ");
}

} // namespace
