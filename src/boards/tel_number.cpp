#include "boards/tel_number.h"

#include "boards/energy_board.h"

uint8_t char_zip(char x) {
    if (x >= '0' && x <= '9') return static_cast<uint8_t>(x - '0');
    if (x == '+') return 10;
    return 15;
}

char char_unzip(uint8_t x) {
    if (x <= 9) return static_cast<char>('0' + x);
    if (x == 10) return '+';
    return '\0';
}

void zipTel(std::span<uint8_t, kTelBytes> tel, std::string_view text) {
    size_t pos = 0;
    // The character at `pos`, or the end of the text.
    auto next = [&]() -> char { return pos < text.size() ? text[pos++] : '\0'; };
    for (size_t k = 0; k < kTelBytes; ++k) {
        const char c1 = next();
        uint8_t b = static_cast<uint8_t>(char_zip(c1) << 4);
        if (c1 == '\0') {
            tel[k] = b;
            return;
        }
        const char c2 = next();
        b = static_cast<uint8_t>(b | char_zip(c2));
        tel[k] = b;
        if (c2 == '\0') return;
    }
}

std::string unzipTel(std::span<const uint8_t, kTelBytes> tel) {
    std::string s;
    for (uint8_t b : tel) {
        for (uint8_t nib : {static_cast<uint8_t>(b >> 4), static_cast<uint8_t>(b & 15)}) {
            const char c = char_unzip(nib);
            if (c == '\0') return s;
            s += c;
        }
    }
    return s;
}

void zip_Ntel(std::string_view str) {
    zipTel(std::span<uint8_t, kTelBytes>(EE.ram.N_telefono), str);
}

std::string unzip_Ntel() {
    return unzipTel(std::span<const uint8_t, kTelBytes>(EE.ram.N_telefono));
}

std::string telFieldText(std::string_view typed) {
    std::string s(typed.substr(0, kTelChars));
    for (char c : s)
        if (!((c >= '0' && c <= '9') || c == '+')) return {};
    return s;
}
