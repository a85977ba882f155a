// The command line, the start-up sequence and the port scan.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "link/korvane_com.h"
#include "logger/session.h"
#include "shell/startup.h"
#include "support/env_guard.h"
#include "support/fake_devices.h"
#include "support/state_guard.h"

namespace {

// Records the screens shown; the top-level ones create the session's working file meanwhile.
struct FakeScreens : StartupScreens {
    std::vector<std::string> calls;
    std::string workingFile;
    int selectPort() override { return calls.push_back("select"), 1; } // "Exit"
    int top(const char* name) {
        calls.push_back(name);
        DataTimeSS = workingFile;
        std::ofstream(workingFile) << "x";
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
        screens_.workingFile = work_.file("151231_224730");
    }
    EnvGuard env_;
    TempDir devDir_, work_;
    FakeScreens screens_;
};

TEST_F(Startup, CommandLineTokensAndOptions) {
    const struct {
        const char* line;
        std::string applied; // baud, data file, then modem, fast reading, comma, format, flow, time-out
    } cases[] = {
        {"", "256000||0 1 0 0 0 0"},
        {"-b19201", "256000||0 1 0 0 0 0"},     // not in the list: ignored
        {"-b 9600", "256000|9600|0 1 0 0 0 0"}, // blank after the letter: empty argument
        {"- b9600", "9600||0 1 0 0 0 0"},       // blanks between '-' and the letter
        {"-m", "19200||1 1 0 0 0 0"},           // a modem line: 19200 unless -b says otherwise
        {"-m -b4800", "4800||1 1 0 0 0 0"},
        {"-l -k1 -o3 -t500", "256000||0 0 1 1 1 500"},
        {"-o2 -k257", "256000||0 1 0 1 1 0"},      // low 8 bits of -k
        {"-t-5", "256000||0 1 0 0 0 0"},           // a negative time-out reads as the default
        {"-B19200 -z", "256000||0 1 0 0 0 0"},     // letters are case-sensitive; others ignored
        {"  one two ", "256000|two|0 1 0 0 0 0"},  // the last name wins
        {"\"a b\" c d", "256000|c d|0 1 0 0 0 0"}, // the quote flag stays: runs to the end
        {"x\"y -b9600", "9600|x\"y|0 1 0 0 0 0"},  // a mark inside an unquoted name is kept
    };
    for (const auto& c : cases) {
        resetState();
        readCMD(c.line);
        const std::string flags = std::to_string(Flag.modem) + " " + std::to_string(Flag.fast_read) + " " +
                                  std::to_string(Flag.comma) + " " + std::to_string(Flag.file_format) + " " +
                                  std::to_string(Flag.comflow) + " " + std::to_string(TMO_value);
        EXPECT_EQ(std::to_string(BR_value) + "|" + Data_file + "|" + flags, c.applied) << c.line;
        EXPECT_EQ(Flag.COM_ext, 0) << c.line;
    }
    EXPECT_TRUE(ui_.shown.empty());
}

TEST_F(Startup, CommandLineLongTextsAreCutNeverOverrun) {
    readCMD("-b00000000001200999"); // an option argument holds 14 characters; the rest is dropped
    EXPECT_EQ(BR_value, 1200u);
    resetState();
    readCMD(std::string(20000, 'f').c_str());
    EXPECT_EQ(Data_file.size(), kDataFileMax);
    resetState();
    readCMD(("\"" + std::string(9000, 'q')).c_str());
    EXPECT_EQ(Data_file.size(), kDataFileMax);
    resetState();
    readCMD(("-p/nonexistent/" + std::string(10000, 'p')).c_str());
    EXPECT_EQ(CommPort.size(), kCommPortMax);
    EXPECT_EQ(hCom, nullptr);
    EXPECT_EQ(ui_.shown.size(), 1u); // the warning about the port
}

TEST_F(Startup, CommandLineTokenizerHandsEachOptionOverInOrderWithoutApplyingIt) {
    static std::vector<std::string> seen;
    seen.clear();
    readCMD("-b19200 -pCOM4 \"a b\" -t -k1",
            [](char cmd, const std::string& arg) { seen.push_back(std::string(1, cmd) + "=" + arg); });
    EXPECT_EQ(seen, (std::vector<std::string>{"b=19200", "p=COM4", "t=", "k=1"}));
    EXPECT_EQ(Data_file, "a b");
    EXPECT_EQ(BR_value, 256000u); // nothing applied, no port opened
    EXPECT_EQ(hCom, nullptr);
    EXPECT_EQ(CommPort, "COMx");
    EXPECT_TRUE(ui_.shown.empty());
}

TEST_F(Startup, CommandLinePortOpensAtOnceWithTheSettingsInForceAndReadsFourCharactersOfFirmware) {
    PtyPeer peer;
    peer.serve([](const std::string& r) {
        return std::vector<PtyPeer::Chunk>{{r == "ATVR" ? "7016EXTRA\r" : "ERR\r", 0}};
    });
    readCMD(("-b19200 -p" + peer.path() + " -b9600").c_str());
    ASSERT_NE(hCom, nullptr);
    EXPECT_EQ(Flag.COM_ext, 1);
    EXPECT_EQ(CommPort, peer.path());
    EXPECT_EQ(hCom->actualBaud(), 19200u); // set up before the later -b
    EXPECT_EQ(BR_value, 9600u);            // what messages show afterwards
    EXPECT_EQ(FW_release, "7016");
    EXPECT_EQ(Flag.RX42, 1);
    EXPECT_EQ(Flag.RX43, 0);
    EXPECT_EQ(peer.requests(), std::vector<std::string>{"ATVR"});
}

TEST_F(Startup, FileOrPortOnTheCommandLineChooseTheScreenAndTheWorkingFileGoesAtTheEnd) {
    EXPECT_EQ(runStartup("\"some file.txt\"", screens_), 0);
    EXPECT_EQ(screens_.calls, std::vector<std::string>{"quick"});
    EXPECT_EQ(Data_file, "some file.txt");
    EXPECT_FALSE(std::filesystem::exists(screens_.workingFile));

    PtyPeer device, modem, boot;
    device.serve(fakeDevice("B018"));
    modem.serve(fakeModem());
    boot.serve(fakeBootLoader(0x10, 2));
    const struct {
        std::string line, screen;
    } cases[] = {{"-t500 -p" + device.path(), "main"},
                 {"-m -p" + modem.path(), "remote"},
                 {"-t100 -p" + boot.path(), "loader"}};
    for (const auto& c : cases) {
        resetState();
        screens_.calls.clear();
        EXPECT_EQ(runStartup(c.line.c_str(), screens_), 1) << c.screen;
        EXPECT_EQ(screens_.calls, std::vector<std::string>{c.screen});
        EXPECT_EQ(hCom, nullptr) << "closed at the end";
        if (c.screen == "main") {
            EXPECT_FALSE(std::filesystem::exists(screens_.workingFile));
            EXPECT_TRUE(ui_.shown.empty());
        }
    }
    EXPECT_EQ(Flag.bootvers, "Boot v.1.0");
    ASSERT_FALSE(modem.requests().empty());
    EXPECT_EQ(modem.requests().back(), "ATZ") << "the modem is reset when the remote dialog ends";
}

TEST_F(Startup, PortWithoutADeviceEndsWithComErrorAndAPortThatCannotBeOpenedWithTheScan) {
    PtyPeer peer; // never answers
    EXPECT_EQ(runStartup(("-t100 -p" + peer.path() + " -b9600").c_str(), screens_), 0);
    EXPECT_TRUE(screens_.calls.empty());
    EXPECT_EQ(hCom, nullptr);
    ASSERT_EQ(ui_.shown.size(), 1u);
    EXPECT_EQ(ui_.shown[0].title + ": " + ui_.shown[0].text,
              "COM Error: Apparecchio non trovato !\r\n\r\n(BaudRate= 9600)");
    EXPECT_EQ(ui_.shown[0].icon, MsgIcon::Error);

    EXPECT_EQ(runStartup("-p/dev/korvane-no-such-port -b9600", screens_), 0);
    EXPECT_EQ(screens_.calls, std::vector<std::string>{"select"});
    ASSERT_EQ(ui_.shown.size(), 2u);
    EXPECT_EQ(ui_.shown[1].text, "Non e' possibile aprire la porta /dev/korvane-no-such-port !\r\nVerra' "
                                 "eseguita una scansione automatica\r\n\r\nLa porta "
                                 "/dev/korvane-no-such-port non esiste (adattatore scollegato?): "
                                 "ricollegarlo e riprovare.");
    EXPECT_EQ(ui_.shown[1].title, "Warning");
    EXPECT_EQ(ui_.shown[1].icon, MsgIcon::Warning);
}

TEST_F(Startup, ScanKeepsTheFirstPortWhereADeviceAnswersOrListsNothing) {
    Timeout_rx = 7;
    EXPECT_EQ(scanComPorts(), 0);
    EXPECT_EQ(Nport, 0);
    EXPECT_EQ(Timeout_rx, 2000);

    PtyPeer silent, device, later;
    device.serve(fakeDevice("5016"));
    later.serve(fakeDevice("B018"));
    env_.set("KORVANE_PORTS",
             "/dev/korvane-missing:" + silent.path() + ":" + device.path() + ":" + later.path());
    TMO_value = 750;
    EXPECT_EQ(scanComPorts(), 1);
    EXPECT_EQ(Porte, (std::vector<std::string>{silent.path(), device.path()}));
    EXPECT_EQ(Nport, 2);
    ASSERT_NE(hCom, nullptr);
    EXPECT_EQ(hCom->path() + CommPort, device.path() + device.path());
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

} // namespace
