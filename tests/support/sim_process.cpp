#include "support/sim_process.h"

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

SimProcess::SimProcess(const std::vector<std::string>& args, int timeoutMs) {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
        dup2(pipeFds[1], 1);
        const int devnull = open("/dev/null", O_RDWR);
        if (devnull >= 0) {
            dup2(devnull, 0);
            dup2(devnull, 2);
        }
        std::vector<char*> argv{const_cast<char*>(KORVANE_SIM_PATH)};
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(pipeFds[1]);
    out_ = pipeFds[0];
    if (pid_ < 0) return;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string line;
    while (line.find('\n') == std::string::npos) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
                .count();
        pollfd p{out_, POLLIN, 0};
        if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0) return;
        char buf[256];
        const ssize_t n = read(out_, buf, sizeof buf);
        if (n <= 0) return;
        line.append(buf, static_cast<size_t>(n));
    }
    path_ = line.substr(0, line.find('\n'));
}

SimProcess::~SimProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int st = 0;
        waitpid(pid_, &st, 0);
    }
    if (out_ >= 0) close(out_);
}
