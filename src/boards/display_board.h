#pragma once
// The display boards on the energy board's I2C bus (slots 0..7), reached through the board with
// "ATSD": the operation set, the detection of the board kind, each display's record, its range
// table and the GSM modem that sits in display slot 2.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "boards/energy_board.h"

// One display's parameters.
struct DisplayParams {
    uint8_t Ndigit = 0;  // number of digits, 1..6
    uint8_t Dpoint = 0;  // decimal-point position, 0..6
    uint8_t Dlux = 0;    // brightness, 0..255
    uint8_t Option = 0;  // bits 0-1 speed, 2-3 caption colour, 5 off, 6 auto brightness, 7 blinking
    uint8_t Option2 = 0; // MW55h: bits 4-5 follow Dpoint, bits 6-7 digit colour
};

inline constexpr size_t kDisplays = 8;
extern std::array<DisplayParams, kDisplays> MW51h;
extern std::array<uint8_t, 8> Option3; // the option registers of an MW55h
extern uint8_t MW51h_fw;               // firmware byte of the display last read
extern int Slave_board;                // 0 none, 1 MW51h, 2 MW53h, 3 MW55h
extern int CodeD;                      // display of the open details screen

inline constexpr size_t kParcfghItems = 4;
extern std::array<ParItem, kParcfghItems> Parcfgh;

// Operation codes.
enum : int {
    kOpProbe = 0x01,
    kOpVersion = 0x02,
    kOpKind = 0x03,
    kOpRdNdigit = 0x21,
    kOpRdDpoint = 0x22,
    kOpRdDlux = 0x23,
    kOpRdOption = 0x24,
    kOpRdRxto = 0x25,
    kOpRdOption2 = 0x26,
    kOpRdOption3 = 0x27,
    kOpControl = 0xA0,
    kOpWrNdigit = 0xA1,
    kOpWrDpoint = 0xA2,
    kOpWrDlux = 0xA3,
    kOpWrOption = 0xA4,
    kOpWrRxto = 0xA5,
    kOpWrOption2 = 0xA6,
    kOpWrOption3 = 0xA7,
};
// Control bytes of operation 0xA0.
enum : int {
    kCtlReset = 0x55,
    kCtlDefault1 = 0xEE,
    kCtlDefault2 = 0xFF,
    kCtlStore1 = 0xDD,
    kCtlStore2 = 0xAA
};

// Start values of the display-board globals.
void resetDisplayState();

// The "ATSD" command text of one operation.
std::string atsdCommand(int op, int disp, int data);
// One display-board operation on display (or register) `disp_code`: `data` supplies the bytes
// written or receives the byte read. 0 = done, 1 = failure (no reply, "ERR", or a read reply
// that is not two hexadecimal digits; `*data` is then unchanged).
int txrx_MW51h(int op, int disp_code, int* data);

// The kind of display board behind the board (sets Slave_board and returns it).
int detectSlaveBoard();
const char* slaveBoardName(int kind); // "MW51h", "MW53h", "MW55h", "-"

void initParcfgh();
// Range check of Parcfgh[i].val, storing into display cd: 1 accepted, 0 out of range.
int testValueh(int i, int cd);
// Reads display cd (and, for an MW55h, Option2 and the registers): 0 = read, 1 = failure
// (the record is left as it was).
int loadParcfgh(int cd);
// Writes display cd: 0 = written, 1 = failure.
int write_to_MW51h(int cd);
// Control byte sequences: store in non-volatile memory, defaults, reset. 1 = done.
int storeDisplay(int cd);
int defaultDisplay(int cd);
int resetDisplay(int cd);

extern const TextList Lista_Colore_Grandezza, Lista_Modi_Operativi;
unsigned upd_Option_BaudRateh(std::string_view sel, int cd);
unsigned upd_Option_ColDid(std::string_view sel, int cd);
unsigned upd_Option2_ColGra(std::string_view sel, int cd);
unsigned upd_Option3_Mode(std::string_view sel);

// Oscillator trim of Option3 register 5: bits 0-5 as a signed 6-bit number.
int trimOf(uint8_t reg);
uint8_t trimRegister(int trim, bool pulse);

// After the energy board's "Write": each display's quantity code (0xA6) and, when not off, its
// digits and decimal point from Display_cnt (0xA1, 0xA2). Returns the displays in use that
// failed (bit d set for display d), each reported; a display that is off may have no board.
unsigned sendDisplayQuantities(Window owner);
// MW55h: energy/100 flag into register 0 bit 4 and Pnom/10 into registers 2 and 3. 1 = done.
int sendMw55Registers(bool energyDiv100);

// The description of one display, as `korvane-cli displays` prints it (LF lines).
std::string describeDisplay(int cd);

// The GSM field strength through display slot 2.
inline constexpr const char* kGsmCommand = "ATSD02E041542B4353510D\r";
enum class GsmResult { Ok, NoBoard, NoModem, NoValue };
// Decodes the 28 hexadecimal digits of the reply: level and bit error rate. NoValue when the
// text holds no space (or no digits after it), NoModem when it is not 28 hexadecimal digits.
GsmResult decodeGsmReply(std::string_view hex, unsigned& level, unsigned& ber);
// Sends the request and decodes the reply.
GsmResult gsmQuery(unsigned& level, unsigned& ber);
// "Nessuna risposta da MW51a !" / "... modem GSM !".
std::string gsmFailureText(GsmResult r);
