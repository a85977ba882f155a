// Why a port could not be opened, through the serial layer on real pseudo-terminals: one the user
// may not use, one another open holds, a path that does not exist; the texts the user reads.
#include <gtest/gtest.h>

#include <cerrno>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/port_problem.h"
#include "platform/serial_port.h"
#include "support/pty_peer.h"

namespace {

// Opens `path` with the serial layer and describes the failure. Root is not stopped by file
// modes, so as root the open happens in a child process that has become the user nobody.
std::string openUnprivileged(const std::string& path) {
    const auto attempt = [&path] {
        std::unique_ptr<SerialPort> p(SerialPort::open(path));
        return p ? std::string("opened") : portProblemText(describeOpenFailure(path, errno));
    };
    if (::geteuid() != 0) return attempt();
    int fds[2];
    if (::pipe(fds) != 0) return "no pipe";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        const std::string out = ::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0
                                    ? attempt()
                                    : std::string("no identity change");
        [[maybe_unused]] const ssize_t w = ::write(fds[1], out.data(), out.size());
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string out;
    char buf[512];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) out.append(buf, static_cast<size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return out;
}

TEST(PortProblem, ErrorsAreSortedIntoWhatTheUserCanDo) {
    using Case = std::pair<int, PortProblem>;
    for (const auto& [err, problem] : {Case{0, PortProblem::None}, Case{EACCES, PortProblem::Permission},
                                       Case{EPERM, PortProblem::Permission}, Case{EBUSY, PortProblem::Busy},
                                       Case{ENOENT, PortProblem::Missing}, Case{ENODEV, PortProblem::Missing},
                                       Case{ENXIO, PortProblem::Missing},
                                       Case{ENOTTY, PortProblem::NotSerial}, Case{EIO, PortProblem::Other}})
        EXPECT_EQ(classifyOpenError(err), problem) << err;
}

TEST(PortProblem, TextsNameTheFix) {
    const auto text = [](PortProblem p, std::string group, std::vector<std::string> holders) {
        return portProblemText({"/dev/ttyUSB0", 0, p, std::move(group), std::move(holders)});
    };
    EXPECT_EQ(
        text(PortProblem::Permission, "dialout", {}),
        "Accesso negato alla porta /dev/ttyUSB0 (gruppo dialout): aggiungere l'utente al gruppo dialout "
        "(sudo usermod -aG dialout $USER), poi chiudere la sessione e rientrare (il gruppo vale dal "
        "nuovo login).");
    EXPECT_NE(text(PortProblem::Permission, "uucp", {}).find("al gruppo uucp (sudo usermod -aG uucp $USER)"),
              std::string::npos);
    EXPECT_NE(text(PortProblem::Permission, "", {}).find("dialout su Debian e Ubuntu, uucp su Arch"),
              std::string::npos);
    EXPECT_EQ(
        text(PortProblem::Busy, "", {"minicom (pid 42)", "cat (pid 7)"}),
        "La porta /dev/ttyUSB0 e' gia' in uso da minicom (pid 42), cat (pid 7): chiuderlo e riprovare.");
    EXPECT_EQ(text(PortProblem::Busy, "", {}),
              "La porta /dev/ttyUSB0 e' gia' in uso da un altro programma: chiuderlo e riprovare.");
    EXPECT_EQ(text(PortProblem::None, "", {}), "");
}

TEST(PortProblem, AnUnreadablePortAsksForTheGroupAndANewLogin) {
    PtyPeer peer;
    ASSERT_EQ(::chmod(peer.path().c_str(), 0), 0);
    const std::string said = openUnprivileged(peer.path());
    EXPECT_EQ(said.rfind("Accesso negato alla porta " + peer.path(), 0), 0u) << said;
    EXPECT_NE(said.find("dialout"), std::string::npos) << said;
    EXPECT_NE(said.find("nuovo login"), std::string::npos) << said;
}

// The first open holds the port exclusively: a second one (root's too) is refused as busy; this
// program is no other program, so no holder is named (korvane-cli names the test as one).
// Closing the first frees the port.
TEST(PortProblem, APortHeldByAnotherOpenIsBusy) {
    PtyPeer peer;
    std::unique_ptr<SerialPort> first(SerialPort::open(peer.path()));
    ASSERT_TRUE(first);
    errno = 0;
    std::unique_ptr<SerialPort> second(SerialPort::open(peer.path()));
    EXPECT_FALSE(second);
    EXPECT_EQ(errno, EBUSY);
    const PortOpenFailure f = describeOpenFailure(peer.path(), EBUSY);
    EXPECT_EQ(portProblemText(f),
              "La porta " + peer.path() + " e' gia' in uso da un altro programma: chiuderlo e riprovare.");
    first.reset();
    second.reset(SerialPort::open(peer.path()));
    EXPECT_TRUE(second);
}

TEST(PortProblem, AMissingPathIsAnUnpluggedAdapter) {
    errno = 0;
    EXPECT_EQ(SerialPort::open("/nonexistent/ttyUSB9"), nullptr);
    const PortOpenFailure f = describeOpenFailure("/nonexistent/ttyUSB9", errno);
    EXPECT_EQ(portProblemText(f),
              "La porta /nonexistent/ttyUSB9 non esiste (adattatore scollegato?): ricollegarlo e riprovare.");
    EXPECT_TRUE(portHolders("/nonexistent/ttyUSB9").empty());
}

} // namespace
