#include "tables/set_file_dialog.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include <algorithm>
#include <string>

#include "boards/input_boxes.h"
#include "logger/download.h"
#include "logger/time_marks.h"
#include "platform/ui_qt_dialog.h"
#include "shell/korvane.h"
#include "tables/column_graph.h"
#include "tables/data_table.h"
#include "tables/export_format.h"
#include "tables/header_editor_dialog.h"
#include "tables/plugin_dialog.h"
#include "tables/table_view_dialog.h"

namespace {

QString idName(int id) {
    return QStringLiteral("id%1").arg(id);
}

// Layout [pixels]: the list from (38, 110), (screen width - 100) x (screen height - 300); the
// edit buttons 10 pixels below it, each at its x or right after the one before when its text
// needs more room; "Esc" at screen width - 122.
constexpr int kListLeft = 38, kListTop = 110;
constexpr int kButtonHeight = 30, kButtonGap = 6, kButtonMinWidth = 90;
struct ButtonPlace {
    int id, x;
};
constexpr ButtonPlace kEditButtons[] = {{803, 38}, {804, 158}, {812, 278}, {811, 372}, {813, 500}};
constexpr int kEscFromRight = 122;

} // namespace

DlgSetFile::DlgSetFile(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName("id800");
    setWindowTitle(QStringLiteral("Formattazione file di uscita"));
    buildControls();
}

DlgSetFile::~DlgSetFile() {
    // The view lets go of the model before the model lets go of the table.
    list_->setModel(nullptr);
}

void DlgSetFile::buildControls() {
    // The frame first: the controls lie above it.
    auto* group = new QGroupBox(QStringLiteral("Salvataggio File"), this);
    group->setObjectName(idName(809));
    group->setGeometry(kListLeft, 6, 540, 96);
    QPalette gp = group->palette();
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        gp.setColor(role, QColor(0, 0, 255));
    group->setPalette(gp);

    formatA_ = new QRadioButton(QStringLiteral("Formato File A"), this);
    formatA_->setObjectName(idName(805));
    formatA_->setGeometry(kListLeft + 14, 30, 150, 26);
    formatB_ = new QRadioButton(QStringLiteral("Formato File B"), this);
    formatB_->setObjectName(idName(806));
    formatB_->setGeometry(kListLeft + 14, 62, 150, 26);

    auto* label = new QLabel(QStringLiteral("Separatore decimale:"), this);
    label->setObjectName(idName(810));
    label->setGeometry(kListLeft + 180, 30, 170, 26);
    comma_ = new QPushButton(this);
    comma_->setObjectName(idName(808));
    comma_->setCheckable(true);
    comma_->setAutoDefault(false);
    comma_->setGeometry(kListLeft + 180, 60, 110, kButtonHeight);
    connect(comma_, &QPushButton::clicked, this, [this] { toggleComma(); });

    auto* saveButton = new QPushButton(QStringLiteral("Save"), this);
    saveButton->setObjectName(idName(807));
    saveButton->setAutoDefault(false);
    saveButton->setGeometry(kListLeft + 400, 42, 120, 34);
    connect(saveButton, &QPushButton::clicked, this, [this] { save(); });

    list_ = new DataTableView(this);
    list_->setObjectName(idName(801));
    model_ = std::make_unique<TableViewModel>(table_, SelCol);
    list_->setModel(model_.get());
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& s, const QItemSelection& d) { markRows(s, d); });
    connect(model_.get(), &TableViewModel::rowMarksChanged, this, [this] { showRowMarks(); });
    connect(list_, &DataTableView::itemColumnPressing, this, [] { item_sel_en = 1; });
    connect(list_, &DataTableView::itemColumnClicked, this,
            [this](int row, bool right) { itemColumnClicked(row, right); });
    connect(list_, &DataTableView::dataColumnClicked, this,
            [this](int col, bool right) { dataColumnClicked(col, right); });
    connect(list_, &DataTableView::dataCellDoubleClicked, this,
            [this](int row, int col) { editCell(row, col); });
    connect(list_->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int col) { editHeader(col); });

    const struct {
        int id;
        const char* text;
        void (DlgSetFile::*slot)();
    } buttons[] = {{803, "<<< Sposta colonna", &DlgSetFile::moveColumn},
                   {804, "Fondi colonne", &DlgSetFile::mergeColumns},
                   {812, "Elimina colonne", &DlgSetFile::deleteColumns},
                   {811, "Elimina item", &DlgSetFile::deleteRows},
                   {813, "Grafico", &DlgSetFile::graph},
                   {802, "Esc", &DlgSetFile::reject}};
    for (const auto& b : buttons) {
        auto* w = new QPushButton(QString::fromLatin1(b.text), this);
        w->setObjectName(idName(b.id));
        w->setAutoDefault(false);
        connect(w, &QPushButton::clicked, this, b.slot);
    }
}

QWidget* DlgSetFile::control(int id) const {
    return findChild<QWidget*>(idName(id));
}

void DlgSetFile::layoutControls(QSize client) {
    const int w = client.width(), h = client.height();
    const int listW = std::max(200, w - 100), listH = std::max(100, h - 300);
    list_->setGeometry(kListLeft, kListTop, listW, listH);
    const int y = kListTop + listH + 10;
    int right = 0;
    for (const ButtonPlace& p : kEditButtons) {
        QWidget* b = control(p.id);
        const int bw = std::max(kButtonMinWidth, b->sizeHint().width());
        const int x = std::max(p.x, right + kButtonGap);
        b->setGeometry(x, y, bw, kButtonHeight);
        right = x + bw;
    }
    QWidget* esc = control(802);
    esc->setGeometry(std::max(w - kEscFromRight, right + kButtonGap), y,
                     std::max(84, esc->sizeHint().width()), kButtonHeight);
}

void DlgSetFile::setColumnWidths() {
    // "Item" and "Time" at their widths, or as wide as their longest texts need.
    const QFontMetrics fm = list_->fontMetrics();
    if (table_.columnCount() > 0) list_->setColumnWidth(0, std::max(35, fm.horizontalAdvance("100000") + 12));
    if (table_.columnCount() > 1)
        list_->setColumnWidth(1, std::max(100, fm.horizontalAdvance("000000_000000") + 12));
    const int n = static_cast<int>(InfoSES.nSubItem) + Flag.CH_etaG + Flag.CH_eneD;
    const int dataWidth = dataColumnWidth(screenWidth_, n);
    for (int c = kFirstDataColumn; c < table_.columnCount(); ++c) list_->setColumnWidth(c, dataWidth);
}

int DlgSetFile::run() {
    QScreen* s = QGuiApplication::primaryScreen();
    if (parentWidget() && parentWidget()->screen()) s = parentWidget()->screen();
    if (s) {
        // The window, frame included, covers the screen from (1, 1); the frame is subtracted once
        // it is known (showEvent).
        const QRect area = s->availableGeometry();
        screenWidth_ = area.width();
        move(area.topLeft() + QPoint(1, 1));
        resize(area.size() - QSize(1, 1));
    }
    layoutControls(size());

    formatA_->setChecked(Flag.file_format == 0);
    formatB_->setChecked(Flag.file_format != 0);
    comma_->setChecked(Flag.comma == 1);
    comma_->setText(Flag.comma == 1 ? QStringLiteral("Virgola") : QStringLiteral("Punto"));

    openDataTable(table_, windowOf(this));
    setColumnWidths();
    showColumnButtons();
    showItemButton(false);

    placed_ = true;
    rememberPosition();
    list_->setFocus();
    return exec();
}

void DlgSetFile::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (fitted_) return;
    fitted_ = true;
    const QSize frame = frameGeometry().size() - size();
    if (frame.width() > 0 || frame.height() > 0) resize(size() - frame);
}

void DlgSetFile::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    layoutControls(size());
    if (placed_) rememberPosition();
}

void DlgSetFile::moveEvent(QMoveEvent* e) {
    QDialog::moveEvent(e);
    if (placed_) rememberPosition();
}

void DlgSetFile::rememberPosition() {
    const QRect r = frameGeometry();
    PosWin3.left = r.left();
    PosWin3.top = r.top();
    PosWin3.right = r.right() + 1;
    PosWin3.bottom = r.bottom() + 1;
    PosWin3.enabled = 1;
}

void DlgSetFile::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) return; // Enter does nothing here
    QDialog::keyPressEvent(e);                                           // Escape: as "Esc"
}

void DlgSetFile::reject() {
    clearColumnSelection(SelCol);
    item_sel_en = 0;
    done(0);
}

// ---- selections ----

void DlgSetFile::showColumnButtons() {
    const TableButtons b = columnButtons(SelCol, InfoSES.nSubItem);
    control(803)->setEnabled(b.moveColumn);
    control(804)->setEnabled(b.mergeColumns);
    control(812)->setEnabled(b.deleteColumns);
    control(813)->setEnabled(b.graph);
}

void DlgSetFile::showItemButton(bool enabled) {
    control(811)->setEnabled(enabled);
}

void DlgSetFile::markRows(const QItemSelection& selected, const QItemSelection& deselected) {
    if (syncing_) return;
    for (const QItemSelectionRange& r : deselected)
        for (int row = r.top(); row <= r.bottom(); ++row) table_.setRowSelected(row, false);
    if (item_sel_en == 0) { // rows are not selectable now: undone at once
        if (!selected.isEmpty()) {
            syncing_ = true;
            list_->selectionModel()->select(selected, QItemSelectionModel::Deselect);
            syncing_ = false;
        }
        return;
    }
    for (const QItemSelectionRange& r : selected)
        for (int row = r.top(); row <= r.bottom(); ++row) table_.setRowSelected(row, true);
}

void DlgSetFile::showRowMarks() {
    QItemSelection sel;
    const int rows = table_.rowCount(), lastCol = table_.columnCount() - 1;
    for (int r = 0; lastCol >= 0 && r < rows; ++r) {
        if (!table_.isRowSelected(r)) continue;
        int e = r;
        while (e + 1 < rows && table_.isRowSelected(e + 1)) ++e;
        sel.select(model_->index(r, 0), model_->index(e, lastCol));
        r = e;
    }
    syncing_ = true;
    list_->selectionModel()->select(sel, QItemSelectionModel::ClearAndSelect);
    syncing_ = false;
}

void DlgSetFile::itemColumnClicked(int row, bool rightClick) {
    // A left click leaves its row selected whatever the modifier keys did with it.
    if (!rightClick) {
        item_sel_en = 1;
        list_->selectionModel()->select(model_->index(row, 0),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    showItemButton(onItemColumnClick(table_, row, rightClick));
}

void DlgSetFile::dataColumnClicked(int col, bool rightClick) {
    onDataColumnClick(table_, SelCol, col, rightClick);
    showColumnButtons();
    showItemButton(false);
    model_->columnSelectionChanged();
}

// ---- editing ----

void DlgSetFile::editHeader(int col) {
    if (getHeader(table_, EditBuf, col) != 1) return;
    DlgInputText box(this);
    if (box.run() == 1) setHeader(table_, EditBuf, col);
}

void DlgSetFile::editCell(int row, int col) {
    if (getCell(table_, EditBuf, row, col) != 1) return;
    MaxEdit = kCellEditMax;
    if (DlgInputNum(windowOf(this)) == 1) setCell(table_, EditBuf, row, col);
}

// ---- buttons ----

// After each command the buttons show the rules for the selection as it is now.

void DlgSetFile::moveColumn() {
    moveColumnCommand(table_);
    showColumnButtons();
    model_->columnSelectionChanged();
}

void DlgSetFile::mergeColumns() {
    mergeColumnsCommand(table_, windowOf(this));
    showColumnButtons();
    model_->columnSelectionChanged();
}

void DlgSetFile::deleteColumns() {
    deleteColumnsCommand(table_, windowOf(this));
    showColumnButtons();
    model_->columnSelectionChanged();
}

void DlgSetFile::deleteRows() {
    deleteItemsCommand(table_, windowOf(this));
    showItemButton(item_sel_en == 1 && get_listview_sel(table_) == 1);
}

int DlgSetFile::graphColumns() {
    // The graph window belongs to this dialog, which takes no input while the graph is shown.
    setEnabled(false);
    const int marked = graphCol(table_, SelCol, static_cast<int>(InfoSES.nItem), windowOf(this));
    setEnabled(true);
    return marked;
}

void DlgSetFile::graph() {
    const int marked = graphColumns();
    raise();
    activateWindow();
    list_->setFocus();
    if (marked == -2) {
        messageBox(windowOf(this), "Non e' possibile visualizzare il grafico !", "Error", MsgButtons::Ok,
                   MsgIcon::Error);
    } else if (marked >= 0 && marked < table_.rowCount()) {
        item_sel_en = 1;
        table_.clearRowSelection();
        const QModelIndex at = model_->index(marked, 0);
        list_->scrollTo(at);
        list_->selectionModel()->select(at, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

void DlgSetFile::toggleComma() {
    Flag.comma = Flag.comma == 1 ? 0 : 1;
    comma_->setChecked(Flag.comma == 1);
    comma_->setText(Flag.comma == 1 ? QStringLiteral("Virgola") : QStringLiteral("Punto"));
}

void DlgSetFile::save() {
    Flag.file_format = formatA_->isChecked() ? 0 : 1;
    if (saveFile2(table_, DataTimeSS, InfoSES, windowOf(list_)) != 1 || Flag.page_type != 0) return;
    // The launcher is modal: this dialog takes no input until it closes.
    DlgPlugin plugin(this);
    plugin.run();
    raise();
    activateWindow();
}
