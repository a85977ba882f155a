// The main control panel: controls for loggers and boards and the sample field without a device;
// on simulated devices the start-up, the session summary, the verbose key, "Start" with its
// download, clock synchronisation and the sample timer of a logger; alarm rows, their
// acknowledgement and the inverter screen of an energy board.
#include <QImage>
#include <QLineEdit>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

#include "gui_helpers.h"
#include "inverter/inverter_details_dialog.h"
#include "link/clock_state.h"
#include "link/korvane_com.h"
#include "logger/download.h"
#include "logger/sample_timer.h"
#include "logger/sample_timer_dialog.h"
#include "platform/ui_qt_dialog.h"
#include "shell/gui_screens_dialog.h"
#include "shell/main_actions.h"
#include "shell/main_dialog.h"
#include "shell/screen_rules.h"
#include "shell/startup.h"
#include "sim/sim.h"
#include "support/fixture.h"
#include "support/state_guard.h"
#include "tables/set_file_dialog.h"

namespace {

void retype(QWidget* field, const QString& text) {
    static_cast<QLineEdit*>(field)->selectAll();
    sendKey(field, Qt::Key_Backspace);
    typeText(field, text);
}

// Without a device: the session cannot be read and the user gives up at the first question.
class MainDialogTest : public KorvaneTest {
  protected:
    void giveUpReading() {
        ui_.expect("Errore lettura pagine !\r\nTentare di nuovo ?", "COM Error", MsgAnswer::No);
    }
};

TEST_F(MainDialogTest, ControlsFollowTheKindOfDeviceAndOnlyExitLeaves) {
    for (int kind : {0, 1, 2}) { // logger, MW51, VKE15
        SCOPED_TRACE(kind);
        resetState();
        giveUpReading();
        Flag.MW51 = kind == 1;
        Flag.VKE15 = kind == 2;
        Tsample = 900;
        DialogMain dlg;
        const int result = runScripted(dlg, [&] {
            EXPECT_EQ(textOf(dlg.control(228)), QString()); // nothing read, nothing shown
            int alarmsShown = 0;
            for (int id : kAlarmControlIds) alarmsShown += dlg.control(id)->isVisible();
            EXPECT_EQ(alarmsShown, kind ? 13 - 4 : 0); // no "R" button: nothing latched
            EXPECT_EQ(dlg.control(238)->isVisible(), kind == 0);
            if (kind == 0) {
                EXPECT_TRUE(dlg.control(237)->isEnabled()); // opens the monitor
                EXPECT_TRUE(dlg.control(210)->isEnabled()); // a valid sample time, even without a session
            }
            sendKey(dlg.control(233), Qt::Key_Return);
            sendKey(&dlg, Qt::Key_Escape);
            EXPECT_TRUE(dlg.isVisible());
            dlg.close(); // the close box counts as "Exit"
        });
        EXPECT_EQ(result, 1);
        EXPECT_EQ(Flag.pages_error, 1);
    }
}

TEST_F(MainDialogTest, SampleTimeOutsideOneTo65535PaintsTheFieldRedAndBlocksStart) {
    const struct {
        const char* typed;
        bool valid;
    } cases[] = {{"0", false}, {"1", true}, {"70000", false}, {"12x", false}, {"65535", true}, {"", false}};
    giveUpReading();
    DialogMain dlg;
    runScripted(dlg, [&] {
        QWidget* field = dlg.control(233);
        for (const auto& c : cases) {
            SCOPED_TRACE(c.typed);
            Flag.skip_refresh = 1;
            retype(field, c.typed);
            EXPECT_EQ(dlg.control(210)->isEnabled(), c.valid);
            EXPECT_EQ(Flag.sample_error, c.valid ? 0 : 1);
            if (c.valid) {
                EXPECT_EQ(Tsample, std::stoul(c.typed));
            }
            EXPECT_EQ(Flag.skip_refresh, 0); // the next "Start" downloads without asking
            const QImage img = field->grab().toImage();
            int red = 0;
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x) red += img.pixelColor(x, y) == QColor(255, 0, 0);
            EXPECT_EQ(red > img.width() * img.height() / 2, !c.valid) << red;
            EXPECT_EQ(red == 0, c.valid) << red;
        }
    });
}

// The golden summary with the PC clock at 1 Jan 2016, 00:35:07; without the page and register
// lines (and the blank line after them) unless verbose.
QString goldenSummary(bool verbose) {
    std::string s = readFileBytes(fixturePath("logger-basic/expected/summary-verbose.txt"));
    const std::string marker = "@@PC_CLOCK@@", last = "Errors Register... 0x04\r\n\r\n";
    if (size_t at = s.find(marker); at != std::string::npos) s.replace(at, marker.size(), "160101_003507");
    const size_t from = s.find("Table page"), to = s.find(last);
    if (!verbose && from != std::string::npos && to != std::string::npos)
        s.erase(from, to + last.size() - from);
    return qtText(s);
}

time_t localTime(int y, int mo, int d, int h, int mi, int s) {
    std::tm t{};
    t.tm_year = y - 1900, t.tm_mon = mo - 1, t.tm_mday = d, t.tm_hour = h, t.tm_min = mi, t.tm_sec = s;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

// The four alarm rows: "R" shown or not ('.'), then the lamps: red, green or the face colour.
std::string alarmRows(DialogMain& dlg) {
    std::string reset, lamps;
    for (const AlarmRow& row : kAlarmRows) {
        reset += dlg.control(row.resetId)->isVisible() ? 'R' : '.';
        const QColor c = centreColour(dlg.control(row.lampId));
        lamps += c == QColor(255, 0, 0) ? 'r' : c == QColor(0, 255, 0) ? 'g' : 'f';
    }
    return reset + " " + lamps;
}

sim::SimOptions emptyDevice(sim::DeviceKind kind = sim::DeviceKind::RX43, uint16_t fw = 0x18) {
    sim::SimOptions o;
    o.kind = kind, o.fw = fw, o.scenario = "empty";
    return o;
}

// A device of the simulator, identified as the start-up does it, in a fresh current folder (the
// working data file is written there).
class PanelOnSim : public KorvaneTest {
  protected:
    // The fixture logger by default.
    void startSim(sim::SimOptions o = {}, const std::function<void(sim::DeviceState&)>& setUp = {}) {
        if (o.scenario.empty()) o.stateDir = fixturePath("logger-basic");
        sim_ = std::make_unique<sim::Simulator>(o);
        std::string err;
        ASSERT_TRUE(sim_->start(&err)) << err;
        if (setUp) sim_->modifyDeviceState(setUp);
    }
    void start(sim::SimOptions o = {}, const std::function<void(sim::DeviceState&)>& setUp = {}) {
        ASSERT_NO_FATAL_FAILURE(startSim(o, setUp));
        Timeout_rx = 1000;
        ASSERT_EQ(openAndProbe(sim_->slavePath()), 1);
        if (o.scenario.empty()) {
            CommPort = "COM3"; // the name the golden summary shows
            setPcClock([] { return localTime(2016, 1, 1, 0, 35, 7); });
        }
    }
    void TearDown() override {
        setPcClock({});
        KorvaneTest::TearDown(); // closes the port
        sim_.reset();
    }
    // The commands the device receives while `action` runs.
    std::vector<std::string> commandsOf(const std::function<void()>& action) {
        const size_t from = sim_->commands().size();
        action();
        auto all = sim_->commands();
        return {all.begin() + static_cast<std::ptrdiff_t>(std::min(from, all.size())), all.end()};
    }
    InTempDir dir_;
    std::unique_ptr<sim::Simulator> sim_;
};

TEST_F(PanelOnSim, StartUpOpensTheMainPanelOnTheDeviceFound) {
    ASSERT_NO_FATAL_FAILURE(startSim());
    OnlyListedPorts ports(sim_->slavePath());
    OnModal<DialogMain> panel([&](DialogMain* dlg) {
        EXPECT_TRUE(textOf(dlg->control(228)).contains("\nInizio sessione.......... 151231_224730\n"));
        click(dlg->control(212));
    });
    GuiScreens screens;
    EXPECT_EQ(runStartup("-t300", screens), 1);
    EXPECT_EQ(panel.count, 1);
    EXPECT_TRUE(ui_.shown.empty());
    EXPECT_EQ(hCom, nullptr); // closed at the end
}

TEST_F(PanelOnSim, OpensWithTheSessionSummaryAndAltVTogglesTheVerboseLines) {
    ASSERT_NO_FATAL_FAILURE(start());
    DialogMain dlg;
    runScripted(dlg, [&] {
        QWidget* box = dlg.control(228);
        EXPECT_EQ(textOf(box), goldenSummary(false));
        EXPECT_EQ(textOf(dlg.control(233)), "1800");
        EXPECT_EQ(textOf(dlg.findChild<QLabel*>("id240_1")), " Ready: 256000");
        sendKey(dlg.control(233), Qt::Key_V, Qt::AltModifier, "v");
        EXPECT_EQ(textOf(box), goldenSummary(true));
        sendKey(box, Qt::Key_V, Qt::AltModifier, "v"); // whichever control has the focus
        EXPECT_EQ(textOf(box), goldenSummary(false));
        EXPECT_EQ(textOf(dlg.control(239)), "Verbose OFF");
        click(dlg.control(212));
    });
    EXPECT_EQ(Flag.verbose, 0);
    EXPECT_EQ(Flag.fast_read, 1); // current firmware keeps fast reading
    EXPECT_TRUE(ui_.shown.empty());
}

TEST_F(PanelOnSim, StartWritesTheDataFileAndAsksBeforeDownloadingAgain) {
    ASSERT_NO_FATAL_FAILURE(start());
    const std::string golden = readFileBytes(fixturePath("logger-basic/expected/151231_224730.T900"));
    ASSERT_FALSE(golden.empty());
    // Each "Start" that succeeds opens the data table on the working file; it is closed with "Esc".
    std::vector<std::pair<int, int>> tables; // rows and columns shown
    OnModal<DlgSetFile> table([&](DlgSetFile* t) {
        tables.emplace_back(t->table().rowCount(), t->table().columnCount());
        click(t->control(802));
    });
    DialogMain dlg;
    runScripted(dlg, [&] {
        QWidget *sample = dlg.control(233), *start = dlg.control(210);
        retype(sample, "900");
        click(start); // download, then the data table
        EXPECT_EQ(readFileBytes(DataTimeSS), golden);
        EXPECT_FALSE(std::filesystem::exists(kIntermediateFile));
        EXPECT_EQ(textOf(dlg.findChild<QLabel*>("id240_1")), " Ready");
        const uint32_t rows = InfoSES.nItem, columns = InfoSES.nSubItem;
        EXPECT_EQ(columns, 8u);
        EXPECT_EQ(tables, (std::vector<std::pair<int, int>>{{static_cast<int>(rows), 2 + 8}}));

        // Again, "No": nothing is read, the table opens with the size of the last download.
        const size_t commands = sim_->commands().size();
        InfoSES.nItem = InfoSES.nSubItem = 0;
        ui_.expect(kDownloadAgainText, "Warning", MsgAnswer::No);
        click(start);
        EXPECT_EQ(sim_->commands().size(), commands);
        EXPECT_EQ(InfoSES.nItem, rows);
        EXPECT_EQ(InfoSES.nSubItem, columns);
        EXPECT_EQ(tables.size(), 2u);
        EXPECT_EQ(tables.back(), tables.front());

        // Again, "Yes": downloaded anew.
        std::filesystem::remove(DataTimeSS);
        ui_.expect(kDownloadAgainText, "Warning", MsgAnswer::Yes);
        click(start);
        EXPECT_EQ(readFileBytes(DataTimeSS), golden);

        // A new sample time downloads without asking (an unexpected question fails the test).
        retype(sample, "60");
        click(start);
        EXPECT_EQ(readFileBytes(DataTimeSS),
                  readFileBytes(fixturePath("logger-basic/expected/151231_224730.T60")));

        // A download that fails says so and leaves the next "Start" downloading.
        sim_->hangup();
        retype(sample, "900");
        click(start);
        ASSERT_EQ(ui_.shown.size(), 4u);
        EXPECT_EQ(ui_.shown[2].text, lostPortText()) << "the cause first";
        EXPECT_EQ(ui_.last()->text, kDownloadFailedText);
        EXPECT_EQ(Flag.skip_refresh, 0);
        EXPECT_FALSE(std::filesystem::exists(kIntermediateFile));
    });
    EXPECT_EQ(ui_.pendingAnswers(), 0u);
    EXPECT_EQ(tables.size(), 4u); // no table after the failed download
}

TEST_F(PanelOnSim, ClockSyncAsksSetsTheClockAndRewritesTheSummary) {
    ASSERT_NO_FATAL_FAILURE(start(emptyDevice()));
    setPcClock([] { return localTime(2014, 3, 5, 9, 7, 3); });
    DialogMain dlg;
    runScripted(dlg, [&] {
        QWidget* button = dlg.control(204);
        ui_.expect(kClockSyncQuestion, "Question", MsgAnswer::No);
        EXPECT_TRUE(commandsOf([&] { click(button); }).empty());
        ui_.expect(kClockSyncQuestion, "Question", MsgAnswer::Yes);
        const auto accepted = commandsOf([&] { click(button); });
        ASSERT_GE(accepted.size(), 4u); // the clock, then the time marks read again
        EXPECT_EQ(accepted[0], "ATDT140305");
        EXPECT_EQ(accepted[1], "ATTM090703");
        EXPECT_NE(std::find(accepted.begin() + 2, accepted.end(), "ATDT"), accepted.end());
        EXPECT_TRUE(
            textOf(dlg.control(228))
                .contains("Orologio PC.............. 140305_090703\nOrologio datalogger...... 140305_0907"));

        sim_->hangup();
        ui_.expect(kClockSyncQuestion, "Question", MsgAnswer::Yes);
        click(button);
        EXPECT_EQ(ui_.last()->text, kClockSyncFailed);
    });
    EXPECT_EQ(ui_.pendingAnswers(), 0u);
}

TEST_F(PanelOnSim, SampleTimerDialogClampsSendsAndPutsTheLoggerBackIntoIdle) {
    start(emptyDevice(), [](sim::DeviceState& d) {
        d.operatingState = 0x00; // IDLE
        d.status = 0x10;         // READY
    });
    DialogMain dlg;
    OnModal<DlgSaTmr> onTimer([&](DlgSaTmr* t) {
        auto* field = static_cast<QLineEdit*>(t->control(701));
        EXPECT_EQ(field->text(), "180");
        field->setText("70000");
        sendKey(field, Qt::Key_Return);
        EXPECT_EQ(field->text(), "65535");
        field->setText("0");
        click(t->control(703));
        EXPECT_TRUE(t->isVisible());
        field->setText("70000");
        click(t->control(703)); // closes
        if (t->isVisible()) t->reject();
    });
    runScripted(dlg, [&] {
        EXPECT_EQ(commandsOf([&] { click(dlg.control(238)); }),
                  (std::vector<std::string>{"ATOS", "ATCM06", "ATST0000", "ATSTFFFF", "ATCM05"}));
    });
    EXPECT_EQ(onTimer.count, 1);
    EXPECT_EQ(sim_->deviceState().sampleTimer, 0xFFFF);
    EXPECT_EQ(sim_->deviceState().operatingState, 0x00);
    ASSERT_EQ(ui_.shown.size(), 2u);
    EXPECT_EQ(ui_.shown[0].text, kReadyStateWarning);
    EXPECT_EQ(ui_.shown[1].text, kSaTmrReadyInfo);
}

TEST_F(PanelOnSim, BoardAlarmRowsAcknowledgementAndInverterScreen) {
    start(emptyDevice(sim::DeviceKind::MW51, 0x20), [](sim::DeviceState& d) {
        d.alarm = 0xB5; // active: intrusion, efficiency, inverter; latched: inverter, auxiliary
        d.alarmInverter = 3;
        d.alarmRmin = 80;
        d.alarmAux = 0x0A;
    });
    ASSERT_EQ(Flag.MW51, 1);
    DialogMain dlg;
    bool listed = false;
    OnModal<DlgDettagli> onDetails([&](DlgDettagli* d) {
        if (d->listings() == 0) return; // not drawn yet
        listed = true;
        const QString listing = textOf(d->control(2201));
        EXPECT_TRUE(listing.startsWith("Numero di inverter: 3\nCampo indirizzi: 2...4\n"));
        EXPECT_TRUE(listing.contains("(004)-SN:X45210-Aurora 10.0kW new\n- Pin1: 4981 W\n- Pin2: 5011 W"));
        EXPECT_EQ(textOf(d->control(2204)), "Pin: 16788 W");
        click(d->control(2203)); // "Refresh" lists again
        EXPECT_EQ(d->listings(), 2);
        // Leaving reads the owner's alarm rows again.
        EXPECT_EQ(commandsOf([&] { sendKey(d, Qt::Key_Escape); }), (std::vector<std::string>{"ATSA"}));
    });
    runScripted(dlg, [&] {
        EXPECT_EQ(alarmRows(dlg), "R..R rrrg");
        EXPECT_EQ(textOf(dlg.control(209)), "Allarme singolo inverter = 3 (Rmin=80%)");
        EXPECT_EQ(textOf(dlg.control(220)), "Allarme dispositivi ausiliari (In 2)");
        EXPECT_EQ(textOf(dlg.control(233)), "900"); // the board's averaging period

        // "R" of the inverter row: the latched bit is cleared, the condition is still there.
        EXPECT_EQ(commandsOf([&] { click(dlg.control(205)); }), (std::vector<std::string>{"ATSA95", "ATSA"}));
        EXPECT_EQ(alarmRows(dlg), "...R rrrg");
        EXPECT_EQ(sim_->deviceState().alarm, 0x95);

        click(dlg.control(221)); // "Dettagli"
        EXPECT_TRUE(listed);

        // A later read of the register refreshes the open panel.
        sim_->modifyDeviceState([](sim::DeviceState& d) { d.alarm = 0; });
        EXPECT_EQ(upd_Alarm(nullptr), 1);
        EXPECT_EQ(alarmRows(dlg), ".... gggg");
    });
    EXPECT_EQ(upd_Alarm(nullptr), 1); // the closed panel is no longer reached
    for (const auto& s : ui_.shown) ADD_FAILURE() << "unexpected box: " << s.text;
}

} // namespace
