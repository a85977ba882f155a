// The plant archive in the desktop program: the setting that is off until chosen, the merge after
// a download, and an archived session opened by the quick view.
#include <gtest/gtest.h>

#include "archive/archive_desktop.h"
#include "archive/archive_session.h"
#include "archive/archive_test_support.h"
#include "logger/download.h"
#include "logger/tab_ass.h"
#include "logger/time_marks.h"
#include "shell/korvane.h"
#include "support/env_guard.h"
#include "support/fixture.h"
#include "support/state_guard.h"

namespace {

using namespace archive;

class ArchiveDesktop : public KorvaneTest {
  protected:
    void SetUp() override {
        KorvaneTest::SetUp();
        Exe_dir = dir_.path();
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_.path());
    }
    void TearDown() override {
        std::filesystem::current_path(old_);
        KeepDownloadedRecords = false;
        DownloadedRecords.clear();
        KorvaneTest::TearDown();
    }
    TempDir dir_;
    std::filesystem::path old_;
};

TEST_F(ArchiveDesktop, SettingIsOffUntilChosenAndCanBeSwitchedOff) {
    EXPECT_EQ(archiveSetting(), "");
    archiveBeforeDownload();
    EXPECT_FALSE(KeepDownloadedRecords);
    ui_.fileCancel(); // nothing set: cancelling asks nothing
    EXPECT_EQ(chooseArchiveSetting(nullptr), 0);
    ui_.filePath(dir_.file("plant.db"));
    EXPECT_EQ(chooseArchiveSetting(nullptr), 1);
    EXPECT_EQ(archiveSetting(), dir_.file("plant.db"));
    EXPECT_EQ(readFileBytes(dir_.file(kArchiveSettingFile)), "Archivio=" + dir_.file("plant.db") + "\r\n");
    archiveBeforeDownload();
    EXPECT_TRUE(KeepDownloadedRecords);
    ui_.fileCancel();
    ui_.expect("Disattivare l'archivio " + dir_.file("plant.db") + " ?", "Question", MsgAnswer::Yes);
    EXPECT_EQ(chooseArchiveSetting(nullptr), 1);
    EXPECT_EQ(archiveSetting(), "");
}

TEST_F(ArchiveDesktop, DownloadIsMergedAndConflictsOrFailuresAreReported) {
    std::copy_n(smallTable().begin(), 34, TabAss);
    ASSERT_EQ(decodeTabAss(), 1);
    decodeSessionStart(TabAss);
    FW_release = "7018";
    const Records r(0, 6000);
    auto setDownloaded = [&](const Records& recs) {
        DownloadedRecords.clear();
        for (const Record& x : recs.list) {
            DownloadedRecords.push_back(x.node);
            for (int k = 0; k < 4; ++k)
                DownloadedRecords.push_back(static_cast<uint8_t>(x.marker >> (8 * k)));
            DownloadedRecords.insert(DownloadedRecords.end(), x.values.begin(), x.values.end());
        }
    };
    const std::string db = dir_.file("plant.db");
    ASSERT_TRUE(setArchiveSetting(nullptr, db));
    archiveBeforeDownload();
    setDownloaded(r);
    archiveAfterDownload(nullptr); // merged without a word
    EXPECT_TRUE(ui_.shown.empty());
    Records changed(0, 0);
    changed.values[0][1] ^= 0x40;
    setDownloaded(changed);
    ui_.expect("1 record diversi da quelli dell'archivio " + db +
                   ": conservati entrambi (korvane-cli archive check).",
               "Warning", MsgAnswer::Ok);
    archiveAfterDownload(nullptr);

    ASSERT_TRUE(setArchiveSetting(nullptr, dir_.file("no-such-folder/plant.db")));
    archiveBeforeDownload();
    setDownloaded(r);
    ui_.answer(MsgAnswer::Ok);
    archiveAfterDownload(nullptr);
    ASSERT_EQ(ui_.shown.size(), 2u);
    EXPECT_EQ(ui_.shown[1].title, "File Error");
    EXPECT_EQ(
        ui_.shown[1].text.rfind("Archivio " + dir_.file("no-such-folder/plant.db") + " non aggiornato !", 0),
        0u);

    // The quick view opens the session whole as the working file.
    resetState();
    installUi(&ui_);
    Exe_dir = dir_.path();
    Tsample = 300;
    ui_.filePath(db);
    ASSERT_EQ(quickLoadArchive(nullptr), 1);
    const std::string file = readFileBytes(dir_.file("151231_224730"));
    EXPECT_EQ(file.substr(0, 14), "Time[s]: 300\r\n");
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 2 + 2); // 600 s of records, 300 s rows
    EXPECT_EQ(FirstTimeMarkerDload, 0u);
}

} // namespace
