#pragma once
// Flash scenarios: a photovoltaic plant's nodes recording measurement sessions into the
// logger's flash ring, with everything a test needs to predict what a download decodes.
#include <cstdint>
#include <string>
#include <vector>

#include "sim/device_state.h"

namespace sim {

// Quantity codes of a channel's configuration word (bits 0-4).
enum QuantityCode : uint8_t {
    kQtyHighHalf = 0,       // high half of a 32-bit pair; the pair takes the next channel's code
    kQtyTemperature = 1,    // [0.01 degC]
    kQtyAirTemperature = 3, // [0.01 degC]
    kQtyHumidity = 4,       // [0.01 %]
    kQtyPressure = 6,       // [0.01 hPa] stored minus 60000 hPa/100, unsigned; -1 = no reading
    kQtyVoltageDC = 7,      // [0.1 V]
    kQtyVoltageRMS = 8,     // [0.1 V] unsigned
    kQtyCurrentDC = 9,      // [0.1 A]
    kQtyCurrentRMS = 10,    // [0.1 A] unsigned
    kQtyPowerDC = 11,       // [W]
    kQtyPowerActive = 12,   // [W]
    kQtyVoltagePeak = 13,   // [0.1 V] unsigned
    kQtyCurrentPeak = 14,   // [0.1 A] unsigned
    kQtyIrradiance = 15,    // [0.1 W/m2]
    kQtyEnergy = 16,        // [0.1 kWh], a 32-bit pair
    kQtyPowerKW = 17,       // [W] shown as kW
    kQtyCurrentDC2 = 19,    // [0.01 A]
};

struct ScenarioNode {
    uint8_t address = 0;        // node address, 1..254
    uint16_t sampleTimer = 0;   // [s]
    uint16_t vbat = 0;          // battery [0.01 V]
    std::vector<uint16_t> conf; // one configuration word per physical channel
};

// One channel record: node address, time marker, the node's physical values.
struct ScenarioRecord {
    uint8_t node = 0;
    uint32_t marker = 0;                                  // [0.1 s] since the session start
    std::vector<int16_t> values;                          // physical channels, in configuration order
    size_t size() const { return 5 + 2 * values.size(); } // [bytes] on the flash
};

// A data page: which records it holds.
struct ScenarioPage {
    uint16_t page = 0;
    size_t firstRecord = 0; // index into ScenarioSession::records
    size_t recordCount = 0;
};

struct ScenarioSession {
    uint16_t tablePage = 0;
    uint8_t tableTag = 0; // byte 1 of the table page
    int32_t pnom = 0;     // nominal plant power [W]
    CivilTime start;      // session start
    std::vector<ScenarioNode> nodes;
    std::vector<ScenarioRecord> records; // records still held in data pages, oldest first
    std::vector<ScenarioPage> pages;     // data pages still held, oldest first
    uint16_t lastPage() const { return pages.empty() ? tablePage : pages.back().page; }
};

struct Scenario {
    std::string name;
    uint32_t seed = 1;
    bool wrapped = false;
    std::vector<ScenarioSession> sessions;   // oldest first; the last one is the current session
    std::vector<ScenarioRecord> tempRecords; // the current session's records in the temporary buffer
    DeviceState state;                       // flash, registers, pointers, buffer, clock
    const ScenarioSession& current() const { return sessions.back(); }
};

// "normal", "multi", "wrapped", "empty", "tablepage".
const std::vector<std::string>& scenarioNames();
// One of those, or "pages=N" (N 1..4094): one session of exactly N data pages, the ring not
// wrapped, part of the next page's records in the temporary buffer.
bool scenarioNameValid(const std::string& name);
bool buildScenario(const std::string& name, uint32_t seed, Scenario& out, std::string& err);

// Byte layouts shared by the generator and its checks.
std::vector<uint8_t> encodeRecord(const ScenarioRecord& r);
// The table page of a session (528 bytes, unused bytes 0xFF).
std::vector<uint8_t> encodeTablePage(const ScenarioSession& s);

} // namespace sim
