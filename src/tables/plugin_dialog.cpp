#include "tables/plugin_dialog.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/ui_qt_dialog.h"
#include "shell/korvane.h"

DlgPlugin::DlgPlugin(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName("id1100");
    setWindowTitle(QStringLiteral("Post-elaborazione dati"));
}

QWidget* DlgPlugin::control(int id) const {
    return findChild<QWidget*>(QStringLiteral("id%1").arg(id));
}

int DlgPlugin::run() {
    found_ = findPlugins(Exe_dir, "exe");
    if (found_.empty()) return 0;

    auto* lay = new QVBoxLayout(this);
    for (size_t i = 0; i < found_.size(); ++i) {
        auto* b =
            new QPushButton(QString::fromLatin1(Lista_plugin[static_cast<size_t>(found_[i].index)]), this);
        b->setObjectName(QStringLiteral("id%1").arg(1101 + static_cast<int>(i)));
        b->setAutoDefault(false);
        b->setMinimumWidth(180);
        const PluginFile plugin = found_[i];
        connect(b, &QPushButton::clicked, this, [this, plugin] { launch(plugin); });
        lay->addWidget(b);
    }
    auto* esc = new QPushButton(QStringLiteral("Esc"), this);
    esc->setObjectName("id1104");
    esc->setAutoDefault(false);
    connect(esc, &QPushButton::clicked, this, [this] { reject(); });
    lay->addSpacing(8);
    lay->addWidget(esc);

    centreOnOwner(this);
    exec();
    return 1;
}

void DlgPlugin::launch(const PluginFile& plugin) {
    // While the program runs this window only repaints; it takes no input.
    setEnabled(false);
    const int rc =
        runPlugin(plugin, [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
    setEnabled(true);
    if (rc < 0)
        messageBox(windowOf(this),
                   std::string("Impossibile avviare ") + Lista_plugin[static_cast<size_t>(plugin.index)] +
                       " !",
                   "Error", MsgButtons::Ok, MsgIcon::Error);
}

void DlgPlugin::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) return;
    QDialog::keyPressEvent(e);
}

void DlgPlugin::reject() {
    done(1);
}
