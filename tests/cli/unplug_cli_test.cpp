// korvane-cli when the device goes away in the middle of the work: a real korvane-sim process
// killed with SIGKILL (its pseudo-terminal closes as when an adapter is pulled out) during a
// download, a firmware upload and a monitor run. The program reports the lost port, ends with
// status 1 and leaves no stray files. The short version of tests/unplug.sh.
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "sim/firmware_file.h"
#include "support/env_guard.h"
#include "support/fixture.h"
#include "support/process.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// korvane-sim as a process of its own, killed with SIGKILL.
class SimProcess {
  public:
    explicit SimProcess(std::vector<std::string> args) {
        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0) return;
        args.insert(args.begin(), KORVANE_SIM_PATH);
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], 1);
            std::vector<char*> argv;
            for (auto& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(out[1]);
        char c;
        while (read(out[0], &c, 1) == 1 && c != '\n') path_ += c;
        close(out[0]);
    }
    ~SimProcess() { kill(); }
    const std::string& path() const { return path_; }
    void kill() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

  private:
    pid_t pid_ = -1;
    std::string path_;
};

bool transcriptHas(const std::string& path, const std::string& request) {
    std::ifstream in(path);
    for (std::string l; std::getline(in, l);)
        if (l.find("> " + request) != std::string::npos) return true;
    return false;
}

struct UnplugCase {
    const char* name;
    std::vector<std::string> sim;     // device and options
    std::vector<std::string> command; // korvane-cli command
    const char* phase;                // the request that shows the operation is under way
    int afterMs;                      // the kill comes this long after it
    const char* kept;                 // a file the command may leave ("" none)
};

void PrintTo(const UnplugCase& c, std::ostream* os) {
    *os << c.name;
}

class UnplugCli : public ::testing::TestWithParam<UnplugCase> {};

TEST_P(UnplugCli, TheLostPortIsReportedAndTheCommandEndsCleanly) {
    const UnplugCase& c = GetParam();
    TempDir run, work, dev;
    std::vector<std::string> simArgs = c.sim;
    simArgs.insert(simArgs.end(), {"--transcript", run.file("transcript.txt")});
    SimProcess sim(simArgs);
    ASSERT_FALSE(sim.path().empty());
    sim::FirmwareFileOptions fw;
    std::ofstream(work.file("big.fw"), std::ios::binary)
        << sim::makeFirmwareFile(sim::sampleProgram(600), fw);

    Clock::time_point killedAt{};
    std::thread killer([&] {
        const auto give_up = Clock::now() + std::chrono::seconds(60);
        while (!transcriptHas(run.file("transcript.txt"), c.phase) && Clock::now() < give_up)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        std::this_thread::sleep_for(std::chrono::milliseconds(c.afterMs));
        killedAt = Clock::now();
        sim.kill();
    });
    std::vector<std::string> args = {KORVANE_CLI_PATH, "-p", sim.path()};
    args.insert(args.end(), c.command.begin(), c.command.end());
    const auto r =
        runProcess(args, {"KORVANE_DEV_DIR=" + dev.path(), "KORVANE_PORTS=", "XDG_CONFIG_HOME=" + dev.path()},
                   work.path(), 90000);
    const auto endedAt = Clock::now();
    killer.join();

    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(
        r.err.find("COM Error: Comunicazione interrotta: la porta " + sim.path() + " non risponde piu'."),
        std::string::npos)
        << r.err;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(endedAt - killedAt).count();
    RecordProperty("ms_from_kill_to_exit", static_cast<int>(ms));
    std::set<std::string> left;
    for (const auto& e : fs::directory_iterator(work.path())) left.insert(e.path().filename().string());
    left.erase("big.fw");
    if (*c.kept) left.erase(c.kept);
    EXPECT_TRUE(left.empty()) << "stray file " << (left.empty() ? "" : *left.begin());
}

INSTANTIATE_TEST_SUITE_P(Operations, UnplugCli,
                         ::testing::Values(UnplugCase{"Download",
                                                      {"rx43", "--scenario", "normal", "--baud", "115200"},
                                                      {"download", "-s", "900"},
                                                      "ATRD8", // the first page read
                                                      1500,
                                                      ""},
                                           UnplugCase{"FirmwareUpload",
                                                      {"mw51", "--baud", "19200"},
                                                      {"firmware", "upload", "big.fw"},
                                                      "ATCM04",
                                                      700,
                                                      ""},
                                           UnplugCase{"Monitor",
                                                      {"rx43", "--monitor-speed", "50"},
                                                      {"monitor", "--duration", "60", "--export", "mon.csv"},
                                                      "ATCM07",
                                                      1500,
                                                      "mon.csv"}),
                         [](const ::testing::TestParamInfo<UnplugCase>& i) {
                             return std::string(i.param.name);
                         });

} // namespace
