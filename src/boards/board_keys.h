#pragma once
// Maintenance functions of the main panel for the energy and interface boards: the energy and
// production-day counters and the Option register.
#include "platform/ui.h"

// The energy counter (and, on an MW51 from firmware 2.0, the production-day counter) through
// the range box. 1 = done (or cancelled), 0 = a board failure (reported).
int boardCountersKey(Window owner);
// The Option register (2 bytes at EEPROM address 0x15) through the range box, written in the
// board's working copy. 1 = done (or cancelled), 0 = a board failure (reported).
int optionRegisterKey(Window owner);
