// termios2 access: the only file that includes <asm/termbits.h>.
#include <asm/termbits.h>
#include <cerrno>
#include <cstring>
#include <sys/ioctl.h>

#include "platform/serial_port.h"

static_assert(sizeof(struct termios2) <= sizeof(PortSettings::raw), "PortSettings too small");

namespace termios2io {

bool get(int fd, PortSettings& s) {
    struct termios2 t {};
    if (ioctl(fd, TCGETS2, &t) != 0) return false;
    std::memcpy(s.raw, &t, sizeof t);
    s.valid = true;
    return true;
}

bool set(int fd, const PortSettings& s) {
    if (!s.valid) return false;
    struct termios2 t {};
    std::memcpy(&t, s.raw, sizeof t);
    return ioctl(fd, TCSETS2, &t) == 0;
}

long applyRaw(int fd, uint32_t baud) {
    struct termios2 t {};
    if (ioctl(fd, TCGETS2, &t) != 0) return -1;
    // Raw mode: no input or output processing, no echo, no signals.
    t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | INPCK);
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    // 8 data bits, no parity, 1 stop bit, receiver on, modem status lines ignored, no CTS/RTS flow.
    t.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
    t.c_cflag |= CS8 | CREAD | CLOCAL;
    // With O_NONBLOCK, VMIN=1 makes read() report EAGAIN on an empty port and 0 only on hang-up.
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    t.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    t.c_ispeed = baud;
    t.c_ospeed = baud;
    if (ioctl(fd, TCSETS2, &t) != 0) {
        // Some drivers refuse a custom rate; keep the raw settings with the rate as it was.
        struct termios2 keep {};
        if (ioctl(fd, TCGETS2, &keep) != 0) return -1;
        t.c_cflag =
            (t.c_cflag & ~(CBAUD | (CBAUD << IBSHIFT))) | (keep.c_cflag & (CBAUD | (CBAUD << IBSHIFT)));
        t.c_ispeed = keep.c_ispeed;
        t.c_ospeed = keep.c_ospeed;
        if (ioctl(fd, TCSETS2, &t) != 0) return -1;
    }
    struct termios2 back {};
    if (ioctl(fd, TCGETS2, &back) != 0) return 0;
    return static_cast<long>(back.c_ospeed);
}

bool flushInput(int fd) {
    return ioctl(fd, TCFLSH, TCIFLUSH) == 0;
}

bool setModemLines(int fd, bool on) {
    int bits = TIOCM_DTR | TIOCM_RTS;
    if (ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &bits) == 0) return true;
    return errno == ENOTTY || errno == EINVAL; // pseudo-terminals have no modem lines
}

int carrierDetect(int fd) {
    int bits = 0;
    if (ioctl(fd, TIOCMGET, &bits) != 0) return -1;
    return (bits & TIOCM_CD) ? 1 : 0;
}

} // namespace termios2io
