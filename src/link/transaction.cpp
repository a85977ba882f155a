// Command transactions: write a request, then collect the reply byte by byte until it is
// complete or the line has been silent for the time-out.
#include <cstdio>
#include <cstring>

#include "link/korvane_com.h"
#include "link/modem.h"
#include "platform/clock.h"

uint8_t Rx_buf[kRxBufSize];
int iRx = 0;
int Timeout_rx = 100;
int Com_lost = 0;

namespace {

// Waits for the next byte of a reply. 1 = a byte is in `b`; 0 = the line stayed silent until
// `deadlineFrom` + `tmo` (or, when `stopWhenIdle`, nothing was waiting at all); -1 = port gone.
int nextByte(ComHandle h, uint8_t& b, uint32_t t0, uint32_t tmo, bool stopWhenIdle) {
    for (;;) {
        int r = h->readByte(b);
        if (r != 0) return r;
        if (stopWhenIdle) return 0;
        uint32_t spent = nowMs() - t0;
        if (spent >= tmo) return 0;
        r = h->waitReadable(tmo - spent);
        if (r < 0) return -1;
    }
}

int transact(ComHandle h, const char* comando, uint8_t ctrl);

} // namespace

int receiveByte(ComHandle h, uint8_t& b, uint32_t waitMs) {
    if (!h) return -1;
    const int r = nextByte(h, b, nowMs(), waitMs, false);
    if (r < 0) Com_lost = 1;
    return r;
}

int sendCOMMAND(ComHandle h, const char* comando, uint8_t ctrl) {
    if (modemLineRefused()) { // the call dropped: the modem would take the request as its own
        Com_lost = 1;
        iRx = 0;
        Rx_buf[0] = 0;
        return 0;
    }
    const int r = transact(h, comando, ctrl);
    modemWatchReply(h, r == 1 && (ctrl == kModeRaw48 || ctrl == kModeRaw64));
    return modemLineRefused() ? 0 : r; // the modem's NO CARRIER is no reply
}

namespace {

int transact(ComHandle h, const char* comando, uint8_t ctrl) {
    size_t n;
    uint8_t mode = ctrl;
    if (ctrl == kModeBlock34 || ctrl == kModeBlock34NoReply) {
        n = 34;
    } else if (ctrl == kModeBlock48) {
        n = 48;
    } else {
        n = comando ? strnlen(comando, kRxBufSize + 1) : 0;
        if (n > kRxBufSize) return 0;
    }
    if (ctrl == kModeBlock34 || ctrl == kModeBlock48) mode = kModeCR;
    if (ctrl == kModeBlock34NoReply) mode = kModeNoReply;
    if (!h) return 0;

    if (n > 0) {
        clearRxBuf(h);
        if (h->write(comando, n) < n) {
            if (h->lost()) Com_lost = 1;
            return 0;
        }
    }
    iRx = 0;
    if (mode == kModeNoReply) {
        Rx_buf[0] = 0;
        return 1;
    }

    const uint32_t tmo = Timeout_rx > 0 ? static_cast<uint32_t>(Timeout_rx) : 0;
    uint32_t t0 = nowMs();
    bool active = n > 0;
    for (;;) {
        if (nowMs() - t0 >= tmo) break;
        uint8_t b = 0;
        int r = nextByte(h, b, t0, tmo, !active);
        if (r < 0) {
            Com_lost = 1; // a hang-up ends the wait like a time-out
            break;
        }
        if (r == 0) break;
        t0 = nowMs(); // the silence time-out restarts with every byte
        active = true;
        Rx_buf[iRx++] = b;
        if (iRx >= kRxOverflow) return 0;
        if ((mode == kModeRaw48 && iRx == 48) || (mode == kModeRaw64 && iRx == 64)) {
            Rx_buf[iRx] = 0;
            return 1;
        }
        if (mode != kModeSilence && mode != kModeRaw48 && mode != kModeRaw64 && b == mode) {
            Rx_buf[--iRx] = 0;
            return 1;
        }
    }
    if (mode == kModeSilence) {
        Rx_buf[iRx] = 0;
        return 1;
    }
    return 0;
}

} // namespace

int sendCOMMAND2(ComHandle h, const uint8_t* data, int8_t ndbyte, int8_t nrxbyte, int timeout) {
    if (!h) return 0;
    if (modemLineRefused()) {
        Com_lost = 1;
        return 0;
    }
    size_t n = ndbyte > 0 ? static_cast<size_t>(ndbyte) : 0;
    if (n > 0 && h->write(data, n) < n) {
        if (h->lost()) Com_lost = 1;
        return 0;
    }
    iRx = 0;
    const uint32_t tmo = timeout > 0 ? static_cast<uint32_t>(timeout) : 0;
    uint32_t t0 = nowMs();
    while (nowMs() - t0 < tmo) {
        uint8_t b = 0;
        int r = nextByte(h, b, t0, tmo, false);
        if (r < 0) {
            Com_lost = 1;
            break;
        }
        if (r == 0) break;
        t0 = nowMs();
        Rx_buf[iRx++] = b;
        if (iRx >= kRxOverflow) return 0;
        if (iRx == nrxbyte) return 1;
    }
    return timeout == 0 ? 1 : 0;
}

std::string rxText() {
    size_t len = 0;
    size_t cap = iRx > 0 ? static_cast<size_t>(iRx) : 0;
    while (len < cap && len < kRxBufSize && Rx_buf[len] != 0) ++len;
    return std::string(reinterpret_cast<const char*>(Rx_buf), len);
}

std::string hex4(unsigned v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04X", v & 0xFFFFu);
    return buf;
}
