#pragma once
// The energy board's parameter commands beyond reading and writing the block (commit, factory
// defaults, reset with its silent restart, the remote commands) and the "ATSD" pass-through to
// the display boards and the GSM module.
#include <string>

#include "sim/device.h"

namespace sim {

// "ATCM0F", "ATCM10".."ATCM13": true when `code` is one of them (`r` then holds the reply and
// `restart` says whether the board now restarts).
bool boardControl(DeviceState& st, uint32_t code, Reply& r, bool& restart);
// "ATSD" + `arg`; false = answered "ERR".
bool displayCommand(DeviceState& st, const std::string& arg, Reply& r);

} // namespace sim
