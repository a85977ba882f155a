#include "boards/wait_boot.h"

#include <string>

#include "boards/display_board.h"
#include "link/korvane_com.h"
#include "platform/clock.h"

int wait_boot(Window hDlg, int scheda) {
    std::string text = "Attendere il ripristino della scheda ";
    text += scheda != 0 ? "I2C Slave" : Flag.VKE15 == 1 ? "VKE15" : "MW51a";
    Show_wait_msg(hDlg, text);
    const uint32_t t0 = nowMs();
    int result = 0;
    for (uint32_t elapsed = 0; elapsed < kBootWaitMs; elapsed = nowMs() - t0) {
        Setbar_wait_msg(elapsed, kBootWaitMs);
        if (Test_wait_msg() == 0) return 0; // closed by the user
        if (scheda == 0) {
            if (sendCOMMAND(hCom, "ATOS\r", kModeCR) == 1) {
                result = 1;
                break;
            }
        } else {
            int value = -1;
            if (txrx_MW51h(kOpVersion, CodeD, &value) == 0 && value == MW51h_fw) {
                result = 1;
                break;
            }
        }
        if (Com_lost) break; // the port is gone: nothing will answer
        sleepMs(kBootPollMs);
    }
    Close_wait_msg();
    return result;
}
