#pragma once
// A temporary folder holding one session data text file (151231_224730) of `rows` rows and
// `channels` channels, with the value texts a download writes (two decimals, one decimal,
// integers), and the global state of a session loaded from it. Shared by the table benchmarks.
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "logger/time_marks.h"
#include "shell/korvane.h"
#include "tables/data_table.h"

namespace bench {

inline constexpr int kRows = 100000;
inline constexpr int kChannels = 20;

inline double peakRssMiB() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return static_cast<double>(ru.ru_maxrss) / 1024.0; // ru_maxrss is in KiB on Linux
}

class SessionFile {
  public:
    SessionFile(int rows = kRows, int channels = kChannels) {
        std::string tmpl = (std::filesystem::temp_directory_path() / "korvane-bench-XXXXXX").string();
        if (!mkdtemp(tmpl.data())) return;
        dir_ = tmpl;
        path_ = dir_ + "/151231_224730";
        FILE* f = std::fopen(path_.c_str(), "wb");
        if (!f) return;
        std::fprintf(f, "Time[s]: 60\r\n");
        for (int c = 0; c < channels; ++c)
            std::fprintf(f,
                         "\"CH%d_%d: Temperatura (0.00 \xB0"
                         "C)\" ",
                         4 + c / 8, 1 + c % 8);
        std::fprintf(f, "\r\n");
        unsigned x = 12345;
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < channels; ++c) {
                x = x * 1103515245u + 12345u;
                const int v = static_cast<int>((x >> 8) % 200000) - 100000;
                switch (c % 3) {
                case 0:
                    std::fprintf(f, "%.2f ", v / 100.0);
                    break;
                case 1:
                    std::fprintf(f, "%.1f ", v / 10.0);
                    break;
                default:
                    std::fprintf(f, "%d ", v);
                    break;
                }
            }
            std::fprintf(f, "\r\n");
        }
        ok_ = std::fclose(f) == 0;
    }
    ~SessionFile() {
        std::error_code ec;
        if (!dir_.empty()) std::filesystem::remove_all(dir_, ec);
    }
    SessionFile(const SessionFile&) = delete;
    SessionFile& operator=(const SessionFile&) = delete;
    bool ok() const { return ok_; }
    const std::string& path() const { return path_; }
    const std::string& dir() const { return dir_; }
    std::string file(const char* name) const { return dir_ + "/" + name; }

  private:
    std::string dir_, path_;
    bool ok_ = false;
};

inline SessionFile& session() {
    static SessionFile s;
    return s;
}

// The globals of the session the file belongs to, as the table screen finds them.
inline void prepareGlobals() {
    resetState();
    initTables();
    Tsample = 60;
    DataTimeSS = "151231_224730";
    FirstTimeMarkerDload = 0;
    InfoSES.nItem = kRows;
    InfoSES.nSubItem = kChannels;
}

} // namespace bench
