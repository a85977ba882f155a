#include "boards/board_keys_dialog.h"

#include <QWidget>

#include "boards/board_keys.h"
#include "boards/display_board.h"
#include "boards/display_cfg_dialog.h"
#include "boards/mw51_cfg_dialog.h"
#include "platform/ui_qt_dialog.h"
#include "shell/korvane.h"

bool boardKey(QWidget* panel, int key) {
    const bool board = Flag.MW51 == 1 || Flag.VKE15 == 1;
    switch (key) {
    case Qt::Key_Z:
        if (board) {
            detectSlaveBoard();
            DlgMW51cfg dlg(panel);
            dlg.run();
            return true;
        }
        if (Flag.RX42 == 1) {
            CodeD = 2;
            DlgMW51hcfg dlg(panel);
            dlg.run();
            return true;
        }
        return false;
    case Qt::Key_C:
        if (!board) return false;
        boardCountersKey(windowOf(panel));
        return true;
    case Qt::Key_O:
        if (Flag.MW51 != 1) return false;
        optionRegisterKey(windowOf(panel));
        return true;
    case Qt::Key_G: {
        if (Flag.verbose != 1) return false;
        DlgCampoGSM dlg(panel);
        dlg.run();
        return true;
    }
    default:
        return false;
    }
}
