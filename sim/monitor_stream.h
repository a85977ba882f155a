#pragma once
// The logger's monitor mode ("ATCM07" .. "ATCM08"): the packet lines it relays from its nodes
// without being asked. Each node of the current session's table sends an "ATUC" measurement at
// its sample timer (divided by the speed factor); now and then a node announces its
// configuration ("ATBC"), answers a test ("ATNA"), or sends one value more than the table gives
// it (a packet the program must show raw).
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "sim/device_state.h"
#include "sim/splitmix.h"

namespace sim {

class MonitorStream {
  public:
    // Starts monitor mode; the first packets follow within a short time.
    void start(const DeviceState& st, double speed, uint32_t seed);
    void stop() { active_ = false; }
    bool active() const { return active_; }
    // The packet lines due by `now` [ms of the line clock], each ended by CR; they are also
    // appended to `st.monitorSent`.
    std::string due(double now, DeviceState& st);
    // When the next packet is due [ms]; 0 right after start (the clock is taken then).
    double deadline() const;

  private:
    struct Node {
        uint8_t address = 0;
        uint16_t satmr = 0;
        std::vector<uint16_t> conf;
        uint16_t vbat = 0;
        double next = 0;   // [ms] when its next measurement is due
        uint32_t sent = 0; // measurements sent
    };
    std::string measurement(Node& n, bool extraValue);
    bool active_ = false;
    bool clockPending_ = false;
    double speed_ = 1;
    uint64_t count_ = 0; // packets sent since start
    std::vector<Node> nodes_;
    SplitMix64 rng_;
};

// Node entries of the table page at `st.pageTab` (address, count, timer, words, battery).
// Empty when the page holds no table.
struct TableNode {
    uint8_t address;
    uint16_t satmr;
    std::vector<uint16_t> conf;
    uint16_t vbat;
};
std::vector<TableNode> tableNodes(const DeviceState& st);

} // namespace sim
