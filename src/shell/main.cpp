// korvane: the desktop program.
#include <QApplication>
#include <string>

#include "platform/ui_qt_dialog.h"
#include "plot/plot_window.h"
#include "shell/gui_screens_dialog.h"
#include "shell/screen_rules.h"
#include "shell/startup.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv); // takes its own options out of argv
    QtUi qtUi;
    installUi(&qtUi);
    plot::installPlotWindowDevices(); // the graphs' screen window and PNG files

    GuiScreens screens;
    const std::string cmdLine = joinCommandLine(argc, argv);
    int result = runStartup(cmdLine.c_str(), screens);

    installUi(nullptr);
    return result;
}
