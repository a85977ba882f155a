// Setting the device clock and reading the boards' alarm register.
#include <gtest/gtest.h>

#include <mutex>
#include <optional>

#include "link/clock_state.h"
#include "link/korvane_com.h"
#include "logger/time_marks.h"
#include "support/env_guard.h"
#include "support/pty_peer.h"
#include "support/sim_session.h"

namespace {

constexpr time_t k5March2014At090703Utc = 1394010423;

class ClockSync : public SimSession {
  protected:
    void SetUp() override {
        SimSession::SetUp();
        env_.emplace();
        env_->set("TZ", "UTC");
        tzset();
        setPcClock([] { return k5March2014At090703Utc; });
    }
    void TearDown() override {
        setPcClock({});
        SimSession::TearDown();
        env_.reset(); // TZ as it was
        tzset();
    }
    std::optional<EnvGuard> env_;
};

TEST_F(ClockSync, SendsDateThenTimeFromOneReadingOfThePcClock) {
    sim::SimOptions o;
    o.kind = sim::DeviceKind::RX43;
    o.scenario = "empty";
    ASSERT_TRUE(connect(o));
    const size_t before = sim_->commands().size();
    EXPECT_EQ(clockSync(), 1);
    EXPECT_EQ(DataTimePC, "140305_090703");
    const auto cmds = sim_->commands();
    ASSERT_EQ(cmds.size(), before + 2);
    EXPECT_EQ(cmds[before], "ATDT140305");
    EXPECT_EQ(cmds[before + 1], "ATTM090703");
    const sim::CivilTime t = sim_->deviceState().clock.now();
    EXPECT_EQ(t.year, 2014);
    EXPECT_EQ(t.month, 3);
    EXPECT_EQ(t.day, 5);
    EXPECT_EQ(t.hour, 9);
    EXPECT_EQ(t.minute, 7);
}

TEST_F(ClockSync, FailsUnlessBothCommandsAreAcknowledged) {
    const struct {
        const char *date, *time;
        int result;
        size_t sent;
    } cases[] = {{"OK", "OK", 1, 2}, {"ERR", "OK", 0, 1}, {"OK", "ERR", 0, 2}, {"", "OK", 0, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.date) + "/" + c.time);
        PtyPeer peer;
        peer.serve([&](const std::string& rq) -> std::vector<PtyPeer::Chunk> {
            if (rq.rfind("ATDT", 0) == 0)
                return *c.date ? std::vector<PtyPeer::Chunk>{{std::string(c.date) + "\r"}}
                               : std::vector<PtyPeer::Chunk>{};
            return {{std::string(c.time) + "\r"}};
        });
        hCom = openComPort(peer.path());
        ASSERT_NE(hCom, nullptr);
        initCOM(hCom);
        Timeout_rx = 150;
        EXPECT_EQ(clockSync(), c.result);
        EXPECT_EQ(peer.requests().size(), c.sent);
        closeComPort(hCom);
    }
}

// A board whose "ATSA" reply the test chooses.
class AlarmRegister : public KorvaneTest, public AlarmView {
  protected:
    void SetUp() override {
        KorvaneTest::SetUp();
        peer_.serve([this](const std::string& rq) -> std::vector<PtyPeer::Chunk> {
            std::lock_guard<std::mutex> lock(mu_);
            return {{(rq == "ATSA" ? reply_ : std::string("ERR")) + "\r"}};
        });
        hCom = openComPort(peer_.path());
        ASSERT_NE(hCom, nullptr);
        initCOM(hCom);
        Timeout_rx = 300;
        setAlarmView(this);
    }
    void TearDown() override {
        setAlarmView(nullptr);
        KorvaneTest::TearDown();
    }
    void showAlarms(const AlarmRows& rows) override {
        shown_ = rows;
        ++refreshes_;
    }
    void reply(const std::string& r) {
        std::lock_guard<std::mutex> lock(mu_);
        reply_ = r;
    }
    std::mutex mu_;
    std::string reply_;
    PtyPeer peer_;
    AlarmRows shown_;
    int refreshes_ = 0;
};

TEST_F(AlarmRegister, SixOrEightHexDigitsRefreshTheRows) {
    const struct {
        const char* reply;
        uint8_t reg;
        unsigned inverter, rmin, aux;
        const char *inverterLabel, *auxLabel;
    } cases[] = {
        {"A50350", 0xA5, 3, 80, 0, "Allarme singolo inverter = 3 (Rmin=80%)",
         "Allarme dispositivi ausiliari"},
        {"A503500A", 0xA5, 3, 80, 10, "Allarme singolo inverter = 3 (Rmin=80%)",
         "Allarme dispositivi ausiliari (In 2)"},
        {"00000001", 0x00, 0, 0, 1, "Allarme singolo inverter", "Allarme dispositivi ausiliari (VKE16)"},
        {"c00a6402", 0xC0, 10, 100, 2, "Allarme singolo inverter = 10 (Rmin=100%)",
         "Allarme dispositivi ausiliari (No rete)"},
        {"40000047", 0x40, 0, 0, 71, "Allarme singolo inverter", "Allarme dispositivi ausiliari (In 63)"},
        {"40000048", 0x40, 0, 0, 72, "Allarme singolo inverter", "Allarme dispositivi ausiliari (72)"},
        {"40000007", 0x40, 0, 0, 7, "Allarme singolo inverter", "Allarme dispositivi ausiliari (7)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply);
        reply(c.reply);
        const int before = refreshes_;
        ASSERT_EQ(upd_Alarm(nullptr), 1);
        EXPECT_EQ(Alarm, c.reg);
        EXPECT_EQ(refreshes_, before + 1);
        EXPECT_EQ(shown_.reg, c.reg);
        EXPECT_EQ(shown_.inverter, c.inverter);
        EXPECT_EQ(shown_.rmin, c.rmin);
        EXPECT_EQ(shown_.aux, c.aux);
        EXPECT_EQ(shown_.inverterLabel, c.inverterLabel);
        EXPECT_EQ(shown_.auxLabel, c.auxLabel);
    }
}

TEST_F(AlarmRegister, AnyOtherReplyChangesNothing) {
    reply("A503500A");
    ASSERT_EQ(upd_Alarm(nullptr), 1);
    for (const char* bad : {"A50350A", "A5035", "A503500A0", "A5 350", "A5035G", "ERR", "OK", ""}) {
        SCOPED_TRACE(bad);
        reply(bad);
        EXPECT_EQ(upd_Alarm(nullptr), 0);
        EXPECT_EQ(Alarm, 0xA5);
        EXPECT_EQ(refreshes_, 1);
        EXPECT_EQ(LastAlarmRows.auxLabel, "Allarme dispositivi ausiliari (In 2)");
    }
}

TEST(AlarmFields, BitsOfTheRegister) {
    const ala_reg f = alarmFields(0xA5);
    EXPECT_TRUE(f.eff && f.etag && f.sms_inv && f.sms_aux);
    EXPECT_FALSE(f.sms_eff || f.sms_etag || f.inv || f.aux);
    for (unsigned v = 0; v < 256; ++v) EXPECT_EQ(alarmRegister(alarmFields(static_cast<uint8_t>(v))), v);
}

} // namespace
