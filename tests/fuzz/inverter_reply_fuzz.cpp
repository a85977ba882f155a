// The inverters' replies as the energy board relays them ("ATDI"): 16 hexadecimal digits, the
// CRC of the first six bytes, and the values read from them (serial number, model, measure).
#include <array>
#include <cmath>
#include <cstring>
#include <string_view>

#include "firmware/crc_powerone.h"
#include "fuzz_target.h"
#include "inverter/aurora.h"
#include "link/korvane_com.h"

KORVANE_FUZZ_TARGET(inverter_reply) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    AuroraPacket pkt;
    pkt.fill(0x5A);
    const AuroraPacket before = pkt;
    const bool ok = decodeAuroraReply(text, pkt);

    bool hex = text.size() >= 2 * kAuroraReplySize;
    for (size_t i = 0; hex && i < 2 * kAuroraReplySize; ++i) hex = hexDigitValue(text[i]) >= 0;
    if (!hex) {
        if (ok || pkt != before) __builtin_trap(); // a text too short or not hexadecimal changes nothing
        return 0;
    }
    // The eight bytes are taken, the rest of the packet is left as it was.
    for (size_t i = 0; i < kAuroraReplySize; ++i)
        if (pkt[i] != hexDigitValue(text[2 * i]) * 16 + hexDigitValue(text[2 * i + 1])) __builtin_trap();
    if (pkt[8] != before[8] || pkt[9] != before[9]) __builtin_trap();
    const auto crc = crcPowerOneBytes({pkt.data(), 6});
    if (ok != (crc[0] == pkt[6] && crc[1] == pkt[7])) __builtin_trap();
    if (!ok) return 0;

    // What the listing takes from a valid reply: the serial number as a text, the model, a measure.
    pkt[6] = 0;
    if (std::strlen(reinterpret_cast<const char*>(pkt.data())) > 6) __builtin_trap();
    if (auroraModelName(pkt[2]) == nullptr) __builtin_trap();
    const float v = auroraMeasureValue(pkt);
    char line[64];
    printf_API(nullptr, "%1.0f W", static_cast<double>(v));
    std::snprintf(line, sizeof line, "Pin: %1.0f W", static_cast<double>(v));
    return 0;
}
