#pragma once
// What this process holds: its open descriptors and its memory, sampled before and after
// repeated operations to show that they give back everything they take.
#include <cstddef>
#include <map>
#include <string>

struct ResourceUsage {
    std::map<int, std::string> descriptors; // open descriptor -> what it refers to
    size_t heapBytes = 0;                   // bytes the allocator has handed out and not got back
    size_t residentBytes = 0;               // resident set size [bytes]
};

// The open descriptors of this process (from /proc/self/fd; the listing's own descriptor is left
// out) with the path or kind each refers to.
std::map<int, std::string> openDescriptors();
// Heap bytes in use: the allocator's own count (AddressSanitizer's under the sanitizers).
size_t heapInUseBytes();
// Resident set size from /proc/self/statm [bytes].
size_t residentBytes();
ResourceUsage sampleResources();
// "fd -> target" lines of the descriptors in `after` that are not in `before` (or changed).
std::string newDescriptors(const std::map<int, std::string>& before, const std::map<int, std::string>& after);
