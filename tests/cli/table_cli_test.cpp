// korvane-cli export: an export file (format A) loaded as the data table loads it and written again
// in format A or B.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/env_guard.h"
#include "support/fixture.h"
#include "support/process.h"

namespace {

namespace fs = std::filesystem;

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

ProcessResult cli(std::vector<std::string> args, const std::string& cwd) {
    args.insert(args.begin(), KORVANE_CLI_PATH);
    return runProcess(args, {}, cwd);
}

// Two rows a quarter of an hour apart; a marker cell and a value with two decimals.
const std::string kExportA = "Start: 140523_101500\r\n"
                             "Time[s]: 900\r\n"
                             "\"T (0.00 \xB0"
                             "C)\" \"P\" \r\n"
                             "12.50 7 \r\n"
                             "-3.2 _Irr_low \r\n";

TEST(CliExport, WritesFormatAOrBWithPointOrComma) {
    struct Case {
        std::vector<std::string> options; // before and after the command
        std::string golden;
    } cases[] = {
        {{"export", "in.txt", "-f", "A", "-o", "out.txt"},
         "Start: 140523_101500\r\nTime[s]: 900\r\n\"T (0.00 \xB0"
         "C)\" \"P\" \r\n12.50 7 \r\n-3.2 100 \r\n"},
        {{"export", "in.txt", "-f", "B", "-c", "-o", "out.txt"},
         "\"DATE:\";\"TIME:\";\"T (0.00 \xB0"
         "C)\";\"P\"\r\n\"23.05.14\";\"10:15:00\";12,50;7\r\n\"23.05.14\";\"10:30:00\";-3,2;100\r\n"},
        // The global -o choices (bit 0 comma, bit 1 format B) when -f and -c are not given.
        {{"-o", "1", "export", "in.txt", "-o", "out.txt"},
         "Start: 140523_101500\r\nTime[s]: 900\r\n\"T (0.00 \xB0"
         "C)\" \"P\" \r\n12,50 7 \r\n-3,2 100 \r\n"},
        {{"-o", "2", "export", "in.txt", "-o", "out.txt"},
         "\"DATE:\";\"TIME:\";\"T (0.00 \xB0"
         "C)\";\"P\"\r\n\"23.05.14\";\"10:15:00\";12.50;7\r\n\"23.05.14\";\"10:30:00\";-3.2;100\r\n"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        writeFile(dir.file("in.txt"), kExportA);
        // A file named like the working file stays as it is: loading happens elsewhere.
        writeFile(dir.file("140523_101500"), "mine");
        const ProcessResult r = cli(c.options, dir.path());
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, fs::canonical(dir.file("out.txt")).string() + "\n");
        EXPECT_EQ(readFileBytes(dir.file("out.txt")), c.golden) << c.options[1];
        EXPECT_EQ(readFileBytes(dir.file("140523_101500")), "mine");
        size_t files = 0;
        for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path())) ++files;
        EXPECT_EQ(files, 3u); // nothing left behind
    }
}

TEST(CliExport, FormatARoundTripsThroughTheTable) {
    TempDir dir;
    const std::string golden = readFileBytes(fixturePath("logger-basic/expected/151231_224730.T900"));
    ASSERT_FALSE(golden.empty());
    writeFile(dir.file("in.txt"), "Start: 151231_224730\r\n" + golden);
    const ProcessResult r = cli({"export", "in.txt", "-f", "A", "-o", dir.file("again.txt")}, dir.path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFileBytes(dir.file("again.txt")), "Start: 151231_224730\r\n" + golden);
}

TEST(CliExport, RefusesBadInputAndBadArguments) {
    TempDir dir;
    writeFile(dir.file("bad.txt"), "Time[s]: 900\r\n\"A\" \r\n1 \r\n");
    writeFile(dir.file("in.txt"), kExportA);
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string err; // part of stderr
    } cases[] = {
        {{"export", "bad.txt", "-o", "out.txt"}, 1, "Error: File non valido !"},
        {{"export", "missing.txt", "-o", "out.txt"}, 1, "Error: File non valido !"},
        {{"export", "in.txt", "-o", dir.file("no-folder/out.txt")}, 1, "non puo' essere scritto !"},
        {{"export", "in.txt"}, 64, "export needs -o OUTPUT"},
        {{"export", "-o", "out.txt"}, 64, "export needs an input file"},
        {{"export", "in.txt", "-f", "C", "-o", "out.txt"}, 64, "-f takes A or B"},
    };
    for (const Case& c : cases) {
        const ProcessResult r = cli(c.args, dir.path());
        EXPECT_EQ(r.status, c.status) << c.args[1] << r.err;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(dir.file("out.txt")));
    }
}

} // namespace
