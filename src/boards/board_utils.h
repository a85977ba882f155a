#pragma once
// Energy-board EEPROM access over the link.
#include <cstdint>

// One "ATEE" read at the current EEPROM address: the byte, or -1. A reply that is not a byte's
// two hex digits ("ERR" from a device that does not know the command) is a failure, never a byte.
int readEeByte();
// Reads `nbyte` bytes of the parameter EEPROM from address `ofs` into `par`: 1 = done.
int get_MW51_par(int nbyte, uint16_t ofs, uint8_t* par);
// Reads a value of 1..4 bytes (least significant first) at `startadd`: 1 = done.
int read_EE_par(uint8_t nbyte, uint8_t startadd, uint32_t* pval);
// Writes a value of 1..4 bytes (least significant first) at `startadd`: 1 = done.
int write_EE_par(uint8_t nbyte, uint8_t startadd, uint32_t val);
