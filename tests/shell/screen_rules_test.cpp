// Texts and rules of the desktop program's entry and top-level screens, without widgets.
#include <gtest/gtest.h>

#include "shell/screen_rules.h"
#include "support/state_guard.h"

namespace {

using ScreenRulesTest = KorvaneTest;

TEST_F(ScreenRulesTest, SampleFieldAcceptsWholeSecondsFromOneTo65535) {
    const struct {
        const char* text;
        unsigned value;
        bool valid;
    } cases[] = {
        {"900", 900, true},       {"1", 1, true},          {"65535", 65535, true},  {" 60 ", 60, true},
        {"0", 0, false},          {"65536", 65536, false}, {"70000", 70000, false}, {"", 0, false},
        {"abc", 0, false},        {"12a", 0, false},       {"-5", 0, false},        {"1.5", 0, false},
        {"4294967296", 0, false}, // beyond an unsigned number
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(sampleFieldValue(c.text), c.value);
        Tsample = 1234;
        Flag.sample_error = c.valid ? 1 : 0; // the opposite of what the change must leave
        Flag.skip_refresh = 1;
        EXPECT_EQ(sampleTimeChanged(c.text), c.valid);
        EXPECT_EQ(Tsample, c.valid ? c.value : 1234u);
        EXPECT_EQ(Flag.sample_error, c.valid ? 0 : 1);
        EXPECT_EQ(Flag.skip_refresh, 0); // the next "Start" downloads again
    }
}

TEST_F(ScreenRulesTest, FastReadingIsOffForOldFirmwareUnlessThroughAModem) {
    const struct {
        char hw;
        uint16_t fw;
        int modem;
        int fastRead;
    } cases[] = {
        {'0', 0x18, 0, 0}, {'0', 0x18, 1, 1}, {'0', 0x19, 0, 1}, {'0', 0x10, 0, 0}, {'7', 0x30, 0, 0},
        {'7', 0x10, 1, 1}, {'5', 0x16, 0, 0}, {'5', 0x17, 0, 1}, {'B', 0x10, 0, 1}, {'8', 0x10, 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(1, c.hw) + " " + std::to_string(c.fw) + " modem " + std::to_string(c.modem));
        Flag.fast_read = 1;
        Flag.modem = c.modem;
        Datalogger.hw = static_cast<uint8_t>(c.hw);
        Datalogger.fw = c.fw;
        applyFastReadRule();
        EXPECT_EQ(Flag.fast_read, c.fastRead);
    }
    Flag.fast_read = 0; // a slow-reading choice from the command line is never switched on
    Flag.modem = 0;
    Datalogger.hw = 'B';
    applyFastReadRule();
    EXPECT_EQ(Flag.fast_read, 0);
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
