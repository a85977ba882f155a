#include "shell/main_dialog.h"

#include <QEvent>
#include <QFontDatabase>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>

#include <filesystem>

#include "logger/download.h"
#include "logger/time_marks.h"
#include "platform/text_cp1252.h"
#include "shell/korvane.h"
#include "shell/screen_rules.h"

namespace {

QColor qtColour(uint32_t rgb, const QPalette& face) {
    if (rgb == kFaceColour) return face.color(QPalette::Button);
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

QString idName(int id) {
    return QStringLiteral("id%1").arg(id);
}

// Layout of the panel [pixels]; group boxes are frames behind their controls, as in a dialog
// template, so that their colours stay their own.
constexpr QRect kGroupSession(10, 8, 440, 424);
constexpr QRect kSummary(20, 30, 420, 250);
constexpr int kAlarmTop = 292, kAlarmStep = 30;
constexpr QRect kGroupProcessing(462, 8, 188, 104);
constexpr QRect kGroupVarious(462, 122, 188, 142);
constexpr QSize kArea(660, 440);
// Box 228 without the alarm rows ends this far above the bottom of group 208.
constexpr int kSummaryBottomGap = 20;

} // namespace

DialogMain::DialogMain(QWidget* parent) : QDialog(parent) {
    setObjectName("id200");
    setWindowTitle(qtText(Nome_prog));

    auto* area = new QWidget(this);
    area->setFixedSize(kArea);
    buildControls(area);

    status_ = new QStatusBar(this);
    status_->setObjectName("id240");
    status_->setSizeGripEnabled(true);
    for (int i = 0; i < 2; ++i) {
        statusPart_[i] = new QLabel(status_);
        statusPart_[i]->setObjectName(QStringLiteral("id240_%1").arg(i + 1));
    }
    statusPart_[0]->setFixedWidth(150);
    status_->addWidget(statusPart_[0]);
    status_->addWidget(statusPart_[1], 1);

    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(0);
    lay->addWidget(area);
    lay->addWidget(status_);
    setFixedSize(sizeHint());

    // The Alt+letter keys work whichever control has the focus.
    for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
}

DialogMain::~DialogMain() {
    if (alarmViewSet_) setAlarmView(nullptr);
}

void DialogMain::buildControls(QWidget* area) {
    auto group = [area](int id, const char* text, const QRect& r) {
        auto* g = new QGroupBox(text, area);
        g->setObjectName(idName(id));
        g->setGeometry(r);
        QPalette p = g->palette();
        QColor blue = qtColour(kGroupTitleBlue, p);
        p.setColor(QPalette::WindowText, blue);
        p.setColor(QPalette::Text, blue);
        p.setColor(QPalette::ButtonText, blue);
        g->setPalette(p);
        return g;
    };
    auto button = [area](int id, const char* text, const QRect& r) {
        auto* b = new QPushButton(text, area);
        b->setObjectName(idName(id));
        b->setAutoDefault(false);
        b->setGeometry(r);
        return b;
    };
    auto label = [area](int id, const char* text, const QRect& r, Qt::Alignment align = Qt::AlignVCenter) {
        auto* l = new QLabel(text, area);
        l->setObjectName(idName(id));
        l->setGeometry(r);
        l->setAlignment(align);
        return l;
    };

    // Frames first: the controls lie above them.
    group(208, "Sessione di misura corrente", kGroupSession);
    group(201, "Elaborazione dati", kGroupProcessing);
    group(206, "Varie", kGroupVarious);

    summary_ = new QPlainTextEdit(area);
    summary_->setObjectName(idName(228));
    summary_->setReadOnly(true);
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setStyleHint(QFont::Monospace);
    fixed.setFixedPitch(true);
    summary_->setFont(fixed);
    QPalette sp = summary_->palette();
    sp.setColor(QPalette::Base, qtColour(kSummaryBackground, sp));
    summary_->setPalette(sp);
    summary_->setGeometry(kSummary);
    summaryRect_ = kSummary;
    summaryBox_ = std::make_unique<QtTextBox>(summary_);

    for (size_t i = 0; i < kAlarmRows.size(); ++i) {
        const AlarmRow& row = kAlarmRows[i];
        int y = kAlarmTop + static_cast<int>(i) * kAlarmStep;
        button(row.resetId, "R", QRect(20, y, 28, 24))->setEnabled(false);
        auto* lamp = label(row.lampId, "", QRect(56, y + 4, 16, 16));
        lamp->setAutoFillBackground(true);
        lamp->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label(row.labelId, row.label, QRect(80, y, 250, 24))->setTextFormat(Qt::PlainText);
    }
    button(221, "Dettagli", QRect(340, kAlarmTop, 100, 28))->setEnabled(false);

    label(232, "Sample Time", QRect(474, 36, 84, 24));
    sample_ = new QLineEdit(area);
    sample_->setObjectName(idName(233));
    sample_->setGeometry(560, 34, 56, 26);
    sample_->setMaxLength(5);
    connect(sample_, &QLineEdit::textChanged, this, [this] { sampleChanged(); });
    label(234, "s", QRect(620, 36, 20, 24));
    start_ = button(210, "Start", QRect(474, 72, 164, 30));
    start_->setEnabled(false);
    connect(start_, &QPushButton::clicked, this, [this] { start(); });

    button(204, "Clock sync", QRect(474, 148, 164, 30))->setEnabled(false);
    button(238, "Sample Timer", QRect(474, 186, 164, 30))->setEnabled(false);
    button(237, "Monitor", QRect(474, 224, 164, 30))->setEnabled(false);
    verboseLabel_ = label(239, "", QRect(462, 276, 188, 24), Qt::AlignCenter);

    auto* exitButton = button(212, "Exit", QRect(474, 398, 164, 34));
    connect(exitButton, &QPushButton::clicked, this, [this] { done(1); });
}

QWidget* DialogMain::control(int id) const {
    return findChild<QWidget*>(idName(id));
}

void DialogMain::setStatus(int part, const std::string& text) {
    if (part == 0 || part == 1) statusPart_[part]->setText(qtText(text));
}

void DialogMain::initDialog() {
    Flag.verbose = 0;
    Flag.skip_refresh = 0;
    applyFastReadRule();

    // The rows are laid out before the session is read: reading the alarm register refreshes them.
    const bool board = deviceIsBoard();
    showAlarmRows(board);
    initSession(windowOf(this), this);
    if (Flag.pages_error == 0) rewriteSummary();

    if (board) {
        control(238)->hide();
        Tsample = boardSampleTime();
    }
    paintLamps(); // the face colour when the register could not be read

    sample_->setText(QString::number(Tsample)); // checked like a typed value
    setStatus(0, readyStatusText());
    setStatus(1, "");
}

void DialogMain::rewriteSummary() {
    printInfoSes(summaryBox_.get(), Flag.verbose);
    summaryBox_->scrollToTop();
}

void DialogMain::showAlarmRows(bool shown) {
    for (int id : kAlarmControlIds) control(id)->setVisible(shown);
    if (shown) {
        showResetButtons(Alarm);
        summary_->setGeometry(summaryRect_);
    } else {
        // Without the alarm rows the summary takes their room, down to near the frame's bottom.
        QRect r = summaryRect_;
        r.setBottom(kGroupSession.bottom() - kSummaryBottomGap);
        summary_->setGeometry(r);
    }
}

void DialogMain::showResetButtons(uint8_t alarm) {
    for (const AlarmRow& row : kAlarmRows) control(row.resetId)->setVisible((alarm >> row.smsBit) & 1u);
}

void DialogMain::showAlarms(const AlarmRows& rows) {
    if (!deviceIsBoard()) return; // a logger has no alarm rows
    showResetButtons(rows.reg);
    static_cast<QLabel*>(control(kAlarmRows[0].labelId))->setText(qtText(rows.inverterLabel));
    static_cast<QLabel*>(control(kAlarmRows[3].labelId))->setText(qtText(rows.auxLabel));
    paintLamps();
}

void DialogMain::paintLamps() {
    for (const AlarmRow& row : kAlarmRows) {
        QWidget* lamp = control(row.lampId);
        QPalette p = lamp->palette();
        p.setColor(QPalette::Window, qtColour(alarmLampColour(row, Alarm, Flag.alarm_error), p));
        lamp->setPalette(p);
    }
}

void DialogMain::paintSampleField() {
    QPalette p = palette();
    if (Flag.sample_error == 1) p.setColor(QPalette::Base, qtColour(kFieldErrorRed, p));
    sample_->setPalette(p);
}

void DialogMain::sampleChanged() {
    start_->setEnabled(sampleTimeChanged(utf8ToCp1252(sample_->text().toStdString())));
    paintSampleField();
}

void DialogMain::start() {
    setStatus(0, " Busy...");
    const std::string name = DataTimeSS;
    if (Flag.skip_refresh == 1) {
        if (messageBox(windowOf(this), kDownloadAgainText, "Warning", MsgButtons::YesNo, MsgIcon::Question) ==
            MsgAnswer::Yes) {
            Flag.skip_refresh = 0;
        } else { // the table of the last download, as it was
            InfoSES.nItem = InfoSES.nItem_;
            InfoSES.nSubItem = InfoSES.nSubItem_;
        }
    }
    if (Flag.skip_refresh == 0) {
        if (saveFile(windowOf(this), name) == 0) {
            messageBox(windowOf(this), kDownloadFailedText, "Warning", MsgButtons::Ok, MsgIcon::Warning);
            setStatus(0, " Ready");
            return;
        }
        Flag.skip_refresh = 1;
    }
    setStatus(0, " Ready");
    openDataTable();
}

void DialogMain::openDataTable() {
    std::error_code ec;
    std::filesystem::path path = std::filesystem::absolute(DataTimeSS, ec);
    if (ec) path = DataTimeSS;
    messageBox(windowOf(this), dataFileWrittenText(utf8ToCp1252(path.string())), "Info", MsgButtons::Ok,
               MsgIcon::Info);
}

bool DialogMain::altKey(int key) {
    switch (key) {
    case Qt::Key_V:
        Flag.verbose = Flag.verbose == 0 ? 1 : 0;
        verboseLabel_->setText(Flag.verbose == 1 ? "Verbose ON" : "Verbose OFF");
        if (Flag.pages_error == 0) rewriteSummary();
        return true;
    default:
        return false;
    }
}

int DialogMain::run() {
    setAlarmView(this);
    alarmViewSet_ = true;
    initDialog();
    if (QScreen* s = QGuiApplication::primaryScreen()) {
        QRect r = frameGeometry();
        r.moveCenter(s->availableGeometry().center());
        move(r.topLeft());
    }
    return exec();
}

void DialogMain::done(int r) {
    if (alarmViewSet_) setAlarmView(nullptr);
    alarmViewSet_ = false;
    QDialog::done(r);
}

void DialogMain::reject() {
    done(1);
}

namespace {
bool isAltLetter(const QKeyEvent* k) {
    const Qt::KeyboardModifiers m = k->modifiers();
    return (m & Qt::AltModifier) && !(m & (Qt::ControlModifier | Qt::MetaModifier));
}
} // namespace

bool DialogMain::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (isAltLetter(k) && altKey(k->key())) return true;
    }
    return QDialog::eventFilter(watched, e);
}

void DialogMain::keyPressEvent(QKeyEvent* e) {
    if (isAltLetter(e) && altKey(e->key())) return;
    // Enter does nothing here, and Escape does not leave the panel either: only "Exit" and the
    // close box do.
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter || e->key() == Qt::Key_Escape) return;
    QDialog::keyPressEvent(e);
}
