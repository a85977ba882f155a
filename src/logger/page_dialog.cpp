#include "logger/page_dialog.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

#include "logger/logger_widgets_dialog.h"
#include "logger/page_viewer.h"
#include "platform/text_box.h"
#include "platform/text_cp1252.h"
#include "platform/ui_qt_dialog.h"
#include "shell/korvane.h"

namespace {

QString idName(int id) {
    return QStringLiteral("id%1").arg(id);
}

// Layout [pixels].
constexpr QRect kText(10, 10, 640, 380);
constexpr QRect kGroup(10, 398, 640, 72);
constexpr QSize kArea(660, 480);

} // namespace

UpDownControl::UpDownControl(QWidget* parent) : QWidget(parent) {
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(0);
    up_ = new QToolButton(this);
    up_->setObjectName("up");
    up_->setArrowType(Qt::UpArrow);
    up_->setAutoRepeat(true);
    down_ = new QToolButton(this);
    down_->setObjectName("down");
    down_->setArrowType(Qt::DownArrow);
    down_->setAutoRepeat(true);
    for (QToolButton* b : {up_, down_}) {
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        b->setFocusPolicy(Qt::NoFocus);
        lay->addWidget(b);
    }
    connect(up_, &QToolButton::clicked, this, [this] { emit stepRequested(position_ + 1); });
    connect(down_, &QToolButton::clicked, this, [this] { emit stepRequested(position_ - 1); });
}

DialogPage::DialogPage(QWidget* parent) : QDialog(parent) {
    setObjectName("id600");
    setWindowTitle("Monitor");

    auto* area = new QWidget(this);
    area->setFixedSize(kArea);

    blueGroupBox("Pagina dati", 603, kGroup, area);
    text_ = darkTextBox(601, kText, area);

    auto* label = new QLabel("Indirizzo pagina dati", area);
    label->setObjectName(idName(606));
    label->setGeometry(kGroup.left() + 14, kGroup.top() + 26, 160, 36);

    field_ = new QLineEdit(area);
    field_->setObjectName(idName(604));
    QFont big(QStringLiteral("Courier New"));
    big.setStyleHint(QFont::TypeWriter);
    big.setPixelSize(30);
    big.setBold(true);
    field_->setFont(big);
    field_->setMaxLength(9);
    field_->setGeometry(kGroup.left() + 180, kGroup.top() + 22, 150, 42);
    connect(field_, &QLineEdit::returnPressed, this,
            [this] { showPage(pageFieldValue(utf8ToCp1252(field_->text().toStdString()))); });
    field_->installEventFilter(this);

    upDown_ = new UpDownControl(area);
    upDown_->setObjectName(idName(605));
    upDown_->setGeometry(kGroup.left() + 332, kGroup.top() + 22, 22, 42);
    connect(upDown_, &UpDownControl::stepRequested, this, [this](int requested) { showPage(requested); });

    auto* esc = new QPushButton("Esc", area);
    esc->setObjectName(idName(602));
    esc->setAutoDefault(false);
    esc->setGeometry(kGroup.right() - 110, kGroup.top() + 24, 96, 36);
    connect(esc, &QPushButton::clicked, this, [this] { done(0); });

    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->addWidget(area);
    setFixedSize(sizeHint());
}

DialogPage::~DialogPage() = default;

QWidget* DialogPage::control(int id) const {
    return findChild<QWidget*>(idName(id));
}

void DialogPage::showText(const std::string& text) {
    text_->setPlainText(qtText(text));
    text_->moveCursor(QTextCursor::Start);
}

void DialogPage::showPage(long long requested) {
    StringTextBox box;
    const int page = pageViewerChoose(&box, requested);
    showText(box.text);
    upDown_->setPosition(page);
    field_->setText(QString::fromStdString(pageFieldText(page)));
}

int DialogPage::run() {
    StringTextBox box;
    const int page = pageViewerOpen(&box);
    showText(box.text);
    upDown_->setPosition(page);
    field_->setText(QString::fromStdString(pageFieldText(page)));

    if (PosWin2.enabled) {
        move(PosWin2.left, PosWin2.top);
    } else if (QScreen* s = QGuiApplication::primaryScreen()) {
        QRect r = frameGeometry();
        r.moveCenter(s->availableGeometry().center());
        move(r.topLeft());
    }
    placed_ = true;
    rememberPosition();
    return exec();
}

void DialogPage::rememberPosition() {
    const QRect r = frameGeometry();
    PosWin2.left = r.left();
    PosWin2.top = r.top();
    PosWin2.right = r.right() + 1;
    PosWin2.bottom = r.bottom() + 1;
    PosWin2.enabled = 1;
}

void DialogPage::moveEvent(QMoveEvent* e) {
    QDialog::moveEvent(e);
    if (placed_) rememberPosition();
}

bool DialogPage::eventFilter(QObject* watched, QEvent* e) {
    if (watched == field_ && e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Up || k->key() == Qt::Key_Down) {
            showPage(upDown_->position() + (k->key() == Qt::Key_Up ? 1 : -1));
            return true;
        }
    }
    return QDialog::eventFilter(watched, e);
}

void DialogPage::keyPressEvent(QKeyEvent* e) {
    // Enter acts only in the page-number field; Escape is "Esc".
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) return;
    QDialog::keyPressEvent(e);
}
