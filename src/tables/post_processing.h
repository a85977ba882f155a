#pragma once
// The post-processing programs that may sit in the program's folder (Exe_dir). They are not part
// of Korvane: each is found by its name and started with the data file just exported as its one
// argument.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Names of the programs, by list index.
inline constexpr std::array<const char*, 2> Lista_plugin = {"Pcomp", "Heatlane"};

struct PluginFile {
    int index = 0;    // in Lista_plugin
    std::string path; // the file found
};

// The programs of Lista_plugin present in `dir`, in list order. A program is present when `dir`
// holds an executable regular file (a link to one counts) whose name, ignoring case, is the
// program's name followed by "." and `ext`, or the bare name; when several names fit, the first
// in byte order is taken.
std::vector<PluginFile> findPlugins(const std::string& dir, const std::string& ext);

// Counts the programs present in `szDir` and appends their list indexes to `plug_index`.
int findFile(const std::string& szDir, const std::string& szExt, std::vector<uint8_t>& plug_index);

// Runs a program found by findPlugins in Exe_dir with Data_file as its one argument and waits
// until it ends; `idle` is called meanwhile (see runProgramAndWait). Returns its exit status, -1
// when it could not be started.
int runPlugin(const PluginFile& plugin, const std::function<void()>& idle = {});
