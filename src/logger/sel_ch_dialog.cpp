#include "logger/sel_ch_dialog.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "link/korvane_com.h"
#include "logger/channel_select.h"
#include "logger/download.h"
#include "logger/logger_widgets_dialog.h"
#include "logger/monitor_dialog.h"
#include "logger/session.h"
#include "logger/time_marks.h"
#include "platform/ui_qt_dialog.h"
#include "plot/plot_engine.h"
#include "tables/datalogger.h"

namespace {

QString idName(int id) {
    return QStringLiteral("id%1").arg(id);
}

QColor rgbColour(uint32_t rgb) {
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

constexpr QSize kArea(700, 470);

} // namespace

DlgSelCH::DlgSelCH(DlgMonitor* monitor) : QDialog(nullptr), monitor_(monitor) {
    setObjectName("id1200");
    setWindowTitle("Canali definiti nella sessione di misura corrente");
    auto* area = new QWidget(this);
    area->setFixedSize(kArea);

    auto label = [&](int id, const char* text, const QRect& r) {
        auto* l = new QLabel(text, area);
        l->setObjectName(idName(id));
        l->setGeometry(r);
        return l;
    };
    auto field = [&](int id, const QRect& r) {
        auto* e = new QLineEdit(area);
        e->setObjectName(idName(id));
        e->setGeometry(r);
        return e;
    };
    label(1201, "Data di inizio della sessione:", QRect(10, 10, 200, 24));
    label(1202, "Ora di inizio della sessione:", QRect(10, 40, 200, 24));
    date_ = field(1203, QRect(214, 10, 100, 24));
    time_ = field(1204, QRect(214, 40, 100, 24));
    date_->setReadOnly(true);
    time_->setReadOnly(true);

    grid_ = new QTableWidget(area);
    grid_->setObjectName(idName(1210));
    grid_->setGeometry(10, 74, 680, 230);
    grid_->setSelectionMode(QAbstractItemView::NoSelection); // rows are never shown selected
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->verticalHeader()->hide();
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_->setFocusPolicy(Qt::NoFocus);
    connect(grid_, &QTableWidget::cellClicked, this, [this](int r, int c) { cellClicked(r, c); });

    label(1205, "", QRect(10, 310, 680, 24));
    graph_ = new QCheckBox("Graph", area);
    graph_->setObjectName(idName(1207));
    graph_->setGeometry(10, 340, 120, 24);
    graphCur_ = new QCheckBox("Graph Cur", area);
    graphCur_->setObjectName(idName(1208));
    graphCur_->setGeometry(140, 340, 120, 24);
    // The boxes follow the exclusion rule of the core, not their own toggling.
    for (QCheckBox* b : {graph_, graphCur_}) {
        connect(b, &QCheckBox::clicked, this, [this, b] {
            bool g = graph_->isChecked() != (b == graph_), c = graphCur_->isChecked() != (b == graphCur_);
            toggleGraphCheck(b == graphCur_, g, c);
            graph_->setChecked(g);
            graphCur_->setChecked(c);
        });
    }

    blueGroupBox("Salvataggio su file", 1209, QRect(290, 334, 400, 80), area);
    label(1217, "Periodo (s)", QRect(300, 366, 80, 26));
    period_ = field(1216, QRect(384, 366, 70, 26));
    period_->setMaxLength(6);
    connect(period_, &QLineEdit::textChanged, this, [this] { periodChanged(); });
    start_ = new QPushButton("Start", area);
    start_->setObjectName(idName(1211));
    start_->setAutoDefault(false);
    start_->setGeometry(470, 362, 100, 34);
    connect(start_, &QPushButton::clicked, this, [this] { startClicked(); });
    elapsed_ = label(1212, "", QRect(470, 366, 200, 26));
    QPalette ep = elapsed_->palette();
    ep.setColor(QPalette::WindowText, Qt::red);
    elapsed_->setPalette(ep);

    auto* esc = new QPushButton("Esc", area);
    esc->setObjectName(idName(1220));
    esc->setAutoDefault(false);
    esc->setGeometry(10, 424, 100, 34);
    connect(esc, &QPushButton::clicked, this, [this] { done(0); });

    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->addWidget(area);
    setFixedSize(sizeHint());
}

DlgSelCH::~DlgSelCH() {
    if (monitor_) monitor_->setSelectionDialog(nullptr);
}

QWidget* DlgSelCH::control(int id) const {
    return findChild<QWidget*>(idName(id));
}

int DlgSelCH::run() {
    centreOnScreen(this);
    Timeout_rx = Timeout_rx_def;
    // The logger stops relaying packets while the session is read, so that none of them can be
    // taken for a reply.
    if (monitor_)
        monitor_->pauseStreaming([this] { initSession(windowOf(this)); });
    else
        initSession(windowOf(this));
    const std::string& s = DataTimeSS;
    if (s.size() >= 13) {
        date_->setText(QString::asprintf("%c%c/%c%c/%c%c", s[4], s[5], s[2], s[3], s[0], s[1]));
        time_->setText(QString::asprintf("%c%c:%c%c:%c%c", s[7], s[8], s[9], s[10], s[11], s[12]));
    }
    loadLV_selch();
    static_cast<QLabel*>(control(1205))
        ->setText("Selezionare i canali da visualizzare con il mouse e al termine premere Esc");
    enableGraphBoxes();
    period_->setText(QString::number(Tsample_exp));
    enable_cntr_exp();
    if (monitor_) monitor_->setSelectionDialog(this);
    if (Exportfile) {
        std::string e;
        getTimeSig2(e, static_cast<uint32_t>(DlgMonitor::now()) - StartExpTime);
        setElapsed(e);
    }
    if (monitor_) monitor_->timer().start();
    return exec();
}

int DlgSelCH::loadLV_selch() {
    const SelchGrid g = selchGrid();
    grid_->clear();
    grid_->setColumnCount(static_cast<int>(g.titles.size()));
    grid_->setRowCount(static_cast<int>(g.cells.size()));
    for (size_t c = 0; c < g.titles.size(); ++c) {
        grid_->setHorizontalHeaderItem(static_cast<int>(c), new QTableWidgetItem(qtText(g.titles[c])));
        grid_->setColumnWidth(static_cast<int>(c), g.widths[c]);
    }
    for (size_t r = 0; r < g.cells.size(); ++r) {
        for (size_t c = 0; c < g.cells[r].size(); ++c) {
            auto* item = new QTableWidgetItem(qtText(g.cells[r][c]));
            item->setTextAlignment(Qt::AlignCenter);
            item->setFlags(Qt::ItemIsEnabled);
            grid_->setItem(static_cast<int>(r), static_cast<int>(c), item);
        }
    }
    paintCells();
    return 0;
}

void DlgSelCH::paintCells() {
    for (int r = 0; r < grid_->rowCount(); ++r)
        for (int c = 0; c < grid_->columnCount(); ++c)
            if (QTableWidgetItem* item = grid_->item(r, c))
                item->setBackground(rgbColour(selchCellColour(r, c)));
}

void DlgSelCH::cellClicked(int row, int col) {
    if (selchClick(row, col)) {
        enableGraphBoxes();
        paintCells();
    }
}

void DlgSelCH::enableGraphBoxes() {
    const bool any = InfoSELCH.ncsel > 0;
    graph_->setEnabled(any);
    graphCur_->setEnabled(any);
}

void DlgSelCH::periodChanged() {
    const bool ok = applyExportPeriod(period_->text().toStdString()) == 1;
    start_->setEnabled(ok);
    QPalette p = period_->palette();
    p.setColor(QPalette::Base, ok ? palette().color(QPalette::Base) : QColor(255, 0, 0));
    period_->setPalette(p);
}

void DlgSelCH::startClicked() {
    openFileExp(windowOf(this));
    if (startExportFile(DlgMonitor::now())) enable_cntr_exp();
}

void DlgSelCH::enable_cntr_exp() {
    const ExportControls e = exportControls();
    start_->setVisible(e.startVisible);
    elapsed_->setVisible(e.elapsedVisible);
    period_->setEnabled(e.periodEnabled);
}

void DlgSelCH::setElapsed(const std::string& text) {
    elapsed_->setText(qtText(text));
}

void DlgSelCH::done(int r) {
    if (!closing_) {
        closing_ = true;
        // The graph belongs to the monitor, not to this dialog that is about to go.
        plot::setPlotWindowOwner(windowOf(monitor_));
        openSelectedGraph(graph_->isChecked(), graphCur_->isChecked());
        plot::setPlotWindowOwner(nullptr);
        if (monitor_) monitor_->setSelectionDialog(nullptr);
    }
    QDialog::done(r);
}
