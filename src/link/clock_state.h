#pragma once
// The PC clock as the program reads it, and the device clock and state operations.
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>

// PC local date and time as "YYMMDD_hhmmss".
void getDataTimePC(std::string& datatime);
// Replaces the clock read by getDataTimePC (seconds since 1970, local time); an empty
// function puts the system clock back. Tests use it to fix "now".
void setPcClock(std::function<time_t()> clock);

// Sets the device clock from one reading of the PC clock: 1 when the device accepted both the
// date and the time.
int clockSync();

// Alarm register bits.
enum AlarmBits : uint8_t {
    kAlarmEff = 0x01,     // intrusion alarm active
    kAlarmSmsEff = 0x02,  // intrusion alarm latched
    kAlarmEtag = 0x04,    // global efficiency alarm active
    kAlarmSmsEtag = 0x08, // global efficiency alarm latched
    kAlarmInv = 0x10,     // single-inverter alarm active
    kAlarmSmsInv = 0x20,  // single-inverter alarm latched
    kAlarmAux = 0x40,     // auxiliary-device alarm active
    kAlarmSmsAux = 0x80,  // auxiliary-device alarm latched
};
// The alarm register as its eight fields (an "active" bit follows the condition, its "sms"
// partner stays set until acknowledged).
struct ala_reg {
    bool eff = false, sms_eff = false;   // intrusion
    bool etag = false, sms_etag = false; // global efficiency
    bool inv = false, sms_inv = false;   // single inverter
    bool aux = false, sms_aux = false;   // auxiliary devices
};
ala_reg alarmFields(uint8_t reg);
uint8_t alarmRegister(const ala_reg& f);

// What the alarm rows of the main dialog show after a register read.
struct AlarmRows {
    uint8_t reg = 0;
    unsigned inverter = 0, rmin = 0, aux = 0;
    std::string inverterLabel; // label 209
    std::string auxLabel;      // label 220
};
// The alarm rows of the open main dialog; null when none is shown.
class AlarmView {
  public:
    virtual ~AlarmView() = default;
    virtual void showAlarms(const AlarmRows& rows) = 0;
};
void setAlarmView(AlarmView* view);
extern AlarmRows LastAlarmRows;

// Reads "ATSA" (6 or 8 hex digits) into Alarm and refreshes the alarm rows: 1 = read, 0 = the
// device did not answer properly (nothing changes).
int upd_Alarm(void* hDlg);
// The "ATSA" reply (6 or 8 hexadecimal digits: register, inverter, Rmin [%], auxiliary code) as
// the alarm rows show it; false, `rows` untouched, on any other text.
bool decodeAlarmReply(std::string_view reply, AlarmRows& rows);
// Labels of the inverter and auxiliary alarm rows.
std::string alarmInverterLabel(unsigned inverter, unsigned rmin);
std::string alarmAuxLabel(unsigned code);
// Name of an energy board's operating state.
const char* Nome_stato_operativo(unsigned state);
