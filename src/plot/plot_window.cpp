#include "plot/plot_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <algorithm>

#include "platform/text_cp1252.h"
#include "plot/plot_engine.h"

namespace plot {

namespace {

constexpr size_t kMaxPending = 64;

PixelPoint pixelOf(const QPointF& p) {
    return {static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y()))};
}

ScreenMetrics qtScreenMetrics() {
    ScreenMetrics m;
    if (QScreen* s = QGuiApplication::primaryScreen()) {
        QRect r = s->availableGeometry();
        m.width = r.width();
        m.height = r.height();
    }
    if (QStyle* st = QApplication::style()) {
        m.frameWidth = st->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth);
        m.frameHeight = m.frameWidth;
        m.captionHeight = st->pixelMetric(QStyle::PM_TitleBarHeight);
    }
    return m;
}

// A window without a size: two thirds of the screen width, page proportions, centred.
WindowGeometry placed(WindowGeometry g) {
    if (g.w > 0 && g.h > 0) return g;
    ScreenMetrics m = qtScreenMetrics();
    g.w = std::max(100, m.width * 2 / 3);
    g.h = g.w * kPageHeight / kPageWidth;
    g.x = (m.width - g.w) / 2;
    g.y = (m.height - g.h) / 2;
    return g;
}

} // namespace

void installPlotWindowDevices() {
    setPlotDeviceFactory(PlotOutput::Window, [](const PlotDeviceRequest& r) {
        return std::unique_ptr<PlotDevice>(new WindowPlotDevice(r.window, static_cast<QWidget*>(r.owner)));
    });
    setPlotDeviceFactory(PlotOutput::Png, [](const PlotDeviceRequest& r) {
        return std::unique_ptr<PlotDevice>(new PngPlotDevice(r.path, pngPageSize(r.window)));
    });
    setScreenMetricsProvider(qtScreenMetrics);
}

int plotKeyCode(int qtKey, const QString& text) {
    switch (qtKey) {
    case Qt::Key_Left:
        return 1;
    case Qt::Key_Up:
        return 2;
    case Qt::Key_Right:
        return 3;
    case Qt::Key_Down:
        return 4;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    }
    if (text.isEmpty()) return 0;
    const std::string bytes = utf8ToCp1252(text.left(1).toStdString());
    if (bytes.empty()) return 0;
    const int code = static_cast<unsigned char>(bytes[0]);
    // Control characters (Ctrl+letter) would read as arrows or Esc: only Tab and Backspace pass.
    if (code < 32 && code != 8 && code != 9) return 0;
    return code;
}

// ---------------------------------------------------------------- the widget

PlotWindow::PlotWindow(QWidget* owner, PixelSize size)
    : QWidget(owner, Qt::Window), image_(std::max(1, size.w), std::max(1, size.h), QImage::Format_RGB32) {
    image_.fill(Qt::white);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setFixedSize(image_.size());
}

void PlotWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, image_);
}

void PlotWindow::record(int code, PixelPoint at) {
    pointer_ = at;
    pending_.push_back({code, at});
    while (pending_.size() > kMaxPending) pending_.pop_front();
    emit recorded();
}

void PlotWindow::keyPressEvent(QKeyEvent* e) {
    const int code = plotKeyCode(e->key(), e->text());
    if (code == 0) return QWidget::keyPressEvent(e);
    record(code, pointer_);
}

void PlotWindow::mousePressEvent(QMouseEvent* e) {
    pointer_ = pixelOf(e->position());
    if (e->button() == Qt::LeftButton) record(5, pointer_);
}

void PlotWindow::mouseReleaseEvent(QMouseEvent* e) {
    pointer_ = pixelOf(e->position());
    if (e->button() == Qt::RightButton) record(6, pointer_);
}

void PlotWindow::mouseMoveEvent(QMouseEvent* e) {
    pointer_ = pixelOf(e->position());
}

void PlotWindow::closeEvent(QCloseEvent* e) {
    // The window belongs to the plot: a close request acts as Esc, the plot closes it.
    e->ignore();
    closeRequested_ = true;
    record(27, pointer_);
}

// ---------------------------------------------------------------- the device

WindowPlotDevice::WindowPlotDevice(const WindowGeometry& geometry, QWidget* owner)
    : geometry_(placed(geometry)), size_{geometry_.w, geometry_.h}, owner_(owner) {}

WindowPlotDevice::~WindowPlotDevice() {
    renderer_.reset();
    delete window_.data();
}

bool WindowPlotDevice::open() {
    // A child window of its owner (by default the modal dialog that opened the plot), so that it
    // takes input above it.
    QWidget* owner = owner_ ? owner_->window() : QApplication::activeModalWidget();
    window_ = new PlotWindow(owner, size_);
    window_->move(geometry_.x, geometry_.y);
    renderer_ = std::make_unique<QtPageRenderer>(window_->image(), true);
    window_->show();
    return true;
}

void WindowPlotDevice::beginPage() {
    if (window_) renderer_->clear();
}

void WindowPlotDevice::polyline(std::span<const PagePoint> points) {
    if (window_) renderer_->polyline(points);
}

void WindowPlotDevice::fillRect(const PageRect& r) {
    if (window_) renderer_->fillRect(r);
}

void WindowPlotDevice::text(PagePoint at, std::string_view text, const TextStyle& style) {
    if (window_) renderer_->text(at, text, style);
}

void WindowPlotDevice::setTitle(std::string_view title) {
    if (window_) window_->setWindowTitle(QString::fromUtf8(cp1252ToUtf8(title)));
}

void WindowPlotDevice::flush() {
    if (window_) window_->repaint();
}

void WindowPlotDevice::tidy(const HoldRule& hold) {
    if (!window_) return;
    flush();
    if (hold.hold) window_->pending().clear(); // only what the user does now ends the hold
    while (hold.hold && window_ && !window_->closeRequested()) {
        PlotEvent e = waitEvent();
        if (e.code == 5 || e.code == 6 || (hold.endKey && e.code == hold.endKey)) break;
    }
    if (window_) window_->hide();
}

PlotEvent WindowPlotDevice::waitEvent() {
    if (!window_) return {27, {}};
    const QString platform = QGuiApplication::platformName();
    if (platform != "offscreen" && platform != "minimal") { // those have no window stack
        window_->raise();
        window_->activateWindow();
    }
    window_->setFocus();
    while (window_ && window_->pending().empty()) {
        QEventLoop loop;
        QObject::connect(window_.data(), &PlotWindow::recorded, &loop, &QEventLoop::quit);
        QObject::connect(window_.data(), &QObject::destroyed, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (!window_) return {27, {}};
    PlotEvent e = window_->pending().front();
    window_->pending().pop_front();
    return e;
}

PlotEvent WindowPlotDevice::pollEvent() {
    if (!window_) return {27, {}};
    PlotEvent e{0, window_->pointer()};
    if (!window_->pending().empty()) e.code = window_->pending().back().code;
    window_->pending().clear();
    return e;
}

void WindowPlotDevice::movePointer(PixelPoint at) {
    if (!window_) return;
    window_->setPointer(at);
    QCursor::setPos(window_->mapToGlobal(QPoint(at.x, at.y)));
}

void WindowPlotDevice::setPointer(PointerShape shape) {
    if (!window_) return;
    switch (shape) {
    case PointerShape::Cross:
        window_->setCursor(Qt::CrossCursor);
        break;
    case PointerShape::Arrow:
        window_->setCursor(Qt::ArrowCursor);
        break;
    case PointerShape::VerticalArrow:
        window_->setCursor(Qt::UpArrowCursor);
        break;
    }
}

} // namespace plot
