// Texts and rules of the desktop program's entry and top-level screens, without widgets.
#include <gtest/gtest.h>

#include "shell/screen_rules.h"
#include "shell/summary.h"
#include "support/state_guard.h"

namespace {

using ScreenRulesTest = KorvaneTest;

TEST_F(ScreenRulesTest, SessionHeadNamesPortAndFirmwareOfEachDeviceKind) {
    const struct {
        int mw51, vke15;
        const char* firmwareLine;
    } cases[] = {
        {0, 0, "Versione firmware RX4X... B018\r\n"},
        {1, 0, "Versione firmware MW..... B018\r\n"},
        {0, 1, "Versione firmware VKE15.. B018\r\n"},
    };
    CommPort = "/dev/ttyUSB0";
    FW_release = "B018";
    for (const auto& c : cases) {
        Flag.MW51 = c.mw51;
        Flag.VKE15 = c.vke15;
        StringTextBox box;
        box.text = "previous summary\r\n";
        printSessionHead(&box);
        EXPECT_EQ(box.text,
                  std::string("Porta di comunicazione... /dev/ttyUSB0\r\n") + c.firmwareLine + "\r\n");
        EXPECT_EQ(deviceIsBoard(), c.mw51 == 1 || c.vke15 == 1);
    }
}

TEST(ScreenRules, CommandLineQuotesArgumentsWithBlanks) {
    const struct {
        std::vector<const char*> argv;
        const char* expected;
    } cases[] = {
        {{"korvane"}, ""},
        {{"korvane", "-b19200", "-p/dev/ttyUSB0"}, "-b19200 -p/dev/ttyUSB0"},
        {{"korvane", "-b", "9600"}, "-b 9600"},
        {{"korvane", "-t500", "/home/me/dati sessione.txt", "x"}, "-t500 \"/home/me/dati sessione.txt\" x"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(joinCommandLine(static_cast<int>(c.argv.size()), c.argv.data()), c.expected);
}

TEST(ScreenRules, AlarmLampFollowsItsBitOrShowsTheFaceColourAfterAReadError) {
    const AlarmRow& inverter = kAlarmRows[0];
    const AlarmRow& intrusion = kAlarmRows[2];
    EXPECT_EQ(alarmLampColour(inverter, 0x10, 0), kLampRed);
    EXPECT_EQ(alarmLampColour(inverter, 0xEF, 0), kLampGreen);
    EXPECT_EQ(alarmLampColour(intrusion, 0x01, 0), kLampRed);
    EXPECT_EQ(alarmLampColour(intrusion, 0x02, 0), kLampGreen); // its "R" bit does not light it
    EXPECT_EQ(alarmLampColour(intrusion, 0x01, 1), kFaceColour);
}

} // namespace
