// Downloading a simulated logger's session into the session data text file.
#include <gtest/gtest.h>

#include "link/korvane_com.h"
#include "logger/download.h"
#include "logger/session.h"
#include "support/fixture.h"
#include "support/sim_session.h"

namespace {

const char kName[] = "151231_224730";

class Download : public SimSession {
  protected:
    void openFixture(int fast = 1) {
        ASSERT_TRUE(connect(fixtureLogger()));
        Flag.fast_read = fast;
        initSession(nullptr);
        ASSERT_EQ(Flag.pages_error + Flag.table_error + Flag.time_error, 0);
        ASSERT_EQ(DataTimeSS, kName);
    }
    std::string golden(const std::string& name) {
        return readFileBytes(fixturePath("logger-basic/expected/" + name));
    }
};

TEST_F(Download, WholeSessionGivesTheGoldenFilesFastAndSlow) {
    for (int fast : {1, 0}) {
        openFixture(fast);
        Tsample = 60;
        ASSERT_EQ(saveFile(nullptr, DataTimeSS), 1);
        EXPECT_EQ(readWorkFile(kName), golden("151231_224730.T60")) << "fast " << fast;
        EXPECT_FALSE(workFileExists(kIntermediateFile));
        EXPECT_FALSE(workFileExists(kDumpFile)); // verbose mode only
        EXPECT_TRUE(ui_.shown.empty());          // all pages wanted: no question
        EXPECT_EQ(InfoSES.nItem, InfoSES.nItem_);
        EXPECT_EQ(InfoSES.nSubItem, 8u);
        closeComPort(hCom);
        sim_->stop();
        resetState();
    }
}

TEST_F(Download, VerboseModeWritesTheDumpAndTheFlashImage) {
    openFixture();
    Tsample = 900;
    Flag.verbose = 1;
    ASSERT_EQ(saveFile(nullptr, DataTimeSS), 1);
    EXPECT_EQ(readWorkFile(kName), golden("151231_224730.T900"));
    EXPECT_EQ(readWorkFile(kDumpFile), golden("RX41data.txt"));
    EXPECT_EQ(readWorkFile(kImageFile), readFileBytes(fixturePath("logger-basic/flash.bin")));
    EXPECT_FALSE(workFileExists(kIntermediateFile));
}

TEST_F(Download, PageCountQuestionLoop) {
    openFixture();
    TotalPagNumDload = 4;
    ui_.expect("Numero di pagine dati prelevate: 4 (20 tot)\r\n\r\nProcedere allo scaricamento adesso ?", "Question",
               MsgAnswer::No);
    ui_.inputText("6");
    ui_.expect("Numero di pagine dati prelevate: 6 (20 tot)\r\n\r\nProcedere allo scaricamento adesso ?", "Question",
               MsgAnswer::No);
    ui_.inputText("25"); // beyond the range: the box would not accept it
    ui_.expect("Numero di pagine dati prelevate: 6 (20 tot)\r\n\r\nProcedere allo scaricamento adesso ?", "Question",
               MsgAnswer::Yes);
    Flag.skip_refresh = 1;
    ASSERT_EQ(saveFile(nullptr, DataTimeSS), 1);
    ui_.failures.clear(); // the refused "25" is recorded as a failure on purpose
    EXPECT_EQ(Flag.skip_refresh, 0);
    EXPECT_EQ(TotalPagNumDload, 6);
    ASSERT_GE(ui_.inputsShown.size(), 1u);
    EXPECT_EQ(ui_.inputsShown[0].title, "Numero di pagine richieste");
    EXPECT_EQ(ui_.inputsShown[0].initial, "4");
    EXPECT_EQ(ui_.inputsShown[0].max, 20.0f);
    EXPECT_EQ(ui_.inputsShown[0].maxEdit, 4);
    EXPECT_EQ(ui_.shown[0].icon, MsgIcon::Info);
    // The most recent six pages: 0x005 .. 0x00A.
    auto cmds = sim_->commands();
    EXPECT_NE(std::find(cmds.begin(), cmds.end(), "ATRD8005"), cmds.end());
    auto flash = fixtureFlash("logger-basic");
    uint32_t first = 0;
    auto p5 = flashPage(flash, 0x005);
    first = p5[1] | (p5[2] << 8) | (p5[3] << 16) | (static_cast<uint32_t>(p5[4]) << 24);
    EXPECT_EQ(FirstTimeMarkerDload, first);
}

TEST_F(Download, CancelAndTemporaryBufferOnly) {
    openFixture();
    TotalPagNumDload = 0;
    const char* q = "Saranno prelevati solo i dati presenti nel buffer temporaneo\r\n\r\nProcedere allo scaricamento "
                    "adesso ?";
    ui_.expect(q, "Question", MsgAnswer::Cancel);
    EXPECT_EQ(saveFile(nullptr, DataTimeSS), 0);
    EXPECT_FALSE(workFileExists(kName));
    EXPECT_FALSE(workFileExists(kIntermediateFile));

    ui_.expect(q, "Question", MsgAnswer::Yes);
    ASSERT_EQ(saveFile(nullptr, DataTimeSS), 1);
    auto tmp = hexBytes(fixtureDeviceField("logger-basic", "temporary_buffer_hex"));
    uint32_t firstTmp = tmp[1] | (tmp[2] << 8) | (tmp[3] << 16) | (static_cast<uint32_t>(tmp[4]) << 24);
    EXPECT_EQ(FirstTimeMarkerDload, firstTmp);
    EXPECT_TRUE(workFileExists(kName));
}

TEST_F(Download, RangeReachingTheTablePageDropsIt) {
    openFixture();
    // Move the table page into the middle of the data pages: 0x000 holds the table.
    auto flash = fixtureFlash("logger-basic");
    sim_->modifyDeviceState([&](sim::DeviceState& s) {
        auto t = s.page(0xFF6);
        auto d = s.page(0x000);
        std::copy(t.begin(), t.end(), d.begin());
        s.pageTab = 0x000;
        s.pageLast = 0x00A;
        s.status = 0x18; // wrapped: the whole ring is the session
    });
    initSession(nullptr);
    ASSERT_EQ(TotalPagNum, 4095);
    TotalPagNumDload = 12;
    ui_.answer(MsgAnswer::Yes);
    Tsample = 60;
    ASSERT_EQ(saveFile(nullptr, DataTimeSS), 1);
    // start = 0x00B + 4095 - 12 = 0xFFE: pages 0xFFE, 0xFFF, (0x000 dropped), 0x001 .. 0x00A
    auto cmds = sim_->commands();
    EXPECT_NE(std::find(cmds.begin(), cmds.end(), "ATRD8FFE"), cmds.end());
}

TEST_F(Download, EscStopsAndLeavesNoIntermediateFile) {
    openFixture();
    ui_.pressEscAfter(3);
    ui_.expect("Confermare l'abbandono dell'operazione ?", "Warning", MsgAnswer::Yes);
    EXPECT_EQ(saveFile(nullptr, DataTimeSS), 0);
    EXPECT_FALSE(workFileExists(kIntermediateFile));
    EXPECT_FALSE(workFileExists(kName));
}

TEST_F(Download, LostLineFailsCleanly) {
    openFixture();
    sim_->modifyDeviceState([](sim::DeviceState&) {});
    Timeout_rx = 200;
    // The device stops answering after a few more requests.
    sim_->stop();
    EXPECT_EQ(saveFile(nullptr, DataTimeSS), 0);
    EXPECT_FALSE(workFileExists(kIntermediateFile));
    EXPECT_FALSE(workFileExists(kName));
}

TEST_F(Download, InvalidNodeInTheTemporaryBufferIsReported) {
    openFixture();
    sim_->modifyDeviceState([](sim::DeviceState& s) {
        // Keep the first record (node 254, 11 bytes), then a byte that is no node.
        s.tempBuffer[11] = 0x99;
    });
    ASSERT_EQ(saveFile(nullptr, DataTimeSS), 1);
    ASSERT_EQ(ui_.shown.size(), 1u);
    EXPECT_EQ(ui_.shown[0].text, "Rilevato un nodo non valido nel buffer temporaneo !");
    EXPECT_EQ(ui_.shown[0].title, "Warning");
}

TEST_F(Download, UnwritableDataFileIsReportedAndNothingStays) {
    openFixture();
    ASSERT_EQ(saveFile(nullptr, "no-such-folder/" + DataTimeSS), 0);
    ASSERT_EQ(ui_.shown.size(), 1u);
    EXPECT_EQ(ui_.shown[0].text, "no-such-folder/151231_224730 non puo' essere scritto !");
    EXPECT_FALSE(workFileExists(kIntermediateFile));
}

} // namespace
