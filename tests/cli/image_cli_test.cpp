// korvane-cli on saved flash images, and the round trip: a verbose download's image and session
// list decoded offline give the download's own data file.
#include <gtest/gtest.h>

#include <filesystem>

#include "link/korvane_com.h"
#include "logger/download.h"
#include "logger/flash_image.h"
#include "logger/session.h"
#include "logger/time_marks.h"
#include "support/env_guard.h"
#include "support/fixture.h"
#include "support/process.h"
#include "support/sim_session.h"

namespace {

ProcessResult cli(std::vector<std::string> args, const std::string& cwd = "") {
    args.insert(args.begin(), KORVANE_CLI_PATH);
    return runProcess(args, {"KORVANE_PORTS=", "KORVANE_DEV_DIR=/nonexistent/korvane-test-dev"}, cwd);
}

// A folder holding the fixture's image and the dump of its verbose download.
struct FixtureImage {
    FixtureImage() {
        std::filesystem::copy_file(fixturePath("logger-basic/flash.bin"), dir.file("RX41data.bin"));
        std::filesystem::copy_file(fixturePath("logger-basic/expected/RX41data.txt"),
                                   dir.file("RX41data.txt"));
    }
    TempDir dir;
};

TEST(CliImage, ListsShowsAndDecodesSessions) {
    FixtureImage img;
    auto r = cli({"image", "sessions", img.dir.path()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "151103_090000 0x0100\n151201_103000 0x0300\n130102_030405 0x0500\n151231_224730 0x0FF6\n");

    r = cli({"image", "info", img.dir.path()}); // the most recent session
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string head =
        "Table page........ 0x0FF6\nFirst page........ 0x0FF7\nLast page......... 0x000A\n"
        "Total data pages.. 20\n\nInizio sessione.......... 151231_224730\n"
        "Durata sessione.......... 000000_014243\n\n- Nodo 4 ";
    EXPECT_EQ(r.out.substr(0, head.size()), head);
    r = cli({"image", "info", img.dir.path(), "--session", "151201_103000"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, 26), "Table page........ 0x0300\n");

    TempDir out;
    r = cli({"image", "decode", ".", "-s", "900", "-d", out.path()}, img.dir.path()); // DIR before -d
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, out.file("151231_224730") + "\n");
    const std::string file = readFileBytes(out.file("151231_224730"));
    EXPECT_EQ(file.substr(0, 13), "Time[s]: 900\r");
    EXPECT_FALSE(std::filesystem::exists(out.file("RX41data.hex")));

    // With an export in format B and a decimal comma: dates and times quoted, values with commas.
    r = cli({"image", "decode", img.dir.path(), "-s", "900", "-d", out.path(), "-e", "B", "-c", "-o",
             out.file("b.csv")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, out.file("151231_224730") + "\n" + out.file("b.csv") + "\n");
    const std::string b = readFileBytes(out.file("b.csv"));
    EXPECT_EQ(b.substr(0, 17), "\"DATE:\";\"TIME:\";\"");
    EXPECT_NE(b.find("\r\n\"31.12.15\";\"22:"), std::string::npos) << b.substr(0, 300);
    EXPECT_EQ(cli({"image", "decode", img.dir.path(), "-e", "B"}).status, 64);
}

TEST(CliImage, FailuresSayWhy) {
    FixtureImage img;
    TempDir empty;
    const struct {
        std::vector<std::string> args;
        int status;
        std::string err; // the beginning of stderr
    } cases[] = {
        {{"image", "sessions", empty.path()}, 1, "File Error: File RX41data.bin non trovato !"},
        {{"image", "info", img.dir.path(), "--session", "991231_000000"},
         1,
         "korvane-cli: no session 991231_000000"},
        {{"image", "decode", img.dir.path(), "--session", "130102_030405"},
         1,
         "korvane-cli: the table page 0x0500"},
        {{"image"}, 64, "korvane-cli: image needs a subcommand"},
        {{"image", "list", img.dir.path()}, 64, "korvane-cli: image: unknown subcommand 'list'"},
        {{"image", "decode"}, 64, "korvane-cli: image decode needs a folder"},
        {{"image", "decode", img.dir.path(), "-s", "0"}, 64, "korvane-cli: -s takes 1..65535 seconds"},
        {{"image", "info", img.dir.path(), "-d", "x"}, 64, "korvane-cli: image info: unexpected argument -d"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.back());
        auto r = cli(c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.err.substr(0, c.err.size()), c.err) << r.err;
        EXPECT_TRUE(r.out.empty());
    }
}

class ImageRoundTrip : public SimSession {
  protected:
    // Reads the simulated logger's session (its temporary buffer emptied first when asked).
    void open(sim::SimOptions o, bool emptyBuffer) {
        ASSERT_TRUE(connect(o));
        if (emptyBuffer)
            sim_->modifyDeviceState([](sim::DeviceState& s) {
                s.tempBuffer.clear();
                s.tempLength = 0;
            });
        initSession(nullptr);
        ASSERT_EQ(Flag.pages_error + Flag.table_error + Flag.time_error, 0);
        ASSERT_EQ(TotalPagNumDload, TotalPagNum); // the whole session is downloaded
    }
    void close() {
        closeComPort(hCom);
        sim_->stop();
        resetState();
    }
};

// A session without temporary-buffer records, downloaded whole: the image decodes to the same file.
TEST_F(ImageRoundTrip, VerboseDownloadDecodedOfflineGivesTheSameFile) {
    for (const char* scenario : {"normal", "multi"}) {
        SCOPED_TRACE(scenario);
        sim::SimOptions o;
        o.scenario = scenario;
        o.seed = 7;
        open(o, true);
        Tsample = 900;
        Flag.verbose = 1;
        ASSERT_EQ(saveFile(nullptr, DataTimeSS), 1);
        const std::string name = DataTimeSS;
        const std::string device = readWorkFile(name);
        ASSERT_GT(InfoSES.nItem, 10u);

        TempDir out;
        auto r = cli({"image", "decode", work_.path(), "--session", name, "-s", "900", "-d", out.path()});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, out.file(name) + "\n");
        EXPECT_EQ(readFileBytes(out.file(name)), device);
        std::filesystem::remove(work_.file(name));
        close();
    }
}

// The fixture's logger holds temporary-buffer records: the image lacks them, so its decode equals
// the download only once the buffer is empty.
TEST_F(ImageRoundTrip, FixtureImageEqualsTheDownloadWithoutItsTemporaryBuffer) {
    for (bool emptyBuffer : {true, false}) {
        SCOPED_TRACE(emptyBuffer);
        open(fixtureLogger(), emptyBuffer);
        Tsample = 60;
        ASSERT_EQ(saveFile(nullptr, DataTimeSS), 1);
        const std::string device = readWorkFile(DataTimeSS);
        std::filesystem::remove(work_.file(DataTimeSS));

        std::filesystem::copy_file(fixturePath("logger-basic/flash.bin"), work_.file(kImageFile),
                                   std::filesystem::copy_options::overwrite_existing);
        PageTab = "0FF6";
        PagTab = 0x0FF6;
        Flag.pagefirst_error = Flag.pagelast_error = 1;
        ASSERT_EQ(initTabAssBin(), 1);
        ASSERT_EQ(initTimeMarkBin(), 1);
        ASSERT_EQ(saveFileBin(nullptr, "offline"), 1);
        const std::string offline = readWorkFile("offline");
        if (emptyBuffer)
            EXPECT_EQ(offline, device);
        else
            EXPECT_NE(offline, device);
        close();
    }
}

} // namespace
