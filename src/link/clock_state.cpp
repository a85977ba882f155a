#include "link/clock_state.h"

#include <cctype>
#include <cstdio>

#include "link/korvane_com.h"
#include "logger/time_marks.h"

namespace {
std::function<time_t()> g_clock;
}

void setPcClock(std::function<time_t()> clock) {
    g_clock = std::move(clock);
}

void getDataTimePC(std::string& datatime) {
    time_t now = g_clock ? g_clock() : std::time(nullptr);
    struct tm lt {};
    localtime_r(&now, &lt);
    // The date as month/day/two-digit year and the time as hour:minute:second, rearranged.
    char date[40], hms[40], out[64];
    std::snprintf(date, sizeof date, "%02d/%02d/%02d", lt.tm_mon + 1, lt.tm_mday, lt.tm_year % 100);
    std::snprintf(hms, sizeof hms, "%02d:%02d:%02d", lt.tm_hour, lt.tm_min, lt.tm_sec);
    std::snprintf(out, sizeof out, "%c%c%c%c%c%c_%c%c%c%c%c%c", date[6], date[7], date[0], date[1], date[3],
                  date[4], hms[0], hms[1], hms[3], hms[4], hms[6], hms[7]);
    datatime = out;
}

AlarmRows LastAlarmRows;

namespace {
AlarmView* g_alarmView = nullptr;
} // namespace

void setAlarmView(AlarmView* view) {
    g_alarmView = view;
}

int clockSync() {
    getDataTimePC(DataTimePC);
    clearRxBuf(hCom);
    if (sendCOMMAND(hCom, "ATDT" + DataTimePC.substr(0, 6) + "\r", kModeCR) != 1 || !rxOk()) return 0;
    clearRxBuf(hCom);
    if (sendCOMMAND(hCom, "ATTM" + DataTimePC.substr(7, 6) + "\r", kModeCR) != 1 || !rxOk()) return 0;
    return 1;
}

std::string alarmInverterLabel(unsigned inverter, unsigned rmin) {
    if (inverter == 0) return "Allarme singolo inverter";
    char buf[96];
    std::snprintf(buf, sizeof buf, "%s = %u (Rmin=%u%%)", "Allarme singolo inverter", inverter, rmin);
    return buf;
}

std::string alarmAuxLabel(unsigned c) {
    const char* base = "Allarme dispositivi ausiliari";
    char buf[96];
    if (c == 0) return base;
    if (c == 1)
        std::snprintf(buf, sizeof buf, "%s (VKE16)", base);
    else if (c == 2)
        std::snprintf(buf, sizeof buf, "%s (No rete)", base);
    else if (c >= 8 && c <= 71)
        std::snprintf(buf, sizeof buf, "%s (In %u)", base, c - 8);
    else
        std::snprintf(buf, sizeof buf, "%s (%u)", base, c);
    return buf;
}

ala_reg alarmFields(uint8_t reg) {
    ala_reg f;
    f.eff = reg & kAlarmEff;
    f.sms_eff = reg & kAlarmSmsEff;
    f.etag = reg & kAlarmEtag;
    f.sms_etag = reg & kAlarmSmsEtag;
    f.inv = reg & kAlarmInv;
    f.sms_inv = reg & kAlarmSmsInv;
    f.aux = reg & kAlarmAux;
    f.sms_aux = reg & kAlarmSmsAux;
    return f;
}

uint8_t alarmRegister(const ala_reg& f) {
    return static_cast<uint8_t>((f.eff ? kAlarmEff : 0) | (f.sms_eff ? kAlarmSmsEff : 0) |
                                (f.etag ? kAlarmEtag : 0) | (f.sms_etag ? kAlarmSmsEtag : 0) |
                                (f.inv ? kAlarmInv : 0) | (f.sms_inv ? kAlarmSmsInv : 0) |
                                (f.aux ? kAlarmAux : 0) | (f.sms_aux ? kAlarmSmsAux : 0));
}

bool decodeAlarmReply(std::string_view reply, AlarmRows& rows) {
    if (reply.size() != 6 && reply.size() != 8) return false;
    for (char c : reply)
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    const std::string r(reply); // the digit readers stop at its terminator
    AlarmRows out;
    out.reg = static_cast<uint8_t>(str16_to_num(r.c_str(), 2));
    out.inverter = static_cast<unsigned>(str16_to_num(r.c_str() + 2, 2));
    out.rmin = static_cast<unsigned>(str16_to_num(r.c_str() + 4, 2));
    out.aux = r.size() == 8 ? static_cast<unsigned>(str16_to_num(r.c_str() + 6, 2)) : 0;
    out.inverterLabel = alarmInverterLabel(out.inverter, out.rmin);
    out.auxLabel = alarmAuxLabel(out.aux);
    rows = std::move(out);
    return true;
}

int upd_Alarm(void*) {
    if (sendCOMMAND(hCom, "ATSA\r", kModeCR) != 1 || iRx < 0) return 0;
    AlarmRows rows;
    if (!decodeAlarmReply(std::string_view(reinterpret_cast<const char*>(Rx_buf), static_cast<size_t>(iRx)),
                          rows))
        return 0;
    Alarm = rows.reg;
    LastAlarmRows = rows;
    if (g_alarmView) g_alarmView->showAlarms(rows);
    return 1;
}

const char* Nome_stato_operativo(unsigned state) {
    switch (state) {
    case 0:
        return "ZERO";
    case 2:
        return "READY";
    case 5:
        return "REC";
    case 6:
        return "PAUSE";
    case 7:
        return "ERROR";
    case 8:
        return "STANDBY";
    case 9:
        return "UPD_FW";
    default:
        return "-";
    }
}
