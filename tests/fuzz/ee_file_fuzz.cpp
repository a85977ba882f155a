// EEPROM dumps (.ee): the dump read into the program memory it describes; the lines that were
// read, written again as a dump, read back to the same memory; and a firmware image made of the
// dump's own records from the load address on compares as identical with it.
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "firmware/firmware_files.h"
#include "fuzz_target.h"

namespace {
// The number of lines known from the start of the memory: each known line is known to its end,
// and nothing after the first unknown line is known.
size_t knownLines(const std::vector<bool>& known) {
    size_t n = 0;
    while (n < kEeLines && known[n * kFwRecordBytes]) {
        if (!known[n * kFwRecordBytes + kFwRecordBytes - 1]) __builtin_trap();
        ++n;
    }
    if (n < kEeLines && (known[n * kFwRecordBytes + kFwRecordBytes - 1] || known.back())) __builtin_trap();
    return n;
}
} // namespace

KORVANE_FUZZ_TARGET(ee_file) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // Kept between inputs: the reader fills them whole every time.
    static std::vector<uint8_t> memory, memory2;
    static std::vector<bool> known, known2;
    unsigned bad = 12345;
    const bool ok = parseEepromDump(bytes, memory, known, bad);
    if (memory.size() != kProgramMemory || known.size() != kProgramMemory) __builtin_trap();
    if (!ok) {
        if (bad == 0 || bad > kEeLines || bad > textLines(bytes).size()) __builtin_trap();
        return 0;
    }
    if (bad != 0) __builtin_trap();
    // The lines read are a prefix of the memory; the rest stays erased and unknown.
    const size_t n = knownLines(known);
    const size_t used = n * kFwRecordBytes;
    static const std::vector<uint8_t> erased(kProgramMemory, 0xFF);
    if (std::memcmp(memory.data() + used, erased.data(), kProgramMemory - used) != 0) __builtin_trap();

    const std::vector<uint8_t> prefix(memory.begin(), memory.begin() + static_cast<long>(used));
    unsigned bad2 = 0;
    if (!parseEepromDump(eepromDumpText(prefix), memory2, known2, bad2) || memory2 != memory ||
        knownLines(known2) != n)
        __builtin_trap();

    // The dump's records from the load address on, as a firmware image, compare as identical.
    static auto fw = std::make_unique<FirmwareImage>();
    const size_t first = kFwLoadAddress / kFwRecordBytes;
    fw->npack = 0;
    for (size_t k = first; k < n; ++k) {
        std::copy(memory.begin() + static_cast<long>(k * kFwRecordBytes),
                  memory.begin() + static_cast<long>((k + 1) * kFwRecordBytes), fw->data[fw->npack].begin());
        ++fw->npack;
    }
    if (fw->npack > 0 && compareFirmwareDump(*fw, bytes).same != 1) __builtin_trap();
    return 0;
}
