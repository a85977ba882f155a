#include "inverter/aurora.h"

#include <bit>
#include <cstdio>
#include <cstring>

#include "firmware/crc_powerone.h"
#include "link/korvane_com.h"

AuroraPacket auroraRequest(uint8_t address, uint8_t command, uint8_t argument) {
    AuroraPacket p{address, command, argument, 0, 0, 0, 0, 0, 0, 0};
    crc_powerone(p.data(), 8);
    return p;
}

std::string auroraCommandText(std::span<const uint8_t, kAuroraRequestSize> p) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "ATDI%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X\r", p[0], p[1], p[2], p[3],
                  p[4], p[5], p[6], p[7], p[8], p[9]);
    return buf;
}

bool decodeAuroraReply(std::string_view text, std::span<uint8_t, kAuroraRequestSize> pkt) {
    if (text.size() < 2 * kAuroraReplySize) return false;
    uint8_t reply[kAuroraReplySize + 2] = {};
    for (size_t i = 0; i < kAuroraReplySize; ++i) {
        const int hi = hexDigitValue(text[2 * i]), lo = hexDigitValue(text[2 * i + 1]);
        if (hi < 0 || lo < 0) return false;
        reply[i] = static_cast<uint8_t>(hi * 16 + lo);
    }
    std::memcpy(pkt.data(), reply, kAuroraReplySize);
    const auto crc = crcPowerOneBytes({reply, 6});
    return reply[6] == crc[0] && reply[7] == crc[1];
}

float auroraMeasureValue(std::span<const uint8_t, kAuroraRequestSize> pkt) {
    const uint32_t bits =
        (uint32_t{pkt[2]} << 24) | (uint32_t{pkt[3]} << 16) | (uint32_t{pkt[4]} << 8) | pkt[5];
    return std::bit_cast<float>(bits);
}

const char* auroraModelName(uint8_t letter) {
    switch (letter) {
    case 'i':
    case 'o':
        return "Aurora 2kW";
    case 'I':
        return "Aurora 3.6kW";
    case 'O':
        return "Aurora 3.0-3.6kW";
    case '5':
        return "Aurora 5.0kW";
    case '6':
        return "Aurora 6kW";
    case '4':
        return "Aurora 4.2kW new";
    case '3':
        return "Aurora 3.6kW new";
    case '2':
        return "Aurora 3.3kW new";
    case '1':
        return "Aurora 3.0kW new";
    case 'D':
        return "Aurora 12.0kW new";
    case 'X':
        return "Aurora 10.0kW new";
    default:
        return "Unknown";
    }
}

int get_dati_powerone(Window owner, std::span<uint8_t, kAuroraRequestSize> pkt) {
    const unsigned address = pkt[0];
    crc_powerone(pkt.data(), 8);
    const std::string command = auroraCommandText(pkt);
    char text[64];
    std::snprintf(text, sizeof text, "%s %u", "Errore lettura inverter", address);
    for (;;) {
        if (sendCOMMAND(hCom, command, kModeCR) == 1 && decodeAuroraReply(rxText(), pkt)) {
            pkt[6] = 0;
            return kAuroraOk;
        }
        pkt[6] = pkt[7] = 0;
        switch (messageBox(owner, text, "Com Error", MsgButtons::AbortRetryIgnore, MsgIcon::Error)) {
        case MsgAnswer::Retry:
            continue;
        case MsgAnswer::Abort:
            return kAuroraAbort;
        default:
            return kAuroraIgnore;
        }
    }
}
