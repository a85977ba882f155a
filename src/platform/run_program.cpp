#include "platform/run_program.h"

#include <cerrno>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

struct SpawnActions {
    posix_spawn_file_actions_t a;
    SpawnActions() { posix_spawn_file_actions_init(&a); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&a); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
};

int statusOf(int st) {
    if (WIFEXITED(st)) return WEXITSTATUS(st);
    if (WIFSIGNALED(st)) return 128 + WTERMSIG(st);
    return -1;
}

} // namespace

int runProgramAndWait(const std::string& program, const std::vector<std::string>& args,
                      const std::string& workDir, const std::function<void()>& idle, int idleMs) {
    if (program.empty()) {
        errno = ENOENT;
        return -1;
    }
    std::vector<char*> argv;
    argv.reserve(args.size() + 2);
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    SpawnActions actions;
    if (!workDir.empty()) {
        const int rc = posix_spawn_file_actions_addchdir_np(&actions.a, workDir.c_str());
        if (rc != 0) {
            errno = rc;
            return -1;
        }
    }
    pid_t pid = -1;
    // glibc reports a failed chdir or exec in the child as the result of posix_spawn.
    const int rc = posix_spawn(&pid, program.c_str(), &actions.a, nullptr, argv.data(), environ);
    if (rc != 0) {
        errno = rc;
        return -1;
    }

    int st = 0;
    for (;;) {
        const pid_t r = waitpid(pid, &st, idle ? WNOHANG : 0);
        if (r == pid) return statusOf(st);
        if (r < 0 && errno != EINTR) return -1;
        if (r == 0) { // still running
            idle();
            poll(nullptr, 0, idleMs > 0 ? idleMs : 1);
        }
    }
}
