#include "firmware/crc_powerone.h"

std::array<uint8_t, 2> crcPowerOneBytes(std::span<const uint8_t> data) {
    // Byte-wise on the two halves of the register.
    uint8_t bccl = 0xFF, bcch = 0xFF;
    for (uint8_t b : data) {
        uint8_t bccnew = static_cast<uint8_t>(b ^ bccl);
        uint8_t temp = static_cast<uint8_t>(bccnew << 4);
        bccnew = static_cast<uint8_t>(temp ^ bccnew);
        temp = static_cast<uint8_t>(bccnew >> 5);
        bccl = bcch;
        bcch = static_cast<uint8_t>(bccnew ^ temp);
        temp = static_cast<uint8_t>(bccnew << 3);
        bccl = static_cast<uint8_t>(bccl ^ temp);
        temp = static_cast<uint8_t>(bccnew >> 4);
        bccl = static_cast<uint8_t>(bccl ^ temp);
    }
    return {static_cast<uint8_t>(~bccl), static_cast<uint8_t>(~bcch)};
}

int crc_powerone(uint8_t* buf, int nbyte) {
    if (!buf || nbyte < 0) return 0;
    const size_t n = static_cast<size_t>(nbyte);
    const auto crc = crcPowerOneBytes({buf, n});
    const int matched = buf[n] == crc[0] && buf[n + 1] == crc[1];
    buf[n] = crc[0];
    buf[n + 1] = crc[1];
    return matched;
}
