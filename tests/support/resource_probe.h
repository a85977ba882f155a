#pragma once
// What this process holds: its open descriptors and its memory, sampled before and after
// repeated operations to show that they give back everything they take.
#include <cstddef>
#include <map>
#include <string>

// The open descriptors of this process (from /proc/self/fd; the listing's own descriptor is left
// out) with the path or kind each refers to.
std::map<int, std::string> openDescriptors();
// Their number, counted without allocating memory.
size_t openDescriptorCount();
// "fd -> target" lines of the descriptors in `after` that are not in `before` (or changed).
std::string newDescriptors(const std::map<int, std::string>& before, const std::map<int, std::string>& after);

// Heap bytes in use: the allocator's own count (AddressSanitizer's under the sanitizers).
size_t heapInUseBytes();
// glibc counts the blocks of its per-thread cache of freed blocks (up to seven of each small
// size) as in use, and that cache fills slowly with every new block size, so the count creeps up
// without a leak. This environment setting turns the cache off.
inline constexpr const char* kExactHeapSetting = "GLIBC_TUNABLES=glibc.malloc.tcache_count=0";
// True when heapInUseBytes() counts exactly what is in use: under the sanitizers, or with the
// setting above in this process's environment.
bool heapCountIsExact();

// Resident set size from /proc/self/statm [bytes].
size_t residentBytes();
// False under AddressSanitizer: it keeps freed blocks in quarantine (up to 256 MiB), so the
// resident size grows there without a leak.
bool residentSizeIsSteady();
