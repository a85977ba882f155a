#pragma once
// Runs a program of the project as a child process and collects what it printed.
#include <string>
#include <vector>

struct ProcessResult {
    int status = -1; // exit status; 128 + signal when killed
    std::string out, err;
};

// Runs `argv` (argv[0] is the program's path) with extra environment settings "NAME=value",
// in `cwd` when not empty; kills it after `timeoutMs`. When `interruptAfterMs` > 0 the child
// gets SIGINT (a Ctrl-C) after that time.
ProcessResult runProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env = {},
                         const std::string& cwd = "", int timeoutMs = 60000, int interruptAfterMs = 0);
