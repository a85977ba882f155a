// The device goes away in the middle of the work (the simulator closes its line as an unplugged
// adapter does): the main panel's download, the loader's upload and the monitor say that the
// port was lost, through the UI services, and their windows stay usable and can be closed.
#include <QEventLoop>
#include <QLineEdit>
#include <QTimer>
#include <atomic>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

#include "firmware/loader_dialog.h"
#include "gui_helpers.h"
#include "link/korvane_com.h"
#include "logger/download.h"
#include "logger/monitor_dialog.h"
#include "platform/clock.h"
#include "shell/main_dialog.h"
#include "shell/screen_rules.h"
#include "shell/startup.h"
#include "sim/firmware_file.h"
#include "sim/sim.h"
#include "support/fixture.h"
#include "support/flash_image_builder.h"
#include "support/state_guard.h"

namespace {

// Unplugs the simulated device from a thread of its own once it has received `more` requests
// beyond those it had when armed, while the dialog's own thread is busy with the line.
class Unplugger {
  public:
    Unplugger(sim::Simulator& s, size_t more) : sim_(s), from_(s.commands().size()) {
        thread_ = std::thread([this, more] {
            sim_.waitForCommands(from_ + more, 60000);
            sim_.hangup();
            done_ = true;
        });
    }
    ~Unplugger() { wait(); }
    // True once the device was unplugged; waits for the unplugging to have finished, since the
    // dialog may see the closed line a moment before the simulator's call returns.
    bool wait() {
        if (thread_.joinable()) thread_.join();
        return done_;
    }

  private:
    sim::Simulator& sim_;
    size_t from_;
    std::atomic<bool> done_{false};
    std::thread thread_;
};

size_t countShown(const ScriptedUi& ui, const std::string& text) {
    size_t n = 0;
    for (const auto& s : ui.shown) n += s.text == text;
    return n;
}

class UnplugOnSim : public KorvaneTest {
  protected:
    void connect(sim::SimOptions o) {
        sim_ = std::make_unique<sim::Simulator>(o);
        ASSERT_TRUE(sim_->start());
        Timeout_rx = 1000;
        ASSERT_EQ(openAndProbe(sim_->slavePath()), 1);
    }
    void TearDown() override {
        KorvaneTest::TearDown();
        sim_.reset();
    }
    static sim::SimOptions fixtureLogger(uint32_t baud) {
        sim::SimOptions o;
        o.kind = sim::DeviceKind::RX43;
        o.stateDir = fixturePath("logger-basic");
        o.baud = baud;
        return o;
    }
    InTempDir dir_;
    std::unique_ptr<sim::Simulator> sim_;
};

TEST_F(UnplugOnSim, PanelDownloadSaysThePortIsLostAndThePanelStillCloses) {
    ASSERT_NO_FATAL_FAILURE(connect(fixtureLogger(9600))); // 20 pages: about 11 s on the line
    DialogMain dlg;
    const int result = runScripted(dlg, [&] {
        auto* sample = static_cast<QLineEdit*>(dlg.control(233));
        sample->setText("");
        sample->setText("900");
        ASSERT_TRUE(dlg.control(210)->isEnabled());
        {
            Unplugger unplug(*sim_, 6); // a few pages into the download
            click(dlg.control(210));
            EXPECT_TRUE(unplug.wait());
        }
        ASSERT_GE(ui_.shown.size(), 2u);
        EXPECT_EQ(ui_.shown[ui_.shown.size() - 2].text, lostPortText());
        EXPECT_EQ(ui_.shown[ui_.shown.size() - 2].title, "COM Error");
        EXPECT_EQ(ui_.last()->text, kDownloadFailedText);
        EXPECT_FALSE(std::filesystem::exists(kIntermediateFile));
        EXPECT_FALSE(std::filesystem::exists(DataTimeSS)) << "no half data file";
        // Still usable: another Start fails at once with the same message, Exit closes.
        click(dlg.control(210));
        EXPECT_EQ(countShown(ui_, lostPortText()), 2u);
        click(dlg.control(212));
    });
    EXPECT_EQ(result, 1) << "closed by its Exit button";
    EXPECT_EQ(Com_lost, 1);
}

TEST_F(UnplugOnSim, LoaderUploadSaysThePortIsLostAndTheScreenStillCloses) {
    sim::SimOptions o;
    o.kind = sim::DeviceKind::Boot;
    o.baud = 9600; // 100 blocks of 65 bytes: about 7 s on the line
    ASSERT_NO_FATAL_FAILURE(connect(o));
    ASSERT_EQ(Flag.RX43BOOT, 1);
    writeTextFile(dir_.dir.file("rx43.fw"),
                  sim::makeFirmwareFile(sim::sampleProgram(200, 3), {11, '2', '1'}));
    DlgLoader dlg;
    const int result = runScripted(dlg, [&] {
        ui_.filePath(dir_.dir.file("rx43.fw"));
        click(dlg.control(1904));
        ASSERT_TRUE(dlg.control(1905)->isEnabled());
        ui_.expect("Il nuovo firmware verra' caricato nel datalogger RX43, continuare ?", "Question",
                   MsgAnswer::Yes);
        {
            Unplugger unplug(*sim_, 20); // twenty blocks into the upload
            click(dlg.control(1905));
            EXPECT_TRUE(unplug.wait());
        }
        ASSERT_GE(ui_.shown.size(), 2u);
        EXPECT_EQ(ui_.shown[ui_.shown.size() - 2].text, lostPortText());
        EXPECT_EQ(ui_.last()->text, "Upload non completato !");
        EXPECT_TRUE(dlg.isVisible());
        click(dlg.control(1906));
    });
    EXPECT_EQ(result, 1) << "closed by its Exit button";
}

TEST_F(UnplugOnSim, MonitorSaysThePortIsLostOnceAndItsWindowStillCloses) {
    sim::SimOptions o = fixtureLogger(0);
    o.monitorSpeed = 60;
    ASSERT_NO_FATAL_FAILURE(connect(o));
    DialogMain panel;
    runScripted(panel, [&] {
        click(panel.control(237));
        auto* mon = panel.findChild<DlgMonitor*>();
        ASSERT_NE(mon, nullptr);
        EXPECT_TRUE(mon->timer().isActive());
        sim_->hangup();
        // The next port read (every 1.1 s) finds the port gone.
        for (int i = 0; i < 100 && mon->timer().isActive(); ++i) {
            QEventLoop loop;
            QTimer::singleShot(100, &loop, &QEventLoop::quit);
            loop.exec();
        }
        EXPECT_FALSE(mon->timer().isActive()) << "no more reads of a port that is gone";
        EXPECT_EQ(countShown(ui_, lostPortText()), 1u) << "said once, not at every tick";
        EXPECT_EQ(ui_.last()->title, "COM Error");
        click(mon->control(402)); // Esc still closes the monitor
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(panel.findChild<DlgMonitor*>(), nullptr);
        EXPECT_EQ(countShown(ui_, lostPortText()), 1u) << "closing asks nothing of a port that is gone";
        EXPECT_TRUE(panel.control(212)->isEnabled()) << "the panel is usable again";
        click(panel.control(212));
    });
}

} // namespace
