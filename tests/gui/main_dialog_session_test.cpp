// The main control panel on a device: the session summary, the verbose key, "Start" with its
// download, and the alarm rows of a board.
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <array>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>

#include "gui_helpers.h"
#include "link/clock_state.h"
#include "link/korvane_com.h"
#include "logger/download.h"
#include "logger/time_marks.h"
#include "platform/text_cp1252.h"
#include "shell/main_dialog.h"
#include "shell/screen_rules.h"
#include "shell/startup.h"
#include "sim/sim.h"
#include "support/env_guard.h"
#include "support/fixture.h"
#include "support/pty_peer.h"
#include "support/state_guard.h"
#include "tables/set_file_dialog.h"

namespace {

// "Now" for the PC clock line: 1 Jan 2016, 00:35:07 local time.
time_t fixedNow() {
    std::tm t{};
    t.tm_year = 116;
    t.tm_mon = 0;
    t.tm_mday = 1;
    t.tm_hour = 0;
    t.tm_min = 35;
    t.tm_sec = 7;
    t.tm_isdst = -1;
    return std::mktime(&t);
}
constexpr const char* kFixedNowText = "160101_003507";

// The golden summary of the fixture logger as the summary box shows it.
QString goldenSummary(bool verbose) {
    std::string s = readFileBytes(fixturePath("logger-basic/expected/summary-verbose.txt"));
    const std::string marker = "@@PC_CLOCK@@";
    if (size_t at = s.find(marker); at != std::string::npos) s.replace(at, marker.size(), kFixedNowText);
    if (!verbose) { // without the page and register lines (and the blank line after them)
        const size_t from = s.find("Table page");
        const std::string last = "Errors Register... 0x04\r\n\r\n";
        const size_t to = s.find(last);
        if (from != std::string::npos && to != std::string::npos) s.erase(from, to + last.size() - from);
    }
    return qtText(s);
}

QString textOf(QWidget* w) {
    if (auto* e = qobject_cast<QPlainTextEdit*>(w)) return e->toPlainText();
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    return {};
}

QString statusOf(DialogMain& dlg) {
    return textOf(dlg.findChild<QLabel*>("id240_1"));
}

// Replaces the whole field with `text`, typed key by key.
void retype(QLineEdit* field, const QString& text) {
    field->selectAll();
    sendKey(field, Qt::Key_Backspace);
    for (QChar c : text) sendKey(field, c.toUpper().unicode(), Qt::NoModifier, QString(c));
}

void pressAltV(QWidget* focus) {
    sendKey(focus, Qt::Key_V, Qt::AltModifier, "v");
}

// The fixture logger on the simulator, identified as the start-up does it, in a fresh current
// folder (the working data file is written there).
class MainDialogSession : public KorvaneTest {
  protected:
    void SetUp() override {
        KorvaneTest::SetUp();
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_.path());
        sim::SimOptions o;
        o.kind = sim::DeviceKind::RX43;
        o.stateDir = KORVANE_FIXTURES_DIR "/logger-basic";
        sim_ = std::make_unique<sim::Simulator>(o);
        std::string err;
        ASSERT_TRUE(sim_->start(&err)) << err;
        Timeout_rx = 1000;
        ASSERT_EQ(openAndProbe(sim_->slavePath()), 1);
        CommPort = "COM3"; // the name the golden summary shows
        setPcClock(fixedNow);
    }
    void TearDown() override {
        setPcClock({});
        KorvaneTest::TearDown(); // closes the port
        sim_.reset();
        std::filesystem::current_path(old_);
    }
    TempDir dir_;
    std::filesystem::path old_;
    std::unique_ptr<sim::Simulator> sim_;
};

TEST_F(MainDialogSession, OpensWithTheSessionSummaryAndAltVTogglesTheVerboseLines) {
    DialogMain dlg;
    QString opened, verbose, plain, labelOn, labelOff, sample, status;
    int verboseFlag = -1, scrollAfter = -1;
    bool scrolled = false;
    runScripted(dlg, [&] {
        auto* box = static_cast<QPlainTextEdit*>(dlg.control(228));
        opened = box->toPlainText();
        sample = textOf(dlg.control(233));
        status = statusOf(dlg);

        pressAltV(dlg.control(233));
        verbose = box->toPlainText();
        labelOn = textOf(dlg.control(239));
        verboseFlag = Flag.verbose;

        QScrollBar* bar = box->verticalScrollBar();
        bar->setValue(bar->maximum());
        scrolled = bar->value() > 0;
        pressAltV(box); // whichever control has the focus
        plain = box->toPlainText();
        labelOff = textOf(dlg.control(239));
        scrollAfter = bar->value();
        static_cast<QPushButton*>(dlg.control(212))->click();
    });
    EXPECT_EQ(opened, goldenSummary(false));
    EXPECT_EQ(verbose, goldenSummary(true));
    EXPECT_EQ(plain, goldenSummary(false));
    EXPECT_EQ(labelOn, "Verbose ON");
    EXPECT_EQ(labelOff, "Verbose OFF");
    EXPECT_EQ(verboseFlag, 1);
    EXPECT_EQ(Flag.verbose, 0);
    EXPECT_TRUE(scrolled);     // the verbose summary is longer than the box
    EXPECT_EQ(scrollAfter, 0); // rewritten from the top
    EXPECT_EQ(sample, "1800");
    EXPECT_EQ(status, " Ready: 256000");
    EXPECT_EQ(Flag.fast_read, 1); // current firmware keeps fast reading
    EXPECT_TRUE(ui_.shown.empty());
}

TEST_F(MainDialogSession, StartWritesTheDataFileAndAsksBeforeDownloadingAgain) {
    const std::string golden = readFileBytes(fixturePath("logger-basic/expected/151231_224730.T900"));
    ASSERT_FALSE(golden.empty());
    // Each "Start" that succeeds opens the data table on the working file; it is closed with "Esc".
    std::vector<std::pair<int, int>> tables; // rows and columns shown
    OnModal<DlgSetFile> table([&](DlgSetFile* t) {
        tables.emplace_back(t->table().rowCount(), t->table().columnCount());
        static_cast<QPushButton*>(t->control(802))->click();
    });

    DialogMain dlg;
    runScripted(dlg, [&] {
        auto* sample = static_cast<QLineEdit*>(dlg.control(233));
        auto* start = static_cast<QPushButton*>(dlg.control(210));
        retype(sample, "900");
        ASSERT_EQ(Tsample, 900);

        // First "Start": download, then the data table.
        start->click();
        EXPECT_EQ(readFileBytes(DataTimeSS), golden);
        EXPECT_FALSE(std::filesystem::exists(kIntermediateFile));
        EXPECT_EQ(Flag.skip_refresh, 1);
        EXPECT_EQ(statusOf(dlg), " Ready");
        EXPECT_TRUE(ui_.shown.empty());
        const uint32_t rows = InfoSES.nItem, columns = InfoSES.nSubItem;
        EXPECT_EQ(columns, 8u);
        ASSERT_EQ(tables.size(), 1u);
        EXPECT_EQ(tables[0], std::make_pair(static_cast<int>(rows), 2 + 8));

        // Again, "No": nothing is read, the table opens with the size of the last download.
        const size_t commands = sim_->commands().size();
        InfoSES.nItem = InfoSES.nSubItem = 0;
        ui_.expect(kDownloadAgainText, "Warning", MsgAnswer::No);
        start->click();
        EXPECT_EQ(sim_->commands().size(), commands);
        EXPECT_EQ(InfoSES.nItem, rows);
        EXPECT_EQ(InfoSES.nSubItem, columns);
        ASSERT_EQ(ui_.shown.size(), 1u);
        EXPECT_EQ(ui_.shown[0].buttons, MsgButtons::YesNo);
        EXPECT_EQ(ui_.shown[0].icon, MsgIcon::Question);
        ASSERT_EQ(tables.size(), 2u);
        EXPECT_EQ(tables[1], tables[0]);

        // Again, "Yes": downloaded anew.
        std::filesystem::remove(DataTimeSS);
        ui_.expect(kDownloadAgainText, "Warning", MsgAnswer::Yes);
        start->click();
        EXPECT_GT(sim_->commands().size(), commands);
        EXPECT_EQ(readFileBytes(DataTimeSS), golden);
        EXPECT_EQ(Flag.skip_refresh, 1);

        // A new sample time downloads without asking.
        retype(sample, "60");
        EXPECT_TRUE(start->isEnabled());
        EXPECT_EQ(Flag.skip_refresh, 0);
        start->click(); // an unexpected question would fail the test
        EXPECT_EQ(readFileBytes(DataTimeSS),
                  readFileBytes(fixturePath("logger-basic/expected/151231_224730.T60")));

        // A download that fails says so and leaves the next "Start" downloading.
        sim_->hangup();
        retype(sample, "900");
        const size_t shown = ui_.shown.size();
        start->click();
        ASSERT_EQ(ui_.shown.size(), shown + 1);
        EXPECT_EQ(ui_.last()->text, kDownloadFailedText);
        EXPECT_EQ(ui_.last()->title, "Warning");
        EXPECT_EQ(ui_.last()->icon, MsgIcon::Warning);
        EXPECT_EQ(statusOf(dlg), " Ready");
        EXPECT_EQ(Flag.skip_refresh, 0);
        EXPECT_FALSE(std::filesystem::exists(kIntermediateFile));
    });
    EXPECT_EQ(ui_.pendingAnswers(), 0u);
    EXPECT_EQ(tables.size(), 4u); // no table after the failed download
}

// ---- boards ----

// An energy board (firmware 2.0) on a scripted line: no session table, a fixed clock, the alarm
// register and the parameter EEPROM as the test sets them.
struct BoardLine {
    std::mutex mu;
    std::string atsa;                // reply to "ATSA"
    std::vector<std::string> eeprom; // replies to the successive "ATEE"; none: no EEPROM access
    size_t eeNext = 0;

    PtyPeer::Responder responder() {
        return [this](const std::string& rq) -> std::vector<PtyPeer::Chunk> {
            std::lock_guard<std::mutex> lock(mu);
            auto line = [](const std::string& s) { return std::vector<PtyPeer::Chunk>{{s + "\r"}}; };
            if (rq == "***" || rq == "ATCM08" || rq == "ATCM00") return line("OK");
            if (rq == "ATRD0007") return line(eeprom.empty() ? "ERR" : "OK");
            if (rq == "ATVR") return line("5020");
            if (rq == "ATSR") return line("10");
            if (rq == "ATER") return line("00");
            if (rq == "ATPT" || rq == "ATPL") return line("0000");
            if (rq == "ATDT") return line("160101");
            if (rq == "ATTM") return line("003419");
            if (rq == "ATSA") return line(atsa);
            if (rq == "ATEE") return line(eeNext < eeprom.size() ? eeprom[eeNext++] : "ERR");
            return line("ERR");
        };
    }
    void setAlarm(const std::string& reply) {
        std::lock_guard<std::mutex> lock(mu);
        atsa = reply;
    }
};

QColor centreColour(QWidget* w) {
    QImage img = w->grab().toImage();
    return img.pixelColor(img.width() / 2, img.height() / 2);
}

using MainDialogBoard = KorvaneTest;

TEST_F(MainDialogBoard, AlarmRowsAndSampleTimeFollowTheBoard) {
    const QColor green(0, 255, 0), red(255, 0, 0);
    const struct {
        const char* name;
        const char* atsa;
        std::vector<std::string> eeprom;
        uint16_t tsample;
        std::array<bool, 4> resetShown; // rows: inverter, efficiency, intrusion, auxiliary
        std::array<QColor, 4> lamps;    // invalid colour: the button face
        const char* inverterLabel;
        const char* auxLabel;
    } cases[] = {
        {"alarms read",
         "A503500A", // active: intrusion, efficiency; latched: inverter, auxiliary
         {"2C", "01"},
         300,
         {true, false, false, true},
         {green, red, red, green},
         "Allarme singolo inverter = 3 (Rmin=80%)",
         "Allarme dispositivi ausiliari (In 2)"},
        {"nothing read",
         "ERR",
         {},
         900,
         {false, false, false, false},
         {QColor(), QColor(), QColor(), QColor()},
         "Allarme singolo inverter",
         "Allarme dispositivi ausiliari"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        resetState();
        BoardLine board;
        board.atsa = c.atsa;
        board.eeprom = c.eeprom;
        PtyPeer peer;
        peer.serve(board.responder());
        Timeout_rx = 300;
        ASSERT_EQ(openAndProbe(peer.path()), 1);
        ASSERT_EQ(Flag.MW51, 1);
        ui_.expect("Errore analisi Tabella di Assegnazione !\r\nTentare di nuovo ?", "Com Error",
                   MsgAnswer::No);
        if (std::string(c.atsa) == "ERR")
            ui_.expect("Errore lettura registro allarmi !\r\nTentare di nuovo ?", "Com Error", MsgAnswer::No);

        std::array<bool, 4> resetShown{}, resetAfter{};
        std::array<QColor, 4> lamps, lampsAfter;
        QString inverterLabel, auxLabel, sample, summary;
        QColor face;
        {
            DialogMain dlg;
            face = dlg.palette().color(QPalette::Button);
            runScripted(dlg, [&] {
                for (size_t i = 0; i < kAlarmRows.size(); ++i) {
                    resetShown[i] = dlg.control(kAlarmRows[i].resetId)->isVisible();
                    lamps[i] = centreColour(dlg.control(kAlarmRows[i].lampId));
                }
                inverterLabel = textOf(dlg.control(209));
                auxLabel = textOf(dlg.control(220));
                sample = textOf(dlg.control(233));
                summary = textOf(dlg.control(228));

                // A later read of the register refreshes the open panel.
                board.setAlarm("00000000");
                Flag.alarm_error = 0;
                EXPECT_EQ(upd_Alarm(nullptr), 1);
                for (size_t i = 0; i < kAlarmRows.size(); ++i) {
                    resetAfter[i] = dlg.control(kAlarmRows[i].resetId)->isVisible();
                    lampsAfter[i] = centreColour(dlg.control(kAlarmRows[i].lampId));
                }
                EXPECT_EQ(textOf(dlg.control(209)), "Allarme singolo inverter");
            });
        }
        EXPECT_EQ(resetShown, c.resetShown);
        for (size_t i = 0; i < 4; ++i) EXPECT_EQ(lamps[i], c.lamps[i].isValid() ? c.lamps[i] : face) << i;
        EXPECT_EQ(inverterLabel, c.inverterLabel);
        EXPECT_EQ(auxLabel, c.auxLabel);
        EXPECT_EQ(Tsample, c.tsample);
        EXPECT_EQ(sample, QString::number(c.tsample));
        EXPECT_TRUE(summary.startsWith(qtText("Porta di comunicazione... " + peer.path() +
                                              "\r\nVersione firmware MW..... 5020\r\n\r\nOrologio PC")))
            << summary.toStdString();
        EXPECT_EQ(resetAfter, (std::array<bool, 4>{}));
        for (const QColor& l : lampsAfter) EXPECT_EQ(l, green);

        // Closed panel: a register read no longer reaches it.
        EXPECT_EQ(upd_Alarm(nullptr), 1);
        closeComPort(hCom);
        EXPECT_EQ(ui_.pendingAnswers(), 0u);
    }
}

} // namespace
