#include "shell/phone_book.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "boards/input_boxes.h"
#include "platform/file_handle.h"
#include "shell/config_files.h"
#include "shell/korvane.h"

namespace fs = std::filesystem;

std::string Ntel;

namespace {

const char kPhoneBookFilter[] = "*.tel (rubrica telefonica) (*.tel);;All Files (*.*)";

FileBoxRequest phoneBookBox(bool save) {
    FileBoxRequest req;
    req.filter = kPhoneBookFilter;
    req.defaultExt = "tel";
    req.mustExist = !save;
    req.askOverwrite = save;
    return req;
}

} // namespace

std::string iniFileText(const std::string& ntel) {
    // The number's bytes as they are: one read from a file with a zero byte in it is saved whole,
    // not cut at that byte into a different number.
    return "Ntel=" + ntel + "\r\n";
}

void save_ini(const std::string& szNomefile) {
    FILE* f = std::fopen(szNomefile.c_str(), "wb");
    if (!f) return;
    const std::string text = iniFileText(Ntel);
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

void loadIniText(std::string_view bytes, std::string& ntel) {
    size_t pos = 0;
    int c = 0;
    auto next = [&]() { return pos < bytes.size() ? static_cast<unsigned char>(bytes[pos++]) : EOF; };
    for (;;) {
        // A key: the bytes up to '=' or the end of the file.
        std::string key;
        bool keyTooLong = false;
        while ((c = next()) != EOF && c != '=') {
            if (key.size() < kIniKeyMax)
                key += static_cast<char>(c);
            else
                keyTooLong = true;
        }
        if (key.empty()) break;
        if (keyTooLong || key != "Ntel") {
            if (c == EOF) break;
            continue; // its value is read as part of the next key
        }
        std::string value;
        bool valueTooLong = false;
        while ((c = next()) != EOF && c != '\r' && c != '\n') { // LF: a file edited on Linux
            if (value.size() < kNtelMax)
                value += static_cast<char>(c);
            else
                valueTooLong = true;
        }
        if (!valueTooLong) ntel = value;
        if (c == EOF) break;
        // The LF after the CR begins the next key, so only a first line is recognised.
    }
}

void load_ini(const std::string& szNomefile) {
    bool ok = false;
    const std::string bytes = readWholeFile(szNomefile, ok);
    if (ok) loadIniText(bytes, Ntel);
}

void loadRemoteIni() {
    for (const std::string& path : configFilesToRead(kRemoteIniName)) load_ini(path);
}

std::string saveRemoteIni() {
    const std::string path = writableConfigFile(kRemoteIniName);
    save_ini(path);
    std::error_code ec;
    return fs::is_regular_file(path, ec) ? path : std::string();
}

int parsePhoneBook(std::string_view bytes, std::string& number) {
    if (bytes.substr(0, 5) != "Ntel=") return 0;
    std::string n;
    for (const char c : bytes.substr(5)) {
        if (c == '\r' || c == '\n') continue;
        // Only a byte that would be stored counts against the limit: the CR LF after a
        // 15-character number (as save_ini writes it) is no overflow.
        if (n.size() >= kNtelMax) return 0;
        n += c;
    }
    number = n;
    return 1;
}

int readPhoneBookFile(const std::string& path, std::string& number) {
    bool ok = false;
    const std::string bytes = readWholeFile(path, ok);
    return ok ? parsePhoneBook(bytes, number) : 0;
}

int loadFileRub(Window owner) {
    std::string path;
    if (!ui().openFileBox(owner, phoneBookBox(false), path)) return 0;
    std::string number;
    if (readPhoneBookFile(path, number) != 1) return 0;
    EditBuf = number;
    return 1;
}

int saveFileRub(Window owner) {
    std::string path;
    if (!ui().saveFileBox(owner, phoneBookBox(true), path)) return 0;
    save_ini(path);
    return 1;
}

std::string phoneBookDir() {
    const std::string dir = userConfigDir();
    return (fs::path(dir.empty() ? Exe_dir : dir) / "rubrica").string();
}

bool validPhoneNumber(std::string_view number) {
    if (number.empty() || number.size() > kNtelMax) return false;
    for (size_t i = 0; i < number.size(); ++i) {
        const char c = number[i];
        const bool ok = (c >= '0' && c <= '9') || c == '*' || c == '#' || c == ',' || (c == '+' && i == 0);
        if (!ok) return false;
    }
    return number != "+";
}

bool validPhoneBookName(std::string_view name) {
    return !name.empty() && name.size() <= 200 && name[0] != '.' &&
           name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

std::vector<PhoneBookEntry> listPhoneBook(const std::string& dir) {
    std::vector<PhoneBookEntry> out;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& p = it->path();
        if (p.extension() != ".tel" || !it->is_regular_file(ec)) continue;
        PhoneBookEntry e;
        e.name = p.stem().string();
        e.valid = readPhoneBookFile(p.string(), e.number) == 1;
        out.push_back(std::move(e));
    }
    std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    return out;
}

int lookUpPhoneBook(const std::string& dir, const std::string& name, std::string& number) {
    if (!validPhoneBookName(name)) return 0;
    return readPhoneBookFile((fs::path(dir) / (name + ".tel")).string(), number);
}
