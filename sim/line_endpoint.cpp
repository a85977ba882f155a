// The line endpoint: the master side of a pseudo-terminal served on a thread. It times the
// bytes the program writes as a serial line would deliver them, hands them to the device (or
// the modem in front of it), and sends the replies after the reply latency, paced at the baud
// rate, through the fault dice. A transcript records requests, replies and events.
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

#include "sim/device.h"
#include "sim/hostile.h"
#include "sim/sim.h"
#include "sim/splitmix.h"

namespace sim {

namespace {

constexpr double kWriteAheadMs = 1.0; // bytes due within this time are written together [ms]
// Before a fault hang-up the program gets time to take the bytes still queued in the terminal:
// at least kHangupSettleMs (bytes written reach the terminal's input queue with a delay), at
// most kHangupDrainMs [ms].
constexpr double kHangupSettleMs = 20.0;
constexpr double kHangupDrainMs = 500.0;

// The fault dice.
using Dice = SplitMix64;

void setCloexec(int fd) {
    fcntl(fd, F_SETFD, fcntl(fd, F_GETFD) | FD_CLOEXEC);
}

} // namespace

struct Simulator::Impl final : LinePort {
    explicit Impl(SimOptions o) : opts(std::move(o)) {}

    SimOptions opts;

    // Device state, shared with the API (guarded by stateMu).
    mutable std::mutex stateMu;
    DeviceState state;
    bool prepared = false;
    std::unique_ptr<Scenario> scen;

    // Requests seen (guarded by cmdMu).
    mutable std::mutex cmdMu;
    mutable std::condition_variable cmdCv;
    std::vector<std::string> cmds;

    std::string slave;
    int masterFd = -1, slaveFd = -1, wakeFd = -1;
    std::thread thread;
    std::atomic<bool> serving{false};
    std::atomic<bool> hung{false};
    bool transcriptUsed = false;

    // Serving thread only.
    std::unique_ptr<Device> dev;
    std::unique_ptr<Front> front;
    struct OutByte {
        uint8_t b;
        double at; // [ms] when it goes on the line
    };
    std::deque<OutByte> out;
    double byteMs = 0;  // [ms] one byte on the line (10 bit times)
    double outFree = 0; // [ms] when the line is free for the next reply byte
    double inClock = 0; // [ms] when the last received byte completed on the line
    size_t nCommands = 0;
    bool silent = false;
    bool hangupPending = false;
    Hostile hostileNow = Hostile::None; // what the hostile device does with the current reply
    Dice dice;
    FILE* transcript = nullptr;
    std::chrono::steady_clock::time_point t0;

    double now() const {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    }

    // ---- LinePort ----

    void log(double t, char tag, const std::string& text) {
        if (!transcript) return;
        std::fprintf(transcript, "%10.3f %c %s\n", t / 1000.0, tag, text.c_str());
        std::fflush(transcript);
    }

    void command(const std::string& text, double t) override {
        ++nCommands;
        {
            std::lock_guard<std::mutex> lk(cmdMu);
            cmds.push_back(text);
        }
        cmdCv.notify_all();
        log(t, '>', escapeBytes(text));
        const FaultSpec& f = opts.fault;
        if (!silent && f.silenceAfter >= 0 && nCommands > static_cast<size_t>(f.silenceAfter)) {
            silent = true;
            log(t, '!', "fault: silent from now on");
        }
        if (f.hangupAfter >= 0 && nCommands >= static_cast<size_t>(f.hangupAfter)) hangupPending = true;
        hostileNow = pickHostile(f.hostile, dice);
        if (hostileNow != Hostile::None) log(t, '!', std::string("fault: ") + hostileName(hostileNow));
    }

    void send(std::string_view bytes, double at, const char* what) override {
        if (silent) {
            log(at, '!', "not sent (silent): " + escapeBytes(bytes));
            return;
        }
        std::string hostileCopy;
        if (opts.fault.hostile > 0 && (!what || std::strcmp(what, "monitor") == 0)) {
            // A reply takes the request's choice; each batch of monitor lines gets its own.
            const Hostile kind = what ? pickHostile(opts.fault.hostile, dice) : hostileNow;
            if (kind != Hostile::None) {
                if (what) log(at, '!', std::string("fault: ") + hostileName(kind));
                hostileCopy = hostileBytes(kind, bytes, dice);
                bytes = hostileCopy;
            }
        }
        std::string sent;
        int dropped = 0, corrupted = 0;
        double t = std::max(at, outFree);
        const double first = t;
        for (unsigned char c : bytes) {
            const double when = t;
            t += byteMs;
            if (opts.fault.drop > 0 && dice.uniform() < opts.fault.drop) {
                ++dropped;
                continue;
            }
            if (opts.fault.corrupt > 0 && dice.uniform() < opts.fault.corrupt) {
                c = static_cast<unsigned char>(c ^ (1 + dice.next() % 255));
                ++corrupted;
            }
            out.push_back({c, when});
            sent += static_cast<char>(c);
        }
        outFree = t;
        std::string text = escapeBytes(sent);
        if (what) text = std::string("[") + what + "] " + text;
        if (dropped) text += "  (fault: " + std::to_string(dropped) + " dropped)";
        if (corrupted) text += "  (fault: " + std::to_string(corrupted) + " corrupted)";
        log(first, '<', text);
    }

    void note(const std::string& text, double t) override { log(t, '#', text); }
    uint32_t latencyMs() const override { return opts.latencyMs; }

    // ---- serving ----

    void closeLine() {
        hung = true; // before the program can see the hang-up
        if (masterFd >= 0) close(masterFd);
        if (slaveFd >= 0) close(slaveFd);
        masterFd = slaveFd = -1;
    }

    // Writes the bytes that are due. Returns false when the terminal refuses more for now.
    bool flush(double t) {
        while (!out.empty() && out.front().at <= t + kWriteAheadMs) {
            uint8_t buf[4096];
            size_t n = 0;
            for (auto it = out.begin(); it != out.end() && n < sizeof buf && it->at <= t + kWriteAheadMs;
                 ++it) {
                buf[n++] = it->b;
            }
            const ssize_t w = ::write(masterFd, buf, n);
            if (w < 0) {
                if (errno == EINTR) continue;
                return false; // EAGAIN: the program is not reading; anything else: the line is gone
            }
            out.erase(out.begin(), out.begin() + w);
            if (static_cast<size_t>(w) < n) return false;
        }
        return true;
    }

    void run() {
        bool writable = true;
        double drainStart = -1;
        for (;;) {
            double t = now();
            if (front->deadline() <= t) {
                std::lock_guard<std::mutex> lk(stateMu);
                front->onTime(t, *this);
            }
            writable = flush(t);

            if (hangupPending && out.empty()) {
                // Give the program the chance to read the last reply, then drop the line.
                int pending = 0;
                if (drainStart < 0) drainStart = t;
                const bool settled = t - drainStart >= kHangupSettleMs;
                if (ioctl(slaveFd, FIONREAD, &pending) != 0 || (settled && pending <= 0) ||
                    t - drainStart >= kHangupDrainMs) {
                    log(t, '!', "fault: hang-up");
                    closeLine();
                    return;
                }
            }

            double next = front->deadline();
            if (!out.empty() && writable) next = std::min(next, out.front().at);
            if (hangupPending) next = std::min(next, t + 5);
            timespec ts{};
            timespec* tsp = nullptr;
            if (next != std::numeric_limits<double>::infinity()) {
                const double wait = std::max(0.0, next - t);
                ts.tv_sec = static_cast<time_t>(wait / 1000.0);
                ts.tv_nsec = static_cast<long>((wait - static_cast<double>(ts.tv_sec) * 1000.0) * 1e6);
                tsp = &ts;
            }
            pollfd fds[2] = {{masterFd, static_cast<short>(POLLIN | (writable ? 0 : POLLOUT)), 0},
                             {wakeFd, POLLIN, 0}};
            const int pr = ppoll(fds, 2, tsp, nullptr);
            if (pr < 0 && errno != EINTR) return;
            if (fds[1].revents) return; // stop()
            if (fds[0].revents & POLLIN) {
                uint8_t buf[4096];
                const ssize_t r = ::read(masterFd, buf, sizeof buf);
                if (r > 0) {
                    t = now();
                    std::lock_guard<std::mutex> lk(stateMu);
                    for (ssize_t i = 0; i < r; ++i) {
                        // Each byte takes its time on the line.
                        inClock = std::max(t, inClock + byteMs);
                        if (hangupPending) continue; // the line is about to drop
                        front->onByte(buf[i], inClock, *this);
                    }
                }
            } else if (fds[0].revents & (POLLHUP | POLLERR)) {
                // Cannot happen while the simulator holds the slave open; never spin on it.
                pollfd w{wakeFd, POLLIN, 0};
                if (poll(&w, 1, 50) > 0) return;
            }
        }
    }

    bool prepare(std::string* err) {
        if (prepared) return true;
        std::string e;
        if (hasFlash(opts.kind)) {
            if (!opts.stateDir.empty()) {
                if (!loadDeviceState(opts.stateDir, state, e)) {
                    if (err) *err = e;
                    return false;
                }
            } else {
                std::string name = opts.scenario;
                if (name.empty()) name = opts.kind == DeviceKind::VKE15 ? "empty" : "normal";
                auto s = std::make_unique<Scenario>();
                if (!buildScenario(name, opts.seed, *s, e)) {
                    if (err) *err = e;
                    return false;
                }
                state = s->state;
                scen = std::move(s);
            }
        }
        prepared = true;
        return true;
    }

    bool start(std::string* err) {
        auto fail = [&](const std::string& what) {
            if (err) *err = what;
            if (masterFd >= 0) close(masterFd);
            if (slaveFd >= 0) close(slaveFd);
            if (wakeFd >= 0) close(wakeFd);
            masterFd = slaveFd = wakeFd = -1;
            return false;
        };
        if (serving || thread.joinable()) {
            if (err) *err = "the simulator is already running";
            return false;
        }
        {
            std::lock_guard<std::mutex> lk(stateMu);
            if (!prepare(err)) return false;
        }
        char name[256] = {};
        if (openpty(&masterFd, &slaveFd, name, nullptr, nullptr) != 0) {
            return fail(std::string("openpty: ") + std::strerror(errno));
        }
        setCloexec(masterFd);
        setCloexec(slaveFd);
        termios tio{};
        tcgetattr(slaveFd, &tio);
        cfmakeraw(&tio);
        tcsetattr(slaveFd, TCSANOW, &tio);
        fcntl(masterFd, F_SETFL, fcntl(masterFd, F_GETFL) | O_NONBLOCK);
        wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (wakeFd < 0) return fail(std::string("eventfd: ") + std::strerror(errno));
        slave = name;

        if (!opts.linkPath.empty()) {
            struct stat lst {};
            if (lstat(opts.linkPath.c_str(), &lst) == 0) {
                if (!S_ISLNK(lst.st_mode)) return fail(opts.linkPath + ": exists and is not a symbolic link");
                unlink(opts.linkPath.c_str());
            }
            if (symlink(slave.c_str(), opts.linkPath.c_str()) != 0) {
                return fail(opts.linkPath + ": " + std::strerror(errno));
            }
        }
        if (!opts.transcriptPath.empty()) {
            transcript = std::fopen(opts.transcriptPath.c_str(), transcriptUsed ? "a" : "w");
            if (!transcript) return fail(opts.transcriptPath + ": " + std::strerror(errno));
            transcriptUsed = true;
        }

        dev = makeDevice(opts, state);
        front = opts.modem ? makeModemFront(*dev, opts) : makeDirectFront(*dev);
        out.clear();
        byteMs = opts.baud ? 10000.0 / opts.baud : 0.0;
        outFree = inClock = 0;
        nCommands = 0;
        silent = false;
        hangupPending = opts.fault.hangupAfter == 0;
        dice.s = opts.fault.seed;
        hung = false;
        {
            std::lock_guard<std::mutex> lk(cmdMu);
            cmds.clear();
        }
        t0 = std::chrono::steady_clock::now();
        char head[160];
        std::snprintf(head, sizeof head, "%s%s fw %02X on %s", deviceKindName(opts.kind),
                      opts.modem ? " behind a modem" : "", opts.fw & 0xFFu, slave.c_str());
        log(0, '#', head);
        serving = true;
        thread = std::thread([this] { run(); });
        return true;
    }

    void join() {
        if (thread.joinable()) {
            const uint64_t one = 1;
            if (wakeFd >= 0) (void)!::write(wakeFd, &one, sizeof one);
            thread.join();
        }
        serving = false;
    }

    void hangup() {
        join();
        if (masterFd >= 0 || slaveFd >= 0) {
            log(now(), '!', "hang-up");
            closeLine();
        }
    }

    void stop() {
        join();
        closeLine();
        hung = false;
        if (wakeFd >= 0) close(wakeFd);
        wakeFd = -1;
        if (!opts.linkPath.empty() && !slave.empty()) {
            char target[512];
            const ssize_t n = readlink(opts.linkPath.c_str(), target, sizeof target - 1);
            if (n > 0 && std::string(target, static_cast<size_t>(n)) == slave) unlink(opts.linkPath.c_str());
        }
        if (transcript) std::fclose(transcript);
        transcript = nullptr;
        front.reset();
        dev.reset();
    }
};

Simulator::Simulator(SimOptions opts) : impl_(std::make_unique<Impl>(std::move(opts))) {}

Simulator::~Simulator() {
    stop();
}

bool Simulator::start(std::string* err) {
    return impl_->start(err);
}

const std::string& Simulator::slavePath() const {
    return impl_->slave;
}

void Simulator::stop() {
    impl_->stop();
}

void Simulator::hangup() {
    impl_->hangup();
}

void Simulator::dropCarrier() {
    std::lock_guard<std::mutex> lk(impl_->stateMu);
    if (impl_->front) impl_->front->requestCarrierDrop();
}

bool Simulator::running() const {
    return impl_->serving && !impl_->hung;
}

bool Simulator::hungUp() const {
    return impl_->hung;
}

std::vector<std::string> Simulator::commands() const {
    std::lock_guard<std::mutex> lk(impl_->cmdMu);
    return impl_->cmds;
}

bool Simulator::waitForCommands(size_t n, uint32_t timeoutMs) const {
    std::unique_lock<std::mutex> lk(impl_->cmdMu);
    return impl_->cmdCv.wait_for(lk, std::chrono::milliseconds(timeoutMs),
                                 [&] { return impl_->cmds.size() >= n; });
}

const SimOptions& Simulator::options() const {
    return impl_->opts;
}

DeviceState Simulator::deviceState() const {
    std::lock_guard<std::mutex> lk(impl_->stateMu);
    return impl_->state;
}

void Simulator::modifyDeviceState(const std::function<void(DeviceState&)>& fn) {
    std::lock_guard<std::mutex> lk(impl_->stateMu);
    fn(impl_->state);
}

const Scenario* Simulator::scenario() const {
    return impl_->scen.get();
}

} // namespace sim
