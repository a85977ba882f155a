#pragma once
// A C stream closed when its owner goes, on every path.
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
