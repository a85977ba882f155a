// Reading and downloading the session of a simulated logger: the golden fixture byte for byte,
// the simulator's generated plants against what the scenario recorded, and faulty lines.
#include <gtest/gtest.h>

#include "link/korvane_com.h"
#include "logger/download.h"
#include "logger/session.h"
#include "logger/tab_ass.h"
#include "support/fixture.h"
#include "support/sim_session.h"

namespace {

const char kName[] = "151231_224730";

// The time marker of the first record in a page or buffer.
uint32_t firstMarker(const std::vector<uint8_t>& b) {
    return b[1] | (b[2] << 8) | (b[3] << 16) | (static_cast<uint32_t>(b[4]) << 24);
}

class Download : public SimSession {
  protected:
    // Connects to `o` with fast or slow reading, with faults on the line when `fault` is given.
    bool open(sim::SimOptions o, int fast = 1, const std::string& fault = "") {
        std::string err;
        if (!fault.empty() && !sim::FaultSpec::parse(fault, o.fault, err)) return false;
        Flag.fast_read = fast;
        return connect(o);
    }
    // A generated plant of the simulator.
    static sim::SimOptions plant(const char* scenario, sim::DeviceKind kind = sim::DeviceKind::RX43) {
        sim::SimOptions o;
        o.kind = kind;
        o.scenario = scenario;
        o.seed = 3;
        return o;
    }
    void openFixture(int fast = 1) {
        ASSERT_TRUE(open(fixtureLogger(), fast));
        initSession(nullptr);
        ASSERT_EQ(Flag.pages_error + Flag.table_error + Flag.time_error, 0);
        ASSERT_EQ(DataTimeSS, kName);
    }
    void disconnect() {
        closeComPort(hCom);
        sim_->stop();
        resetState();
    }
    static std::string golden(const std::string& name) {
        return readFileBytes(fixturePath("logger-basic/expected/" + name));
    }
};

TEST_F(Download, PagesTableAndTemporaryBufferAreReadWithTheRightRequests) {
    ASSERT_TRUE(connect(fixtureLogger()));
    // Fast reading: the page address with bit 15, one command; the logger streams the other ten blocks.
    Flag.fast_read = 1;
    ASSERT_EQ(initPages(), 1);
    ASSERT_EQ(setPageAdd(0x123), 1);
    uint8_t page[528];
    size_t before = sim_->commands().size();
    ASSERT_EQ(getPageFlash(page), 1);
    auto cmds = sim_->commands();
    EXPECT_EQ(cmds[before - 1], "ATRD8123");
    EXPECT_EQ(cmds.size() - before, 1u);
    EXPECT_EQ(std::vector<uint8_t>(page, page + 528), flashPage(fixtureFlash("logger-basic"), 0x123));

    // The table is read with as many blocks as its length needs.
    for (int length : {16, 40, 100}) {
        sim_->modifyDeviceState(
            [&](sim::DeviceState& s) { s.page(s.pageTab)[2] = static_cast<uint8_t>(length); });
        before = sim_->commands().size();
        initTabAss();
        cmds = sim_->commands();
        EXPECT_EQ(std::count(cmds.begin() + static_cast<long>(before), cmds.end(), std::string("ATRD")),
                  (length + 47) / 48)
            << length;
    }

    // The temporary buffer: its length cut to a page; length 0 reads no block, "ATRB" only.
    EXPECT_EQ(read_tmp_buffer(hCom, page), 84);
    sim_->modifyDeviceState([](sim::DeviceState& s) {
        s.tempLength = 0x0400;
        s.tempBuffer.assign(0x400, 0x11);
    });
    EXPECT_EQ(read_tmp_buffer(hCom, page), 528);
    sim_->modifyDeviceState([](sim::DeviceState& s) { s.tempLength = 0; });
    before = sim_->commands().size();
    EXPECT_EQ(read_tmp_buffer(hCom, page), 0);
    EXPECT_EQ(sim_->commands().size() - before, 1u);
}

TEST_F(Download, PagePointersAndDownloadCap) {
    struct Case {
        uint8_t status;
        uint16_t tab, last;
        bool board;
        uint16_t first, total, dload;
    } cases[] = {
        {0x10, 0x0FF6, 0x000A, false, 0x0FF7, 20, 20},
        {0x10, 0x0100, 0x0100, false, 0x0100, 0, 0},       // a session without data pages
        {0x18, 0x0100, 0x0FFF, false, 0x0000, 4095, 4095}, // wrapped ring
        {0x10, 0x0010, 0x013C, true, 0x0011, 300, 4},      // boards download at most 4 pages
    };
    ASSERT_TRUE(connect(fixtureLogger()));
    for (const auto& c : cases) {
        sim_->modifyDeviceState([&](sim::DeviceState& s) {
            s.status = c.status;
            s.pageTab = c.tab;
            s.pageLast = c.last;
        });
        Flag.MW51 = c.board ? 1 : 0;
        ASSERT_EQ(initPages(), 1);
        EXPECT_EQ(PagFirst, c.first) << c.tab;
        EXPECT_EQ(TotalPagNum, c.total) << c.tab;
        EXPECT_EQ(TotalPagNumDload, c.dload) << c.tab;
    }
    Flag.MW51 = 0;
    Flag.modem = 1;
    ASSERT_EQ(initPages(), 1);
    EXPECT_EQ(TotalPagNumDload, 4); // through a modem too
}

TEST_F(Download, RetryQuestionsRepeatOrGiveUp) {
    ASSERT_TRUE(connect(fixtureLogger()));
    sim_->stop(); // the device goes silent: every step fails
    Timeout_rx = 50;
    ui_.expect("Errore lettura pagine !\r\nTentare di nuovo ?", "COM Error", MsgAnswer::Yes);
    ui_.expect("Errore lettura pagine !\r\nTentare di nuovo ?", "COM Error", MsgAnswer::No);
    initSession(nullptr);
    EXPECT_EQ(Flag.pages_error + Flag.table_error + Flag.time_error, 3);
    EXPECT_EQ(ui_.shown.size(), 2u);
    EXPECT_EQ(ui_.shown[0].icon, MsgIcon::Error);
}

TEST_F(Download, LostBytesGiveTheRightPageOrAFailureNeverAWrongPage) {
    const auto flash = fixtureFlash("logger-basic");
    for (int fast : {1, 0}) {
        ASSERT_TRUE(open(fixtureLogger(), fast, "drop=0.002,seed=" + std::to_string(5 + fast)));
        Timeout_rx = 150; // shorter than the block window: a failed block is retried
        int good = 0;
        for (unsigned p = 0xFF0; p < 0xFF0 + 24; ++p) {
            uint8_t page[528];
            if (setPageAdd(static_cast<uint16_t>(p & 0xFFF)) != 1 || getPageFlash(page) != 1) continue;
            EXPECT_EQ(std::vector<uint8_t>(page, page + 528), flashPage(flash, p & 0xFFF)) << std::hex << p;
            ++good;
        }
        EXPECT_GT(good, 0);
        disconnect();
    }
}

// Fast reading: the verbose summary and the data file for 60 s. Slow reading in verbose mode: the
// data file for 900 s with the dump and the flash image. Every file byte for byte.
TEST_F(Download, FixtureSessionGivesTheGoldenSummaryAndFiles) {
    for (int fast : {1, 0}) {
        SCOPED_TRACE(fast);
        ASSERT_NO_FATAL_FAILURE(openFixture(fast));
        EXPECT_EQ(ui_.waitTexts,
                  (std::vector<std::string>{"Inizializzazione pagine...", "Inizializzazione tabella ass...",
                                            "Inizializzazione stringhe temporali..."}));
        CommPort = "COM3";
        StringTextBox box;
        printInfoSes(&box, 1);
        box.text.replace(box.text.find(DataTimePC), DataTimePC.size(), "@@PC_CLOCK@@");
        EXPECT_EQ(box.text, golden("summary-verbose.txt"));
        Flag.verbose = fast ? 0 : 1;
        Tsample = fast ? 60 : 900;
        ASSERT_EQ(saveFile(nullptr, DataTimeSS), 1);
        EXPECT_EQ(readWorkFile(kName), golden(fast ? "151231_224730.T60" : "151231_224730.T900"));
        EXPECT_EQ(readWorkFile(kDumpFile), fast ? "" : golden("RX41data.txt"));
        EXPECT_EQ(readWorkFile(kImageFile), fast ? "" : readFileBytes(fixturePath("logger-basic/flash.bin")));
        EXPECT_FALSE(workFileExists(kIntermediateFile));
        EXPECT_TRUE(ui_.shown.empty()); // all pages wanted: no question
        disconnect();
        ui_.waitTexts.clear();
    }
}

TEST_F(Download, PageCountQuestionLoop) {
    ASSERT_NO_FATAL_FAILURE(openFixture());
    TotalPagNumDload = 4;
    const auto question = [](int n) {
        return "Numero di pagine dati prelevate: " + std::to_string(n) +
               " (20 tot)\r\n\r\nProcedere allo scaricamento adesso ?";
    };
    ui_.expect(question(4), "Question", MsgAnswer::No);
    ui_.inputText("6");
    ui_.expect(question(6), "Question", MsgAnswer::No);
    ui_.inputText("25"); // beyond the range: the box would not accept it
    ui_.expect(question(6), "Question", MsgAnswer::Yes);
    Flag.skip_refresh = 1;
    ASSERT_EQ(saveFile(nullptr, DataTimeSS), 1);
    ui_.failures.clear(); // the refused "25" is recorded as a failure on purpose
    EXPECT_EQ(Flag.skip_refresh, 0);
    EXPECT_EQ(TotalPagNumDload, 6);
    EXPECT_EQ(ui_.inputsShown.at(0).max, 20.0f);
    // The most recent six pages: 0x005 .. 0x00A.
    auto cmds = sim_->commands();
    EXPECT_NE(std::find(cmds.begin(), cmds.end(), "ATRD8005"), cmds.end());
    EXPECT_EQ(FirstTimeMarkerDload, firstMarker(flashPage(fixtureFlash("logger-basic"), 0x005)));
}

TEST_F(Download, CancelAndTemporaryBufferOnly) {
    ASSERT_NO_FATAL_FAILURE(openFixture());
    TotalPagNumDload = 0;
    const char* q =
        "Saranno prelevati solo i dati presenti nel buffer temporaneo\r\n\r\nProcedere allo scaricamento "
        "adesso ?";
    ui_.expect(q, "Question", MsgAnswer::Cancel);
    EXPECT_EQ(saveFile(nullptr, DataTimeSS), 0);
    EXPECT_FALSE(workFileExists(kName));
    EXPECT_FALSE(workFileExists(kIntermediateFile));

    ui_.expect(q, "Question", MsgAnswer::Yes);
    ASSERT_EQ(saveFile(nullptr, DataTimeSS), 1);
    EXPECT_EQ(FirstTimeMarkerDload,
              firstMarker(hexBytes(fixtureDeviceField("logger-basic", "temporary_buffer_hex"))));
    EXPECT_TRUE(workFileExists(kName));
}

TEST_F(Download, EscOrALostLineStopsAndLeavesNoFiles) {
    for (bool esc : {true, false}) {
        ASSERT_NO_FATAL_FAILURE(openFixture());
        if (esc) {
            ui_.pressEscAfter(3);
            ui_.expect("Confermare l'abbandono dell'operazione ?", "Warning", MsgAnswer::Yes);
        } else {
            Timeout_rx = 200;
            sim_->stop();
        }
        EXPECT_EQ(saveFile(nullptr, DataTimeSS), 0) << esc;
        EXPECT_FALSE(workFileExists(kIntermediateFile)) << esc;
        EXPECT_FALSE(workFileExists(kName)) << esc;
        disconnect();
    }
}

TEST_F(Download, InvalidNodeAndUnwritableFileAreReported) {
    ASSERT_NO_FATAL_FAILURE(openFixture());
    // Keep the first record (node 254, 11 bytes), then a byte that is no node.
    sim_->modifyDeviceState([](sim::DeviceState& s) { s.tempBuffer[11] = 0x99; });
    ui_.expect("Rilevato un nodo non valido nel buffer temporaneo !", "Warning", MsgAnswer::Ok);
    ASSERT_EQ(saveFile(nullptr, DataTimeSS), 1);
    ui_.expect("no-such-folder/151231_224730 non puo' essere scritto !", "Warning", MsgAnswer::Ok);
    EXPECT_EQ(saveFile(nullptr, "no-such-folder/" + DataTimeSS), 0);
    EXPECT_FALSE(workFileExists(kIntermediateFile));
}

// Writes the records the scenario put in the chosen pages and the temporary buffer into an
// intermediate file and averages it: the data file a faultless download must produce.
std::string predictedDataFile(const sim::Scenario& sc, unsigned pagesWanted, const std::string& name) {
    const auto& cur = sc.current();
    std::vector<sim::ScenarioRecord> recs;
    size_t firstPage = cur.pages.size() > pagesWanted ? cur.pages.size() - pagesWanted : 0;
    for (size_t p = firstPage; p < cur.pages.size(); ++p)
        for (size_t k = 0; k < cur.pages[p].recordCount; ++k)
            recs.push_back(cur.records[cur.pages[p].firstRecord + k]);
    FirstTimeMarkerDload =
        recs.empty() ? (sc.tempRecords.empty() ? 0 : sc.tempRecords.front().marker) : recs.front().marker;
    recs.insert(recs.end(), sc.tempRecords.begin(), sc.tempRecords.end());
    if (!recs.empty()) LastTimeMarker = recs.back().marker;
    FILE* hex = std::fopen(kIntermediateFile, "wb");
    for (const auto& r : recs) {
        auto bytes = sim::encodeRecord(r);
        std::fwrite(bytes.data(), 1, bytes.size(), hex);
    }
    std::fclose(hex);
    writeDataFile(name);
    std::remove(kIntermediateFile);
    return readFileBytes(name);
}

TEST_F(Download, DownloadsGiveWhatTheScenarioRecorded) {
    const struct {
        const char* scenario;
        int fast;
        unsigned pages; // 0: as initSession offers, for a board at most 4
        sim::DeviceKind kind = sim::DeviceKind::RX43;
    } cases[] = {{"normal", 1, 0xFFFF},    {"normal", 0, 5},     {"wrapped", 1, 40},
                 {"tablepage", 1, 0xFFFF}, {"multi", 0, 0xFFFF}, {"normal", 1, 0, sim::DeviceKind::MW51}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.scenario) + " pages " + std::to_string(c.pages));
        ASSERT_TRUE(open(plant(c.scenario, c.kind), c.fast));
        initSession(nullptr);
        Tsample = 300;
        if (c.pages)
            TotalPagNumDload = static_cast<uint16_t>(std::min<unsigned>(c.pages, TotalPagNum));
        else
            EXPECT_EQ(TotalPagNumDload, 4);
        if (TotalPagNumDload < TotalPagNum) ui_.answer(MsgAnswer::Yes);
        ASSERT_EQ(saveFile(nullptr, "downloaded"), 1);
        const std::string got = readWorkFile("downloaded");
        const uint32_t firstDl = FirstTimeMarkerDload, lastDl = LastTimeMarker;
        EXPECT_EQ(got, predictedDataFile(*sim_->scenario(), TotalPagNumDload, "predicted"));
        EXPECT_EQ(firstDl, FirstTimeMarkerDload);
        EXPECT_EQ(lastDl, LastTimeMarker);
        disconnect();
    }
}

TEST_F(Download, FaultyLineEitherGivesTheSameFileOrFailsCleanly) {
    ASSERT_TRUE(open(plant("normal")));
    initSession(nullptr);
    Tsample = 300;
    const std::string want = predictedDataFile(*sim_->scenario(), 8, "predicted");
    disconnect();
    for (uint32_t seed = 1; seed <= 3; ++seed) {
        ASSERT_TRUE(open(plant("normal"), 1, "drop=0.0003,seed=" + std::to_string(seed)));
        Timeout_rx = 300;
        initSession(nullptr); // a lost reply makes a step ask; the scripted answer is "No"
        ui_.failures.clear();
        if (Flag.pages_error + Flag.table_error + Flag.time_error == 0) {
            Tsample = 300;
            TotalPagNumDload = 8;
            ui_.answer(MsgAnswer::Yes);
            const int ok = saveFile(nullptr, "faulty");
            ui_.failures.clear();
            EXPECT_FALSE(workFileExists(kIntermediateFile));
            EXPECT_EQ(readWorkFile("faulty"), ok == 1 ? want : "") << "seed " << seed;
        }
        disconnect();
    }
}

} // namespace
