// Entry of the dialog tests: one QApplication on the offscreen platform for the whole run.
#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

#include "plot/plot_window.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    plot::installPlotWindowDevices(); // as the desktop program does
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
