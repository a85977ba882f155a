#include "boards/energy_board.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "boards/tel_number.h"
#include "link/korvane_com.h"
#include "platform/file_handle.h"

ee_buf EE = {};
std::array<ParItem, kParcfgItems> Parcfg;
BoardWriteResult LastBoardWrite;

namespace {

constexpr char kFileMarker[9] = {'M', 'W', '5', '1', 'A', '_', '1', '0', '\0'};
constexpr size_t kBlockDigits = 2 * kEeSize;
constexpr size_t kFirstPiece = 29; // bytes of the first "ATEE" write; the rest go in the second

template <size_t N> constexpr TextList makeList(const char* const (&t)[N]) {
    return {t, N};
}

const char* const kDisplay[16] = {"0 - OFF",
                                  "1 - Potenza attiva (kW/100)",
                                  "2 - Energia attiva (kWh)",
                                  "3 - CO2 evitata (kg)",
                                  "4 - Ricavo (euro)",
                                  "5 - Giorni di produzione",
                                  "6 - Irraggiamento (W/m2)",
                                  "7 - Temp. celle (\xB0"
                                  "C/10)",
                                  "8 - Temp. ambiente (\xB0"
                                  "C/10)",
                                  "9 - Rendimento globale (%)",
                                  "A - Barili di petrolio eq. (BEP/10)",
                                  "B - Tonn. di petrolio eq. (TEP/10)",
                                  "C - Energia 24h (kWh/10)",
                                  "D - Potenza aux (kW/100)",
                                  "E - Potenza max 24h (kW/100)",
                                  "F -"};
const char* const kSources[5] = {"0 - Impulso SO", "1 - RS485 (ComB)", "2 - Wireless", "3 - RS232 (Com3)",
                                 "4 - RS485 (Com0)"};
const char* const kSourcesM[4] = {"0 - OFF", "1 - RS485 (ComB)", "2 - Wireless", "3 - ComA"};
const char* const kNodeAdd[4] = {"0 - 11", "1 - 33", "2 - 65", "3 - 251"};
const char* const kBaud[4] = {"0 - 9600", "1 - 19200", "2 - 38400", "3 - 57600"};
const char* const kProto[4] = {"PROTO_0", "PROTO_1", "PROTO_2", "PROTO_3"};
const char* const kAlarm[4] = {"0 - OFF", "1 - <50%", "2 - <65%", "3 - <80%"};

// "ATRD00FF" then "ATEE": the whole block into `out`. False (out untouched) on failure.
bool readBlock(ee_buf& out) {
    if (sendCOMMAND(hCom, "ATRD00FF\r", kModeCR) != 1) return false;
    if (sendCOMMAND(hCom, "ATEE\r", kModeCR) != 1) return false;
    return decodeEeBlock(std::string_view(reinterpret_cast<const char*>(Rx_buf), static_cast<size_t>(iRx)),
                         out);
}

bool writePiece(const ee_buf& ee, size_t from, size_t to) {
    std::string cmd = "ATEE";
    char hex[3];
    for (size_t i = from; i < to; ++i) {
        std::snprintf(hex, sizeof hex, "%02X", ee.buf[i]);
        cmd += hex;
    }
    cmd += '\r';
    return sendCOMMAND(hCom, cmd, kModeCR) == 1 && rxOk();
}

bool control(const char* cmd) {
    return sendCOMMAND(hCom, cmd, kModeCR) == 1 && rxOk();
}

// Looks `sel` up in `list`; a text found is stored into the bits of the word at `offset`.
unsigned updBits(size_t offset, ee_buf& ee, const TextList& list, std::string_view sel, unsigned shift,
                 unsigned mask) {
    const size_t i = listIndex(list, sel);
    if (i < list.size)
        setEeWord(ee, offset, withBits(eeWord(ee, offset), shift, mask, static_cast<unsigned>(i)));
    return static_cast<unsigned>(i);
}

const char* onOff(bool on) {
    return on ? "ABILITATA" : "OFF";
}

} // namespace

bool decodeEeBlock(std::string_view text, ee_buf& out) {
    if (text.size() != kBlockDigits) return false;
    ee_buf tmp{};
    for (size_t i = 0; i < kEeSize; ++i) {
        const int hi = hexDigitValue(text[2 * i]);
        const int lo = hexDigitValue(text[2 * i + 1]);
        if (hi < 0 || lo < 0) return false;
        tmp.buf[i] = static_cast<uint8_t>(hi * 16 + lo);
    }
    out = tmp;
    return true;
}

const TextList Lista_Grandezze_Display = makeList(kDisplay);
const TextList Lista_Sorgenti_dati = makeList(kSources);
const TextList Lista_Sorgenti_datim = makeList(kSourcesM);
const TextList Lista_nodeadd = makeList(kNodeAdd);
const TextList Lista_Baud_Rate = makeList(kBaud);
const TextList Lista_Protocolli = makeList(kProto);
const TextList Lista_allarme_etag = makeList(kAlarm);
const TextList Lista_allarme_inv = makeList(kAlarm);
const uint8_t Display_cnt[16] = {0x10, 0x53, 0x60, 0x60, 0x60, 0x40, 0x40, 0x42,
                                 0x42, 0x30, 0x62, 0x62, 0x52, 0x53, 0x53, 0x60};

void initParcfg() {
    Parcfg = {ParItem{},
              makeParItem(1427, 1, 254, 3),
              makeParItem(1407, 1, 65535, 5),
              makeParItem(1413, 1, 65535, 5),
              makeParItem(1410, 1, 65535, 5),
              makeParItem(1418, 10, 99990, 5),
              makeParItem(1421, 0.1f, 0.9f, 4),
              makeParItem(1424, 0.1f, 0.9f, 4),
              makeParItem(1415, 1000, 5000000, 7),
              makeParItem(1458, 0, 254, 3),
              makeParItem(1473, 1, 254, 3),
              makeParItem(1487, 0, 254, 3)};
}

int testValue(int i, ee_buf& ee) {
    if (i < 0 || static_cast<size_t>(i) >= kParcfgItems) return 0;
    ParItem& p = Parcfg[static_cast<size_t>(i)];
    if (!(p.val >= p.val_min && p.val <= p.val_max)) { // NaN fails both comparisons
        p.val_err = 1;
        return 0;
    }
    p.val_err = 0;
    ee_ram& r = ee.ram;
    const long v = lrintf(p.val);
    switch (i) {
    case kParAddress:
        if (Flag.VKE15 == 1)
            r.Option2 = static_cast<uint16_t>((r.Option2 & 0xFF00) | (v & 0xFF));
        else
            r.MYadd = static_cast<uint16_t>(v);
        break;
    case kParTCA:
        r.TCA = static_cast<uint16_t>(v);
        break;
    case kParNTCA:
        r.NTCA = static_cast<uint16_t>(v);
        break;
    case kParTCM:
        r.TCM = static_cast<uint16_t>(v);
        break;
    case kParKi:
        r.Ki = static_cast<uint16_t>(lrintf(p.val / 10));
        break;
    case kParKco2:
        r.Kco2 = static_cast<uint8_t>(lrintf(100 * p.val));
        break;
    case kParKeur:
        r.Keur = static_cast<uint8_t>(lrintf(100 * p.val));
        break;
    case kParPnom:
        r.Pnom = static_cast<uint32_t>(v);
        break;
    case kParInverters:
        r.ComReg2 = static_cast<uint16_t>((r.ComReg2 & 0xFF00) | (v & 0xFF));
        break;
    case kParFirstInverter:
        r.ComReg2 = static_cast<uint16_t>((r.ComReg2 & 0x00FF) | ((v & 0xFF) << 8));
        break;
    case kParAux:
        r.ComReg = static_cast<uint16_t>((r.ComReg & 0x00FF) | ((v & 0xFF) << 8));
        break;
    default:
        break;
    }
    return 1;
}

void parcfgFromEe(const ee_buf& ee) {
    const ee_ram& r = ee.ram;
    Parcfg[kParAddress].val = static_cast<float>(Flag.VKE15 == 1 ? (r.Option2 & 0xFF) : r.MYadd);
    Parcfg[kParTCA].val = r.TCA;
    Parcfg[kParNTCA].val = r.NTCA;
    Parcfg[kParTCM].val = r.TCM;
    Parcfg[kParKi].val = 10.0f * r.Ki;
    Parcfg[kParKco2].val = r.Kco2 / 100.0f;
    Parcfg[kParKeur].val = r.Keur / 100.0f;
    Parcfg[kParPnom].val = static_cast<float>(r.Pnom);
    Parcfg[kParInverters].val = static_cast<float>(r.ComReg2 & 0xFF);
    Parcfg[kParFirstInverter].val = static_cast<float>(r.ComReg2 >> 8);
    Parcfg[kParAux].val = static_cast<float>(r.ComReg >> 8);
}

int loadParcfg() {
    ee_buf block;
    if (!readBlock(block)) return 1;
    if (sendCOMMAND(hCom, "ATOS\r", kModeCR) != 1 || iRx != 2 ||
        hexDigitValue(static_cast<char>(Rx_buf[0])) < 0 || hexDigitValue(static_cast<char>(Rx_buf[1])) < 0)
        return 1;
    Stato_OP = static_cast<uint8_t>(str16_to_num(reinterpret_cast<const char*>(Rx_buf), 2));
    EE = block;
    parcfgFromEe(EE);
    for (size_t i = 0; i < kParcfgItems; ++i) testValue(static_cast<int>(i));
    return 0;
}

int write_to_MW51a() {
    LastBoardWrite = BoardWriteResult{};
    if (sendCOMMAND(hCom, "ATRD0000\r", kModeCR) != 1) return 1;
    if (writePiece(EE, 0, kFirstPiece)) {
        LastBoardWrite.piecesAcknowledged = 1;
        if (writePiece(EE, kFirstPiece, kEeSize)) LastBoardWrite.piecesAcknowledged = 2;
    }
    // Whatever was acknowledged, the board is asked what it now holds.
    LastBoardWrite.readBack = readBlock(LastBoardWrite.held);
    const bool same = LastBoardWrite.readBack && std::memcmp(LastBoardWrite.held.buf, EE.buf, kEeSize) == 0;
    return LastBoardWrite.piecesAcknowledged == 2 && same ? 0 : 1;
}

std::string differingFields(const ee_buf& wanted, const ee_buf& held) {
    struct Field {
        const char* name;
        size_t from, to;
    };
    static const Field fields[] = {{"Token", 0, 1},     {"MYadd", 1, 3},         {"TCA", 3, 5},
                                   {"NTCA", 5, 7},      {"TCM", 7, 9},           {"Ki", 9, 11},
                                   {"Kco2", 11, 12},    {"Keur", 12, 13},        {"Pnom", 13, 17},
                                   {"ComReg", 17, 19},  {"ComReg2", 19, 21},     {"Option", 21, 23},
                                   {"Option2", 23, 25}, {"Display_gra", 25, 33}, {"N_telefono", 33, 41}};
    std::string out;
    for (const Field& f : fields) {
        if (std::memcmp(wanted.buf + f.from, held.buf + f.from, f.to - f.from) == 0) continue;
        if (!out.empty()) out += ", ";
        out += f.name;
    }
    return out;
}

int commitParams() {
    return control("ATCM12\r") ? 1 : 0;
}
int restoreDefaults() {
    return control("ATCM13\r") ? 1 : 0;
}
int resetBoard() {
    return control("ATCM0F\r") ? 1 : 0;
}
void remoteCommand(int n) {
    sendCOMMAND(hCom, n == 1 ? "ATCM10\r" : "ATCM11\r", kModeCR);
}

const char* boardName() {
    return Flag.VKE15 == 1 ? "VKE15" : "MW51a";
}
std::string boardCommText() {
    return std::string("Errore di comunicazione con ") + boardName() + " !";
}

size_t listIndex(const TextList& list, std::string_view text) {
    for (size_t i = 0; i < list.size; ++i)
        if (text == list[i]) return i;
    return list.size;
}

std::string listText(const TextList& list, unsigned code, bool dropPrefix) {
    if (code >= list.size) return "code " + std::to_string(code);
    std::string_view t = list[code];
    if (dropPrefix && t.size() > 4) t.remove_prefix(4);
    return std::string(t);
}

unsigned upd_Display_gra(ee_buf& ee, std::string_view sel, unsigned d) {
    const size_t i = listIndex(Lista_Grandezze_Display, sel);
    if (i < Lista_Grandezze_Display.size && d < 8)
        ee.ram.Display_gra[d] = static_cast<uint8_t>((ee.ram.Display_gra[d] & 0xF0) | i);
    return static_cast<unsigned>(i);
}
unsigned upd_Option_alaetag(ee_buf& ee, std::string_view sel) {
    return updBits(offsetof(ee_ram, Option), ee, Lista_allarme_etag, sel, 4, 3);
}
unsigned upd_Option_alainv(ee_buf& ee, std::string_view sel) {
    return updBits(offsetof(ee_ram, Option), ee, Lista_allarme_inv, sel, 6, 3);
}
unsigned upd_Option_sorgm(ee_buf& ee, std::string_view sel) {
    return updBits(offsetof(ee_ram, Option), ee, Lista_Sorgenti_datim, sel, 8, 3);
}
unsigned upd_Option_nodeadd(ee_buf& ee, std::string_view sel) {
    return updBits(offsetof(ee_ram, Option), ee, Lista_nodeadd, sel, 10, 3);
}
unsigned upd_ComReg_BaudRate(ee_buf& ee, std::string_view sel) {
    return updBits(offsetof(ee_ram, ComReg), ee, Lista_Baud_Rate, sel, 6, 3);
}
unsigned upd_ComReg_Proto(ee_buf& ee, std::string_view sel) {
    return updBits(offsetof(ee_ram, ComReg), ee, Lista_Protocolli, sel, 0, 15);
}

int sourceDisplay(unsigned index) {
    return index == 3 ? 3 : index == 4 ? 0 : -1;
}

unsigned upd_Option_sorg(Window owner, ee_buf& ee, std::string_view sel) {
    size_t i = listIndex(Lista_Sorgenti_dati, sel);
    if (i >= Lista_Sorgenti_dati.size) return static_cast<unsigned>(i);
    const int d = sourceDisplay(static_cast<unsigned>(i));
    if (d >= 0 && (ee.ram.Display_gra[d] & 15) == 0) {
        messageBox(owner, "Attenzione, il Display " + std::to_string(d) + " non e' abilitato !",
                   "Setup Error", MsgButtons::Ok, MsgIcon::Error);
        i = 0;
    }
    ee.ram.Option = withBits(ee.ram.Option, 0, 7, static_cast<unsigned>(i));
    return static_cast<unsigned>(i);
}

SourceFields enable_cntr_sdati(unsigned source) {
    switch (source) {
    case 0:
        return {false, false, false, false};
    case 1:
        return {true, true, true, true};
    case 2:
        return {true, false, false, true};
    default:
        return {false, true, true, true};
    }
}

unsigned toggleWirelessAux(ee_buf& ee, bool checked) {
    ee.ram.Option = static_cast<uint16_t>(ee.ram.Option & 0x7FFF);
    if (!checked)
        ee.ram.ComReg &= 0x00FF;
    else if ((ee.ram.ComReg >> 8) == 0)
        ee.ram.ComReg = static_cast<uint16_t>((ee.ram.ComReg & 0x00FF) | (250u << 8));
    return ee.ram.ComReg >> 8;
}

int writeParamFile(const std::string& path, const ee_buf& ee) {
    File f = openFile(path, "wb");
    if (!f) return 0;
    if (std::fwrite(kFileMarker, 1, sizeof kFileMarker, f.get()) != sizeof kFileMarker ||
        std::fwrite(ee.buf, 1, kEeSize, f.get()) != kEeSize)
        return 0;
    return std::fclose(f.release()) == 0 ? 1 : 0;
}

int parseParamFile(std::string_view bytes, ee_buf& ee) {
    // The whole file is checked before anything is taken from it.
    if (bytes.size() != kParamFileSize || std::memcmp(bytes.data(), kFileMarker, sizeof kFileMarker) != 0)
        return 2;
    std::memcpy(ee.buf, bytes.data() + sizeof kFileMarker, kEeSize);
    return 3;
}

int readParamFile(const std::string& path, ee_buf& ee) {
    bool ok = false;
    const std::string bytes = readWholeFile(path, ok, kParamFileSize + 1); // one more: too long
    return ok ? parseParamFile(bytes, ee) : 1;
}

namespace {
FileBoxRequest paramFileBox() {
    FileBoxRequest req;
    req.filter = "MW51a Data Files (*.mw1);;All Files (*.*)";
    req.defaultExt = "mw1";
    return req;
}
} // namespace

int save_MW51a_dati(Window owner) {
    FileBoxRequest req = paramFileBox();
    req.askOverwrite = true;
    std::string path;
    if (!ui().saveFileBox(owner, req, path) || path.empty()) return 0;
    return writeParamFile(path, EE);
}

int read_MW51a_dati(Window owner) {
    FileBoxRequest req = paramFileBox();
    req.mustExist = true;
    std::string path;
    if (!ui().openFileBox(owner, req, path) || path.empty()) return 0;
    return readParamFile(path, EE);
}

std::string describeMW51a(const ee_buf& ee) {
    const ee_ram& r = ee.ram;
    std::string s;
    char line[160];
    auto add = [&](const char* fmt, auto... a) {
        std::snprintf(line, sizeof line, fmt, a...);
        s += line;
    };
    add("Potenza nominale impianto FV: %u Wp\r\n", static_cast<unsigned>(r.Pnom));
    add("Tempo di acquisizione dati: %u s\r\n", unsigned{r.TCA});
    add("Tempo di acquisizione medie in memoria: %u s\r\n", unsigned{r.TCM});
    add("Decimazione medie: 1 valore ogni %u dati acquisiti\r\n", unsigned{r.NTCA});
    add("Coefficiente Ki: %u Imp/kWh\r\n", 10u * r.Ki);
    add("Coefficiente Kco2: %.2f kg/kWh\r\n", static_cast<double>(r.Kco2 / 100.0f));
    add("Coefficiente Keur: %.2f euro/kWh\r\n", static_cast<double>(r.Keur / 100.0f));
    add("Indirizzo scheda MW51a: %u\r\n", unsigned{r.MYadd});
    add("Numero di telefono per invio SMS: %s\r\n",
        unzipTel(std::span<const uint8_t, kTelBytes>(r.N_telefono)).c_str());
    add("Allarme rendimento globale: %s\r\n\r\n", listText(Lista_allarme_etag, (r.Option >> 4) & 3).c_str());
    add("Sorgente dati elettrici: %s\r\n", listText(Lista_Sorgenti_dati, r.Option & 7).c_str());
    add("Baud rate: %s\r\n", listText(Lista_Baud_Rate, (r.ComReg >> 6) & 3).c_str());
    add("Protocollo: %s\r\n", listText(Lista_Protocolli, r.ComReg & 15, false).c_str());
    add("Numero di inverter gestiti: %u\r\n", unsigned{r.ComReg2 & 0xFFu});
    add("Indirizzo del primo inverter: %u\r\n", static_cast<unsigned>(r.ComReg2 >> 8));
    add("Allarme inverter: %s\r\n\r\n", listText(Lista_allarme_inv, (r.Option >> 6) & 3).c_str());
    add("Sorgente dati meteo: %s\r\n", listText(Lista_Sorgenti_datim, (r.Option >> 8) & 3).c_str());
    add("Indirizzo stazione meteo: %s\r\n\r\n", listText(Lista_nodeadd, (r.Option >> 10) & 3).c_str());
    const unsigned aux = r.ComReg >> 8;
    if (aux == 0)
        add("Funzione di ricezione dati wireless aux: %s\r\n", "OFF");
    else
        add("Funzione di ricezione dati wireless aux: %s (%u)\r\n", "ABILITATA", aux);
    add("Funzione di auto-spengimento display: %s\r\n", onOff(r.Option & (1u << 3)));
    add("Funzione Energia = Energia/100: %s\r\n\r\n", onOff(r.Option & (1u << 13)));
    for (int d = 7; d >= 0; --d)
        add("Grandezza visualizzata su display %d: %s\r\n", d,
            listText(Lista_Grandezze_Display, r.Display_gra[d] & 15u).c_str());
    return s;
}
