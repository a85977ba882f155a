// The real-time monitor on the simulated fixture logger, opened from the main panel: the
// temporary buffer, live packets, the channel selection with two channel windows and a live
// graph, the export file checked against the packets logged, "Save", and closing.
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QTableWidget>
#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <regex>
#include <sstream>

#include "gui_helpers.h"
#include "link/korvane_com.h"
#include "logger/channel_select.h"
#include "logger/channel_window.h"
#include "logger/download.h"
#include "logger/monitor_dialog.h"
#include "logger/sel_ch_dialog.h"
#include "shell/main_dialog.h"
#include "shell/startup.h"
#include "sim/sim.h"
#include "support/fixture.h"
#include "support/state_guard.h"
#include "tables/datalogger.h"

namespace {

// Runs the event loop for `ms` milliseconds, idle between events.
void pump(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) {
        if (!l.empty() && l.back() == '\r') l.pop_back();
        out.push_back(l);
    }
    return out;
}

class MonitorOnSim : public KorvaneTest {
  protected:
    void SetUp() override {
        KorvaneTest::SetUp();
        sim::SimOptions o;
        o.kind = sim::DeviceKind::RX43;
        o.stateDir = fixturePath("logger-basic");
        o.monitorSpeed = 60; // a simulated minute per second
        sim_ = std::make_unique<sim::Simulator>(o);
        ASSERT_TRUE(sim_->start());
        Timeout_rx = 1000;
        ASSERT_EQ(openAndProbe(sim_->slavePath()), 1);
    }
    void TearDown() override {
        DlgMonitor::setClock({});
        KorvaneTest::TearDown();
        sim_.reset();
    }
    // The logger was put into monitor mode and left it again ("ATCM08" after the last "ATCM07").
    void expectMonitorModeLeft() const {
        const auto cmds = sim_->commands();
        const auto on = std::find(cmds.rbegin(), cmds.rend(), "ATCM07");
        ASSERT_NE(on, cmds.rend());
        EXPECT_LT(std::find(cmds.rbegin(), cmds.rend(), "ATCM08"), on);
    }
    static void clickCell(QTableWidget* grid, int row, int col) {
        const QRect r = grid->visualItemRect(grid->item(row, col));
        mouseClick(grid->viewport(), r.center());
    }
    InTempDir dir_;
    std::unique_ptr<sim::Simulator> sim_;
};

TEST_F(MonitorOnSim, SessionWithChannelWindowsGraphAndExport) {
    const std::string exportPath = dir_.dir.file("live.csv");
    // The clock moves on one second at each port read, so that every read has its own second and
    // a row is written only right after a read: packets logged at "hh:mm:ss" are then in the first
    // row stamped at or after that second.
    time_t fake = std::time(nullptr);
    DlgMonitor::setClock([&fake] {
        if (timercnt == kMonitorDrainTicks) ++fake;
        return fake;
    });
    DialogMain panel;
    runScripted(panel, [&] {
        click(panel.control(237));
        auto* mon = panel.findChild<DlgMonitor*>();
        ASSERT_NE(mon, nullptr);
        EXPECT_TRUE(mon->isVisible());
        EXPECT_FALSE(panel.control(212)->isEnabled()); // the panel waits for the monitor
        const auto golden = splitLines(readFileBytes(fixturePath("monitor-basic/expected/log.txt")));
        ASSERT_GE(mon->log().lines().size(), 6u);
        for (size_t i = 0; i < 6; ++i) EXPECT_EQ(mon->log().lines()[i], golden[i]);
        pump(1500);
        EXPECT_GT(mon->log().lines().size(), 6u);

        // Channel selection: node 4's temperature and node 254's peak current, "Graph Cur",
        // an export every second.
        OnModal<DlgSelCH> sel([&](DlgSelCH* d) {
            EXPECT_EQ(textOf(d->control(1203)), "31/12/15");
            EXPECT_EQ(d->grid()->columnCount(), 7); // node 4 has five logical channels
            EXPECT_FALSE(d->control(1208)->isEnabled());
            clickCell(d->grid(), 0, 2);
            clickCell(d->grid(), 1, 2);
            clickCell(d->grid(), 1, 6); // node 254 has no fifth channel
            EXPECT_EQ(InfoSELCH.ncsel, 2u);
            EXPECT_EQ(d->grid()->item(0, 2)->background().color(), QColor(255, 255, 0));
            click(d->control(1208));
            auto* period = static_cast<QLineEdit*>(d->control(1216));
            period->setText("0");
            EXPECT_FALSE(d->control(1211)->isEnabled());
            period->setText("1");
            ui_.filePath(exportPath);
            click(d->control(1211));
            EXPECT_FALSE(d->control(1211)->isVisible());
            click(d->control(1220));
        });
        click(mon->control(405));
        EXPECT_EQ(sel.count, 1);
        ASSERT_NE(mon->channelWindow(0), nullptr);
        ASSERT_NE(mon->channelWindow(1), nullptr);
        EXPECT_EQ(mon->channelWindow(2), nullptr);
        EXPECT_EQ(mon->channelWindow(1)->windowTitle().toStdString(), "CH254_1: Corrente IPEAK (0.0 A)");
        EXPECT_EQ(Flag_Graph, 1);
        EXPECT_EQ(Init_Graph, 1);

        pump(4500);
        EXPECT_GT(liveGraphState().npix, 0);
        EXPECT_FALSE(mon->channelWindow(0)->value().isEmpty());

        // "No" keeps the monitor open with its export; "Yes" closes both.
        ui_.expect("Il file di esportazione dati verra' chiuso. Procedere ?", "Warning", MsgAnswer::No);
        click(mon->control(402));
        EXPECT_TRUE(mon->isVisible());
        EXPECT_NE(Exportfile, nullptr);
        ui_.expect("Salvare i dati della finestra su file RX41mon.txt ?", "Question", MsgAnswer::Yes);
        click(mon->control(404));
        ui_.expect("Il file di esportazione dati verra' chiuso. Procedere ?", "Warning", MsgAnswer::Yes);
        click(mon->control(402));
        EXPECT_EQ(Exportfile, nullptr);
        EXPECT_EQ(Init_Graph, 0);
        EXPECT_EQ(InfoSELCH.ncsel, 0u);
        EXPECT_TRUE(panel.control(212)->isEnabled());
        click(panel.control(212));
    });
    expectMonitorModeLeft();

    // The saved log shows every packet the logger sent, in order, each as its own line; only the
    // lines still on their way when the monitor closed are missing.
    const auto saved = splitLines(readFileBytes("RX41mon.txt"));
    auto withoutTime = [](const std::string& l) { return l.size() > 8 && l[2] == ':' ? l.substr(8) : l; };
    size_t next = 6;
    std::vector<bool> found;
    for (const std::string& p : sim_->deviceState().monitorSent) {
        MonitorLog one;
        handleMonitorLine(p, "00:00:00", one, nullptr);
        if (one.lines().empty()) continue;
        found.push_back(next < saved.size() && withoutTime(saved[next]) == withoutTime(one.lines().front()));
        if (found.back()) ++next;
    }
    EXPECT_EQ(next, saved.size()); // nothing logged that was not sent
    const size_t logged = static_cast<size_t>(std::count(found.begin(), found.end(), true));
    EXPECT_GE(logged, 20u);
    EXPECT_EQ(std::find(found.begin(), found.end(), false) - found.begin(),
              static_cast<std::ptrdiff_t>(logged));
    EXPECT_LE(found.size() - logged, 12u); // about a second of packets

    // Every export row averages node 4's temperatures logged since the previous row.
    const auto rows = splitLines(readFileBytes(exportPath));
    ASSERT_GE(rows.size(), 4u);
    std::vector<std::pair<std::string, double>> temps; // time of day, value
    const std::regex m("^([0-9:]{8})>> CH4_1= (-?[0-9.]+) ");
    for (const std::string& l : saved) {
        std::smatch s;
        if (std::regex_search(l, s, m)) temps.emplace_back(s[1].str(), std::stod(s[2].str()));
    }
    size_t k = 0, checked = 0;
    std::string prev;
    for (size_t r = 1; r < rows.size(); ++r) {
        const std::string tod =
            rows[r].substr(7, 2) + ":" + rows[r].substr(9, 2) + ":" + rows[r].substr(11, 2);
        double sum = 0;
        int n = 0;
        for (; k < temps.size() && temps[k].first <= tod; ++k)
            if (r > 1 && temps[k].first > prev)
                sum += temps[k].second, ++n; // the first row may start mid-second
        const std::string cell = rows[r].substr(14, rows[r].find(';', 14) - 14);
        if (r > 1) {
            if (n == 0) {
                EXPECT_EQ(cell, "Err") << rows[r];
            } else {
                EXPECT_NEAR(std::stod(cell), sum / n, 0.006) << rows[r];
                ++checked;
            }
        }
        prev = tod;
    }
    EXPECT_GE(checked, 2u);
    EXPECT_TRUE(ui_.failures.empty());
}

TEST_F(MonitorOnSim, ShowChannelsNeedsARecordingLogger) {
    sim_->modifyDeviceState([](sim::DeviceState& d) { d.operatingState = 0x00; });
    DialogMain panel;
    runScripted(panel, [&] {
        click(panel.control(237));
        auto* mon = panel.findChild<DlgMonitor*>();
        ASSERT_NE(mon, nullptr);
        click(mon->control(405));
        ASSERT_NE(ui_.last(), nullptr);
        EXPECT_EQ(ui_.last()->text,
                  "Per questa funzione e' necessario che il datalogger sia in fase di registrazione");
        EXPECT_TRUE(mon->timer().isActive()); // the monitor goes on
        click(mon->control(402));
        click(panel.control(212));
    });
    expectMonitorModeLeft();
}

} // namespace
