#include "shell/main_dialog.h"

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

#include "shell/korvane.h"
#include "shell/screen_rules.h"
#include "shell/summary.h"

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
}

DialogMain::~DialogMain() = default;

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
        label(row.labelId, row.label, QRect(80, y, 240, 24));
    }
    button(221, "Dettagli", QRect(340, kAlarmTop, 100, 28))->setEnabled(false);

    label(232, "Sample Time", QRect(474, 36, 84, 24));
    sample_ = new QLineEdit(area);
    sample_->setObjectName(idName(233));
    sample_->setGeometry(560, 34, 56, 26);
    sample_->setMaxLength(5);
    label(234, "s", QRect(620, 36, 20, 24));
    button(210, "Start", QRect(474, 72, 164, 30))->setEnabled(false);

    button(204, "Clock sync", QRect(474, 148, 164, 30))->setEnabled(false);
    button(238, "Sample Timer", QRect(474, 186, 164, 30))->setEnabled(false);
    button(237, "Monitor", QRect(474, 224, 164, 30))->setEnabled(false);
    label(239, "", QRect(462, 276, 188, 24), Qt::AlignCenter);

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

    printSessionHead(summaryBox_.get());
    summaryBox_->scrollToTop();

    if (deviceIsBoard()) {
        control(238)->hide();
        showAlarmRows(true);
    } else {
        showAlarmRows(false);
    }
    paintLamps();

    sample_->setText(QString::number(Tsample));
    paintSampleField();
    setStatus(0, readyStatusText());
    setStatus(1, "");
}

void DialogMain::showAlarmRows(bool shown) {
    for (int id : kAlarmControlIds) control(id)->setVisible(shown);
    if (shown) {
        summary_->setGeometry(summaryRect_);
    } else {
        // Without the alarm rows the summary takes their room, down to near the frame's bottom.
        QRect r = summaryRect_;
        r.setBottom(kGroupSession.bottom() - kSummaryBottomGap);
        summary_->setGeometry(r);
    }
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

int DialogMain::run() {
    initDialog();
    if (QScreen* s = QGuiApplication::primaryScreen()) {
        QRect r = frameGeometry();
        r.moveCenter(s->availableGeometry().center());
        move(r.topLeft());
    }
    return exec();
}

void DialogMain::reject() {
    done(1);
}

void DialogMain::keyPressEvent(QKeyEvent* e) {
    // Enter does nothing here, and Escape does not leave the panel either: only "Exit" and the
    // close box do.
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter || e->key() == Qt::Key_Escape) return;
    QDialog::keyPressEvent(e);
}
