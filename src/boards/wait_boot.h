#pragma once
// The wait for a board that restarts after a reset or a restore of its defaults.
#include "platform/ui.h"

inline constexpr unsigned kBootWaitMs = 6000; // [ms] longest wait for the board to answer again
inline constexpr unsigned kBootPollMs = 100;  // [ms] pause between two attempts

// Waits for the energy or interface board itself (`scheda` = 0: "ATOS" answered) or for the
// display board CodeD behind it (its firmware byte equals MW51h_fw again), with the wait window
// and its progress bar. 1 = the board answered within 6 s; 0 = it did not, or the user aborted.
int wait_boot(Window hDlg, int scheda);
