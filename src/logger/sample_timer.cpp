#include "logger/sample_timer.h"

#include <cstdio>

#include "link/korvane_com.h"
#include "logger/session.h"

unsigned saTmrClamp(std::string_view text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return 0;
    text = text.substr(first, text.find_last_not_of(' ') - first + 1);
    bool negative = false;
    if (text.front() == '-' || text.front() == '+') {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return 0;
    unsigned long long v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return 0;
        if (v <= kSaTmrMax) v = v * 10 + static_cast<unsigned>(c - '0'); // beyond the range it stays beyond
    }
    if (negative) return 0;
    return v > kSaTmrMax ? kSaTmrMax : static_cast<unsigned>(v);
}

std::string saTmrCommand(unsigned value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "ATST%04X\r", value > kSaTmrMax ? kSaTmrMax : value);
    return buf;
}

const char kSaTmrAssignInfo[] =
    "1) Attivare i nodi con i dispositivi TG0x che si desidera modificare \r\n2) Dopo che tutti i nodi "
    "sono stati riconosciuti invocare la procedura di test\r\n3) Disattivare tutti i nodi e ritornare allo "
    "stato ASSIGN";
const char kSaTmrReadyInfo[] =
    "Eseguire la routine di test (pulsante P) e attendere il ritorno allo stato ASSIGN";

const char* saTmrInfoText(uint8_t statusReg) {
    return (statusReg & 0x10) ? kSaTmrReadyInfo : kSaTmrAssignInfo;
}

int saTmrApply(Window owner, unsigned value) {
    if (value == 0) {
        sendCOMMAND(hCom, "ATST0000\r", kModeCR);
        return 0;
    }
    sendCOMMAND(hCom, saTmrCommand(value), kModeCR);
    messageBox(owner, saTmrInfoText(StatusReg), "Info", MsgButtons::Ok, MsgIcon::Info);
    return 1;
}
