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

KORVANE_FUZZ_TARGET(ee_file) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::vector<uint8_t> memory;
    std::vector<bool> known;
    unsigned bad = 12345;
    const bool ok = parseEepromDump(bytes, memory, known, bad);
    if (memory.size() != kProgramMemory || known.size() != kProgramMemory) __builtin_trap();
    const size_t lines = textLines(bytes).size();
    if (!ok) {
        if (bad == 0 || bad > lines || bad > kEeLines) __builtin_trap();
        return 0;
    }
    if (bad != 0) __builtin_trap();
    // The lines read are a prefix of the memory; the rest stays erased and unknown.
    size_t n = 0;
    while (n < kEeLines && known[n * kFwRecordBytes]) ++n;
    static const std::vector<uint8_t> erased(kProgramMemory, 0xFF);
    const size_t used = n * kFwRecordBytes;
    for (size_t k = 0; k < kEeLines; ++k)
        if (known[k * kFwRecordBytes + kFwRecordBytes - 1] != (k < n)) __builtin_trap();
    if (std::memcmp(memory.data() + used, erased.data(), kProgramMemory - used) != 0) __builtin_trap();

    const std::vector<uint8_t> prefix(memory.begin(), memory.begin() + static_cast<long>(n * kFwRecordBytes));
    const std::string again = eepromDumpText(prefix);
    std::vector<uint8_t> memory2;
    std::vector<bool> known2;
    unsigned bad2 = 0;
    if (!parseEepromDump(again, memory2, known2, bad2) || memory2 != memory || known2 != known)
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
