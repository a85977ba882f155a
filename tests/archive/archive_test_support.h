#pragma once
// A small session for the archive's tests: its table and generated records.
#include <cstdint>
#include <vector>

#include "archive/archive.h"

namespace archive {

// A table of two nodes: node 4 with two channels (temperature, DC voltage), node 9 with one
// (DC power); session start 31.12.15 22:47:30.
inline std::vector<uint8_t> smallTable() {
    std::vector<uint8_t> t = {0xFF, 0x01, 34, 0, 0x10, 0x27, 0,  0, 0x30, 0x47, 0x22, 0x31,
                              0x12, 0x15, 0,  0, 4,    2,    60, 0, 1,    0,    7,    0,
                              0x2C, 0x01, 9,  1, 120,  0,    11, 0, 0x2C, 0x01};
    return t;
}

// Records of node 4 every 60 s and node 9 every 120 s, markers [0.1 s] from `from` to `to`; the
// values derive from the marker so that two imports of the same span agree.
struct Records {
    std::vector<std::vector<uint8_t>> values;
    std::vector<Record> list;
    Records(uint32_t from, uint32_t to) {
        for (uint32_t m = from; m <= to; m += 600) {
            add(4, m, {static_cast<int16_t>(m / 600), static_cast<int16_t>(-static_cast<int>(m / 600))});
            if (m % 1200 == 0) add(9, m, {static_cast<int16_t>(m / 100)});
        }
        for (size_t i = 0; i < list.size(); ++i) list[i].values = values[i];
    }
    void add(uint8_t node, uint32_t marker, std::vector<int16_t> v) {
        std::vector<uint8_t> b;
        for (int16_t x : v)
            b.insert(b.end(), {static_cast<uint8_t>(x & 0xFF), static_cast<uint8_t>((x >> 8) & 0xFF)});
        values.push_back(b);
        list.push_back(Record{node, marker, {}});
    }
};

} // namespace archive
