#include "platform/serial_port.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "platform/clock.h"

SerialPort* SerialPort::open(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    if (!isatty(fd)) {
        ::close(fd);
        errno = ENOTTY;
        return nullptr;
    }
    // A port another open holds for exclusive use is busy, also for root (whom the driver would
    // let in): taking a line from under another program would garble both.
    int held = 0;
    if (ioctl(fd, TIOCGEXCL, &held) == 0 && held != 0) {
        ::close(fd);
        errno = EBUSY;
        return nullptr;
    }
    // Exclusive use: a second open by another process fails with EBUSY.
    if (ioctl(fd, TIOCEXCL) != 0 && errno == EBUSY) {
        ::close(fd);
        return nullptr;
    }
    return new SerialPort(fd, path);
}

SerialPort::~SerialPort() {
    if (fd_ >= 0) {
        ioctl(fd_, TIOCNXCL);
        ::close(fd_);
    }
}

bool SerialPort::saveSettings(PortSettings& saved) {
    return termios2io::get(fd_, saved);
}

bool SerialPort::restoreSettings(const PortSettings& saved) {
    return termios2io::set(fd_, saved);
}

bool SerialPort::configure(const LineConfig& cfg) {
    long rate = termios2io::applyRaw(fd_, cfg.baud);
    if (rate < 0) return false;
    actualBaud_ = static_cast<uint32_t>(rate);
    termios2io::setModemLines(fd_, cfg.holdDtrRts);
    return true;
}

bool SerialPort::purgeInput() {
    head_ = tail_ = 0;
    return termios2io::flushInput(fd_);
}

int SerialPort::fill() {
    ssize_t r = ::read(fd_, buf_, sizeof buf_);
    if (r > 0) {
        head_ = 0;
        tail_ = static_cast<size_t>(r);
        return 1;
    }
    if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return 0;
    // 0 (hang-up with VMIN=1) or EIO (peer of a pseudo-terminal closed).
    lost_ = true;
    return -1;
}

int SerialPort::readByte(uint8_t& b) {
    if (head_ == tail_) {
        int r = fill();
        if (r <= 0) return r;
    }
    b = buf_[head_++];
    return 1;
}

int SerialPort::waitReadable(uint32_t ms) {
    if (head_ != tail_) return 1;
    if (lost_) return -1;
    pollfd p{fd_, POLLIN, 0};
    int r;
    do {
        r = ::poll(&p, 1, static_cast<int>(ms > 0x7FFFFFFFu ? 0x7FFFFFFF : ms));
    } while (r < 0 && errno == EINTR);
    if (r == 0) return 0;
    if (r < 0) {
        lost_ = true;
        return -1;
    }
    if (p.revents & POLLIN) return 1; // bytes first: a reply sent just before a hang-up is kept
    if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) {
        lost_ = true;
        return -1;
    }
    return 0;
}

int SerialPort::carrier() const {
    return termios2io::carrierDetect(fd_);
}

size_t SerialPort::write(const void* data, size_t n, uint32_t timeoutMs) {
    const auto* p = static_cast<const uint8_t*>(data);
    size_t done = 0;
    uint32_t t0 = nowMs();
    while (done < n) {
        ssize_t w = ::write(fd_, p + done, n - done);
        if (w > 0) {
            done += static_cast<size_t>(w);
            t0 = nowMs();
            continue;
        }
        if (w < 0 && errno == EINTR) continue;
        if (w < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            uint32_t spent = nowMs() - t0;
            if (spent >= timeoutMs) break;
            pollfd pf{fd_, POLLOUT, 0};
            int r = ::poll(&pf, 1, static_cast<int>(timeoutMs - spent));
            if (r > 0 && (pf.revents & (POLLHUP | POLLERR | POLLNVAL))) {
                lost_ = true;
                break;
            }
            continue;
        }
        lost_ = true; // EIO: the line is gone
        break;
    }
    return done;
}
