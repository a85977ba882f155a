// The fuzz targets' common ground: a UI that never waits for a person and a scratch folder.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "fuzz_target.h"
#include "platform/ui.h"

namespace fs = std::filesystem;

namespace {

class QuietUi : public UiServices {
  public:
    MsgAnswer messageBox(Window, const std::string&, const std::string&, MsgButtons buttons,
                         MsgIcon) override {
        switch (buttons) {
        case MsgButtons::Ok:
            return MsgAnswer::Ok;
        case MsgButtons::OkCancel:
            return MsgAnswer::Cancel;
        case MsgButtons::AbortRetryIgnore:
            return MsgAnswer::Abort;
        default:
            return MsgAnswer::No;
        }
    }
};

fs::path& scratchDir() {
    static fs::path dir;
    return dir;
}

void removeScratch() {
    std::error_code ec;
    if (!scratchDir().empty()) {
        fs::current_path(fs::temp_directory_path(ec), ec);
        fs::remove_all(scratchDir(), ec);
    }
}

} // namespace

namespace fuzz {

void setUp() {
    static bool done = false;
    if (done) return;
    done = true;
    static QuietUi quiet;
    installUi(&quiet);
    std::error_code ec;
    fs::path base = fs::exists("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
    // A name of our own: several fuzzers may run at once.
    for (unsigned n = 0;; ++n) {
        fs::path dir = base / ("korvane-fuzz-" + std::to_string(std::rand()) + "-" + std::to_string(n));
        if (fs::create_directory(dir, ec)) {
            scratchDir() = dir;
            break;
        }
    }
    fs::current_path(scratchDir());
    std::atexit(removeScratch);
}

std::string writeScratch(std::string_view name, const uint8_t* data, size_t size) {
    fs::path p = scratchDir() / fs::path(name);
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return p.string();
}

} // namespace fuzz
