#include "platform/port_names.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>

namespace fs = std::filesystem;

static std::string devDir() {
    const char* d = std::getenv("KORVANE_DEV_DIR");
    return (d && *d) ? std::string(d) : std::string("/dev");
}

std::string portDevicePath(const std::string& name) {
    if (name.size() > 3 && name.size() <= 6 && (name[0] == 'C' || name[0] == 'c') &&
        (name[1] == 'O' || name[1] == 'o') && (name[2] == 'M' || name[2] == 'm')) {
        unsigned n = 0;
        bool digits = true;
        for (size_t i = 3; i < name.size(); ++i) {
            if (name[i] < '0' || name[i] > '9') {
                digits = false;
                break;
            }
            n = n * 10 + static_cast<unsigned>(name[i] - '0');
        }
        if (digits && n >= 1 && n <= 256) return devDir() + "/ttyS" + std::to_string(n - 1);
    }
    return name;
}

// Natural order for device names: ttyUSB2 before ttyUSB10.
static bool naturalLess(const std::string& a, const std::string& b) {
    size_t ia = a.find_last_not_of("0123456789") + 1, ib = b.find_last_not_of("0123456789") + 1;
    std::string pa = a.substr(0, ia), pb = b.substr(0, ib);
    if (pa != pb) return pa < pb;
    std::string na = a.substr(ia), nb = b.substr(ib);
    if (na.size() != nb.size()) return na.size() < nb.size();
    return na < nb;
}

std::vector<std::string> scanPortNames() {
    std::vector<std::string> out;
    const std::string dev = devDir();
    std::error_code ec;
    for (unsigned n = 1; n <= 50; ++n) {
        if (fs::exists(dev + "/ttyS" + std::to_string(n - 1), ec)) out.push_back("COM" + std::to_string(n));
    }
    // USB and ACM adapters; the by-id names survive re-plugging.
    std::vector<std::string> adapters;
    for (const auto& e : fs::directory_iterator(dev, ec)) {
        std::string name = e.path().filename().string();
        if (name.rfind("ttyUSB", 0) == 0 || name.rfind("ttyACM", 0) == 0)
            adapters.push_back(e.path().string());
    }
    std::sort(adapters.begin(), adapters.end(), naturalLess);
    std::vector<std::pair<std::string, std::string>> byId; // (target, link)
    for (const auto& e : fs::directory_iterator(dev + "/serial/by-id", ec)) {
        auto target = fs::weakly_canonical(e.path(), ec);
        if (!ec) byId.emplace_back(target.string(), e.path().string());
    }
    for (const auto& a : adapters) {
        auto canon = fs::weakly_canonical(a, ec).string();
        auto it = std::find_if(byId.begin(), byId.end(), [&](const auto& p) { return p.first == canon; });
        out.push_back(it != byId.end() ? it->second : a);
    }
    if (const char* extra = std::getenv("KORVANE_PORTS")) {
        std::string s(extra);
        size_t pos = 0;
        while (pos <= s.size()) {
            size_t c = s.find(':', pos);
            if (c == std::string::npos) c = s.size();
            std::string p = s.substr(pos, c - pos);
            if (!p.empty() && std::find(out.begin(), out.end(), p) == out.end()) out.push_back(p);
            pos = c + 1;
        }
    }
    return out;
}
