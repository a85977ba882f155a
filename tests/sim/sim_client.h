#pragma once
// A plain POSIX client of the simulator's slave side for the simulator's own tests: raw
// terminal, explicit waits, no production code involved.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>

class SimClient {
  public:
    explicit SimClient(const std::string& path)
        : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
        termios t{};
        if (fd_ < 0 || tcgetattr(fd_, &t) != 0) return;
        cfmakeraw(&t);
        tcsetattr(fd_, TCSANOW, &t);
    }
    ~SimClient() {
        if (fd_ >= 0) ::close(fd_);
    }
    SimClient(const SimClient&) = delete;
    SimClient& operator=(const SimClient&) = delete;

    bool ok() const { return fd_ >= 0; }
    void purge() { tcflush(fd_, TCIFLUSH); }
    void send(const std::string& bytes) {
        for (size_t done = 0; done < bytes.size();) {
            const ssize_t w = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (w <= 0) return;
            done += static_cast<size_t>(w);
        }
    }
    // Collects bytes until `quietMs` pass without one.
    std::string readQuiet(int quietMs) {
        std::string out;
        while (waitByte(quietMs) && readOne(out)) {
        }
        return out;
    }
    // Reads exactly n bytes (fewer on time-out).
    std::string readN(size_t n, int timeoutMs = 3000) {
        return readUntil([n](const std::string& s) { return s.size() >= n; }, timeoutMs);
    }
    // Reads up to and including the first CR; empty on time-out.
    std::string readLine(int timeoutMs = 2000) {
        auto ended = [](const std::string& s) { return !s.empty() && s.back() == '\r'; };
        const std::string s = readUntil(ended, timeoutMs);
        return ended(s) ? s : std::string();
    }
    // Request and its CR-ended reply (CR included).
    std::string ask(const std::string& request, int timeoutMs = 2000) {
        purge();
        send(request);
        return readLine(timeoutMs);
    }

    // Reads until `n` CR-ended lines have come (fewer on time-out).
    std::string readLines(size_t n, int timeoutMs = 5000) {
        return readUntil(
            [n](const std::string& s) {
                size_t crs = 0;
                for (char ch : s) crs += ch == '\r';
                return crs >= n;
            },
            timeoutMs);
    }

  private:
    static std::chrono::steady_clock::time_point now() { return std::chrono::steady_clock::now(); }
    template <class Done> std::string readUntil(Done done, int timeoutMs) {
        std::string out;
        const auto end = now() + std::chrono::milliseconds(timeoutMs);
        while (!done(out)) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - now()).count();
            if (left <= 0 || !waitByte(static_cast<int>(left)) || !readOne(out)) break;
        }
        return out;
    }
    bool waitByte(int ms) {
        pollfd p{fd_, POLLIN, 0};
        return poll(&p, 1, ms) > 0 && (p.revents & POLLIN);
    }
    bool readOne(std::string& out) {
        char c;
        if (::read(fd_, &c, 1) != 1) return false;
        out += c;
        return true;
    }
    int fd_;
};
