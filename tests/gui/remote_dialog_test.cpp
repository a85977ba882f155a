// Dialog 1700 on the offscreen platform, through the simulated modem to the golden logger:
// its controls, the call with its coloured result codes, the main dialog over the line, the
// hang-up, and closing the window during a call.
#include <QElapsedTimer>
#include <QLabel>
#include <QThread>
#include <fstream>
#include <gtest/gtest.h>

#include "gui_helpers.h"
#include "link/korvane_com.h"
#include "link/modem.h"
#include "shell/main_dialog.h"
#include "shell/remote_dialog.h"
#include "support/sim_session.h"

namespace {

bool waitFor(const std::function<bool()>& done, int ms = 10000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(10);
    }
    return done();
}

QColor statusColour(DlgRemote& dlg) {
    return dlg.control(kRemoteStatus)->palette().color(QPalette::Window);
}

class RemoteDialog : public SimSession {
  protected:
    void start(uint32_t dialMs) {
        std::ofstream(work_.file("VAruzizu.ini"), std::ios::binary) << "Ntel=0551234567\r\n";
        ASSERT_TRUE(connectModem(fixtureLoggerBehindModem(dialMs)));
    }
};

TEST_F(RemoteDialog, CallReadTheLoggerAndHangUpWithColouredResults) {
    start(150);
    DlgRemote dlg;
    OnModal<DialogMain> closeMain([](DialogMain* d) { d->done(1); });
    const int result = runScripted(dlg, [&] {
        EXPECT_EQ(dlg.windowTitle(), QString("Collegamento remoto"));
        EXPECT_EQ(textOf(dlg.control(kRemoteNumber)), QString("0551234567"));
        EXPECT_EQ(textOf(dlg.control(kRemotePhoneBook)), QString("Rubrica"));
        EXPECT_EQ(textOf(dlg.control(kRemoteConnect)), QString("Connessione"));
        EXPECT_EQ(textOf(dlg.control(kRemoteExit)), QString("Exit"));
        EXPECT_FALSE(dlg.control(kRemoteReadData)->isEnabled());
        EXPECT_EQ(statusColour(dlg), dlg.palette().color(QPalette::Button)) << "no result yet";

        click(dlg.control(kRemoteConnect));
        EXPECT_TRUE(dlg.pollTimerActive());
        EXPECT_EQ(textOf(dlg.control(kRemoteExit)), QString("Stop"));
        ASSERT_TRUE(waitFor([] { return Stato_OPM == 2; }));
        EXPECT_EQ(textOf(dlg.control(kRemoteStatus)), QString("Connesso a 19200 bps"));
        EXPECT_EQ(statusColour(dlg), QColor(0, 255, 0));
        EXPECT_FALSE(dlg.pollTimerActive());
        EXPECT_TRUE(dlg.control(kRemoteReadData)->isEnabled());
        EXPECT_FALSE(dlg.control(kRemoteNumber)->isEnabled());

        click(dlg.control(kRemoteReadData)); // the main dialog opens over the call
        EXPECT_EQ(closeMain.count, 1);
        EXPECT_EQ(Flag.pages_error, 0) << "the session was read through the modem";

        click(dlg.control(kRemoteExit)); // "Disconnessione"
        EXPECT_EQ(textOf(dlg.control(kRemoteExit)), QString("Exit"));
        ASSERT_TRUE(waitFor([] { return Modem_fback == 3; }));
        EXPECT_EQ(textOf(dlg.control(kRemoteStatus)), QString("Assenza linea"));
        EXPECT_EQ(statusColour(dlg), QColor(255, 0, 0));
        EXPECT_TRUE(dlg.control(kRemoteConnect)->isEnabled());
        click(dlg.control(kRemoteExit));
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(sim_->commands().back(), "ATH");
    EXPECT_TRUE(ui_.shown.empty());
}

TEST_F(RemoteDialog, ClosingTheWindowDuringACallHangsUp) {
    start(3000);
    DlgRemote dlg;
    const int result = runScripted(dlg, [&] {
        click(dlg.control(kRemoteConnect));
        EXPECT_EQ(Stato_OPM, 1);
        dlg.close();
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(Stato_OPM, 0);
    EXPECT_EQ(sim_->commands().back(), "ATH") << "the call being set up is given up";
}

} // namespace
