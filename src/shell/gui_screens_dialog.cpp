#include "shell/gui_screens_dialog.h"

#include "firmware/loader_dialog.h"
#include "shell/main_dialog.h"
#include "shell/quick_dialog.h"
#include "shell/remote_dialog.h"
#include "shell/screen_rules.h"
#include "shell/sel_com_dialog.h"

int GuiScreens::selectPort() {
    SelComDialog dlg;
    return dlg.run();
}

int GuiScreens::mainDialog() {
    DialogMain dlg;
    return dlg.run();
}

int GuiScreens::quickView() {
    DialogQuick dlg;
    return dlg.run();
}
int GuiScreens::remote() {
    DlgRemote dlg;
    return dlg.run();
}
int GuiScreens::loader() {
    return runLoaderDialog(nullptr);
}
