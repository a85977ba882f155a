#pragma once
// A board's program EEPROM seen from the line: the program upload ("ATRDnnnn" block count,
// "ATCM04", CRC-checked 34-byte frames answered "OK" / "ERR", "ATCM10") and the dump of the
// whole memory in 64-byte blocks ("ATRD0200" fast or "ATRD0001" slow, then "ATRD4000" and "ATRD").
#include <string>

#include "sim/device.h"

namespace sim {

inline constexpr size_t kProgramFrame = 34;           // 32 program bytes and their CRC (low, high)
inline constexpr size_t kProgramLoadAddress = 0x0100; // record k goes to 0x0100 + 32 k (wrapping)
inline constexpr size_t kProgramDumpBlock = 64;

class BoardProgram {
  public:
    explicit BoardProgram(DeviceState& st) : st_(st) {}
    // In upload mode requests are frames (and the two commands below).
    bool uploading() const { return st_.program.uploading; }
    // In upload mode, "ATCM04" (resynchronise) and "ATCM10" (leave) are commands.
    static bool isCommand(const std::string& line) { return line == "ATCM04" || line == "ATCM10"; }
    // A request in upload mode.
    Reply upload(const std::string& rq);
    // A command outside upload mode: true when it was handled here with `r`. "ATRDxxxx" is only
    // observed (false): it also sets the block count and the dump mode.
    bool command(const std::string& cmd, const std::string& arg, uint16_t previousAddress, Reply& r);

  private:
    DeviceState& st_;
};

} // namespace sim
