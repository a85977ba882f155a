#pragma once
// The one CRC of the program (CRC-16/X-25: reflected polynomial 0x1021, initial value 0xFFFF,
// final complement), stored low byte first. It protects firmware and EEPROM file lines and the
// inverter packets.
#include <array>
#include <cstdint>
#include <span>

// The CRC of `data` as the two bytes stored after it (low byte first).
std::array<uint8_t, 2> crcPowerOneBytes(std::span<const uint8_t> data);

// Computes the CRC of buf[0..nbyte-1], compares it with buf[nbyte] and buf[nbyte+1], then writes
// the computed CRC there. 1 when the bytes matched before, else 0. `buf` must hold nbyte + 2
// bytes. Used both to check a CRC (the result) and to append one (the result ignored).
int crc_powerone(uint8_t* buf, int nbyte);
