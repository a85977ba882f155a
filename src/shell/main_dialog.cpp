#include "shell/main_dialog.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <filesystem>

#include "archive/archive_desktop.h"
#include "firmware/flash_upload.h"
#include "boards/board_keys_dialog.h"
#include "inverter/inverter_details_dialog.h"
#include "link/korvane_com.h"
#include "link/lost_port.h"
#include "logger/download.h"
#include "logger/monitor_dialog.h"
#include "logger/sample_timer_dialog.h"
#include "logger/time_marks.h"
#include "platform/text_cp1252.h"
#include "shell/korvane.h"
#include "shell/main_actions.h"
#include "shell/maintenance_keys_dialog.h"
#include "shell/screen_rules.h"
#include "tables/set_file_dialog.h"

namespace {

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

DialogMain::DialogMain(QWidget* parent) : PanelDialog(parent, 200) {
    setWindowTitle(qtText(Nome_prog));

    auto* area = new QWidget(this);
    area->setFixedSize(kArea);
    buildControls(area);
    finishLayout(area, 240, true);
}

DialogMain::~DialogMain() {
    if (alarmViewSet_) setAlarmView(nullptr);
}

void DialogMain::buildControls(QWidget* area) {
    PanelControls make(area);
    auto group = [&make](int id, const char* text, const QRect& r) { return make.group(id, text, r); };
    auto button = [&make](int id, const char* text, const QRect& r) { return make.button(id, text, r); };
    auto label = [&make](int id, const char* text, const QRect& r, Qt::Alignment align = Qt::AlignVCenter) {
        return make.label(id, text, r, align);
    };

    // Frames first: the controls lie above them.
    group(208, "Sessione di misura corrente", kGroupSession);
    group(201, "Elaborazione dati", kGroupProcessing);
    group(206, "Varie", kGroupVarious);

    summary_ = make.summary(228, kSummary);
    QPalette sp = summary_->palette();
    sp.setColor(QPalette::Base, panelColour(kSummaryBackground, sp));
    summary_->setPalette(sp);
    summaryRect_ = kSummary;
    summaryBox_ = std::make_unique<QtTextBox>(summary_);

    for (size_t i = 0; i < kAlarmRows.size(); ++i) {
        const AlarmRow& row = kAlarmRows[i];
        int y = kAlarmTop + static_cast<int>(i) * kAlarmStep;
        auto* reset = button(row.resetId, "R", QRect(20, y, 28, 24));
        connect(reset, &QPushButton::clicked, this, [this, &row] { resetClicked(row); });
        auto* lamp = label(row.lampId, "", QRect(56, y + 4, 16, 16));
        lamp->setAutoFillBackground(true);
        lamp->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label(row.labelId, row.label, QRect(80, y, 250, 24))->setTextFormat(Qt::PlainText);
    }
    auto* details = button(221, "Dettagli", QRect(340, kAlarmTop, 100, 28));
    connect(details, &QPushButton::clicked, this, [this] { detailsClicked(); });

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

    auto* clock = button(204, "Clock sync", QRect(474, 148, 164, 30));
    connect(clock, &QPushButton::clicked, this, [this] { clockSyncClicked(); });
    auto* sampleTimer = button(238, "Sample Timer", QRect(474, 186, 164, 30));
    connect(sampleTimer, &QPushButton::clicked, this, [this] { sampleTimerClicked(); });
    auto* monitor = button(237, "Monitor", QRect(474, 224, 164, 30));
    connect(monitor, &QPushButton::clicked, this, [this] {
        openMonitor(this, [this] {
            if (Com_lost) return; // the port went away under the monitor: nothing to read again
            initSession(windowOf(this), this);
            if (Flag.pages_error == 0) rewriteSummary();
        });
    });
    verboseLabel_ = label(239, "", QRect(462, 276, 188, 24), Qt::AlignCenter);

    auto* exitButton = button(212, "Exit", QRect(474, 398, 164, 34));
    connect(exitButton, &QPushButton::clicked, this, [this] { done(1); });
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
        p.setColor(QPalette::Window, panelColour(alarmLampColour(row, Alarm, Flag.alarm_error), p));
        lamp->setPalette(p);
    }
}

void DialogMain::paintSampleField() {
    QPalette p = palette();
    if (Flag.sample_error == 1) p.setColor(QPalette::Base, panelColour(kFieldErrorRed, p));
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
        archiveBeforeDownload();
        if (saveFile(windowOf(this), name) == 0) {
            reportLostPort(windowOf(this));
            messageBox(windowOf(this), kDownloadFailedText, "Warning", MsgButtons::Ok, MsgIcon::Warning);
            setStatus(0, " Ready");
            return;
        }
        Flag.skip_refresh = 1;
        archiveAfterDownload(windowOf(this));
    }
    setStatus(0, " Ready");
    openDataTable();
}

void DialogMain::openDataTable() {
    DlgSetFile table(this);
    table.run();
}

void DialogMain::clockSyncClicked() {
    if (clockSyncAction(windowOf(this), summaryBox_.get()) == 1) summaryBox_->scrollToTop();
}

void DialogMain::sampleTimerClicked() {
    if (sampleTimerBegin(windowOf(this)) != 1) return;
    DlgSaTmr dlg(this);
    dlg.run();
    sampleTimerEnd();
}

void DialogMain::resetClicked(const AlarmRow& row) {
    QWidget* button = control(row.resetId);
    button->setEnabled(false);
    resetAlarmRow(windowOf(this), row);
    button->setEnabled(true);
}

void DialogMain::detailsClicked() {
    if (readInverterRange(windowOf(this)) != 1) return;
    DlgDettagli dlg(this);
    dlg.run();
}

bool DialogMain::altKey(int key) {
    if (maintenanceKey(*this, key)) return true;
    switch (key) {
    case Qt::Key_V:
        Flag.verbose = Flag.verbose == 0 ? 1 : 0;
        verboseLabel_->setText(Flag.verbose == 1 ? "Verbose ON" : "Verbose OFF");
        if (Flag.pages_error == 0) rewriteSummary();
        return true;
    case Qt::Key_R: // the plant archive "Start" merges each download into
        chooseArchiveSetting(windowOf(this));
        return true;
    case Qt::Key_W:
        if (Flag.verbose == 1) flashImageUpload(windowOf(this));
        return true;
    case Qt::Key_Z:
    case Qt::Key_C:
    case Qt::Key_O:
    case Qt::Key_G:
        return boardKey(this, key);
    default:
        return false;
    }
}

int DialogMain::run() {
    setAlarmView(this);
    alarmViewSet_ = true;
    initDialog();
    centreOnScreen(this);
    return exec();
}

void DialogMain::done(int r) {
    if (alarmViewSet_) setAlarmView(nullptr);
    alarmViewSet_ = false;
    QDialog::done(r);
}
