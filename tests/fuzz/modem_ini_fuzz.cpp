// modem.ini as the modem set-up reads it: the file's bytes cut into the commands that are sent.
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_target.h"
#include "link/modem.h"

KORVANE_FUZZ_TARGET(modem_ini) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> lines = modemIniLines(bytes);
    // Every line that ends with CR or LF and is not empty is sent, cut to its length; nothing of
    // a last line without its end is.
    size_t k = 0, start = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n') continue;
        const std::string_view line = bytes.substr(start, i - start);
        start = i + 1;
        if (line.empty()) continue;
        if (k >= lines.size() || lines[k] != line.substr(0, kModemLineMax)) __builtin_trap();
        ++k;
    }
    if (k != lines.size()) __builtin_trap();
    for (const std::string& l : lines)
        if (l.empty() || l.size() > kModemLineMax) __builtin_trap();
    return 0;
}
