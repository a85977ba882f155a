#pragma once
// The energy board's parameter block: 41 packed little-endian bytes, the same image in the
// board's EEPROM, on the wire and in parameter files. Byte offsets are EEPROM addresses.
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ui.h"

inline constexpr size_t kEeSize = 41;                 // [bytes]
inline constexpr uint8_t kEeComReg2 = 19;             // EEPROM address of ComReg2
inline constexpr uint16_t kEeComReg2Address = 0x0013; // the same, as the "ATRD" argument

#pragma pack(push, 1)
struct ee_ram {
    uint8_t Token;          // carried unchanged
    uint16_t MYadd;         // board address
    uint16_t TCA;           // data acquisition period [s]
    uint16_t NTCA;          // one stored average every NTCA acquisitions
    uint16_t TCM;           // period of the averages kept in memory [s]
    uint16_t Ki;            // meter constant [10 pulses/kWh]
    uint8_t Kco2;           // CO2 factor [0.01 kg/kWh]
    uint8_t Keur;           // revenue factor [0.01 euro/kWh]
    uint32_t Pnom;          // nominal plant power [Wp]
    uint16_t ComReg;        // inverter protocol, line baud rate, wireless-aux value
    uint16_t ComReg2;       // low byte: number of inverters; high byte: first inverter address
    uint16_t Option;        // data sources, alarms, display options
    uint16_t Option2;       // VKE15: destination address in the low byte
    uint8_t Display_gra[8]; // quantity shown by each display (low nibble)
    uint8_t N_telefono[8];  // SMS telephone number, two digits a byte
};
#pragma pack(pop)

// The record seen whole (`ram`) or as its bytes (`buf`). The fields are read straight from the
// bytes, so the host must store numbers least significant byte first, as the board does.
union ee_buf {
    ee_ram ram;
    uint8_t buf[kEeSize];
};
static_assert(sizeof(ee_ram) == kEeSize && sizeof(ee_buf) == kEeSize);
static_assert(offsetof(ee_ram, Token) == 0 && offsetof(ee_ram, MYadd) == 1 && offsetof(ee_ram, TCA) == 3);
static_assert(offsetof(ee_ram, NTCA) == 5 && offsetof(ee_ram, TCM) == 7 && offsetof(ee_ram, Ki) == 9);
static_assert(offsetof(ee_ram, Kco2) == 11 && offsetof(ee_ram, Keur) == 12 && offsetof(ee_ram, Pnom) == 13);
static_assert(offsetof(ee_ram, ComReg) == 17 && offsetof(ee_ram, ComReg2) == kEeComReg2);
static_assert(offsetof(ee_ram, Option) == 21 && offsetof(ee_ram, Option2) == 23);
static_assert(offsetof(ee_ram, Display_gra) == 25 && offsetof(ee_ram, N_telefono) == 33);
static_assert(std::endian::native == std::endian::little);

extern ee_buf EE; // all bytes 0 at start

// Number of inverters and first inverter address held in ComReg2.
inline unsigned inverterCount(const ee_buf& ee) {
    return ee.buf[kEeComReg2];
}
inline unsigned firstInverterAddress(const ee_buf& ee) {
    return ee.buf[kEeComReg2 + 1];
}

// ---------------------------------------------------------------------------------------------
// Edit fields with a range.

// The range record of one edit field.
struct ParItem {
    int id = 0;        // control identifier of the edit field (0 = empty entry)
    int id_H = 0;      // second control identifier (unused, 0)
    float val = 0;     // value as typed, in screen units
    float val_min = 0; // smallest accepted value
    float val_max = 0; // largest accepted value
    int n_dec = 0;     // largest number of characters the field accepts
    int n_hex = 0;     // unused, 0
    int val_err = 0;   // 1 while val is out of range
};

// An item with its control, limits and length.
inline ParItem makeParItem(int id, float min, float max, int n) {
    ParItem p;
    p.id = id;
    p.val_min = min;
    p.val_max = max;
    p.n_dec = n;
    return p;
}

inline constexpr size_t kParcfgItems = 12;
extern std::array<ParItem, kParcfgItems> Parcfg;

// Items of Parcfg.
enum ParcfgItem : int {
    kParAddress = 1,
    kParTCA,
    kParNTCA,
    kParTCM,
    kParKi,
    kParKco2,
    kParKeur,
    kParPnom,
    kParInverters,
    kParFirstInverter,
    kParAux
};

void initParcfg();
// Range check of Parcfg[i].val; in range: stores it into `ee` (rounded, ties to even) and
// returns 1; out of range (NaN included): val_err = 1, `ee` unchanged, 0.
int testValue(int i, ee_buf& ee);
inline int testValue(int i) {
    return testValue(i, EE);
}
// Parcfg[1..11].val from `ee` (screen units).
void parcfgFromEe(const ee_buf& ee);

// ---------------------------------------------------------------------------------------------
// The board.

// Reads the block and the operating state: 0 = done, 1 = failure. A reply that is not the
// block's 82 hexadecimal digits, or a state that is not two hexadecimal digits, changes nothing.
int loadParcfg();
// The "ATEE" reply of the whole block: exactly 82 hexadecimal digits (either case) into `out`;
// false, `out` untouched, on any other text.
bool decodeEeBlock(std::string_view text, ee_buf& out);

// What the last write_to_MW51a achieved.
struct BoardWriteResult {
    int piecesAcknowledged = 0; // 0, 1 or 2 of the two pieces (29 + 12 bytes)
    bool readBack = false;      // the block was read back after writing
    ee_buf held{};              // the block the board holds (when readBack)
};
extern BoardWriteResult LastBoardWrite;
// Writes all 41 bytes in two pieces of 29 and 12 bytes and reads the block back: 0 = the board
// holds EE, 1 = failure (LastBoardWrite tells what the board holds).
int write_to_MW51a();
// The fields of `held` that differ from `wanted`, named as the description names them
// (comma-separated); empty when both are equal.
std::string differingFields(const ee_buf& wanted, const ee_buf& held);

// Board commands without data: commit ("ATCM12"), factory defaults ("ATCM13"), reset
// ("ATCM0F"); 1 = acknowledged with "OK".
int commitParams();
int restoreDefaults();
int resetBoard();
// The remote commands P1 / P2 ("ATCM10" / "ATCM11"); the reply is not examined.
void remoteCommand(int n);

// "MW51a" or "VKE15", as the board's messages name it.
const char* boardName();
// "Errore di comunicazione con MW51a !" (or VKE15).
std::string boardCommText();

// ---------------------------------------------------------------------------------------------
// Choice lists.

struct TextList {
    const char* const* texts;
    size_t size;
    const char* operator[](size_t i) const { return texts[i]; }
};
extern const TextList Lista_Grandezze_Display, Lista_Sorgenti_dati, Lista_Sorgenti_datim, Lista_nodeadd,
    Lista_Baud_Rate, Lista_Protocolli, Lista_allarme_etag, Lista_allarme_inv;
// Digits (high nibble) and decimal point (low nibble) of each display quantity.
extern const uint8_t Display_cnt[16];

// `word` with `value` in its bits `mask` << `shift`.
inline uint16_t withBits(uint16_t word, unsigned shift, unsigned mask, unsigned value) {
    return static_cast<uint16_t>((word & ~(mask << shift)) | ((value & mask) << shift));
}

// The 16-bit word at byte `offset` of the block, and storing one (least significant byte first).
inline uint16_t eeWord(const ee_buf& ee, size_t offset) {
    return static_cast<uint16_t>(ee.buf[offset] | (ee.buf[offset + 1] << 8));
}
inline void setEeWord(ee_buf& ee, size_t offset, uint16_t v) {
    ee.buf[offset] = static_cast<uint8_t>(v & 0xFF);
    ee.buf[offset + 1] = static_cast<uint8_t>(v >> 8);
}

// Position of `text` in `list` (exact comparison), or the list's length.
size_t listIndex(const TextList& list, std::string_view text);
// An entry without its "n - " prefix (an entry too short for one is shown whole); a code
// beyond the list is "code N".
std::string listText(const TextList& list, unsigned code, bool dropPrefix = true);

// The choice operations: each takes the selected text, stores its position into its bits of
// `ee` and returns the position (the list's length when the text is not in the list, which is
// then not stored).
unsigned upd_Display_gra(ee_buf& ee, std::string_view sel, unsigned d);
unsigned upd_Option_alaetag(ee_buf& ee, std::string_view sel);
unsigned upd_Option_alainv(ee_buf& ee, std::string_view sel);
unsigned upd_Option_sorgm(ee_buf& ee, std::string_view sel);
unsigned upd_Option_nodeadd(ee_buf& ee, std::string_view sel);
unsigned upd_ComReg_BaudRate(ee_buf& ee, std::string_view sel);
unsigned upd_ComReg_Proto(ee_buf& ee, std::string_view sel);
// Data source: a source that needs a display which is off ("3 - RS232 (Com3)" needs display 3,
// "4 - RS485 (Com0)" display 0) is refused with a "Setup Error" box and source 0 is stored.
unsigned upd_Option_sorg(Window owner, ee_buf& ee, std::string_view sel);
// The display the data source `index` needs (3 or 0), or -1.
int sourceDisplay(unsigned index);

// Fields the data source enables: baud rate, protocol, number of inverters, first address and
// inverter alarm.
struct SourceFields {
    bool baud, protocol, inverters, firstAddress;
};
SourceFields enable_cntr_sdati(unsigned source);

// The wireless-aux box toggled: bit 15 of Option cleared; checked with a value 0 sets 250,
// unchecked clears it. Returns the value now held.
unsigned toggleWirelessAux(ee_buf& ee, bool checked);

// ---------------------------------------------------------------------------------------------
// Parameter files (*.mw1): the 9-byte marker "MW51A_10\0", then the 41 bytes.

inline constexpr size_t kParamFileSize = 50;
// 1 = written.
int writeParamFile(const std::string& path, const ee_buf& ee);
// 1 = cannot be opened, 2 = not a valid parameter file (wrong marker or length; `ee` unchanged),
// 3 = loaded into `ee`.
int readParamFile(const std::string& path, ee_buf& ee);
// The same check on a file's bytes: 2 = not valid (`ee` unchanged), 3 = loaded into `ee`.
int parseParamFile(std::string_view bytes, ee_buf& ee);
// With the file boxes: 1 = written, 0 = no file chosen or not written.
int save_MW51a_dati(Window owner);
// 0 = no file chosen, 1 = cannot be opened, 2 = not valid, 3 = loaded into EE.
int read_MW51a_dati(Window owner);

// The description of a parameter set, as the description screen shows it (CR LF lines).
std::string describeMW51a(const ee_buf& ee);
