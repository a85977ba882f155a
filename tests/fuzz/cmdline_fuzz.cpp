// The desktop program's command line: the tokenizer with a recording callback (file names to
// Data_file, options with their arguments, each within its cap), then every option but -p (which
// opens a port) applied as the program applies it.
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_target.h"
#include "shell/korvane.h"

namespace {
struct Option {
    char cmd;
    std::string arg;
};
std::vector<Option> recorded;
void record(char cmd, const std::string& arg) {
    recorded.push_back({cmd, arg});
}
} // namespace

KORVANE_FUZZ_TARGET(cmdline) {
    // The command line is a C text: it ends at the first zero byte.
    const std::string line(reinterpret_cast<const char*>(data),
                           size ? strnlen(reinterpret_cast<const char*>(data), size) : 0);
    recorded.clear();
    Data_file.clear();
    readCMD(line.c_str(), record);
    if (Data_file.size() > kDataFileMax || Data_file.size() > line.size()) __builtin_trap();
    for (const Option& o : recorded) {
        const size_t cap = o.cmd == 'p' ? kCommPortMax : kOptionArgMax;
        if (o.cmd == 0 || o.cmd == ' ' || o.arg.size() > cap || o.arg.find(' ') != std::string::npos)
            __builtin_trap();
    }

    Flag = FlagSet{};
    BR_value = 256000;
    TMO_value = 0;
    for (const Option& o : recorded)
        if (o.cmd != 'p') doCMD(o.cmd, o.arg);
    static const uint32_t kRates[] = {1200,  2400,  4800,  9600,   14400,  19200,
                                      38400, 56000, 57600, 115200, 128000, 256000};
    bool rate = false;
    for (uint32_t r : kRates) rate = rate || BR_value == r;
    if (!rate || TMO_value > INT_MAX || (Flag.comma & ~1) || (Flag.file_format & ~1) || (Flag.modem & ~1) ||
        (Flag.fast_read & ~1))
        __builtin_trap();
    return 0;
}
