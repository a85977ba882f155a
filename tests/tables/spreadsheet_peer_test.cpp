// Format B as a spreadsheet program reads it: a real office suite, run headless, opens an export
// with decimal comma (semicolon separated, Windows-1252, Italian number format) and writes it
// back as plain CSV with decimal point, so the columns and values it understood can be compared.
#include "table_test_support.h"

#include <unistd.h>

#include <sstream>

#include "support/process.h"
#include "tables/export_format.h"

namespace {

class SpreadsheetPeer : public TableTest {};

TEST_F(SpreadsheetPeer, FormatBWithDecimalCommaOpensWithItsColumnsAndValues) {
    const std::string office = "/usr/bin/soffice";
    if (::access(office.c_str(), X_OK) != 0) GTEST_SKIP() << "no office suite installed (soffice)";
    DataTimeSS = "140523_101500";
    Tsample = 900;
    const std::string title = "CH1_1: Temperatura (0.00 \xB0"
                              "C)";
    const std::vector<std::vector<std::string>> rows = {{"12.50", "1234.5", "-7"},
                                                        {"-3.25", "0.125", "_Irr_low"}};
    ASSERT_EQ(load(sessionFile(900, {title, "I", "E"}, rows), 2), 1);
    Flag.file_format = 1;
    Flag.comma = 1;
    ASSERT_EQ(exportTable(table_, "tabella.txt", InfoSES), 1);
    // Import: ';' separated, '"' quoted, Windows-1252, from line 1, Italian; export: ',' separated,
    // UTF-8, English, cells as shown.
    const std::string dir = std::filesystem::current_path().string();
    const ProcessResult r =
        runProcess({office, "--headless", "--norestore", "--nolockcheck",
                    "-env:UserInstallation=file://" + dir + "/profile",
                    "--infilter=Text - txt - csv (StarCalc):59,34,1,1,,1040", "--convert-to",
                    "csv:Text - txt - csv (StarCalc):44,34,76,1,,1033,false,false,true", "--outdir",
                    dir + "/out", dir + "/tabella.txt"},
                   {"HOME=" + dir}, dir, 110000);
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream csv(readFileBytes("out/tabella.csv"));
    std::vector<std::vector<std::string>> lines;
    for (std::string line; std::getline(csv, line);) {
        std::erase(line, '\r'), std::erase(line, '"');
        std::vector<std::string> fields;
        std::istringstream in(line);
        for (std::string f; std::getline(in, f, ',');) fields.push_back(f);
        if (!fields.empty()) lines.push_back(fields);
    }
    ASSERT_EQ(lines.size(), 3u) << r.out << r.err;
    EXPECT_EQ(lines[0],
              (std::vector<std::string>{"DATE:", "TIME:", "CH1_1: Temperatura (0.00 \u00B0C)", "I", "E"}));
    // A number the program did not recognise would come back as the text "12,50" (split in two).
    const std::vector<std::string> want[] = {{"12.5", "1234.5", "-7"}, {"-3.25", "0.125", "100"}};
    for (size_t row = 0; row < 2; ++row) {
        ASSERT_EQ(lines[row + 1].size(), 5u);
        EXPECT_EQ(lines[row + 1][1].substr(0, 5), row == 0 ? "10:15" : "10:30");
        EXPECT_EQ(std::vector<std::string>(lines[row + 1].begin() + 2, lines[row + 1].end()), want[row]);
    }
}

} // namespace
