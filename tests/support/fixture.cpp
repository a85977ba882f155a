#include "support/fixture.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <sstream>

// A missing fixture stops the test at once with its path: going on would only give confusing
// failures later (or a simulator without its state).
std::string fixturePath(const std::string& relative) {
    std::string path = std::string(KORVANE_FIXTURES_DIR) + "/" + relative;
    if (!std::filesystem::exists(path)) throw std::runtime_error("missing test fixture " + path);
    return path;
}

std::string readFileBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

std::vector<uint8_t> fixtureFlash(const std::string& name) {
    std::string b = readFileBytes(fixturePath(name + "/flash.bin"));
    return std::vector<uint8_t>(b.begin(), b.end());
}

std::vector<uint8_t> flashPage(const std::vector<uint8_t>& flash, unsigned page) {
    size_t off = static_cast<size_t>(page & 0xFFF) * 528;
    if (off + 528 > flash.size()) return std::vector<uint8_t>(528, 0);
    return std::vector<uint8_t>(flash.begin() + static_cast<long>(off), flash.begin() + static_cast<long>(off + 528));
}

std::vector<uint8_t> hexBytes(const std::string& hex) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

std::string fixtureDeviceField(const std::string& name, const std::string& key) {
    std::string json = readFileBytes(fixturePath(name + "/device.json"));
    size_t k = json.find("\"" + key + "\"");
    if (k == std::string::npos) return "";
    size_t colon = json.find(':', k);
    size_t start = json.find_first_not_of(" \t", colon + 1);
    if (start == std::string::npos) return "";
    if (json[start] == '"') {
        size_t end = json.find('"', start + 1);
        return json.substr(start + 1, end - start - 1);
    }
    size_t end = json.find_first_of(",\n}", start);
    return json.substr(start, end - start);
}
