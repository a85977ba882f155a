#include "plot/offscreen_png_window.h"

#include <QGuiApplication>
#include <cstdlib>

#include "plot/plot_device.h"
#include "plot/plot_render_window.h"

namespace plot {

namespace {

// Qt's notes about the missing display and the like mean nothing to a command-line user; only
// what stops the drawing is passed on.
void quietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& msg) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "korvane: %s\n", msg.toLocal8Bit().constData());
}

} // namespace

struct OffscreenGraphics::Impl {
    int argc = 1;
    char name[8] = "korvane";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<QGuiApplication> app;
    QtMessageHandler oldHandler = nullptr;
    PlotDeviceFactory oldPng;
};

OffscreenGraphics::OffscreenGraphics() : impl_(std::make_unique<Impl>()) {
    impl_->oldHandler = qInstallMessageHandler(quietQtMessages);
    if (!QGuiApplication::instance()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        impl_->app = std::make_unique<QGuiApplication>(impl_->argc, impl_->argv);
    }
    impl_->oldPng = setPlotDeviceFactory(PlotOutput::Png, [](const PlotDeviceRequest& r) {
        return std::unique_ptr<PlotDevice>(new PngPlotDevice(r.path, pngPageSize(r.window)));
    });
}

OffscreenGraphics::~OffscreenGraphics() {
    setPlotDeviceFactory(PlotOutput::Png, std::move(impl_->oldPng));
    impl_->app.reset();
    qInstallMessageHandler(impl_->oldHandler);
}

} // namespace plot
