// Verified reading over a faulty line: blocks and replies taken only when their copies agree,
// through the simulator with seeded lost and changed bytes and a flash block that never reads
// the same twice.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "link/korvane_com.h"
#include "link/verified_reply.h"
#include "logger/download.h"
#include "logger/session.h"
#include "logger/verified_page.h"
#include "platform/text_box.h"
#include "sim/scenario.h"
#include "support/fixture.h"
#include "support/sim_session.h"

namespace {

std::vector<uint8_t> block(uint8_t fill, int changedAt = -1) {
    std::vector<uint8_t> b(48, fill);
    if (changedAt >= 0) b[static_cast<size_t>(changedAt)] ^= 0x21;
    return b;
}

TEST(VerifiedVotes, ABlockIsTakenOnlyWhenEnoughCopiesAgree) {
    struct Copy {
        int block;
        std::vector<uint8_t> bytes;
        int needed;
        bool confirmed; // block confirmed after this copy
    };
    const struct {
        const char* name;
        std::vector<Copy> copies;
        int lastMissing; // afterwards, of a 3-block page
        bool disagreed;
    } cases[] = {
        {"one copy is not enough", {{0, block(1), 2, false}}, 2, false},
        {"two equal copies confirm",
         {{2, block(1), 2, false}, {2, block(1), 2, true}, {1, block(1), 2, false}},
         1,
         false},
        {"a changed byte is no agreement",
         {{2, block(1), 2, false}, {2, block(1, 47), 2, false}, {2, block(1, 0), 2, false}},
         2,
         true},
        {"agreeing copies are kept across other copies",
         {{2, block(1, 5), 2, false},
          {2, block(1), 2, false},
          {2, block(1, 9), 2, false},
          {2, block(1), 2, true}},
         1,
         true},
        {"two changed the same way are not enough once three are needed",
         {{0, block(7, 3), 3, false}, {0, block(7, 3), 3, false}, {0, block(7), 3, false}},
         2,
         true},
        {"three agreeing confirm",
         {{1, block(7), 3, false}, {1, block(7), 3, false}, {1, block(7), 3, true}},
         2,
         false},
        {"a confirmed block stays as confirmed",
         {{1, block(7), 2, false}, {1, block(7), 2, true}, {1, block(9), 3, true}},
         2,
         false},
        {"a block past the page is refused", {{3, block(1), 1, false}, {-1, block(1), 1, false}}, 2, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PageVotes votes(3);
        for (const Copy& copy : c.copies)
            EXPECT_EQ(votes.offer(copy.block, copy.bytes.data(), copy.needed), copy.confirmed);
        EXPECT_EQ(votes.lastMissing(), c.lastMissing);
        EXPECT_EQ(votes.disagreed(), c.disagreed);
    }
    // The confirmed copy is what the page gives, whatever came between.
    PageVotes votes(2);
    votes.offer(0, block(4).data(), 2);
    votes.offer(0, block(4, 1).data(), 2);
    votes.offer(0, block(4).data(), 2);
    votes.offer(1, block(5).data(), 1);
    ASSERT_TRUE(votes.complete());
    std::vector<uint8_t> want = block(4), second = block(5);
    want.insert(want.end(), second.begin(), second.end());
    EXPECT_EQ(std::vector<uint8_t>(votes.bytes(), votes.bytes() + 96), want);
}

class VerifiedRead : public SimSession {
  protected:
    // A plant of `pages` data pages behind a line with `fault` ("" for a clean line).
    bool open(const std::string& fault, int fast, sim::DeviceKind kind = sim::DeviceKind::RX43,
              int pages = 6) {
        sim::SimOptions o;
        o.kind = kind;
        o.scenario = "pages=" + std::to_string(pages);
        o.seed = 4;
        std::string err;
        if (!fault.empty() && !sim::FaultSpec::parse(fault, o.fault, err)) return false;
        bool found = connect(o);
        for (int i = 0; i < 5 && !found && hCom; ++i) found = test_hCom(hCom) == 1; // the probe met a fault
        if (!found) return false;
        Flag.fast_read = fast;
        Verify.on = true;
        Timeout_rx = 100; // the simulator answers at once; a lost byte costs this much
        return true;
    }
    std::vector<uint8_t> flashPage(uint16_t p) const {
        const sim::DeviceState st = sim_->deviceState(); // a copy: the page must not outlive it
        auto pg = st.page(p);
        return {pg.begin(), pg.end()};
    }
    size_t addressings() const {
        const auto cmds = sim_->commands();
        return static_cast<size_t>(std::count_if(cmds.begin(), cmds.end(), [](const std::string& c) {
            return c.size() == 8 && c.rfind("ATRD", 0) == 0;
        }));
    }
};

TEST_F(VerifiedRead, CleanLineTakesTwoReadsAndKeepsTheReadingMode) {
    for (int fast : {1, 0}) {
        SCOPED_TRACE(fast);
        ASSERT_TRUE(open("", fast));
        const uint16_t p = sim_->scenario()->current().pages[2].page;
        uint8_t page[528];
        ASSERT_EQ(getPageVerified(p, page), 1);
        EXPECT_EQ(std::vector<uint8_t>(page, page + 528), flashPage(p));
        EXPECT_EQ(addressings(), 2u);
        EXPECT_FALSE(Verify.trouble);
        const std::string address = "ATRD" + hex4(p | (fast ? 0x8000u : 0u));
        EXPECT_EQ(sim_->commands()[sim_->commands().size() - (fast ? 2 : 12)], address);
        // Registers: asked twice, the agreed reply in Rx_buf.
        const size_t before = sim_->commands().size();
        ASSERT_EQ(sendConfirmed(hCom, "ATPT\r"), 1);
        EXPECT_EQ(rxText(), hex4(sim_->deviceState().pageTab));
        EXPECT_EQ(sim_->commands().size() - before, 2u);
        closeComPort(hCom);
        sim_->stop();
        resetState();
    }
}

TEST_F(VerifiedRead, FaultyLineGivesTheExactPagesAndBufferOrNothing) {
    const struct {
        const char* fault;
        int fast;
    } cases[] = {{"drop=0.005,corrupt=0.01,seed=3", 0}, {"drop=0.005,corrupt=0.01,seed=8", 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        ASSERT_TRUE(open(c.fault, c.fast));
        const auto& cur = sim_->scenario()->current();
        int good = 0;
        for (size_t i = 0; i < 2; ++i) {
            uint8_t page[528];
            std::memset(page, 0xAA, sizeof page);
            const uint16_t p = cur.pages[i].page;
            if (getPageVerified(p, page) != 1) continue;
            EXPECT_EQ(std::vector<uint8_t>(page, page + 528), flashPage(p)) << "page " << p;
            ++good;
        }
        EXPECT_GT(good, 0);
        EXPECT_TRUE(Verify.trouble);
        // Once the line showed trouble, fast reading gives way to asking for each block.
        const auto cmds = sim_->commands();
        const std::string slowAddress = "ATRD" + hex4(cur.pages[1].page);
        EXPECT_NE(std::find(cmds.begin(), cmds.end(), slowAddress), cmds.end());
        uint8_t buf[528];
        const int n = readTmpBufferVerified(hCom, buf);
        if (n >= 0) {
            const auto& st = sim_->deviceState();
            EXPECT_EQ(std::vector<uint8_t>(buf, buf + n),
                      std::vector<uint8_t>(st.tempBuffer.begin(), st.tempBuffer.end()));
        }
        closeComPort(hCom);
        sim_->stop();
        resetState();
    }
}

TEST_F(VerifiedRead, ABlockThatNeverReadsTheSameFailsThePage) {
    ASSERT_TRUE(open("", 0));
    const uint16_t p = sim_->scenario()->current().pages[1].page;
    sim_->modifyDeviceState([&](sim::DeviceState& st) { st.unstableBlock = p * 11 + 7; });
    // Without verification the changed block is taken as it came.
    Verify.on = false;
    uint8_t page[528];
    ASSERT_EQ(setPageAdd(p), 1);
    ASSERT_EQ(getPageFlash(page), 1);
    EXPECT_NE(std::vector<uint8_t>(page, page + 528), flashPage(p));
    // With it the page is refused after its attempts, and nothing of it is handed out.
    Verify.on = true;
    std::memset(page, 0xAA, sizeof page);
    const size_t before = addressings();
    EXPECT_EQ(getPageVerified(p, page), 0);
    EXPECT_EQ(addressings() - before, static_cast<size_t>(kVerifyAttempts));
    EXPECT_EQ(std::vector<uint8_t>(page, page + 528), std::vector<uint8_t>(528, 0xAA));
    EXPECT_TRUE(Verify.trouble);
    // The pages around it read as they are.
    ASSERT_EQ(getPageVerified(static_cast<uint16_t>(p + 1), page), 1);
    EXPECT_EQ(std::vector<uint8_t>(page, page + 528), flashPage(static_cast<uint16_t>(p + 1)));
    // A download through that page fails and leaves no file.
    initSession(nullptr);
    ASSERT_EQ(Flag.pages_error + Flag.table_error + Flag.time_error, 0);
    EXPECT_EQ(saveFile(nullptr, "weak"), 0);
    EXPECT_FALSE(workFileExists("weak"));
    EXPECT_FALSE(workFileExists(kIntermediateFile));
}

TEST_F(VerifiedRead, ADeviceThatStopsAnsweringEndsTheReadAfterThreeSilentTries) {
    ASSERT_TRUE(open("silence=4", 0)); // the probe's four requests are answered, then nothing
    const uint16_t p = sim_->scenario()->current().pages[0].page;
    uint8_t buf[528];
    const struct {
        const char* name;
        std::function<bool()> fails;
    } steps[] = {
        {"page", [&] { return getPageVerified(p, buf) == 0; }},
        {"register", [&] { return sendConfirmed(hCom, "ATSR\r") == 0; }},
        {"temporary buffer", [&] { return readTmpBufferVerified(hCom, buf) == -1; }},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        const size_t before = sim_->commands().size();
        EXPECT_TRUE(step.fails());
        EXPECT_EQ(sim_->commands().size() - before, static_cast<size_t>(kSilentAttemptsMax));
    }
}

// The whole download: the file of the clean line, or a failure without files.
TEST_F(VerifiedRead, FaultyDownloadEndsIdenticalOrWithoutFiles) {
    ASSERT_TRUE(open("", 0, sim::DeviceKind::RX41, 2));
    Verify.on = false;
    initSession(nullptr);
    Tsample = 300;
    ASSERT_EQ(saveFile(nullptr, "clean"), 1);
    const std::string want = readWorkFile("clean");
    ASSERT_FALSE(want.empty());
    closeComPort(hCom);
    sim_->stop();
    resetState();
    int identical = 0;
    for (uint32_t seed = 1; seed <= 2; ++seed) {
        SCOPED_TRACE(seed);
        ASSERT_TRUE(
            open("drop=0.005,corrupt=0.005,seed=" + std::to_string(seed), 0, sim::DeviceKind::RX41, 2));
        initSession(nullptr); // a step that fails asks; the scripted answer is "No"
        ui_.failures.clear();
        if (Flag.pages_error + Flag.table_error + Flag.time_error == 0) {
            Tsample = 300;
            const int ok = saveFile(nullptr, "faulty");
            EXPECT_EQ(readWorkFile("faulty"), ok == 1 ? want : "");
            identical += ok;
        }
        EXPECT_FALSE(workFileExists(kIntermediateFile));
        closeComPort(hCom);
        sim_->stop();
        resetState();
    }
    EXPECT_GT(identical, 0);
}

// The golden logger with verification on a clean line: the same summary, data file, dump and
// flash image as without it, byte for byte.
TEST_F(VerifiedRead, GoldenFilesAreTheSameWithVerification) {
    ASSERT_TRUE(connect(fixtureLogger()));
    Verify.on = true;
    Flag.fast_read = 1;
    initSession(nullptr);
    ASSERT_EQ(Flag.pages_error + Flag.table_error + Flag.time_error, 0);
    CommPort = "COM3";
    StringTextBox box;
    printInfoSes(&box, 1);
    box.text.replace(box.text.find(DataTimePC), DataTimePC.size(), "@@PC_CLOCK@@");
    EXPECT_EQ(box.text, readFileBytes(fixturePath("logger-basic/expected/summary-verbose.txt")));
    Flag.verbose = 1;
    Tsample = 900;
    ASSERT_EQ(saveFile(nullptr, DataTimeSS), 1);
    EXPECT_EQ(readWorkFile("151231_224730"),
              readFileBytes(fixturePath("logger-basic/expected/151231_224730.T900")));
    EXPECT_EQ(readWorkFile(kDumpFile), readFileBytes(fixturePath("logger-basic/expected/RX41data.txt")));
    EXPECT_EQ(readWorkFile(kImageFile), readFileBytes(fixturePath("logger-basic/flash.bin")));
    EXPECT_FALSE(workFileExists(kIntermediateFile));
    EXPECT_FALSE(Verify.trouble);
}

TEST(SimScenario, PagesScenarioHoldsExactlyThatManyPages) {
    for (int n : {1, 37, 200}) {
        sim::Scenario sc;
        std::string err;
        ASSERT_TRUE(sim::buildScenario("pages=" + std::to_string(n), 2, sc, err)) << err;
        EXPECT_EQ(sc.current().pages.size(), static_cast<size_t>(n));
        EXPECT_FALSE(sc.wrapped);
        EXPECT_FALSE(sc.tempRecords.empty());
        EXPECT_EQ(sc.state.pageLast, (sc.state.pageTab + n) & 0xFFF);
    }
    for (const char* bad : {"pages=0", "pages=4095", "pages=", "pages=1x", "pages=00001", "page=5"})
        EXPECT_FALSE(sim::scenarioNameValid(bad)) << bad;
    for (const char* good : {"pages=4094", "normal", "empty"})
        EXPECT_TRUE(sim::scenarioNameValid(good)) << good;
}

} // namespace
