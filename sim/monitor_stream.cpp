// The logger's monitor mode: packet lines of the session's nodes at their sample timers.
#include "sim/monitor_stream.h"

#include <algorithm>
#include <cstdio>

namespace sim {

namespace {

constexpr double kFirstPacketMs = 50; // from "ATCM07" to the first node's packet [ms]
constexpr double kMinIntervalMs = 20; // the fastest a node sends, whatever the speed [ms]

uint16_t le16At(std::span<const uint8_t> p, size_t at) {
    return static_cast<uint16_t>(p[at] | (p[at + 1] << 8));
}

std::string hex(unsigned v, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*X", digits, v);
    return buf;
}

} // namespace

std::vector<TableNode> tableNodes(const DeviceState& st) {
    std::vector<TableNode> out;
    const auto p = st.page(st.pageTab);
    const size_t length = le16At(p, 2);
    if (p[0] != 0xFF || length > kPageSize) return out;
    for (size_t at = 16; at + 4 <= length;) {
        TableNode n{p[at], le16At(p, at + 2), {}, 0};
        const size_t count = p[at + 1];
        if (at + 6 + 2 * count > kPageSize) break;
        for (size_t i = 0; i < count; ++i) n.conf.push_back(le16At(p, at + 4 + 2 * i));
        n.vbat = le16At(p, at + 4 + 2 * count);
        out.push_back(std::move(n));
        at += 6 + 2 * count;
    }
    return out;
}

void MonitorStream::start(const DeviceState& st, double speed, uint32_t seed) {
    active_ = true;
    clockPending_ = true;
    speed_ = speed > 0 ? speed : 1;
    count_ = 0;
    rng_.s = seed;
    nodes_.clear();
    for (const TableNode& t : tableNodes(st)) {
        Node n;
        n.address = t.address;
        n.satmr = t.satmr ? t.satmr : 60;
        n.conf = t.conf;
        n.vbat = t.vbat;
        nodes_.push_back(std::move(n));
    }
    if (nodes_.empty()) active_ = false; // no session: nothing to relay
}

double MonitorStream::deadline() const {
    if (!active_) return std::numeric_limits<double>::infinity();
    if (clockPending_) return 0;
    double d = std::numeric_limits<double>::infinity();
    for (const Node& n : nodes_) d = std::min(d, n.next);
    return d;
}

// A plausible raw value for a channel of quantity `code`.
std::string MonitorStream::measurement(Node& n, bool extraValue) {
    std::string s = "ATUC" + hex(n.address, 2);
    const size_t values = n.conf.size() + (extraValue ? 1 : 0);
    for (size_t i = 0; i < values; ++i) {
        const unsigned code = i < n.conf.size() ? (n.conf[i] & 0x1Fu) : 12u;
        const double r = rng_.uniform();
        int v;
        switch (code) {
        case 0: // high half of a counter
            v = 0x3F;
            break;
        case 1:
        case 3: // temperature [0.01 degC]
            v = 1800 + static_cast<int>(r * 400);
            break;
        case 6: // pressure, every 9th reading missing
            v = n.sent % 9 == 4 ? -1 : static_cast<int>(r * 1000) - 5000;
            break;
        case 16: // low half of an energy counter, growing
            v = 0x9D00 + static_cast<int>(n.sent % 256);
            break;
        default:
            v = static_cast<int>(r * 3000);
        }
        s += hex(static_cast<uint16_t>(v), 4);
    }
    s += hex(190 + static_cast<unsigned>(rng_.uniform() * 40), 4); // board temperature [0.1 degC]
    s += hex(n.vbat, 4);
    ++n.sent;
    return s + "\r";
}

std::string MonitorStream::due(double now, DeviceState& st) {
    std::string out;
    if (!active_) return out;
    if (clockPending_) {
        clockPending_ = false;
        for (size_t k = 0; k < nodes_.size(); ++k)
            nodes_[k].next = now + kFirstPacketMs * static_cast<double>(k + 1);
    }
    for (Node& n : nodes_) {
        while (n.next <= now) {
            const double interval = std::max(kMinIntervalMs, n.satmr * 1000.0 / speed_);
            n.next += interval;
            ++count_;
            std::string line;
            if (count_ % 11 == 5) {
                line = "ATBC" + hex(n.address, 2) + hex(static_cast<unsigned>(n.conf.size()), 2) +
                       hex(n.satmr, 4);
                for (uint16_t c : n.conf) line += hex(c, 4);
                line += hex(n.vbat, 4) + "\r";
            } else if (count_ % 13 == 7) {
                line = "ATNA" + hex(n.address, 2) + "OK\r";
            } else {
                line = measurement(n, count_ % 17 == 9);
            }
            st.monitorSent.push_back(line.substr(0, line.size() - 1));
            out += line;
        }
    }
    return out;
}

} // namespace sim
