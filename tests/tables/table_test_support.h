#pragma once
// Shared set-up of the data table tests: each test runs in a fresh current folder (the working
// file lives there), with the table and logger globals at known values.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "logger/tab_ass.h"
#include "logger/time_marks.h"
#include "support/env_guard.h"
#include "support/state_guard.h"
#include "tables/data_table.h"

inline std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
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

// One node per entry, each with the given configuration words; the plant's nominal power [W].
inline void setNodes(const std::vector<std::vector<uint16_t>>& nodes, int pnom) {
    std::vector<uint8_t> t(16, 0);
    t[0] = 0xFF;
    for (int i = 0; i < 4; ++i)
        t[4 + static_cast<size_t>(i)] = static_cast<uint8_t>(static_cast<uint32_t>(pnom) >> (8 * i));
    uint8_t address = 1;
    for (const auto& conf : nodes) {
        t.push_back(address++);
        t.push_back(static_cast<uint8_t>(conf.size()));
        t.push_back(15), t.push_back(0);
        for (uint16_t c : conf) t.push_back(c & 0xFF), t.push_back(static_cast<uint8_t>(c >> 8));
        t.push_back(0x5F), t.push_back(0x01);
    }
    t[2] = static_cast<uint8_t>(t.size() & 0xFF), t[3] = static_cast<uint8_t>(t.size() >> 8);
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

inline const std::string kFixtureT60 = KORVANE_FIXTURES_DIR "/logger-basic/expected/151231_224730.T60";
inline const std::string kFixtureT900 = KORVANE_FIXTURES_DIR "/logger-basic/expected/151231_224730.T900";
inline const std::string kFixtureFlash = KORVANE_FIXTURES_DIR "/logger-basic/flash.bin";

class TableTest : public KorvaneTest {
  protected:
    void SetUp() override {
        KorvaneTest::SetUp();
        initTables();
        DataTimeSS = "151231_224730";
        FirstTimeMarkerDload = 0;
        TotalNodeNum = 0;
        TotalLogicCh = 0;
        Pnom = 0;
        Tsample = 60;
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_.path());
    }
    void TearDown() override {
        std::filesystem::current_path(old_);
        TotalNodeNum = 0;
        initTables();
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
        std::ifstream in(kFixtureFlash, std::ios::binary);
        in.seekg(0xFF6 * 528);
        in.read(reinterpret_cast<char*>(TabAss), sizeof TabAss);
        ASSERT_TRUE(in.good());
        ASSERT_EQ(decodeTabAss(), 1);
        FirstTimeMarkerDload = 55;
        DataTimeSS = "151231_224730";
    }

    TempDir dir_;
    std::filesystem::path old_;
    TableModel table_;
};
