// The port-selection dialog describes its ports (the adapter behind a by-id name, from a fake sysfs
// tree) and says why a port could not be opened: under its warning when no port could be used, as
// a greyed list entry, and under "Apparecchio non trovato !" on a manual choice.
#include <QListWidget>
#include <QPushButton>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

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

// An FTDI adapter: the device folder's ttyUSB0 leads to a pseudo-terminal (so that the scan can
// open it) and has a by-id name; sysfs knows the adapter under the terminal's name.
TEST_F(SelComReasonTest, EachPortShowsTheAdapterBehindIt) {
    namespace fs = std::filesystem;
    PtyPeer silent;
    TempDir dev, sys;
    fs::create_symlink(silent.path(), dev.file("ttyUSB0"));
    fs::create_directories(dev.file("serial/by-id"));
    const std::string byId = dev.file("serial/by-id/usb-FTDI_FT232R_USB_UART_A6008isP-if00-port0");
    fs::create_symlink("../../ttyUSB0", byId);
    const std::string usb = "devices/pci0000:00/usb1/1-2";
    fs::create_directories(sys.file(usb + "/1-2:1.0"));
    for (const auto& [name, value] : {std::pair<std::string, std::string>{"idVendor", "0403"},
                                      {"idProduct", "6001"},
                                      {"manufacturer", "FTDI"},
                                      {"product", "FT232R USB UART"},
                                      {"serial", "A6008isP"}})
        std::ofstream(sys.file(usb + "/" + name)) << value << "\n";
    const std::string tty = fs::path(silent.path()).filename().string();
    fs::create_directories(sys.file("class/tty/" + tty));
    fs::create_symlink("../../../" + usb + "/1-2:1.0", sys.file("class/tty/" + tty + "/device"));
    EnvGuard env;
    env.set("KORVANE_DEV_DIR", dev.path()).set("KORVANE_SYS_DIR", sys.path()).unset("KORVANE_PORTS");
    SelComDialog dlg;
    const int result = runScripted(dlg, [&] {
        auto* list = dlg.findChild<QListWidget*>("id104");
        ASSERT_EQ(list->count(), 1);
        EXPECT_EQ(list->item(0)->text().toStdString(),
                  byId + "\n    FTDI FT232R USB UART [0403:6001] S/N A6008isP");
        dlg.close();
    });
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(ui_.shown.empty());
}

} // namespace
