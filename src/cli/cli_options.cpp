#include "cli/cli_options.h"

#include <cstring>

#include "shell/korvane.h"

bool parseCliOptions(int argc, char** argv, CliOptions& out, std::string& err) {
    int i = 1;
    for (; i < argc; ++i) {
        const char* a = argv[i];
        if (std::strcmp(a, "-h") == 0 || std::strcmp(a, "--help") == 0) {
            out.help = true;
            return true;
        }
        if (a[0] != '-' || a[1] == 0) break;
        char letter = a[1];
        if (std::strchr("pbkto", letter)) {
            std::string arg;
            if (a[2] != 0) {
                arg = a + 2;
            } else if (i + 1 < argc) {
                arg = argv[++i];
            } else {
                err = std::string("option -") + letter + " needs an argument";
                return false;
            }
            // The same limits as the desktop program's command line.
            if (letter == 'p') {
                if (arg.size() > kCommPortMax) arg.resize(kCommPortMax);
            } else if (arg.size() > kOptionArgMax) {
                arg.resize(kOptionArgMax);
            }
            out.options.push_back({letter, arg});
        } else if ((letter == 'l' || letter == 'm') && a[2] == 0) {
            out.options.push_back({letter, ""});
        } else {
            err = std::string("unknown option ") + a;
            return false;
        }
    }
    if (i < argc) out.command = argv[i++];
    for (; i < argc; ++i) out.arguments.emplace_back(argv[i]);
    return true;
}
