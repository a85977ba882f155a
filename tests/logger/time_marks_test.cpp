// Calendar arithmetic and the time texts.
#include <gtest/gtest.h>

#include "link/clock_state.h"
#include "logger/time_marks.h"

namespace {

TEST(TimeMarks, TimeAdjAddsMarkersAcrossDaysMonthsAndYears) {
    struct Case {
        tempo start;
        uint32_t marker;
        tempo expected;
    } cases[] = {
        {{13, 12, 31, 23, 59, 50}, 150, {14, 1, 1, 0, 0, 5}},
        {{16, 2, 28, 12, 0, 0}, 864000, {16, 2, 29, 12, 0, 0}},
        {{15, 2, 28, 12, 0, 0}, 864000, {15, 3, 1, 12, 0, 0}},
        {{15, 7, 4, 8, 9, 10}, 0, {15, 7, 4, 8, 9, 10}},
        {{15, 7, 4, 8, 9, 10}, 9, {15, 7, 4, 8, 9, 10}},              // tenths are dropped
        {{15, 1, 31, 0, 0, 0}, 864000 * 60, {15, 4, 1, 0, 0, 0}},     // across two months
        {{15, 12, 31, 23, 59, 59}, 10, {16, 1, 1, 0, 0, 0}},
        {{15, 13, 40, 0, 0, 0}, 864000, {15, 13, 41, 0, 0, 0}},       // a bad month never loops
    };
    for (const auto& c : cases) {
        tempo t = timeAdj(c.start, c.marker);
        EXPECT_EQ(t.anno, c.expected.anno);
        EXPECT_EQ(t.mese, c.expected.mese);
        EXPECT_EQ(t.giorno, c.expected.giorno);
        EXPECT_EQ(t.ora, c.expected.ora);
        EXPECT_EQ(t.minuto, c.expected.minuto);
        EXPECT_EQ(t.secondo, c.expected.secondo) << c.marker;
    }
}

TEST(TimeMarks, DaysOfMonth) {
    EXPECT_EQ(giorniMese(16, 2), 29u);
    EXPECT_EQ(giorniMese(0, 2), 29u);
    EXPECT_EQ(giorniMese(15, 2), 28u);
    EXPECT_EQ(giorniMese(15, 4), 30u);
    EXPECT_EQ(giorniMese(15, 12), 31u);
    EXPECT_EQ(giorniMese(15, 0), 0u);
    EXPECT_EQ(giorniMese(15, 13), 0u);
}

TEST(TimeMarks, SessionDurationRoundsToTheSecond) {
    EXPECT_EQ(sessionDuration(100, 864095), "000001_000000");
    EXPECT_EQ(sessionDuration(0, 4), "000000_000000");
    EXPECT_EQ(sessionDuration(0, 5), "000000_000001");
    EXPECT_EQ(sessionDuration(0, 0), "000000_000000");
    EXPECT_EQ(sessionDuration(0, 4294967290u), "004971_003849");
}

TEST(TimeMarks, TimeSignatures) {
    std::string out;
    getTimeSig(out, "140312_101500", 0, 0);
    EXPECT_EQ(out, "12/03/14 10:15:00");
    getTimeSig(out, "20140312_101500", 0, 0);
    EXPECT_EQ(out, "12/03/14 10:15:00");
    getTimeSig(out, "140312_101500", 0, 1);
    EXPECT_EQ(out, "03/12/14 10:15:00");
    getTimeSig(out, "140312101500", 0, 3);
    EXPECT_EQ(out, "140312_101500");
    getTimeSig(out, "140312_101500", 0, 7);
    EXPECT_EQ(out, "140312101500");
    getTimeSig(out, nullptr, 0, 0);
    EXPECT_EQ(out, "");
    getTimeSig(out, "1403", 0, 0); // short text: no read past its end
    EXPECT_EQ(out.size(), 17u);
    setenv("TZ", "UTC", 1);
    tzset();
    getTimeSig(out, "ignored", 1394619300, 3); // 2014-03-12 10:15:00 UTC
    EXPECT_EQ(out, "140312_101500");
    getTimeSig2(out, 90061);
    EXPECT_EQ(out, "1 01:01:01");
}

TEST(TimeMarks, PcClockText) {
    setenv("TZ", "UTC", 1);
    tzset();
    setPcClock([] { return static_cast<time_t>(1394010423); }); // 5 March 2014 09:07:03
    std::string s;
    getDataTimePC(s);
    EXPECT_EQ(s, "140305_090703");
    setPcClock({});
}

} // namespace
