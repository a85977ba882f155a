// Device kinds, fault lists, request framing and the direct (modem-less) line front.
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "sim/device.h"
#include "sim/logger_device.h"

namespace sim {

bool parseDeviceKind(const std::string& name, DeviceKind& out) {
    std::string n;
    for (char c : name) n += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    static const struct {
        const char* name;
        DeviceKind kind;
    } kKinds[] = {{"rx41", DeviceKind::RX41}, {"rx42", DeviceKind::RX42},   {"rx43", DeviceKind::RX43},
                  {"mw51", DeviceKind::MW51}, {"vke15", DeviceKind::VKE15}, {"boot", DeviceKind::Boot}};
    for (const auto& k : kKinds) {
        if (n == k.name) {
            out = k.kind;
            return true;
        }
    }
    return false;
}

const char* deviceKindName(DeviceKind kind) {
    switch (kind) {
    case DeviceKind::RX41:
        return "rx41";
    case DeviceKind::RX42:
        return "rx42";
    case DeviceKind::RX43:
        return "rx43";
    case DeviceKind::MW51:
        return "mw51";
    case DeviceKind::VKE15:
        return "vke15";
    case DeviceKind::Boot:
        return "boot";
    }
    return "?";
}

char hardwareCode(DeviceKind kind) {
    switch (kind) {
    case DeviceKind::RX41:
        return '0';
    case DeviceKind::RX42:
        return '7';
    case DeviceKind::RX43:
        return 'B';
    case DeviceKind::MW51:
        return '5';
    case DeviceKind::VKE15:
        return '8';
    case DeviceKind::Boot:
        return 'B';
    }
    return '0';
}

bool hasFlash(DeviceKind kind) {
    return kind != DeviceKind::Boot;
}

bool FaultSpec::parse(const std::string& text, FaultSpec& out, std::string& err) {
    FaultSpec f;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t comma = text.find(',', pos);
        if (comma == std::string::npos) comma = text.size();
        const std::string item = text.substr(pos, comma - pos);
        pos = comma + 1;
        if (item.empty()) continue;
        const size_t eq = item.find('=');
        if (eq == std::string::npos || eq == 0 || eq + 1 == item.size()) {
            err = "fault \"" + item + "\": expected name=value";
            return false;
        }
        const std::string key = item.substr(0, eq), val = item.substr(eq + 1);
        const char* b = val.c_str();
        char* end = nullptr;
        errno = 0;
        if (key == "drop" || key == "corrupt" || key == "hostile") {
            double p = std::strtod(b, &end);
            if (*end != 0 || errno != 0 || !(p >= 0.0 && p <= 1.0)) {
                err = "fault \"" + item + "\": a probability 0..1 is expected";
                return false;
            }
            (key == "drop" ? f.drop : key == "corrupt" ? f.corrupt : f.hostile) = p;
        } else if (key == "silence" || key == "hangup" || key == "seed") {
            if (val[0] == '-' || val[0] == '+') {
                err = "fault \"" + item + "\": a count is expected";
                return false;
            }
            unsigned long long n = std::strtoull(b, &end, 10);
            const unsigned long long max = key == "seed" ? 0xFFFFFFFFull : 0x7FFFFFFFull;
            if (*end != 0 || errno != 0 || n > max) {
                err = "fault \"" + item + "\": a count is expected";
                return false;
            }
            if (key == "silence")
                f.silenceAfter = static_cast<int>(n);
            else if (key == "hangup")
                f.hangupAfter = static_cast<int>(n);
            else
                f.seed = static_cast<uint32_t>(n);
        } else {
            err = "fault \"" + item + "\": unknown (drop, corrupt, hostile, silence, hangup, seed)";
            return false;
        }
    }
    out = f;
    return true;
}

std::string escapeBytes(std::string_view bytes) {
    std::string s;
    for (unsigned char c : bytes) {
        if (c == '\r')
            s += "\\r";
        else if (c == '\n')
            s += "\\n";
        else if (c == '\\')
            s += "\\\\";
        else if (c >= 0x20 && c < 0x7F)
            s += static_cast<char>(c);
        else {
            char h[8];
            std::snprintf(h, sizeof h, "\\x%02X", c);
            s += h;
        }
    }
    return s;
}

bool CommandFramer::feed(uint8_t b, const Device& dev, std::string& out) {
    const size_t raw = dev.rawBlockLength();
    if (raw > 0) {
        // A raw block; the exit command still arrives as a CR-ended line.
        if (b == '\r' && dev.rawBlockCommand(buf_)) {
            out = buf_;
            buf_.clear();
            return true;
        }
        buf_ += static_cast<char>(b);
        if (buf_.size() >= raw) {
            out = buf_;
            buf_.clear();
            return true;
        }
        return false;
    }
    if (b == '\n') return false;
    if (b == '\r') {
        out = buf_;
        buf_.clear();
        return true;
    }
    buf_ += static_cast<char>(b);
    if (buf_.size() >= 3 && buf_.compare(buf_.size() - 3, 3, "***") == 0) {
        out = "***";
        buf_.clear();
        return true;
    }
    if (buf_.size() > kMaxLine) buf_.clear();
    return false;
}

void DeviceLink::onByte(uint8_t b, double t, LinePort& port) {
    std::string req;
    if (!framer_.feed(b, dev_, req) || req.empty()) return; // an empty line is no request
    port.command(req, t);
    double at = t + port.latencyMs();
    for (const ReplyChunk& c : dev_.handle(req)) {
        at += c.delayMs;
        if (!c.bytes.empty()) port.send(c.bytes, at);
    }
}

namespace {

class DirectFront : public Front {
  public:
    explicit DirectFront(Device& dev) : dev_(dev), link_(dev) {}
    void onByte(uint8_t b, double t, LinePort& port) override { link_.onByte(b, t, port); }
    void onTime(double now, LinePort& port) override {
        const std::string b = dev_.unsolicited(now);
        if (!b.empty()) port.send(b, now, "monitor");
    }
    double deadline() const override { return dev_.unsolicitedDue(); }

  private:
    Device& dev_;
    DeviceLink link_;
};

} // namespace

std::unique_ptr<Front> makeDirectFront(Device& dev) {
    return std::make_unique<DirectFront>(dev);
}

std::unique_ptr<Device> makeDevice(const SimOptions& opts, DeviceState& state) {
    switch (opts.kind) {
    case DeviceKind::Boot:
        return makeBootLoader(opts, state);
    case DeviceKind::MW51:
    case DeviceKind::VKE15:
        return makeBoard(opts, state);
    default:
        return makeLogger(opts, state);
    }
}

} // namespace sim
