// The start-up sequence with the desktop program's screens.
#include <QPlainTextEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include "gui_helpers.h"
#include "shell/gui_screens_dialog.h"
#include "shell/main_dialog.h"
#include "shell/quick_dialog.h"
#include "sim/sim.h"
#include "support/state_guard.h"

namespace {

using GuiScreensTest = KorvaneTest;

TEST_F(GuiScreensTest, DeviceFoundOpensTheMainPanelOnIt) {
    sim::SimOptions o;
    o.kind = sim::DeviceKind::RX43;
    o.stateDir = KORVANE_FIXTURES_DIR "/logger-basic";
    sim::Simulator sim(o);
    std::string err;
    ASSERT_TRUE(sim.start(&err)) << err;
    OnlyListedPorts ports(sim.slavePath());
    QString summary;
    OnModal<DialogMain> panel([&](DialogMain* dlg) {
        summary = static_cast<QPlainTextEdit*>(dlg->control(228))->toPlainText();
        static_cast<QPushButton*>(dlg->control(212))->click();
    });
    GuiScreens screens;
    EXPECT_EQ(runStartup("-t300", screens), 1);
    EXPECT_EQ(panel.count, 1);
    // The panel read the session of the device found.
    EXPECT_TRUE(summary.startsWith(QString::fromStdString("Porta di comunicazione... " + sim.slavePath() +
                                                          "\nVersione firmware RX4X... B018\n\nOrologio PC")))
        << summary.toStdString();
    EXPECT_TRUE(summary.contains("\nInizio sessione.......... 151231_224730\n")) << summary.toStdString();
    EXPECT_TRUE(ui_.shown.empty());
    EXPECT_EQ(hCom, nullptr); // closed at the end
}

TEST_F(GuiScreensTest, FileOnTheCommandLineRunsTheQuickView) {
    OnlyListedPorts none;
    OnModal<DialogQuick> quick([&](DialogQuick* q) { static_cast<QPushButton*>(q->control(512))->click(); });
    GuiScreens screens;
    EXPECT_EQ(runStartup("sessione.txt", screens), 0);
    EXPECT_EQ(quick.count, 1);
    ASSERT_EQ(ui_.shown.size(), 1u); // the file was tried at once: not a data text file
    EXPECT_EQ(ui_.shown[0].text, "File non valido !");
    EXPECT_TRUE(Data_file.empty());
    EXPECT_EQ(hCom, nullptr); // no port touched
}

TEST_F(GuiScreensTest, MissingScreensSayInfo) {
    GuiScreens screens;
    EXPECT_EQ(screens.remote(), 0);
    EXPECT_EQ(screens.loader(), 0);
    ASSERT_EQ(ui_.shown.size(), 2u);
    for (const auto& box : ui_.shown) {
        EXPECT_EQ(box.title, "Info");
        EXPECT_EQ(box.icon, MsgIcon::Info);
        EXPECT_NE(box.text.find("non ancora disponibile"), std::string::npos);
    }
}

} // namespace
