#include "boards/display_cfg_dialog.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "boards/board_form_dialog.h"
#include "boards/display_board.h"
#include "boards/input_boxes.h"
#include "boards/wait_boot.h"
#include "platform/clock.h"
#include "platform/text_cp1252.h"
#include "platform/ui_qt_dialog.h"
#include "shell/korvane.h"
#include "shell/panel_dialog.h"

namespace {

constexpr int kWrite = 1509, kSave = 1508, kRead = 1510;
const char* const kI2cError = "Errore di comunicazione con la scheda slave I2C !";

int parcfghItem(int id) {
    for (size_t i = 0; i < kParcfghItems; ++i)
        if (Parcfgh[i].id == id) return static_cast<int>(i);
    return -1;
}

void setBit(uint8_t& reg, unsigned bit, bool on) {
    reg = static_cast<uint8_t>((reg & ~(1u << bit)) | (on ? 1u << bit : 0u));
}

Qt::WindowFlags dialogFlags() {
    return Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
}

} // namespace

DlgMW51hcfg::DlgMW51hcfg(QWidget* owner) : QDialog(owner, dialogFlags()) {
    setObjectName(idName(1500));
    auto* g = new QGridLayout(this);
    auto label = [this](int id, const char* text) { return form_.label(id, text); };
    auto edit = [this](int id) { return form_.edit(id, [this](int i) { editChanged(i); }); };
    auto combo = [this](int id) {
        return form_.combo(id, [this](int i) {
            const std::string sel = comboText(form_.combos[i]);
            if (i == 1505) upd_Option_BaudRateh(sel, CodeD);
            if (i == 1522) upd_Option_ColDid(sel, CodeD);
            if (i == 1521) upd_Option2_ColGra(sel, CodeD);
            if (i == 1525) upd_Option3_Mode(sel);
            setEnabled(kWrite, true);
        });
    };
    auto check = [this](int id, const char* text) { return form_.check(id, text); };
    auto button = [this](int id, const char* text) { return form_.button(id, text); };
    g->addWidget(label(1503, "Numero cifre"), 0, 0);
    g->addWidget(edit(1501), 0, 1);
    g->addWidget(combo(1521), 0, 2);
    g->addWidget(label(1517, "(1...6)"), 0, 3);
    g->addWidget(label(1504, "Posizione punto decimale"), 1, 0);
    g->addWidget(edit(1502), 1, 1);
    g->addWidget(label(1518, "(0...6)"), 1, 3);
    g->addWidget(label(1513, "Luminosit\xE0 display"), 2, 0);
    g->addWidget(edit(1512), 2, 1);
    g->addWidget(label(1519, "(0...255)"), 2, 3);
    g->addWidget(label(1506, "Baud Rate"), 3, 0);
    g->addWidget(combo(1505), 3, 1);
    g->addWidget(label(1523, "Colore didascalia"), 4, 0);
    g->addWidget(combo(1522), 4, 1);
    g->addWidget(label(1524, "Mode"), 5, 0);
    g->addWidget(combo(1525), 5, 1);
    g->addWidget(label(1526, "Scansione"), 6, 0);
    g->addWidget(edit(1527), 6, 1);
    g->addWidget(label(1529, "s"), 6, 2);
    g->addWidget(check(1528, "OFF"), 6, 3);
    g->addWidget(check(1514, "Display OFF"), 7, 0);
    g->addWidget(check(1515, "Auto Lum"), 7, 1);
    g->addWidget(check(1516, "Blinking"), 7, 2);
    g->addWidget(check(1530, "Night OFF"), 7, 3);
    int col = 0;
    for (auto [id, text] : {std::pair{1520, "Reset"},
                            {1507, "Default"},
                            {kSave, "Save"},
                            {kWrite, "Write"},
                            {kRead, "Read"},
                            {1511, "Esc"}})
        g->addWidget(button(id, text), 8 + col / 3, col % 3), ++col;

    for (auto [id, bit] : {std::pair{1514, 5u}, {1515, 6u}, {1516, 7u}})
        connect(form_.checks[id], &QCheckBox::clicked, this, [this, bit](bool on) {
            setBit(MW51h[static_cast<size_t>(CodeD)].Option, bit, on);
            setEnabled(kWrite, true);
        });
    connect(form_.checks[1530], &QCheckBox::clicked, this, [this](bool on) {
        setBit(Option3[0], 5, on);
        setEnabled(kWrite, true);
    });
    connect(form_.checks[1528], &QCheckBox::clicked, this, [this](bool on) {
        setBit(Option3[0], 3, on);
        print();
        setEnabled(kWrite, true);
    });
    connect(static_cast<QPushButton*>(control(kRead)), &QPushButton::clicked, this,
            [this] { readClicked(); });
    connect(static_cast<QPushButton*>(control(kWrite)), &QPushButton::clicked, this,
            [this] { writeClicked(); });
    connect(static_cast<QPushButton*>(control(kSave)), &QPushButton::clicked, this, [this] {
        if (messageBox(windowOf(this), "Salvare i valori attuali dei parametri in modo non volatile ?",
                       "Question", MsgButtons::YesNo, MsgIcon::Question) != MsgAnswer::Yes)
            return;
        if (storeDisplay(CodeD) == 1)
            setEnabled(kSave, false);
        else
            commError();
    });
    connect(static_cast<QPushButton*>(control(1507)), &QPushButton::clicked, this, [this] {
        if (messageBox(windowOf(this), "Ripristinare i parametri di default originari ?", "Question",
                       MsgButtons::YesNo, MsgIcon::Question) != MsgAnswer::Yes)
            return;
        if (defaultDisplay(CodeD) != 1) return commError();
        messageBox(windowOf(this),
                   "Parametri ripristinati con successo \n\r!!! Attendere qualche secondo !!!", "Info",
                   MsgButtons::Ok, MsgIcon::Info);
        readClicked();
    });
    connect(static_cast<QPushButton*>(control(1520)), &QPushButton::clicked, this, [this] {
        if (resetDisplay(CodeD) != 1) {
            messageBox(windowOf(this), "Reset non eseguito !", "COM Error", MsgButtons::Ok, MsgIcon::Error);
            return;
        }
        sleepMs(150);
        if (wait_boot(windowOf(this), 1) == 1)
            readClicked();
        else
            commError();
    });
    connect(static_cast<QPushButton*>(control(1511)), &QPushButton::clicked, this, [this] { reject(); });
}

QWidget* DlgMW51hcfg::control(int id) const {
    return form_.control(id);
}
void DlgMW51hcfg::setEnabled(int id, bool on) {
    form_.setEnabled(id, on);
}
void DlgMW51hcfg::setVisible(int id, bool on) {
    if (QWidget* w = control(id)) w->setVisible(on);
}
void DlgMW51hcfg::commError() {
    messageBox(windowOf(this), kI2cError, "COM Error", MsgButtons::Ok, MsgIcon::Error);
}

bool DlgMW51hcfg::begin() {
    int v = 0;
    if (txrx_MW51h(kOpVersion, CodeD, &v) != 0 || v == 0) {
        messageBox(windowOf(this), "Scheda slave I2C non trovata !", "COM Error", MsgButtons::Ok,
                   MsgIcon::Error);
        return false;
    }
    if (Flag.RX42 == 1)
        setWindowTitle("Parametri di configurazione periferica RX42h");
    else
        setWindowTitle(QString::asprintf("%s %u (rev.%X.%X)", "Scheda Slave I2C - Display",
                                         static_cast<unsigned>(CodeD), static_cast<unsigned>(v >> 4),
                                         static_cast<unsigned>(v & 15)));
    const bool mw55 = Slave_board == 3;
    if (mw55) {
        setVisible(1517, false);
        setVisible(1501, false);
        static_cast<QLabel*>(control(1503))->setText("Colore cifre");
        if (CodeD != 1 && CodeD != 2) {
            setVisible(1505, false);
            setVisible(1506, false);
        }
    } else {
        for (int id : {1526, 1529, 1527, 1528, 1524, 1525, 1523, 1522, 1521, 1530}) setVisible(id, false);
        static_cast<QLabel*>(control(1503))->setText("Numero cifre");
    }
    initParcfgh();
    fillCombo(form_.combos[1505], Lista_Baud_Rate);
    fillCombo(form_.combos[1522], Lista_Colore_Grandezza);
    fillCombo(form_.combos[1521], Lista_Colore_Grandezza);
    fillCombo(form_.combos[1525], Lista_Modi_Operativi);
    if (loadParcfgh(CodeD) != 0) {
        commError();
        return false;
    }
    print();
    setEnabled(kWrite, false);
    setEnabled(kSave, false);
    return true;
}

int DlgMW51hcfg::run() {
    if (!begin()) return 0;
    centreOnScreen(this);
    return exec();
}

void DlgMW51hcfg::reject() {
    done(1);
}

void DlgMW51hcfg::print() {
    printing_ = true;
    const DisplayParams& d = MW51h[static_cast<size_t>(CodeD)];
    form_.edits[1501]->setText(QString::number(d.Ndigit));
    form_.edits[1502]->setText(QString::number(d.Dpoint));
    form_.edits[1512]->setText(QString::number(d.Dlux));
    form_.combos[1505]->setCurrentIndex(d.Option & 3);
    form_.checks[1514]->setChecked(d.Option & 0x20);
    form_.checks[1515]->setChecked(d.Option & 0x40);
    form_.checks[1516]->setChecked(d.Option & 0x80);
    form_.checks[1530]->setChecked(Option3[0] & 0x20);
    form_.combos[1522]->setCurrentIndex((d.Option >> 2) & 3);
    form_.combos[1521]->setCurrentIndex((d.Option2 >> 6) & 3);
    form_.combos[1525]->setCurrentIndex(Option3[0] & 3);
    const bool scanOff = Option3[0] & 0x08;
    form_.checks[1528]->setChecked(scanOff);
    form_.edits[1527]->setText(QString::asprintf("%1.1f", Option3[1] / 10.0));
    for (int id : {1527, 1526, 1529}) setEnabled(id, !scanOff);
    for (auto& [id, e] : form_.edits) {
        const int i = parcfghItem(id);
        QPalette p = palette();
        if (i >= 0 && Parcfgh[static_cast<size_t>(i)].val_err == 1)
            p.setColor(QPalette::Base, QColor(255, 0, 0));
        e->setPalette(p);
    }
    printing_ = false;
}

void DlgMW51hcfg::editChanged(int id) {
    QLineEdit* e = form_.edits[id];
    const int i = parcfghItem(id);
    if (printing_ || i < 0 || !e->hasFocus()) return;
    ParItem& item = Parcfgh[static_cast<size_t>(i)];
    const std::string text = fieldTextCut(e, static_cast<size_t>(item.n_dec));
    item.val = inputValue(text);
    const bool ok = testValueh(i, CodeD) == 1;
    paintInvalid(e, !ok);
    setEnabled(kWrite, ok);
    if (!ok) setEnabled(kSave, false);
}

void DlgMW51hcfg::readClicked() {
    setEnabled(kRead, false);
    if (loadParcfgh(CodeD) != 0)
        commError();
    else
        print();
    setEnabled(kRead, true);
}

void DlgMW51hcfg::writeClicked() {
    if (write_to_MW51h(CodeD) != 0) return commError();
    setEnabled(kWrite, false);
    setEnabled(kSave, true);
}

void DlgMW51hcfg::registerBox(int readOp, int writeOp, int reg, const char* title) {
    int v = 0;
    if (txrx_MW51h(readOp, reg, &v) != 0) return commError();
    InputMin = 0;
    InputMax = 255;
    Ndec = 0;
    MaxEdit = 3;
    TitoloBuf = title;
    EditBuf = std::to_string(v);
    if (DlgInputNum2_(windowOf(this)) != 1) return;
    v = static_cast<int>(inputValue(EditBuf));
    if (txrx_MW51h(writeOp, reg, &v) != 0) commError();
}

bool DlgMW51hcfg::altKey(int key) {
    switch (key) {
    case Qt::Key_X:
        registerBox(kOpRdRxto, kOpWrRxto, CodeD, "EE.ram.Rxto");
        return true;
    case Qt::Key_O:
        if (Slave_board != 3) return false;
        registerBox(kOpRdOption3, kOpWrOption3, 4, "Option3[4]");
        return true;
    case Qt::Key_C: {
        if (Slave_board != 3) return false;
        DlgTunosc t(this);
        if (t.run() == 1) setEnabled(kWrite, true);
        return true;
    }
    default:
        return false;
    }
}

void DlgMW51hcfg::keyPressEvent(QKeyEvent* e) {
    if ((e->modifiers() & Qt::AltModifier) && altKey(e->key())) return;
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) return;
    QDialog::keyPressEvent(e);
}

// ---------------------------------------------------------------------------------------------

DlgTunosc::DlgTunosc(QWidget* owner) : QDialog(owner, dialogFlags()) {
    setObjectName(idName(2300));
    setWindowTitle("Tuning CPU clock");
    auto* g = new QGridLayout(this);
    auto* caption = new QLabel("Tunosc reg:", this);
    value_ = new QLabel(this);
    value_->setObjectName(idName(2302));
    pulse_ = new QCheckBox("Pulse enable (JP4)", this);
    pulse_->setObjectName(idName(2303));
    auto* plus = new QPushButton("+", this);
    plus->setObjectName(idName(2305));
    auto* minus = new QPushButton("-", this);
    minus->setObjectName(idName(2306));
    auto* esc = new QPushButton("Esc", this);
    esc->setObjectName(idName(2304));
    for (QPushButton* b : {plus, minus, esc}) b->setAutoDefault(false);
    g->addWidget(caption, 0, 0);
    g->addWidget(value_, 0, 1);
    g->addWidget(plus, 0, 2);
    g->addWidget(minus, 0, 3);
    g->addWidget(pulse_, 1, 0, 1, 2);
    g->addWidget(esc, 1, 3);
    connect(plus, &QPushButton::clicked, this, [this] { step(1); });
    connect(minus, &QPushButton::clicked, this, [this] { step(-1); });
    connect(pulse_, &QCheckBox::clicked, this, [this] { writeRegister(); });
    connect(esc, &QPushButton::clicked, this, [this] { reject(); });
}

QWidget* DlgTunosc::control(int id) const {
    return findChild<QWidget*>(idName(id));
}

bool DlgTunosc::begin() {
    if (txrx_MW51h(kOpRdOption3, 5, &read_) != 0) {
        messageBox(windowOf(this), kI2cError, "COM Error", MsgButtons::Ok, MsgIcon::Error);
        return false;
    }
    current_ = static_cast<uint8_t>(read_);
    trim_ = trimOf(current_);
    value_->setText(QString::number(trim_));
    pulse_->setChecked(current_ & 0x80);
    return true;
}

int DlgTunosc::run() {
    if (!begin()) return 0;
    if (parentWidget()) move(parentWidget()->geometry().center() - rect().center());
    exec();
    return current_ != static_cast<uint8_t>(read_) ? 1 : 0;
}

void DlgTunosc::reject() {
    done(current_ != static_cast<uint8_t>(read_) ? 1 : 0);
}

void DlgTunosc::step(int delta) {
    trim_ = std::clamp(trim_ + delta, -32, 31);
    value_->setText(QString::number(trim_));
    writeRegister();
}

void DlgTunosc::writeRegister() {
    int v = trimRegister(trim_, pulse_->isChecked());
    if (txrx_MW51h(kOpWrOption3, 5, &v) != 0) {
        messageBox(windowOf(this), kI2cError, "COM Error", MsgButtons::Ok, MsgIcon::Error);
        return;
    }
    current_ = static_cast<uint8_t>(v);
    Option3[5] = current_;
}

// ---------------------------------------------------------------------------------------------

DlgCampoGSM::DlgCampoGSM(QWidget* owner) : QDialog(owner, dialogFlags()) {
    setObjectName(idName(2000));
    setWindowTitle("Campo GSM");
    auto* g = new QGridLayout(this);
    auto* caption = new QLabel("Campo Rx:", this);
    caption->setObjectName(idName(2001));
    level_ = new QLabel(this);
    level_->setObjectName(idName(2003));
    ber_ = new QLabel(this);
    ber_->setObjectName(idName(2004));
    auto* esc = new QPushButton("Esc", this);
    esc->setObjectName(idName(2005));
    g->addWidget(caption, 0, 0);
    g->addWidget(level_, 0, 1);
    g->addWidget(ber_, 0, 2);
    g->addWidget(esc, 1, 2);
    connect(esc, &QPushButton::clicked, this, [this] { reject(); });
    timer_ = new QTimer(this);
    timer_->setInterval(1000);
    connect(timer_, &QTimer::timeout, this, [this] { tick(); });
    timer_->start();
}

QWidget* DlgCampoGSM::control(int id) const {
    return findChild<QWidget*>(idName(id));
}

bool DlgCampoGSM::timerActive() const {
    return timer_->isActive();
}

bool DlgCampoGSM::tick() {
    unsigned level = 0, ber = 0;
    const GsmResult r = gsmQuery(level, ber);
    if (r == GsmResult::NoBoard || r == GsmResult::NoModem) {
        timer_->stop();
        messageBox(windowOf(this), gsmFailureText(r), "Data Error", MsgButtons::Ok, MsgIcon::Error);
        return false;
    }
    if (r == GsmResult::Ok) {
        level_->setText(QString::number(level));
        ber_->setText(QString::number(ber));
    }
    return true;
}

int DlgCampoGSM::run() {
    centreOnScreen(this);
    exec();
    return 0;
}

void DlgCampoGSM::reject() {
    timer_->stop();
    done(0);
}
