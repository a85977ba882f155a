#pragma once
// The hostile device: what it does instead of answering properly. With the fault `hostile=P`
// each request's reply (and each batch of unsolicited monitor lines) is, with probability P,
// replaced by one of these. Everything is drawn from the line's fault dice, so a seed always
// gives the same bytes for the same requests.
#include <cstddef>
#include <string>
#include <string_view>

#include "sim/splitmix.h"

namespace sim {

enum class Hostile {
    None,
    Garbage,     // random bytes of every value (CR among them), up to kHostileGarbageMax
    Truncated,   // the reply cut short: its end (and terminator) never comes
    LongLine,    // a line of several KB (kHostileLongMin..kHostileLongMax) instead of the reply
    StrayBefore, // an unsolicited line, then the reply
    StrayAfter,  // the reply, then an unsolicited line (or the reply once more)
};
inline constexpr size_t kHostileGarbageMax = 600; // [bytes]
inline constexpr size_t kHostileLongMin = 2048;   // [bytes]
inline constexpr size_t kHostileLongMax = 8192;   // [bytes]
inline constexpr int kHostileKinds = 5;           // Garbage .. StrayAfter

// With probability `p`, one of the hostile kinds (equally likely); else None.
Hostile pickHostile(double p, SplitMix64& dice);
// The bytes sent instead of `reply`.
std::string hostileBytes(Hostile kind, std::string_view reply, SplitMix64& dice);
// One line a device should never send unasked: modem results, acknowledgements, hex text,
// monitor-like packets, control bytes; ended by CR (sometimes CR LF).
std::string strayLine(SplitMix64& dice);
const char* hostileName(Hostile kind);

} // namespace sim
