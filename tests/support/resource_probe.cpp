#include "support/resource_probe.h"

#include <dirent.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#if defined(__SANITIZE_ADDRESS__)
#define KORVANE_ASAN_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KORVANE_ASAN_HEAP 1
#endif
#endif
#ifdef KORVANE_ASAN_HEAP
#include <sanitizer/allocator_interface.h>
#endif

std::map<int, std::string> openDescriptors() {
    std::map<int, std::string> fds;
    DIR* dir = opendir("/proc/self/fd");
    if (!dir) return fds;
    const int own = dirfd(dir);
    while (const dirent* e = readdir(dir)) {
        char* end = nullptr;
        const long fd = std::strtol(e->d_name, &end, 10);
        if (end == e->d_name || *end != '\0' || fd == own) continue;
        char target[4096];
        const std::string link = std::string("/proc/self/fd/") + e->d_name;
        const ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
        fds[static_cast<int>(fd)] = n > 0 ? std::string(target, static_cast<size_t>(n)) : "?";
    }
    closedir(dir);
    return fds;
}

size_t heapInUseBytes() {
#ifdef KORVANE_ASAN_HEAP
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd; // small blocks in use plus the blocks mapped on their own
#endif
}

size_t residentBytes() {
    std::ifstream statm("/proc/self/statm");
    size_t size = 0, resident = 0;
    if (!(statm >> size >> resident)) return 0;
    return resident * static_cast<size_t>(sysconf(_SC_PAGESIZE));
}

ResourceUsage sampleResources() {
    ResourceUsage u;
    u.descriptors = openDescriptors();
    u.heapBytes = heapInUseBytes();
    u.residentBytes = residentBytes();
    return u;
}

std::string newDescriptors(const std::map<int, std::string>& before,
                           const std::map<int, std::string>& after) {
    std::string lines;
    for (const auto& [fd, target] : after) {
        auto it = before.find(fd);
        if (it == before.end() || it->second != target) lines += std::to_string(fd) + " -> " + target + "\n";
    }
    return lines;
}
