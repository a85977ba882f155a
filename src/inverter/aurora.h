#pragma once
// Requests to the Aurora inverters on the energy board's RS485 line. The board forwards a
// 10-byte request given as hex digits after "ATDI" and answers with the inverter's 8-byte reply
// as 16 hex digits.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/ui.h"

inline constexpr size_t kAuroraRequestSize = 10; // address, command, argument, 5 zeros, CRC
inline constexpr size_t kAuroraReplySize = 8;    // 6 data bytes, CRC

// Request commands and the measure types of kAuroraMeasure.
inline constexpr uint8_t kAuroraSerial = 63;  // reply: the six characters of the serial number
inline constexpr uint8_t kAuroraVersion = 58; // reply byte 2: model letter
inline constexpr uint8_t kAuroraMeasure = 59; // reply bytes 2..5: big-endian IEEE 754 single
inline constexpr uint8_t kMeasurePin1 = 8;    // input 1 power [W]
inline constexpr uint8_t kMeasurePin2 = 9;    // input 2 power [W]

using AuroraPacket = std::array<uint8_t, kAuroraRequestSize>;

// A request with its CRC in bytes 8 and 9.
AuroraPacket auroraRequest(uint8_t address, uint8_t command, uint8_t argument = 0);
// The board command that carries a whole request: "ATDI" + 20 hex digits + CR.
std::string auroraCommandText(std::span<const uint8_t, kAuroraRequestSize> pkt);
// Decodes a reply text into pkt[0..7]: true when it begins with 16 hex digits (more characters
// are ignored) and the CRC of bytes 0..5 equals bytes 6 and 7. A text too short or not
// hexadecimal leaves pkt as it was.
bool decodeAuroraReply(std::string_view text, std::span<uint8_t, kAuroraRequestSize> pkt);
// The measure of a kAuroraMeasure reply (bytes 2..5, most significant first).
float auroraMeasureValue(std::span<const uint8_t, kAuroraRequestSize> pkt);
// The model shown for the letter in byte 2 of a kAuroraVersion reply; "Unknown" when not listed.
const char* auroraModelName(uint8_t letter);

// Results of get_dati_powerone.
inline constexpr int kAuroraOk = 0;     // valid reply in pkt; byte 6 set to 0
inline constexpr int kAuroraAbort = 3;  // the user chose Abort
inline constexpr int kAuroraIgnore = 5; // the user chose Ignore

// Sends the request held in pkt[0..7] (the CRC is added) and waits for a valid reply, asking
// Abort / Retry / Ignore after each missing or damaged one. On kAuroraOk pkt holds the reply
// with byte 6 set to 0, so a serial number reads as a six-character text.
int get_dati_powerone(Window owner, std::span<uint8_t, kAuroraRequestSize> pkt);
