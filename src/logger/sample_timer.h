#pragma once
// The logger's sample timer (dialog 700): the value the logger hands on to the nodes that the
// user activates next.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ui.h"

inline constexpr unsigned kSaTmrInitial = 180; // [s] the value field when the dialog opens
inline constexpr unsigned kSaTmrMax = 65535;   // [s]

// The value field as Enter and "Apply" read it: a whole decimal number (blanks around it, a
// sign allowed) clamped to 0..65535; text that is not a number reads as 0.
unsigned saTmrClamp(std::string_view text);
// "ATST" with the value as 4 upper-case hex digits, and CR.
std::string saTmrCommand(unsigned value);
// The note shown after a value was sent: what to do next in the ASSIGN state (StatusReg bit 4
// clear) or in the READY state (bit 4 set). Title "Info".
extern const char kSaTmrAssignInfo[];
extern const char kSaTmrReadyInfo[];
const char* saTmrInfoText(uint8_t statusReg);

// "Apply" with `value` (already clamped): 0 sends "ATST0000" and the dialog stays open (result
// 0); any other value is sent, the note for the logger's state is shown and the dialog closes
// (result 1). The replies are not examined.
int saTmrApply(Window owner, unsigned value);
