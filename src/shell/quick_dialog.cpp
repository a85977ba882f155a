#include "shell/quick_dialog.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "archive/archive_desktop.h"
#include "boards/mw51_cfg_dialog.h"
#include "logger/page_dialog.h"
#include "logger/session.h"
#include "logger/time_marks.h"
#include "platform/text_cp1252.h"
#include "shell/korvane.h"
#include "shell/screen_rules.h"
#include "shell/table_hook_dialog.h"

namespace {

// The session list as the core fills it: drop-down list 504.
class ComboChoices : public ChoiceList {
  public:
    explicit ComboChoices(QComboBox* box) : box_(box) {}
    void clear() override { box_->clear(); }
    void add(std::string_view text) override { box_->addItem(qtText(text)); }

  private:
    QComboBox* box_;
};

// Layout [pixels]; group boxes are frames behind their controls.
constexpr QRect kGroupImage(10, 8, 440, 72);
constexpr QRect kGroupSession(10, 88, 440, 344);
constexpr QRect kSummary(20, 110, 420, 272);
constexpr QRect kGroupProcessing(462, 8, 188, 104);
constexpr QSize kArea(660, 440);

// Controls disabled when the dialog starts on a file named on the command line.
constexpr int kImageControls[] = {506, 505, 504, 507, 232, 234, 533, 501, 508};

} // namespace

DialogQuick::DialogQuick(QWidget* parent) : PanelDialog(parent, 500) {
    setWindowTitle(qtText(Nome_prog2));

    auto* area = new QWidget(this);
    area->setFixedSize(kArea);
    buildControls(area);
    finishLayout(area, 509, false);
}

DialogQuick::~DialogQuick() = default;

void DialogQuick::buildControls(QWidget* area) {
    PanelControls make(area);
    auto group = [&make](int id, const char* text, const QRect& r) { return make.group(id, text, r); };
    auto button = [&make](int id, const char* text, const QRect& r) { return make.button(id, text, r); };
    auto label = [&make](int id, const char* text, const QRect& r) { return make.label(id, text, r); };

    group(506, "Lettura file immagine", kGroupImage);
    group(508, "Sessione di misura corrente", kGroupSession);
    group(501, "Elaborazione dati", kGroupProcessing);

    connect(button(505, "Load", QRect(20, 34, 90, 30)), &QPushButton::clicked, this, [this] { load(); });
    label(507, "Data inizio sessione", QRect(122, 36, 140, 26));
    sessions_ = new QComboBox(area);
    sessions_->setObjectName(idName(504));
    sessions_->setGeometry(264, 34, 176, 30);
    connect(sessions_, &QComboBox::activated, this, [this](int index) { sessionChosen(index); });

    summary_ = make.summary(528, kSummary);
    summaryBox_ = std::make_unique<QtTextBox>(summary_);
    pageFirst_ = button(511, "Page First", QRect(20, 392, 130, 30));
    connect(pageFirst_, &QPushButton::clicked, this, [this] { viewPage(1); });
    pageLast_ = button(513, "Page Last", QRect(160, 392, 130, 30));
    connect(pageLast_, &QPushButton::clicked, this, [this] { viewPage(2); });

    label(232, "Sample Time", QRect(474, 36, 84, 24));
    sample_ = new QLineEdit(area);
    sample_->setObjectName(idName(533));
    sample_->setGeometry(560, 34, 56, 26);
    sample_->setMaxLength(5);
    connect(sample_, &QLineEdit::textChanged, this, [this] { sampleChanged(); });
    label(234, "s", QRect(620, 36, 20, 24));
    start_ = button(510, "Start", QRect(474, 72, 164, 30));
    connect(start_, &QPushButton::clicked, this, [this] { start(); });

    connect(button(514, "Load file .txt", QRect(474, 130, 164, 30)), &QPushButton::clicked, this,
            [this] { loadTextFile(); });
    connect(button(512, "Exit", QRect(474, 398, 164, 34)), &QPushButton::clicked, this, [this] { done(1); });
}

void DialogQuick::applyState() {
    pageFirst_->setEnabled(buttons_.pageFirst);
    pageLast_->setEnabled(buttons_.pageLast);
    start_->setEnabled(buttons_.start);

    QPalette sp = palette();
    if (Flag.table_error == 0) sp.setColor(QPalette::Base, panelColour(kSummaryBackground, sp));
    summary_->setPalette(sp);
    QPalette fp = palette();
    if (Flag.sample_error == 1) fp.setColor(QPalette::Base, panelColour(kFieldErrorRed, fp));
    sample_->setPalette(fp);
}

int DialogQuick::run() {
    quickOpen(buttons_);
    sample_->setText(QString::number(Tsample)); // checked like a typed value
    applyState();
    setStatus(0, " Ready");
    setStatus(1, "");
    centreOnScreen(this);
    if (!Data_file.empty()) {
        for (int id : kImageControls) control(id)->setEnabled(false);
        // Part of the opening: the dialog is up (modal, as exec() keeps it) and the data table
        // opens over it.
        setWindowModality(Qt::ApplicationModal);
        show();
        loadTextFile();
    }
    return exec();
}

void DialogQuick::load() {
    ComboChoices list(sessions_);
    const int chosen = quickLoad(buttons_, windowOf(this), &list, summaryBox_.get());
    if (chosen >= 0) {
        sessions_->setCurrentIndex(chosen);
        summaryBox_->scrollToTop();
    }
    applyState();
}

void DialogQuick::sessionChosen(int index) {
    std::string start;
    if (index >= 0 && index < IndTab)
        start = Table[index].datainizio;
    else
        start = utf8ToCp1252(sessions_->itemText(index).toStdString());
    quickNewChoice(buttons_, start, summaryBox_.get());
    summaryBox_->scrollToTop();
    applyState();
}

void DialogQuick::viewPage(int pageType) {
    Flag.page_type = pageType;
    {
        DialogPage viewer(this);
        viewer.run();
    }
    quickAfterPageView(buttons_, pageType, summaryBox_.get());
    summaryBox_->scrollToTop();
    applyState();
}

void DialogQuick::sampleChanged() {
    quickSampleChanged(buttons_, utf8ToCp1252(sample_->text().toStdString()));
    applyState();
}

void DialogQuick::start() {
    setStatus(0, " Busy...");
    if (quickDecode(windowOf(this)) != 1) {
        setStatus(0, " Ready");
        return;
    }
    setStatus(0, " Ready");
    openDataTableFor(this);
    quickRemoveWorkingFile();
}

void DialogQuick::loadTextFile() {
    if (quickLoadText(windowOf(this)) != 1) return;
    openDataTableFor(this);
    quickRemoveWorkingFile();
}

bool DialogQuick::altKey(int key) {
    if (key == Qt::Key_R) { // a session of a plant archive
        if (quickLoadArchive(windowOf(this)) != 1) return true;
        openDataTableFor(this);
        quickRemoveWorkingFile();
        return true;
    }
    if (key != Qt::Key_S) return false;
    DlgMW51chk(this);
    return true;
}
