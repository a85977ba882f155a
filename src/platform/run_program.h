#pragma once
// Starting another program and waiting for it to end. The program is started directly (no shell
// reads its arguments), with the environment of this one.
#include <functional>
#include <string>
#include <vector>

// Runs `program` (a path; argv[0] is the same path) with the arguments `args`, in the folder
// `workDir` (empty: the current folder), and waits until it ends. While it runs, `idle` (when
// set) is called about every `idleMs` milliseconds, so that a window can repaint. Returns the
// program's exit status, 128 + the signal's number when a signal ended it, -1 when it could not
// be started (missing, not executable, or `workDir` unusable; errno then says why).
int runProgramAndWait(const std::string& program, const std::vector<std::string>& args,
                      const std::string& workDir = {}, const std::function<void()>& idle = {},
                      int idleMs = 50);
