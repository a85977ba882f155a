#include "shell/config_files.h"

#include <cstdlib>
#include <filesystem>

#include "shell/korvane.h"

namespace fs = std::filesystem;

std::string userConfigDir() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg) return (fs::path(xdg) / "korvane").string();
    const char* home = std::getenv("HOME");
    if (home && *home) return (fs::path(home) / ".config" / "korvane").string();
    return {};
}

std::vector<std::string> configFilesToRead(const std::string& name) {
    std::vector<std::string> out;
    std::error_code ec;
    for (const std::string& dir : {Exe_dir, userConfigDir()}) {
        if (dir.empty()) continue;
        const fs::path p = fs::path(dir) / name;
        if (!fs::is_regular_file(p, ec)) continue;
        if (!out.empty() && fs::equivalent(out.front(), p, ec)) continue; // the same folder twice
        out.push_back(p.string());
    }
    return out;
}

std::string findConfigFile(const std::string& name) {
    const auto files = configFilesToRead(name);
    return files.empty() ? std::string() : files.front();
}

std::string writableConfigFile(const std::string& name) {
    const std::string dir = userConfigDir();
    std::error_code ec;
    if (!dir.empty()) {
        fs::create_directories(dir, ec);
        if (fs::is_directory(dir, ec)) return (fs::path(dir) / name).string();
    }
    return (fs::path(Exe_dir) / name).string();
}
