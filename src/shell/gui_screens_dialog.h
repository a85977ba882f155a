#pragma once
// The top-level screens of the desktop program, as the start-up sequence runs them.
#include "shell/startup.h"

class GuiScreens : public StartupScreens {
  public:
    int selectPort() override;
    int mainDialog() override;
    int quickView() override; // quick-view dialog (offline mode); ends with 1
    int remote() override;    // remote-connection dialog (modem); ends with 1
    int loader() override;    // the firmware loader (dialog 1900)
};
