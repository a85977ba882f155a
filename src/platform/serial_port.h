#pragma once
// A serial line on a POSIX terminal device (a real port, a USB adapter or a pseudo-terminal).
//
// The port is opened exclusively, set to raw 8N1 at any baud rate, and read one byte at a time
// without waiting. Received bytes are read from the device in chunks into a small look-ahead
// buffer; a byte in that buffer counts as "received and not yet read", exactly like a byte
// still in the driver, and a purge discards both.

#include <cstddef>
#include <cstdint>
#include <string>

// Opaque copy of a port's complete line settings (the driver's termios2 record).
struct PortSettings {
    alignas(8) unsigned char raw[96] = {};
    bool valid = false;
};

// Line settings applied by `SerialPort::configure`.
struct LineConfig {
    uint32_t baud = 256000;  // [bit/s]; any rate, also outside the standard table
    bool holdDtrRts = false; // true: DTR and RTS held on while the port is open; false: held off
};

class SerialPort {
  public:
    // Opens `path` for reading and writing, exclusively, without becoming its controlling
    // terminal. Returns nullptr (errno set) when the device cannot be opened; a port that another
    // open holds exclusively gives EBUSY.
    static SerialPort* open(const std::string& path);
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    const std::string& path() const { return path_; }
    int fd() const { return fd_; }

    // Saves the current line settings into `saved`. Returns false when the device has none.
    bool saveSettings(PortSettings& saved);
    // Puts saved settings back. Returns false when the device refused them.
    bool restoreSettings(const PortSettings& saved);
    // Raw 8N1, no flow control, reads that never wait, the given baud and modem-line state.
    // What a pseudo-terminal refuses (custom baud, modem lines) is not an error.
    bool configure(const LineConfig& cfg);
    // The baud rate the driver reports after `configure` [bit/s] (0 when unknown).
    uint32_t actualBaud() const { return actualBaud_; }

    // Discards every byte received and not yet read (the send side is untouched).
    bool purgeInput();

    // Reads one byte without waiting: 1 = a byte was stored in `b`, 0 = nothing received yet,
    // -1 = the port is gone (hang-up, unplugged, peer closed).
    int readByte(uint8_t& b);
    // Waits at most `ms` milliseconds for input. 1 = a byte can be read, 0 = time-out,
    // -1 = the port is gone. Returns at once when a byte is already buffered.
    int waitReadable(uint32_t ms);
    // Writes `n` bytes; waits (bounded by `timeoutMs`) while the driver's output queue is full.
    // Returns the number of bytes written (fewer on error or hang-up).
    size_t write(const void* data, size_t n, uint32_t timeoutMs = 2000);

    // The carrier-detect line (DCD): 1 on, 0 off, -1 unknown (the device has no modem lines).
    int carrier() const;

    // True once a hang-up or an I/O error was seen on this port.
    bool lost() const { return lost_; }

  private:
    SerialPort(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    int fill();

    int fd_ = -1;
    std::string path_;
    uint32_t actualBaud_ = 0;
    bool lost_ = false;
    uint8_t buf_[4096] = {};
    size_t head_ = 0; // next byte to hand out
    size_t tail_ = 0; // one past the last buffered byte
};

// Low-level termios2 access, kept in its own translation unit because <asm/termbits.h> and
// <termios.h> cannot be included together.
namespace termios2io {
bool get(int fd, PortSettings& s);
bool set(int fd, const PortSettings& s);
// Applies raw 8N1 without flow control at `baud`, VMIN=1 VTIME=0. Returns the rate read back
// (0 when it could not be read back), or -1 when the settings could not be read at all.
long applyRaw(int fd, uint32_t baud);
bool flushInput(int fd);
// Sets DTR and RTS on or off. Ignored (true) where the device has no modem lines.
bool setModemLines(int fd, bool on);
// The carrier-detect line: 1 on, 0 off, -1 when the device has no modem lines.
int carrierDetect(int fd);
} // namespace termios2io
