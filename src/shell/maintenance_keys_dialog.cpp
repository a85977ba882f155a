#include "shell/maintenance_keys_dialog.h"

#include "shell/korvane.h"
#include "shell/main_dialog.h"
#include "shell/maintenance.h"

namespace {

// The summary after the session was read again: rewritten, or emptied when the pages could not
// be read (the old summary no longer describes the device).
void showSessionAgain(DialogMain& dlg) {
    if (Flag.pages_error == 0) {
        printInfoSes(&dlg.summaryBox(), Flag.verbose);
        dlg.summaryBox().scrollToTop();
    } else {
        dlg.summaryBox().clear();
    }
}

} // namespace

bool maintenanceKey(DialogMain& dlg, int key) {
    const Window owner = windowOf(&dlg);
    switch (key) {
    case Qt::Key_I:
    case Qt::Key_U: {
        const bool enter = key == Qt::Key_I;
        const bool done = setIdleState(owner, enter) == 1;
        dlg.setStatus(1, done ? (enter ? kIdleEnteredStatus : kIdleLeftStatus) : "");
        return true;
    }
    case Qt::Key_F:
        if (Flag.verbose == 1 && eraseFlashMemory(owner, &dlg) == 1) showSessionAgain(dlg);
        return true;
    case Qt::Key_A:
        if (Flag.verbose == 1) netAddressAction(owner);
        return true;
    case Qt::Key_P:
        if (Flag.verbose == 1 && pagePointersAction(owner, &dlg) > 0) showSessionAgain(dlg);
        return true;
    default:
        return false;
    }
}
