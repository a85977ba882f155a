// The short faulty-line soak of CI: tests/soak.sh runs real korvane-cli downloads with
// verification against real korvane-sim processes whose line loses and changes 1 % of the bytes.
#include <gtest/gtest.h>

#include <regex>

#include "support/process.h"

namespace {

TEST(SoakScript, ShortSoakEndsIdenticalOrFailsWithoutFiles) {
    const std::string script = std::string(KORVANE_FIXTURES_DIR) + "/../soak.sh";
    const ProcessResult r = runProcess({"/bin/bash", script, "--runs", "2", "--pages", "3", "--jobs", "2",
                                        "--cli", KORVANE_CLI_PATH, "--sim", KORVANE_SIM_PATH},
                                       {}, "", 110000);
    // Exit 0: no run ended with a file other than the clean one, stray files, no message or a hang.
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_TRUE(std::regex_search(r.out, std::regex("drop=0\\.005 corrupt=0\\.005, -t 100 ms, --verify")))
        << r.out;
    EXPECT_TRUE(std::regex_search(r.out, std::regex("run +1 .*s  (identical|failed)"))) << r.out;
    EXPECT_TRUE(std::regex_search(r.out, std::regex("completed [0-2] of 2 .*broke the rule 0"))) << r.out;
    EXPECT_TRUE(std::regex_search(r.out, std::regex("time per download: median [0-9.]+ s"))) << r.out;
}

TEST(SoakScript, PlainDownloadIsCaughtTakingAChangedPage) {
    // Without verification a changed byte goes into the data file: the soak must see it.
    const std::string script = std::string(KORVANE_FIXTURES_DIR) + "/../soak.sh";
    const ProcessResult r =
        runProcess({"/bin/bash", script, "--runs", "1", "--pages", "2", "--drop", "0", "--corrupt", "0.02",
                    "--no-verify", "--cli", KORVANE_CLI_PATH, "--sim", KORVANE_SIM_PATH},
                   {}, "", 60000);
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_TRUE(std::regex_search(r.out, std::regex("run +1 .*WRONG"))) << r.out;
}

} // namespace
