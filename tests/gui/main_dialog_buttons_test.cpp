// The main panel's device buttons on the simulator: clock synchronisation and the sample timer
// of a logger; alarm rows, their acknowledgement and the inverter screen of an energy board.
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <array>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

#include "gui_helpers.h"
#include "inverter/inverter_details_dialog.h"
#include "link/clock_state.h"
#include "link/korvane_com.h"
#include "logger/sample_timer.h"
#include "logger/sample_timer_dialog.h"
#include "platform/ui_qt_dialog.h"
#include "shell/main_actions.h"
#include "shell/main_dialog.h"
#include "shell/screen_rules.h"
#include "shell/startup.h"
#include "sim/sim.h"
#include "support/env_guard.h"
#include "support/pty_peer.h"
#include "support/state_guard.h"

namespace {

QString textOf(QWidget* w) {
    if (auto* e = qobject_cast<QPlainTextEdit*>(w)) return e->toPlainText();
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    return {};
}

void click(QWidget* w) {
    static_cast<QPushButton*>(w)->click();
}

QColor centreColour(QWidget* w) {
    QImage img = w->grab().toImage();
    return img.pixelColor(img.width() / 2, img.height() / 2);
}

// A device of the simulator, identified as the start-up does it, in a fresh current folder.
class PanelOnSim : public KorvaneTest {
  protected:
    void start(sim::SimOptions o, const std::function<void(sim::DeviceState&)>& setUp = {}) {
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_.path());
        o.scenario = "empty";
        sim_ = std::make_unique<sim::Simulator>(o);
        std::string err;
        ASSERT_TRUE(sim_->start(&err)) << err;
        if (setUp) sim_->modifyDeviceState(setUp);
        Timeout_rx = 1000;
        ASSERT_EQ(openAndProbe(sim_->slavePath()), 1);
    }
    void TearDown() override {
        setPcClock({});
        KorvaneTest::TearDown();
        sim_.reset();
        if (!old_.empty()) std::filesystem::current_path(old_);
    }
    std::vector<std::string> commandsSince(size_t from) const {
        auto all = sim_->commands();
        return {all.begin() + static_cast<std::ptrdiff_t>(std::min(from, all.size())), all.end()};
    }
    TempDir dir_;
    std::filesystem::path old_;
    std::unique_ptr<sim::Simulator> sim_;
};

sim::SimOptions kind(sim::DeviceKind k, uint16_t fw = 0x18) {
    sim::SimOptions o;
    o.kind = k;
    o.fw = fw;
    return o;
}

TEST_F(PanelOnSim, ClockSyncAsksSetsTheClockAndRewritesTheSummary) {
    start(kind(sim::DeviceKind::RX43));
    std::tm t{};
    t.tm_year = 114, t.tm_mon = 2, t.tm_mday = 5, t.tm_hour = 9, t.tm_min = 7, t.tm_sec = 3, t.tm_isdst = -1;
    const time_t now = std::mktime(&t);
    setPcClock([now] { return now; });
    DialogMain dlg;
    QString summary;
    std::vector<std::string> declined, accepted, failed;
    runScripted(dlg, [&] {
        QWidget* button = dlg.control(204);
        size_t from = sim_->commands().size();
        ui_.expect(kClockSyncQuestion, "Question", MsgAnswer::No);
        click(button);
        declined = commandsSince(from);

        from = sim_->commands().size();
        ui_.expect(kClockSyncQuestion, "Question", MsgAnswer::Yes);
        click(button);
        accepted = commandsSince(from);
        summary = textOf(dlg.control(228));

        sim_->hangup();
        ui_.expect(kClockSyncQuestion, "Question", MsgAnswer::Yes);
        const size_t shown = ui_.shown.size();
        click(button);
        ASSERT_EQ(ui_.shown.size(), shown + 2);
        EXPECT_EQ(ui_.last()->text, kClockSyncFailed);
        EXPECT_EQ(ui_.last()->title, "Com Error");
        EXPECT_EQ(ui_.last()->icon, MsgIcon::Error);
    });
    EXPECT_TRUE(declined.empty());
    ASSERT_GE(accepted.size(), 4u); // the clock, then the time marks read again
    EXPECT_EQ(accepted[0], "ATDT140305");
    EXPECT_EQ(accepted[1], "ATTM090703");
    EXPECT_NE(std::find(accepted.begin() + 2, accepted.end(), "ATDT"), accepted.end());
    EXPECT_TRUE(
        summary.contains("Orologio PC.............. 140305_090703\nOrologio datalogger...... 140305_0907"))
        << summary.toStdString();
    EXPECT_EQ(ui_.pendingAnswers(), 0u);
}

TEST_F(PanelOnSim, SampleTimerDialogClampsSendsAndPutsTheLoggerBackIntoIdle) {
    start(kind(sim::DeviceKind::RX43), [](sim::DeviceState& d) {
        d.operatingState = 0x00; // IDLE
        d.status = 0x10;         // READY
    });
    DialogMain dlg;
    QString title, group, initial, afterEnter, afterZero;
    bool fixedPitch = false, openAfterZero = false;
    std::vector<std::string> sent;
    OnModal<DlgSaTmr> onTimer([&](DlgSaTmr* t) {
        title = t->windowTitle();
        group = t->control(705)->property("title").toString();
        auto* field = static_cast<QLineEdit*>(t->control(701));
        initial = field->text();
        fixedPitch = QFontInfo(field->font()).fixedPitch();
        field->setText("70000");
        sendKey(field, Qt::Key_Return);
        afterEnter = field->text();
        field->setText("0");
        click(t->control(703));
        afterZero = field->text();
        openAfterZero = t->isVisible();
        field->setText("70000");
        click(t->control(703)); // closes
        if (t->isVisible()) t->reject();
    });
    runScripted(dlg, [&] {
        const size_t from = sim_->commands().size();
        click(dlg.control(238));
        sent = commandsSince(from);
    });
    EXPECT_EQ(onTimer.count, 1);
    EXPECT_EQ(title, "Sample Timer");
    EXPECT_EQ(group, "Impostazione valore SaTmr");
    EXPECT_EQ(initial, "180");
    EXPECT_TRUE(fixedPitch);
    EXPECT_EQ(afterEnter, "65535");
    EXPECT_EQ(afterZero, "0");
    EXPECT_TRUE(openAfterZero);
    EXPECT_EQ(sent, (std::vector<std::string>{"ATOS", "ATCM06", "ATST0000", "ATSTFFFF", "ATCM05"}));
    EXPECT_EQ(sim_->deviceState().sampleTimer, 0xFFFF);
    EXPECT_EQ(sim_->deviceState().operatingState, 0x00);
    ASSERT_EQ(ui_.shown.size(), 2u);
    EXPECT_EQ(ui_.shown[0].text, kReadyStateWarning);
    EXPECT_EQ(ui_.shown[1].text, kSaTmrReadyInfo);
}

TEST_F(PanelOnSim, BoardAlarmRowsAcknowledgementAndInverterScreen) {
    start(kind(sim::DeviceKind::MW51, 0x20), [](sim::DeviceState& d) {
        d.alarm = 0xB5; // active: intrusion, efficiency, inverter; latched: inverter, auxiliary
        d.alarmInverter = 3;
        d.alarmRmin = 80;
        d.alarmAux = 0x0A;
    });
    ASSERT_EQ(Flag.MW51, 1);
    const QColor green(0, 255, 0), red(255, 0, 0);
    DialogMain dlg;
    std::array<bool, 4> shown{}, shownAfter{};
    std::array<QColor, 4> lamps, lampsAfter;
    QString inverterLabel, auxLabel, sample, listing, total, detailsTitle;
    QColor listBackground;
    bool fixedPitch = false;
    int listings = 0;
    std::vector<std::string> onReset, onLeaving;
    size_t leavingFrom = 0;
    OnModal<DlgDettagli> onDetails([&](DlgDettagli* d) {
        if (d->listings() == 0) return; // not drawn yet
        detailsTitle = d->windowTitle();
        fixedPitch = QFontInfo(d->control(2201)->font()).fixedPitch() &&
                     QFontInfo(d->control(2204)->font()).fixedPitch();
        listing = textOf(d->control(2201));
        total = textOf(d->control(2204));
        click(d->control(2203)); // "Refresh" lists again
        listings = d->listings();
        QImage img = d->control(2201)->grab().toImage();
        listBackground = img.pixelColor(img.width() - 30, img.height() - 10);
        leavingFrom = sim_->commands().size();
        sendKey(d, Qt::Key_Escape);
        onLeaving = commandsSince(leavingFrom);
    });
    runScripted(dlg, [&] {
        for (size_t i = 0; i < kAlarmRows.size(); ++i) {
            shown[i] = dlg.control(kAlarmRows[i].resetId)->isVisible();
            lamps[i] = centreColour(dlg.control(kAlarmRows[i].lampId));
        }
        inverterLabel = textOf(dlg.control(209));
        auxLabel = textOf(dlg.control(220));
        sample = textOf(dlg.control(233));

        const size_t from = sim_->commands().size();
        click(dlg.control(205)); // "R" of the inverter row
        onReset = commandsSince(from);
        for (size_t i = 0; i < kAlarmRows.size(); ++i) {
            shownAfter[i] = dlg.control(kAlarmRows[i].resetId)->isVisible();
            lampsAfter[i] = centreColour(dlg.control(kAlarmRows[i].lampId));
        }
        EXPECT_TRUE(dlg.control(205)->isEnabled());

        click(dlg.control(221)); // "Dettagli"
    });
    EXPECT_EQ(shown, (std::array<bool, 4>{true, false, false, true}));
    EXPECT_EQ(lamps, (std::array<QColor, 4>{red, red, red, green}));
    EXPECT_EQ(inverterLabel, "Allarme singolo inverter = 3 (Rmin=80%)");
    EXPECT_EQ(auxLabel, "Allarme dispositivi ausiliari (In 2)");
    EXPECT_EQ(sample, "900"); // the board's averaging period

    EXPECT_EQ(onReset, (std::vector<std::string>{"ATSA95", "ATSA"}));
    EXPECT_EQ(shownAfter, (std::array<bool, 4>{false, false, false, true}));
    EXPECT_EQ(lampsAfter, lamps); // the condition is still there
    EXPECT_EQ(sim_->deviceState().alarm, 0x95);

    EXPECT_GE(onDetails.count, 1);
    EXPECT_EQ(detailsTitle, "Inverter collegati al sistema");
    EXPECT_TRUE(listing.startsWith("Numero di inverter: 3\nCampo indirizzi: 2...4\n"))
        << listing.toStdString();
    EXPECT_TRUE(listing.contains("(004)-SN:X45210-Aurora 10.0kW new\n- Pin1: 4981 W\n- Pin2: 5011 W"));
    EXPECT_EQ(total, "Pin: 16788 W");
    EXPECT_EQ(listings, 2);
    EXPECT_EQ(listBackground, QColor(255, 255, 240));
    EXPECT_TRUE(fixedPitch);
    EXPECT_EQ(onLeaving, (std::vector<std::string>{"ATSA"})); // the owner's alarm rows read again
    for (const auto& s : ui_.shown) ADD_FAILURE() << "unexpected box: " << s.text;
}

// A board that acknowledges every alarm write but keeps its register as it is.
TEST(PanelOnStubbornBoard, ResetButtonStaysWhileTheRegisterKeepsTheLatch) {
    resetState();
    ScriptedUi ui;
    installUi(&ui);
    PtyPeer peer;
    peer.serve([](const std::string& rq) -> std::vector<PtyPeer::Chunk> {
        auto line = [](const std::string& s) { return std::vector<PtyPeer::Chunk>{{s + "\r"}}; };
        if (rq == "ATVR") return line("5020");
        if (rq == "ATSR") return line("10");
        if (rq == "ATER") return line("00");
        if (rq == "ATPT" || rq == "ATPL") return line("0000");
        if (rq == "ATDT") return line("160101");
        if (rq == "ATTM") return line("003419");
        if (rq == "ATSA") return line("20000000");
        if (rq == "***" || rq.rfind("ATCM", 0) == 0 || rq.rfind("ATSA", 0) == 0) return line("OK");
        return line("ERR");
    });
    Timeout_rx = 300;
    ASSERT_EQ(openAndProbe(peer.path()), 1);
    ui.expect("Errore analisi Tabella di Assegnazione !\r\nTentare di nuovo ?", "Com Error", MsgAnswer::No);
    bool before = false, after = false;
    {
        DialogMain dlg;
        runScripted(dlg, [&] {
            before = dlg.control(205)->isVisible();
            click(dlg.control(205));
            after = dlg.control(205)->isVisible();
        });
    }
    EXPECT_TRUE(before);
    EXPECT_TRUE(after);
    const auto rq = peer.requests();
    EXPECT_NE(std::find(rq.begin(), rq.end(), "ATSA00"), rq.end());
    for (const auto& f : ui.failures) ADD_FAILURE() << f;
    installUi(nullptr);
    resetState();
}

} // namespace
