// korvane-cli plot: the column graph of an export file as a metafile or an SVG picture.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "plot/plot_test_support.h"
#include "support/env_guard.h"
#include "support/fixture.h"
#include "support/process.h"

namespace {

namespace fs = std::filesystem;

ProcessResult cli(std::vector<std::string> args, const std::string& cwd) {
    args.insert(args.begin(), KORVANE_CLI_PATH);
    return runProcess(args, {}, cwd);
}

// Three data columns over 30 rows; the second lies wholly above 100000.
std::string exportFile() {
    std::string s = "Start: 140523_101500\r\nTime[s]: 900\r\n\"T (0.00 \xB0"
                    "C)\" \"E\" \"P\" \r\n";
    for (int i = 0; i < 30; ++i)
        s += std::to_string(20 + i % 7) + ".5 " + std::to_string(250000 + i * 10) + " " +
             (i == 4 ? std::string("_Irr_low") : std::to_string(i)) + " \r\n";
    return s;
}

TEST(CliPlot, WritesTheGraphAsMetafileOrSvg) {
    TempDir dir;
    std::ofstream(dir.file("in.txt"), std::ios::binary) << exportFile();
    for (const char* name : {"g.wmf", "g.svg"}) {
        SCOPED_TRACE(name);
        const ProcessResult r = cli({"plot", "in.txt", "-c", "3,2", "-o", name}, dir.path());
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, fs::canonical(dir.file(name)).string() + "\n");
        EXPECT_EQ(r.err, "");
    }
    EXPECT_TRUE(wmfConvert(dir.file("g.wmf"), dir.file("back.svg"), "svg"));
    const std::string svg = readAll(dir.file("g.svg"));
    EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
    EXPECT_NE(svg.find("Legenda grafico"), std::string::npos);
    // Column 2 before column 3, the degree sign of a title as '*'.
    const size_t e = svg.find(">E</text>"), p = svg.find(">P</text>");
    EXPECT_NE(e, std::string::npos);
    EXPECT_LT(e, p);
    EXPECT_EQ(svg.find("Valore"), std::string::npos); // no read-out in a file of its own
    // Nothing left behind but the input and the pictures.
    size_t files = 0;
    for ([[maybe_unused]] const auto& f : fs::directory_iterator(dir.path())) ++files;
    EXPECT_EQ(files, 4u);
    // A column wholly above 100000 is scaled from its own range: 225000..275320.
    ASSERT_EQ(cli({"plot", "in.txt", "-c", "2", "-o", "e.svg"}, dir.path()).status, 0);
    const std::string e2 = readAll(dir.file("e.svg"));
    EXPECT_NE(e2.find(">225000"), std::string::npos);
    EXPECT_EQ(e2.find(">100000"), std::string::npos);
}

TEST(CliPlot, RefusesBadArgumentsAndBadFiles) {
    TempDir dir;
    std::ofstream(dir.file("in.txt"), std::ios::binary) << exportFile();
    std::ofstream(dir.file("bad.txt"), std::ios::binary) << "Time[s]: 900\r\n\"A\" \r\n1 \r\n";
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* says;
    } cases[] = {
        {{"plot", "in.txt", "-c", "4", "-o", "g.svg"}, 1, "no data column 4 (the file has 3)"},
        {{"plot", "in.txt", "-c", "0", "-o", "g.svg"}, 64, "-c takes data column numbers"},
        {{"plot", "in.txt", "-c", "1,,2", "-o", "g.svg"}, 64, "-c takes data column numbers"},
        {{"plot", "in.txt", "-c", "1x", "-o", "g.svg"}, 64, "-c takes data column numbers"},
        {{"plot", "in.txt", "-o", "g.svg"}, 64, "plot needs -c"},
        {{"plot", "in.txt", "-c", "1"}, 64, "plot needs -o"},
        {{"plot", "-c", "1", "-o", "g.svg"}, 64, "plot needs a data file"},
        {{"plot", "in.txt", "-c", "1", "-o", "g.png"}, 64, "PNG pictures need the desktop program"},
        {{"plot", "in.txt", "-c", "1", "-o", "g.pdf"}, 64, "must end in .wmf or .svg"},
        {{"plot", "bad.txt", "-c", "1", "-o", "g.svg"}, 1, "File non valido !"},
        {{"plot", "missing.txt", "-c", "1", "-o", "g.svg"}, 1, "File non valido !"},
        {{"plot", "in.txt", "-c", "1", "-o", "no/such/dir/g.svg"}, 1, "could not be written"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[1] + " " + c.args.back());
        const ProcessResult r = cli(c.args, dir.path());
        EXPECT_EQ(r.status, c.status);
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(dir.file("g.svg")));
    }
}

} // namespace
