// The start-up sequence and the port scan.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "link/korvane_com.h"
#include "logger/session.h"
#include "platform/port_names.h"
#include "shell/startup.h"
#include "support/env_guard.h"
#include "support/fake_devices.h"
#include "support/state_guard.h"

namespace {

struct FakeScreens : StartupScreens {
    std::vector<std::string> calls;
    int selectResult = 1;
    int timeoutSeen = -1;
    std::string workingFile; // created while the top-level screen runs
    int selectPort() override {
        calls.push_back("select");
        return selectResult;
    }
    int top(const char* name) {
        calls.push_back(name);
        timeoutSeen = Timeout_rx;
        if (!workingFile.empty()) {
            DataTimeSS = workingFile;
            std::ofstream(workingFile) << "x";
        }
        return 1;
    }
    int mainDialog() override { return top("main"); }
    int quickView() override { return top("quick"); }
    int remote() override { return top("remote"); }
    int loader() override { return top("loader"); }
};

class Startup : public KorvaneTest {
  protected:
    void SetUp() override {
        KorvaneTest::SetUp();
        env_.set("KORVANE_DEV_DIR", devDir_.path()).unset("KORVANE_PORTS");
        DataTimeSS.clear();
    }
    void TearDown() override {
        DataTimeSS.clear();
        KorvaneTest::TearDown();
    }
    EnvGuard env_;
    TempDir devDir_, work_;
    FakeScreens screens_;
};

TEST_F(Startup, FileOnTheCommandLineRunsTheQuickViewWithoutAPort) {
    screens_.workingFile = work_.file("151231_224730");
    EXPECT_EQ(runStartup("\"some file.txt\"", screens_), 0);
    EXPECT_EQ(screens_.calls, std::vector<std::string>{"quick"});
    EXPECT_EQ(Data_file, "some file.txt");
    EXPECT_FALSE(std::filesystem::exists(screens_.workingFile)); // deleted at the end
}

TEST_F(Startup, PortOnTheCommandLineWithADeviceRunsTheMainDialog) {
    PtyPeer peer;
    peer.serve(fakeDevice("B018"));
    screens_.workingFile = work_.file("151231_224730");
    EXPECT_EQ(runStartup(("-t500 -p" + peer.path()).c_str(), screens_), 1);
    EXPECT_EQ(screens_.calls, std::vector<std::string>{"main"});
    EXPECT_EQ(screens_.timeoutSeen, 500);
    EXPECT_EQ(hCom, nullptr); // closed at the end
    EXPECT_FALSE(std::filesystem::exists(screens_.workingFile));
    EXPECT_TRUE(ui_.shown.empty());
}

TEST_F(Startup, PortWithoutADeviceEndsWithComErrorAndNoScreen) {
    PtyPeer peer; // never answers
    EXPECT_EQ(runStartup(("-t100 -p" + peer.path() + " -b9600").c_str(), screens_), 0);
    EXPECT_TRUE(screens_.calls.empty());
    ASSERT_EQ(ui_.shown.size(), 1u);
    EXPECT_EQ(ui_.shown[0].text, "Apparecchio non trovato !\r\n\r\n(BaudRate= 9600)");
    EXPECT_EQ(ui_.shown[0].title, "COM Error");
    EXPECT_EQ(ui_.shown[0].icon, MsgIcon::Error);
    EXPECT_EQ(hCom, nullptr);
}

TEST_F(Startup, UnopenablePortFallsBackToTheScan) {
    screens_.selectResult = 1; // "Exit"
    EXPECT_EQ(runStartup("-p/dev/korvane-missing", screens_), 0);
    EXPECT_EQ(screens_.calls, std::vector<std::string>{"select"});
    ASSERT_EQ(ui_.shown.size(), 1u);
    EXPECT_EQ(ui_.shown[0].title, "Warning");
}

TEST_F(Startup, ModemAndBootLoaderChooseTheirScreens) {
    {
        PtyPeer modem;
        modem.serve(fakeModem());
        EXPECT_EQ(runStartup(("-m -p" + modem.path()).c_str(), screens_), 1);
        EXPECT_EQ(screens_.calls, std::vector<std::string>{"remote"});
        auto req = modem.requests();
        ASSERT_FALSE(req.empty());
        EXPECT_EQ(req.back(), "ATZ"); // the modem is reset when the remote dialog ends
    }
    screens_.calls.clear();
    {
        PtyPeer boot;
        boot.serve(fakeBootLoader(0x10, 2));
        EXPECT_EQ(runStartup(("-t100 -p" + boot.path()).c_str(), screens_), 1);
        EXPECT_EQ(screens_.calls, std::vector<std::string>{"loader"});
        EXPECT_EQ(Flag.bootvers, "Boot v.1.0");
    }
}

TEST_F(Startup, ScanWithNoPortsListsNothing) {
    Timeout_rx = 7;
    EXPECT_EQ(scanComPorts(), 0);
    EXPECT_EQ(Nport, 0);
    EXPECT_TRUE(Porte.empty());
    EXPECT_EQ(Timeout_rx, 2000);
}

TEST_F(Startup, ScanKeepsTheFirstPortWhereADeviceAnswers) {
    PtyPeer silent, device, later;
    device.serve(fakeDevice("5016"));
    later.serve(fakeDevice("B018"));
    env_.set("KORVANE_PORTS",
             "/dev/korvane-missing:" + silent.path() + ":" + device.path() + ":" + later.path());
    TMO_value = 750;
    EXPECT_EQ(scanComPorts(), 1);
    EXPECT_EQ(Porte, (std::vector<std::string>{silent.path(), device.path()}));
    EXPECT_EQ(Nport, 2);
    EXPECT_EQ(CommPort, device.path());
    ASSERT_NE(hCom, nullptr);
    EXPECT_EQ(hCom->path(), device.path());
    EXPECT_EQ(Flag.MW51, 1);
    EXPECT_EQ(Timeout_rx, 750);
    EXPECT_TRUE(later.requests().empty());
}

TEST_F(Startup, ManualChoiceProbesWithTheDeviceTimeOut) {
    PtyPeer silent, device;
    device.serve(fakeDevice("7016"));
    Timeout_rx = 100;
    EXPECT_EQ(openAndProbe(silent.path()), 0);
    EXPECT_EQ(hCom, nullptr);
    EXPECT_EQ(openAndProbe("/dev/korvane-missing"), 0);
    EXPECT_EQ(openAndProbe(device.path()), 1);
    EXPECT_EQ(CommPort, device.path());
    EXPECT_EQ(Flag.RX42, 1);
}

TEST(PortNames, ComNamesMapToBuiltInPorts) {
    EnvGuard env;
    env.set("KORVANE_DEV_DIR", "/devx");
    EXPECT_EQ(portDevicePath("COM1"), "/devx/ttyS0");
    EXPECT_EQ(portDevicePath("com12"), "/devx/ttyS11");
    EXPECT_EQ(portDevicePath("COM0"), "COM0");
    EXPECT_EQ(portDevicePath("COM"), "COM");
    EXPECT_EQ(portDevicePath("COM3x"), "COM3x");
    EXPECT_EQ(portDevicePath("/dev/pts/4"), "/dev/pts/4");
}

TEST(PortNames, ScanOrderBuiltInThenAdaptersThenEnvironment) {
    TempDir dev;
    EnvGuard env;
    env.set("KORVANE_DEV_DIR", dev.path()).set("KORVANE_PORTS", "/tmp/a::/tmp/b:" + dev.path() + "/ttyUSB2");
    for (const char* n : {"ttyS0", "ttyS4", "ttyS60", "ttyUSB10", "ttyUSB2", "ttyACM0", "tty0"})
        std::ofstream(dev.file(n)) << "";
    std::filesystem::create_directories(dev.file("serial/by-id"));
    std::filesystem::create_symlink("../../ttyUSB10", dev.file("serial/by-id/usb-Maker_Adapter-if00"));
    EXPECT_EQ(scanPortNames(), (std::vector<std::string>{
                                   "COM1", "COM5", dev.file("ttyACM0"), dev.file("ttyUSB2"),
                                   dev.file("serial/by-id/usb-Maker_Adapter-if00"), "/tmp/a", "/tmp/b"}));
}

} // namespace
