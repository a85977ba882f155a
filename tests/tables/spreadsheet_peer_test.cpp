// Format B as a spreadsheet program reads it: a real office suite, run headless, opens an export
// with decimal comma (semicolon separated, Windows-1252, Italian number format) and writes it
// back as plain CSV with decimal point, so the columns and values it understood can be compared.
#include "table_test_support.h"

#include <unistd.h>

#include <cmath>

#include "support/fixture.h"
#include "support/process.h"
#include "tables/export_format.h"

namespace {

std::string findProgram(const char* name) {
    for (const char* dir : {"/usr/bin", "/usr/local/bin", "/opt/libreoffice/program"}) {
        const std::string p = std::string(dir) + "/" + name;
        if (::access(p.c_str(), X_OK) == 0) return p;
    }
    return {};
}

// One CSV line (comma separated, double quotes doubled inside quoted fields).
std::vector<std::string> csvFields(const std::string& line) {
    std::vector<std::string> out(1);
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                out.back() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                out.back() += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            out.emplace_back();
        } else {
            out.back() += c;
        }
    }
    return out;
}

class SpreadsheetPeer : public TableTest {};

TEST_F(SpreadsheetPeer, FormatBWithDecimalCommaOpensWithItsColumnsAndValues) {
    const std::string office = findProgram("soffice");
    if (office.empty()) GTEST_SKIP() << "no office suite installed (soffice)";

    DataTimeSS = "140523_101500";
    Tsample = 900;
    ASSERT_EQ(
        load(sessionFile(900,
                         {"CH1_1: Temperatura (0.00 \xB0"
                          "C)",
                          "I", "E"},
                         {{"12.50", "1234.5", "-7"}, {"-3.25", "0.125", "_Irr_low"}, {"0.05", "1000", "8"}}),
             3),
        1);
    // A title with the two characters that matter in a CSV field (the loader cannot hold it).
    setHeader(table_, "Irr \"sud\"; W/m2", 3);
    Flag.file_format = 1;
    Flag.comma = 1;
    ASSERT_EQ(exportTable(table_, "tabella.txt", InfoSES), 1);
    ASSERT_NE(readBytes("tabella.txt").find("12,50;1234,5;-7"), std::string::npos);

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
    const std::string csv = readBytes("out/tabella.csv");
    ASSERT_FALSE(csv.empty()) << r.out << r.err;

    std::vector<std::vector<std::string>> lines;
    size_t from = 0;
    while (from < csv.size()) {
        size_t end = csv.find('\n', from);
        if (end == std::string::npos) end = csv.size();
        std::string line = csv.substr(from, end - from);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(csvFields(line));
        from = end + 1;
    }
    ASSERT_EQ(lines.size(), 4u) << csv;
    EXPECT_EQ(lines[0], (std::vector<std::string>{"DATE:", "TIME:", "CH1_1: Temperatura (0.00 \u00B0C)",
                                                  "Irr \"sud\"; W/m2", "E"}));
    const double want[3][3] = {{12.5, 1234.5, -7}, {-3.25, 0.125, 100}, {0.05, 1000, 8}};
    for (size_t r = 0; r < 3; ++r) {
        const auto& f = lines[r + 1];
        ASSERT_EQ(f.size(), 5u) << csv;
        EXPECT_EQ(f[1].substr(0, 5), r == 0 ? "10:15" : r == 1 ? "10:30" : "10:45");
        for (size_t c = 0; c < 3; ++c) {
            // A number the program did not recognise would come back as the text "12,50".
            char* end = nullptr;
            const double v = std::strtod(f[c + 2].c_str(), &end);
            EXPECT_TRUE(end && *end == 0 && !f[c + 2].empty()) << "[" << f[c + 2] << "]";
            EXPECT_DOUBLE_EQ(v, want[r][c]) << r << "," << c;
        }
    }
}

} // namespace
