// Replays fuzz corpora: `korvane_fuzz_replay TARGET DIR|FILE...` feeds every file to the named
// target once (and an empty input first). A target's corpus holds its seeds and every input
// that once found a fault, so this keeps the fixed faults fixed in the normal test suite.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "fuzz_target.h"

namespace fs = std::filesystem;

namespace {
std::map<std::string, fuzz::TargetFn>& targets() {
    static std::map<std::string, fuzz::TargetFn> t;
    return t;
}

int runFile(fuzz::TargetFn fn, const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // A copy of exactly the file's size, so reads past the end are caught by the sanitizers.
    std::vector<uint8_t> exact(bytes);
    return fn(exact.empty() ? nullptr : exact.data(), exact.size());
}
} // namespace

bool fuzz::registerTarget(const char* name, TargetFn fn) {
    targets()[name] = fn;
    return true;
}

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s TARGET DIR|FILE...\ntargets:", argv[0]);
        for (const auto& [name, fn] : targets()) std::fprintf(stderr, " %s", name.c_str());
        std::fprintf(stderr, "\n");
        return 64;
    }
    auto it = targets().find(argv[1]);
    if (it == targets().end()) {
        std::fprintf(stderr, "no fuzz target '%s'\n", argv[1]);
        return 64;
    }
    // The paths as given, before setUp makes the scratch folder the working folder.
    std::vector<fs::path> args;
    for (int i = 2; i < argc; ++i) args.push_back(fs::absolute(argv[i]));
    fuzz::setUp();
    it->second(nullptr, 0);
    size_t count = 0;
    for (const fs::path& arg : args) {
        std::vector<fs::path> files;
        if (fs::is_directory(arg)) {
            for (const auto& e : fs::recursive_directory_iterator(arg))
                if (e.is_regular_file()) files.push_back(e.path());
        } else if (fs::is_regular_file(arg)) {
            files.push_back(arg);
        } else {
            std::fprintf(stderr, "%s: no such file or folder\n", arg.c_str());
            return 1;
        }
        std::sort(files.begin(), files.end());
        for (const auto& f : files) {
            runFile(it->second, f);
            ++count;
        }
    }
    if (count == 0) {
        std::fprintf(stderr, "%s: the corpus is empty\n", argv[1]);
        return 1;
    }
    std::printf("%s: %zu inputs replayed\n", argv[1], count);
    return 0;
}
