#pragma once
// Texts and small rules of the desktop program's entry and top-level screens (port selection,
// main panel, the screens not available yet), kept apart from the widgets so that they can be
// checked without them.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// The command line as the start-up reads it, from the program's arguments argv[1..argc-1]:
// joined by blanks, an argument holding a blank enclosed in double quotation marks.
std::string joinCommandLine(int argc, const char* const* argv);

// Port selection: the instruction line and the warning when no port could be opened.
extern const char kSelComPrompt[];
extern const char kNoComPortText[];

// One alarm row of the main panel: its controls and the bits of `Alarm` behind them.
struct AlarmRow {
    int resetId; // "R" button: clears smsBit
    int lampId;  // lamp: red while lampBit is 1
    int labelId;
    const char* label;
    uint8_t lampBit;
    uint8_t smsBit;
};
inline constexpr std::array<AlarmRow, 4> kAlarmRows{{
    {205, 207, 209, "Allarme singolo inverter", 4, 5},
    {211, 213, 214, "Allarme rendimento globale", 2, 3},
    {215, 216, 217, "Allarme effrazione", 0, 1},
    {218, 219, 220, "Allarme dispositivi ausiliari", 6, 7},
}};
// The thirteen alarm controls: the four rows and "Dettagli".
inline constexpr std::array<int, 13> kAlarmControlIds{205, 207, 209, 211, 213, 214, 215,
                                                      216, 217, 218, 219, 220, 221};

// Colours as 0x00RRGGBB; kFaceColour stands for the button-face colour of the toolkit.
inline constexpr uint32_t kFaceColour = 0xFF000000u;
inline constexpr uint32_t kLampGreen = 0x00FF00u;
inline constexpr uint32_t kLampRed = 0xFF0000u;
inline constexpr uint32_t kGroupTitleBlue = 0x0000FFu;
inline constexpr uint32_t kSummaryBackground = 0xFFFFE6u;
inline constexpr uint32_t kFieldErrorRed = 0xFF0000u;

// Colour of a row's lamp for the alarm register `alarm`; the face colour when the register
// could not be read.
uint32_t alarmLampColour(const AlarmRow& row, uint8_t alarm, int alarmError);

// The connected device is a board (energy or interface board): the main panel shows the alarm
// rows and hides "Sample Timer".
bool deviceIsBoard();

// First part of the main panel's status bar: " Ready: <baud rate>".
std::string readyStatusText();

// Fast page reading is switched off for loggers and boards whose firmware cannot stream a page,
// unless the port leads to a modem (then the setting is left as it is).
void applyFastReadRule();

// The sample time of an energy or interface board: the 2-byte averaging period at address 7 of
// its parameter EEPROM [s], 900 when it cannot be read.
uint16_t boardSampleTime();

// The sample-time field of the main panel read as an unsigned decimal number (blanks around it
// allowed); 0 when it is not one.
unsigned sampleFieldValue(std::string_view text);
// A change of the sample-time field: a value 1..65535 becomes Tsample and clears
// Flag.sample_error, anything else sets it; either way the next "Start" downloads again
// (Flag.skip_refresh = 0). True when "Start" may run.
bool sampleTimeChanged(std::string_view text);

// Texts of the main panel's "Start".
extern const char kDownloadFailedText[]; // title "Warning"
extern const char kDownloadAgainText[];  // title "Warning", Yes/No
// The note shown instead of the data table: where the data file `path` was written.
std::string dataFileWrittenText(const std::string& path);
