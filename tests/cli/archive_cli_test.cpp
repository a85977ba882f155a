// korvane-cli with the plant archive: downloads and image decodes merged into it, the archive's
// listing, re-averaged exports and graphs, the check, and the exit statuses.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "sim/sim.h"
#include "support/env_guard.h"
#include "support/fixture.h"
#include "support/process.h"

namespace {

ProcessResult cli(std::vector<std::string> args, const std::string& cwd = "") {
    args.insert(args.begin(), KORVANE_CLI_PATH);
    return runProcess(args, {"KORVANE_PORTS=", "KORVANE_DEV_DIR=/nonexistent/korvane-test-dev"}, cwd);
}

bool contains(const std::string& s, const std::string& part) {
    return s.find(part) != std::string::npos;
}

TEST(CliArchive, DownloadsMergeAndExportsGiveTheDownloadsFiles) {
    sim::SimOptions o;
    o.kind = sim::DeviceKind::RX43, o.scenario = "normal", o.seed = 3;
    sim::Simulator s(o);
    ASSERT_TRUE(s.start());
    TempDir d300, d900, out;
    const std::string db = out.file("plant.db");
    auto r =
        cli({"-p", s.slavePath(), "download", "-s", "300", "-n", "6", "-d", d300.path(), "--archive", db});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string file300 = r.out.substr(0, r.out.size() - 1);
    EXPECT_TRUE(contains(r.err, "session 1: ")) << r.err;
    EXPECT_TRUE(contains(r.err, "0 already kept, 0 conflicting")) << r.err;
    r = cli({"-p", s.slavePath(), "download", "-s", "900", "-n", "6", "-d", d900.path(), "--archive", db});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string file900 = r.out.substr(0, r.out.size() - 1);
    EXPECT_TRUE(contains(r.err, " 0 new, ")) << r.err;
    const std::string start = std::filesystem::path(file300).filename();
    // An archive that cannot be written: the data file is, and the status says it was not archived.
    TempDir d1;
    r = cli(
        {"-p", s.slavePath(), "download", "-n", "1", "-d", d1.path(), "--archive", out.file("no/plant.db")});
    EXPECT_EQ(r.status, 7) << r.err;
    EXPECT_EQ(r.out, d1.file(start) + "\n");
    EXPECT_TRUE(contains(r.err, "archive import failed")) << r.err;

    r = cli({"archive", "list", db});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "\n1 B018 " + start + " ")) << r.out;

    // The whole session again at both sample times, by number and by start.
    r = cli({"archive", "export", db, "--session", "1", "-s", "300", "-o", out.file("a300")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFileBytes(out.file("a300")), readFileBytes(file300));
    r = cli({"archive", "export", db, "--session", start, "-s", "900", "-o", out.file("a900")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFileBytes(out.file("a900")), readFileBytes(file900));
    r = cli(
        {"archive", "export", db, "--session", "1", "-s", "3600", "-f", "B", "-c", "-o", out.file("b.csv")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFileBytes(out.file("b.csv")).substr(0, 17), "\"DATE:\";\"TIME:\";\"");
    r = cli({"archive", "plot", db, "--session", "1", "-s", "900", "-c", "1,2", "-o", out.file("g.svg")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(readFileBytes(out.file("g.svg")), "<svg"));
    r = cli({"archive", "check", db});
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out, "ok: schema 2, 1 sessions, 0 conflicts\n");

    std::ofstream(out.file("text.db")) << "Time[s]: 900\r\n";
    const std::tuple<std::vector<std::string>, int, std::string> failures[] = {
        {{"archive", "list", out.file("missing.db")}, 1, "korvane-cli: archive: "},
        {{"archive", "export", db, "--session", "9", "-o", out.file("x")},
         1,
         "korvane-cli: archive: no session 9"},
        {{"archive", "export", db, "--session", "1", "--from", "210101_000000", "--to", "1", "-o",
          out.file("x")},
         1,
         "korvane-cli: archive: the period ends"},
        {{"archive", "export", db, "--session", "1", "--from", "yesterday", "-o", out.file("x")},
         1,
         "korvane-cli: archive: 'yesterday' is no time"},
        {{"archive", "plot", db, "--session", "1", "-c", "1", "-o", out.file("g.gif")},
         64,
         "korvane-cli: plot: the picture file must end in .wmf, .svg or .png"},
        {{"archive", "export", db, "-o", out.file("x")}, 64, "korvane-cli: archive export needs --session"},
        {{"archive", "check", out.file("text.db")}, 1, ""},
        {{"archive", "merge", db}, 64, "korvane-cli: archive: unknown subcommand"},
    };
    for (const auto& [args, status, err] : failures) {
        r = cli(args);
        EXPECT_EQ(r.status, status) << args[1] << " " << r.err;
        EXPECT_EQ(r.err.substr(0, err.size()), err) << r.err;
        EXPECT_FALSE(std::filesystem::exists(out.file("x")));
    }
}

TEST(CliArchive, ImageSessionsImportedOnceWhateverTheWay) {
    TempDir img, out;
    std::filesystem::copy_file(fixturePath("logger-basic/flash.bin"), img.file("RX41data.bin"));
    std::filesystem::copy_file(fixturePath("logger-basic/expected/RX41data.txt"), img.file("RX41data.txt"));
    const std::string db = out.file("plant.db");
    auto r = cli({"archive", "import", db, img.path()});
    ASSERT_EQ(r.status, 0) << r.err;
    // The session whose table page cannot be decoded is named and left out.
    EXPECT_TRUE(contains(r.err, "session 130102_030405 (table page 0x0500) cannot be decoded")) << r.err;
    r = cli({"archive", "list", db});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 4) << r.out; // the title and three sessions
    EXPECT_TRUE(contains(r.out, " 151231_224730 ")) << r.out;

    // Decoding the newest session again adds nothing; a second import neither.
    r = cli({"image", "decode", img.path(), "-s", "900", "-d", out.path(), "--archive", db});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.err, " 0 new, ")) << r.err;
    r = cli({"archive", "import", db, img.path()});
    ASSERT_EQ(r.status, 0) << r.err;
    size_t sessions = 0, none = 0; // every session's line says it added nothing
    for (size_t at = 0; (at = r.err.find(" records, ", at)) != std::string::npos; ++at) ++sessions;
    for (size_t at = 0; (at = r.err.find(" records, 0 new, ", at)) != std::string::npos; ++at) ++none;
    EXPECT_EQ(sessions, 3u) << r.err;
    EXPECT_EQ(none, sessions) << r.err;
    r = cli({"archive", "export", db, "--session", "151231_224730", "-s", "900", "-o", out.file("again")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFileBytes(out.file("again")), readFileBytes(out.file("151231_224730")));
    // Names relative to the working folder, as typed in a shell.
    r = cli({"archive", "export", "plant.db", "--session", "3", "-s", "900", "-o", "relative"}, out.path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFileBytes(out.file("relative")), readFileBytes(out.file("151231_224730")));
    r = cli({"archive", "plot", "plant.db", "--session", "3", "-c", "1", "-o", "relative.svg"}, out.path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(readFileBytes(out.file("relative.svg")), "<svg"));
}

} // namespace
