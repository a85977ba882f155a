#include "tables/table_view_dialog.h"

#include <QColor>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionHeader>

#include <algorithm>

#include "platform/ui_qt_dialog.h"

// ---- model ----

TableViewModel::TableViewModel(TableModel& table, const ColumnSelection& selcol, QObject* parent)
    : QAbstractTableModel(parent), table_(table), selcol_(selcol) {
    table_.setObserver(this);
}

TableViewModel::~TableViewModel() {
    table_.setObserver(nullptr);
}

int TableViewModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : table_.rowCount();
}

int TableViewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : table_.columnCount();
}

QVariant TableViewModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    switch (role) {
    case Qt::DisplayRole:
        return qtText(table_.cell(index.row(), index.column()));
    case Qt::TextAlignmentRole:
        return int(Qt::AlignCenter);
    case Qt::BackgroundRole: {
        const uint32_t rgb = cellBackground(index.column(), selcol_);
        return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
    }
    default:
        return {};
    }
}

QVariant TableViewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: // a title wider than its column is cut on screen
        return qtText(table_.header(section));
    case Qt::TextAlignmentRole:
        return int(Qt::AlignCenter);
    default:
        return {};
    }
}

Qt::ItemFlags TableViewModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void TableViewModel::columnSelectionChanged() {
    if (table_.rowCount() > 0 && table_.columnCount() > kFirstDataColumn)
        emit dataChanged(index(0, kFirstDataColumn), index(table_.rowCount() - 1, table_.columnCount() - 1),
                         {Qt::BackgroundRole});
}

void TableViewModel::beginReset() {
    beginResetModel();
}
void TableViewModel::endReset() {
    endResetModel();
}
void TableViewModel::beginInsertRows(int first, int last) {
    QAbstractTableModel::beginInsertRows({}, first, last);
}
void TableViewModel::endInsertRows() {
    QAbstractTableModel::endInsertRows();
}
void TableViewModel::beginRemoveRows(int first, int last) {
    QAbstractTableModel::beginRemoveRows({}, first, last);
}
void TableViewModel::endRemoveRows() {
    QAbstractTableModel::endRemoveRows();
}
void TableViewModel::beginInsertColumns(int first, int last) {
    QAbstractTableModel::beginInsertColumns({}, first, last);
}
void TableViewModel::endInsertColumns() {
    QAbstractTableModel::endInsertColumns();
}
void TableViewModel::beginRemoveColumns(int first, int last) {
    QAbstractTableModel::beginRemoveColumns({}, first, last);
}
void TableViewModel::endRemoveColumns() {
    QAbstractTableModel::endRemoveColumns();
}
void TableViewModel::cellsChanged(int firstRow, int lastRow, int firstCol, int lastCol) {
    emit dataChanged(index(firstRow, firstCol), index(lastRow, lastCol), {Qt::DisplayRole});
}
void TableViewModel::headersChanged(int firstCol, int lastCol) {
    emit headerDataChanged(Qt::Horizontal, firstCol, lastCol);
}
void TableViewModel::rowSelectionChanged() {
    emit rowMarksChanged();
}

// ---- view ----

void DataTableHeader::initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const {
    QHeaderView::initStyleOptionForIndex(option, logicalIndex);
    const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, option, this);
    const int room = std::max(0, sectionSize(logicalIndex) - 2 * margin - 2);
    option->text = option->fontMetrics.elidedText(option->text, Qt::ElideRight, room);
}

DataTableView::DataTableView(QWidget* parent) : QTableView(parent) {
    setHorizontalHeader(new DataTableHeader(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    verticalHeader()->hide();
    // A fixed row height: the view never measures rows (a session has up to 100,000 of them).
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
}

void DataTableView::mousePressEvent(QMouseEvent* e) {
    const QModelIndex idx = indexAt(e->position().toPoint());
    const bool right = e->button() == Qt::RightButton;
    if (!idx.isValid() || (e->button() != Qt::LeftButton && !right)) return;
    setFocus(Qt::MouseFocusReason);
    if (idx.column() >= kFirstDataColumn) {
        emit dataColumnClicked(idx.column(), right);
        return;
    }
    if (right) {
        emit itemColumnClicked(idx.row(), true);
        return;
    }
    emit itemColumnPressing();
    QTableView::mousePressEvent(e);
    emit itemColumnClicked(idx.row(), false);
}

void DataTableView::mouseDoubleClickEvent(QMouseEvent* e) {
    const QModelIndex idx = indexAt(e->position().toPoint());
    if (idx.isValid() && e->button() == Qt::LeftButton && idx.column() >= kFirstDataColumn) {
        emit dataCellDoubleClicked(idx.row(), idx.column());
        return;
    }
    mousePressEvent(e); // the second click of a double click on column 0 or 1 is a click
}
