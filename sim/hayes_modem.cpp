// A Hayes modem in front of the device: command mode with echo and result codes, dialling with
// a delayed result (a chosen number connects, others are busy), data mode passing bytes to the
// device, the "+++" escape with guard times, hang-up, reset, unsolicited RING, a GSM variant and
// a carrier that drops in the middle of a call.
#include <cctype>

#include "sim/device.h"

namespace sim {

namespace {

enum Result {
    kOk = 0,
    kConnect = 1,
    kRing = 2,
    kNoCarrier = 3,
    kError = 4,
    kNoDialtone = 6,
    kBusy = 7,
    kNoAnswer = 8
};

// Verbose form of the numeric result codes 0..19.
const char* resultText(int code) {
    static const char* const kTexts[] = {"OK",
                                         "CONNECT",
                                         "RING",
                                         "NO CARRIER",
                                         "ERROR",
                                         "CONNECT 1200",
                                         "NO DIALTONE",
                                         "BUSY",
                                         "NO ANSWER",
                                         "CONNECT 600",
                                         "CONNECT 2400",
                                         "CONNECT 4800",
                                         "CONNECT 9600",
                                         "CONNECT 7200",
                                         "CONNECT 12000",
                                         "CONNECT 14400",
                                         "CONNECT 19200",
                                         "CONNECT 38400",
                                         "CONNECT 57600",
                                         "CONNECT 115200"};
    return code >= 0 && code < 20 ? kTexts[code] : "ERROR";
}

class ModemFront : public Front {
  public:
    ModemFront(Device& dev, const SimOptions& o)
        : link_(dev), guardMs_(o.modemGuardMs), dialMs_(o.modemDialMs), number_(o.modemNumber),
          connectCode_(o.modemConnectCode), failCode_(o.modemFailCode), gsm_(o.modemGsm),
          ringMs_(o.modemRingMs), dropAfter_(o.modemDropAfter) {
        if (failCode_ < 0) failCode_ = gsm_ ? kNoCarrier : kBusy;
    }

    void onByte(uint8_t b, double t, LinePort& port) override {
        switch (mode_) {
        case Mode::Online:
            online(b, t, port);
            break;
        case Mode::Dialling:
            // Any byte aborts the call; the rest of its line is swallowed.
            mode_ = Mode::Command;
            port.note("modem: call aborted", t);
            result(kNoCarrier, t, port);
            swallowLine_ = true;
            line_.clear();
            commandByte(b, t, port);
            break;
        case Mode::Command:
            commandByte(b, t, port);
            break;
        }
    }

    void requestCarrierDrop() override { dropNext_ = true; }

    double deadline() const override {
        if (mode_ == Mode::Dialling) return dialAt_;
        if (mode_ == Mode::Online && plusCount_ == 3) return lastPlus_ + guardMs_;
        if (mode_ == Mode::Command && !connected_ && ringMs_ > 0) return lastRing_ + ringMs_;
        return std::numeric_limits<double>::infinity();
    }

    void onTime(double now, LinePort& port) override {
        if (mode_ == Mode::Dialling && now >= dialAt_) {
            if (!number_.empty() && dialled_ != number_) {
                mode_ = Mode::Command;
                port.note("modem: call failed", now);
                result(failCode_, now, port);
                return;
            }
            mode_ = Mode::Online;
            connected_ = true;
            lastData_ = now;
            requests_ = 0;
            link_.reset();
            port.note("modem: connected", now);
            result(connectCode_, now, port);
        } else if (mode_ == Mode::Command && !connected_ && ringMs_ > 0 && now >= lastRing_ + ringMs_) {
            lastRing_ = now;
            result(kRing, now, port);
        } else if (mode_ == Mode::Online && plusCount_ == 3 && now >= lastPlus_ + guardMs_) {
            // Escape: back to command mode, the call stays up.
            plusCount_ = 0;
            mode_ = Mode::Command;
            port.command("+++", now);
            result(kOk, now, port);
        }
    }

  private:
    enum class Mode { Command, Dialling, Online };

    void online(uint8_t b, double t, LinePort& port) {
        // "+++" is an escape only with `guardMs_` of silence before it, its characters within
        // the guard time of each other, and the guard time of silence after it. Held pluses go
        // to the device when the sequence turns out to be data.
        if (b == '+' && plusCount_ < 3 &&
            ((plusCount_ == 0 && t - lastData_ >= guardMs_) ||
             (plusCount_ > 0 && t - lastPlus_ < guardMs_))) {
            ++plusCount_;
            lastPlus_ = t;
            lastData_ = t;
            return;
        }
        for (int i = 0; i < plusCount_; ++i) link_.onByte('+', lastPlus_, port);
        plusCount_ = 0;
        lastData_ = t;
        if (b == '\r' && (dropNext_ || (dropAfter_ >= 0 && ++requests_ >= dropAfter_))) {
            dropNext_ = false;
            // The line drops: this request is lost and the modem falls back to command mode.
            port.note("modem: carrier lost", t);
            hangUp(t, port);
            result(kNoCarrier, t, port);
            return;
        }
        link_.onByte(b, t, port);
    }

    void commandByte(uint8_t b, double t, LinePort& port) {
        lastRing_ = t; // a modem being talked to has no call ringing
        if (echo_ && !swallowLine_) port.send(std::string(1, static_cast<char>(b)), t, "echo");
        if (b == '\n') return;
        if (b == '\r') {
            finishLine(t, port);
            return;
        }
        if (b == 8 || b == 127) { // backspace
            if (!line_.empty()) line_.pop_back();
            return;
        }
        if (line_.size() < 256) line_ += static_cast<char>(b);
    }

    void finishLine(double t, LinePort& port) {
        std::string l;
        l.swap(line_);
        if (swallowLine_) {
            swallowLine_ = false;
            if (!l.empty()) port.command(l, t);
            return;
        }
        if (l.empty()) return;
        port.command(l, t);
        if (l.size() < 2 || std::toupper(static_cast<unsigned char>(l[0])) != 'A' ||
            std::toupper(static_cast<unsigned char>(l[1])) != 'T') {
            return; // not a command: ignored
        }
        execute(l.substr(2), t, port);
    }

    static int number(const std::string& s, size_t& i) {
        int n = 0;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) n = n * 10 + (s[i++] - '0');
        return n;
    }

    // Runs the commands of one "AT" line; one result for the whole line.
    void execute(const std::string& s, double t, LinePort& port) {
        int res = kOk;
        size_t i = 0;
        while (i < s.size()) {
            const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(s[i++])));
            if (c == ' ') continue;
            if (c == 'E') {
                echo_ = number(s, i) != 0;
            } else if (c == 'V') {
                verbose_ = number(s, i) != 0;
            } else if (c == 'Q') {
                quiet_ = number(s, i) != 0;
            } else if (c == 'Z') {
                number(s, i);
                hangUp(t, port);
                echo_ = verbose_ = true;
                quiet_ = false;
                break;
            } else if (c == 'H') {
                number(s, i);
                if (connected_) res = kNoCarrier;
                hangUp(t, port);
            } else if (c == 'D') {
                std::string nr;
                for (; i < s.size(); ++i) {
                    const char d = s[i];
                    if (std::isdigit(static_cast<unsigned char>(d)) || d == '+' || d == '*' || d == '#')
                        nr += d;
                }
                if (nr.empty() || connected_) {
                    res = kError;
                    break;
                }
                dialled_ = nr;
                mode_ = Mode::Dialling;
                dialAt_ = t + dialMs_;
                port.note("modem: dialling " + nr, t);
                return; // the result comes when the call is up
            } else if (c == 'O') {
                number(s, i);
                if (!connected_) {
                    res = kNoCarrier;
                    break;
                }
                mode_ = Mode::Online;
                lastData_ = t;
                result(kConnect, t, port);
                return;
            } else if (c == '&' || c == '\\' || c == '%') {
                if (i < s.size()) ++i; // the letter of the extended command
                number(s, i);
            } else if (c == 'S') {
                number(s, i);
                if (i < s.size() && (s[i] == '=' || s[i] == '?')) {
                    ++i;
                    number(s, i);
                }
            } else if (c == '+' || c == '#' || c == '$') {
                if (gsm_ && c == '+') res = gsmCommand(s.substr(i - 1), t, port);
                break; // extended command: the rest of the line belongs to it
            } else if (std::isalpha(static_cast<unsigned char>(c))) {
                number(s, i); // accepted and ignored (X4, M1, L2, ...)
            } else {
                res = kError;
                break;
            }
        }
        result(res, t, port);
    }

    // Queries of a GSM module; anything else extended is accepted.
    int gsmCommand(const std::string& s, double t, LinePort& port) {
        std::string u;
        for (char ch : s) u += static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        std::string info;
        if (u.rfind("+CSQ", 0) == 0)
            info = "+CSQ: 21,0";
        else if (u.rfind("+CPIN?", 0) == 0)
            info = "+CPIN: READY";
        else if (u.rfind("+CREG?", 0) == 0)
            info = "+CREG: 0,1";
        else if (u.rfind("+CGMI", 0) == 0)
            info = "SIMULATED GSM";
        if (!info.empty() && !quiet_) port.send("\r\n" + info + "\r\n", t + port.latencyMs());
        return kOk;
    }

    void hangUp(double t, LinePort& port) {
        if (connected_ || mode_ != Mode::Command) port.note("modem: hang-up", t);
        connected_ = false;
        mode_ = Mode::Command;
        plusCount_ = 0;
        link_.reset();
    }

    void result(int code, double t, LinePort& port) {
        if (quiet_) return;
        std::string r;
        if (verbose_)
            r = std::string("\r\n") + resultText(code) + "\r\n";
        else
            r = std::to_string(code) + "\r";
        port.send(r, t + port.latencyMs());
    }

    DeviceLink link_;
    double guardMs_, dialMs_;
    Mode mode_ = Mode::Command;
    bool connected_ = false;
    bool echo_ = true, verbose_ = true, quiet_ = false;
    std::string line_;
    bool swallowLine_ = false;
    double dialAt_ = 0;
    double lastData_ = -1e12; // time of the last byte in data mode [ms]
    double lastPlus_ = 0;
    int plusCount_ = 0;
    std::string number_;  // the number that answers (empty: any)
    std::string dialled_; // the number of the call in progress
    int connectCode_, failCode_;
    bool gsm_;
    double ringMs_;
    double lastRing_ = 0;
    int dropAfter_;
    int requests_ = 0;      // requests passed to the device in this call
    bool dropNext_ = false; // the call drops at the next request
};

} // namespace

std::unique_ptr<Front> makeModemFront(Device& dev, const SimOptions& opts) {
    return std::make_unique<ModemFront>(dev, opts);
}

} // namespace sim
