// The boards' program EEPROM: upload and dump.
#include "sim/board_program.h"

#include <algorithm>

#include "sim/logger_device.h"

namespace sim {

using namespace reply;

Reply BoardProgram::upload(const std::string& rq) {
    ProgramMemory& p = st_.program;
    if (rq == "ATCM04") { // resynchronise: the next frame is the next record; no reply
        p.rejecting = false;
        return {};
    }
    if (rq == "ATCM10") {
        p.uploading = false;
        p.rejecting = false;
        return ok();
    }
    if (rq.size() != kProgramFrame || p.rejecting) return err();
    const auto* b = reinterpret_cast<const uint8_t*>(rq.data());
    const uint16_t crc = crcX25(b, 32);
    bool accept = b[32] == (crc & 0xFF) && b[33] == (crc >> 8) && p.records < p.limit;
    int fault = -1;
    if (auto it = p.recordFaults.find(p.records); accept && it != p.recordFaults.end()) {
        fault = it->second;
        p.recordFaults.erase(it);
        accept = fault != kRecordRefused;
    }
    if (!accept) {
        p.rejecting = true; // every frame is refused until "ATCM04"
        return err();
    }
    const size_t at = (kProgramLoadAddress + p.records * 32) % kProgramSize;
    std::copy(b, b + 32, p.bytes.begin() + static_cast<std::ptrdiff_t>(at));
    ++p.records;
    if (fault == kRecordUnanswered) return {};
    return ok();
}

bool BoardProgram::command(const std::string& cmd, const std::string& arg, uint16_t previousAddress,
                           Reply& r) {
    ProgramMemory& p = st_.program;
    uint32_t v = 0;
    if (cmd == "CM" && hexArg(arg, 2, v) && (v == 0x04 || v == 0x10 || v == 0x0F)) {
        if (v == 0x04) { // upload of the block count announced by the last "ATRDxxxx"
            p.uploading = true;
            p.rejecting = false;
            p.records = 0;
            p.limit = 2u * st_.eeAddress;
        }
        r = ok(); // "ATCM10" outside the upload, "ATCM0F" (restart): acknowledged
        return true;
    }
    if (cmd == "RD" && hexArg(arg, 4, v)) {
        p.dumping = v == 0x4000 && (previousAddress == 0x0200 || previousAddress == 0x0001);
        p.dumpFast = previousAddress == 0x0200;
        p.dumpPos = 0;
        return false;
    }
    if (cmd == "RD" && arg.empty() && p.dumping) {
        // Slow: one block per request. Fast: the rest of the memory streamed at once.
        const size_t n = p.dumpFast ? kProgramSize - p.dumpPos : kProgramDumpBlock;
        r = {{std::string(reinterpret_cast<const char*>(p.bytes.data()) + p.dumpPos, n), 0}};
        p.dumpPos += n;
        if (p.dumpPos >= kProgramSize) p.dumping = false;
        return true;
    }
    return false;
}

} // namespace sim
