#pragma once
// The command link: port set-up and probe, command transactions, reply utilities, modem set-up.
#include <cstdarg>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/port_problem.h"
#include "platform/serial_port.h"
#include "platform/text_box.h"
#include "shell/korvane.h"

inline constexpr size_t kRxBufSize = 273;
// The reply byte count that ends a transaction with failure (a text reply holds at most 270
// characters).
inline constexpr int kRxOverflow = 272;

extern uint8_t Rx_buf[kRxBufSize]; // reply of the last transaction
extern int iRx;                    // reply bytes held in Rx_buf, terminator not counted
extern int Timeout_rx;             // silence time-out of a transaction [ms]
extern PortSettings dcb_old;       // line settings found when the port was last set up
// Set when a transaction found the port gone (hang-up, unplugged adapter, simulator stopped);
// the wait then ended at once instead of running out its time-out.
extern int Com_lost;

// Request modes of sendCOMMAND besides a terminator byte.
enum : uint8_t {
    kModeSilence = 0, // collect every byte until the line is silent; always succeeds
    kModeBlock34 = 1, // 34 raw bytes, then a CR line
    kModeNoReply = 2, // the text, no reply
    kModeBlock34NoReply = 3,
    kModeBlock48 = 4, // 48 raw bytes, then a CR line
    kModeCR = 13,     // the text, then a line ended by CR
    kModeRaw48 = 'L', // the text, then exactly 48 raw bytes
    kModeRaw64 = 'U', // the text, then exactly 64 raw bytes
};

// One synchronous transaction on `h`: 1 = success, 0 = failure. Rx_buf and iRx hold what was
// received, also after a failure.
int sendCOMMAND(ComHandle h, const char* comando, uint8_t ctrl);
inline int sendCOMMAND(ComHandle h, const std::string& comando, uint8_t ctrl) {
    return sendCOMMAND(h, comando.c_str(), ctrl);
}
// Waits at most `waitMs` for one received byte: 1 = a byte in `b`, 0 = none came, -1 = port gone
// (Com_lost set). The one wait primitive under every reader of the line.
int receiveByte(ComHandle h, uint8_t& b, uint32_t waitMs);
// Raw bytes out (0..127), then `nrxbyte` bytes back with a silence time-out of `timeout` ms.
int sendCOMMAND2(ComHandle h, const uint8_t* data, int8_t ndbyte, int8_t nrxbyte, int timeout);

// The text reply of the last transaction (up to its terminating zero, at most iRx bytes).
std::string rxText();
// The last reply is an acknowledgement: it begins with "OK".
inline bool rxOk() {
    return iRx >= 2 && Rx_buf[0] == 'O' && Rx_buf[1] == 'K';
}
// A number as the 4 upper-case hexadecimal digits of a command argument.
std::string hex4(unsigned v);

// The value of a hexadecimal digit (either case); -1 for any other character.
int hexDigitValue(char c);
// As hexDigitValue, with 0 for a character that is not a digit.
int chr_to_num(char c);
int str16_to_num(const char* str, int dim);
int str_to_num(const char* str, int dim);
int strsub(char* str, int n);
int strsub(std::string& str, int n);
// Appends formatted text (at most 299 characters) at the end of a text box; returns the
// number of characters appended.
int printf_API(TextBox* box, const char* szFormat, ...) __attribute__((format(printf, 2, 3)));

int initCOM(ComHandle h);
int restoreCOM(ComHandle h);
int clearRxBuf(ComHandle h);
int test_hCom(ComHandle h);
// The "ATVR" reply of the probe: hardware code (its first character), firmware version (its
// third and fourth, hexadecimal), the device flags and FW_release (at most 4 characters).
void applyVersionReply(std::string_view reply);
// The boot loader's answer to "***": its version byte, then a byte 0xB0..0xBF. True (with
// Flag.RX43BOOT and Flag.bootvers set) when the reply is one.
bool applyBootReply(std::string_view reply);

// Sends the lines of modem.ini in Exe_dir.
void init_modem(ComHandle h);

// Modem numeric result codes 0..20 (21 and above count as 20).
struct ModemResult {
    const char* text;
    bool connected;
    uint32_t colour; // 0x00RRGGBB; kButtonFace for "Stato non definito"
};
inline constexpr uint32_t kButtonFace = 0xFF000000u;
const ModemResult& Codifica_risposta_modem(unsigned code);

// Opens a port by its name ("COMn" or a path). nullptr when it cannot be opened; the reason is
// then in Com_open_failure (its problem is None after a successful open).
ComHandle openComPort(const std::string& name);
extern PortOpenFailure Com_open_failure;
// Why the port named on the command line (-p) could not be opened (None when it opened).
extern PortOpenFailure Com_named_failure;
// The text of a message about a port, with the reason of Com_open_failure as a line of its own
// under it when the port could not be opened.
std::string withPortReason(const std::string& text);
void closeComPort(ComHandle& h);

// "Apparecchio non trovato !" or "Modem non trovato !" with the baud rate, as the start-up
// and the port dialog show it.
std::string deviceNotFoundText();
// The message shown when a transaction found the port gone.
std::string lostPortText();
