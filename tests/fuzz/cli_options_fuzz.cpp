// korvane-cli's command line: the words (the input split at zero bytes) read into the global
// options, the command and its words; the options' arguments within the desktop program's caps,
// then applied as korvane-cli applies them (all but -p, which opens a port).
#include <cstring>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "fuzz_target.h"
#include "shell/korvane.h"

KORVANE_FUZZ_TARGET(cli_options) {
    std::vector<std::string> words{"korvane-cli"};
    size_t start = 0;
    for (size_t i = 0; i <= size; ++i) {
        if (i == size || data[i] == 0) {
            if (i > start || i < size)
                words.emplace_back(reinterpret_cast<const char*>(data) + start, i - start);
            start = i + 1;
        }
    }
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    CliOptions opts;
    std::string err;
    const bool ok = parseCliOptions(static_cast<int>(words.size()), argv.data(), opts, err);
    if (ok == !err.empty()) __builtin_trap(); // a reason exactly when refused
    const size_t used = opts.options.size() + opts.arguments.size() + (opts.command.empty() ? 0 : 1);
    if (used + 1 > words.size()) __builtin_trap(); // each takes a word of its own
    for (const CliOption& o : opts.options) {
        if (!std::strchr("pbktolm", o.letter) || o.letter == 0) __builtin_trap();
        if (o.argument.size() > (o.letter == 'p' ? kCommPortMax : kOptionArgMax)) __builtin_trap();
        if ((o.letter == 'l' || o.letter == 'm') && !o.argument.empty()) __builtin_trap();
    }
    if (!ok || opts.help) return 0;
    Flag = FlagSet{};
    BR_value = 256000;
    TMO_value = 0;
    for (const CliOption& o : opts.options)
        if (o.letter != 'p') doCMD(o.letter, o.argument);
    return 0;
}
