#pragma once
// The energy board's parameter block: 41 packed little-endian bytes, the same image in the
// board's EEPROM, on the wire and in parameter files. Byte offsets are EEPROM addresses.
#include <bit>
#include <cstddef>
#include <cstdint>

inline constexpr size_t kEeSize = 41;                 // [bytes]
inline constexpr uint8_t kEeComReg2 = 19;             // EEPROM address of ComReg2
inline constexpr uint16_t kEeComReg2Address = 0x0013; // the same, as the "ATRD" argument

#pragma pack(push, 1)
struct ee_ram {
    uint8_t Token;          // carried unchanged
    uint16_t MYadd;         // board address
    uint16_t TCA;           // data acquisition period [s]
    uint16_t NTCA;          // one stored average every NTCA acquisitions
    uint16_t TCM;           // period of the averages kept in memory [s]
    uint16_t Ki;            // meter constant [10 pulses/kWh]
    uint8_t Kco2;           // CO2 factor [0.01 kg/kWh]
    uint8_t Keur;           // revenue factor [0.01 euro/kWh]
    uint32_t Pnom;          // nominal plant power [Wp]
    uint16_t ComReg;        // inverter protocol, line baud rate, wireless-aux value
    uint16_t ComReg2;       // low byte: number of inverters; high byte: first inverter address
    uint16_t Option;        // data sources, alarms, display options
    uint16_t Option2;       // VKE15: destination address in the low byte
    uint8_t Display_gra[8]; // quantity shown by each display (low nibble)
    uint8_t N_telefono[8];  // SMS telephone number, two digits a byte
};
#pragma pack(pop)

// The record seen whole (`ram`) or as its bytes (`buf`). The fields are read straight from the
// bytes, so the host must store numbers least significant byte first, as the board does.
union ee_buf {
    ee_ram ram;
    uint8_t buf[kEeSize];
};
static_assert(sizeof(ee_ram) == kEeSize && sizeof(ee_buf) == kEeSize);
static_assert(offsetof(ee_ram, ComReg2) == kEeComReg2);
static_assert(std::endian::native == std::endian::little);

extern ee_buf EE; // all bytes 0 at start

// Number of inverters and first inverter address held in ComReg2.
inline unsigned inverterCount(const ee_buf& ee) {
    return ee.buf[kEeComReg2];
}
inline unsigned firstInverterAddress(const ee_buf& ee) {
    return ee.buf[kEeComReg2 + 1];
}
