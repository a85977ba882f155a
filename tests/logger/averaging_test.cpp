// Averaging the intermediate record file into the session data text file.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "logger/download.h"
#include "logger/session.h"
#include "logger/tab_ass.h"
#include "support/env_guard.h"
#include "support/fixture.h"
#include "support/state_guard.h"

namespace {

class Averaging : public KorvaneTest {
  protected:
    void SetUp() override {
        KorvaneTest::SetUp();
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_.path());
    }
    void TearDown() override {
        std::filesystem::current_path(old_);
        KorvaneTest::TearDown();
    }
    // Loads the fixture's table page and writes the records of its data pages and temporary
    // buffer into the intermediate file, as a full download would.
    void loadFixtureSession() {
        auto flash = fixtureFlash("logger-basic");
        ASSERT_EQ(flash.size(), 4096u * 528u);
        auto table = flashPage(flash, 0xFF6);
        std::memcpy(TabAss, table.data(), 528);
        ASSERT_EQ(decodeTabAss(), 1);
        decodeSessionStart(TabAss);
        FILE* hex = std::fopen(kIntermediateFile, "wb");
        bool first = true;
        for (unsigned p = 0xFF7; p != 0x00B; p = (p + 1) & 0xFFF) {
            auto page = flashPage(flash, p);
            walkRecords(page, [&](const RecordRef& r) {
                if (first) FirstTimeMarkerDload = r.marker;
                first = false;
                LastTimeMarker = r.marker;
                std::fwrite(page.data() + r.offset, 1, r.length, hex);
            });
        }
        auto tmp = hexBytes(fixtureDeviceField("logger-basic", "temporary_buffer_hex"));
        tmp.resize(std::stoul(fixtureDeviceField("logger-basic", "ATRB_length")));
        walkRecords(tmp, [&](const RecordRef& r) {
            LastTimeMarker = r.marker;
            std::fwrite(tmp.data() + r.offset, 1, r.length, hex);
        });
        std::fclose(hex);
    }
    TempDir dir_;
    std::filesystem::path old_;
};

TEST_F(Averaging, FixtureSessionGivesTheGoldenDataFiles) {
    loadFixtureSession();
    for (uint16_t ts : {60, 900}) {
        Tsample = ts;
        ASSERT_EQ(writeDataFile(DataTimeSS), 1);
        std::string expected =
            readFileBytes(fixturePath("logger-basic/expected/151231_224730.T" + std::to_string(ts)));
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(readFileBytes(DataTimeSS), expected) << "Tsample " << ts;
        EXPECT_EQ(InfoSES.nSubItem, 8u);
    }
}

} // namespace

namespace {

// A table of one node from its configuration words.
void oneNodeTable(uint8_t address, std::vector<uint16_t> conf) {
    std::memset(TabAss, 0, sizeof TabAss);
    std::vector<uint8_t> t(16, 0);
    t[0] = 0xFF;
    t[8] = 0x00, t[9] = 0x30, t[10] = 0x12, t[11] = 0x05, t[12] = 0x03, t[13] = 0x14; // 140305_123000
    t.push_back(address);
    t.push_back(static_cast<uint8_t>(conf.size()));
    t.push_back(60), t.push_back(0);
    for (uint16_t c : conf) t.push_back(c & 0xFF), t.push_back(c >> 8);
    t.push_back(0x5E), t.push_back(0x01);
    t[2] = static_cast<uint8_t>(t.size());
    std::memcpy(TabAss, t.data(), t.size());
    ASSERT_EQ(decodeTabAss(), 1);
    decodeSessionStart(TabAss);
}

class AveragingRules : public Averaging {
  protected:
    // Writes records (marker, physical values) of node `address` as the intermediate file.
    void records(uint8_t address, const std::vector<std::pair<uint32_t, std::vector<int16_t>>>& recs) {
        FILE* hex = std::fopen(kIntermediateFile, "wb");
        for (const auto& [marker, values] : recs) {
            std::vector<uint8_t> r{address};
            for (int k = 0; k < 4; ++k) r.push_back(static_cast<uint8_t>(marker >> (8 * k)));
            for (int16_t v : values)
                r.push_back(static_cast<uint8_t>(v & 0xFF)),
                    r.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
            std::fwrite(r.data(), 1, r.size(), hex);
            LastTimeMarker = marker;
        }
        std::fclose(hex);
    }
    // The data rows of the written file, without the two header lines.
    std::vector<std::string> rows() {
        std::string all = readFileBytes(DataTimeSS);
        std::vector<std::string> out;
        size_t pos = 0;
        int line = 0;
        while (pos < all.size()) {
            size_t e = all.find("\r\n", pos);
            if (e == std::string::npos) break;
            if (line++ >= 2) out.push_back(all.substr(pos, e - pos));
            pos = e + 2;
        }
        return out;
    }
};

TEST_F(AveragingRules, WindowsCentredOnTheSampleTimes) {
    oneNodeTable(5, {1, 11});
    // Markers 0, 300, 599, 900 with Tsample 60: rows at 0 and 600; the record at 900 gets none.
    records(5, {{0, {100, 5}}, {300, {200, 5}}, {599, {300, 2}}, {900, {400, 7}}});
    Tsample = 60;
    FirstTimeMarkerDload = 0;
    ASSERT_EQ(writeDataFile(DataTimeSS), 1);
    EXPECT_EQ(rows(), (std::vector<std::string>{"1.00 5 ", "2.50 4 "})); // (5+2)/2 = 3.5 -> 4
    std::string all = readFileBytes(DataTimeSS);
    EXPECT_EQ(all.substr(0, all.find("\r\n", 15) + 2), "Time[s]: 60\r\n\"CH5_1: Temperatura (0.00 \xB0"
                                                       "C)\" \"CH5_2: Potenza DC (W)\" \r\n");
}

TEST_F(AveragingRules, MeansRoundHalfToEvenAndEmptyWindowsGiveDefaults) {
    oneNodeTable(5, {11, 6, 12});
    records(5, {{0, {2, 100, -3}}, {10, {3, 200, -4}}, {2400, {7, 300, 0}}});
    Tsample = 60;
    ASSERT_EQ(writeDataFile(DataTimeSS), 1);
    // 5/2 = 2.5 -> 2; -7/2 = -3.5 -> -4; the empty windows at 600..1800 print the defaults
    // (pressure 0 -> 600.00).
    EXPECT_EQ(rows(),
              (std::vector<std::string>{"2 601.50 -4 ", "0 600.00 0 ", "0 600.00 0 ", "0 600.00 0 "}));
}

TEST_F(AveragingRules, UnsignedReadingsAverageAcrossTheSignBoundary) {
    // Pressure 927.60 and 927.70 hPa: raw 32760 and 32770 (stored as -32766).
    oneNodeTable(7, {6, 8});
    records(7, {{0, {32760, 30000}}, {5, {-32766, -30000}}}); // RMS voltage 3000.0 V and 3553.6 V
    Tsample = 60;
    ASSERT_EQ(writeDataFile(DataTimeSS), 1);
    EXPECT_EQ(rows(), (std::vector<std::string>{"927.65 3276.8 "}));
}

TEST_F(AveragingRules, MissingPressureReadingsAreLeftOut) {
    oneNodeTable(7, {6});
    records(7, {{0, {-1}}, {5, {1000}}, {700, {-1}}, {710, {-1}}, {1300, {1200}}, {1900, {0}}});
    Tsample = 60;
    ASSERT_EQ(writeDataFile(DataTimeSS), 1);
    // Window 1: one reading of 610.00; window 2: only "no reading"; window 3: 612.00; window 4: 600.00.
    EXPECT_EQ(rows(), (std::vector<std::string>{"610.00 ", "Err ", "612.00 ", "600.00 "}));
}

TEST_F(AveragingRules, RecordsWithAnUnreadTrailingChannelStayInStep) {
    // Node 9 has three physical channels; the last, a high half with no low half, is read by no
    // logical channel but is still part of every record.
    oneNodeTable(9, {11, 12, 0});
    records(9, {{0, {10, 20, 99}}, {5, {30, 40, 99}}, {600, {50, 60, 99}}});
    Tsample = 60;
    ASSERT_EQ(writeDataFile(DataTimeSS), 1);
    EXPECT_EQ(rows(), (std::vector<std::string>{"20 30 "}));
    EXPECT_EQ(InfoSES.nSubItem, 2u);
}

TEST_F(AveragingRules, ThirtyTwoBitChannelsAndHugeMeans) {
    oneNodeTable(3, {0, 16, 0, 11});
    // Energy 0x0001:0x8000 = 98304 (9830.4 kWh); the power pair averages near 2^31 and is clamped.
    records(3, {{0, {1, static_cast<int16_t>(0x8000), 0x7FFF, -1}},
                {1, {1, static_cast<int16_t>(0x8000), 0x7FFF, -1}}});
    Tsample = 60;
    ASSERT_EQ(writeDataFile(DataTimeSS), 1);
    EXPECT_EQ(rows(), (std::vector<std::string>{"9830.4 2147483647 "}));
}

TEST_F(AveragingRules, MoreThan65535RecordsInOneWindowAreAllCounted) {
    oneNodeTable(4, {11});
    std::vector<std::pair<uint32_t, std::vector<int16_t>>> recs;
    for (uint32_t i = 0; i < 70000; ++i) recs.push_back({i / 1000, {static_cast<int16_t>(i % 2 ? 3 : 1)}});
    recs.push_back({30000, {0}});
    records(4, recs);
    Tsample = 3600;
    ASSERT_EQ(writeDataFile(DataTimeSS), 1);
    ASSERT_FALSE(rows().empty());
    EXPECT_EQ(rows()[0], "2 "); // a 16-bit count would have wrapped and given 5
}

TEST(ExportStream, HeaderAndRowsWithPointOrComma) {
    resetState();
    oneNodeTable(5, {17, 6});
    TempDir dir;
    const std::string path = dir.file("exp.csv");
    Exportfile = std::fopen(path.c_str(), "wb");
    ASSERT_NE(Exportfile, nullptr);
    printHeaderExp();
    ExpoCh[0] = 5.0f, ExpoN[0] = 2, ExpoGra[0] = 17;
    ExpoCh[1] = 1013.25f, ExpoN[1] = 1, ExpoGra[1] = 6;
    setenv("TZ", "UTC", 1);
    tzset();
    printDataExp(1394010423);
    Flag.comma = 1;
    printDataExp(1394010424);
    std::fclose(Exportfile);
    Exportfile = nullptr;
    EXPECT_EQ(readFileBytes(path),
              "\"Timestamp\";\"CH5_1: Potenza (0.00 kW)\";\"CH5_2: Pressione aria (0.00 hPa) \"\r\n"
              "140305_090703;2.50;1013.25\r\n"
              "140305_090704;2,50;1013,25\r\n");
    std::string s = "1234567890.5";
    virgAdj(s, 1);
    EXPECT_EQ(s, "1234567890.5"); // the point lies beyond the first 10 characters
    s = "12.5";
    virgAdj(s, 0);
    EXPECT_EQ(s, "12.5");
    resetState();
}

} // namespace
