// Port set-up, restore and the device probe.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "link/korvane_com.h"
#include "link/verified_reply.h"
#include "link/modem.h"
#include "platform/clock.h"
#include "platform/port_names.h"

PortSettings dcb_old;

PortOpenFailure Com_open_failure;
PortOpenFailure Com_named_failure;

ComHandle openComPort(const std::string& name) {
    const std::string path = portDevicePath(name);
    ComHandle h = SerialPort::open(path);
    Com_open_failure = h ? PortOpenFailure{} : describeOpenFailure(path, errno);
    return h;
}

std::string withPortReason(const std::string& text) {
    const std::string reason = portProblemText(Com_open_failure);
    return reason.empty() ? text : text + "\r\n\r\n" + reason;
}

void closeComPort(ComHandle& h) {
    delete h;
    h = nullptr;
}

int clearRxBuf(ComHandle h) {
    return h && h->purgeInput() ? 1 : 0;
}

int initCOM(ComHandle h) {
    if (!h) return 0;
    h->saveSettings(dcb_old);
    LineConfig cfg;
    cfg.baud = BR_value;
    cfg.holdDtrRts = Flag.comflow == 1;
    h->configure(cfg);
    return clearRxBuf(h);
}

int restoreCOM(ComHandle h) {
    if (!h) return 0;
    h->restoreSettings(dcb_old);
    return clearRxBuf(h);
}

int test_hCom(ComHandle h) {
    // While a call is up the probe goes through the modem to the device behind it.
    if (Flag.modem == 1 && Modem_line != ModemLine::Online) {
        init_modem(h);
        return sendCOMMAND(h, "ATV0\r", kModeCR) == 1 && iRx == 1 && Rx_buf[0] == '0' ? 1 : 0;
    }
    if (sendCOMMAND(h, "***", kModeCR) == 1) {
        sleepMs(200);
        if (sendCOMMAND(h, "ATCM08\r", kModeCR) != 1 || !rxOk()) return 0;
        if (sendCOMMAND(h, "ATCM00\r", kModeCR) != 1 || !rxOk()) return 0;
        if (sendConfirmed(h, "ATVR\r") != 1) return 0;
        applyVersionReply(std::string_view(reinterpret_cast<const char*>(Rx_buf), static_cast<size_t>(iRx)));
        return 1;
    }
    return applyBootReply(std::string_view(reinterpret_cast<const char*>(Rx_buf), static_cast<size_t>(iRx)))
               ? 1
               : 0;
}

void applyVersionReply(std::string_view reply) {
    const std::string r(reply); // the digit reader stops at its terminator
    Datalogger.fw = static_cast<uint16_t>(r.size() >= 3 ? str16_to_num(r.c_str() + 2, 2) : 0);
    Datalogger.hw = static_cast<uint8_t>(r.empty() ? 0 : r[0]);
    switch (Datalogger.hw) {
    case '5':
        Flag.MW51 = 1;
        break;
    case '8':
        Flag.VKE15 = 1;
        break;
    case '7':
        Flag.MW51 = 0;
        Flag.RX42 = 1;
        break;
    case 'B':
        Flag.MW51 = 0;
        Flag.RX42 = 1;
        Flag.RX43 = 1;
        break;
    default:
        Flag.MW51 = 0;
        break;
    }
    assignCapped(FW_release, std::string_view(r.c_str()), kFwReleaseMax);
}

bool applyBootReply(std::string_view reply) {
    if (reply.size() < 2 || (static_cast<uint8_t>(reply[1]) >> 4) != 0xB) return false;
    const auto version = static_cast<uint8_t>(reply[0]);
    Flag.RX43BOOT = 1;
    char v[32];
    std::snprintf(v, sizeof v, "Boot v.%u.%u", static_cast<unsigned>(version >> 4),
                  static_cast<unsigned>(version & 0x0F));
    Flag.bootvers = v;
    return true;
}

std::string deviceNotFoundText() {
    char buf[160];
    std::snprintf(buf, sizeof buf, "%s\r\n\r\n(BaudRate= %u)",
                  Flag.modem == 1 ? "Modem non trovato !" : "Apparecchio non trovato !", BR_value);
    return buf;
}

std::string lostPortText() {
    if (Modem_line == ModemLine::Lost) return carrierLostText();
    return "Comunicazione interrotta: la porta " + CommPort +
           " non risponde piu'.\r\n\r\n"
           "Verificare il collegamento seriale.";
}
