// The energy board's parameter file (.mw1): the marker and the 41-byte block checked and taken;
// a block loaded is written back to a file byte-identical to the input, which loads back equal;
// the loaded block is shown (description, edit fields) as the parameter screen shows it.
#include <cstring>
#include <string_view>

#include "boards/energy_board.h"
#include "boards/tel_number.h"
#include "fuzz_target.h"
#include "platform/file_handle.h"
#include "shell/korvane.h"

KORVANE_FUZZ_TARGET(mw1_file) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ee_buf ee;
    std::memset(ee.buf, 0xA5, kEeSize);
    const ee_buf before = ee;
    const int r = parseParamFile(bytes, ee);
    if (r == 2) {
        if (std::memcmp(ee.buf, before.buf, kEeSize) != 0) __builtin_trap(); // a refused file changes nothing
        return 0;
    }
    if (r != 3 || size != kParamFileSize) __builtin_trap();

    if (writeParamFile("params.mw1", ee) != 1) __builtin_trap();
    bool ok = false;
    if (readWholeFile("params.mw1", ok) != bytes || !ok) __builtin_trap();
    ee_buf back{};
    if (readParamFile("params.mw1", back) != 3 || std::memcmp(back.buf, ee.buf, kEeSize) != 0)
        __builtin_trap();

    const std::string text = describeMW51a(ee);
    if (text.empty()) __builtin_trap();
    if (unzipTel(std::span<const uint8_t, kTelBytes>(ee.ram.N_telefono)).size() > kTelChars) __builtin_trap();
    initParcfg();
    Flag.VKE15 = bytes[0] & 1;
    parcfgFromEe(ee);
    ee_buf edited = ee;
    for (int i = 0; i < static_cast<int>(kParcfgItems); ++i) testValue(i, edited);
    Flag.VKE15 = 0;
    return 0;
}
