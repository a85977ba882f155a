#include "boards/display_board.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "link/korvane_com.h"

std::array<DisplayParams, kDisplays> MW51h;
std::array<uint8_t, 8> Option3;
uint8_t MW51h_fw = 0;
int Slave_board = 0;
int CodeD = 0;
std::array<ParItem, kParcfghItems> Parcfgh;

namespace {

const char* const kColours[4] = {"0 - DEFAULT", "1 - GREEN", "2 - RED", "3 - ORANGE"};
const char* const kModes[4] = {"0 - TXT", "1 - GRA16", "2 - GRA64", "3 - TEST"};

bool twoHexDigits() {
    return iRx == 2 && hexDigitValue(static_cast<char>(Rx_buf[0])) >= 0 &&
           hexDigitValue(static_cast<char>(Rx_buf[1])) >= 0;
}

bool rxErr() {
    return iRx == 3 && Rx_buf[0] == 'E' && Rx_buf[1] == 'R' && Rx_buf[2] == 'R';
}

bool validDisplay(int cd) {
    return cd >= 0 && static_cast<size_t>(cd) < kDisplays;
}

int readByte(int op, int disp, uint8_t& out) {
    int v = 0;
    if (txrx_MW51h(op, disp, &v) != 0) return 1;
    out = static_cast<uint8_t>(v);
    return 0;
}

unsigned updBits(uint8_t& reg, const TextList& list, std::string_view sel, unsigned shift) {
    const size_t i = listIndex(list, sel);
    if (i < list.size) reg = static_cast<uint8_t>((reg & ~(3u << shift)) | (i << shift));
    return static_cast<unsigned>(i);
}

int controlSequence(int cd, std::initializer_list<int> bytes) {
    for (int b : bytes) {
        int v = b;
        if (txrx_MW51h(kOpControl, cd, &v) != 0) return 0;
    }
    return 1;
}

} // namespace

const TextList Lista_Colore_Grandezza = {kColours, 4};

void resetDisplayState() {
    MW51h = {};
    Option3 = {};
    MW51h_fw = 0;
    Slave_board = 0;
    CodeD = 0;
    Parcfgh = {};
}
const TextList Lista_Modi_Operativi = {kModes, 4};

std::string atsdCommand(int op, int disp, int data) {
    char cmd[32];
    const unsigned d = static_cast<unsigned>(data);
    switch (op & 0xE0) {
    case 0x80:
        std::snprintf(cmd, sizeof cmd, "ATSD%02X%02X%02X%02X%02X\r", disp & 0xFF, op & 0xFF, (d >> 16) & 0xFF,
                      (d >> 8) & 0xFF, d & 0xFF);
        break;
    case 0xA0:
    case 0xE0:
        std::snprintf(cmd, sizeof cmd, "ATSD%02X%02X%02X\r", disp & 0xFF, op & 0xFF, d & 0xFF);
        break;
    default:
        std::snprintf(cmd, sizeof cmd, "ATSD%02X%02X\r", disp & 0xFF, op & 0xFF);
        break;
    }
    return cmd;
}

int txrx_MW51h(int op, int disp_code, int* data) {
    clearRxBuf(hCom);
    if (sendCOMMAND(hCom, atsdCommand(op, disp_code, data ? *data : 0), kModeCR) != 1) return 1;
    const int cls = op & 0xE0;
    if (cls == 0x00 || cls == 0x20 || cls == 0x60) {
        if (!twoHexDigits()) return 1;
        if (data) *data = str16_to_num(reinterpret_cast<const char*>(Rx_buf), 2);
        return 0;
    }
    return rxErr() ? 1 : 0;
}

int detectSlaveBoard() {
    int v = 0;
    if (txrx_MW51h(kOpKind, 0, &v) == 0 && v == 0x02) return Slave_board = 3;
    int answered = 0, mw53 = 0;
    for (int d = 0; d < static_cast<int>(kDisplays); ++d) {
        v = 0;
        if (txrx_MW51h(kOpProbe, d, &v) != 0) continue;
        ++answered;
        if (v == 0x7F) ++mw53;
    }
    Slave_board = mw53 == static_cast<int>(kDisplays) ? 2 : answered > 0 ? 1 : 0;
    return Slave_board;
}

const char* slaveBoardName(int kind) {
    switch (kind) {
    case 1:
        return "MW51h";
    case 2:
        return "MW53h";
    case 3:
        return "MW55h";
    default:
        return "-";
    }
}

void initParcfgh() {
    Parcfgh = {makeParItem(1501, 1, 6, 1), makeParItem(1502, 0, 6, 1), makeParItem(1512, 0, 255, 3),
               makeParItem(1527, 0, 25.5f, 4)};
}

int testValueh(int i, int cd) {
    if (i < 0 || static_cast<size_t>(i) >= kParcfghItems || !validDisplay(cd)) return 0;
    ParItem& p = Parcfgh[static_cast<size_t>(i)];
    if (!(p.val >= p.val_min && p.val <= p.val_max)) {
        p.val_err = 1;
        return 0;
    }
    p.val_err = 0;
    DisplayParams& d = MW51h[static_cast<size_t>(cd)];
    const long v = lrintf(p.val);
    switch (i) {
    case 0:
        d.Ndigit = static_cast<uint8_t>(v);
        break;
    case 1: {
        d.Dpoint = static_cast<uint8_t>(v);
        const unsigned code = v <= 1 ? 0 : v == 2 ? 1 : v == 3 ? 2 : 3;
        d.Option2 = static_cast<uint8_t>((d.Option2 & ~0x30u) | (code << 4));
        break;
    }
    case 2:
        d.Dlux = static_cast<uint8_t>(v);
        break;
    case 3:
        Option3[1] = static_cast<uint8_t>(lrintf(10 * p.val));
        break;
    default:
        break;
    }
    return 1;
}

int loadParcfgh(int cd) {
    if (!validDisplay(cd)) return 1;
    DisplayParams d = MW51h[static_cast<size_t>(cd)];
    std::array<uint8_t, 8> regs = Option3;
    uint8_t fw = 0;
    if (readByte(kOpVersion, cd, fw) || readByte(kOpRdNdigit, cd, d.Ndigit) ||
        readByte(kOpRdDpoint, cd, d.Dpoint) || readByte(kOpRdDlux, cd, d.Dlux) ||
        readByte(kOpRdOption, cd, d.Option))
        return 1;
    if (Slave_board == 3) {
        if (readByte(kOpRdOption2, cd, d.Option2)) return 1;
        for (int r = 0; r < 8; ++r)
            if (readByte(kOpRdOption3, r, regs[static_cast<size_t>(r)])) return 1;
    }
    MW51h_fw = fw;
    MW51h[static_cast<size_t>(cd)] = d;
    Option3 = regs;
    Parcfgh[0].val = d.Ndigit;
    Parcfgh[1].val = d.Dpoint;
    Parcfgh[2].val = d.Dlux;
    if (Slave_board == 3) Parcfgh[3].val = Option3[1] / 10.0f;
    // The range check re-stores what was read; Option2's decimal-point bits follow Dpoint only
    // when the value was accepted, exactly as a typed value.
    for (int i = 0; i < static_cast<int>(kParcfghItems); ++i) testValueh(i, cd);
    return 0;
}

int write_to_MW51h(int cd) {
    if (!validDisplay(cd)) return 1;
    const DisplayParams& d = MW51h[static_cast<size_t>(cd)];
    const int writes[][2] = {
        {kOpWrNdigit, d.Ndigit}, {kOpWrDpoint, d.Dpoint}, {kOpWrDlux, d.Dlux}, {kOpWrOption, d.Option}};
    for (const auto& w : writes) {
        int v = w[1];
        if (txrx_MW51h(w[0], cd, &v) != 0) return 1;
    }
    if (Slave_board == 3) {
        int v = d.Option2;
        if (txrx_MW51h(kOpWrOption2, cd, &v) != 0) return 1;
        for (int r = 0; r < 2; ++r) {
            v = Option3[static_cast<size_t>(r)];
            if (txrx_MW51h(kOpWrOption3, r, &v) != 0) return 1;
        }
    }
    return 0;
}

int storeDisplay(int cd) {
    return controlSequence(cd, {kCtlStore1, kCtlStore2});
}
int defaultDisplay(int cd) {
    return controlSequence(cd, {kCtlDefault1, kCtlDefault2});
}
int resetDisplay(int cd) {
    return controlSequence(cd, {kCtlReset});
}

unsigned upd_Option_BaudRateh(std::string_view sel, int cd) {
    return validDisplay(cd) ? updBits(MW51h[static_cast<size_t>(cd)].Option, Lista_Baud_Rate, sel, 0) : 0;
}
unsigned upd_Option_ColDid(std::string_view sel, int cd) {
    return validDisplay(cd) ? updBits(MW51h[static_cast<size_t>(cd)].Option, Lista_Colore_Grandezza, sel, 2)
                            : 0;
}
unsigned upd_Option2_ColGra(std::string_view sel, int cd) {
    return validDisplay(cd) ? updBits(MW51h[static_cast<size_t>(cd)].Option2, Lista_Colore_Grandezza, sel, 6)
                            : 0;
}
unsigned upd_Option3_Mode(std::string_view sel) {
    return updBits(Option3[0], Lista_Modi_Operativi, sel, 0);
}

int trimOf(uint8_t reg) {
    const int t = reg & 0x3F;
    return t >= 32 ? t - 64 : t;
}

uint8_t trimRegister(int trim, bool pulse) {
    trim = std::clamp(trim, -32, 31);
    return static_cast<uint8_t>((trim & 0x3F) | (pulse ? 0x80 : 0));
}

unsigned sendDisplayQuantities(Window owner) {
    unsigned failed = 0;
    for (int d = 0; d < static_cast<int>(kDisplays); ++d) {
        const int code = EE.ram.Display_gra[d] & 15;
        int v = code;
        bool ok = txrx_MW51h(kOpWrOption2, d, &v) == 0;
        if (ok && code != 0) {
            DisplayParams& p = MW51h[static_cast<size_t>(d)];
            p.Ndigit = static_cast<uint8_t>(Display_cnt[code] >> 4);
            p.Dpoint = static_cast<uint8_t>(Display_cnt[code] & 15);
            v = p.Ndigit;
            ok = txrx_MW51h(kOpWrNdigit, d, &v) == 0;
            v = p.Dpoint;
            if (ok) ok = txrx_MW51h(kOpWrDpoint, d, &v) == 0;
        }
        // A display that is off need not have a board behind it: its silence is no error.
        if (!ok && code != 0) {
            failed |= 1u << d;
            messageBox(owner, "Errore nella scrittura sulla scheda slave I2C numero " + std::to_string(d),
                       "COM Error", MsgButtons::Ok, MsgIcon::Error);
        }
    }
    return failed;
}

int sendMw55Registers(bool energyDiv100) {
    int r0 = 0;
    if (txrx_MW51h(kOpRdOption3, 0, &r0) != 0) return 0;
    r0 = energyDiv100 ? (r0 | 0x10) : (r0 & ~0x10);
    if (txrx_MW51h(kOpWrOption3, 0, &r0) != 0) return 0;
    const unsigned p = std::min<uint32_t>(EE.ram.Pnom / 10, 65535u);
    int hi = static_cast<int>(p >> 8), lo = static_cast<int>(p & 0xFF);
    if (txrx_MW51h(kOpWrOption3, 3, &hi) != 0 || txrx_MW51h(kOpWrOption3, 2, &lo) != 0) return 0;
    Option3[0] = static_cast<uint8_t>(r0);
    return 1;
}

std::string describeDisplay(int cd) {
    if (!validDisplay(cd)) return {};
    const DisplayParams& d = MW51h[static_cast<size_t>(cd)];
    char buf[512];
    int n = std::snprintf(
        buf, sizeof buf,
        "Display %d (%s, rev.%X.%X)\nNumero cifre: %u\nPosizione punto decimale: %u\n"
        "Luminosit\xE0 display: %u\nBaud Rate: %s\nDisplay OFF: %u\nAuto Lum: %u\nBlinking: %u\n",
        cd, slaveBoardName(Slave_board), MW51h_fw >> 4, MW51h_fw & 15, unsigned{d.Ndigit}, unsigned{d.Dpoint},
        unsigned{d.Dlux}, listText(Lista_Baud_Rate, d.Option & 3u).c_str(), (d.Option >> 5) & 1u,
        (d.Option >> 6) & 1u, (d.Option >> 7) & 1u);
    std::string s(buf, static_cast<size_t>(std::max(n, 0)));
    if (Slave_board == 3) {
        n = std::snprintf(
            buf, sizeof buf,
            "Colore didascalia: %s\nColore cifre: %s\nMode: %s\nScansione: %1.1f s\nScansione OFF: %u\n"
            "Night OFF: %u\n",
            listText(Lista_Colore_Grandezza, (d.Option >> 2) & 3u).c_str(),
            listText(Lista_Colore_Grandezza, (d.Option2 >> 6) & 3u).c_str(),
            listText(Lista_Modi_Operativi, Option3[0] & 3u).c_str(), Option3[1] / 10.0,
            (Option3[0] >> 3) & 1u, (Option3[0] >> 5) & 1u);
        s.append(buf, static_cast<size_t>(std::max(n, 0)));
    }
    return s;
}

GsmResult decodeGsmReply(std::string_view hex, unsigned& level, unsigned& ber) {
    if (hex.size() != 28) return GsmResult::NoModem;
    std::string text;
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int hi = hexDigitValue(hex[i]), lo = hexDigitValue(hex[i + 1]);
        if (hi < 0 || lo < 0) return GsmResult::NoModem;
        text += static_cast<char>(hi * 16 + lo);
    }
    // Up to two digits: the number, or -1 without a digit.
    auto number = [&text](size_t& p) {
        int v = -1;
        for (int k = 0; k < 2 && p < text.size() && text[p] >= '0' && text[p] <= '9'; ++k, ++p)
            v = (v < 0 ? 0 : v * 10) + (text[p] - '0');
        return v;
    };
    size_t p = text.find(' ');
    if (p == std::string::npos) return GsmResult::NoValue;
    ++p;
    const int lv = number(p);
    if (lv < 0 || p >= text.size() || text[p] != ',') return GsmResult::NoValue;
    ++p;
    const int br = number(p);
    if (br < 0) return GsmResult::NoValue;
    level = static_cast<unsigned>(lv);
    ber = static_cast<unsigned>(br);
    return GsmResult::Ok;
}

GsmResult gsmQuery(unsigned& level, unsigned& ber) {
    clearRxBuf(hCom);
    if (sendCOMMAND(hCom, kGsmCommand, kModeCR) != 1 || iRx == 0) return GsmResult::NoBoard;
    return decodeGsmReply(std::string_view(reinterpret_cast<const char*>(Rx_buf), static_cast<size_t>(iRx)),
                          level, ber);
}

std::string gsmFailureText(GsmResult r) {
    if (r == GsmResult::NoBoard) return std::string("Nessuna risposta da ") + boardName() + " !";
    return "Nessuna risposta da modem GSM !";
}
