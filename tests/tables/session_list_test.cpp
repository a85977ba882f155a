// Reading the session list of a flash image.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "logger/flash_image.h"
#include "logger/session.h"
#include "support/env_guard.h"
#include "support/fixture.h"
#include "support/flash_image_builder.h"
#include "support/state_guard.h"
#include "tables/session_list.h"

namespace {

class SessionList : public KorvaneTest {
  protected:
    void SetUp() override {
        KorvaneTest::SetUp();
        resetFlashImageState();
    }
    void TearDown() override {
        resetFlashImageState();
        KorvaneTest::TearDown();
    }
    std::string listPath() const { return dir_.file("RX41data.txt"); }
    void writeImage(size_t size = kImageSize) const { TestImage().write(dir_.file("RX41data.bin"), size); }
    // loadTable answered with the list `text` (an image written first when asked).
    int load(const std::string& text, bool image = true) {
        if (image && !std::filesystem::exists(dir_.file("RX41data.bin"))) writeImage();
        writeTextFile(listPath(), text);
        ui_.shown.clear();
        ui_.filePath(listPath());
        return loadTable(nullptr, nullptr); // the choice list: the quick view's tests
    }
    std::string lastShown() const { return ui_.shown.empty() ? "" : ui_.shown.back().text; }
    std::vector<std::string> starts() const {
        std::vector<std::string> v;
        for (int i = 0; i < IndTab; ++i) v.push_back(Table[i].datainizio);
        return v;
    }
    TempDir dir_;
};

TEST_F(SessionList, FixtureDumpListsItsSessionsAndTheNewest) {
    std::filesystem::copy_file(fixturePath("logger-basic/flash.bin"), dir_.file("RX41data.bin"));
    Flag.MW51 = 1;
    ASSERT_EQ(load(readFileBytes(fixturePath("logger-basic/expected/RX41data.txt")), false), 1);
    EXPECT_EQ(starts(),
              (std::vector<std::string>{"151103_090000", "151201_103000", "130102_030405", "151231_224730"}));
    EXPECT_EQ(Table[3].pagetab, "0FF6");
    EXPECT_EQ(Flag.MW51, 0); // B018
    EXPECT_EQ(ImageFolder, dir_.path());
    EXPECT_EQ(setPageTab("151201_103000"), 1);
    EXPECT_EQ(PagTab, 0x300);
    EXPECT_EQ(newestSession(), 3);
    ASSERT_EQ(load(testSessionList({{0x010, "160101_000000"}, {0xF00, "151201_000000"}})), 1);
    EXPECT_EQ(newestSession(), 0); // the ring wrapped: the newest at a low page
}

TEST_F(SessionList, ImageAndListAreCheckedFirst) {
    const std::string goodList = testSessionList({{0x100, "150101_000000"}});
    IndTab = 5;
    ImageFolder = "/previous";
    EXPECT_EQ(load(goodList, false), 0);
    EXPECT_EQ(lastShown(), "File RX41data.bin non trovato !");
    EXPECT_EQ(IndTab, 0);
    EXPECT_EQ(ImageFolder, "/previous");
    writeImage(kImageSize - 1);
    EXPECT_EQ(load(goodList, false), 0);
    EXPECT_EQ(lastShown(), "Dimensione RX41data.bin non valida !");
}

// Session lines are read up to the first capital F; a release line beginning with "5" marks an
// energy board. Each case: the list, how many of the sessions a and b it yields, Flag.MW51.
TEST_F(SessionList, ScanReadsSessionLinesUpToTheFirstCapitalF) {
    const std::string head = "Tabelle di assegnazione valide rilevate ****\r\n\r\n";
    const std::string a = "Page...0x0100 150101_000000 7\r\n", b = "Page...0x0A0B 150202_101010 255\r\n";
    const std::vector<std::string> ab = {"150101_000000", "150202_101010"};
    for (const auto& [text, n, mw51] : {
             std::tuple<std::string, size_t, int>{head + a + b + "\r\nFW release...............5016\r\n", 2,
                                                  1},
             {head + a + "FW release...............4016\r\n" + b, 1, 0},
             {head + a + b, 2, 0},        // no release line: read to the end
             {"FLASH\r\n" + a + b, 0, 0}, // an F before the sessions
             {head + a + "PXge...0x0200 150303_000000 1\r\nPage...0x0200 1503", 1, 0}, // not sessions
         }) {
        Flag.MW51 = 1;
        EXPECT_EQ(load(text), n ? 1 : 0) << text;
        EXPECT_EQ(starts(), std::vector<std::string>(ab.begin(), ab.begin() + static_cast<long>(n))) << text;
        EXPECT_EQ(Flag.MW51, mw51) << text;
        EXPECT_EQ(lastShown(), n ? "" : "Nessuna sessione trovata !");
    }
}

TEST_F(SessionList, SessionsBeyondTheTableAreReadOverNotStored) {
    std::vector<std::pair<unsigned, std::string>> sessions;
    for (unsigned i = 0; i < 2100; ++i) sessions.emplace_back(i, std::to_string(150000 + i) + "_000000");
    ASSERT_EQ(load(testSessionList(sessions, "5020")), 1);
    EXPECT_EQ(IndTab, kMaxSessions);
    EXPECT_EQ(Table[kMaxSessions - 1].datainizio, "152047_000000");
    EXPECT_EQ(Flag.MW51, 1); // the release after them was still read
}

// Lists of random pieces of session and release lines never crash nor overrun the table.
TEST_F(SessionList, GarbageListsNeverCrash) {
    const std::vector<std::string> pieces = {
        "Page...0x",          "P",   "F", "W release...............", "5", "\r\n", "0FF6 ", "151231_224730",
        std::string(1, '\0'), "\xFF"};
    std::mt19937 rng(7);
    for (int round = 0; round < 30; ++round) {
        std::string text;
        while (text.size() < 4000) text += pieces[rng() % pieces.size()];
        text.resize(rng() % text.size());
        const int r = load(text);
        EXPECT_EQ(r, IndTab > 0 ? 1 : 0);
        EXPECT_LE(IndTab, kMaxSessions);
        for (int i = 0; i < IndTab; ++i) {
            EXPECT_EQ(Table[i].pagetab.size(), 4u);
            EXPECT_EQ(Table[i].datainizio.size(), 13u);
        }
    }
}

} // namespace
