// The dialog tests' watchdog: a modal window nobody closes fails its test with the window's title
// and text and is closed, so the run goes on instead of hanging.
#include <QMessageBox>
#include <filesystem>
#include <gtest/gtest.h>

#include "support/process.h"

namespace {

// Run only by the test below, in a child process: leaves a message box open.
TEST(WatchdogChild, DISABLED_LeavesAMessageBoxOpen) {
    QMessageBox box(QMessageBox::Warning, "Warning", "Download non completato !", QMessageBox::Ok);
    box.exec();
    SUCCEED() << "the box was closed";
}

TEST(Watchdog, ClosesAForgottenModalWindowAndFailsTheTestWithItsText) {
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const ProcessResult r =
        runProcess({self, "--gtest_also_run_disabled_tests", "--gtest_filter=WatchdogChild.*"},
                   {"KORVANE_GUI_WATCHDOG=1", "QT_QPA_PLATFORM=offscreen"});
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.out.find("a modal window was still open after 1 s and was closed: \"Warning\": "
                         "Download non completato !"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("[  FAILED  ] WatchdogChild.DISABLED_LeavesAMessageBoxOpen"), std::string::npos);
}

} // namespace
