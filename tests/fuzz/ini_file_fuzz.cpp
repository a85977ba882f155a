// VAruzizu.ini: the telephone number read from the file's bytes, and the text save_ini writes
// for that number loads back the same number.
#include <string>
#include <string_view>

#include "fuzz_target.h"
#include "shell/phone_book.h"

KORVANE_FUZZ_TARGET(ini_file) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string kept = "kept";
    std::string ntel = kept;
    loadIniText(bytes, ntel);
    if (ntel.size() > kNtelMax || ntel.find_first_of("\r\n") != std::string::npos) __builtin_trap();
    if (ntel == kept) return 0;

    std::string back = kept;
    loadIniText(iniFileText(ntel), back);
    if (back != ntel) __builtin_trap();
    return 0;
}
