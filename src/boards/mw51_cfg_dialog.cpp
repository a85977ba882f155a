#include "boards/mw51_cfg_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "boards/board_form_dialog.h"
#include "boards/display_board.h"
#include "boards/display_cfg_dialog.h"
#include "boards/energy_board.h"
#include "boards/input_boxes.h"
#include "boards/tel_number.h"
#include "boards/wait_boot.h"
#include "firmware/loader_dialog.h"
#include "link/clock_state.h"
#include "link/korvane_com.h"
#include "platform/clock.h"
#include "platform/text_cp1252.h"
#include "platform/ui_qt_dialog.h"
#include "shell/panel_dialog.h"

namespace {

// Display slot 0..3 of the group shown: its group box, choice and "Dettagli" button.
struct Slot {
    int group, combo, button;
};
constexpr Slot kSlots[4] = {{1405, 1442, 1447}, {1439, 1441, 1446}, {1438, 1440, 1445}, {1406, 1429, 1433}};
constexpr int kTelField = 1471;
constexpr int kBlueGroups[] = {1406, 1438, 1439, 1405, 1452, 1436, 1464};

QColor stateColour(uint8_t s) {
    switch (s) {
    case 0:
        return QColor(0, 255, 0);
    case 2:
        return QColor(0, 127, 0);
    case 5:
        return QColor(200, 0, 0);
    case 6:
        return QColor(255, 192, 0);
    case 7:
        return QColor(255, 0, 0);
    case 8:
        return QColor(127, 127, 0);
    default:
        return QColor(0, 0, 0);
    }
}

int parcfgItem(int id) {
    for (size_t i = 1; i < kParcfgItems; ++i)
        if (Parcfg[i].id == id) return static_cast<int>(i);
    return -1;
}

// Selects the entry `code`; a code beyond the list is shown as its own text.
void selectCode(QComboBox* box, const TextList& list, unsigned code, bool prefix = true) {
    QSignalBlocker block(box);
    if (code < list.size) {
        box->setCurrentIndex(static_cast<int>(code));
    } else {
        const QString t = qtText(listText(list, code, prefix));
        if (box->findText(t) < 0) box->addItem(t);
        box->setCurrentIndex(box->findText(t));
    }
}

} // namespace

std::function<void(QWidget*)>& DlgMW51cfg::firmwareLoader() {
    // The firmware loader (dialog 1900); tests may replace it.
    static std::function<void(QWidget*)> hook = [](QWidget* owner) { runLoaderDialog(owner); };
    return hook;
}

DlgMW51cfg::DlgMW51cfg(QWidget* owner, Mode mode)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), mode_(mode) {
    setObjectName(idName(1400));
    build();
}

QWidget* DlgMW51cfg::control(int id) const {
    return form_.control(id);
}

void DlgMW51cfg::setEnabled(int id, bool on) {
    form_.setEnabled(id, on);
}

void DlgMW51cfg::build() {
    auto* grid = new QGridLayout(this);
    auto label = [this](int id, const char* text) { return form_.label(id, text); };
    auto edit = [this](int id) { return form_.edit(id, [this](int i) { editChanged(i); }); };
    auto combo = [this](int id) { return form_.combo(id, [this](int i) { comboChanged(i); }); };
    auto check = [this](int id, const char* text) { return form_.check(id, text); };
    auto button = [this](int id, const char* text) { return form_.button(id, text); };
    auto group = [this](int id, const char* text) { return form_.group(id, text); };

    // Plant parameters.
    auto* plant = new QGridLayout;
    struct Row {
        int caption;
        const char* text;
        int field;
        int unitId;
        const char* unit;
    } rows[] = {
        {1428, "Indirizzo MW", 1427, 1485, ""},
        {1416, "Potenza nominale", 1415, 1417, "Wp"},
        {1409, "Tempo acq dati", 1407, 1408, "s"},
        {1411, "Tempo acq medie", 1410, 1412, "s"},
        {1414, "Decimazione medie", 1413, 0, ""},
        {1419, "Coefficiente Ki", 1418, 1420, "Imp/kWh"},
        {1422, "Coefficiente Kco2", 1421, 1423, "kg/kWh"},
        {1425, "Coefficiente Keuro", 1424, 1426, "euro/kWh"},
        {1472, "N. tel per invio SMS", kTelField, 0, ""},
    };
    int r = 0;
    for (const Row& row : rows) {
        plant->addWidget(label(row.caption, row.text), r, 0);
        plant->addWidget(edit(row.field), r, 1);
        if (row.unitId) plant->addWidget(label(row.unitId, row.unit), r, 2);
        ++r;
    }
    plant->addWidget(label(1470, "Allarme rendimento globale"), r, 0);
    plant->addWidget(combo(1469), r, 1, 1, 2);
    grid->addLayout(plant, 0, 0);

    // Power and energy data.
    auto* proto = group(1452, "Protocollo dati potenza/energia");
    auto* pg = new QGridLayout(proto);
    pg->addWidget(label(1457, "Sorgente"), 0, 0);
    pg->addWidget(combo(1432), 0, 1);
    pg->addWidget(label(1454, "Baud Rate"), 1, 0);
    pg->addWidget(combo(1453), 1, 1);
    pg->addWidget(label(1456, "Protocollo"), 2, 0);
    pg->addWidget(combo(1455), 2, 1);
    pg->addWidget(label(1459, "Numero di inverter"), 3, 0);
    pg->addWidget(edit(1458), 3, 1);
    pg->addWidget(label(1474, "Indirizzo iniziale"), 4, 0);
    pg->addWidget(edit(1473), 4, 1);
    pg->addWidget(label(1476, "Allarme singolo inverter"), 5, 0);
    pg->addWidget(combo(1475), 5, 1);
    pg->addWidget(check(1486, "Dati wireless aux    <---"), 6, 0);
    pg->addWidget(edit(1487), 6, 1);
    grid->addWidget(proto, 0, 1);

    // Weather station and options.
    auto* meteo = group(1436, "Stazione Meteo");
    auto* mg = new QGridLayout(meteo);
    mg->addWidget(label(1462, "Sorgente"), 0, 0);
    mg->addWidget(combo(1461), 0, 1);
    mg->addWidget(label(1479, "Indirizzo stazione"), 1, 0);
    mg->addWidget(combo(1478), 1, 1);
    auto* options = new QVBoxLayout;
    options->addWidget(meteo);
    options->addWidget(check(1484, "Allarme dispositivi ausiliari"));
    options->addWidget(check(1463, "Auto-OFF display per Pca=0"));
    options->addWidget(check(1483, "Energia = Energia/100"));
    grid->addLayout(options, 0, 2);

    // Displays.
    auto* displays = new QHBoxLayout;
    for (int s = 3; s >= 0; --s) {
        auto* g = group(kSlots[s].group, "");
        auto* v = new QVBoxLayout(g);
        v->addWidget(combo(kSlots[s].combo));
        auto* details = button(kSlots[s].button, "Dettagli");
        connect(details, &QPushButton::clicked, this, [this, s] {
            CodeD = Flag.quaterna + s;
            DlgMW51hcfg dlg(this);
            dlg.run();
        });
        v->addWidget(details);
        displays->addWidget(g);
    }
    auto* flip = check(1482, "7...4");
    displays->addWidget(flip);
    grid->addLayout(displays, 1, 0, 1, 3);

    // Commands.
    auto* remote = group(1464, "Comandi remoti");
    auto* rl = new QHBoxLayout(remote);
    auto* p1 = button(1466, "P1");
    auto* p2 = button(1465, "P2");
    rl->addWidget(p1);
    rl->addWidget(p2);
    auto* bottom = new QGridLayout;
    bottom->addWidget(remote, 0, 0, 2, 1);
    bottom->addWidget(label(1467, "Stato scheda:"), 0, 1);
    state_ = label(1468, "-");
    QFont big = state_->font();
    big.setPointSize(big.pointSize() + 6);
    big.setBold(true);
    state_->setFont(big);
    bottom->addWidget(state_, 1, 1);
    auto* fw = button(1477, "Aggiornamento Firmware");
    auto* reset = button(1460, "Reset");
    auto* deflt = button(1437, "Default");
    auto* save = button(1401, "Save");
    auto* fread = button(1481, "File Read");
    auto* fsave = button(1480, "File Save");
    auto* write = button(1402, "Write");
    auto* read = button(1403, "Read");
    auto* esc = button(1404, "Esc");
    QPushButton* order[] = {fw, reset, deflt, save, fread, fsave, write, read, esc};
    for (int k = 0; k < 9; ++k) bottom->addWidget(order[k], k < 5 ? 0 : 1, 2 + k % 5);
    grid->addLayout(bottom, 2, 0, 1, 3);

    for (int id : kBlueGroups) {
        QPalette p = control(id)->palette();
        p.setColor(QPalette::WindowText, QColor(0, 0, 255));
        control(id)->setPalette(p);
    }

    connect(form_.checks[1463], &QCheckBox::clicked, this, [this](bool on) {
        EE.ram.Option = static_cast<uint16_t>((EE.ram.Option & ~(1u << 3)) | (on ? 1u << 3 : 0));
        setEnabled(1402, true);
    });
    connect(form_.checks[1483], &QCheckBox::clicked, this, [this](bool on) {
        EE.ram.Option = static_cast<uint16_t>((EE.ram.Option & ~(1u << 13)) | (on ? 1u << 13 : 0));
        setEnabled(1402, true);
    });
    connect(form_.checks[1484], &QCheckBox::clicked, this, [this](bool on) {
        EE.ram.Option = static_cast<uint16_t>((EE.ram.Option & ~(1u << 12)) | (on ? 1u << 12 : 0));
        setEnabled(1402, true);
    });
    connect(form_.checks[1486], &QCheckBox::clicked, this, [this](bool on) {
        const unsigned v = toggleWirelessAux(EE, on);
        printing_ = true;
        form_.edits[1487]->setText(QString::number(v));
        printing_ = false;
        Parcfg[kParAux].val = static_cast<float>(v);
        Parcfg[kParAux].val_err = 0;
        paintField(1487);
        setEnabled(1487, on);
        setEnabled(1402, true);
    });
    connect(flip, &QCheckBox::clicked, this, [this](bool on) {
        Flag.quaterna = on ? 4 : 0;
        labelGroups(false);
        print();
    });
    connect(p1, &QPushButton::clicked, this, [this] { remoteClicked(1); });
    connect(p2, &QPushButton::clicked, this, [this] { remoteClicked(2); });
    connect(fw, &QPushButton::clicked, this, [this] {
        if (mode_ == Mode::Checklist) {
            DlgMW51txt txt(this);
            txt.run();
        } else if (firmwareLoader()) {
            firmwareLoader()(this);
        }
    });
    connect(reset, &QPushButton::clicked, this, [this] { restartClicked(false); });
    connect(deflt, &QPushButton::clicked, this, [this] { restartClicked(true); });
    connect(save, &QPushButton::clicked, this, [this] { saveClicked(); });
    connect(fread, &QPushButton::clicked, this, [this] { fileRead(); });
    connect(fsave, &QPushButton::clicked, this, [this] { fileSave(); });
    connect(write, &QPushButton::clicked, this, [this] { writeClicked(); });
    connect(read, &QPushButton::clicked, this, [this] { readClicked(); });
    connect(esc, &QPushButton::clicked, this, [this] { reject(); });
}

void DlgMW51cfg::labelGroups(bool checklist) {
    static const char* const low[4] = {"Display 0 (RS485)", "Display 1  (LAN)", "Display 2 (GSM)",
                                       "Display 3 (RS232)"};
    static const char* const lowChk[4] = {"Display 0 (RS485)", "Display 1 (WEB)", "Display 2 (GSM)",
                                          "Display 3 (RS232)"};
    for (int s = 0; s < 4; ++s) {
        QString t = Flag.quaterna == 0 ? qtText(checklist ? lowChk[s] : low[s])
                                       : QStringLiteral("Display %1").arg(4 + s);
        static_cast<QGroupBox*>(control(kSlots[s].group))->setTitle(t);
    }
}

bool DlgMW51cfg::begin() {
    initParcfg();
    fillCombo(form_.combos[1469], Lista_allarme_etag);
    fillCombo(form_.combos[1432], Lista_Sorgenti_dati);
    fillCombo(form_.combos[1453], Lista_Baud_Rate);
    fillCombo(form_.combos[1455], Lista_Protocolli);
    fillCombo(form_.combos[1475], Lista_allarme_inv);
    fillCombo(form_.combos[1461], Lista_Sorgenti_datim);
    fillCombo(form_.combos[1478], Lista_nodeadd);
    for (const Slot& s : kSlots) fillCombo(form_.combos[s.combo], Lista_Grandezze_Display);
    Flag.quaterna = 0;
    form_.checks[1482]->setChecked(false);

    if (mode_ == Mode::Checklist) {
        setWindowTitle("Valori parametri di configurazione MW51a per checklist");
        static_cast<QPushButton*>(control(1477))->setText("Versione testuale");
        const int r = read_MW51a_dati(windowOf(this));
        if (r != 3) {
            messageBox(windowOf(this), r == 2 ? "File non valido !" : "File non trovato !", "Warning",
                       MsgButtons::Ok, MsgIcon::Warning);
            return false;
        }
        parcfgFromEe(EE);
        print();
        for (int id :
             {1484, 1463, 1483, 1486, 1487, 1464, 1466, 1465, 1460, 1437, 1401, 1481, 1480, 1402, 1403})
            setEnabled(id, false);
        labelGroups(true);
        return true;
    }

    auto* address = static_cast<QLabel*>(control(1428));
    if (Flag.VKE15 == 1) {
        setWindowTitle("Configurazione parametri VKE15");
        address->setText("Indirizzi Dest / My");
        clearRxBuf(hCom);
        static_cast<QLabel*>(control(1485))->setText("/ ?");
        if (sendCOMMAND(hCom, "ATMY\r", kModeCR) == 1 && rxText() != "ERR")
            static_cast<QLabel*>(control(1485))
                ->setText(QStringLiteral("/ %1").arg(str16_to_num(reinterpret_cast<const char*>(Rx_buf), 4)));
    } else {
        const QString base =
            Slave_board == 3 ? "Configurazione parametri MW55a" : "Configurazione parametri MW51a";
        setWindowTitle(base + "/" + slaveBoardName(Slave_board));
        address->setText("Indirizzo MW");
    }
    static_cast<QCheckBox*>(control(1486))->setText("Dati wireless aux    <---");
    static_cast<QLabel*>(control(1476))->setText("Allarme singolo inverter");
    if (loadParcfg() != 0) {
        messageBox(windowOf(this), boardCommText(), "COM Error", MsgButtons::Ok, MsgIcon::Error);
        return false;
    }
    print();
    setEnabled(1402, false);
    setEnabled(1401, false);
    setEnabled(1477, static_cast<bool>(firmwareLoader()));
    labelGroups(false);
    if (Flag.VKE15 == 1) {
        for (int id : {1410, 1411, 1413, 1414, 1421, 1422, 1424, 1425, 1471, 1472, 1469, 1470,
                       1477, 1436, 1461, 1462, 1478, 1479, 1484, 1483, 1486, 1487, 1482})
            setEnabled(id, false);
        for (const Slot& s : kSlots)
            for (int id : {s.group, s.combo, s.button}) setEnabled(id, false);
    }
    return true;
}

int DlgMW51cfg::run() {
    if (!begin()) return 0;
    centreOnScreen(this);
    const int r = exec();
    return mode_ == Mode::Checklist ? 0 : r;
}

void DlgMW51cfg::reject() {
    done(1);
}

void DlgMW51cfg::print() {
    printing_ = true;
    const ee_ram& r = EE.ram;
    auto num = [this](int id, double v, const char* fmt = "%.0f") {
        form_.edits[id]->setText(QString::asprintf(fmt, v));
        paintField(id);
    };
    num(1415, r.Pnom);
    num(1407, r.TCA);
    num(1410, r.TCM);
    num(1413, r.NTCA);
    num(1418, 10.0 * r.Ki);
    num(1427, Flag.VKE15 == 1 ? (r.Option2 & 0xFF) : r.MYadd);
    num(1458, r.ComReg2 & 0xFF);
    num(1473, r.ComReg2 >> 8);
    num(1487, r.ComReg >> 8);
    num(1421, r.Kco2 / 100.0f, "%.2f");
    num(1424, r.Keur / 100.0f, "%.2f");
    const bool checklist = mode_ == Mode::Checklist;
    for (int s = 0; s < 4; ++s) {
        const unsigned code = r.Display_gra[Flag.quaterna + s] & 15u;
        selectCode(form_.combos[kSlots[s].combo], Lista_Grandezze_Display, code);
        if (!(Flag.VKE15 == 1 && !checklist)) {
            setEnabled(kSlots[s].group, code != 0);
            setEnabled(kSlots[s].button, code != 0 && !checklist);
        }
    }
    selectCode(form_.combos[1432], Lista_Sorgenti_dati, r.Option & 7u);
    enableSourceFields(r.Option & 7u);
    selectCode(form_.combos[1453], Lista_Baud_Rate, (r.ComReg >> 6) & 3u);
    selectCode(form_.combos[1455], Lista_Protocolli, r.ComReg & 15u, false);
    selectCode(form_.combos[1475], Lista_allarme_inv, (r.Option >> 6) & 3u);
    selectCode(form_.combos[1461], Lista_Sorgenti_datim, (r.Option >> 8) & 3u);
    if (Flag.VKE15 == 0) {
        setEnabled(1478, ((r.Option >> 8) & 3u) != 0);
        setEnabled(1479, ((r.Option >> 8) & 3u) != 0);
    }
    selectCode(form_.combos[1478], Lista_nodeadd, (r.Option >> 10) & 3u);
    selectCode(form_.combos[1469], Lista_allarme_etag, (r.Option >> 4) & 3u);
    form_.edits[kTelField]->setText(qtText(unzip_Ntel()));
    form_.checks[1484]->setChecked(r.Option & (1u << 12));
    form_.checks[1463]->setChecked(r.Option & (1u << 3));
    form_.checks[1483]->setChecked(r.Option & (1u << 13));
    const bool aux = (r.ComReg >> 8) != 0;
    form_.checks[1486]->setChecked(aux);
    if (!checklist && Flag.VKE15 == 0) setEnabled(1487, aux);
    if (checklist) setEnabled(1487, false);
    state_->setText(Nome_stato_operativo(Stato_OP & 15u));
    QPalette p = state_->palette();
    p.setColor(QPalette::WindowText, stateColour(Stato_OP));
    state_->setPalette(p);
    if (Flag.quaterna == 0) labelGroups(false);
    printing_ = false;
}

void DlgMW51cfg::enableSourceFields(unsigned source) {
    const SourceFields f = enable_cntr_sdati(source);
    for (int id : {1453, 1454}) setEnabled(id, f.baud);
    for (int id : {1455, 1456}) setEnabled(id, f.protocol);
    for (int id : {1458, 1459}) setEnabled(id, f.inverters);
    for (int id : {1473, 1474, 1475, 1476}) setEnabled(id, f.firstAddress);
}

void DlgMW51cfg::paintField(int id) {
    const int i = parcfgItem(id);
    paintInvalid(form_.edits[id], i > 0 && Parcfg[static_cast<size_t>(i)].val_err == 1);
}

void DlgMW51cfg::editChanged(int id) {
    if (printing_ || mode_ == Mode::Checklist) return;
    QLineEdit* e = form_.edits[id];
    if (id == kTelField) {
        const std::string typed = utf8ToCp1252(e->text().toStdString());
        const std::string kept = telFieldText(typed);
        if (kept != typed) {
            QSignalBlocker block(e);
            e->setText(qtText(kept));
        }
        zip_Ntel(kept);
    }
    const int i = parcfgItem(id);
    bool failed = false;
    if (i > 0 && e->hasFocus()) {
        ParItem& item = Parcfg[static_cast<size_t>(i)];
        const std::string text = fieldTextCut(e, static_cast<size_t>(item.n_dec));
        item.val = inputValue(text);
        failed = testValue(i) != 1;
        paintField(id);
    }
    if (failed) {
        setEnabled(1402, false);
        setEnabled(1401, false);
    } else if (e->hasFocus()) {
        setEnabled(1402, true);
    }
}

void DlgMW51cfg::comboChanged(int id) {
    if (mode_ == Mode::Checklist) return;
    QComboBox* box = form_.combos[id];
    const std::string sel = comboText(box);
    for (int s = 0; s < 4; ++s) {
        if (kSlots[s].combo != id) continue;
        const unsigned code = upd_Display_gra(EE, sel, Flag.quaterna + static_cast<unsigned>(s));
        setEnabled(kSlots[s].group, code != 0);
        setEnabled(kSlots[s].button, code != 0);
    }
    switch (id) {
    case 1432: {
        const unsigned i = upd_Option_sorg(windowOf(this), EE, sel);
        if (i == 0) {
            QSignalBlocker block(box);
            box->setCurrentIndex(0);
        }
        enableSourceFields(i);
        break;
    }
    case 1461: {
        const bool on = upd_Option_sorgm(EE, sel) != 0;
        setEnabled(1478, on);
        setEnabled(1479, on);
        break;
    }
    case 1453:
        upd_ComReg_BaudRate(EE, sel);
        break;
    case 1455:
        upd_ComReg_Proto(EE, sel);
        break;
    case 1469:
        upd_Option_alaetag(EE, sel);
        break;
    case 1475:
        upd_Option_alainv(EE, sel);
        break;
    case 1478:
        upd_Option_nodeadd(EE, sel);
        break;
    default:
        break;
    }
    setEnabled(1402, true);
}

void DlgMW51cfg::readClicked() {
    setEnabled(1403, false);
    if (loadParcfg() != 0)
        messageBox(windowOf(this), boardCommText(), "COM Error", MsgButtons::Ok, MsgIcon::Error);
    else
        print();
    setEnabled(1403, true);
}

void DlgMW51cfg::writeClicked() {
    if (write_to_MW51a() != 0) {
        std::string text = boardCommText();
        if (LastBoardWrite.readBack) {
            const std::string diff = differingFields(EE, LastBoardWrite.held);
            if (!diff.empty()) text += "\r\n(Valori diversi sulla scheda: " + diff + ")";
        }
        messageBox(windowOf(this), text, "COM Error", MsgButtons::Ok, MsgIcon::Error);
        return;
    }
    sendDisplayQuantities(windowOf(this));
    if (Slave_board == 3) sendMw55Registers(form_.checks[1483]->isChecked());
    setEnabled(1402, false);
    setEnabled(1401, true);
}

void DlgMW51cfg::saveClicked() {
    if (messageBox(windowOf(this),
                   std::string("Salvare in modo non volatile i valori attuali dei parametri di ") +
                       boardName() + " ?",
                   "Question", MsgButtons::YesNo, MsgIcon::Warning) != MsgAnswer::Yes)
        return;
    if (commitParams() == 1)
        setEnabled(1401, false);
    else
        messageBox(windowOf(this), "Errore nel salvataggio dei parametri in EEPROM !", "COM Error",
                   MsgButtons::Ok, MsgIcon::Error);
}

void DlgMW51cfg::restartClicked(bool defaults) {
    if (defaults &&
        messageBox(windowOf(this),
                   std::string("Ripristinare i parametri di default originari di ") + boardName() + " ?",
                   "Question", MsgButtons::YesNo, MsgIcon::Warning) != MsgAnswer::Yes)
        return;
    const bool sent = defaults ? restoreDefaults() == 1 : resetBoard() == 1;
    if (sent && wait_boot(windowOf(this), 0) == 1) {
        readClicked();
        return;
    }
    messageBox(windowOf(this),
               defaults ? "Errore nel ripristino dei parametri di default !"
                        : "Errore nel ripristino da Reset !",
               "COM Error", MsgButtons::Ok, MsgIcon::Error);
}

void DlgMW51cfg::remoteClicked(int n) {
    const int id = n == 1 ? 1466 : 1465;
    setEnabled(id, false);
    remoteCommand(n);
    sleepMs(500);
    setEnabled(id, true);
    readClicked();
}

void DlgMW51cfg::fileRead() {
    const int r = read_MW51a_dati(windowOf(this));
    if (r == 3) {
        parcfgFromEe(EE);
        for (size_t i = 0; i < kParcfgItems; ++i) testValue(static_cast<int>(i));
        print();
        setEnabled(1402, true); // the set read from the file can be written to the board
        return;
    }
    messageBox(windowOf(this), r == 2 ? "File non valido !" : "File non trovato !", "Warning", MsgButtons::Ok,
               MsgIcon::Warning);
}

void DlgMW51cfg::fileSave() {
    if (save_MW51a_dati(windowOf(this)) == 0)
        messageBox(windowOf(this), "Dati non salvati nel file d'uscita !", "Warning", MsgButtons::Ok,
                   MsgIcon::Warning);
}

DlgMW51txt::DlgMW51txt(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName(idName(2100));
    setWindowTitle("Descrizione configurazione parametri MW51a");
    auto* text = new QPlainTextEdit(this);
    text->setObjectName(idName(2101));
    text->setReadOnly(true);
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setFixedPitch(true);
    text->setFont(fixed);
    text->setPlainText(qtText(describeMW51a(EE)));
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(text);
    resize(560, 600);
}

int DlgMW51txt::run() {
    centreOnScreen(this);
    return exec();
}

QWidget* DlgMW51txt::control(int id) const {
    return findChild<QWidget*>(idName(id));
}

int DlgMW51chk(QWidget* owner) {
    DlgMW51cfg dlg(owner, DlgMW51cfg::Mode::Checklist);
    return dlg.run();
}
