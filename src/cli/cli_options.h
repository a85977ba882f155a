#pragma once
#include <string>
#include <vector>

struct CliOption {
    char letter;
    std::string argument;
};

struct CliOptions {
    std::vector<CliOption> options; // global options in command-line order
    std::string command;
    std::vector<std::string> arguments; // the command's own words
    bool help = false;
};

// Global options first (-p -b -k -t -o take an argument, attached or as the next word; -l and
// -m take none), then the command and its words. False with a reason on a malformed line.
bool parseCliOptions(int argc, char** argv, CliOptions& out, std::string& err);
