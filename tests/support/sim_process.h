#pragma once
// korvane-sim run as a child process: its memory and descriptors stay out of this process's
// count, as with a real device on the line.
#include <string>
#include <sys/types.h>
#include <vector>

class SimProcess {
  public:
    // Starts korvane-sim with `args` and waits (up to `timeoutMs`) for the pseudo-terminal path
    // it prints. ok() tells whether it came.
    explicit SimProcess(const std::vector<std::string>& args, int timeoutMs = 20000);
    ~SimProcess(); // SIGTERM, then the child is reaped
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    bool ok() const { return !path_.empty(); }
    const std::string& path() const { return path_; }

  private:
    pid_t pid_ = -1;
    int out_ = -1; // the child's standard output, kept open so that it never writes to a closed pipe
    std::string path_;
};
