#include "support/fake_devices.h"

PtyPeer::Responder fakeDevice(const std::string& atvr) {
    return [atvr](const std::string& r) -> std::vector<PtyPeer::Chunk> {
        if (r == "***" || r == "ATCM08" || r == "ATCM00") return {{"OK\r", 0}};
        if (r == "ATVR") return {{atvr + "\r", 0}};
        return {{"ERR\r", 0}};
    };
}

PtyPeer::Responder fakeModem() {
    return [](const std::string&) -> std::vector<PtyPeer::Chunk> { return {{"0\r", 0}}; };
}

PtyPeer::Responder fakeBootLoader(unsigned char version, unsigned char low) {
    return [version, low](const std::string& r) -> std::vector<PtyPeer::Chunk> {
        if (r != "***") return {};
        return {{std::string{static_cast<char>(version), static_cast<char>(0xB0 | low)}, 0}};
    };
}
