// korvane-mkfw: makes a firmware file (.fw) from a program binary, for tests and the demo.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "sim/firmware_file.h"

namespace {

const char kUsage[] =
    "usage: korvane-mkfw [options] PROGRAM.bin OUTPUT.fw\n"
    "\n"
    "Writes the firmware file of a program binary: header \"FW\", board type, version; one record\n"
    "line per 32 bytes with its CRC; the program padded with 0xFF to whole 64-byte blocks.\n"
    "\n"
    "  --board N      board type 0..15 (default 5, MW51; 11 = RX43)\n"
    "  --version M.m  version characters (default 1.0)\n"
    "  --lower        lower-case hexadecimal digits\n"
    "  --lf           LF line ends, none after the last line\n"
    "  --sample N     ignore PROGRAM.bin's contents: a generated program of N records (N even)\n";

int usage(const char* why) {
    std::fprintf(stderr, "korvane-mkfw: %s\n\n%s", why, kUsage);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    sim::FirmwareFileOptions o;
    std::vector<std::string> files;
    long sample = -1;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (a == "--lower") {
            o.lowerCase = true;
        } else if (a == "--lf") {
            o.lfOnly = true;
        } else if (a == "--board" && i + 1 < argc) {
            char* end = nullptr;
            const long n = std::strtol(argv[++i], &end, 10);
            if (*end || n < 0 || n > 15) return usage("--board takes 0..15");
            o.board = static_cast<unsigned>(n);
        } else if (a == "--version" && i + 1 < argc) {
            const char* v = argv[++i];
            if (std::strlen(v) != 3 || v[1] != '.') return usage("--version takes M.m (one character each)");
            o.major = v[0];
            o.minor = v[2];
        } else if (a == "--sample" && i + 1 < argc) {
            char* end = nullptr;
            sample = std::strtol(argv[++i], &end, 10);
            if (*end || sample < 0 || sample > 1024 || sample % 2)
                return usage("--sample takes an even 0..1024");
        } else if (!a.empty() && a[0] != '-') {
            files.push_back(a);
        } else {
            return usage(("unexpected argument " + a).c_str());
        }
    }
    if (files.size() != (sample >= 0 ? 1u : 2u)) return usage("a program and an output file are needed");
    std::vector<uint8_t> program;
    if (sample >= 0) {
        program = sim::sampleProgram(static_cast<size_t>(sample));
    } else {
        std::ifstream in(files[0], std::ios::binary);
        if (!in) return usage(("cannot read " + files[0]).c_str());
        program.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (program.size() > 1024 * 32) return usage("the program exceeds 1024 records (32768 bytes)");
    }
    const std::string text = sim::makeFirmwareFile(program, o);
    std::ofstream out(files.back(), std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) {
        std::fprintf(stderr, "korvane-mkfw: cannot write %s\n", files.back().c_str());
        return 1;
    }
    return 0;
}
