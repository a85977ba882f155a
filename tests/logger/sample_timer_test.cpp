// The sample-timer value: clamping and the command that sends it.
#include <gtest/gtest.h>

#include "logger/sample_timer.h"

namespace {

TEST(SampleTimer, FieldIsClampedToSixteenBits) {
    const struct {
        const char* text;
        unsigned value;
    } cases[] = {
        {"180", 180},     {" 900 ", 900},   {"65535", 65535},
        {"65536", 65535}, {"70000", 65535}, {"99999999999999999999", 65535},
        {"0", 0},         {"-5", 0},        {"+12", 12},
        {"", 0},          {"abc", 0},       {"12a", 0},
        {"-", 0},         {"0x10", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(saTmrClamp(c.text), c.value) << c.text;
    EXPECT_EQ(saTmrCommand(saTmrClamp("70000")), "ATSTFFFF\r");
    EXPECT_EQ(saTmrCommand(900), "ATST0384\r");
}

} // namespace
