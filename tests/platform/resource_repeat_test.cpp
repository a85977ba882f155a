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
#include <map>
#include <string>

#include "archive/archive_ops.h"
#include "link/korvane_com.h"
#include "logger/download.h"
#include "logger/session.h"
#include "support/fixture.h"
#include "support/process.h"
#include "support/resource_probe.h"
#include "support/sim_process.h"
#include "support/state_guard.h"
#include "tables/data_table.h"
#include "tables/export_format.h"

namespace {

namespace fs = std::filesystem;

// Heap bytes the repeats may hold beyond the warm-up's (none are expected): a leak of 8 bytes per
// operation fails over 1000 repeats, of 40 bytes within the suite's.
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
        // The lists are made before the first count of the heap and after the last one, so that
        // they are not counted.
        const std::map<int, std::string> startFds = openDescriptors();
        const size_t startHeap = heapInUseBytes(), startResident = residentBytes();
        size_t halfHeap = 0, halfResident = 0, halfFds = 0;
        for (int i = 1; i <= n; ++i) {
            ASSERT_TRUE(op()) << what << " repeat " << i << ": " << quiet_.last;
            if (i == n / 2) {
                halfHeap = heapInUseBytes();
                halfResident = residentBytes();
                halfFds = openDescriptorCount();
            }
        }
        const size_t endHeap = heapInUseBytes(), endResident = residentBytes();
        const std::map<int, std::string> endFds = openDescriptors();
        EXPECT_EQ(quiet_.messages, 0) << quiet_.last;
        EXPECT_EQ(halfFds, startFds.size()) << what << ": descriptors halfway";
        EXPECT_EQ(endFds.size(), startFds.size()) << what;
        EXPECT_EQ(newDescriptors(startFds, endFds), "") << what << ": descriptors left open";
        for (size_t heap : {halfHeap, endHeap})
            EXPECT_LE(growth(startHeap, heap), static_cast<long>(kHeapSlack)) << what << ": heap bytes";
        if (residentSizeIsSteady()) {
            for (size_t resident : {halfResident, endResident})
                EXPECT_LE(growth(startResident, resident), static_cast<long>(kResidentSlack))
                    << what << ": resident";
        }
        std::printf("RESOURCES %s: %d repeats; descriptors %zu -> %zu; heap %zu -> %zu bytes (%+ld); "
                    "resident %zu -> %zu KiB (%+ld)\n",
                    what, n, startFds.size(), endFds.size(), startHeap, endHeap, growth(startHeap, endHeap),
                    startResident / 1024, endResident / 1024, growth(startResident, endResident) / 1024);
    }

    // Runs the current test again in a child process whose heap count is exact (see
    // kExactHeapSetting) when this one's is not. True when the caller checks in this process.
    static bool checkHere() {
        if (heapCountIsExact()) return true;
        const ::testing::TestInfo* t = ::testing::UnitTest::GetInstance()->current_test_info();
        const ProcessResult r =
            runProcess({fs::read_symlink("/proc/self/exe").string(),
                        std::string("--gtest_filter=") + t->test_suite_name() + "." + t->name()},
                       {kExactHeapSetting}, "", 600000);
        for (size_t at = r.out.find("RESOURCES "); at != std::string::npos;
             at = r.out.find("RESOURCES ", at + 1))
            std::printf("%s\n", r.out.substr(at, r.out.find('\n', at) - at).c_str());
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        return false;
    }

    static std::vector<std::string> fixtureLogger() {
        return {"rx43", "--state", fixturePath("logger-basic")};
    }

    QuietUi quiet_;
    TempDir work_;
    fs::path oldCwd_;
};

TEST_F(Resources, OpeningAndClosingThePortKeepsDescriptorsAndMemory) {
    if (!checkHere()) return;
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
    if (!checkHere()) return;
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
    // The same, each download merged into the plant archive as the nightly download does.
    KeepDownloadedRecords = true;
    expectConstant("download into the archive", repeats(200), [] {
        initSession(nullptr);
        if (Flag.pages_error + Flag.table_error + Flag.time_error != 0) return false;
        Tsample = 900;
        TotalPagNumDload = 2;
        archive::ImportReport report;
        std::string error;
        return saveFile(nullptr, "downloaded") == 1 &&
               archive::importCurrentSession("plant.db", "download", report, error) ==
                   archive::ImportOutcome::Done;
    });
}

TEST_F(Resources, LoadingDataTablesKeepsDescriptorsAndMemory) {
    if (!checkHere()) return;
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
