// The energy board's parameter block: layout, range check, telephone packing, choice lists, the
// parameter file and the description text, against the golden bytes of board-params.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>

#include "boards/energy_board.h"
#include "boards/param_edit.h"
#include "boards/tel_number.h"
#include "support/env_guard.h"
#include "support/fixture.h"
#include "support/state_guard.h"

namespace {

ee_buf fixtureSet(const std::string& name) {
    const std::string bytes = readFileBytes(fixturePath("board-params/" + name));
    ee_buf ee{};
    EXPECT_EQ(bytes.size(), kEeSize) << name;
    std::memcpy(ee.buf, bytes.data(), std::min(bytes.size(), kEeSize));
    return ee;
}

std::string bytesOf(const ee_buf& ee) {
    return std::string(reinterpret_cast<const char*>(ee.buf), kEeSize);
}

class EnergyBoard : public KorvaneTest {
  protected:
    void SetUp() override {
        KorvaneTest::SetUp();
        initParcfg();
    }
    // Types `val` into item i of a fresh block; the block afterwards.
    int type(int i, float val, ee_buf& ee) {
        Parcfg[static_cast<size_t>(i)].val = val;
        return testValue(i, ee);
    }
};

TEST_F(EnergyBoard, BlockFieldsSitAtTheirOffsetsLittleEndian) {
    // Hand-made block: every multi-byte field holds a value whose bytes differ.
    uint8_t raw[kEeSize] = {0x96, 0x17, 0x01, 0x0F, 0x02, 0x04, 0x03, 0x58, 0x04, 0xA0, 0x05, 0x2F, 0x24,
                            0x5C, 0xC1, 0x06, 0x07, 0x62, 0x08, 0x05, 0x0B, 0xB9, 0x46, 0x09, 0x33};
    ee_buf ee{};
    std::memcpy(ee.buf, raw, sizeof raw);
    EXPECT_EQ(+ee.ram.Token, 0x96);
    EXPECT_EQ(+ee.ram.MYadd, 0x0117);
    EXPECT_EQ(+ee.ram.TCA, 0x020F);
    EXPECT_EQ(+ee.ram.NTCA, 0x0304);
    EXPECT_EQ(+ee.ram.TCM, 0x0458);
    EXPECT_EQ(+ee.ram.Ki, 0x05A0);
    EXPECT_EQ(+ee.ram.Kco2, 0x2F);
    EXPECT_EQ(+ee.ram.Keur, 0x24);
    EXPECT_EQ(+ee.ram.Pnom, 0x0706C15Cu);
    EXPECT_EQ(+ee.ram.ComReg, 0x0862);
    EXPECT_EQ(+ee.ram.ComReg2, 0x0B05);
    EXPECT_EQ(+ee.ram.Option, 0x46B9);
    EXPECT_EQ(+ee.ram.Option2, 0x3309);
}

TEST_F(EnergyBoard, RangeCheckLimitsRoundingAndRefusals) {
    struct Case {
        int item;
        float val;
        int accepted;
        size_t offset;   // first byte of the target
        uint32_t stored; // the target's value after an accepted value (bytes little-endian)
        size_t size;
    } cases[] = {
        {kParAddress, 1, 1, 1, 1, 2},     {kParAddress, 254, 1, 1, 254, 2},
        {kParAddress, 255, 0, 1, 0, 2},   {kParAddress, 0, 0, 1, 0, 2},
        {kParTCA, 65535, 1, 3, 65535, 2}, {kParTCM, 900.5f, 1, 7, 900, 2},
        {kParTCM, 901.5f, 1, 7, 902, 2},  {kParKi, 10, 1, 9, 1, 2},
        {kParKi, 12.5f, 1, 9, 1, 2},      {kParKi, 1665, 1, 9, 166, 2},
        {kParKi, 99990, 1, 9, 9999, 2},   {kParKi, 99995, 0, 9, 0, 2},
        {kParKco2, 0.09f, 0, 11, 0, 1},   {kParKco2, 0.1f, 1, 11, 10, 1},
        {kParKco2, 0.9f, 1, 11, 90, 1},   {kParKeur, 0.29f, 1, 12, 29, 1},
        {kParPnom, 999.5f, 0, 13, 0, 4},  {kParPnom, 5000000, 1, 13, 5000000, 4},
        {kParInverters, 0, 1, 19, 0, 1},  {kParFirstInverter, 254, 1, 20, 254, 1},
        {kParAux, 250, 1, 18, 250, 1},    {kParPnom, NAN, 0, 13, 0, 4},
    };
    for (const auto& c : cases) {
        ee_buf ee{};
        EXPECT_EQ(type(c.item, c.val, ee), c.accepted) << c.item << " " << c.val;
        EXPECT_EQ(Parcfg[static_cast<size_t>(c.item)].val_err, c.accepted ? 0 : 1);
        uint32_t v = 0;
        for (size_t k = 0; k < c.size; ++k) v |= static_cast<uint32_t>(ee.buf[c.offset + k]) << (8 * k);
        EXPECT_EQ(v, c.stored) << c.item << " " << c.val;
        if (!c.accepted) {
            EXPECT_EQ(bytesOf(ee), std::string(kEeSize, '\0')) << "a refused value changes nothing";
        }
    }
    // Ki 12.5 is stored as 1 and shows as 10 when read again.
    ee_buf ee{};
    type(kParKi, 12.5f, ee);
    parcfgFromEe(ee);
    EXPECT_EQ(Parcfg[kParKi].val, 10.0f);
}

TEST_F(EnergyBoard, InterfaceBoardAddressGoesIntoOption2) {
    Flag.VKE15 = 1;
    ee_buf ee = fixtureSet("vke15-site.bin");
    const ee_buf before = ee;
    type(kParAddress, 33, ee);
    EXPECT_EQ(+ee.ram.Option2, 0xA521);
    EXPECT_EQ(+ee.ram.MYadd, +before.ram.MYadd);
}

TEST_F(EnergyBoard, TelephoneNumberPacksTwoCharactersAByte) {
    struct Case {
        const char* text;
        std::vector<uint8_t> bytes; // the eight bytes, starting from all 0x11
    } cases[] = {
        {"+39055", {0xA3, 0x90, 0x55, 0xF0, 0x11, 0x11, 0x11, 0x11}},
        {"+39", {0xA3, 0x9F, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11}},
        {"", {0xF0, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11}},
        {"0041916543210987", {0x00, 0x41, 0x91, 0x65, 0x43, 0x21, 0x09, 0x87}},
        {"00419165432109871", {0x00, 0x41, 0x91, 0x65, 0x43, 0x21, 0x09, 0x87}},
    };
    for (const auto& c : cases) {
        std::memset(EE.ram.N_telefono, 0x11, kTelBytes);
        zip_Ntel(c.text);
        EXPECT_EQ(std::vector<uint8_t>(EE.ram.N_telefono, EE.ram.N_telefono + 8), c.bytes) << c.text;
        EXPECT_EQ(unzip_Ntel(), std::string(c.text).substr(0, 16));
    }
    EXPECT_EQ(char_zip('+'), 10);
    EXPECT_EQ(char_unzip(10), '+');
    EXPECT_EQ(char_unzip(11), '\0');
    // The field: a letter empties it, 17 characters are cut to 16.
    EXPECT_EQ(telFieldText("+39a"), "");
    EXPECT_EQ(telFieldText("12345678901234567"), "1234567890123456");
    EXPECT_EQ(telFieldText("+390612"), "+390612");
}

TEST_F(EnergyBoard, ChoicesStoreTheirBitsAndTheSourceNeedsItsDisplay) {
    ee_buf ee{};
    EXPECT_EQ(upd_ComReg_BaudRate(ee, "2 - 38400"), 2u);
    EXPECT_EQ(upd_ComReg_Proto(ee, "PROTO_3"), 3u);
    EXPECT_EQ(+ee.ram.ComReg, 0x0083);
    EXPECT_EQ(upd_Option_nodeadd(ee, "3 - 251"), 3u);
    EXPECT_EQ(upd_Option_alainv(ee, "nothing"), 4u); // not in the list: nothing stored
    EXPECT_EQ(+ee.ram.Option, 0x0C00);
    EXPECT_EQ(upd_Display_gra(ee, "F -", 5), 15u);
    EXPECT_EQ(+ee.ram.Display_gra[5], 0x0F);

    // Source RS232 (Com3) with display 3 off falls back to the pulse input, with a warning.
    EXPECT_EQ(upd_Option_sorg(nullptr, ee, "3 - RS232 (Com3)"), 0u);
    ASSERT_EQ(ui_.shown.size(), 1u);
    EXPECT_EQ(ui_.shown[0].text, "Attenzione, il Display 3 non e' abilitato !");
    EXPECT_EQ(ui_.shown[0].title, "Setup Error");
    EXPECT_EQ(+ee.ram.Option & 7, 0);
    ee.ram.Display_gra[0] = 0x21;
    EXPECT_EQ(upd_Option_sorg(nullptr, ee, "4 - RS485 (Com0)"), 4u);
    EXPECT_EQ(+ee.ram.Option & 7, 4);
    EXPECT_EQ(ui_.shown.size(), 1u);

    const SourceFields wireless = enable_cntr_sdati(2);
    EXPECT_TRUE(wireless.baud && !wireless.protocol && !wireless.inverters && wireless.firstAddress);

    // Ticking the wireless-aux box from 0 shows 250 and clears bit 15; unticking clears the value.
    ee.ram.Option |= 0x8000;
    EXPECT_EQ(toggleWirelessAux(ee, true), 250u);
    EXPECT_EQ(+ee.ram.Option & 0x8000, 0);
    ee.ram.ComReg = 0x2583;
    EXPECT_EQ(toggleWirelessAux(ee, true), 0x25u);
    EXPECT_EQ(toggleWirelessAux(ee, false), 0u);
    EXPECT_EQ(+ee.ram.ComReg, 0x0083);
}

TEST_F(EnergyBoard, DescriptionMatchesTheGoldenTexts) {
    for (const char* name : {"mw51a-farm", "mw51a-wireless", "vke15-site"}) {
        const ee_buf ee = fixtureSet(std::string(name) + ".bin");
        EXPECT_EQ(describeMW51a(ee),
                  readFileBytes(fixturePath(std::string("board-params/expected/") + name + ".txt")))
            << name;
    }
}

TEST_F(EnergyBoard, DescriptionNamesCodesBeyondTheLists) {
    ee_buf ee = fixtureSet("mw51a-farm.bin");
    ee.ram.Option = static_cast<uint16_t>((ee.ram.Option & ~7u) | 6u);
    ee.ram.ComReg = static_cast<uint16_t>((ee.ram.ComReg & ~15u) | 9u);
    ee.ram.Display_gra[0] = 0x0F;
    const std::string t = describeMW51a(ee);
    EXPECT_NE(t.find("Sorgente dati elettrici: code 6\r\n"), std::string::npos);
    EXPECT_NE(t.find("Protocollo: code 9\r\n"), std::string::npos);
    EXPECT_NE(t.find("Grandezza visualizzata su display 0: F -\r\n"), std::string::npos);
}

TEST_F(EnergyBoard, ParameterFileRoundTripsAndRefusesBadFiles) {
    TempDir dir;
    for (const char* name : {"mw51a-farm", "mw51a-wireless", "vke15-site"}) {
        const ee_buf ee = fixtureSet(std::string(name) + ".bin");
        const std::string path = dir.file(std::string(name) + ".mw1");
        ASSERT_EQ(writeParamFile(path, ee), 1);
        EXPECT_EQ(readFileBytes(path),
                  readFileBytes(fixturePath(std::string("board-params/expected/") + name + ".mw1")));
        ee_buf back{};
        EXPECT_EQ(readParamFile(path, back), 3);
        EXPECT_EQ(bytesOf(back), bytesOf(ee));
    }
    const std::string good = readFileBytes(fixturePath("board-params/expected/mw51a-farm.mw1"));
    std::string wrongMarker = good;
    wrongMarker[8] = '1';
    struct Case {
        const char* what;
        std::string bytes;
    } bad[] = {
        {"51 bytes", good + '\0'}, {"49 bytes", good.substr(0, 49)}, {"marker", wrongMarker}, {"empty", ""}};
    for (const auto& c : bad) {
        const std::string path = dir.file("bad.mw1");
        std::ofstream(path, std::ios::binary) << c.bytes;
        ee_buf ee{};
        std::memset(ee.buf, 0x77, kEeSize);
        EXPECT_EQ(readParamFile(path, ee), 2) << c.what;
        EXPECT_EQ(bytesOf(ee), std::string(kEeSize, '\x77')) << c.what << ": nothing taken from a bad file";
    }
    ee_buf ee{};
    EXPECT_EQ(readParamFile(dir.file("missing.mw1"), ee), 1);
    EXPECT_EQ(writeParamFile(dir.file("no/such/dir.mw1"), ee), 0);
}

TEST_F(EnergyBoard, FileBoxesUseTheParameterFilter) {
    TempDir dir;
    EE = fixtureSet("mw51a-farm.bin");
    ui_.filePath(dir.file("a.mw1"));
    EXPECT_EQ(save_MW51a_dati(nullptr), 1);
    ASSERT_EQ(ui_.fileBoxes.size(), 1u);
    EXPECT_EQ(ui_.fileBoxes[0].defaultExt, "mw1");
    EXPECT_TRUE(ui_.fileBoxes[0].askOverwrite);
    EE = ee_buf{};
    ui_.filePath(dir.file("a.mw1"));
    EXPECT_EQ(read_MW51a_dati(nullptr), 3);
    EXPECT_EQ(bytesOf(EE), bytesOf(fixtureSet("mw51a-farm.bin")));
    ui_.fileCancel();
    EXPECT_EQ(read_MW51a_dati(nullptr), 0);
}

// The edits of board-params/edits.json: values typed by name, the stored bytes or a refusal.
TEST_F(EnergyBoard, NamedEditsGiveTheGoldenBytes) {
    struct Case {
        const char* id;
        const char* set;
        bool vke15;
        std::vector<std::string> values;
        std::vector<std::string> refused;
        const char* line; // the description line afterwards (nullptr: not checked)
    } cases[] = {
        {"ki-1665", "mw51a-farm", false, {"Coefficiente Ki=1665"}, {}, "Coefficiente Ki: 1660 Imp/kWh"},
        {"tcm-900.5",
         "mw51a-farm",
         false,
         {"Tempo di acquisizione medie in memoria=900.5"},
         {},
         "Tempo di acquisizione medie in memoria: 900 s"},
        {"kco2-lowest",
         "mw51a-farm",
         false,
         {"Coefficiente Kco2=0.10"},
         {},
         "Coefficiente Kco2: 0.10 kg/kWh"},
        {"pnom-highest",
         "mw51a-farm",
         false,
         {"Potenza nominale impianto FV=5000000"},
         {},
         "Potenza nominale impianto FV: 5000000 Wp"},
        {"pnom-999.5",
         "mw51a-farm",
         false,
         {"Potenza nominale impianto FV=999.5"},
         {"Potenza nominale impianto FV"},
         nullptr},
        {"ki-99995", "mw51a-farm", false, {"Coefficiente Ki=99995"}, {"Coefficiente Ki"}, nullptr},
        {"keur-0.29",
         "mw51a-wireless",
         false,
         {"Coefficiente Keur=0.29"},
         {},
         "Coefficiente Keur: 0.29 euro/kWh"},
        {"aux-0",
         "mw51a-wireless",
         false,
         {"Funzione di ricezione dati wireless aux=0"},
         {},
         "Funzione di ricezione dati wireless aux: OFF"},
        {"one-bad-among-good",
         "mw51a-wireless",
         false,
         {"Decimazione medie=8", "Coefficiente Ki=9.5"},
         {"Coefficiente Ki"},
         nullptr},
        {"tel-12",
         "mw51a-wireless",
         false,
         {"Numero di telefono per invio SMS=+39051234567"},
         {},
         "Numero di telefono per invio SMS: +39051234567"},
        {"vke15-tel-7",
         "vke15-site",
         true,
         {"Numero di telefono per invio SMS=+390212"},
         {},
         "Numero di telefono per invio SMS: +390212"},
        {"vke15-address", "vke15-site", true, {"Indirizzo scheda MW51a=33"}, {}, nullptr},
    };
    for (const auto& c : cases) {
        Flag.VKE15 = c.vke15 ? 1 : 0;
        ee_buf ee = fixtureSet(std::string(c.set) + ".bin");
        std::vector<ParamRefusal> refused;
        EXPECT_EQ(applyParamEdits(ee, c.values, refused), c.refused.empty()) << c.id;
        std::vector<std::string> names;
        for (const auto& r : refused) names.push_back(r.name);
        EXPECT_EQ(names, c.refused) << c.id;
        EXPECT_EQ(bytesOf(ee),
                  readFileBytes(fixturePath(std::string("board-params/expected/edits/") + c.id + ".bin")))
            << c.id;
        if (c.line) {
            EXPECT_NE(describeMW51a(ee).find(std::string(c.line) + "\r\n"), std::string::npos) << c.id;
        }
    }
}

TEST_F(EnergyBoard, NamedEditsOfChoicesFlagsAndDisplays) {
    ee_buf ee = fixtureSet("mw51a-farm.bin");
    std::vector<ParamRefusal> refused;
    ASSERT_TRUE(applyParamEdits(ee,
                                {"Baud rate=57600", "Protocollo=PROTO_1", "Indirizzo stazione meteo=251",
                                 "Funzione Energia = Energia/100=ABILITATA",
                                 "Grandezza visualizzata su display 5=2", "Allarme inverter=OFF"},
                                refused));
    const std::string t = describeMW51a(ee);
    for (const char* line :
         {"Baud rate: 57600", "Protocollo: PROTO_1", "Indirizzo stazione meteo: 251",
          "Funzione Energia = Energia/100: ABILITATA",
          "Grandezza visualizzata su display 5: Energia attiva (kWh)", "Allarme inverter: OFF"})
        EXPECT_NE(t.find(std::string(line) + "\r\n"), std::string::npos) << line;

    // Every refusal is named; nothing changes.
    const ee_buf before = ee;
    EXPECT_FALSE(applyParamEdits(ee,
                                 {"Baud rate=1234", "Numero di telefono per invio SMS=+39x", "Nome=1",
                                  "Potenza nominale impianto FV=12345678", "Coefficiente Ki"},
                                 refused));
    ASSERT_EQ(refused.size(), 5u);
    EXPECT_EQ(refused[3].reason, "more than 7 characters");
    EXPECT_EQ(bytesOf(ee), bytesOf(before));

    // The source on display 3's line needs display 3 on, in any order of the assignments.
    ee.ram.Display_gra[3] = 0x20;
    EXPECT_FALSE(applyParamEdits(ee, {"Sorgente dati elettrici=RS232 (Com3)"}, refused));
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused[0].name, "Sorgente dati elettrici");
    EXPECT_TRUE(
        applyParamEdits(ee, {"Sorgente dati elettrici=3", "Grandezza visualizzata su display 3=1"}, refused));
    EXPECT_EQ(+ee.ram.Option & 7, 3);
}

} // namespace
