#include "boards/board_keys.h"

#include <cstdio>
#include <cstdlib>

#include "boards/board_utils.h"
#include "boards/energy_board.h"
#include "boards/input_boxes.h"
#include "link/korvane_com.h"

namespace {

int commError(Window owner) {
    messageBox(owner, boardCommText(), "Data Error", MsgButtons::Ok, MsgIcon::Error);
    return 0;
}

// Prepares the range box and runs it: 1 = confirmed (EditBuf holds the text).
int rangeBox(Window owner, float min, float max, int ndec, int maxEdit, const char* title,
             const std::string& initial) {
    InputMin = min;
    InputMax = max;
    Ndec = ndec;
    MaxEdit = maxEdit;
    TitoloBuf = title;
    EditBuf = initial;
    return DlgInputNum2_(owner);
}

bool sendCounter(uint32_t v) {
    char cmd[24];
    std::snprintf(cmd, sizeof cmd, "ATSE%08X\r", static_cast<unsigned>(v));
    return sendCOMMAND(hCom, cmd, kModeCR) == 1 && rxOk();
}

bool eightHexDigits() {
    if (iRx != 8) return false;
    for (int i = 0; i < 8; ++i)
        if (hexDigitValue(static_cast<char>(Rx_buf[i])) < 0) return false;
    return true;
}

} // namespace

int boardCountersKey(Window owner) {
    if (sendCOMMAND(hCom, "ATSE\r", kModeCR) != 1 || !eightHexDigits()) return commError(owner);
    const uint32_t counter = static_cast<uint32_t>(
        std::strtoul(std::string(reinterpret_cast<const char*>(Rx_buf), 8).c_str(), nullptr, 16));
    char initial[32];
    std::snprintf(initial, sizeof initial, "%1.1f", counter / 10.0);
    if (rangeBox(owner, 0, 100000000, 1, 10, "Contatore energia (kWh)", initial) == 1) {
        const uint32_t v = static_cast<uint32_t>(std::strtod(EditBuf.c_str(), nullptr) * 10);
        if (!sendCounter(v)) return commError(owner);
    }
    if (Flag.MW51 == 1 && Datalogger.fw >= 0x20 &&
        rangeBox(owner, 0, 9999, 0, 4, "Contatore giorni produzione", "") == 1) {
        const uint32_t d = static_cast<uint32_t>(std::strtod(EditBuf.c_str(), nullptr));
        if (!sendCounter(~d)) return commError(owner);
    }
    return 1;
}

int optionRegisterKey(Window owner) {
    uint32_t value = 0;
    if (read_EE_par(2, 0x15, &value) != 1) return commError(owner);
    if (rangeBox(owner, 0, 65535, 0, 5, "Registro Option", std::to_string(value)) != 1) return 1;
    const uint32_t v = static_cast<uint32_t>(std::strtod(EditBuf.c_str(), nullptr));
    if (write_EE_par(2, 0x15, v) != 1) return commError(owner);
    messageBox(owner, "Scrittura eseguita !\r\nNota: il parametro \xE8 scritto in modo volatile", "Info",
               MsgButtons::Ok, MsgIcon::Info);
    return 1;
}
