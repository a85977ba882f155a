// Repeated operations give back every descriptor and all the memory they take: the port to the
// simulator opened and closed, a small session downloaded, a data table loaded from a session
// data file and from a format A export. The simulator runs as its own process, so only the
// program's own descriptors and memory are counted.
//
// KORVANE_REPEATS sets the number of repeats (tests/repeat_resources.sh runs 1000 of each); the
// suite runs 1000 port openings but fewer downloads and table loads, to stay quick.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "link/korvane_com.h"
#include "logger/download.h"
#include "logger/session.h"
#include "support/fixture.h"
#include "support/resource_probe.h"
#include "support/sim_process.h"
#include "support/state_guard.h"
#include "tables/data_table.h"
#include "tables/export_format.h"

namespace {

namespace fs = std::filesystem;

// Heap bytes a repeated operation may hold beyond the warm-up's: what the allocator keeps in
// flight for the last operation's results. A leak of a few bytes per operation passes it within
// the suite's repeats and fails it over 1000.
constexpr size_t kHeapSlack = 8 * 1024;
// Resident memory may grow by page-sized steps as the allocator arranges its free lists.
constexpr size_t kResidentSlack = 2 * 1024 * 1024;
constexpr int kWarmUp = 5;

int repeats(int suiteDefault) {
    const char* env = std::getenv("KORVANE_REPEATS");
    return env && std::atoi(env) > 0 ? std::atoi(env) : suiteDefault;
}

long growth(size_t from, size_t to) {
    return static_cast<long>(to) - static_cast<long>(from);
}

// Answers every question "Yes" and keeps nothing of what it is shown, so the test's own records
// do not grow with the repeats; a message box counts as the operation's failure.
class QuietUi : public UiServices {
  public:
    MsgAnswer messageBox(Window, const std::string& text, const std::string& title, MsgButtons buttons,
                         MsgIcon) override {
        if (buttons == MsgButtons::Ok) {
            ++messages;
            if (last.empty()) last = title + ": " + text; // the first one, kept once
        }
        return buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::Yes;
    }
    int messages = 0;
    std::string last;
};

class Resources : public KorvaneTest {
  protected:
    void SetUp() override {
        KorvaneTest::SetUp();
        installUi(&quiet_);
        oldCwd_ = fs::current_path();
        fs::current_path(work_.path()); // the working files of loads and downloads
    }
    void TearDown() override {
        if (hCom) closeComPort(hCom);
        fs::current_path(oldCwd_);
        installUi(&ui_);
        KorvaneTest::TearDown();
    }

    // Runs `op` kWarmUp times, then `n` times, and requires the descriptors to be exactly those
    // after the warm-up, and the memory within its slack, both halfway and at the end.
    void expectConstant(const char* what, int n, const std::function<bool()>& op) {
        for (int i = 0; i < kWarmUp; ++i)
            ASSERT_TRUE(op()) << what << " warm-up " << i << ": " << quiet_.last;
        const ResourceUsage start = sampleResources();
        ResourceUsage half;
        for (int i = 1; i <= n; ++i) {
            ASSERT_TRUE(op()) << what << " repeat " << i << ": " << quiet_.last;
            if (i == n / 2) half = sampleResources();
        }
        const ResourceUsage end = sampleResources();
        EXPECT_EQ(quiet_.messages, 0) << quiet_.last;
        for (const ResourceUsage* u : {static_cast<const ResourceUsage*>(&half), &end}) {
            EXPECT_EQ(u->descriptors.size(), start.descriptors.size()) << what;
            EXPECT_EQ(newDescriptors(start.descriptors, u->descriptors), "")
                << what << ": descriptors left open";
            EXPECT_LE(growth(start.heapBytes, u->heapBytes), static_cast<long>(kHeapSlack)) << what;
            EXPECT_LE(growth(start.residentBytes, u->residentBytes), static_cast<long>(kResidentSlack))
                << what;
        }
        std::printf("RESOURCES %s: %d repeats; descriptors %zu -> %zu; heap %zu -> %zu bytes (%+ld); "
                    "resident %zu -> %zu KiB (%+ld)\n",
                    what, n, start.descriptors.size(), end.descriptors.size(), start.heapBytes, end.heapBytes,
                    growth(start.heapBytes, end.heapBytes), start.residentBytes / 1024,
                    end.residentBytes / 1024, growth(start.residentBytes, end.residentBytes) / 1024);
    }

    static std::vector<std::string> fixtureLogger() {
        return {"rx43", "--state", fixturePath("logger-basic")};
    }

    QuietUi quiet_;
    TempDir work_;
    fs::path oldCwd_;
};

TEST_F(Resources, OpeningAndClosingThePortKeepsDescriptorsAndMemory) {
    SimProcess sim(fixtureLogger());
    ASSERT_TRUE(sim.ok());
    expectConstant("port open/close", repeats(1000), [&] {
        hCom = openComPort(sim.path());
        if (!hCom) return false;
        const bool answered = initCOM(hCom) == 1 && sendCOMMAND(hCom, "ATVR\r", kModeCR) == 1 && iRx > 0;
        restoreCOM(hCom);
        closeComPort(hCom);
        return answered;
    });
}

TEST_F(Resources, DownloadingASessionKeepsDescriptorsAndMemory) {
    SimProcess sim(fixtureLogger());
    ASSERT_TRUE(sim.ok());
    hCom = openComPort(sim.path());
    ASSERT_TRUE(hCom);
    initCOM(hCom);
    Timeout_rx = 2000;
    CommPort = sim.path();
    ASSERT_EQ(test_hCom(hCom), 1);
    Flag.fast_read = 1;
    // The session read again and its two most recent data pages downloaded, each time.
    expectConstant("download", repeats(200), [] {
        initSession(nullptr);
        if (Flag.pages_error + Flag.table_error + Flag.time_error != 0) return false;
        Tsample = 900;
        TotalPagNumDload = 2;
        return saveFile(nullptr, "downloaded") == 1 && fs::file_size("downloaded") > 0;
    });
}

TEST_F(Resources, LoadingDataTablesKeepsDescriptorsAndMemory) {
    // The golden session data file, and a format A export of it made by the table itself.
    fs::create_directory("in");
    const std::string session = "in/151231_224730.T900";
    fs::copy_file(fixturePath("logger-basic/expected/151231_224730.T900"), session);
    const std::string exportA = fs::absolute("in/export-a.txt").string();
    {
        TableModel table;
        ASSERT_EQ(loadDataFileFrom(session, ""), 1);
        ASSERT_EQ(openDataTable(table), 1);
        Flag.file_format = 0;
        ASSERT_EQ(exportTable(table, exportA, InfoSES), 1);
    }
    const struct {
        const char* what;
        std::function<int()> load;
    } cases[] = {
        {"table load (session data file)", [&] { return loadDataFileFrom(session, ""); }},
        {"table load (format A)", [&] { return loadFileTxtFrom(exportA); }},
    };
    for (const auto& c : cases) {
        expectConstant(c.what, repeats(300), [&] {
            TableModel table;
            return c.load() == 1 && openDataTable(table) == 1 && table.rowCount() > 0;
        });
    }
}

} // namespace
