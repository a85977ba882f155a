// Time markers, the session's time texts and the calendar helpers.
#include "logger/time_marks.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "link/clock_state.h"
#include "link/korvane_com.h"
#include "link/verified_reply.h"
#include "logger/session.h"
#include "logger/tab_ass.h"
#include "logger/verified_page.h"
#include "platform/bytes.h"

tempo Tini;
std::string DataTimeSS;
std::string DataTimeDL;
std::string DataTimePC;
std::string DurataSessione;
uint32_t FirstTimeMarker = 0;
uint32_t LastTimeMarker = 0;
uint32_t FirstTimeMarkerDload = 0;
uint32_t TimeMarker = 0;

namespace {
uint32_t bcd(uint8_t b) { return static_cast<uint32_t>((b >> 4) * 10 + (b & 0x0F)); }
} // namespace

void decodeSessionStart(std::span<const uint8_t> t) {
    if (t.size() < 14) return;
    Tini.anno = bcd(t[13]);
    Tini.mese = bcd(t[12]);
    Tini.giorno = bcd(t[11]);
    Tini.ora = bcd(t[10]);
    Tini.minuto = bcd(t[9]);
    Tini.secondo = bcd(t[8]);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02x%02x%02x_%02x%02x%02x", t[13], t[12], t[11], t[10], t[9], t[8]);
    DataTimeSS = buf;
}

std::string sessionDuration(uint32_t first, uint32_t last) {
    uint32_t seconds = (last - first + 5) / 10;
    uint32_t days = seconds / 86400, rest = seconds % 86400;
    char buf[40];
    std::snprintf(buf, sizeof buf, "%06u_%02u%02u%02u", days, rest / 3600, (rest % 3600) / 60, rest % 60);
    return buf;
}

int initTimeMark() {
    getDataTimePC(DataTimePC);
    clearRxBuf(hCom);
    if (sendConfirmed(hCom, "ATDT\r") != 1) return 0;
    DataTimeDL = rxText() + "_";
    if (sendConfirmed(hCom, "ATTM\r") != 1) return 0;
    DataTimeDL += rxText();
    if (DataTimeDL.size() > 13) DataTimeDL.resize(13);

    decodeSessionStart(TabAss);
    FirstTimeMarker = 0;
    LastTimeMarker = 0;
    if (PagLast != PagTab && Verify.on) { // both pages with every block confirmed
        std::vector<uint8_t> page(kPageSize, 0);
        if (getPageVerified(PagFirst, page.data(), 1) != 1) return 0;
        if (nodeIndex(page[0]) != 0) FirstTimeMarker = le32(page.data() + 1);
        if (getPageVerified(PagLast, page.data()) != 1) return 0;
        walkRecords(page, [](const RecordRef& r) { LastTimeMarker = r.marker; });
    } else if (PagLast != PagTab) {
        clearRxBuf(hCom);
        if (sendCOMMAND(hCom, "ATRD" + PageFirst + "\r", kModeCR) != 1 || !rxOk()) return 0;
        // Without the first block the start marker stays 0; the step goes on.
        if (sendCOMMAND(hCom, "ATRD\r", kModeRaw48) == 1 && nodeIndex(Rx_buf[0]) != 0)
            FirstTimeMarker = le32(Rx_buf + 1);
        if (setPageAdd(PagLast) != 1) return 0;
        std::vector<uint8_t> page(kPageSize, 0);
        getPageFlash(page.data());
        walkRecords(page, [](const RecordRef& r) { LastTimeMarker = r.marker; });
    }
    DurataSessione = sessionDuration(FirstTimeMarker, LastTimeMarker);
    return 1;
}

unsigned giorniMese(uint32_t anno, uint32_t mese) {
    switch (mese) {
    case 1: case 3: case 5: case 7: case 8: case 10: case 12:
        return 31;
    case 4: case 6: case 9: case 11:
        return 30;
    case 2:
        return anno % 4 == 0 ? 29 : 28;
    default:
        return 0;
    }
}

tempo timeAdj(tempo tref, uint32_t timemarker) {
    uint32_t d = timemarker / 864000, rest = timemarker % 864000;
    uint32_t h = rest / 36000;
    rest %= 36000;
    uint32_t m = rest / 600;
    rest %= 600;
    uint32_t s = rest / 10;

    tempo t = tref;
    uint32_t carry = 0;
    t.secondo = tref.secondo + s;
    if (t.secondo > 59) t.secondo -= 60, carry = 1;
    t.minuto = carry + tref.minuto + m;
    carry = 0;
    if (t.minuto > 59) t.minuto -= 60, carry = 1;
    t.ora = carry + tref.ora + h;
    carry = 0;
    if (t.ora > 23) t.ora -= 24, carry = 1;
    t.giorno = carry + tref.giorno + d;
    // A month number outside 1..12 has no days: stop rather than loop for ever.
    for (unsigned dm; (dm = giorniMese(t.anno, t.mese)) != 0 && t.giorno > dm;) {
        t.giorno -= dm;
        if (++t.mese > 12) t.mese -= 12, ++t.anno;
    }
    return t;
}

void getTimeSig(std::string& outstr, const char* tickstr, time_t tick, int mode) {
    std::string work = tickstr ? std::string(tickstr, strnlen(tickstr, 29)) : std::string();
    if (tick != 0) {
        struct tm lt {};
        localtime_r(&tick, &lt);
        char buf[64];
        std::snprintf(buf, sizeof buf, "%04u%02u%02u_%02u%02u%02u", static_cast<unsigned>(lt.tm_year + 1900),
                      static_cast<unsigned>(lt.tm_mon + 1), static_cast<unsigned>(lt.tm_mday),
                      static_cast<unsigned>(lt.tm_hour), static_cast<unsigned>(lt.tm_min),
                      static_cast<unsigned>(lt.tm_sec));
        work = buf;
    }
    if (work.empty()) {
        outstr.clear();
        return;
    }
    std::string c;
    for (char ch : work)
        if (ch != '_') c += ch;
    if (c.size() == 14) c.erase(0, 2);
    c.resize(12, ' '); // a short text leaves blanks, never a read past its end
    char buf[32];
    switch (mode) {
    case 0:
        std::snprintf(buf, sizeof buf, "%c%c/%c%c/%c%c %c%c:%c%c:%c%c", c[4], c[5], c[2], c[3], c[0], c[1], c[6], c[7],
                      c[8], c[9], c[10], c[11]);
        break;
    case 1:
        std::snprintf(buf, sizeof buf, "%c%c/%c%c/%c%c %c%c:%c%c:%c%c", c[2], c[3], c[4], c[5], c[0], c[1], c[6], c[7],
                      c[8], c[9], c[10], c[11]);
        break;
    case 3:
        std::snprintf(buf, sizeof buf, "%c%c%c%c%c%c_%c%c%c%c%c%c", c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7], c[8],
                      c[9], c[10], c[11]);
        break;
    default:
        std::snprintf(buf, sizeof buf, "%.12s", c.c_str());
        break;
    }
    outstr = buf;
}

void getTimeSig2(std::string& outstr, uint32_t tick) {
    char buf[48];
    uint32_t rest = tick % 86400;
    std::snprintf(buf, sizeof buf, "%u %02u:%02u:%02u", tick / 86400, rest / 3600, (rest % 3600) / 60, rest % 60);
    outstr = buf;
}
