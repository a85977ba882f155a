// The hostile device's replies: random bytes, cut replies, over-long lines and stray lines.
#include "sim/hostile.h"

#include <array>

namespace sim {

namespace {

size_t below(SplitMix64& dice, size_t n) {
    return n ? static_cast<size_t>(dice.next() % n) : 0;
}

char hexDigit(SplitMix64& dice) {
    return "0123456789ABCDEF"[below(dice, 16)];
}

// A long run of bytes without CR: hex text, printable text or any byte but CR.
std::string longLine(SplitMix64& dice) {
    const size_t n = kHostileLongMin + below(dice, kHostileLongMax - kHostileLongMin + 1);
    const size_t style = below(dice, 3);
    std::string s;
    s.reserve(n + 1);
    for (size_t i = 0; i < n; ++i) {
        char c;
        if (style == 0) {
            c = hexDigit(dice);
        } else if (style == 1) {
            c = static_cast<char>(0x20 + below(dice, 0x5F));
        } else {
            c = static_cast<char>(below(dice, 256));
            if (c == '\r') c = '\n';
        }
        s += c;
    }
    if (below(dice, 2) == 0) s += '\r'; // at last an end, or none at all
    return s;
}

} // namespace

Hostile pickHostile(double p, SplitMix64& dice) {
    if (p <= 0 || dice.uniform() >= p) return Hostile::None;
    return static_cast<Hostile>(1 + below(dice, kHostileKinds));
}

std::string strayLine(SplitMix64& dice) {
    static const std::array<const char*, 10> kFixed = {
        "\r\nRING\r\n",          "\r\nNO CARRIER\r\n", "OK\r",      "ERR\r", "0\r",
        "\r\nCONNECT 19200\r\n", "+CSQ: 99,99\r\n",    "ATNA OK\r", "\r",    "***"};
    switch (below(dice, 4)) {
    case 0:
        return kFixed[below(dice, kFixed.size())];
    case 1: { // hexadecimal text of any length
        std::string s(1 + below(dice, 40), '0');
        for (char& c : s) c = hexDigit(dice);
        return s + '\r';
    }
    case 2: { // a monitor-like packet with too many, too few or broken fields
        std::string s = below(dice, 2) ? "ATUC" : "ATBC";
        const size_t fields = below(dice, 40);
        for (size_t i = 0; i < fields; ++i) {
            s += ' ';
            for (size_t k = below(dice, 9); k > 0; --k) s += hexDigit(dice);
        }
        return s + '\r';
    }
    default: { // control bytes and high bytes
        std::string s(1 + below(dice, 30), '\0');
        for (char& c : s) {
            c = static_cast<char>(below(dice, 256));
            if (c == '\r') c = 0;
        }
        return s + (below(dice, 2) ? "\r" : "\r\n");
    }
    }
}

std::string hostileBytes(Hostile kind, std::string_view reply, SplitMix64& dice) {
    switch (kind) {
    case Hostile::None:
        break;
    case Hostile::Garbage: {
        std::string s(1 + below(dice, kHostileGarbageMax), '\0');
        for (char& c : s) c = static_cast<char>(below(dice, 256));
        return s;
    }
    case Hostile::Truncated:
        return std::string(reply.substr(0, below(dice, reply.size())));
    case Hostile::LongLine:
        return longLine(dice);
    case Hostile::StrayBefore:
        return strayLine(dice) + std::string(reply);
    case Hostile::StrayAfter:
        return std::string(reply) + (below(dice, 3) == 0 ? std::string(reply) : strayLine(dice));
    }
    return std::string(reply);
}

const char* hostileName(Hostile kind) {
    switch (kind) {
    case Hostile::None:
        return "none";
    case Hostile::Garbage:
        return "random bytes";
    case Hostile::Truncated:
        return "truncated reply";
    case Hostile::LongLine:
        return "over-long line";
    case Hostile::StrayBefore:
        return "stray line before the reply";
    case Hostile::StrayAfter:
        return "stray line after the reply";
    }
    return "?";
}

} // namespace sim
