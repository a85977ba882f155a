#include "logger/monitor_dialog.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTextBlock>
#include <QVBoxLayout>

#include "link/korvane_com.h"
#include "link/lost_port.h"
#include "logger/channel_select.h"
#include "logger/channel_window.h"
#include "logger/logger_widgets_dialog.h"
#include "logger/sel_ch_dialog.h"
#include "platform/text_cp1252.h"
#include "platform/ui_qt_dialog.h"
#include "tables/datalogger.h"

namespace {

// Layout [pixels].
constexpr QRect kText(10, 10, 640, 380);
constexpr QRect kGroup(10, 398, 640, 72);
constexpr QSize kArea(660, 480);

std::function<time_t()>& clockFn() {
    static std::function<time_t()> c;
    return c;
}

QString idName(int id) {
    return QStringLiteral("id%1").arg(id);
}

} // namespace

void DlgMonitor::setClock(std::function<time_t()> clock) {
    clockFn() = std::move(clock);
}

time_t DlgMonitor::now() {
    return clockFn() ? clockFn()() : std::time(nullptr);
}

DlgMonitor::DlgMonitor(QWidget* owner) : QDialog(owner, Qt::Window), owner_(owner) {
    setObjectName("id400");
    setWindowTitle("Monitor");
    setModal(false);

    auto* area = new QWidget(this);
    area->setFixedSize(kArea);

    blueGroupBox("Pacchetti dati ricevuti in tempo reale", 403, kGroup, area);
    text_ = darkTextBox(401, kText, area);
    text_->setUndoRedoEnabled(false);

    auto button = [&](int id, const char* label, int x, int w) {
        auto* b = new QPushButton(label, area);
        b->setObjectName(idName(id));
        b->setAutoDefault(false);
        b->setGeometry(kGroup.left() + x, kGroup.top() + 24, w, 36);
        return b;
    };
    auto* channels = button(405, "Mostra canali", 16, 150);
    auto* save = button(404, "Save", 180, 96);
    auto* esc = button(402, "Esc", kGroup.width() - 112, 96);
    connect(channels, &QPushButton::clicked, this, [this] { showChannelsClicked(); });
    connect(save, &QPushButton::clicked, this, [this] { saveClicked(); });
    connect(esc, &QPushButton::clicked, this, [this] { escape(); });

    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->addWidget(area);
    setFixedSize(sizeHint());

    log_.onLine = [this](const std::string& line) { mirrorLine(line); };
    timer_.setInterval(kMonitorTickMs);
    connect(&timer_, &QTimer::timeout, this, [this] { tick(); });
}

DlgMonitor::~DlgMonitor() {
    onClosed = nullptr; // the owner may be going too
    finish();
}

QWidget* DlgMonitor::control(int id) const {
    return findChild<QWidget*>(idName(id));
}

int DlgMonitor::start() {
    if (PosWin1.enabled) {
        move(PosWin1.left, PosWin1.top);
    } else {
        centreOnScreen(this);
        const QRect r = frameGeometry();
        PosWin1 = {r.left(), r.top(), r.right() + 1, r.bottom() + 1, 1};
    }
    placed_ = true;
    show();
    control(402)->setEnabled(false);
    const int ok = initMonitor(hCom, windowOf(this), log_, this, now());
    trimMirror();
    control(402)->setEnabled(true);
    timer_.start();
    return ok;
}

void DlgMonitor::mirrorLine(const std::string& line) {
    std::string_view l(line);
    if (l.size() >= 2 && l.substr(l.size() - 2) == "\r\n") l.remove_suffix(2);
    text_->appendPlainText(qtText(l));
}

void DlgMonitor::trimMirror() {
    const size_t dropped = log_.takeDropped();
    if (dropped == 0) return;
    QTextCursor c(text_->document());
    c.movePosition(QTextCursor::Start);
    c.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, static_cast<int>(dropped));
    c.removeSelectedText();
}

void DlgMonitor::appendLog(std::string_view text) {
    log_.append(text);
    trimMirror();
}

void DlgMonitor::tick() {
    monitorTick(hCom, now(), log_, this);
    trimMirror();
    if (Com_lost && timer_.isActive()) { // the port is gone: said once, the window stays usable
        timer_.stop();
        reportLostPort(windowOf(this));
    }
}

bool DlgMonitor::dataWindow(int slot) const {
    return channelWindow(slot) != nullptr;
}

void DlgMonitor::showValue(int slot, const std::string& text) {
    if (DlgCanale* w = channelWindow(slot)) w->setValue(text);
}

void DlgMonitor::showElapsed(const std::string& text) {
    if (sel_) sel_->setElapsed(text);
}

void DlgMonitor::saveClicked() {
    if (messageBox(windowOf(this), "Salvare i dati della finestra su file RX41mon.txt ?", "Question",
                   MsgButtons::YesNo, MsgIcon::Question) != MsgAnswer::Yes)
        return;
    if (!saveMonitorLog(log_, "RX41mon.txt"))
        messageBox(windowOf(this), "RX41mon.txt non puo' essere scritto !", "Warning", MsgButtons::Ok,
                   MsgIcon::Warning);
}

void DlgMonitor::showChannelsClicked() {
    timer_.stop();
    const std::string tod = timeOfDayText(now());
    auto handle = [&](const std::string& l) { handleMonitorLine(l, tod, log_, this); };
    drainMonitorPort(hCom, handle); // the lines waiting are logged before the purge
    const int recording = readRecordingState(hCom, windowOf(this), handle);
    trimMirror();
    if (!recording) {
        timer_.start(); // the selection dialog is not shown: the monitor goes on
        return;
    }
    closeDataWindows();
    setEnabled(false);
    {
        DlgSelCH dlg(this);
        dlg.run();
    }
    setEnabled(true);
    raise();
    activateWindow();
    openDataWindows();
    if (!timer_.isActive()) timer_.start();
}

void DlgMonitor::pauseStreaming(const std::function<void()>& action) {
    const std::string tod = timeOfDayText(now());
    auto handle = [&](const std::string& l) { handleMonitorLine(l, tod, log_, this); };
    drainMonitorPort(hCom, handle);
    stopMonitorMode(hCom);
    action();
    Timeout_rx = Timeout_rx_def;
    monitorCommand(hCom, "ATCM07\r", handle);
    trimMirror();
}

void DlgMonitor::openDataWindows() {
    compactSelection();
    WinOfs = 0;
    for (uint32_t i = 0; i < InfoSELCH.ncsel && i < static_cast<uint32_t>(kMaxSelected); ++i) {
        auto* w = new DlgCanale(this, static_cast<int>(i));
        hDlgMon_[i] = w;
        w->show();
    }
}

void DlgMonitor::closeDataWindows() {
    for (DlgCanale*& w : hDlgMon_) {
        delete w;
        w = nullptr;
    }
    if (Flag_Graph > 0 || Init_Graph) {
        Flag_Graph = 0;
        Close_Graph();
    }
}

bool DlgMonitor::escape() {
    if (finished_) return true;
    if (!confirmMonitorClose(windowOf(this))) return false;
    hide();
    finish();
    deleteLater();
    return true;
}

void DlgMonitor::finish() {
    if (finished_) return;
    finished_ = true;
    timer_.stop();
    closeDataWindows();
    if (Exportfile) { // the window went without the question: nothing is left half written
        std::fclose(Exportfile);
        Exportfile = nullptr;
    }
    finishMonitor(hCom);
    Timeout_rx = Timeout_rx_def;
    if (onClosed) onClosed();
}

void DlgMonitor::closeEvent(QCloseEvent* e) {
    e->ignore();
    escape();
}

void DlgMonitor::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) {
        escape();
        return;
    }
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) return;
    QDialog::keyPressEvent(e);
}

void DlgMonitor::moveEvent(QMoveEvent* e) {
    QDialog::moveEvent(e);
    if (!placed_) return;
    const QRect r = frameGeometry();
    PosWin1 = {r.left(), r.top(), r.right() + 1, r.bottom() + 1, 1};
}

DlgMonitor* openMonitor(QDialog* owner, std::function<void()> afterClose) {
    QList<QWidget*> disabled;
    for (QWidget* w : owner->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (w->isWindow() || !w->isEnabled()) continue;
        w->setEnabled(false);
        disabled.append(w);
    }
    auto* m = new DlgMonitor(owner);
    QPointer<QDialog> o(owner);
    m->onClosed = [o, disabled, afterClose] {
        if (!o) return;
        for (QWidget* w : disabled) w->setEnabled(true);
        o->activateWindow();
        if (afterClose) afterClose();
    };
    m->start();
    return m;
}
