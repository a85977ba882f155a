// korvane-cli and the ports: why a port could not be opened (stderr and exit status) and the port
// list with what a fake sysfs tree tells of each adapter.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/serial_port.h"
#include "support/env_guard.h"
#include "support/process.h"
#include "support/pty_peer.h"

namespace {

namespace fs = std::filesystem;

// korvane-cli with no port of the machine in its scan (an empty device folder, no extra ports).
// `unprivileged`: as the user nobody when the tests run as root, whom file modes do not stop.
ProcessResult cli(std::vector<std::string> args, const std::vector<std::string>& env = {},
                  bool unprivileged = false) {
    args.insert(args.begin(), KORVANE_CLI_PATH);
    if (unprivileged && ::geteuid() == 0)
        args.insert(args.begin(), {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
    std::vector<std::string> all = {"KORVANE_DEV_DIR=/nonexistent/korvane-test-dev", "KORVANE_PORTS="};
    all.insert(all.end(), env.begin(), env.end());
    return runProcess(args, all);
}

TEST(CliPortProblems, EachReasonHasItsLineAndExitStatus) {
    PtyPeer unreadable, held;
    ASSERT_EQ(::chmod(unreadable.path().c_str(), 0), 0);
    std::unique_ptr<SerialPort> holder(SerialPort::open(held.path()));
    ASSERT_TRUE(holder);
    const std::string self = "(pid " + std::to_string(::getpid()) + ")";
    struct Case {
        std::string port;
        bool unprivileged;
        int status;
        std::string line;
    };
    for (const Case& c : {
             Case{unreadable.path(), true, 4, "korvane-cli: Accesso negato alla porta " + unreadable.path()},
             Case{held.path(), false, 5, "korvane-cli: La porta " + held.path() + " e' gia' in uso da "},
             Case{"/nonexistent/ttyUSB7", false, 6,
                  "korvane-cli: La porta /nonexistent/ttyUSB7 non esiste (adattatore scollegato?)"},
         }) {
        const ProcessResult r = cli({"-p", c.port, "probe"}, {}, c.unprivileged);
        EXPECT_EQ(r.status, c.status) << r.err;
        // The specified texts stay as they are; the reason follows them on a line of its own.
        EXPECT_EQ(r.err.rfind("Warning: Non e' possibile aprire la porta " + c.port +
                                  " ! Verra' eseguita una scansione automatica ",
                              0),
                  0u)
            << r.err;
        const size_t com = r.err.find("COM Error: Apparecchio non trovato ! (BaudRate= 256000)\n");
        ASSERT_NE(com, std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("\n" + c.line, com), com + 55) << r.err;
        EXPECT_EQ(r.out, "");
    }
    const std::string info = cli({"-p", held.path(), "info"}).err;
    EXPECT_NE(info.find(self + ": chiuderlo e riprovare.\n"), std::string::npos) << info;
    // The scan reports the ports it could not use as well.
    const ProcessResult scanned = cli({"probe"}, {"KORVANE_PORTS=" + held.path()});
    EXPECT_EQ(scanned.status, 5) << scanned.err;
    EXPECT_NE(scanned.err.find("korvane-cli: La porta " + held.path() + " e' gia' in uso"),
              std::string::npos);
}

// A fake device folder and sysfs tree: a built-in port, an FTDI adapter behind its by-id name and
// an ACM modem without a serial number.
TEST(CliPorts, ListsEachPortWithItsAdapter) {
    TempDir dev, sys;
    for (const char* n : {"ttyS0", "ttyUSB0", "ttyACM0"}) std::ofstream(dev.file(n)) << "";
    fs::create_directories(dev.file("serial/by-id"));
    const std::string byId = "usb-FTDI_FT232R_USB_UART_A6008isP-if00-port0";
    fs::create_symlink("../../ttyUSB0", dev.file("serial/by-id/" + byId));
    const auto attrs = [&](const std::string& dir, std::vector<std::pair<std::string, std::string>> values) {
        fs::create_directories(sys.file(dir));
        for (const auto& [name, value] : values) std::ofstream(sys.file(dir + "/" + name)) << value << "\n";
    };
    const std::string hub = "devices/pci0000:00/0000:00:14.0/usb1";
    attrs(hub + "/1-2", {{"idVendor", "0403"},
                         {"idProduct", "6001"},
                         {"manufacturer", "FTDI"},
                         {"product", "FT232R USB UART"},
                         {"serial", "A6008isP"}});
    fs::create_directories(sys.file(hub + "/1-2/1-2:1.0/ttyUSB0"));
    attrs(hub + "/1-3", {{"idVendor", "2341"}, {"idProduct", "0043"}, {"product", "GSM Modem"}});
    fs::create_directories(sys.file(hub + "/1-3/1-3:1.0"));
    attrs("devices/platform/serial8250/tty/ttyS0", {});
    fs::create_directories(sys.file("class/tty"));
    for (const auto& [tty, node] :
         {std::pair<std::string, std::string>{"ttyUSB0", hub + "/1-2/1-2:1.0/ttyUSB0"},
          {"ttyACM0", hub + "/1-3/1-3:1.0"},
          {"ttyS0", "devices/platform/serial8250"}}) {
        fs::create_directories(sys.file("class/tty/" + tty));
        fs::create_symlink("../../../" + node, sys.file("class/tty/" + tty + "/device"));
    }
    const ProcessResult r = runProcess(
        {KORVANE_CLI_PATH, "ports"},
        {"KORVANE_DEV_DIR=" + dev.path(), "KORVANE_SYS_DIR=" + sys.path(), "KORVANE_PORTS=/dev/pts/999"});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string d = fs::canonical(dev.path()).string();
    const std::vector<std::string> lines = {"COM1",
                                            "  device:       " + d + "/ttyS0",
                                            dev.file("ttyACM0"), // its own device node
                                            "  usb:          2341:0043",
                                            "  product:      GSM Modem",
                                            dev.file("serial/by-id/" + byId),
                                            "  device:       " + d + "/ttyUSB0",
                                            "  usb:          0403:6001",
                                            "  manufacturer: FTDI",
                                            "  product:      FT232R USB UART",
                                            "  serial:       A6008isP",
                                            "/dev/pts/999"};
    std::string want;
    for (const std::string& line : lines) want += line + "\n";
    EXPECT_EQ(r.out, want);
    const ProcessResult none =
        runProcess({KORVANE_CLI_PATH, "ports"}, {"KORVANE_DEV_DIR=" + sys.path() + "/x", "KORVANE_PORTS="});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.err, "korvane-cli: no serial port found\n");
}

} // namespace
