// The command-line tokenizer and the options it applies.
#include <gtest/gtest.h>

#include "link/korvane_com.h"
#include "support/pty_peer.h"
#include "support/state_guard.h"

namespace {

class CommandLine : public KorvaneTest {};

TEST_F(CommandLine, TokensAndOptions) {
    struct Case {
        const char* line;
        uint32_t baud;
        std::string dataFile;
        int modem, fastRead, comma, fileFormat;
        uint8_t comflow;
        uint32_t tmo;
    } cases[] = {
        {"", 256000, "", 0, 1, 0, 0, 0, 0},
        {"-b19200", 19200, "", 0, 1, 0, 0, 0, 0},
        {"-b19201", 256000, "", 0, 1, 0, 0, 0, 0},     // not in the list: ignored
        {"-b 9600", 256000, "9600", 0, 1, 0, 0, 0, 0}, // blank after the letter: empty argument
        {"- b9600", 9600, "", 0, 1, 0, 0, 0, 0},       // blanks between '-' and the letter
        {"-m", 19200, "", 1, 1, 0, 0, 0, 0},
        {"-m -b4800", 4800, "", 1, 1, 0, 0, 0, 0},
        {"-l -k1 -o3 -t500", 256000, "", 0, 0, 1, 1, 1, 500},
        {"-o2 -k257", 256000, "", 0, 1, 0, 1, 1, 0},  // low 8 bits of -k
        {"-ox -tabc", 256000, "", 0, 1, 0, 0, 0, 0},  // no digits read 0
        {"-t-5", 256000, "", 0, 1, 0, 0, 0, 0},       // a negative time-out reads as the default
        {"-B19200 -z", 256000, "", 0, 1, 0, 0, 0, 0}, // letters are case-sensitive; others ignored
        {"data.txt", 256000, "data.txt", 0, 1, 0, 0, 0, 0},
        {"  one two ", 256000, "two", 0, 1, 0, 0, 0, 0}, // the last name wins
        {"\"my data.txt\"", 256000, "my data.txt", 0, 1, 0, 0, 0, 0},
        {"\"a b\" c d", 256000, "c d", 0, 1, 0, 0, 0, 0}, // the quote flag stays: runs to the end
        {"\"a b\" \"c d\"", 256000, "c d", 0, 1, 0, 0, 0, 0},
        {"x\"y -b9600", 9600, "x\"y", 0, 1, 0, 0, 0, 0}, // a mark inside an unquoted name is kept
        {"-", 256000, "", 0, 1, 0, 0, 0, 0},
        {"-b115200 file -l", 115200, "file", 0, 0, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        resetState();
        readCMD(c.line);
        EXPECT_EQ(BR_value, c.baud) << c.line;
        EXPECT_EQ(Data_file, c.dataFile) << c.line;
        EXPECT_EQ(Flag.modem, c.modem) << c.line;
        EXPECT_EQ(Flag.fast_read, c.fastRead) << c.line;
        EXPECT_EQ(Flag.comma, c.comma) << c.line;
        EXPECT_EQ(Flag.file_format, c.fileFormat) << c.line;
        EXPECT_EQ(Flag.comflow, c.comflow) << c.line;
        EXPECT_EQ(TMO_value, c.tmo) << c.line;
        EXPECT_EQ(Flag.COM_ext, 0) << c.line;
    }
    EXPECT_TRUE(ui_.shown.empty());
}

TEST_F(CommandLine, LongTextsAreCutNeverOverrun) {
    // An option argument holds 14 characters: "-b" followed by 14 digits of 1200 padded.
    readCMD("-b00000000001200999");
    EXPECT_EQ(BR_value, 1200u); // "00000000001200" is the argument; the rest is dropped
    resetState();
    std::string huge(20000, 'f');
    readCMD(huge.c_str());
    EXPECT_EQ(Data_file.size(), kDataFileMax);
    resetState();
    std::string quoted = "\"" + std::string(9000, 'q');
    readCMD(quoted.c_str());
    EXPECT_EQ(Data_file.size(), kDataFileMax);
    resetState();
    std::string port = "-p/nonexistent/" + std::string(10000, 'p');
    readCMD(port.c_str());
    EXPECT_EQ(CommPort.size(), kCommPortMax);
    EXPECT_EQ(hCom, nullptr);
    ASSERT_EQ(ui_.shown.size(), 1u);
    ui_.shown.clear();
}

TEST_F(CommandLine, PortThatCannotBeOpenedWarnsAndLeavesTheScan) {
    readCMD("-p/dev/korvane-no-such-port -b9600");
    EXPECT_EQ(hCom, nullptr);
    EXPECT_EQ(Flag.COM_ext, 0);
    EXPECT_EQ(BR_value, 9600u);
    ASSERT_EQ(ui_.shown.size(), 1u);
    EXPECT_EQ(ui_.shown[0].text, "Non e' possibile aprire la porta /dev/korvane-no-such-port !\r\nVerra' "
                                 "eseguita una scansione automatica");
    EXPECT_EQ(ui_.shown[0].title, "Warning");
    EXPECT_EQ(ui_.shown[0].icon, MsgIcon::Warning);
    EXPECT_EQ(ui_.shown[0].owner, nullptr);
}

TEST_F(CommandLine, PortOpensAtOnceWithTheSettingsInForce) {
    PtyPeer peer;
    peer.serve([](const std::string& r) {
        return std::vector<PtyPeer::Chunk>{{r == "ATVR" ? "7016\r" : "ERR\r", 0}};
    });
    std::string line = "-b19200 -p" + peer.path() + " -b9600";
    readCMD(line.c_str());
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

TEST_F(CommandLine, FirmwareReplyIsCutToFourCharacters) {
    PtyPeer peer;
    peer.serve([](const std::string&) { return std::vector<PtyPeer::Chunk>{{"B018EXTRA\r", 0}}; });
    readCMD(("-p" + peer.path()).c_str());
    EXPECT_EQ(FW_release, "B018");
    EXPECT_EQ(Flag.RX43, 1);
}

} // namespace
