#pragma once
// The SMS telephone number of the energy board: two characters a byte in N_telefono, high
// nibble first ('0'..'9' -> 0..9, '+' -> 10, end of text -> 15).
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

inline constexpr size_t kTelBytes = 8;  // bytes of N_telefono
inline constexpr size_t kTelChars = 16; // characters a number can hold

// One character to its 4-bit code: digits 0..9, '+' 10, anything else (the end) 15.
uint8_t char_zip(char x);
// One 4-bit code to its character: 0..9 digits, 10 '+', 11..15 the end of the text ('\0').
char char_unzip(uint8_t x);

// Packs `text` into `tel`. The end code follows the last character; the bytes after the one that
// holds it keep their content. Sixteen characters or more fill all eight bytes (no end code;
// characters after the 16th are ignored).
void zipTel(std::span<uint8_t, kTelBytes> tel, std::string_view text);
// The number held in `tel` (at most 16 characters, up to the first end code).
std::string unzipTel(std::span<const uint8_t, kTelBytes> tel);

// The same on the global parameter block EE.
void zip_Ntel(std::string_view str);
std::string unzip_Ntel();

// The telephone field's rule: cut to 16 characters; a character other than a digit or '+'
// empties the field. Returns the text the field keeps.
std::string telFieldText(std::string_view typed);
