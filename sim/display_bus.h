#pragma once
// What the energy board keeps beside its working parameter block: the committed copy, the
// restart delay, the display boards on its I2C bus and the GSM module in display slot 2.
#include <array>
#include <cstdint>

namespace sim {

// Kinds of display board, as the board-kind operation reports them.
enum class DisplayKind : uint8_t { MW51h = 1, MW55h = 2, MW53h = 3 };

// One display board's registers; `saved` is what it restores on a reset.
struct SimDisplayRegs {
    uint8_t ndigit = 5, dpoint = 3, dlux = 128, option = 0x01, option2 = 0, rxto = 20;
    bool operator==(const SimDisplayRegs&) const = default;
};
struct SimDisplay {
    bool present = false;
    uint8_t fw = 0x21; // firmware version byte
    SimDisplayRegs regs, saved;
    int pendingControl = 0;      // first byte of a two-byte control sequence (0xEE, 0xDD)
    uint32_t restartUntilMs = 0; // [ms of the device clock] silent (answered ERR) until then
};

struct SimDisplayBus {
    DisplayKind kind = DisplayKind::MW51h;
    std::array<SimDisplay, 8> displays{};
    std::array<uint8_t, 8> option3{}, option3Saved{}; // MW55h option registers
    bool gsm = true;                                  // a GSM module answers in slot 2
    uint8_t gsmLevel = 17, gsmBer = 0;                // its "+CSQ" signal level and bit error rate
};

// Displays 0..2 (MW51h), the GSM module present.
SimDisplayBus defaultDisplayBus();

} // namespace sim
