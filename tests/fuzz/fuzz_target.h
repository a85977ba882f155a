#pragma once
// One parser exercised with arbitrary bytes. A target file is written once and built two ways:
// linked with libFuzzer (KORVANE_LIBFUZZER, scripts/fuzz.sh) it is a fuzzer of its own; in the
// normal build every target registers itself with the replay program, which feeds it each file
// of its corpus (tests/fuzz/corpus/NAME) as an ordinary test.
//
//   KORVANE_FUZZ_TARGET(tab_ass) {
//       ... use data, size ...
//       return 0;
//   }
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace fuzz {

using TargetFn = int (*)(const uint8_t* data, size_t size);
bool registerTarget(const char* name, TargetFn fn);

// Called once before the first input: a quiet UI backend (every message box answers its
// first button's "no" — Ok, Cancel or No — and every file box is cancelled) and a private
// scratch folder on a memory file system as the working folder, removed at exit.
void setUp();

// Writes the input to `name` in the scratch folder and returns its path.
std::string writeScratch(std::string_view name, const uint8_t* data, size_t size);

// The input as text (a copy; the parser may keep pointers into it only for the call).
inline std::string text(const uint8_t* data, size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

} // namespace fuzz

#ifdef KORVANE_LIBFUZZER
#define KORVANE_FUZZ_ENTRY(name)                                                                             \
    extern "C" int LLVMFuzzerInitialize(int*, char***) {                                                     \
        fuzz::setUp();                                                                                       \
        return 0;                                                                                            \
    }                                                                                                        \
    extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {                                \
        return fuzz_##name(data, size);                                                                      \
    }
#else
#define KORVANE_FUZZ_ENTRY(name)                                                                             \
    [[maybe_unused]] static const bool registered_##name = fuzz::registerTarget(#name, fuzz_##name);
#endif

#define KORVANE_FUZZ_TARGET(name)                                                                            \
    static int fuzz_##name(const uint8_t* data, size_t size);                                                \
    KORVANE_FUZZ_ENTRY(name)                                                                                 \
    static int fuzz_##name(const uint8_t* data, size_t size)
