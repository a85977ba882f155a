#include <QApplication>
#include <gtest/gtest.h>

TEST(GuiSmoke, OffscreenApplicationRuns) {
    EXPECT_NE(qApp, nullptr);
}
