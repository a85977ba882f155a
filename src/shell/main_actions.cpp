#include "shell/main_actions.h"

#include <cstdio>

#include "boards/board_utils.h"
#include "boards/energy_board.h"
#include "link/clock_state.h"
#include "link/korvane_com.h"
#include "logger/session.h"
#include "logger/time_marks.h"
#include "platform/clock.h"

const char kClockSyncQuestion[] = "Sincronizzazione orologio datalogger con orologio PC ?";
const char kClockSyncFailed[] = "Sincronizzazione orologio datalogger fallita !";
const char kOperatingStateFailed[] = "Impossibile leggere lo stato operativo corrente del datalogger";
const char kAssignStateWarning[] =
    "Assicurarsi che il datalogger sia nello stato iniziale ASSIGN\r\n (Led B acceso verde)";
const char kReadyStateWarning[] =
    "Assicurarsi che il datalogger sia nello stato di READY\r\n (Led B acceso giallo)";
const char kNoReplyFrom[] = "Nessuna risposta da";

namespace {
constexpr uint32_t kAlarmSettleMs = 500; // [ms] between writing the alarm register and reading it back
} // namespace

int clockSyncAction(Window owner, TextBox* summary) {
    if (messageBox(owner, kClockSyncQuestion, "Question", MsgButtons::YesNo, MsgIcon::Question) !=
        MsgAnswer::Yes)
        return -1;
    if (clockSync() != 1) {
        messageBox(owner, kClockSyncFailed, "Com Error", MsgButtons::Ok, MsgIcon::Error);
        return 0;
    }
    initTimeMark();
    if (summary) printInfoSes(summary, Flag.verbose);
    return 1;
}

int sampleTimerBegin(Window owner) {
    clearRxBuf(hCom);
    if (sendCOMMAND(hCom, "ATOS\r", kModeCR) != 1) {
        messageBox(owner, kOperatingStateFailed, "Com Error", MsgButtons::Ok, MsgIcon::Error);
        return 0;
    }
    Flag.stato_idle = iRx >= 2 && Rx_buf[0] == '0' && Rx_buf[1] == '0' ? 1 : 0;
    if (sendCOMMAND(hCom, "ATCM06\r", kModeCR) != 1 || !rxOk()) return 0;
    messageBox(owner, (StatusReg & 0x10) ? kReadyStateWarning : kAssignStateWarning, "Warning",
               MsgButtons::Ok, MsgIcon::Warning);
    return 1;
}

void sampleTimerEnd() {
    if (Flag.stato_idle == 1) sendCOMMAND(hCom, "ATCM05\r", kModeCR);
}

uint8_t alarmAfterReset(uint8_t alarm, const AlarmRow& row) {
    return static_cast<uint8_t>(alarm & ~(1u << row.smsBit));
}

std::string alarmWriteCommand(uint8_t alarm) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "ATSA%02X\r", static_cast<unsigned>(alarm));
    return buf;
}

int resetAlarmRow(Window owner, const AlarmRow& row) {
    Alarm = alarmAfterReset(Alarm, row);
    sendCOMMAND(hCom, alarmWriteCommand(Alarm), kModeCR);
    sleepMs(kAlarmSettleMs);
    return upd_Alarm(owner);
}

int readInverterRange(Window owner) {
    char cmd[16];
    std::snprintf(cmd, sizeof cmd, "ATRD%04X\r", static_cast<unsigned>(kEeComReg2Address));
    if (sendCOMMAND(hCom, cmd, kModeCR) != 1) {
        messageBox(owner, std::string(kNoReplyFrom) + " " + "datalogger !", "COM Error", MsgButtons::Ok,
                   MsgIcon::Error);
        return 0;
    }
    for (size_t i = 0; i < 2; ++i) {
        const int b = readEeByte();
        if (b < 0) {
            messageBox(owner, kNoReplyFrom, "COM Error", MsgButtons::Ok, MsgIcon::Error);
            return 0;
        }
        EE.buf[kEeComReg2 + i] = static_cast<uint8_t>(b);
    }
    return 1;
}
