#pragma once
// The data table's store: column headers and cell texts (Windows-1252 bytes) of a table that can
// hold a whole session (100,000 rows of 20 and more columns). Each row is one byte array in which
// every cell is its length (LEB128) followed by its bytes, so a row costs one allocation whatever
// its number of columns. A view follows the table through a TableObserver.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Told about every change of a TableModel. Structural changes come as begin/end pairs around the
// change (a view model needs the counts before and after); text changes come after the change as
// the smallest rectangle holding them. Inside a reset nothing but the reset pair is reported.
class TableObserver {
  public:
    virtual ~TableObserver() = default;
    virtual void beginReset() {}
    virtual void endReset() {}
    virtual void beginInsertRows(int first, int last) { (void)first, (void)last; }
    virtual void endInsertRows() {}
    virtual void beginRemoveRows(int first, int last) { (void)first, (void)last; }
    virtual void endRemoveRows() {}
    virtual void beginInsertColumns(int first, int last) { (void)first, (void)last; }
    virtual void endInsertColumns() {}
    virtual void beginRemoveColumns(int first, int last) { (void)first, (void)last; }
    virtual void endRemoveColumns() {}
    virtual void cellsChanged(int firstRow, int lastRow, int firstCol, int lastCol) {
        (void)firstRow, (void)lastRow, (void)firstCol, (void)lastCol;
    }
    virtual void headersChanged(int firstCol, int lastCol) { (void)firstCol, (void)lastCol; }
    // The set of selected rows changed (by the table itself, not by setRowSelected).
    virtual void rowSelectionChanged() {}
};

class TableModel {
  public:
    TableModel() = default;
    // A session's table is large: it moves (observer included) but is never copied by accident.
    TableModel(const TableModel&) = delete;
    TableModel& operator=(const TableModel&) = delete;
    TableModel(TableModel&&) = default;
    TableModel& operator=(TableModel&&) = default;

    int rowCount() const { return static_cast<int>(rows_.size()); }
    int columnCount() const { return static_cast<int>(headers_.size()); }

    // Texts; empty for a row or column that does not exist. A view stays valid until the next
    // change of that row (or header).
    std::string_view header(int col) const;
    std::string_view cell(int row, int col) const;
    // Every cell of a row, in column order, appended to `out` (cleared first).
    void rowCells(int row, std::vector<std::string_view>& out) const;

    // Change one text; false when the row or column does not exist.
    bool setHeader(int col, std::string_view text);
    bool setCell(int row, int col, std::string_view text);

    // Inserts a column before `col` (columnCount() appends); every row gets an empty cell.
    bool insertColumn(int col, std::string_view header);
    bool removeColumn(int col);
    // Exchanges two columns: headers and every row's cells.
    bool swapColumns(int a, int b);

    // Appends a row holding `cells` in columns 0, 1, ...; missing cells are empty, extra ones
    // are dropped. Returns the new row's index.
    int appendRow(std::span<const std::string_view> cells);
    int appendRow(std::span<const std::string> cells);
    // Removes `count` rows from `first`; false (nothing removed) when the range is not inside
    // the table.
    bool removeRows(int first, int count);
    // No rows, no columns.
    void clear();
    void reserveRows(size_t n) { rows_.reserve(n), selected_.reserve(n); }

    // Row selection, as the list shows it; rows removed take their mark with them.
    bool isRowSelected(int row) const;
    void setRowSelected(int row, bool on);
    void clearRowSelection();
    void invertRowSelection();
    int selectedRowCount() const;

    // Bytes held by rows, headers and row marks (capacity included), for measurements.
    size_t memoryBytes() const;

    // At most one observer; nullptr removes it. The model does not own it.
    void setObserver(TableObserver* observer) { observer_ = observer; }

    // While a Batch lives, text changes are gathered and reported once, as one rectangle, when the
    // last Batch ends (a bulk edit repaints once). Structural changes are still reported at once,
    // after the gathered texts.
    class Batch {
      public:
        explicit Batch(TableModel& m) : m_(m) { ++m_.batchDepth_; }
        ~Batch() {
            if (--m_.batchDepth_ == 0) m_.flushChanges();
        }
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

      private:
        TableModel& m_;
    };
    // While a Reset lives, the observer hears only beginReset (now) and endReset (when it ends):
    // for refilling the whole table.
    class Reset {
      public:
        explicit Reset(TableModel& m) : m_(m) {
            if (m_.resetDepth_++ == 0 && m_.observer_) m_.observer_->beginReset();
        }
        ~Reset() {
            if (--m_.resetDepth_ == 0) {
                m_.pending_ = Rect{};
                m_.pendingHeaders_ = Span{};
                if (m_.observer_) m_.observer_->endReset();
            }
        }
        Reset(const Reset&) = delete;
        Reset& operator=(const Reset&) = delete;

      private:
        TableModel& m_;
    };

  private:
    struct Rect {
        bool valid = false;
        int r0 = 0, r1 = 0, c0 = 0, c1 = 0;
    };
    struct Span {
        bool valid = false;
        int c0 = 0, c1 = 0;
    };

    bool rowOk(int row) const { return row >= 0 && row < rowCount(); }
    bool colOk(int col) const { return col >= 0 && col < columnCount(); }
    TableObserver* notify() const { return resetDepth_ == 0 ? observer_ : nullptr; }
    void cellsChanged(int r0, int r1, int c0, int c1);
    void headersChanged(int c0, int c1);
    void flushChanges();
    template <class Text> int appendRowOf(std::span<const Text> cells);

    std::vector<std::string> headers_;
    std::vector<std::string> rows_; // encoded cells, columnCount() per row
    std::vector<uint8_t> selected_; // 1 = row selected
    TableObserver* observer_ = nullptr;
    int batchDepth_ = 0;
    int resetDepth_ = 0;
    Rect pending_;
    Span pendingHeaders_;
};
