// The start-up sequence with the desktop program's screens.
#include <QPlainTextEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include "gui_helpers.h"
#include "shell/gui_screens_dialog.h"
#include "shell/main_dialog.h"
#include "support/pty_peer.h"
#include "support/state_guard.h"

namespace {

using GuiScreensTest = KorvaneTest;

TEST_F(GuiScreensTest, DeviceFoundOpensTheMainPanelOnIt) {
    PtyPeer peer;
    peer.serve([](const std::string& request) -> std::vector<PtyPeer::Chunk> {
        if (request == "ATVR") return {{"5021\r"}};
        return {{"OK\r"}};
    });
    OnlyListedPorts ports(peer.path());
    QString summary;
    OnModal<DialogMain> panel([&](DialogMain* dlg) {
        summary = static_cast<QPlainTextEdit*>(dlg->control(228))->toPlainText();
        static_cast<QPushButton*>(dlg->control(212))->click();
    });
    GuiScreens screens;
    EXPECT_EQ(runStartup("-t300", screens), 1);
    EXPECT_EQ(panel.count, 1);
    EXPECT_EQ(summary.toStdString(),
              "Porta di comunicazione... " + peer.path() + "\nVersione firmware MW..... 5021\n\n");
    EXPECT_TRUE(ui_.shown.empty());
    EXPECT_EQ(hCom, nullptr); // closed at the end
}

TEST_F(GuiScreensTest, MissingScreensSayInfoAndEndTheProgram) {
    GuiScreens screens;
    EXPECT_EQ(runStartup("sessione.txt", screens), 0); // a file name: the offline mode
    EXPECT_EQ(screens.remote(), 0);
    EXPECT_EQ(screens.loader(), 0);
    ASSERT_EQ(ui_.shown.size(), 3u);
    for (const auto& box : ui_.shown) {
        EXPECT_EQ(box.title, "Info");
        EXPECT_EQ(box.icon, MsgIcon::Info);
        EXPECT_NE(box.text.find("non ancora disponibile"), std::string::npos);
    }
}

} // namespace
