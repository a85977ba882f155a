// Decoding sessions and pages of a saved flash image.
#include <gtest/gtest.h>

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
    void useImage(const TestImage& img, unsigned table, size_t size = SIZE_MAX) {
        img.write(kImageFile, size);
        choose(table);
    }
    static void choose(unsigned table) {
        char text[8];
        std::snprintf(text, sizeof text, "%04X", table);
        PageTab = text;
        PagTab = static_cast<uint16_t>(table);
        Flag.pagefirst_error = Flag.pagelast_error = 1;
    }
    std::string summary() {
        StringTextBox box;
        printInfoSesBin(&box);
        return box.text;
    }
    std::string pageText(int page, int* result = nullptr) {
        StringTextBox box;
        int r = printPageBin(&box, page);
        if (result) *result = r;
        return box.text;
    }
    TempDir dir_;
    std::filesystem::path old_;
};

TEST_F(FlashImage, FixtureSessionsAreFoundAsTheDeviceReportsThem) {
    std::filesystem::copy_file(fixturePath("logger-basic/flash.bin"), kImageFile);
    choose(0x0FF6);
    DataTimeSS = "151231_224730";
    ASSERT_EQ(initTabAssBin(), 1);
    EXPECT_EQ(PagFirst, 0x0FF7);
    EXPECT_EQ(PagLast, 0x000A); // across 0xFFF -> 0x000, stopped by the erased page 0x00B
    EXPECT_EQ(Flag.pagefirst_error + Flag.pagelast_error, 0);
    ASSERT_EQ(initTimeMarkBin(), 1);
    EXPECT_EQ(TotalPagNum, 20);
    // The summary of the device's verbose summary, from its node list on.
    const std::string device = readFileBytes(fixturePath("logger-basic/expected/summary-verbose.txt"));
    EXPECT_EQ(summary(),
              "Table page........ 0x0FF6\r\nFirst page........ 0x0FF7\r\nLast page......... 0x000A\r\n"
              "Total data pages.. 20\r\n\r\nInizio sessione.......... 151231_224730\r\n"
              "Durata sessione.......... 000000_014243\r\n\r\n" +
                  device.substr(device.find("- Nodo")));
}

TEST_F(FlashImage, DataPagesEndAtAnEmptyPageOrAFallingMarker) {
    struct Case {
        const char* name;
        unsigned table;
        std::vector<std::pair<unsigned, uint32_t>> pages; // data page, its first marker
        std::vector<unsigned> reserved;                   // pages starting with 0x00
        bool found;
        unsigned first, last, total;
    } cases[] = {
        {"nothing after the table", 0x200, {}, {}, false, 0x201, 0, 0},
        {"reserved page after the table", 0x200, {}, {0x201}, false, 0x201, 0, 0},
        {"across the end of the ring",
         0xFFD,
         {{0xFFE, 10}, {0xFFF, 20}, {0x000, 30}},
         {},
         true,
         0xFFE,
         0x000,
         3},
        {"an older session's page",
         0x300,
         {{0x301, 100}, {0x302, 200}, {0x303, 150}, {0x304, 300}},
         {},
         true,
         0x301,
         0x302,
         2},
        {"equal markers go on", 0x300, {{0x301, 100}, {0x302, 100}}, {}, true, 0x301, 0x302, 2},
        {"reserved page ends", 0x300, {{0x301, 100}}, {0x302}, true, 0x301, 0x301, 1},
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
        EXPECT_EQ(Flag.pagefirst_error, c.found ? 0 : 1);
        EXPECT_EQ(Flag.pagelast_error, c.found ? 0 : 1);
        EXPECT_EQ(PagLast, c.found ? c.last : 0x777);
        if (c.found) {
            ASSERT_EQ(initTimeMarkBin(), 1);
            EXPECT_EQ(TotalPagNum, c.total);
        }
    }
}

TEST_F(FlashImage, UnknownPagesShowNonDefinito) {
    TestImage img;
    img.table(0x200, "150101_120000", kNodes);
    useImage(img, 0x200);
    DataTimeSS = "150101_120000";
    ASSERT_EQ(initTabAssBin(), 1);
    EXPECT_EQ(summary(),
              "Table page........ 0x0200\r\nFirst page........ Non definito\r\n"
              "Last page......... Non definito\r\nTotal data pages.. Non definito\r\n\r\n"
              "Inizio sessione.......... 150101_120000\r\nDurata sessione.......... Non definito\r\n\r\n"
              "- Nodo 5 (SaTmr= 30 s, Vbat= 3.51 V)\r\n  - Ch 1 (Tensione DC (0.0 V))\r\n"
              "  - Ch 2 (Energia (0.0 kWh))\r\n\r\n"
              "- Nodo 200 (SaTmr= 60 s, Vbat= 3.33 V)\r\n  - Ch 1 (Temperatura (0.00 \xB0"
              "C))\r\n\r\n");
}

TEST_F(FlashImage, PageLayoutsGiveTheirPageCounts) {
    TestImage img;
    img.table(0x100, "150101_120000", kNodes);
    img.records(0x101, {{5, 50, {0, 0, 0}}, {200, 70, {0}}});
    img.records(0x105, {{200, 900, {0}}, {5, 1234, {0, 0, 0}}});
    useImage(img, 0x100);
    ASSERT_EQ(initTabAssBin(), 1);
    struct Case {
        uint16_t first, last;
        int result;
        uint16_t total;
        uint32_t firstMarker, lastMarker;
    } cases[] = {
        {0x101, 0x105, 1, 5, 50, 1234},   // after the table page
        {0x106, 0x105, 1, 4095, 0, 1234}, // the whole ring before the last page (0x106 is erased)
        {0x101, 0x100, 1, 0, 0, 0},       // the table page as the last page: no data pages
        {0x103, 0x105, 0, 0, 0, 0},       // neither
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.first);
        PagFirst = c.first;
        PagLast = c.last;
        TotalPagNum = 0;
        ASSERT_EQ(initTimeMarkBin(), c.result);
        if (c.result == 0) continue;
        EXPECT_EQ(TotalPagNum, c.total);
        EXPECT_EQ(FirstTimeMarker, c.firstMarker);
        EXPECT_EQ(LastTimeMarker, c.lastMarker);
        EXPECT_EQ(DurataSessione, sessionDuration(c.firstMarker, c.lastMarker));
    }
}

TEST_F(FlashImage, PageTextShowsRecordsOrWhatThePageIs) {
    TestImage img;
    img.table(0x010, "150101_120000", kNodes);
    const std::vector<TestRecord> two = {{5, 10, {1, -2, 3}}, {200, 20, {-32768}}};
    const std::string twoLines = "        10 [  5]      1     -2      3 \r\n        20 [200] -32768 \r\n";
    img.records(0x011, two, 0x00);
    img.records(0x012, two, 0xFF);
    auto unknown = two;
    unknown.push_back({7, 30, {}});
    img.records(0x013, unknown);
    img.records(0x014, {{9, 1, {}}});
    img.records(0x015, {}); // reserved
    // 47 records of 11 bytes and one of 7 fill 524 bytes; a record of node 5 at byte 524 would
    // end beyond the page.
    std::vector<TestRecord> full(47, TestRecord{5, 4000000000u, {0, 0, 0}});
    full.push_back({200, 4000000000u, {0}});
    img.records(0x016, full);
    img.page(0x016)[524] = 5;
    img.page(0x017)[2] = 0x10; // a table length of 0x0210 = 528
    img.page(0x017)[3] = 0x02;
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
        {0x012, twoLines, 1}, // erased flash after the records ends the page like zeros
        {0x013, twoLines + "Nodo 7 non riconosciuto !", 0},
        {0x014, "Nodo 9 non riconosciuto !", 0},
        {0x015, "Pagina riservata !", 0},
        {0x016, fullText, 1},
        {0x010, "Tabella di assegnazione !", 0},
        {0x017, "Tabella di assegnazione !", 0}, // length 528: still a table
        {0x018, "Pagina non formattata !", 0},   // erased: length 0xFFFF
        {0x1000, "Dati non sufficienti !", 0},
        {-1, "Dati non sufficienti !", 0},
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
    const size_t pageFFF = 0xFFFu * 528;
    struct Case {
        const char* name;
        size_t size;
        std::string lastPage; // printPageBin of page 0xFFF
    } cases[] = {
        {"one byte short", kImageSize - 1, "Dati non sufficienti !"},
        {"last page cut to 3 bytes", pageFFF + 3, "Dati non sufficienti !"},
        {"no image", 0, "Dati non sufficienti !"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ui_.shown.clear();
        std::filesystem::remove(kImageFile);
        if (c.size > 0) img.write(kImageFile, c.size);
        choose(0x010);
        EXPECT_EQ(initTabAssBin(), c.size > 0 ? 1 : 0);
        EXPECT_EQ(pageText(0xFFF), c.lastPage);
        // A decode that reaches the missing bytes fails and cleans up.
        PagFirst = 0xFFE;
        PagLast = 0xFFF;
        TotalPagNum = 2;
        FirstTimeMarker = 10;
        LastTimeMarker = 20;
        EXPECT_EQ(saveFileBin(nullptr, "150101_120000"), 0);
        ASSERT_EQ(ui_.shown.size(), 1u);
        EXPECT_EQ(ui_.shown[0].text, "RX41data.bin non puo' essere letto !");
        EXPECT_EQ(ui_.shown[0].title, "Warning");
        EXPECT_FALSE(std::filesystem::exists(kIntermediateFile));
        EXPECT_FALSE(std::filesystem::exists("150101_120000"));
    }
    // An erased last page needs only its first 4 bytes.
    TestImage erased;
    erased.write(kImageFile, pageFFF + 4);
    EXPECT_EQ(pageText(0xFFF), "Pagina non formattata !");
}

TEST_F(FlashImage, BadTablePagesAreRefused) {
    struct Case {
        const char* name;
        void (*damage)(uint8_t* table);
    } cases[] = {
        {"length 0xFFFF", [](uint8_t* t) { t[2] = t[3] = 0xFF; }},
        {"length 529", [](uint8_t* t) { t[2] = 0x11, t[3] = 0x02; }},
        {"not a table", [](uint8_t* t) { t[0] = 0x05; }},
        {"a node running past the page", [](uint8_t* t) { t[2] = 0x10, t[3] = 0x02, t[17] = 255; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestImage img;
        img.table(0x040, "150101_120000", kNodes);
        c.damage(img.page(0x040));
        useImage(img, 0x040);
        EXPECT_EQ(initTabAssBin(), 0);
    }
    choose(0x040);
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
    EXPECT_EQ(InfoSES.nItem, 4094u);
    EXPECT_FALSE(std::filesystem::exists(kIntermediateFile));
    EXPECT_EQ(ui_.waitTexts.front(), "Writing scratch file");
    EXPECT_GE(ui_.waitCloses, 1);
}

TEST_F(FlashImage, DecodeStoppedByTheUserLeavesNothing) {
    TestImage img;
    img.table(0x100, "150101_120000", kNodes);
    for (unsigned p = 0x101; p < 0x110; ++p) img.records(p, {{5, p, {0, 0, 0}}});
    useImage(img, 0x100);
    ASSERT_EQ(initTabAssBin(), 1);
    ASSERT_EQ(initTimeMarkBin(), 1);
    ui_.pressEscAfter(3);
    ui_.answer(MsgAnswer::Yes); // the wait window's confirmation
    EXPECT_EQ(saveFileBin(nullptr, "150101_120000"), 0);
    EXPECT_FALSE(std::filesystem::exists(kIntermediateFile));
    EXPECT_FALSE(std::filesystem::exists("150101_120000"));
}

TEST_F(FlashImage, WorkingFileNameMustStayInItsFolder) {
    TestImage img;
    img.table(0x100, "150101_120000", kNodes);
    useImage(img, 0x100);
    std::filesystem::create_directory("sub");
    const std::vector<std::string> names = {"../escape", "sub/x",    "",
                                            "..",        "15\n0101", std::string("1501\0_x", 7)};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        ui_.shown.clear();
        EXPECT_EQ(saveFileBin(nullptr, name), 0);
        ASSERT_EQ(ui_.shown.size(), 1u);
        EXPECT_EQ(ui_.shown[0].text, name + " non puo' essere scritto !");
    }
    EXPECT_FALSE(std::filesystem::exists("1501"));
    EXPECT_FALSE(std::filesystem::exists("../escape"));
    EXPECT_FALSE(std::filesystem::exists("sub/x"));
    EXPECT_FALSE(std::filesystem::exists(kIntermediateFile));
}

// Random bytes, random table pages and random page choices never crash and never read outside
// the image (the sanitizer build checks every access).
TEST_F(FlashImage, GarbageImagesNeverCrash) {
    std::mt19937 rng(12345);
    for (int round = 0; round < 12; ++round) {
        SCOPED_TRACE(round);
        TestImage img;
        for (auto& b : img.bytes) b = static_cast<uint8_t>(rng());
        // Half of the rounds get table pages with plausible heads and random bodies.
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
            // Keep the round short: a few pages, a few rows.
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

} // namespace
