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
