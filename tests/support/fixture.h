#pragma once
// The golden device states under tests/fixtures.
#include <cstdint>
#include <string>
#include <vector>

// The path of a fixture file or folder; throws (failing the test with the path) when it is missing.
std::string fixturePath(const std::string& relative);
std::string readFileBytes(const std::string& path); // empty when missing
// The flash image of a fixture (4096 pages of 528 bytes).
std::vector<uint8_t> fixtureFlash(const std::string& name);
// One page of a flash image.
std::vector<uint8_t> flashPage(const std::vector<uint8_t>& flash, unsigned page);
// Bytes of a hex text ("FE60F1...").
std::vector<uint8_t> hexBytes(const std::string& hex);
// A string field of a fixture's device.json (the flat key/value layout it uses); empty when absent.
std::string fixtureDeviceField(const std::string& name, const std::string& key);
