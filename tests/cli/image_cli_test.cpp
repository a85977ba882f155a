// korvane-cli on saved flash images, and the round trip: a verbose download's image and session
// list decoded offline give the download's own data file.
#include <gtest/gtest.h>

#include <filesystem>

#include "link/korvane_com.h"
#include "logger/download.h"
#include "logger/session.h"
#include "support/env_guard.h"
#include "support/fixture.h"
#include "support/process.h"
#include "support/sim_session.h"

namespace {

ProcessResult cli(std::vector<std::string> args, const std::string& cwd = "") {
    args.insert(args.begin(), KORVANE_CLI_PATH);
    return runProcess(args, {"KORVANE_PORTS=", "KORVANE_DEV_DIR=/nonexistent/korvane-test-dev"}, cwd);
}

TEST(CliImage, ListsShowsAndDecodesSessions) {
    TempDir img, out; // the fixture's image and the dump of its verbose download
    std::filesystem::copy_file(fixturePath("logger-basic/flash.bin"), img.file("RX41data.bin"));
    std::filesystem::copy_file(fixturePath("logger-basic/expected/RX41data.txt"), img.file("RX41data.txt"));
    auto r = cli({"image", "sessions", img.path()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "151103_090000 0x0100\n151201_103000 0x0300\n130102_030405 0x0500\n151231_224730 0x0FF6\n");

    r = cli({"image", "info", img.path()}); // the most recent session
    const std::string head =
        "Table page........ 0x0FF6\nFirst page........ 0x0FF7\nLast page......... 0x000A\n"
        "Total data pages.. 20\n\nInizio sessione.......... 151231_224730\n"
        "Durata sessione.......... 000000_014243\n\n- Nodo 4 ";
    EXPECT_EQ(r.out.substr(0, head.size()), head) << r.err;
    r = cli({"image", "info", img.path(), "--session", "151201_103000"});
    EXPECT_EQ(r.out.substr(0, 26), "Table page........ 0x0300\n") << r.err;

    // With an export in format B and a decimal comma; DIR given relative to the current folder.
    r = cli({"image", "decode", ".", "-s", "900", "-d", out.path(), "-e", "B", "-c", "-o", out.file("b.csv")},
            img.path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, out.file("151231_224730") + "\n" + out.file("b.csv") + "\n");
    EXPECT_EQ(readFileBytes(out.file("151231_224730")).substr(0, 13), "Time[s]: 900\r");
    const std::string b = readFileBytes(out.file("b.csv"));
    EXPECT_EQ(b.substr(0, 17), "\"DATE:\";\"TIME:\";\"");
    EXPECT_NE(b.find("\r\n\"31.12.15\";\"22:"), std::string::npos) << b.substr(0, 300);

    TempDir empty;
    const std::tuple<std::vector<std::string>, int, std::string> failures[] = {
        // stderr's beginning
        {{"image", "sessions", empty.path()}, 1, "File Error: File RX41data.bin non trovato !"},
        {{"image", "info", img.path(), "--session", "991231_000000"},
         1,
         "korvane-cli: no session 991231_000000"},
        {{"image", "decode", img.path(), "--session", "130102_030405"},
         1,
         "korvane-cli: the table page 0x0500"},
        {{"image", "list", img.path()}, 64, "korvane-cli: image: unknown subcommand 'list'"},
        {{"image", "decode", img.path(), "-s", "0"}, 64, "korvane-cli: -s takes 1..65535 seconds"},
        {{"image", "decode", img.path(), "-e", "B"}, 64, "korvane-cli: "},
    };
    for (const auto& [args, status, err] : failures) {
        r = cli(args);
        EXPECT_EQ(r.status, status) << args.back();
        EXPECT_EQ(r.err.substr(0, err.size()), err) << r.err;
        EXPECT_TRUE(r.out.empty());
    }
}

// The conditions: the session has no temporary-buffer records (the image holds only flash pages)
// and the whole session is downloaded; then the image decodes to the download's own file.
class ImageRoundTrip : public SimSession {};

TEST_F(ImageRoundTrip, VerboseDownloadDecodedOfflineGivesTheSameFile) {
    sim::SimOptions o;
    o.scenario = "multi", o.seed = 7;
    ASSERT_TRUE(connect(o));
    sim_->modifyDeviceState([](sim::DeviceState& s) {
        s.tempBuffer.clear();
        s.tempLength = 0;
    });
    initSession(nullptr);
    ASSERT_EQ(Flag.pages_error + Flag.table_error + Flag.time_error, 0);
    ASSERT_EQ(TotalPagNumDload, TotalPagNum);
    Tsample = 900;
    Flag.verbose = 1;
    ASSERT_EQ(saveFile(nullptr, DataTimeSS), 1);
    const std::string name = DataTimeSS;
    ASSERT_GT(InfoSES.nItem, 10u);

    TempDir out;
    auto r = cli({"image", "decode", work_.path(), "--session", name, "-s", "900", "-d", out.path()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, out.file(name) + "\n");
    EXPECT_EQ(readFileBytes(out.file(name)), readWorkFile(name));
}

} // namespace
