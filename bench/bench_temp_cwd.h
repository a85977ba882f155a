#pragma once
// A fresh working folder under the system's temporary folder for one benchmark, removed
// afterwards with everything written into it.
#include <filesystem>
#include <string>

namespace bench {

struct TempCwd {
    explicit TempCwd(const std::string& name = "korvane-bench")
        : dir(std::filesystem::temp_directory_path() / name) {
        std::filesystem::create_directories(dir);
        std::filesystem::current_path(dir);
    }
    ~TempCwd() {
        std::filesystem::current_path(old);
        std::filesystem::remove_all(dir);
    }
    std::filesystem::path old = std::filesystem::current_path();
    std::filesystem::path dir;
};

} // namespace bench
