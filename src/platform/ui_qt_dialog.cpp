#include "platform/ui_qt_dialog.h"

#include <QApplication>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTextCursor>
#include <QVBoxLayout>

#include "boards/input_boxes_dialog.h"
#include "platform/text_cp1252.h"

QString qtText(std::string_view cp1252) {
    QString s = QString::fromStdString(cp1252ToUtf8(cp1252));
    s.remove(QChar('\r'));
    return s;
}

namespace {

// A path or file name as bytes of the core, and back.
QString qtPath(std::string_view cp1252) {
    return QString::fromStdString(cp1252ToUtf8(cp1252));
}
std::string corePath(const QString& s) {
    return utf8ToCp1252(s.toStdString());
}

} // namespace

// ---- wait window ----

WaitDialog::WaitDialog(QWidget* owner) : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName("id300");
    setWindowModality(Qt::ApplicationModal);

    // Without a caption the window draws its own border.
    auto* frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    frame->setLineWidth(2);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);

    text_ = new QLabel(frame);
    text_->setObjectName("id302");
    text_->setAlignment(Qt::AlignCenter);
    text_->setTextFormat(Qt::PlainText);
    text_->setWordWrap(true);
    text_->setFixedHeight(2 * text_->fontMetrics().lineSpacing() + 4);

    bar_ = new QProgressBar(frame);
    bar_->setObjectName("id303");
    bar_->setRange(0, 100);
    bar_->setValue(0);
    bar_->setTextVisible(false);

    esc_ = new QPushButton("Esc", frame);
    esc_->setObjectName("id301");
    esc_->setAutoDefault(false);
    connect(esc_, &QPushButton::clicked, this, [this] { escPressed_ = true; });

    auto* lay = new QVBoxLayout(frame);
    lay->setContentsMargins(12, 10, 12, 10);
    lay->addWidget(text_);
    lay->addWidget(bar_);
    lay->addWidget(esc_, 0, Qt::AlignHCenter);

    setFixedSize(300, sizeHint().height());
}

void WaitDialog::setText(std::string_view cp1252) {
    text_->setText(qtText(cp1252));
}

void WaitDialog::setBar(unsigned percent) {
    bar_->setValue(static_cast<int>(percent > 100 ? 100 : percent));
}

bool WaitDialog::takeEsc() {
    bool e = escPressed_;
    escPressed_ = false;
    return e;
}

void WaitDialog::reject() {
    escPressed_ = true;
}

// ---- file boxes ----

std::string fileBoxPath(std::string_view typed, std::string_view defaultExt) {
    std::string path(typed);
    while (!defaultExt.empty() && defaultExt.front() == '.') defaultExt.remove_prefix(1);
    const size_t slash = path.find_last_of('/');
    const std::string_view name = std::string_view(path).substr(slash == std::string::npos ? 0 : slash + 1);
    if (defaultExt.empty() || name.empty() || name.find('.') != std::string_view::npos) return path;
    path += '.';
    path += defaultExt;
    return path;
}

FileBoxCheck fileBoxCheck(const FileBoxRequest& req, bool save, bool exists) {
    if (!save && req.mustExist && !exists) return FileBoxCheck::Missing;
    if (save && req.askOverwrite && exists) return FileBoxCheck::AskOverwrite;
    return FileBoxCheck::Accept;
}

FileBoxDialog::FileBoxDialog(QWidget* owner, const FileBoxRequest& req, bool save)
    : QFileDialog(owner), req_(req), save_(save) {
    setObjectName(save ? "saveFileBox" : "openFileBox");
    setOption(QFileDialog::DontUseNativeDialog, true);
    // Existence and replacing are checked in accept(), after the default extension is added.
    setOption(QFileDialog::DontConfirmOverwrite, true);
    setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    setFileMode(QFileDialog::AnyFile);
    setWindowTitle(qtText(req.title));
    if (!req.filter.empty())
        setNameFilters(qtPath(req.filter).split(QStringLiteral(";;"), Qt::SkipEmptyParts));
    if (!req.initialName.empty()) selectFile(qtPath(req.initialName));
}

void FileBoxDialog::accept() {
    const QStringList files = selectedFiles();
    if (files.isEmpty()) return;
    const QFileInfo typed(files.first());
    if (typed.isDir()) { // a folder typed or chosen: open it
        setDirectory(typed.absoluteFilePath());
        selectFile(QString());
        return;
    }
    // An existing file picked in an open box is taken as it is; otherwise the default extension
    // applies.
    const QFileInfo info = !save_ && typed.exists()
                               ? typed
                               : QFileInfo(QString::fromStdString(fileBoxPath(
                                     files.first().toStdString(), cp1252ToUtf8(req_.defaultExt))));
    switch (fileBoxCheck(req_, save_, info.exists())) {
    case FileBoxCheck::Missing: {
        QMessageBox box(
            QMessageBox::Warning, windowTitle(),
            QStringLiteral("%1\nFile non trovato.\nVerificare il nome del file.").arg(info.fileName()),
            QMessageBox::Ok, this);
        box.setTextFormat(Qt::PlainText);
        box.exec();
        return;
    }
    case FileBoxCheck::AskOverwrite: {
        QMessageBox box(QMessageBox::Warning, windowTitle(),
                        QStringLiteral("%1 esiste gia'.\nSostituirlo ?").arg(info.fileName()),
                        QMessageBox::Yes | QMessageBox::No, this);
        box.setTextFormat(Qt::PlainText);
        box.setDefaultButton(QMessageBox::No);
        if (box.exec() != QMessageBox::Yes) return;
        break;
    }
    case FileBoxCheck::Accept:
        break;
    }
    chosen_ = info.absoluteFilePath();
    QDialog::accept();
}

// ---- backend ----

QtUi::~QtUi() {
    delete wait_.data();
}

MsgAnswer QtUi::messageBox(Window owner, const std::string& text, const std::string& title,
                           MsgButtons buttons, MsgIcon icon) {
    QMessageBox::Icon qi = QMessageBox::NoIcon;
    switch (icon) {
    case MsgIcon::None:
        break;
    case MsgIcon::Error:
        qi = QMessageBox::Critical;
        break;
    case MsgIcon::Warning:
        qi = QMessageBox::Warning;
        break;
    case MsgIcon::Question:
        qi = QMessageBox::Question;
        break;
    case MsgIcon::Info:
        qi = QMessageBox::Information;
        break;
    }
    QMessageBox::StandardButtons sb;
    QMessageBox::StandardButton first = QMessageBox::Ok;
    MsgAnswer dismissed = MsgAnswer::Ok; // the answer when the box is closed without a button
    switch (buttons) {
    case MsgButtons::Ok:
        sb = QMessageBox::Ok;
        break;
    case MsgButtons::OkCancel:
        sb = QMessageBox::Ok | QMessageBox::Cancel;
        dismissed = MsgAnswer::Cancel;
        break;
    case MsgButtons::YesNo:
        sb = QMessageBox::Yes | QMessageBox::No;
        first = QMessageBox::Yes;
        dismissed = MsgAnswer::No;
        break;
    case MsgButtons::YesNoCancel:
        sb = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        first = QMessageBox::Yes;
        dismissed = MsgAnswer::Cancel;
        break;
    case MsgButtons::AbortRetryIgnore:
        sb = QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
        first = QMessageBox::Abort;
        dismissed = MsgAnswer::Abort;
        break;
    }

    QMessageBox box(qi, qtText(title), qtText(text), sb, widgetOf(owner));
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(first);
    box.exec();
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Ok:
        return MsgAnswer::Ok;
    case QMessageBox::Cancel:
        return MsgAnswer::Cancel;
    case QMessageBox::Yes:
        return MsgAnswer::Yes;
    case QMessageBox::No:
        return MsgAnswer::No;
    case QMessageBox::Abort:
        return MsgAnswer::Abort;
    case QMessageBox::Retry:
        return MsgAnswer::Retry;
    case QMessageBox::Ignore:
        return MsgAnswer::Ignore;
    default:
        return dismissed;
    }
}

void QtUi::waitOpen(Window owner, const std::string& text) {
    delete wait_.data();
    wait_ = new WaitDialog(widgetOf(owner));
    wait_->setText(text);
    QScreen* screen = QGuiApplication::primaryScreen();
    if (QWidget* o = widgetOf(owner); o && o->screen()) screen = o->screen();
    if (screen) {
        QRect r = wait_->frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        wait_->move(r.topLeft());
    }
    wait_->show();
}

void QtUi::waitText(const std::string& text) {
    if (wait_) wait_->setText(text);
}

void QtUi::waitBar(unsigned percent) {
    if (wait_) wait_->setBar(percent);
}

WaitEvent QtUi::waitPump() {
    QCoreApplication::processEvents();
    return wait_ && wait_->takeEsc() ? WaitEvent::Esc : WaitEvent::None;
}

void QtUi::waitClose() {
    delete wait_.data();
    wait_ = nullptr;
}

Window QtUi::waitWindow() {
    return wait_ ? windowOf(wait_.data()) : nullptr;
}

int QtUi::inputBox(Window owner, InputBoxKind kind) {
    InputBoxDialog box(kind, widgetOf(owner));
    return box.run();
}

namespace {
bool runFileBox(Window owner, const FileBoxRequest& req, bool save, std::string& path) {
    FileBoxDialog box(widgetOf(owner), req, save);
    if (box.exec() != QDialog::Accepted || box.chosen().isEmpty()) return false;
    path = corePath(box.chosen());
    return true;
}
} // namespace

bool QtUi::openFileBox(Window owner, const FileBoxRequest& req, std::string& path) {
    return runFileBox(owner, req, false, path);
}

bool QtUi::saveFileBox(Window owner, const FileBoxRequest& req, std::string& path) {
    return runFileBox(owner, req, true, path);
}

void QtUi::beep() {
    QApplication::beep();
}

// ---- text box ----

void QtTextBox::clear() {
    edit_->clear();
}

void QtTextBox::append(std::string_view text) {
    QTextCursor c(edit_->document());
    c.movePosition(QTextCursor::End);
    c.insertText(qtText(text));
}

void QtTextBox::scrollToTop() {
    edit_->moveCursor(QTextCursor::Start);
    edit_->verticalScrollBar()->setValue(0);
}

void centreOnOwner(QWidget* dialog) {
    dialog->ensurePolished(); // the final fonts and margins, so that the size is the one shown
    dialog->adjustSize();
    QRect r(QPoint(0, 0), dialog->size());
    if (QWidget* owner = dialog->parentWidget() ? dialog->parentWidget()->window() : nullptr) {
        r.moveCenter(owner->geometry().center());
    } else if (QScreen* s = QGuiApplication::primaryScreen()) {
        r.moveCenter(s->availableGeometry().center());
    }
    dialog->setGeometry(r);
}

void centreOnScreen(QWidget* window) {
    if (QScreen* s = QGuiApplication::primaryScreen()) {
        QRect r = window->frameGeometry();
        r.moveCenter(s->availableGeometry().center());
        window->move(r.topLeft());
    }
}
