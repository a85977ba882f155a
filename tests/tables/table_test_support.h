#pragma once
// Shared set-up of the data table tests.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "logger/tab_ass.h"
#include "logger/time_marks.h"
#include "support/env_guard.h"
#include "support/fixture.h"
#include "support/state_guard.h"
#include "tables/data_table.h"

inline void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A session data text file: sample time line, quoted titles each followed by a blank, rows of
// values each followed by a blank, CR LF line ends.
inline std::string sessionFile(unsigned tsample, const std::vector<std::string>& titles,
                               const std::vector<std::vector<std::string>>& rows) {
    std::string s = "Time[s]: " + std::to_string(tsample) + "\r\n";
    for (const auto& t : titles) s += "\"" + t + "\" ";
    s += "\r\n";
    for (const auto& r : rows) {
        for (const auto& v : r) s += v + " ";
        s += "\r\n";
    }
    return s;
}

// One node (address 1) with the given configuration words; the plant's nominal power [W].
inline void setNode(const std::vector<uint16_t>& conf, uint32_t pnom) {
    std::vector<uint8_t> t = {
        0xFF, 0, 0, 0, uint8_t(pnom), uint8_t(pnom >> 8), uint8_t(pnom >> 16), uint8_t(pnom >> 24)};
    t.resize(16, 0);
    t.insert(t.end(), {1, uint8_t(conf.size()), 15, 0});
    for (uint16_t c : conf) t.insert(t.end(), {uint8_t(c & 0xFF), uint8_t(c >> 8)});
    t.insert(t.end(), {0x5F, 0x01});
    t[2] = uint8_t(t.size() & 0xFF), t[3] = uint8_t(t.size() >> 8);
    std::memset(TabAss, 0xFF, sizeof TabAss);
    std::memcpy(TabAss, t.data(), t.size());
    ASSERT_EQ(decodeTabAss(), 1);
}

// The cells of one row, in column order.
inline std::vector<std::string> rowOf(const TableModel& t, int row) {
    std::vector<std::string> v;
    for (int c = 0; c < t.columnCount(); ++c) v.emplace_back(t.cell(row, c));
    return v;
}

inline std::vector<std::string> headersOf(const TableModel& t) {
    std::vector<std::string> v;
    for (int c = 0; c < t.columnCount(); ++c) v.emplace_back(t.header(c));
    return v;
}

// Each test runs in a fresh current folder (the working file lives there); the globals are reset.
class TableTest : public KorvaneTest {
  protected:
    void SetUp() override {
        KorvaneTest::SetUp();
        DataTimeSS = "151231_224730";
        Tsample = 60;
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_.path());
    }
    void TearDown() override {
        std::filesystem::current_path(old_);
        KorvaneTest::TearDown();
    }

    // Writes `bytes` as the working file and loads it with `rows` rows announced.
    int load(const std::string& bytes, uint32_t rows) {
        writeBytes(DataTimeSS, bytes);
        InfoSES.nItem = rows;
        return loadLV(table_, DataTimeSS);
    }
    // The logger-basic session as downloaded: its table page and first marker.
    void useFixtureSession() {
        std::ifstream in(fixturePath("logger-basic/flash.bin"), std::ios::binary);
        in.seekg(0xFF6 * 528);
        in.read(reinterpret_cast<char*>(TabAss), sizeof TabAss);
        ASSERT_TRUE(in.good());
        ASSERT_EQ(decodeTabAss(), 1);
        FirstTimeMarkerDload = 55;
    }

    TempDir dir_;
    std::filesystem::path old_;
    TableModel table_;
};
