// The remote connection's state machine through the simulated modem: dialling, result codes,
// reading the logger over the call, hanging up, busy numbers, "Stop" and a lost call.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <map>

#include "link/korvane_com.h"
#include "link/modem.h"
#include "logger/download.h"
#include "logger/session.h"
#include "platform/clock.h"
#include "shell/phone_book.h"
#include "shell/remote.h"
#include "support/fixture.h"
#include "support/sim_session.h"

namespace {

// The dialog as the functions see it.
struct FakeRemoteView : RemoteView {
    std::map<int, std::string> texts;
    std::map<int, bool> enabled;
    bool timer = false;
    int statusPaints = 0;
    std::function<int()> main = [] { return 1; };
    int mainRuns = 0;

    void setText(int id, const std::string& t) override { texts[id] = t; }
    void enable(int id, bool on) override { enabled[id] = on; }
    void startPoll() override { timer = true; }
    void stopPoll() override { timer = false; }
    void statusChanged() override { ++statusPaints; }
    int mainDialog() override {
        ++mainRuns;
        return main();
    }
    bool on(int id) const {
        auto it = enabled.find(id);
        return it == enabled.end() || it->second;
    }
};

class Remote : public SimSession {
  protected:
    void start(const std::function<void(sim::SimOptions&)>& more = {}) {
        std::ofstream(work_.file("VAruzizu.ini"), std::ios::binary) << "Ntel=0551234567\r\n";
        sim::SimOptions o = fixtureLoggerBehindModem();
        o.baud = 19200;
        if (more) more(o);
        ASSERT_TRUE(connectModem(o));
        remoteOpen(v_);
    }
    // Runs the poll timer until `done` or 10 s.
    bool tickUntil(const std::function<bool()>& done) {
        const uint32_t t0 = nowMs();
        while (!done() && nowMs() - t0 < 10000) {
            if (v_.timer) remoteTick(v_);
            sleepMs(20);
        }
        return done();
    }
    FakeRemoteView v_;
};

TEST_F(Remote, DialConnectReadTheLoggerAndHangUp) {
    start();
    EXPECT_EQ(v_.texts[kRemoteNumber], "0551234567") << "from VAruzizu.ini";
    EXPECT_EQ(v_.texts[kRemoteExit], "Exit");
    EXPECT_EQ(v_.texts[kRemoteLabel], "N. telefonico impianto");
    EXPECT_FALSE(v_.on(kRemoteReadData));

    remoteConnect(v_);
    EXPECT_EQ(Stato_OPM, 1);
    EXPECT_TRUE(v_.timer);
    EXPECT_FALSE(v_.on(kRemoteConnect));
    EXPECT_EQ(v_.texts[kRemoteStatus], "Connessione in corso...");
    EXPECT_EQ(v_.texts[kRemoteExit], "Stop");
    ASSERT_TRUE(tickUntil([] { return Stato_OPM == 2; }));
    EXPECT_EQ(Modem_fback, 16);
    EXPECT_EQ(v_.texts[kRemoteStatus], "Connesso a 19200 bps");
    EXPECT_EQ(v_.texts[kRemoteExit], "Disconnessione");
    EXPECT_FALSE(v_.timer) << "no poll while the main dialog talks to the logger";
    EXPECT_TRUE(v_.on(kRemoteReadData));
    EXPECT_FALSE(v_.on(kRemotePhoneBook));
    EXPECT_FALSE(v_.on(kRemoteNumber));

    v_.main = [] {
        initSession(nullptr);
        EXPECT_EQ(Flag.pages_error, 0);
        EXPECT_EQ(Flag.modem, 1);
        return 1;
    };
    remoteReadData(v_);
    EXPECT_EQ(v_.mainRuns, 1);
    EXPECT_EQ(FW_release, "B018") << "the logger was probed through the call";
    EXPECT_TRUE(v_.on(kRemoteReadData));
    EXPECT_TRUE(ui_.shown.empty());

    const size_t before = sim_->commands().size();
    EXPECT_FALSE(remoteExit(v_));
    EXPECT_EQ(Stato_OPM, 0);
    EXPECT_EQ(v_.texts[kRemoteExit], "Exit");
    EXPECT_EQ(v_.texts[kRemoteStatus], "");
    EXPECT_TRUE(v_.timer) << "the final result code is awaited";
    EXPECT_FALSE(v_.on(kRemoteReadData));
    ASSERT_TRUE(sim_->waitForCommands(before + 2, 3000));
    const auto cmds = sim_->commands();
    EXPECT_EQ(cmds[cmds.size() - 2], "+++");
    EXPECT_EQ(cmds.back(), "ATH");
    ASSERT_TRUE(tickUntil([] { return Modem_fback == 3; }));
    EXPECT_EQ(v_.texts[kRemoteStatus], "Assenza linea") << "NO CARRIER after the hang-up";
    EXPECT_TRUE(v_.on(kRemoteConnect));
    EXPECT_TRUE(remoteExit(v_)) << "Exit ends the dialog";
}

TEST_F(Remote, ABusyNumberAndStopWhileDiallingGoBackToIdle) {
    start([](sim::SimOptions& o) { o.modemDialMs = 1500; });
    Ntel = "0550000000";
    remoteConnect(v_);
    ASSERT_TRUE(tickUntil([] { return Modem_fback != 20; }));
    EXPECT_EQ(v_.texts[kRemoteStatus], "Occupato");
    EXPECT_EQ(Stato_OPM, 0);
    EXPECT_TRUE(v_.on(kRemoteConnect));
    EXPECT_EQ(v_.texts[kRemoteExit], "Exit");

    Ntel = "0551234567";
    remoteConnect(v_);
    sleepMs(200);
    EXPECT_FALSE(remoteExit(v_)) << "Stop";
    EXPECT_EQ(Stato_OPM, 0) << "the modem answered the hang-up";
    EXPECT_EQ(v_.texts[kRemoteExit], "Exit");
    EXPECT_TRUE(v_.on(kRemoteConnect));
    sleepMs(1600);
    remoteTick(v_);
    EXPECT_EQ(Stato_OPM, 0) << "the call was given up: no connection comes later";
}

TEST_F(Remote, ACallLostDuringADownloadIsReportedAndNothingIsSentToTheModem) {
    start();
    remoteConnect(v_);
    ASSERT_TRUE(tickUntil([] { return Stato_OPM == 2; }));
    size_t seen = 0;
    v_.main = [&] {
        initSession(nullptr);
        sim_->dropCarrier();
        ui_.answer(MsgAnswer::Yes); // the page count of a modem line
        const uint32_t t0 = nowMs();
        EXPECT_EQ(saveFile(nullptr, DataTimeSS), 0);
        EXPECT_LT(nowMs() - t0, 8000u) << "no long wait on a dead line";
        EXPECT_EQ(Com_lost, 1);
        seen = sim_->commands().size();
        EXPECT_EQ(sendCOMMAND(hCom, "ATDT\r", kModeCR), 0) << "never sent: the modem would dial";
        return 1;
    };
    remoteReadData(v_);
    ASSERT_FALSE(ui_.shown.empty());
    EXPECT_EQ(ui_.shown.back().text, carrierLostText());
    EXPECT_EQ(ui_.shown.back().title, "COM Error");
    EXPECT_EQ(sim_->commands().size(), seen);
    EXPECT_EQ(Stato_OPM, 0);
    EXPECT_EQ(v_.texts[kRemoteStatus], "Assenza linea");
    EXPECT_EQ(v_.texts[kRemoteExit], "Exit");
    EXPECT_TRUE(v_.on(kRemoteConnect));
    EXPECT_FALSE(v_.on(kRemoteReadData));
    EXPECT_EQ(Com_lost, 0);
    EXPECT_FALSE(workFileExists(DataTimeSS));
}

TEST_F(Remote, NumberButtonAsksToSaveAndRubricaLoads) {
    start();
    ui_.inputText("0559876543");
    ui_.expect("Salvare il numero in rubrica ?", "Question", MsgAnswer::Yes);
    ui_.filePath(work_.file("casa.tel"));
    remoteNumber(v_);
    EXPECT_EQ(Ntel, "0559876543");
    EXPECT_EQ(v_.texts[kRemoteNumber], "0559876543");
    ASSERT_FALSE(ui_.inputsShown.empty());
    EXPECT_EQ(ui_.inputsShown.back().maxEdit, 15);
    EXPECT_EQ(ui_.inputsShown.back().title, "Inserire un numero telefonico");
    EXPECT_EQ(readFileBytes(work_.file("casa.tel")), "Ntel=0559876543\r\n");

    ui_.inputText("111");
    ui_.expect("Salvare il numero in rubrica ?", "Question", MsgAnswer::Yes);
    ui_.fileCancel();
    remoteNumber(v_);
    EXPECT_EQ(ui_.shown.back().text, "Salvataggio non effettuato !");

    ui_.filePath(work_.file("casa.tel"));
    remotePhoneBook(v_);
    EXPECT_EQ(Ntel, "0559876543");
    ui_.fileCancel();
    remotePhoneBook(v_);
    EXPECT_EQ(ui_.shown.back().text, "Numero telefonico non trovato !");
    EXPECT_EQ(Ntel, "0559876543");
}

} // namespace
