#include "support/pty_peer.h"

#include <cerrno>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

PtyPeer::PtyPeer() {
    char name[256] = {};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) throw std::runtime_error("openpty failed");
    termios t{};
    tcgetattr(slave_, &t);
    cfmakeraw(&t);
    tcsetattr(slave_, TCSANOW, &t);
    path_ = name;
}

PtyPeer::~PtyPeer() {
    stop();
    if (master_ >= 0) close(master_);
    if (slave_ >= 0) close(slave_);
}

void PtyPeer::send(const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t w = write(master_, bytes.data() + done, bytes.size() - done);
        if (w > 0) {
            done += static_cast<size_t>(w);
        } else if (w < 0 && errno != EINTR && errno != EAGAIN) {
            return;
        }
    }
}

std::string PtyPeer::receive(int quietMs) {
    std::string out;
    for (;;) {
        pollfd p{master_, POLLIN, 0};
        if (poll(&p, 1, quietMs) <= 0 || !(p.revents & POLLIN)) return out;
        char buf[512];
        ssize_t r = read(master_, buf, sizeof buf);
        if (r <= 0) return out;
        out.append(buf, static_cast<size_t>(r));
    }
}

void PtyPeer::serve(Responder r) {
    stop();
    {
        std::lock_guard<std::mutex> lk(mu_);
        requests_.clear();
    }
    stop_ = false;
    thread_ = std::thread([this, r] { loop(r); });
}

void PtyPeer::stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

void PtyPeer::hangup() {
    stop();
    if (master_ >= 0) close(master_);
    master_ = -1;
    // The test's own slave descriptor keeps the line up otherwise.
    if (slave_ >= 0) close(slave_);
    slave_ = -1;
}

std::vector<std::string> PtyPeer::requests() const {
    std::lock_guard<std::mutex> lk(mu_);
    return requests_;
}

void PtyPeer::loop(Responder r) {
    std::string line;
    while (!stop_) {
        pollfd p{master_, POLLIN, 0};
        if (poll(&p, 1, 20) <= 0 || !(p.revents & POLLIN)) continue;
        char c;
        if (read(master_, &c, 1) != 1) continue;
        line += c;
        bool complete = false;
        if (c == '\r') {
            line.pop_back();
            complete = true;
        } else if (line == "***") {
            complete = true;
        }
        if (!complete) continue;
        {
            std::lock_guard<std::mutex> lk(mu_);
            requests_.push_back(line);
        }
        for (const Chunk& ch : r(line)) {
            if (ch.delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ch.delayMs));
            if (stop_) return;
            send(ch.bytes);
        }
        line.clear();
    }
}
