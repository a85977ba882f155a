#include "shell/summary.h"

#include "link/korvane_com.h"
#include "shell/korvane.h"

void printSessionHead(TextBox* box) {
    if (!box) return;
    box->clear();
    printf_API(box, "Porta di comunicazione... ");
    printf_API(box, "%s\r\n", CommPort.c_str());
    printf_API(box, "%s",
               Flag.MW51 == 1    ? "Versione firmware MW..... "
               : Flag.VKE15 == 1 ? "Versione firmware VKE15.. "
                                 : "Versione firmware RX4X... ");
    printf_API(box, "%s\r\n\r\n", FW_release.c_str());
}
