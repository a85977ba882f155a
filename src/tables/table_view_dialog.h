#pragma once
// The data table on screen: a Qt item model over the core's TableModel (no item objects per
// cell; texts are converted only for the cells painted) and the table view that reports the
// clicks the data table screen reacts to.
#include <QAbstractTableModel>
#include <QHeaderView>
#include <QTableView>

#include "tables/table_model.h"
#include "tables/table_rules.h"

// Adapter of a TableModel for the item views. It follows the table as its TableObserver and
// passes every change on as the matching model signal (inserts, removals, resets, data and header
// changes). Cells are centred; their background follows cellBackground() for the column
// selection `selcol`.
class TableViewModel : public QAbstractTableModel, private TableObserver {
    Q_OBJECT
  public:
    TableViewModel(TableModel& table, const ColumnSelection& selcol, QObject* parent = nullptr);
    ~TableViewModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The column selection changed: the backgrounds of the data columns are repainted.
    void columnSelectionChanged();

  signals:
    // The table changed its row marks by itself (cleared or inverted them).
    void rowMarksChanged();

  private:
    void beginReset() override;
    void endReset() override;
    void beginInsertRows(int first, int last) override;
    void endInsertRows() override;
    void beginRemoveRows(int first, int last) override;
    void endRemoveRows() override;
    void beginInsertColumns(int first, int last) override;
    void endInsertColumns() override;
    void beginRemoveColumns(int first, int last) override;
    void endRemoveColumns() override;
    void cellsChanged(int firstRow, int lastRow, int firstCol, int lastCol) override;
    void headersChanged(int firstCol, int lastCol) override;
    void rowSelectionChanged() override;

    TableModel& table_;
    const ColumnSelection& selcol_;
};

// Column titles of the list, cut with an ellipsis where wider than their column (the whole title
// is the tooltip).
class DataTableHeader : public QHeaderView {
    Q_OBJECT
  public:
    explicit DataTableHeader(QWidget* parent = nullptr) : QHeaderView(Qt::Horizontal, parent) {}

  protected:
    void initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const override;
};

// List view 801: rows selected whole, several at a time. A press on a data column (index 2 on)
// or a right press anywhere is reported and not handled by the view itself; a left press on
// column 0 or 1 is announced, handled by the view (its usual extended selection), then reported.
class DataTableView : public QTableView {
    Q_OBJECT
  public:
    explicit DataTableView(QWidget* parent = nullptr);

  signals:
    void itemColumnPressing();                        // left press on column 0 or 1, before the view
    void itemColumnClicked(int row, bool rightClick); // after it
    void dataColumnClicked(int col, bool rightClick);
    void dataCellDoubleClicked(int row, int col);

  protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
};
