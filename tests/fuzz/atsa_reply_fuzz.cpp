// The boards' register replies: "ATSA" (alarm register, inverter, Rmin, auxiliary code) as the
// alarm rows show it, and "ATEE" (the 41-byte parameter block as 82 hexadecimal digits) decoded
// into the board record, its telephone number unpacked, and the record described.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "boards/energy_board.h"
#include "boards/tel_number.h"
#include "fuzz_target.h"
#include "link/clock_state.h"
#include "link/korvane_com.h"

KORVANE_FUZZ_TARGET(atsa_reply) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    AlarmRows rows;
    rows.reg = 0x5A;
    if (decodeAlarmReply(text, rows)) {
        if ((text.size() != 6 && text.size() != 8) ||
            rows.reg != hexDigitValue(text[0]) * 16 + hexDigitValue(text[1]) || rows.inverter > 255 ||
            rows.rmin > 255 || rows.aux > 255 || rows.inverterLabel.empty() || rows.auxLabel.empty())
            __builtin_trap();
        if (alarmRegister(alarmFields(rows.reg)) != rows.reg) __builtin_trap();
    } else if (rows.reg != 0x5A || !rows.inverterLabel.empty()) {
        __builtin_trap(); // a reply that is not one changes nothing
    }

    ee_buf ee;
    std::memset(ee.buf, 0xA5, kEeSize);
    if (!decodeEeBlock(text, ee)) {
        for (uint8_t b : ee.buf)
            if (b != 0xA5) __builtin_trap();
        return 0;
    }
    // The block written as the board's digits is the reply (in upper case).
    if (text.size() != 2 * kEeSize) __builtin_trap();
    char hex[3];
    for (size_t i = 0; i < kEeSize; ++i) {
        std::snprintf(hex, sizeof hex, "%02X", ee.buf[i]);
        if (hex[0] != std::toupper(static_cast<unsigned char>(text[2 * i])) ||
            hex[1] != std::toupper(static_cast<unsigned char>(text[2 * i + 1])))
            __builtin_trap();
    }
    // The telephone number: digits and '+' only, at most 16; packed again it unpacks the same.
    const std::string tel = unzipTel(std::span<const uint8_t, kTelBytes>(ee.ram.N_telefono));
    if (tel.size() > kTelChars || tel.find_first_not_of("0123456789+") != std::string::npos) __builtin_trap();
    for (uint8_t b : ee.ram.N_telefono)
        if (char_zip(char_unzip(b >> 4)) != ((b >> 4) <= 10 ? (b >> 4) : 15)) __builtin_trap();
    uint8_t packed[kTelBytes];
    std::memset(packed, 0xFF, sizeof packed);
    zipTel(std::span<uint8_t, kTelBytes>(packed), tel);
    if (unzipTel(std::span<const uint8_t, kTelBytes>(packed)) != tel) __builtin_trap();
    if (describeMW51a(ee).empty()) __builtin_trap();
    return 0;
}
