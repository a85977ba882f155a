// korvane-cli on a data file with missing readings: export keeps "Err", plot breaks the curve.
#include <gtest/gtest.h>

#include <fstream>

#include "plot/plot_test_support.h"
#include "support/env_guard.h"
#include "support/fixture.h"
#include "support/process.h"

namespace {

TEST(CliMissingReadings, ExportKeepsErrAndPlotBreaksTheCurve) {
    TempDir dir;
    // Pressure readings with a sensor that did not answer in rows 5..8; a marker in row 2.
    std::string in = "Start: 140523_101500\r\nTime[s]: 900\r\n\"T\" \"P (hPa)\" \r\n";
    for (int i = 1; i <= 12; ++i)
        in += std::string(i == 2 ? "_Irr_low" : "20.5") + " " +
              (i >= 5 && i <= 8 ? "Err" : std::to_string(1010 + i % 3)) + " \r\n";
    std::ofstream(dir.file("in.txt"), std::ios::binary) << in;
    const auto cli = [&](std::vector<std::string> args) {
        args.insert(args.begin(), KORVANE_CLI_PATH);
        return runProcess(args, {}, dir.path());
    };
    ASSERT_EQ(cli({"export", "in.txt", "-f", "A", "-o", "out.txt"}).status, 0);
    const std::string out = readFileBytes(dir.file("out.txt"));
    EXPECT_NE(out.find("\r\n20.5 1011 \r\n100 1012 \r\n"), std::string::npos) << out; // the marker's value
    EXPECT_NE(out.find("\r\n20.5 Err \r\n20.5 Err \r\n20.5 Err \r\n20.5 Err \r\n"), std::string::npos) << out;

    const ProcessResult r = cli({"plot", "in.txt", "-c", "1,2", "-o", "g.svg"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string svg = readAll(dir.file("g.svg"));
    // The second curve: rows 1..4 and 9..12 (four points each), nothing drawn at 0 hPa; alone, the
    // column's axis starts near its values.
    size_t pieces = 0;
    for (size_t at = svg.find("<polyline "); at != std::string::npos; at = svg.find("<polyline ", at + 1))
        if (const size_t n = numbers(svgAttribute(svg, at, "points")).size();
            svgAttribute(svg, at, "stroke") == "#ff0000" && n != 4) { // not the legend's sample line
            ++pieces;
            EXPECT_EQ(n, 8u);
        }
    EXPECT_EQ(pieces, 2u);
    ASSERT_EQ(cli({"plot", "in.txt", "-c", "2", "-o", "p.svg"}).status, 0);
    EXPECT_NE(readAll(dir.file("p.svg")).find(">909"), std::string::npos); // 10 % below 1010, not 0
}

} // namespace
