#include "support/resource_probe.h"

#include <dirent.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#if defined(__SANITIZE_ADDRESS__)
#define KORVANE_ASAN_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KORVANE_ASAN_HEAP 1
#endif
#endif
#ifdef KORVANE_ASAN_HEAP
// The sanitizer runtime's count of the bytes allocated and not freed (GCC ships no header for it).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

// Calls `each(fd)` for every open descriptor but the listing's own.
template <class Each> void forEachDescriptor(Each each) {
    DIR* dir = opendir("/proc/self/fd");
    if (!dir) return;
    const int own = dirfd(dir);
    while (const dirent* e = readdir(dir)) {
        char* end = nullptr;
        const long fd = std::strtol(e->d_name, &end, 10);
        if (end != e->d_name && *end == '\0' && fd != own) each(static_cast<int>(fd), e->d_name);
    }
    closedir(dir);
}

} // namespace

std::map<int, std::string> openDescriptors() {
    std::map<int, std::string> fds;
    forEachDescriptor([&](int fd, const char* name) {
        char target[4096];
        const std::string link = std::string("/proc/self/fd/") + name;
        const ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
        fds[fd] = n > 0 ? std::string(target, static_cast<size_t>(n)) : "?";
    });
    return fds;
}

size_t openDescriptorCount() {
    size_t n = 0;
    forEachDescriptor([&](int, const char*) { ++n; });
    return n;
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

size_t heapInUseBytes() {
#ifdef KORVANE_ASAN_HEAP
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd; // small blocks in use plus the blocks mapped on their own
#endif
}

bool heapCountIsExact() {
#ifdef KORVANE_ASAN_HEAP
    return true;
#else
    const char* tunables = std::getenv("GLIBC_TUNABLES");
    const char* wanted = std::strchr(kExactHeapSetting, '=') + 1;
    return tunables && std::strstr(tunables, wanted);
#endif
}

bool residentSizeIsSteady() {
#ifdef KORVANE_ASAN_HEAP
    return false;
#else
    return true;
#endif
}

size_t residentBytes() {
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return 0;
    unsigned long size = 0, resident = 0;
    const bool read = std::fscanf(f, "%lu %lu", &size, &resident) == 2;
    std::fclose(f);
    return read ? resident * static_cast<size_t>(sysconf(_SC_PAGESIZE)) : 0;
}
