// The RX43 boot loader.
#include "sim/logger_device.h"

namespace sim {

namespace {

// The RX43 boot loader: answers "***" with its version byte and a 0xBx byte, nothing else.
class BootLoader : public Device {
  public:
    explicit BootLoader(const SimOptions& o) : version_(static_cast<uint8_t>(o.fw & 0xFF)) {}
    Reply handle(const std::string& rq) override {
        if (rq != "***") return {};
        std::string b;
        b += static_cast<char>(version_);
        b += static_cast<char>(0xB3);
        return {{b, 0}};
    }

  private:
    uint8_t version_;
};

} // namespace

std::unique_ptr<Device> makeBootLoader(const SimOptions& opts) {
    return std::make_unique<BootLoader>(opts);
}

} // namespace sim
