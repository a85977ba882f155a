#pragma once
// What the buttons of the main panel do on the device, apart from the widgets: the clock
// synchronisation, the steps around the sample-timer dialog, the acknowledgement of an alarm
// and the reading of the inverter range before the inverter screen.
#include <cstdint>
#include <string>

#include "platform/text_box.h"
#include "platform/ui.h"
#include "shell/screen_rules.h"

// Texts of the panel's buttons.
extern const char kClockSyncQuestion[];    // title "Question", Yes/No
extern const char kClockSyncFailed[];      // title "Com Error"
extern const char kOperatingStateFailed[]; // title "Com Error"
extern const char kAssignStateWarning[];   // title "Warning"
extern const char kReadyStateWarning[];    // title "Warning"
extern const char kNoReplyFrom[];          // "Nessuna risposta da"

// "Clock sync": asks, sets the device clock from the PC clock, then reads the time marks again
// and rewrites the summary `summary` (when not null). 1 = synchronised; 0 = failed (reported);
// -1 = not confirmed.
int clockSyncAction(Window owner, TextBox* summary);

// "Sample Timer" up to its dialog: reads the operating state (Flag.stato_idle), leaves IDLE and
// tells the user which state the logger must be in. 1 = open the dialog; 0 = stop (an
// unreadable state is reported, a refused "ATCM06" is not).
int sampleTimerBegin(Window owner);
// After the dialog: back to IDLE when the logger was IDLE before.
void sampleTimerEnd();

// "R" of an alarm row: clears the row's latched bit, writes the whole register, waits 500 ms and
// reads the register back into the alarm rows. The result of that read (upd_Alarm).
int resetAlarmRow(Window owner, const AlarmRow& row);
// The register after acknowledging `row`, and the command that writes it.
uint8_t alarmAfterReset(uint8_t alarm, const AlarmRow& row);
std::string alarmWriteCommand(uint8_t alarm);

// "Dettagli" before the inverter screen: reads ComReg2 from the board's parameter EEPROM into
// EE. 1 = read; 0 = failed (reported).
int readInverterRange(Window owner);
