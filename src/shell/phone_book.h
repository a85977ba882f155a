#pragma once
// The plant's telephone number, VAruzizu.ini and the phone-book files (*.tel). Both kinds of
// file hold the same bytes: "Ntel=", the number, CR LF.
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui.h"

inline constexpr size_t kNtelMax = 15;   // characters of a telephone number
inline constexpr size_t kIniKeyMax = 49; // characters of a key in an ini file
inline constexpr char kRemoteIniName[] = "VAruzizu.ini";

extern std::string Ntel; // the plant's telephone number

// Writes "Ntel=" + Ntel + CR LF into the file (created or replaced); nothing when it cannot be
// created.
void save_ini(const std::string& szNomefile);
// The bytes save_ini writes for the number `ntel`.
std::string iniFileText(const std::string& ntel);
// Reads Ntel from the file: only a first "Ntel" line is recognised; the number ends at CR (or
// at LF, in a file with Linux line ends). A key longer than 49
// characters is no "Ntel"; a number longer than 15 characters is refused whole (Ntel keeps its
// value) rather than cut into a different number. Nothing when the file cannot be opened.
void load_ini(const std::string& szNomefile);
// The same on the bytes of such a file, into `ntel`.
void loadIniText(std::string_view bytes, std::string& ntel);

// VAruzizu.ini: read from the program's folder, then from the user's configuration folder;
// written to the user's folder. Returns the path written (empty when it could not be).
void loadRemoteIni();
std::string saveRemoteIni();

// Reads the number of a phone-book file: "Ntel=" then the number; CR and LF are skipped.
// 1 = the number (at most 15 characters) is in `number`; 0 = unreadable or not in the format.
int readPhoneBookFile(const std::string& path, std::string& number);
// The same on the bytes of such a file.
int parsePhoneBook(std::string_view bytes, std::string& number);

// "Rubrica": the open box for a phone-book file, then its number into EditBuf. 1 = read.
int loadFileRub(Window owner = nullptr);
// The save box for a phone-book file (overwrite asked), then save_ini on it. 1 = saved,
// 0 = cancelled.
int saveFileRub(Window owner = nullptr);

// The phone-book folder of the command line: "rubrica" in the user's configuration folder.
std::string phoneBookDir();
// A number a modem can dial: 1..15 characters of digits, '*', '#', ',', with an optional
// leading '+'.
bool validPhoneNumber(std::string_view number);
// A phone-book entry name: a file name without folders, not starting with '.'.
bool validPhoneBookName(std::string_view name);

struct PhoneBookEntry {
    std::string name;   // the file name without ".tel"
    std::string number; // empty when the file is not in the format
    bool valid = false;
};
// The *.tel files of `dir`, sorted by name.
std::vector<PhoneBookEntry> listPhoneBook(const std::string& dir);
// The number saved under `name` in `dir`. 1 = found and in the format.
int lookUpPhoneBook(const std::string& dir, const std::string& name, std::string& number);
