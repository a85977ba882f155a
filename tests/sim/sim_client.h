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
    explicit SimClient(const std::string& path) {
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ >= 0) {
            termios t{};
            tcgetattr(fd_, &t);
            cfmakeraw(&t);
            t.c_cc[VMIN] = 1;
            t.c_cc[VTIME] = 0;
            tcsetattr(fd_, TCSANOW, &t);
        }
    }
    ~SimClient() {
        if (fd_ >= 0) ::close(fd_);
    }
    SimClient(const SimClient&) = delete;
    SimClient& operator=(const SimClient&) = delete;

    bool ok() const { return fd_ >= 0; }
    int fd() const { return fd_; }

    void purge() { tcflush(fd_, TCIFLUSH); }
    bool send(const std::string& bytes) {
        size_t done = 0;
        while (done < bytes.size()) {
            ssize_t w = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (w <= 0) return false;
            done += static_cast<size_t>(w);
        }
        return true;
    }

    // Collects bytes until `quietMs` pass without one (or `maxMs` in all).
    std::string readQuiet(int quietMs, int maxMs = 10000) {
        std::string out;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(maxMs);
        while (std::chrono::steady_clock::now() < end) {
            if (!waitByte(quietMs)) break;
            if (!readSome(out)) break;
        }
        return out;
    }
    // Reads up to and including the first CR; empty on time-out (bytes so far in `partial`).
    std::string readLine(int timeoutMs = 2000) {
        std::string out;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (out.find('\r') == std::string::npos) {
            const int left = static_cast<int>(
                std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now())
                    .count());
            if (left <= 0 || !waitByte(left) || !readOne(out)) {
                partial = out;
                return {};
            }
        }
        return out;
    }
    // Reads exactly n bytes (fewer on time-out).
    std::string readN(size_t n, int timeoutMs = 3000) {
        std::string out;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (out.size() < n) {
            const int left = static_cast<int>(
                std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now())
                    .count());
            if (left <= 0 || !waitByte(left) || !readOne(out)) break;
        }
        return out;
    }
    // Request and its CR-ended reply (CR included).
    std::string ask(const std::string& request, int timeoutMs = 2000) {
        purge();
        send(request);
        return readLine(timeoutMs);
    }
    // True when the line reports a hang-up within `ms`.
    bool hungUp(int ms) {
        pollfd p{fd_, POLLIN, 0};
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end) {
            if (poll(&p, 1, 20) > 0) {
                if (p.revents & (POLLHUP | POLLERR)) return true;
                char c;
                if (::read(fd_, &c, 1) == 0) return true;
            }
        }
        return false;
    }

    std::string partial;

  private:
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
    bool readSome(std::string& out) {
        char buf[1024];
        ssize_t r = ::read(fd_, buf, sizeof buf);
        if (r <= 0) return false;
        out.append(buf, static_cast<size_t>(r));
        return true;
    }
    int fd_ = -1;
};
