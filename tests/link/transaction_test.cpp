// Command transactions, the clock setting and the alarm register against a scripted peer on a real
// pseudo-terminal.
#include <gtest/gtest.h>

#include <cstdio>

#include "link/clock_state.h"
#include "link/korvane_com.h"
#include "logger/time_marks.h"
#include "platform/clock.h"
#include "support/env_guard.h"
#include "support/pty_peer.h"
#include "support/state_guard.h"

namespace {

// The program's port opened on a scripted peer; the fixture also stands for the main dialog's alarm rows.
class Transaction : public KorvaneTest, public AlarmView {
  protected:
    void SetUp() override {
        KorvaneTest::SetUp();
        hCom = openComPort(peer_.path()); // closed by resetState()
        ASSERT_NE(hCom, nullptr);
        initCOM(hCom);
        Timeout_rx = 300;
        setAlarmView(this);
    }
    void TearDown() override {
        setAlarmView(nullptr);
        KorvaneTest::TearDown();
    }
    std::string reply() const {
        return std::string(reinterpret_cast<const char*>(Rx_buf), static_cast<size_t>(iRx));
    }
    // Answers every request with the given chunks (a new script replaces the old one).
    void answer(std::vector<PtyPeer::Chunk> chunks) {
        peer_.serve([chunks](const std::string&) { return chunks; });
    }
    // Requests beginning with `first` get `reply1`, the others `reply2`; an empty reply is silence.
    void script(const std::string& first, const std::string& reply1, const std::string& reply2) {
        peer_.serve([=](const std::string& rq) {
            const std::string& r = rq.rfind(first, 0) == 0 ? reply1 : reply2;
            return r.empty() ? std::vector<PtyPeer::Chunk>{} : std::vector<PtyPeer::Chunk>{{r + "\r"}};
        });
    }
    void showAlarms(const AlarmRows& rows) override {
        shown_ = rows;
        ++refreshes_;
    }
    PtyPeer peer_;
    AlarmRows shown_;
    int refreshes_ = 0;
};

TEST_F(Transaction, LineEndsAtTheTerminatorAndTheTwoHundredSeventySecondByteFails) {
    for (const std::string& sent :
         {std::string("OK\r"), std::string("\r"), std::string("B018\rjunk"), std::string(270, 'A') + "\r"}) {
        answer({{sent, 0}});
        ASSERT_EQ(sendCOMMAND(hCom, "ATVR\r", kModeCR), 1) << sent.size();
        EXPECT_EQ(reply(), sent.substr(0, sent.find('\r')));
        EXPECT_EQ(Rx_buf[iRx], 0);
    }
    answer({{std::string(271, 'x') + "y", 0}});
    EXPECT_EQ(sendCOMMAND(hCom, "ATRB\r", kModeCR), 0);
    EXPECT_EQ(iRx, kRxOverflow);
    answer({{std::string(400, 'x'), 0}}); // silence mode is bounded by the buffer too
    EXPECT_EQ(sendCOMMAND(hCom, "X\r", kModeSilence), 0);
    EXPECT_EQ(iRx, kRxOverflow);
}

TEST_F(Transaction, SilenceTimeOutRestartsWithEveryByteAndFailureKeepsThePartialReply) {
    Timeout_rx = 400;
    // Six bytes 100 ms apart: 600 ms in all, more than the time-out, but never 400 ms of silence
    // (the margin is wide so that a loaded machine's late thread does not count as silence).
    answer({{"1", 0}, {"2", 100}, {"3", 100}, {"4", 100}, {"5", 100}, {"\r", 100}});
    EXPECT_EQ(sendCOMMAND(hCom, "ATSE\r", kModeCR), 1);
    EXPECT_EQ(reply(), "12345");
    answer({{"12", 0}, {"34\r", 1200}});
    EXPECT_EQ(sendCOMMAND(hCom, "ATSE\r", kModeCR), 0);
    EXPECT_EQ(reply(), "12");
}

TEST_F(Transaction, EmptyPollReturnsAtOnceOrReadsAWaitingLineAndARequestPurgesStaleInput) {
    Timeout_rx = 5000;
    const uint32_t t0 = nowMs();
    EXPECT_EQ(sendCOMMAND(hCom, "", kModeCR), 0);
    EXPECT_LT(nowMs() - t0, 2500u);   // far below the 5 s time-out
    EXPECT_EQ(peer_.receive(30), ""); // nothing was written
    peer_.send("3\r");
    sleepMs(50);
    EXPECT_EQ(sendCOMMAND(hCom, "", kModeCR), 1);
    EXPECT_EQ(reply(), "3");
    peer_.send("stale\r");
    sleepMs(50);
    answer({{"OK\r", 0}});
    EXPECT_EQ(sendCOMMAND(hCom, "ATCM00\r", kModeCR), 1);
    EXPECT_EQ(reply(), "OK");
}

TEST_F(Transaction, FixedLengthModesWhateverTheBytesAndSilenceModeTakesEverything) {
    std::string block;
    for (int i = 0; i < 48; ++i)
        block += static_cast<char>(i == 5 ? 0 : i % 2 ? '\r' : 'L'); // a zero, CRs, 'L's
    answer({{block + "more", 0}});
    ASSERT_EQ(sendCOMMAND(hCom, "ATRD\r", kModeRaw48), 1);
    EXPECT_EQ(reply(), block);
    EXPECT_EQ(sendCOMMAND(hCom, "", kModeCR), 0); // "more" is still waiting, without a CR
    EXPECT_EQ(reply(), "more");
    answer({{std::string(63, 'U'), 0}});
    EXPECT_EQ(sendCOMMAND(hCom, "ATRD\r", kModeRaw64), 0); // one byte short: time-out
    EXPECT_EQ(iRx, 63);
    answer({{"\r\nNO CARRIER\r\n", 0}, {"0\r", 30}});
    EXPECT_EQ(sendCOMMAND(hCom, "ATH\r", kModeSilence), 1);
    EXPECT_EQ(reply(), "\r\nNO CARRIER\r\n0\r");
    peer_.stop();
    Timeout_rx = 100;
    EXPECT_EQ(sendCOMMAND(hCom, "ATH\r", kModeSilence), 1); // nothing at all is a success too
    EXPECT_EQ(iRx, 0);
    EXPECT_EQ(peer_.receive(), "ATH\r");

    const char* raw = block.c_str(); // the block modes write their length, whatever the bytes
    EXPECT_EQ(sendCOMMAND(hCom, raw, kModeBlock34NoReply), 1);
    EXPECT_EQ(peer_.receive(), block.substr(0, 34));
    EXPECT_EQ(sendCOMMAND(hCom, raw, kModeBlock48), 0); // nobody answers the CR line
    EXPECT_EQ(peer_.receive(), block);
    peer_.send("OK\r");
    EXPECT_EQ(sendCOMMAND(hCom, raw, kModeBlock34), 0); // the waiting "OK" was purged first
    EXPECT_EQ(sendCOMMAND(hCom, "ATSA00\r", kModeNoReply), 1);
    EXPECT_EQ(peer_.receive(), block.substr(0, 34) + "ATSA00\r");
    EXPECT_EQ(sendCOMMAND(hCom, std::string(274, 'A'), kModeCR), 0); // too long: not written
    EXPECT_EQ(peer_.receive(30), "");
    sendCOMMAND(hCom, std::string(273, 'A'), kModeCR);
    EXPECT_EQ(peer_.receive().size(), 273u);
}

TEST_F(Transaction, HangUpEndsTheWaitAtOnce) {
    Timeout_rx = 5000;
    std::thread hanger;
    peer_.serve([this, &hanger](const std::string&) {
        hanger = std::thread([this] { peer_.hangup(); });
        return std::vector<PtyPeer::Chunk>{};
    });
    const uint32_t t0 = nowMs();
    EXPECT_EQ(sendCOMMAND(hCom, "ATVR\r", kModeCR), 0);
    EXPECT_LT(nowMs() - t0, 2500u);
    EXPECT_EQ(Com_lost, 1);
    EXPECT_TRUE(hCom->lost());
    EXPECT_EQ(sendCOMMAND(hCom, "ATVR\r", kModeCR), 0); // and stays failed
    if (hanger.joinable()) hanger.join();
}

TEST_F(Transaction, ClockSyncSendsDateThenTimeFromOneReadingOfThePcClockAndNeedsBothAcknowledged) {
    {
        EnvGuard env;
        env.set("TZ", "UTC");
        tzset();
        setPcClock([] { return time_t{1394010423}; }); // 5 March 2014 09:07:03
        script("ATDT", "OK", "OK");
        EXPECT_EQ(clockSync(), 1);
        setPcClock({});
        EXPECT_EQ(DataTimePC, "140305_090703");
        EXPECT_EQ(peer_.requests(), (std::vector<std::string>{"ATDT140305", "ATTM090703"}));
    }
    tzset(); // TZ as it was
    const struct {
        const char *date, *time;
        size_t sent;
    } cases[] = {{"ERR", "OK", 1}, {"OK", "ERR", 2}, {"", "OK", 1}};
    for (const auto& c : cases) {
        script("ATDT", c.date, c.time);
        EXPECT_EQ(clockSync(), 0) << c.date << "/" << c.time;
        EXPECT_EQ(peer_.requests().size(), c.sent) << c.date << "/" << c.time;
    }
}

TEST_F(Transaction, AlarmRegisterOfSixOrEightHexDigitsRefreshesTheRowsAnyOtherReplyChangesNothing) {
    const struct {
        const char *reply, *rows; // register, inverter, Rmin, auxiliary code; the two labels
    } cases[] = {
        {"A50350", "A5 3 80 0|Allarme singolo inverter = 3 (Rmin=80%)|Allarme dispositivi ausiliari"},
        {"A503500A",
         "A5 3 80 10|Allarme singolo inverter = 3 (Rmin=80%)|Allarme dispositivi ausiliari (In 2)"},
        {"00000001", "00 0 0 1|Allarme singolo inverter|Allarme dispositivi ausiliari (VKE16)"},
        {"c00a6402",
         "C0 10 100 2|Allarme singolo inverter = 10 (Rmin=100%)|Allarme dispositivi ausiliari (No rete)"},
        {"40000048", "40 0 0 72|Allarme singolo inverter|Allarme dispositivi ausiliari (72)"},
    };
    for (const auto& c : cases) {
        script("ATSA", c.reply, "ERR");
        ASSERT_EQ(upd_Alarm(nullptr), 1) << c.reply;
        char numbers[32];
        std::snprintf(numbers, sizeof numbers, "%02X %u %u %u", shown_.reg, shown_.inverter, shown_.rmin,
                      shown_.aux);
        EXPECT_EQ(numbers + ("|" + shown_.inverterLabel + "|" + shown_.auxLabel), c.rows) << c.reply;
        EXPECT_EQ(Alarm, shown_.reg) << c.reply;
    }
    script("ATSA", "A503500A", "ERR");
    ASSERT_EQ(upd_Alarm(nullptr), 1);
    for (const char* bad : {"A50350A", "A503500A0", "A5035G", "ERR", ""}) {
        script("ATSA", bad, "ERR");
        EXPECT_EQ(upd_Alarm(nullptr), 0) << bad;
        EXPECT_EQ(Alarm, 0xA5) << bad;
        EXPECT_EQ(refreshes_, 6) << bad;
        EXPECT_EQ(LastAlarmRows.auxLabel, "Allarme dispositivi ausiliari (In 2)") << bad;
    }
}

} // namespace
