#pragma once
// Global state of the program: the flag record, the connection and application globals, the
// command line and the start-up sequence.
#include <climits>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/ui.h"

class SerialPort;
using ComHandle = SerialPort*; // the open port; nullptr = none

// Global flag record: 0/1 switches and small texts. All 0 at start except fast_read.
struct FlagSet {
    int verbose = 0;     // session summary shows page and register lines; maintenance keys enabled
    int pages_error = 0; // outcome of the session-initialisation steps
    int table_error = 0;
    int pagefirst_error = 0;
    int pagelast_error = 0;
    int time_error = 0;
    int sample_error = 0; // the sample-time field does not hold a number 1..65535
    int sample_error_exp = 0;
    int skip_refresh = 0; // the current session has been downloaded already
    int comma = 0;        // decimal comma in exported numbers
    int stato_idle = 0;   // the device was IDLE when the sample-timer dialog was opened
    int file_format = 0;  // export file layout
    int page_type = 0;
    int MW51 = 0;  // the device is an MW51 energy board
    int RX42 = 0;  // the device is an RX42 or RX43 logger
    int RX43 = 0;  // the device is an RX43 logger
    int VKE15 = 0; // the device is a VKE15 interface board
    int CH_etaG = 0;
    int CH_eneD = 0;
    int alarm_error = 0; // reading the alarm register failed
    int COM_ext = 0;     // the port was named on the command line and opened there
    int modem = 0;       // the port leads to a modem
    int fast_read = 1;   // fast page download
    uint8_t quaterna = 0;
    uint8_t comflow = 0;  // 1 = DTR and RTS held on while the port is open
    int RX43BOOT = 0;     // the device answered from its boot loader
    std::string bootvers; // "Boot v.%u.%u", at most 9 characters
};

// Hardware code character and firmware version (0x18 = release 1.8) of the connected device.
struct LoggerVersion {
    uint8_t hw = 0;
    uint16_t fw = 0;
};

// A remembered window rectangle.
struct WinPos {
    int left = 0, top = 0, right = 0, bottom = 0;
    int enabled = 0;
};

// Text limits of the stored globals [characters, terminator not counted]. On Linux a port is a
// device path, so the port name and the -p argument hold a whole path, and Data_file a whole
// file path.
inline constexpr size_t kOptionArgMax = 14;
inline constexpr size_t kPathMax = PATH_MAX - 1;
inline constexpr size_t kCommPortMax = kPathMax;
inline constexpr size_t kDataFileMax = kPathMax;
inline constexpr size_t kFwReleaseMax = 4;
inline constexpr size_t kMaxScanPorts = 50;

extern FlagSet Flag;
extern ComHandle hCom;
extern std::string CommPort;           // name of the open port ("COMn" or a device path)
extern std::vector<std::string> Porte; // ports that could be opened during the scan, in scan order
extern int Nport;
extern uint32_t BR_value;      // baud rate used when a port is set up [bit/s]
extern uint32_t TMO_value;     // reply time-out given with -t [ms]; 0 = 2000
extern std::string Data_file;  // file named on the command line
extern std::string Exe_dir;    // folder of modem.ini, VAruzizu.ini and the post-processing programs
extern std::string Nome_prog;  // "Korvane v.5.0"
extern std::string Nome_prog2; // "Lumivane v.5.0"
extern std::string FW_release; // firmware release text of the device (4 characters)
extern LoggerVersion Datalogger;
extern uint16_t Tsample; // sample time [s]
extern uint8_t Stato_OP;
extern uint8_t Stato_OPM;
extern uint8_t Alarm;
extern int MaxEdit;
extern uint16_t T_updfw_fast;
extern uint16_t Vbat_curr[31];
extern WinPos PosWin1, PosWin2, PosWin3;
extern FILE* Exportfile;

// Sets the start values of the application globals.
void initVAR();
// Puts every global of the program back to its start value and closes an open port.
void resetState();

// Splits a command line (without the program name) into tokens and applies them.
void readCMD(const char* lpCmdLine);
// The tokenizer alone: file-name tokens go to Data_file, each option with its argument (at most
// kOptionArgMax characters, kCommPortMax for -p) to `onOption`, in command-line order.
using CmdOptionFn = void (*)(char cmd, const std::string& szBuf);
void readCMD(const char* lpCmdLine, CmdOptionFn onOption);
// Applies one option letter with its argument text.
void doCMD(char cmd, const std::string& szBuf);

// Stores `src` into `dst`, cut to at most `max` characters.
void assignCapped(std::string& dst, std::string_view src, size_t max);

// "Korvane v.5.0" / "Lumivane v.5.0".
void setProgramNames();
