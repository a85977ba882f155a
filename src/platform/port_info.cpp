#include "platform/port_info.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/port_names.h"

namespace fs = std::filesystem;

namespace {

std::string envDir(const char* variable, const char* fallback) {
    const char* d = std::getenv(variable);
    return d && *d ? std::string(d) : std::string(fallback);
}

// The first line of a sysfs attribute, without its line end; empty when there is none. An
// attribute is a short text; a longer one is cut.
std::string attribute(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    if (!std::getline(in, line)) return {};
    if (line.size() > 256) line.resize(256);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    return line;
}

// The USB device above a tty's sysfs node: the nearest folder (at most six levels up) that holds
// idVendor. Empty for a port that is not on USB.
fs::path usbDeviceOf(const std::string& ttyName) {
    std::error_code ec;
    const fs::path node = fs::path(envDir("KORVANE_SYS_DIR", "/sys")) / "class/tty" / ttyName / "device";
    fs::path dir = fs::canonical(node, ec);
    if (ec) return {};
    for (int up = 0; up < 6 && !dir.empty() && dir != dir.root_path(); ++up, dir = dir.parent_path())
        if (fs::exists(dir / "idVendor", ec)) return dir;
    return {};
}

} // namespace

PortInfo describePort(const std::string& name) {
    PortInfo p;
    p.name = name;
    std::error_code ec;
    const std::string path = portDevicePath(name);
    const fs::path device = fs::weakly_canonical(path, ec);
    p.device = ec ? path : device.string();
    std::error_code dirEc;
    fs::directory_iterator end;
    for (fs::directory_iterator e(envDir("KORVANE_DEV_DIR", "/dev") + "/serial/by-id", dirEc);
         !dirEc && e != end && p.byId.empty(); e.increment(dirEc)) {
        std::error_code linkEc;
        if (fs::weakly_canonical(e->path(), linkEc) == device && !linkEc) p.byId = e->path().string();
    }
    const fs::path usb = usbDeviceOf(device.filename().string());
    if (!usb.empty()) {
        p.vendorId = attribute(usb / "idVendor");
        p.productId = attribute(usb / "idProduct");
        p.manufacturer = attribute(usb / "manufacturer");
        p.product = attribute(usb / "product");
        p.serial = attribute(usb / "serial");
    }
    return p;
}

std::string portSummary(const PortInfo& p) {
    if (!p.usb()) return {};
    std::string s = p.manufacturer;
    if (!p.product.empty()) s += (s.empty() ? "" : " ") + p.product;
    s += (s.empty() ? "[" : " [") + p.vendorId + ":" + p.productId + "]";
    if (!p.serial.empty()) s += " S/N " + p.serial;
    return s;
}
