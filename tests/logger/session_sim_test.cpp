// Reading the session of a simulated logger.
#include <gtest/gtest.h>

#include "link/clock_state.h"
#include "link/korvane_com.h"
#include "logger/session.h"
#include "logger/tab_ass.h"
#include "support/fixture.h"
#include "support/sim_session.h"

namespace {

class SessionRead : public SimSession {};

std::string summaryWithMarker() {
    StringTextBox box;
    printInfoSes(&box, Flag.verbose);
    std::string s = box.text;
    size_t p = s.find(DataTimePC);
    if (p != std::string::npos) s.replace(p, DataTimePC.size(), "@@PC_CLOCK@@");
    return s;
}

TEST_F(SessionRead, FixtureSummaryMatchesGoldenTextWithFastAndSlowReading) {
    for (int fast : {1, 0}) {
        ASSERT_TRUE(connect(fixtureLogger()));
        CommPort = "COM3";
        Flag.fast_read = fast;
        Flag.verbose = 1;
        initSession(nullptr);
        EXPECT_EQ(Flag.pages_error, 0);
        EXPECT_EQ(Flag.table_error, 0);
        EXPECT_EQ(Flag.time_error, 0);
        EXPECT_EQ(summaryWithMarker(), readFileBytes(fixturePath("logger-basic/expected/summary-verbose.txt")))
            << "fast " << fast;
        EXPECT_EQ(ui_.waitTexts, (std::vector<std::string>{"Inizializzazione pagine...",
                                                             "Inizializzazione tabella ass...",
                                                             "Inizializzazione stringhe temporali..."}));
        EXPECT_EQ(ui_.waitCloses, 1);
        EXPECT_TRUE(ui_.shown.empty());
        closeComPort(hCom);
        sim_->stop();
        resetState();
        ui_.waitTexts.clear();
        ui_.waitCloses = 0;
    }
}

TEST_F(SessionRead, FastReadingAddressesWithBit15AndOneCommandPerPage) {
    ASSERT_TRUE(connect(fixtureLogger()));
    Flag.fast_read = 1;
    ASSERT_EQ(initPages(), 1);
    ASSERT_EQ(setPageAdd(0x123), 1);
    uint8_t page[528];
    size_t before = sim_->commands().size();
    ASSERT_EQ(getPageFlash(page), 1);
    auto cmds = sim_->commands();
    EXPECT_EQ(cmds[before - 1], "ATRD8123");
    EXPECT_EQ(cmds.size() - before, 1u); // the logger streams the other ten blocks
    auto flash = fixtureFlash("logger-basic");
    EXPECT_EQ(std::vector<uint8_t>(page, page + 528), flashPage(flash, 0x123));
}

TEST_F(SessionRead, PagePointersAndDownloadCap) {
    struct Case {
        uint8_t status;
        uint16_t tab, last;
        bool board;
        uint16_t first, total, dload;
    } cases[] = {
        {0x10, 0x0FF6, 0x000A, false, 0x0FF7, 20, 20},
        {0x10, 0x0100, 0x0100, false, 0x0100, 0, 0},      // a session without data pages
        {0x18, 0x0100, 0x0FFF, false, 0x0000, 4095, 4095}, // wrapped ring
        {0x10, 0x0FFD, 0x0001, false, 0x0FFE, 4, 4},
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
        char first[8];
        std::snprintf(first, sizeof first, "%04X", c.first);
        EXPECT_EQ(PageFirst, first);
    }
    Flag.MW51 = 0;
    Flag.modem = 1;
    ASSERT_EQ(initPages(), 1);
    EXPECT_EQ(TotalPagNumDload, 4); // through a modem too
}

TEST_F(SessionRead, TemporaryBufferLengthIsCappedAndZeroReadsNothing) {
    ASSERT_TRUE(connect(fixtureLogger()));
    uint8_t buf[528];
    EXPECT_EQ(read_tmp_buffer(hCom, buf), 84);
    sim_->modifyDeviceState([](sim::DeviceState& s) {
        s.tempLength = 0x0400;
        s.tempBuffer.assign(0x400, 0x11);
    });
    EXPECT_EQ(read_tmp_buffer(hCom, buf), 528);
    sim_->modifyDeviceState([](sim::DeviceState& s) { s.tempLength = 0; });
    size_t before = sim_->commands().size();
    EXPECT_EQ(read_tmp_buffer(hCom, buf), 0);
    EXPECT_EQ(sim_->commands().size() - before, 1u); // "ATRB" only, no block
}

TEST_F(SessionRead, RetryQuestionsRepeatOrGiveUp) {
    ASSERT_TRUE(connect(fixtureLogger()));
    sim_->stop(); // the device goes silent: every step fails
    Timeout_rx = 50;
    ui_.expect("Errore lettura pagine !\r\nTentare di nuovo ?", "COM Error", MsgAnswer::Yes);
    ui_.expect("Errore lettura pagine !\r\nTentare di nuovo ?", "COM Error", MsgAnswer::No);
    initSession(nullptr);
    EXPECT_EQ(Flag.pages_error, 1);
    EXPECT_EQ(Flag.table_error, 1);
    EXPECT_EQ(Flag.time_error, 1);
    EXPECT_EQ(ui_.shown.size(), 2u);
    EXPECT_EQ(ui_.shown[0].icon, MsgIcon::Error);
    EXPECT_EQ(ui_.waitCloses, 1);
}

TEST_F(SessionRead, LaterStepsAskTheirOwnQuestions) {
    ASSERT_TRUE(connect(fixtureLogger()));
    // A table page that is not a table: the table step fails; the time step still works.
    sim_->modifyDeviceState([](sim::DeviceState& s) { s.page(s.pageTab)[0] = 0x00; });
    ui_.expect("Errore analisi Tabella di Assegnazione !\r\nTentare di nuovo ?", "Com Error", MsgAnswer::No);
    initSession(nullptr);
    EXPECT_EQ(Flag.pages_error, 0);
    EXPECT_EQ(Flag.table_error, 1);
    EXPECT_EQ(Flag.time_error, 0);
}

TEST_F(SessionRead, BoardReadsItsAlarmRegister) {
    sim::SimOptions o;
    o.kind = sim::DeviceKind::MW51;
    ASSERT_TRUE(connect(o));
    sim_->modifyDeviceState([](sim::DeviceState& s) {
        s.alarm = 0xA5;
        s.alarmInverter = 3;
        s.alarmRmin = 80;
    });
    initSession(nullptr);
    EXPECT_EQ(Flag.alarm_error, 0);
    EXPECT_EQ(Alarm, 0xA5);
    EXPECT_EQ(LastAlarmRows.inverterLabel, "Allarme singolo inverter = 3 (Rmin=80%)");
}

} // namespace

namespace {

class PageReadFaults : public SimSession {};

TEST_F(PageReadFaults, LostBytesGiveTheRightPageOrAFailureNeverAWrongPage) {
    for (int fast : {1, 0}) {
        auto o = fixtureLogger();
        std::string err;
        ASSERT_TRUE(sim::FaultSpec::parse("drop=0.002,seed=" + std::to_string(5 + fast), o.fault, err));
        ASSERT_TRUE(connect(o));
        Flag.fast_read = fast;
        Timeout_rx = 150; // shorter than the block window: a failed block is retried
        auto flash = fixtureFlash("logger-basic");
        int good = 0, failed = 0;
        for (unsigned p = 0xFF0; p < 0xFF0 + 24; ++p) {
            uint8_t page[528];
            if (setPageAdd(static_cast<uint16_t>(p & 0xFFF)) != 1) {
                ++failed;
                continue;
            }
            if (getPageFlash(page) == 1) {
                EXPECT_EQ(std::vector<uint8_t>(page, page + 528), flashPage(flash, p & 0xFFF)) << std::hex << p;
                ++good;
            } else {
                ++failed;
            }
        }
        EXPECT_GT(good, 0);
        closeComPort(hCom);
        sim_->stop();
        resetState();
    }
}

TEST_F(PageReadFaults, TableIsReadWithAsManyBlocksAsItsLength) {
    for (int length : {16, 40, 100}) {
        ASSERT_TRUE(connect(fixtureLogger()));
        sim_->modifyDeviceState([&](sim::DeviceState& s) {
            auto t = s.page(s.pageTab);
            t[2] = static_cast<uint8_t>(length);
            t[3] = 0;
        });
        ASSERT_EQ(initPages(), 1);
        size_t before = sim_->commands().size();
        initTabAss();
        auto cmds = sim_->commands();
        size_t blocks = std::count(cmds.begin() + static_cast<long>(before), cmds.end(), std::string("ATRD"));
        EXPECT_EQ(blocks, static_cast<size_t>((length + 47) / 48)) << length;
        if (length == 16) {
            EXPECT_EQ(TotalNodeNum, 0);
        }
        closeComPort(hCom);
        sim_->stop();
        resetState();
    }
}

} // namespace
