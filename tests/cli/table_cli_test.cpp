// korvane-cli on data files: export (format A in, A or B out) and plot (metafile or SVG picture;
// PNG is drawn with the desktop program's renderer and checked with the GUI tests).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "plot/plot_test_support.h"
#include "support/env_guard.h"
#include "support/fixture.h"
#include "support/process.h"

namespace {

namespace fs = std::filesystem;

// A folder with "in.txt" (two rows, a marker cell, two decimals) and "bad.txt" (no start line).
struct Files {
    Files() {
        std::ofstream(dir.file("in.txt"), std::ios::binary) << kIn;
        std::ofstream(dir.file("bad.txt"), std::ios::binary) << "Time[s]: 900\r\n\"A\" \r\n1 \r\n";
    }
    ProcessResult cli(std::vector<std::string> args) const {
        args.insert(args.begin(), KORVANE_CLI_PATH);
        return runProcess(args, {}, dir.path());
    }
    size_t count() const {
        return static_cast<size_t>(
            std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()));
    }
    static constexpr const char* kIn = "Start: 140523_101500\r\nTime[s]: 900\r\n\"T (0.00 \xB0"
                                       "C)\" \"P\" \r\n12.50 7 \r\n-3.2 _Irr_low \r\n";
    TempDir dir;
};

TEST(CliExport, WritesFormatAOrBWithPointOrComma) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"export", "in.txt", "-f", "B", "-c", "-o", "out.txt"},
         "\"DATE:\";\"TIME:\";\"T (0.00 \xB0"
         "C)\";\"P\"\r\n\"23.05.14\";\"10:15:00\";12,50;7\r\n\"23.05.14\";\"10:30:00\";-3,2;100\r\n"},
        // The global -o choices (bit 0 comma, bit 1 format B) when -f and -c are not given.
        {{"-o", "1", "export", "in.txt", "-o", "out.txt"},
         "Start: 140523_101500\r\nTime[s]: 900\r\n\"T (0.00 \xB0"
         "C)\" \"P\" \r\n12,50 7 \r\n-3,2 100 \r\n"},
    };
    for (const auto& [args, golden] : cases) {
        Files f;
        // A file named like the working file stays as it is: loading happens elsewhere.
        std::ofstream(f.dir.file("140523_101500")) << "mine";
        const ProcessResult r = f.cli(args);
        EXPECT_EQ(r.out, fs::canonical(f.dir.file("out.txt")).string() + "\n") << r.err;
        EXPECT_EQ(readFileBytes(f.dir.file("out.txt")), golden) << args[1];
        EXPECT_EQ(readFileBytes(f.dir.file("140523_101500")), "mine");
        EXPECT_EQ(f.count(), 4u); // nothing left behind
    }
}

TEST(CliPlot, WritesTheGraphAsMetafileOrSvg) {
    Files f;
    std::string rows = "Start: 140523_101500\r\nTime[s]: 900\r\n\"T (0.00 \xB0"
                       "C)\" \"E\" \"P\" \r\n";
    for (int i = 0; i < 30; ++i) // the second column lies wholly above 100000
        rows += std::to_string(20 + i % 7) + ".5 " + std::to_string(250000 + i * 10) + " " +
                std::to_string(i) + " \r\n";
    std::ofstream(f.dir.file("in.txt"), std::ios::binary) << rows;
    for (const char* name : {"g.wmf", "g.svg"}) {
        const ProcessResult r = f.cli({"plot", "in.txt", "-c", "3,2", "-o", name});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, fs::canonical(f.dir.file(name)).string() + "\n");
    }
    EXPECT_TRUE(wmfConvert(f.dir.file("g.wmf"), f.dir.file("back.svg"), "svg"));
    const std::string svg = readAll(f.dir.file("g.svg"));
    EXPECT_LT(svg.find(">E</text>"), svg.find(">P</text>")); // column 2 before column 3
    EXPECT_EQ(svg.find("Valore"), std::string::npos);        // no read-out in a file of its own
    // A column wholly above 100000 is scaled from its own range: 225000..275320.
    ASSERT_EQ(f.cli({"plot", "in.txt", "-c", "2", "-o", "e.svg"}).status, 0);
    const std::string e2 = readAll(f.dir.file("e.svg"));
    EXPECT_NE(e2.find(">225000"), std::string::npos);
    EXPECT_EQ(e2.find(">100000"), std::string::npos);
}

// What download and image decode write (first line "Time[s]:") plots as it is: named by its
// start time or not.
TEST(CliPlot, TakesTheSessionDataFileOfADownload) {
    Files f;
    const std::string session = fixturePath("logger-basic/expected/151231_224730.T900");
    ASSERT_TRUE(fs::exists(session)) << "missing fixture " << session;
    fs::copy_file(session, f.dir.file("151231_224730.T900"));
    for (const char* in : {"151231_224730.T900", "bad.txt"}) {
        const ProcessResult r = f.cli({"plot", in, "-c", "1", "-o", "s.wmf"});
        ASSERT_EQ(r.status, 0) << in << ": " << r.err;
        EXPECT_TRUE(wmfConvert(f.dir.file("s.wmf"), f.dir.file("s.svg"), "svg")) << in;
    }
    const ProcessResult r = f.cli({"plot", "151231_224730.T900", "-c", "1,5", "-o", "t.svg"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string svg = readAll(f.dir.file("t.svg"));
    EXPECT_NE(svg.find("CH4_1: Temperatura"), std::string::npos);
    EXPECT_NE(svg.find("CH4_5: Pressione aria"), std::string::npos);
}

TEST(CliFiles, RefuseBadArgumentsAndBadFilesAndWriteNothing) {
    Files f;
    const std::tuple<std::vector<std::string>, int, const char*> cases[] = {
        {{"export", "bad.txt", "-o", "out.txt"}, 1, "Error: File non valido !"},
        {{"export", "in.txt", "-o", "no-folder/out.txt"}, 1, "non puo' essere scritto !"},
        {{"export", "in.txt", "-f", "C", "-o", "out.txt"}, 64, "-f takes A or B"},
        {{"plot", "in.txt", "-c", "3", "-o", "out.svg"}, 1, "no data column 3 (the file has 2)"},
        {{"plot", "in.txt", "-c", "1,,2", "-o", "out.svg"}, 64, "-c takes data column numbers"},
        {{"plot", "in.txt", "-c", "1", "-o", "out.gif"}, 64, "must end in .wmf, .svg or .png"},
        {{"plot", "missing.txt", "-c", "1", "-o", "out.svg"}, 1, "File non valido !"},
    };
    for (const auto& [args, status, says] : cases) {
        const ProcessResult r = f.cli(args);
        EXPECT_EQ(r.status, status) << args[1] << " " << args.back();
        EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
        EXPECT_EQ(f.count(), 2u) << args[1] << " " << args.back();
    }
}

} // namespace
