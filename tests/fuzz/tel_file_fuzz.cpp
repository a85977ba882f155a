// Phone-book files (*.tel): the number read from the file's bytes, and what save_ini writes for
// that number reads back the same number.
#include <string>
#include <string_view>

#include "fuzz_target.h"
#include "shell/phone_book.h"

KORVANE_FUZZ_TARGET(tel_file) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string number = "kept";
    const int r = parsePhoneBook(bytes, number);
    if (r == 0) {
        if (number != "kept") __builtin_trap(); // a refused file changes nothing
        return 0;
    }
    if (r != 1 || number.size() > kNtelMax || number.find_first_of("\r\n") != std::string::npos)
        __builtin_trap();

    // The file saved for the number ("Rubrica" after typing it) reads back the same.
    std::string back;
    if (parsePhoneBook(iniFileText(number), back) != 1 || back != number) __builtin_trap();
    return 0;
}
