#pragma once
// Firmware files (.fw) made from a program binary, as the board maker's conversion tool writes
// them: the header line "FW", the board type digit, a blank, the two version characters; then
// one line per 32 program bytes (64 hexadecimal digits and the bytes' CRC-16/X-25, low byte
// first), the program padded with 0xFF to whole 64-byte blocks.
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

struct FirmwareFileOptions {
    unsigned board = 5; // board type 0..15 (5 = MW51, 11 = RX43)
    char major = '1';   // version characters
    char minor = '0';
    bool lowerCase = false; // record digits in lower case
    bool lfOnly = false;    // LF line ends, and none after the last line
};

std::string makeFirmwareFile(const std::vector<uint8_t>& program, const FirmwareFileOptions& o = {});

// A deterministic program of `records` records (an even number) for tests and benchmarks.
std::vector<uint8_t> sampleProgram(size_t records, uint64_t seed = 1);

} // namespace sim
