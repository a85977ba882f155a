#pragma once
// A C stream closed when its owner goes, on every path; reading a whole file.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

inline File openFile(const std::string& name, const char* mode) {
    return File(std::fopen(name.c_str(), mode));
}

// The content of a file, at most `maxBytes` of it; `ok` false when it cannot be opened.
inline std::string readWholeFile(const std::string& path, bool& ok, size_t maxBytes = SIZE_MAX) {
    File f = openFile(path, "rb");
    ok = f != nullptr;
    std::string s;
    if (!f) return s;
    char buf[8192];
    size_t n;
    while (s.size() < maxBytes && (n = std::fread(buf, 1, sizeof buf, f.get())) > 0) s.append(buf, n);
    if (s.size() > maxBytes) s.resize(maxBytes);
    return s;
}
