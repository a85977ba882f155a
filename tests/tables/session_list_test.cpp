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

struct RecordingList : ChoiceList {
    void clear() override { items.clear(), ++clears; }
    void add(std::string_view t) override { items.emplace_back(t); }
    std::vector<std::string> items;
    int clears = 0;
};

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
    // loadTable answered with `path`.
    int load(const std::string& path) {
        ui_.filePath(path);
        return loadTable(nullptr, &list_);
    }
    std::vector<std::string> starts() const {
        std::vector<std::string> v;
        for (int i = 0; i < IndTab; ++i) v.push_back(Table[i].datainizio);
        return v;
    }
    TempDir dir_;
    RecordingList list_;
};

TEST_F(SessionList, FixtureDumpListsItsFourSessions) {
    std::filesystem::copy_file(fixturePath("logger-basic/flash.bin"), dir_.file("RX41data.bin"));
    std::filesystem::copy_file(fixturePath("logger-basic/expected/RX41data.txt"), listPath());
    Flag.MW51 = 1;
    ASSERT_EQ(load(listPath()), 1);
    const std::vector<std::string> expected = {"151103_090000", "151201_103000", "130102_030405",
                                               "151231_224730"};
    EXPECT_EQ(starts(), expected);
    EXPECT_EQ(list_.items, expected);
    EXPECT_EQ(Table[3].pagetab, "0FF6");
    EXPECT_EQ(Flag.MW51, 0); // B018
    EXPECT_EQ(ImageFolder, dir_.path());
    EXPECT_TRUE(ui_.shown.empty());
    ASSERT_EQ(ui_.fileBoxes.size(), 1u);
    EXPECT_EQ(ui_.fileBoxes[0].filter, "RX41data.txt (generato da RX41) (RX41data.txt);;All Files (*.*)");
    EXPECT_EQ(ui_.fileBoxes[0].defaultExt, "txt");
    EXPECT_TRUE(ui_.fileBoxes[0].mustExist);
    EXPECT_EQ(setPageTab("151201_103000"), 1);
    EXPECT_EQ(PagTab, 0x300);
}

TEST_F(SessionList, ImageAndListAreCheckedFirst) {
    const std::string goodList = testSessionList({{0x100, "150101_000000"}});
    struct Case {
        const char* name;
        long imageSize; // -1: no image
        bool list;
        const char* message;
    } cases[] = {
        {"no image", -1, true, "File RX41data.bin non trovato !"},
        {"image one byte short", static_cast<long>(kImageSize) - 1, true,
         "Dimensione RX41data.bin non valida !"},
        {"image one byte long", static_cast<long>(kImageSize) + 1, true,
         "Dimensione RX41data.bin non valida !"},
        {"empty image", 0, true, "Dimensione RX41data.bin non valida !"},
        {"no list", static_cast<long>(kImageSize), false, "File RX41data.txt non trovato !"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(dir_.file("RX41data.bin"));
        std::filesystem::remove(listPath());
        if (c.imageSize > static_cast<long>(kImageSize)) {
            writeImage();
            std::ofstream(dir_.file("RX41data.bin"), std::ios::app | std::ios::binary) << 'x';
        } else if (c.imageSize >= 0) {
            writeImage(static_cast<size_t>(c.imageSize));
        }
        if (c.list) writeTextFile(listPath(), goodList);
        IndTab = 5;
        ImageFolder = "/previous";
        ui_.shown.clear();
        EXPECT_EQ(load(listPath()), 0);
        ASSERT_EQ(ui_.shown.size(), 1u);
        EXPECT_EQ(ui_.shown[0].text, c.message);
        EXPECT_EQ(ui_.shown[0].title, "File Error");
        EXPECT_EQ(ui_.shown[0].icon, MsgIcon::Error);
        EXPECT_EQ(IndTab, 0);
        EXPECT_EQ(ImageFolder, "/previous");
        EXPECT_TRUE(list_.items.empty());
    }
}

TEST_F(SessionList, ScanReadsSessionLinesUpToTheFirstCapitalF) {
    writeImage();
    const std::string header = "Tabelle di assegnazione valide rilevate ****\r\n\r\n";
    const std::string a = "Page...0x0100 150101_000000 7\r\n", b = "Page...0x0A0B 150202_101010 255\r\n";
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::string> starts;
        int mw51;
    } cases[] = {
        {"release 5: an energy board",
         header + a + b + "\r\nFW release...............5016\r\n",
         {"150101_000000", "150202_101010"},
         1},
        {"release 4", header + a + "FW release...............4016\r\n", {"150101_000000"}, 0},
        {"no release line: read to the end", header + a + b, {"150101_000000", "150202_101010"}, 0},
        {"an F before the sessions", "FLASH\r\n" + a + b, {}, 0},
        {"an F that is no release line still ends", header + a + "Fine\r\n" + b, {"150101_000000"}, 0},
        {"release line cut short", header + a + "FW release.....", {"150101_000000"}, 0},
        {"a P that is no session line",
         header + "Pagina dati\r\n" + a + "PXge...0x0200 150303_000000 1\r\n",
         {"150101_000000"},
         0},
        {"entry cut by the end of the file", header + a + "Page...0x0200 1503", {"150101_000000"}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeTextFile(listPath(), c.text);
        ui_.shown.clear();
        Flag.MW51 = 1;
        EXPECT_EQ(load(listPath()), c.starts.empty() ? 0 : 1);
        EXPECT_EQ(starts(), c.starts);
        EXPECT_EQ(Flag.MW51, c.mw51);
        if (c.starts.empty()) {
            ASSERT_EQ(ui_.shown.size(), 1u);
            EXPECT_EQ(ui_.shown[0].text, "Nessuna sessione trovata !");
            EXPECT_EQ(ui_.shown[0].title, "File Error");
        } else {
            EXPECT_TRUE(ui_.shown.empty());
            EXPECT_EQ(Table[0].pagetab, "0100");
        }
    }
}

TEST_F(SessionList, SessionsBeyondTheTableAreReadOverNotStored) {
    writeImage();
    std::vector<std::pair<unsigned, std::string>> sessions;
    for (unsigned i = 0; i < 2100; ++i) {
        char start[16];
        std::snprintf(start, sizeof start, "15%04u_000000", i);
        sessions.emplace_back(i & 0xFFF, start);
    }
    writeTextFile(listPath(), testSessionList(sessions, "5020"));
    ASSERT_EQ(load(listPath()), 1);
    EXPECT_EQ(IndTab, kMaxSessions);
    EXPECT_EQ(Table[kMaxSessions - 1].datainizio, "152047_000000");
    EXPECT_EQ(list_.items.size(), static_cast<size_t>(kMaxSessions));
    EXPECT_EQ(Flag.MW51, 1); // the release after them was still read
}

TEST_F(SessionList, CancelledBoxChangesNothing) {
    IndTab = 3;
    ImageFolder = "/previous";
    ui_.fileCancel();
    EXPECT_EQ(loadTable(nullptr, &list_), 0);
    EXPECT_EQ(IndTab, 3);
    EXPECT_EQ(ImageFolder, "/previous");
    EXPECT_TRUE(ui_.shown.empty());
    EXPECT_EQ(list_.clears, 0);
}

TEST_F(SessionList, MostRecentSessionIsTheLatestStart) {
    writeImage();
    const struct {
        const char* name;
        std::vector<std::pair<unsigned, std::string>> sessions;
        int newest;
    } cases[] = {
        {"in page order", {{0x100, "150101_000000"}, {0x300, "150201_000000"}}, 1},
        {"the ring wrapped: the newest table at a low page",
         {{0x010, "160101_000000"}, {0xF00, "151201_000000"}},
         0},
        {"equal starts: the later entry", {{0x010, "160101_000000"}, {0x020, "160101_000000"}}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeTextFile(listPath(), testSessionList(c.sessions));
        ASSERT_EQ(load(listPath()), 1);
        EXPECT_EQ(newestSession(), c.newest);
    }
    IndTab = 0;
    EXPECT_EQ(newestSession(), -1);
}

// Lists of random pieces of session and release lines never crash nor overrun the table.
TEST_F(SessionList, GarbageListsNeverCrash) {
    writeImage();
    const std::vector<std::string> pieces = {
        "Page...0x",          "P",   "F", "W release...............", "5", "\r\n", "0FF6 ", "151231_224730",
        std::string(1, '\0'), "\xFF"};
    std::mt19937 rng(7);
    for (int round = 0; round < 30; ++round) {
        std::string text;
        while (text.size() < 4000) text += pieces[rng() % pieces.size()];
        text.resize(rng() % text.size());
        writeTextFile(listPath(), text);
        ui_.shown.clear();
        const int r = load(listPath());
        EXPECT_EQ(r, IndTab > 0 ? 1 : 0);
        EXPECT_LE(IndTab, kMaxSessions);
        for (int i = 0; i < IndTab; ++i) {
            EXPECT_EQ(Table[i].pagetab.size(), 4u);
            EXPECT_EQ(Table[i].datainizio.size(), 13u);
        }
    }
}

} // namespace
