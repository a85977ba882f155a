// The RX43 boot loader: answers the probe, takes a firmware upload in 64-byte blocks with a
// checksum, and on its closing sequence starts the logger, which then answers the command set.
#include <algorithm>

#include "sim/logger_device.h"

namespace sim {

namespace {

constexpr size_t kBootBlock = 64;        // [bytes] program bytes of one block
constexpr uint8_t kBlockAccepted = 0x01; // reply to a matching checksum
constexpr uint8_t kBlockRefused = 0x00;  // reply to a wrong checksum
constexpr uint8_t kClosingMark = 0x01;   // in place of the checksum after a block of zeros
constexpr uint8_t kStartProgram = 0x51;  // after the closing block: the logger starts

class BootLoader : public Device {
  public:
    BootLoader(const SimOptions& o, DeviceState& st)
        : version_(static_cast<uint8_t>(o.fw & 0xFF)), st_(st), logger_(makeLogger(o, st)) {}

    // One byte at a time (the probe, '+', the start byte), a block and its checksum while
    // receiving; the command set once the logger runs.
    size_t rawBlockLength() const override {
        const ProgramMemory& p = st_.program;
        if (p.bootLeft) return logger_->rawBlockLength();
        return p.bootReceiving ? kBootBlock + 1 : 1;
    }
    std::string rawBlockExit() const override {
        return st_.program.bootLeft ? logger_->rawBlockExit() : std::string();
    }

    Reply handle(const std::string& rq) override {
        ProgramMemory& p = st_.program;
        if (p.bootLeft) return logger_->handle(rq);
        if (p.bootReceiving && rq.size() == kBootBlock + 1) return block(rq);
        const uint8_t b = rq.empty() ? 0 : static_cast<uint8_t>(rq[0]);
        if (b == '*') {
            if (++p.bootStars < 3) return {};
            p.bootStars = 0;
            return {{std::string{static_cast<char>(version_), static_cast<char>(0xB3)}, 0}};
        }
        p.bootStars = 0;
        if (b == '+') { // upload: blocks from the start of the memory
            p.bootReceiving = true;
            p.bootEnded = false;
            p.bootBlocks = 0;
            return {{"+\x01", 0}};
        }
        if (b == kStartProgram && p.bootEnded) p.bootLeft = true;
        return {};
    }

  private:
    Reply block(const std::string& rq) {
        ProgramMemory& p = st_.program;
        const auto* d = reinterpret_cast<const uint8_t*>(rq.data());
        const uint8_t check = d[kBootBlock];
        if (check == kClosingMark && std::all_of(d, d + kBootBlock, [](uint8_t x) { return x == 0; })) {
            p.bootReceiving = false;
            p.bootEnded = true;
            return {};
        }
        if (auto it = p.bootFaults.find(p.bootBlocks); it != p.bootFaults.end()) {
            const int reply = it->second;
            p.bootFaults.erase(it);
            if (reply < 0) return {};
            return {{std::string(1, static_cast<char>(reply)), 0}};
        }
        uint8_t sum = 0;
        for (size_t i = 0; i < kBootBlock; ++i) sum = static_cast<uint8_t>(sum + d[i]);
        if (sum != check) return {{std::string(1, static_cast<char>(kBlockRefused)), 0}};
        const size_t at = p.bootBlocks * kBootBlock;
        if (at + kBootBlock <= p.bytes.size())
            std::copy(d, d + kBootBlock, p.bytes.begin() + static_cast<std::ptrdiff_t>(at));
        ++p.bootBlocks;
        return {{std::string(1, static_cast<char>(kBlockAccepted)), 0}};
    }

    uint8_t version_;
    DeviceState& st_;
    std::unique_ptr<Device> logger_;
};

} // namespace

std::unique_ptr<Device> makeBootLoader(const SimOptions& opts, DeviceState& state) {
    return std::make_unique<BootLoader>(opts, state);
}

} // namespace sim
