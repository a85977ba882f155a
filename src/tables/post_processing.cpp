#include "tables/post_processing.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <unistd.h>

#include "platform/run_program.h"
#include "shell/korvane.h"

namespace {

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

// Whether `name` is the program `prog`, with or without the extension `ext`.
bool namesProgram(std::string_view name, std::string_view prog, std::string_view ext) {
    if (sameIgnoringCase(name, prog)) return true;
    if (ext.empty() || name.size() != prog.size() + 1 + ext.size() || name[prog.size()] != '.') return false;
    return sameIgnoringCase(name.substr(0, prog.size()), prog) &&
           sameIgnoringCase(name.substr(prog.size() + 1), ext);
}

bool isExecutableFile(const std::filesystem::path& p) {
    std::error_code ec;
    return std::filesystem::is_regular_file(p, ec) && ::access(p.c_str(), X_OK) == 0;
}

} // namespace

std::vector<PluginFile> findPlugins(const std::string& dir, const std::string& ext) {
    std::vector<PluginFile> found;
    std::error_code ec;
    std::vector<std::filesystem::path> entries;
    for (std::filesystem::directory_iterator it(dir.empty() ? "." : dir, ec), end; !ec && it != end;
         it.increment(ec))
        entries.push_back(it->path());
    std::sort(entries.begin(), entries.end());
    for (size_t i = 0; i < Lista_plugin.size(); ++i) {
        for (const auto& p : entries) {
            if (!namesProgram(p.filename().native(), Lista_plugin[i], ext) || !isExecutableFile(p)) continue;
            // Absolute: the program starts in its own folder, where a relative path would not hold.
            std::filesystem::path full = std::filesystem::absolute(p, ec);
            found.push_back({static_cast<int>(i), (ec ? p : full).string()});
            break;
        }
    }
    return found;
}

int findFile(const std::string& szDir, const std::string& szExt, std::vector<uint8_t>& plug_index) {
    const std::vector<PluginFile> found = findPlugins(szDir, szExt);
    for (const PluginFile& f : found) plug_index.push_back(static_cast<uint8_t>(f.index));
    return static_cast<int>(found.size());
}

int runPlugin(const PluginFile& plugin, const std::function<void()>& idle) {
    return runProgramAndWait(plugin.path, {Data_file}, Exe_dir, idle);
}
