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

void doubleClickRow(QListWidget* list, int row) {
    doubleClick(list->viewport(), list->visualItemRect(list->item(row)).center());
}

TEST_F(SelComTest, NoPortWarnsAndLeavesAnEmptyListUntilClosed) {
    OnlyListedPorts none;
    SelComDialog dlg;
    int rows = -1;
    int result = runScripted(dlg, [&] {
        rows = portList(dlg)->count();
        dlg.close();
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(rows, 0);
    EXPECT_EQ(dlg.windowTitle(), QString("Korvane v.5.0"));
    ASSERT_EQ(ui_.shown.size(), 1u);
    EXPECT_EQ(ui_.shown[0].text,
              "Nessuna porta COM rilevata !\r\n\r\nUscire dal programma e verificare la connessione seriale");
    EXPECT_EQ(ui_.shown[0].title, "Warning");
    EXPECT_EQ(ui_.shown[0].icon, MsgIcon::Warning);
    EXPECT_EQ(ui_.shown[0].owner, windowOf(&dlg));
}

TEST_F(SelComTest, DeviceFoundByTheScanEndsWithoutShowingTheDialog) {
    PtyPeer silent, peer;
    peer.serve(rx43);
    OnlyListedPorts ports(silent.path() + ":" + peer.path());
    SelComDialog dlg;
    EXPECT_EQ(dlg.run(), 2);
    EXPECT_FALSE(dlg.testAttribute(Qt::WA_WState_ExplicitShowHide)); // never shown nor hidden
    EXPECT_TRUE(ui_.shown.empty());
    ASSERT_NE(hCom, nullptr);
    EXPECT_EQ(CommPort, peer.path());
    EXPECT_EQ(Porte, (std::vector<std::string>{silent.path(), peer.path()}));
}

TEST_F(SelComTest, ManualChoiceWithoutDeviceReportsAndKeepsTheDialog) {
    PtyPeer silent;
    OnlyListedPorts ports(silent.path());
    TMO_value = 200; // reply time-out of the manual probe [ms]
    SelComDialog dlg;
    QString item;
    std::vector<size_t> boxes; // boxes shown after each key or click
    int result = runScripted(dlg, [&] {
        QListWidget* list = portList(dlg);
        if (list->count() != 1) return;
        item = list->item(0)->text();
        doubleClickRow(list, 0);
        boxes.push_back(ui_.shown.size());
        sendKey(list, Qt::Key_Return);
        boxes.push_back(ui_.shown.size());
        list->clearSelection(); // Enter without a selected entry does nothing
        sendKey(list, Qt::Key_Enter, Qt::KeypadModifier);
        auto* exitButton = dlg.findChild<QPushButton*>("id105");
        sendKey(exitButton, Qt::Key_Return); // nor does Enter elsewhere, nor Escape
        sendKey(&dlg, Qt::Key_Escape);
        boxes.push_back(dlg.isVisible() ? ui_.shown.size() : 99);
        exitButton->click();
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(item.toStdString(), silent.path());
    EXPECT_EQ(boxes, (std::vector<size_t>{1, 2, 2}));
    for (const auto& box : ui_.shown) {
        EXPECT_EQ(box.text, "Apparecchio non trovato !\r\n\r\n(BaudRate= 256000)");
        EXPECT_EQ(box.title, "COM Error");
        EXPECT_EQ(box.icon, MsgIcon::Error);
        EXPECT_EQ(box.owner, windowOf(&dlg));
    }
    EXPECT_EQ(hCom, nullptr);
}

TEST_F(SelComTest, ManualChoiceOfAnAnsweringDeviceEndsWithTwo) {
    PtyPeer peer;
    OnlyListedPorts ports(peer.path());
    SelComDialog dlg;
    int result = runScripted(dlg, [&] {
        peer.receive(30); // drop what the scan sent while the device was silent
        peer.serve(rx43);
        doubleClickRow(portList(dlg), 0);
    });
    EXPECT_EQ(result, 2);
    EXPECT_TRUE(ui_.shown.empty());
    EXPECT_NE(hCom, nullptr);
    EXPECT_EQ(CommPort, peer.path());
}

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
    int result = runScripted(dlg, [&] {
        sendKey(portList(dlg), Qt::Key_Q, Qt::AltModifier, "q");
        open = dlg.isVisible() && dlg.isEnabled();
        dlg.close();
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(quick.count, 1);
    EXPECT_TRUE(disabledMeanwhile);
    EXPECT_EQ(quickOwner, nullptr); // no owner
    EXPECT_TRUE(open);
    EXPECT_TRUE(ui_.shown.empty());
}

} // namespace
