// The identification replies: "ATVR" (hardware code, firmware version, release text), the boot
// loader's answer to "***", and the "OK" / "ERR" lines a board streams back during a fast upload.
#include <string_view>

#include "firmware/upload.h"
#include "fuzz_target.h"
#include "link/korvane_com.h"
#include "shell/korvane.h"

KORVANE_FUZZ_TARGET(version_reply) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Flag = FlagSet{};
    Datalogger = LoggerVersion{};
    FW_release.clear();

    applyVersionReply(text);
    if (FW_release.size() > kFwReleaseMax || Datalogger.fw > 0xFF) __builtin_trap();
    if (FW_release.find('\0') != std::string::npos) __builtin_trap();
    if (Flag.RX43 && !Flag.RX42) __builtin_trap();

    const bool boot = applyBootReply(text);
    if (boot != (Flag.RX43BOOT == 1) || Flag.bootvers.size() > 12) __builtin_trap();
    if (boot != (text.size() >= 2 && (static_cast<uint8_t>(text[1]) & 0xF0) == 0xB0)) __builtin_trap();

    AckScanner scanner;
    for (char c : text) {
        const AckScanner::Kind k = scanner.feed(static_cast<uint8_t>(c));
        if (c != '\r' && k != AckScanner::None) __builtin_trap(); // only a CR completes a line
    }
    return 0;
}
