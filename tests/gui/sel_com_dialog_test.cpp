// The port-selection dialog against pseudo-terminals: scan, manual choice, leaving.
#include <QListWidget>
#include <QPushButton>
#include <gtest/gtest.h>

#include "gui_helpers.h"
#include "link/korvane_com.h"
#include "platform/ui_qt_dialog.h"
#include "shell/quick_dialog.h"
#include "shell/sel_com_dialog.h"
#include "support/pty_peer.h"
#include "support/state_guard.h"

namespace {

using SelComTest = KorvaneTest;

// Identifies itself as an RX43 logger with firmware 1.8.
std::vector<PtyPeer::Chunk> rx43(const std::string& request) {
    if (request == "***" || request == "ATCM08" || request == "ATCM00") return {{"OK\r"}};
    if (request == "ATVR") return {{"B018\r"}};
    return {};
}

QListWidget* portList(SelComDialog& dlg) {
    return dlg.findChild<QListWidget*>("id104");
}

// Double-clicks the first entry of the list.
void pickFirst(QListWidget* list) {
    doubleClick(list->viewport(), list->visualItemRect(list->item(0)).center());
}

TEST_F(SelComTest, NoPortWarnsAndLeavesAnEmptyListUntilClosed) {
    OnlyListedPorts none;
    SelComDialog dlg;
    const int result = runScripted(dlg, [&] {
        EXPECT_EQ(portList(dlg)->count(), 0);
        dlg.close();
    });
    EXPECT_EQ(result, 0);
    ASSERT_EQ(ui_.shown.size(), 1u);
    EXPECT_EQ(ui_.shown[0].text,
              "Nessuna porta COM rilevata !\r\n\r\nUscire dal programma e verificare la connessione seriale");
    EXPECT_EQ(ui_.shown[0].owner, windowOf(&dlg));
}

TEST_F(SelComTest, ManualChoiceWithoutDeviceReportsAndKeepsTheDialog) {
    PtyPeer silent;
    OnlyListedPorts ports(silent.path());
    TMO_value = 200; // reply time-out of the manual probe [ms]
    SelComDialog dlg;
    const int result = runScripted(dlg, [&] {
        QListWidget* list = portList(dlg);
        ASSERT_EQ(list->count(), 1);
        EXPECT_EQ(list->item(0)->text().toStdString(), silent.path());
        pickFirst(list);
        EXPECT_EQ(ui_.shown.size(), 1u);
        sendKey(list, Qt::Key_Return);
        EXPECT_EQ(ui_.shown.size(), 2u);
        list->clearSelection(); // Enter without a selected entry does nothing, nor does Escape
        sendKey(list, Qt::Key_Enter, Qt::KeypadModifier);
        sendKey(&dlg, Qt::Key_Escape);
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_EQ(ui_.shown.size(), 2u);
        click(dlg.findChild<QPushButton*>("id105"));
    });
    EXPECT_EQ(result, 1);
    for (const auto& box : ui_.shown)
        EXPECT_EQ(box.text, "Apparecchio non trovato !\r\n\r\n(BaudRate= 256000)");
    EXPECT_EQ(hCom, nullptr);
}

TEST_F(SelComTest, ManualChoiceOfAnAnsweringDeviceEndsWithTwo) {
    PtyPeer peer;
    OnlyListedPorts ports(peer.path());
    SelComDialog dlg;
    const int result = runScripted(dlg, [&] {
        peer.receive(30); // drop what the scan sent while the device was silent
        peer.serve(rx43);
        pickFirst(portList(dlg));
    });
    EXPECT_EQ(result, 2);
    EXPECT_TRUE(ui_.shown.empty());
    EXPECT_NE(hCom, nullptr);
    EXPECT_EQ(CommPort, peer.path());
}

// Alt+Q runs the quick view (no owner, the port dialog disabled meanwhile) and comes back.
TEST_F(SelComTest, AltQRunsTheQuickViewAndComesBack) {
    PtyPeer silent;
    OnlyListedPorts ports(silent.path());
    SelComDialog dlg;
    bool open = false, disabledMeanwhile = false;
    QWidget* quickOwner = &dlg;
    OnModal<DialogQuick> quick([&](DialogQuick* q) {
        disabledMeanwhile = !dlg.isEnabled();
        quickOwner = q->parentWidget();
        static_cast<QPushButton*>(q->control(512))->click();
    });
    const int result = runScripted(dlg, [&] {
        sendKey(portList(dlg), Qt::Key_Q, Qt::AltModifier, "q");
        open = dlg.isVisible() && dlg.isEnabled();
        dlg.close();
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(quick.count, 1);
    EXPECT_TRUE(disabledMeanwhile);
    EXPECT_EQ(quickOwner, nullptr);
    EXPECT_TRUE(open);
    EXPECT_TRUE(ui_.shown.empty());
}

} // namespace
