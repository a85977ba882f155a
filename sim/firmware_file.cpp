#include "sim/firmware_file.h"

#include <cstdio>

#include "sim/logger_device.h"
#include "sim/splitmix.h"

namespace sim {

std::string makeFirmwareFile(const std::vector<uint8_t>& program, const FirmwareFileOptions& o) {
    std::vector<uint8_t> bytes = program;
    bytes.resize((bytes.size() + 63) / 64 * 64, 0xFF);
    const char* eol = o.lfOnly ? "\n" : "\r\n";
    const char* fmt = o.lowerCase ? "%02x" : "%02X";
    std::string s = "FW";
    s += "0123456789ABCDEF"[o.board & 15];
    s += ' ';
    s += o.major;
    s += o.minor;
    for (size_t off = 0; off < bytes.size(); off += 32) {
        s += eol;
        const uint16_t crc = crcX25(bytes.data() + off, 32);
        char h[3];
        for (size_t i = 0; i < 32; ++i) {
            std::snprintf(h, sizeof h, fmt, bytes[off + i]);
            s += h;
        }
        for (uint8_t c : {static_cast<uint8_t>(crc & 0xFF), static_cast<uint8_t>(crc >> 8)}) {
            std::snprintf(h, sizeof h, fmt, c);
            s += h;
        }
    }
    if (!o.lfOnly) s += eol;
    return s;
}

std::vector<uint8_t> sampleProgram(size_t records, uint64_t seed) {
    SplitMix64 rng;
    rng.s = seed;
    std::vector<uint8_t> p(records * 32);
    for (auto& b : p) b = static_cast<uint8_t>(rng.next());
    return p;
}

} // namespace sim
