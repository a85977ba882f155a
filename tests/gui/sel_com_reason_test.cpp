// The port-selection dialog says why a port could not be opened: under its warning when no port
// could be used, as a greyed list entry, and under "Apparecchio non trovato !" on a manual choice.
// The port is held by this test itself, which the reason does not name (it is no other program).
#include <QListWidget>
#include <QPushButton>
#include <gtest/gtest.h>

#include "gui_helpers.h"
#include "link/korvane_com.h"
#include "platform/ui_qt_dialog.h"
#include "shell/sel_com_dialog.h"
#include "support/pty_peer.h"
#include "support/state_guard.h"

namespace {

using SelComReasonTest = KorvaneTest;

TEST_F(SelComReasonTest, ABusyPortIsListedGreyWithItsReasonUnderEveryMessage) {
    PtyPeer peer;
    std::unique_ptr<SerialPort> holder(SerialPort::open(peer.path())); // another program, as it were
    ASSERT_TRUE(holder);
    OnlyListedPorts ports(peer.path());
    const std::string reason =
        "La porta " + peer.path() + " e' gia' in uso da un altro programma: chiuderlo e riprovare.";
    SelComDialog dlg;
    const int result = runScripted(dlg, [&] {
        auto* list = dlg.findChild<QListWidget*>("id104");
        ASSERT_EQ(list->count(), 1);
        EXPECT_EQ(list->item(0)->text().toStdString(), peer.path() + "\n    (in uso da un altro programma)");
        EXPECT_EQ(list->item(0)->toolTip().toStdString(), reason);
        doubleClick(list->viewport(), list->visualItemRect(list->item(0)).center());
        click(dlg.findChild<QPushButton*>("id105"));
    });
    EXPECT_EQ(result, 1);
    ASSERT_EQ(ui_.shown.size(), 2u);
    const std::string warning = "Nessuna porta COM rilevata !\r\n\r\nUscire dal programma e verificare la "
                                "connessione seriale\r\n\r\n";
    EXPECT_EQ(ui_.shown[0].text, warning + reason);
    EXPECT_EQ(ui_.shown[1].title, "COM Error");
    EXPECT_EQ(ui_.shown[1].text, "Apparecchio non trovato !\r\n\r\n(BaudRate= 256000)\r\n\r\n" + reason);
    EXPECT_EQ(hCom, nullptr);
}

} // namespace
