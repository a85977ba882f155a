#include "boards/board_utils.h"

#include <cstdio>

#include "link/korvane_com.h"

namespace {
bool address(const char* fmt, unsigned addr) {
    char cmd[32];
    std::snprintf(cmd, sizeof cmd, fmt, addr);
    return sendCOMMAND(hCom, cmd, kModeCR) == 1 && rxOk();
}

} // namespace

int readEeByte() {
    if (sendCOMMAND(hCom, "ATEE\r", kModeCR) != 1 || iRx != 2 ||
        hexDigitValue(static_cast<char>(Rx_buf[0])) < 0 || hexDigitValue(static_cast<char>(Rx_buf[1])) < 0)
        return -1;
    return str16_to_num(reinterpret_cast<const char*>(Rx_buf), 2) & 0xFF;
}

int get_MW51_par(int nbyte, uint16_t ofs, uint8_t* par) {
    if (!address("ATRD%04X\r", ofs)) return 0;
    for (int i = 0; i < nbyte; ++i) {
        int b = readEeByte();
        if (b < 0) return 0;
        par[i] = static_cast<uint8_t>(b);
    }
    return 1;
}

int read_EE_par(uint8_t nbyte, uint8_t startadd, uint32_t* pval) {
    if (!address("ATRD00%02X\r", startadd)) return 0;
    *pval = 0;
    for (unsigned i = 0; i < nbyte; ++i) {
        int b = readEeByte();
        if (b < 0) return 0;
        *pval += static_cast<uint32_t>(b) << (8 * (i % 4));
    }
    return 1;
}

int write_EE_par(uint8_t nbyte, uint8_t startadd, uint32_t val) {
    if (!address("ATRD00%02X\r", startadd)) return 0;
    for (unsigned i = 0; i < nbyte; ++i) {
        char cmd[16];
        std::snprintf(cmd, sizeof cmd, "ATEE%02X\r", static_cast<unsigned>((val >> (8 * (i % 4))) & 0xFF));
        if (sendCOMMAND(hCom, cmd, kModeCR) != 1) return 0;
    }
    return 1;
}
