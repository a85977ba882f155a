#pragma once
// The modem in front of a remote device: result codes as the program shows them, the
// exchanges of modem.ini, dialling, the poll for result codes, hang-up, and the watch on the
// carrier that keeps device commands off a line that has fallen back to command mode.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "link/korvane_com.h"

// The last result code shown by the remote dialog, 0..20; 20 also stands for no result yet.
extern uint8_t Modem_fback;

// What the port leads to, as far as the carrier watch knows.
enum class ModemLine : uint8_t {
    Direct, // no modem, or a modem in command mode: commands go out as they are
    Online, // a call is up: the device behind the modem answers; the carrier is watched
    Lost    // the call dropped during a session: every command is refused until acknowledged
};
extern ModemLine Modem_line;

// A numeric result code (one or two digits) or a verbose one ("OK", "CONNECT 9600",
// "NO CARRIER", ...) as its code 0..20; -1 when the line is no result code (an echo, data).
int modemResultCode(std::string_view line);

// Characters of one modem.ini line; the rest of a longer line is dropped.
inline constexpr size_t kModemLineMax = 258;
// The commands of a modem.ini file's bytes: one per line (CR, LF or both end a line), empty
// lines skipped, each cut to kModemLineMax characters; a last line without CR or LF is not one.
std::vector<std::string> modemIniLines(std::string_view bytes);

// The text shown for a line received while dialling, as the remote dialog's poll reads it:
// a line of one or two characters is a numeric code (21 and above count as 20), an empty line
// is "Connesso" (1); any other length is ignored (-1).
int modemPollCode(std::string_view line);

// Sends one modem command (CR appended) and collects its whole reply: the echo when the modem
// still echoes, then lines up to its result code, or whatever arrives until the line has been
// quiet for `quietMs` once something came, or Timeout_rx when nothing comes. Returns the result
// code, -1 when none came. Nothing of the reply is left for the next request.
int modemExchange(ComHandle h, const std::string& command, uint32_t quietMs = 150);

// Starts a call to `number` ("ATDT<number>" and CR). The request is written without waiting:
// the echo and the result code arrive later and are read by modemPollLine.
int modemDial(ComHandle h, const std::string& number);

// Takes one line the modem has sent, without waiting: 1 = a line (CR ended, LF dropped) is in
// `line`, 0 = nothing complete is waiting, -1 = the port is gone. Bytes of a line that is not
// complete yet stay for the next call.
int modemPollLine(ComHandle h, std::string& line);

// Marks the call as up: from now on the carrier is watched (the "NO CARRIER" result in the
// replies, and DCD where the port reports it).
void modemCallUp(ComHandle h);

// Ends a call: when it is still up, what remains of `guardMs` of silence since the last
// transaction (so that "+++" is taken as the escape), "+++", `pauseMs` and "ATH"; after a lost carrier the modem is in
// command mode already and only "ATH" is sent. With `waitResult` the hang-up's whole reply is
// taken and its result code returned; otherwise the code is left for modemPollLine (-1).
int modemHangUp(ComHandle h, bool waitResult, uint32_t guardMs = 1100, uint32_t pauseMs = 1500);

// The carrier watch after a transaction on the modem line: a reply ending in the "NO CARRIER"
// code, or DCD gone after it was seen on, means the call dropped. Sets Modem_line to Lost and
// Com_lost. `raw` tells that the reply was a binary block taken whole (not inspected).
void modemWatchReply(ComHandle h, bool raw);
// True when commands must not be sent: the call dropped and the modem is in command mode, where
// a device command would be taken as a modem command ("ATDT" would dial).
bool modemLineRefused();
// The lost call has been reported: the line is back to plain modem commands.
void modemLostAcknowledged();

// The message of a call that dropped.
std::string carrierLostText();
