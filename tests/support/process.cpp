#include "support/process.h"

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>

ProcessResult runProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                         const std::string& cwd, int timeoutMs, int interruptAfterMs) {
    ProcessResult res;
    int outPipe[2], errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0) return res;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        int devnull = open("/dev/null", O_RDONLY);
        if (devnull >= 0) dup2(devnull, 0);
        if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
        for (const auto& e : env) putenv(const_cast<char*>(e.c_str()));
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    const auto started = std::chrono::steady_clock::now();
    auto deadline = started + std::chrono::milliseconds(timeoutMs);
    bool interrupted = interruptAfterMs <= 0;
    bool outOpen = true, errOpen = true;
    while (outOpen || errOpen) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                          std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            kill(pid, SIGKILL);
            break;
        }
        if (!interrupted) {
            auto sinceStart = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - started);
            if (sinceStart.count() >= interruptAfterMs) {
                kill(pid, SIGINT);
                interrupted = true;
            } else {
                left = std::min(left, std::chrono::milliseconds(interruptAfterMs) - sinceStart);
            }
        }
        pollfd p[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
        if (poll(p, 2, static_cast<int>(left.count())) <= 0) continue;
        char buf[4096];
        for (int i = 0; i < 2; ++i) {
            if (!(p[i].revents & (POLLIN | POLLHUP))) continue;
            ssize_t r = read(p[i].fd, buf, sizeof buf);
            if (r <= 0) {
                (i == 0 ? outOpen : errOpen) = false;
                p[i].fd = -1;
            } else {
                (i == 0 ? res.out : res.err).append(buf, static_cast<size_t>(r));
            }
        }
        if (!outOpen && !errOpen) break;
    }
    close(outPipe[0]);
    close(errPipe[0]);
    int st = 0;
    waitpid(pid, &st, 0);
    res.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    return res;
}
