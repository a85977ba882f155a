#pragma once
#include <cstdint>

// Monotonic process clock in milliseconds. Differences are taken as unsigned 32-bit numbers,
// so a wrap of the counter never breaks a time-out computation.
uint32_t nowMs();

// Sleeps for the given number of milliseconds [ms].
void sleepMs(uint32_t ms);
