// Uploads, dumps and the boot loader against the simulated devices over a pseudo-terminal.
#include <gtest/gtest.h>

#include <algorithm>

#include "firmware/firmware_files.h"
#include "firmware/flash_upload.h"
#include "firmware/loader.h"
#include "firmware/upload.h"
#include "link/korvane_com.h"
#include "platform/clock.h"
#include "sim/firmware_file.h"
#include "support/fixture.h"
#include "support/flash_image_builder.h"
#include "support/sim_session.h"

namespace {

std::string fw(const std::string& name) {
    return fixturePath("firmware-basic/" + name);
}

std::vector<uint8_t> goldenBoard() {
    const std::string m = readFileBytes(fw("expected/board-after-upload.bin"));
    return {m.begin(), m.end()};
}

// Waits until `pred` holds (the simulator works on its own thread).
template <class Pred> bool waitFor(Pred pred, int ms = 5000) {
    for (int i = 0; i < ms / 10; ++i) {
        if (pred()) return true;
        sleepMs(10);
    }
    return pred();
}

size_t countOf(const std::vector<std::string>& v, const std::string& s) {
    return static_cast<size_t>(std::count(v.begin(), v.end(), s));
}

class Upload : public SimSession {
  protected:
    bool board(const std::function<void(sim::SimOptions&)>& more = {}) {
        sim::SimOptions o;
        o.kind = sim::DeviceKind::MW51;
        if (more) more(o);
        return connect(o);
    }
    void load(const std::string& text) { ASSERT_EQ(parseFirmwareFile(text, FW).ok, 1); }
    std::vector<uint8_t> memory() const { return sim_->deviceState().program.bytes; }
    // The program memory expected after uploading `program` into an erased board.
    static std::vector<uint8_t> expected(const std::vector<uint8_t>& program) {
        std::vector<uint8_t> m(kProgramMemory, 0xFF);
        for (size_t i = 0; i < program.size(); ++i) m[(0x100 + i) % kProgramMemory] = program[i];
        return m;
    }
};

TEST_F(Upload, GoldenFileInNormalAndFastModeLeavesTheGoldenMemoryAndDumpsCompareIdentical) {
    for (bool fast : {false, true}) {
        SCOPED_TRACE(fast);
        ASSERT_TRUE(board());
        T_updfw_fast = 10;
        ASSERT_EQ(readFirmwareFile(fw("board.fw"), FW).ok, 1);
        File_fw = fw("board.fw");
        UploadStats st;
        ASSERT_EQ(uploadFwRun(nullptr, fast, &st), 1);
        EXPECT_EQ(st.acked, 46u);
        EXPECT_EQ(st.errors, 0u);
        EXPECT_EQ(Timeout_rx, 2000);
        EXPECT_EQ(memory(), goldenBoard());
        const auto cmds = sim_->commands();
        ASSERT_GE(cmds.size(), 4u);
        EXPECT_EQ(cmds[4], "ATRD0017");
        EXPECT_EQ(cmds[5], "ATCM04");
        EXPECT_EQ(cmds.back(), "ATCM10");
        EXPECT_EQ(cmds.size(), 4u + 2u + 46u + 1u);

        // The dump in both modes is the golden one and compares identical with the file.
        for (bool fastDump : {false, true}) {
            const std::string out = work_.file(fastDump ? "fast.ee" : "slow.ee");
            unsigned blocks = 0;
            ASSERT_EQ(dumpEeprom(nullptr, out, fastDump, &blocks), 1);
            EXPECT_EQ(blocks, 512u);
            EXPECT_EQ(File_ee, out);
            EXPECT_EQ(readFileBytes(out), readFileBytes(fw("expected/dump.ee")));
            EXPECT_EQ(fileCompare(), 1);
        }
        sim_->stop();
        closeComPort(hCom);
    }
}

TEST_F(Upload, ZeroRecordsSendOnlyTheFrameOfTheUpload) {
    ASSERT_TRUE(board());
    load("FW5 36\r\n");
    ASSERT_EQ(uploadFwRun(nullptr, false), 1);
    auto cmds = sim_->commands();
    EXPECT_EQ(std::vector<std::string>(cmds.begin() + 4, cmds.end()),
              (std::vector<std::string>{"ATRD0000", "ATCM04", "ATCM10"}));
}

TEST_F(Upload, NormalModeResendsARejectedRecordAfterATCM04WithTheCounterLine) {
    ASSERT_TRUE(board());
    const auto program = sim::sampleProgram(8, 3);
    load(sim::makeFirmwareFile(program));
    sim_->modifyDeviceState([](sim::DeviceState& s) { s.program.recordFaults[5] = sim::kRecordRefused; });
    UploadStats st;
    ASSERT_EQ(uploadFwRun(nullptr, false, &st), 1);
    EXPECT_EQ(st.errors, 1u);
    EXPECT_NE(std::find(ui_.waitTexts.begin(), ui_.waitTexts.end(), "Err: 1, Txd: 5"), ui_.waitTexts.end());
    EXPECT_EQ(countOf(sim_->commands(), "ATCM04"), 2u);
    EXPECT_EQ(memory(), expected(program));
}

TEST_F(Upload, FastModeCountsABurstOfRejectionsOnceAndRestartsAtTheFirstUnacknowledgedRecord) {
    // Replies come 60 ms after each record while records leave every 10 ms: several records are
    // on their way when the board refuses one, and each of them is refused too.
    ASSERT_TRUE(board([](sim::SimOptions& o) { o.latencyMs = 60; }));
    T_updfw_fast = 10;
    const auto program = sim::sampleProgram(40, 4);
    load(sim::makeFirmwareFile(program));
    sim_->modifyDeviceState([](sim::DeviceState& s) { s.program.recordFaults[12] = sim::kRecordRefused; });
    UploadStats st;
    ASSERT_EQ(uploadFwRun(nullptr, true, &st), 1);
    EXPECT_EQ(st.errors, 1u);
    EXPECT_EQ(st.restarts, 0u);
    EXPECT_EQ(countOf(sim_->commands(), "ATCM04"), 2u);
    EXPECT_EQ(memory(), expected(program));
    EXPECT_EQ(Timeout_rx, 2000);
}

TEST_F(Upload, ALostAcknowledgementRestartsTheTransferInsteadOfShiftingTheImage) {
    // The board stores record 6 but its "OK" never arrives: sending record 6 again would put it
    // in place 7.
    for (bool fast : {false, true}) {
        SCOPED_TRACE(fast);
        ASSERT_TRUE(board());
        Timeout_rx = 300;
        T_updfw_fast = 10;
        const auto program = sim::sampleProgram(16, 12);
        load(sim::makeFirmwareFile(program));
        sim_->modifyDeviceState(
            [](sim::DeviceState& s) { s.program.recordFaults[6] = sim::kRecordUnanswered; });
        UploadStats st;
        ASSERT_EQ(uploadFwRun(nullptr, fast, &st), 1);
        EXPECT_EQ(st.restarts, 1u);
        EXPECT_EQ(st.acked, 16u);
        EXPECT_EQ(memory(), expected(program));
        sim_->stop();
        closeComPort(hCom);
    }
}

TEST_F(Upload, LineFaultsEndInTheFileOrInAFailureNeverInAWrongBoard) {
    const auto program = sim::sampleProgram(24, 5);
    int completed = 0, failed = 0;
    for (uint32_t seed = 1; seed <= 6; ++seed) {
        for (bool fast : {false, true}) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << (fast ? " fast" : " normal"));
            resetState();
            const bool found = board([&](sim::SimOptions& o) {
                o.fault.drop = 0.01;
                o.fault.corrupt = 0.01;
                o.fault.seed = seed;
            });
            if (!found) { // the probe itself lost a reply
                sim_->stop();
                closeComPort(hCom);
                continue;
            }
            Timeout_rx = 300;
            T_updfw_fast = 10;
            load(sim::makeFirmwareFile(program));
            UploadStats st;
            const int r = uploadFwRun(nullptr, fast, &st);
            if (r == 1) {
                ++completed;
                EXPECT_EQ(memory(), expected(program));
            } else {
                ++failed;
            }
            EXPECT_EQ(Timeout_rx, 300);
            sim_->stop();
            closeComPort(hCom);
        }
    }
    EXPECT_GT(completed, 0);
    std::printf("with line faults: %d completed, %d stopped\n", completed, failed);
}

TEST_F(Upload, ASilentBoardEndsTheUploadWithinItsRetries) {
    for (bool fast : {false, true}) {
        SCOPED_TRACE(fast);
        ASSERT_TRUE(board([](sim::SimOptions& o) { o.fault.silenceAfter = 4 + 2 + 3; }));
        Timeout_rx = 150;
        T_updfw_fast = 10;
        load(sim::makeFirmwareFile(sim::sampleProgram(16, 6)));
        UploadStats st;
        EXPECT_EQ(uploadFwRun(nullptr, fast, &st), 0);
        EXPECT_EQ(st.acked, 0u); // the records after the silence were never acknowledged
        EXPECT_TRUE(waitFor([&] { return sim_->commands().back() == "ATCM10"; }));
        EXPECT_EQ(Timeout_rx, 150);
        sim_->stop();
        closeComPort(hCom);
    }
}

TEST_F(Upload, StoppedUploadLeavesTheUploadModeAndRefusedBlockCountIsReported) {
    for (bool fast : {false, true}) {
        SCOPED_TRACE(fast);
        ASSERT_TRUE(board());
        T_updfw_fast = 10;
        load(sim::makeFirmwareFile(sim::sampleProgram(40, 8)));
        ui_.pressEscAfter(5);
        ui_.expect("Confermare l'abbandono dell'operazione ?", "Warning", MsgAnswer::Yes);
        EXPECT_EQ(uploadFwRun(nullptr, fast), 0);
        EXPECT_TRUE(waitFor([&] { return !sim_->deviceState().program.uploading; }));
        EXPECT_EQ(sim_->commands().back(), "ATCM10");
        EXPECT_FALSE(waitMsgOpen());
        sim_->stop();
        closeComPort(hCom);
    }
    // A logger takes "ATRD0017" as a page address, but a board that refuses the block count:
    sim::SimOptions o;
    o.kind = sim::DeviceKind::Boot;
    ASSERT_TRUE(connect(o));
    Timeout_rx = 100;
    load(readFileBytes(fw("board.fw")));
    EXPECT_EQ(uploadFwRun(nullptr, false), 0);
    EXPECT_EQ(ui_.last()->text, "Errore impostazione Nblock (ATRD0017) !");
    EXPECT_EQ(ui_.last()->title, "Com error");
}

TEST_F(Upload, DumpCommandsThatAreRefusedAreReported) {
    sim::SimOptions o;
    o.kind = sim::DeviceKind::Boot; // answers no text command at all
    ASSERT_TRUE(connect(o));
    Timeout_rx = 100;
    for (bool fast : {false, true}) {
        EXPECT_EQ(dumpEeprom(nullptr, work_.file("x.ee"), fast), 0);
        EXPECT_EQ(ui_.last()->text,
                  fast ? "Istruzione ATRD0200 non eseguita !" : "Istruzione ATRD0001 non eseguita !");
        EXPECT_EQ(ui_.last()->title, "Com error");
    }
    EXPECT_FALSE(workFileExists("x.ee"));
}

class BootUpload : public Upload {
  protected:
    bool boot() {
        sim::SimOptions o;
        o.kind = sim::DeviceKind::Boot;
        Timeout_rx = 300;
        return connect(o) && Flag.RX43BOOT == 1;
    }
};

TEST_F(BootUpload, RefusedBlockIsSentAgainWithAFreshChecksumThenTheLoggerStarts) {
    ASSERT_TRUE(boot());
    EXPECT_EQ(Flag.bootvers, "Boot v.1.8");
    const auto program = sim::sampleProgram(10, 9);
    load(sim::makeFirmwareFile(program, {11, '2', '0'}));
    sim_->modifyDeviceState([](sim::DeviceState& s) { s.program.bootFaults[2] = 0x00; }); // records 4 and 5
    ui_.expect("Il nuovo firmware verra' caricato nel datalogger RX43, continuare ?", "Question",
               MsgAnswer::Yes);
    ui_.expect("Errore sulla ricezione del pacchetto dati, riprovare ?", "Question", MsgAnswer::Yes);
    EXPECT_EQ(loaderExecute(nullptr), 2);
    EXPECT_EQ(ui_.last()->text, "Upload terminato correttamente !");
    EXPECT_TRUE(waitFor([&] { return sim_->deviceState().program.bootLeft; }));
    const auto st = sim_->deviceState().program;
    EXPECT_EQ(std::vector<uint8_t>(st.bytes.begin(), st.bytes.begin() + 320), program);
    EXPECT_EQ(st.bootBlocks, 5u);
    EXPECT_TRUE(st.bootLeft);

    // The next probe finds the logger.
    resetState();
    hCom = openComPort(sim_->slavePath());
    initCOM(hCom);
    Timeout_rx = 300;
    ASSERT_EQ(test_hCom(hCom), 1);
    EXPECT_EQ(Flag.RX43BOOT, 0);
    EXPECT_EQ(Flag.RX43, 1);
    EXPECT_EQ(FW_release, "B018");
}

TEST_F(BootUpload, DeclinedResendOrNoReplyEndTheUpload) {
    const struct {
        int fault;
        bool asked;
        const char* message;
        const char* title;
    } cases[] = {{0x00, true, "Upload non completato !", "Error"},
                 {-1, false, "Nessuna risposta ricevuta dal target !", "Boot error"},
                 {0x7E, false, "Nessuna risposta ricevuta dal target !", "Boot error"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        ASSERT_TRUE(boot());
        load(sim::makeFirmwareFile(sim::sampleProgram(6, 10), {11, '2', '0'}));
        sim_->modifyDeviceState([&](sim::DeviceState& s) { s.program.bootFaults[1] = c.fault; });
        if (c.asked)
            ui_.expect("Errore sulla ricezione del pacchetto dati, riprovare ?", "Question", MsgAnswer::No);
        UploadStats st;
        const int r = uploadFW2(nullptr, &st);
        EXPECT_EQ(r, 0);
        EXPECT_EQ(st.acked, 2u);
        EXPECT_EQ(loaderAfterUpload(nullptr, r), 0);
        bool shown = false;
        for (const auto& s : ui_.shown) shown = shown || (s.text == c.message && s.title == c.title);
        EXPECT_TRUE(shown);
        EXPECT_FALSE(sim_->deviceState().program.bootLeft);
        sim_->stop();
        closeComPort(hCom);
    }
}

class FlashUpload : public SimSession {
  protected:
    // Pages 0..n-1 of the simulated flash.
    std::string flashPages(unsigned n) const {
        const auto f = sim_->deviceState().flash;
        return std::string(f.begin(), f.begin() + 528 * n);
    }
};

TEST_F(FlashUpload, ImageWrittenFrameByFrameReadsBackByteIdentical) {
    sim::SimOptions o;
    o.kind = sim::DeviceKind::RX43;
    o.scenario = "empty";
    ASSERT_TRUE(connect(o));
    TestImage img;
    img.table(0, "240101_120000", {{7, {0x0F, 0x03}}});
    img.records(1, {{7, 10, {1, 2}}, {7, 600, {3, 4}}});
    img.records(2, {{7, 1200, {-5, 6}}});
    img.write(work_.file("image.bin"), 528 * 3);
    ui_.expect("Upload dati nella memoria flash interna ?", "Question", MsgAnswer::Yes);
    ui_.filePath(work_.file("image.bin"));
    ui_.expect("3 pagine saranno caricate nella memoria flash interna. Continuare ?", "Question",
               MsgAnswer::Yes);
    FlashUploadStats st;
    ASSERT_EQ(flashImageUpload(nullptr, &st), 1);
    EXPECT_EQ(st.frames, 33u);
    EXPECT_EQ(sim_->commands().back(), "ATCM15");

    // Read back page by page as the download does.
    std::string back;
    for (unsigned p = 0; p < 3; ++p) {
        ASSERT_EQ(sendCOMMAND(hCom, "ATRD" + hex4(p) + "\r", kModeCR), 1);
        for (int b = 0; b < 11; ++b) {
            ASSERT_EQ(sendCOMMAND(hCom, "ATRD\r", kModeRaw48), 1);
            back.append(reinterpret_cast<const char*>(Rx_buf), 48);
        }
    }
    EXPECT_EQ(back, readFileBytes(work_.file("image.bin")));
}

TEST_F(FlashUpload, StopReportsWholePagesAndRefusalsLeaveTheMode) {
    sim::SimOptions o;
    o.kind = sim::DeviceKind::RX43;
    o.scenario = "empty";
    ASSERT_TRUE(connect(o));
    TestImage img;
    img.write(work_.file("image.bin"), 528 * 5);
    ui_.expect("Upload dati nella memoria flash interna ?", "Question", MsgAnswer::Yes);
    ui_.filePath(work_.file("image.bin"));
    ui_.answer(MsgAnswer::Yes);
    ui_.pressEscAfter(26); // at block 25
    ui_.expect("Confermare l'abbandono dell'operazione ?", "Warning", MsgAnswer::Yes);
    EXPECT_EQ(flashImageUpload(nullptr), 0);
    EXPECT_EQ(ui_.last()->text, "Upload non completato !\r\n(Pagine scritte: 2/5)");
    EXPECT_EQ(ui_.last()->title, "Data Error");
    EXPECT_EQ(sim_->commands().back(), "ATCM15");
    EXPECT_FALSE(sim_->deviceState().uploadMode);

    // Declined at the page count: the logger leaves the mode it entered.
    ui_.expect("Upload dati nella memoria flash interna ?", "Question", MsgAnswer::Yes);
    ui_.filePath(work_.file("image.bin"));
    ui_.answer(MsgAnswer::No);
    EXPECT_EQ(flashImageUpload(nullptr), -1);
    EXPECT_FALSE(sim_->deviceState().uploadMode);

    // Firmware before 1.8 has no flash upload mode.
    sim_->stop();
    closeComPort(hCom);
    o.fw = 0x17;
    ASSERT_TRUE(connect(o));
    ui_.expect("Upload dati nella memoria flash interna ?", "Question", MsgAnswer::Yes);
    EXPECT_EQ(flashImageUpload(nullptr), 0);
    EXPECT_EQ(ui_.last()->title, "System Error");
}

} // namespace
