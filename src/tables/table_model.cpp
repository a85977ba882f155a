#include "tables/table_model.h"

#include <algorithm>

namespace {

// A cell in a row: its length as LEB128 (7 bits a byte, low bits first, high bit = more follows),
// then its bytes. Rows are only ever written here, so they are always well formed.
void putLength(std::string& out, size_t n) {
    while (n >= 0x80) {
        out.push_back(static_cast<char>(0x80 | (n & 0x7F)));
        n >>= 7;
    }
    out.push_back(static_cast<char>(n));
}

size_t getLength(const std::string& row, size_t& pos) {
    size_t n = 0;
    for (int shift = 0;; shift += 7) {
        const auto b = static_cast<uint8_t>(row[pos++]);
        n |= static_cast<size_t>(b & 0x7F) << shift;
        if (!(b & 0x80)) return n;
    }
}

struct CellPos {
    size_t start; // first byte of the length
    size_t text;  // first byte of the text
    size_t len;   // text length
    size_t end() const { return text + len; }
};

CellPos locate(const std::string& row, int col) {
    size_t pos = 0;
    for (int c = 0; c < col; ++c) pos += getLength(row, pos);
    const size_t start = pos;
    const size_t n = getLength(row, pos);
    return {start, pos, n};
}

void encode(std::string& out, std::string_view text) {
    putLength(out, text.size());
    out.append(text);
}

} // namespace

std::string_view TableModel::header(int col) const {
    return colOk(col) ? std::string_view(headers_[static_cast<size_t>(col)]) : std::string_view();
}

std::string_view TableModel::cell(int row, int col) const {
    if (!rowOk(row) || !colOk(col)) return {};
    const std::string& r = rows_[static_cast<size_t>(row)];
    const CellPos p = locate(r, col);
    return std::string_view(r).substr(p.text, p.len);
}

void TableModel::rowCells(int row, std::vector<std::string_view>& out) const {
    out.clear();
    if (!rowOk(row)) return;
    const std::string& r = rows_[static_cast<size_t>(row)];
    size_t pos = 0;
    for (int c = 0; c < columnCount(); ++c) {
        const size_t n = getLength(r, pos);
        out.push_back(std::string_view(r).substr(pos, n));
        pos += n;
    }
}

bool TableModel::setHeader(int col, std::string_view text) {
    if (!colOk(col)) return false;
    headers_[static_cast<size_t>(col)] = std::string(text);
    headersChanged(col, col);
    return true;
}

bool TableModel::setCell(int row, int col, std::string_view text) {
    if (!rowOk(row) || !colOk(col)) return false;
    std::string& r = rows_[static_cast<size_t>(row)];
    const CellPos p = locate(r, col);
    std::string enc; // built apart: `text` may point into this very row
    enc.reserve(text.size() + 2);
    encode(enc, text);
    r.replace(p.start, p.end() - p.start, enc);
    cellsChanged(row, row, col, col);
    return true;
}

bool TableModel::insertColumn(int col, std::string_view header) {
    if (col < 0 || col > columnCount()) return false;
    flushChanges();
    if (auto* o = notify()) o->beginInsertColumns(col, col);
    const bool append = col == columnCount();
    for (std::string& r : rows_) {
        if (append)
            r.push_back('\0');
        else
            r.insert(locate(r, col).start, 1, '\0');
    }
    headers_.insert(headers_.begin() + col, std::string(header));
    if (auto* o = notify()) o->endInsertColumns();
    return true;
}

bool TableModel::removeColumn(int col) {
    if (!colOk(col)) return false;
    flushChanges();
    if (auto* o = notify()) o->beginRemoveColumns(col, col);
    for (std::string& r : rows_) {
        const CellPos p = locate(r, col);
        r.erase(p.start, p.end() - p.start);
    }
    headers_.erase(headers_.begin() + col);
    if (auto* o = notify()) o->endRemoveColumns();
    return true;
}

bool TableModel::swapColumns(int a, int b) {
    if (!colOk(a) || !colOk(b)) return false;
    if (a == b) return true;
    if (a > b) std::swap(a, b);
    std::swap(headers_[static_cast<size_t>(a)], headers_[static_cast<size_t>(b)]);
    std::string seg;
    for (std::string& r : rows_) {
        const CellPos pa = locate(r, a);
        const CellPos pb = locate(r, b);
        seg.clear();
        encode(seg, std::string_view(r).substr(pb.text, pb.len));
        seg.append(r, pa.end(), pb.start - pa.end());
        encode(seg, std::string_view(r).substr(pa.text, pa.len));
        r.replace(pa.start, pb.end() - pa.start, seg);
    }
    headersChanged(a, b);
    if (!rows_.empty()) cellsChanged(0, rowCount() - 1, a, b);
    return true;
}

template <class Text> int TableModel::appendRowOf(std::span<const Text> cells) {
    const int row = rowCount();
    std::string r;
    size_t bytes = static_cast<size_t>(columnCount());
    for (size_t c = 0; c < cells.size() && c < headers_.size(); ++c) bytes += cells[c].size() + 2;
    r.reserve(bytes);
    for (size_t c = 0; c < headers_.size(); ++c)
        encode(r, c < cells.size() ? std::string_view(cells[c]) : std::string_view());
    flushChanges();
    if (auto* o = notify()) o->beginInsertRows(row, row);
    rows_.push_back(std::move(r));
    selected_.push_back(0);
    if (auto* o = notify()) o->endInsertRows();
    return row;
}

int TableModel::appendRow(std::span<const std::string_view> cells) {
    return appendRowOf(cells);
}
int TableModel::appendRow(std::span<const std::string> cells) {
    return appendRowOf(cells);
}

bool TableModel::removeRows(int first, int count) {
    if (count == 0) return first >= 0 && first <= rowCount();
    if (count < 0 || first < 0 || first > rowCount() - count) return false;
    flushChanges();
    if (auto* o = notify()) o->beginRemoveRows(first, first + count - 1);
    rows_.erase(rows_.begin() + first, rows_.begin() + first + count);
    selected_.erase(selected_.begin() + first, selected_.begin() + first + count);
    if (auto* o = notify()) o->endRemoveRows();
    return true;
}

void TableModel::clear() {
    Reset reset(*this);
    headers_.clear();
    rows_.clear();
    selected_.clear();
}

bool TableModel::isRowSelected(int row) const {
    return rowOk(row) && selected_[static_cast<size_t>(row)] != 0;
}

void TableModel::setRowSelected(int row, bool on) {
    if (rowOk(row)) selected_[static_cast<size_t>(row)] = on ? 1 : 0;
}

void TableModel::clearRowSelection() {
    std::fill(selected_.begin(), selected_.end(), 0);
    if (auto* o = notify()) o->rowSelectionChanged();
}

void TableModel::invertRowSelection() {
    for (uint8_t& s : selected_) s = s ? 0 : 1;
    if (auto* o = notify()) o->rowSelectionChanged();
}

int TableModel::selectedRowCount() const {
    return static_cast<int>(std::count(selected_.begin(), selected_.end(), uint8_t{1}));
}

size_t TableModel::memoryBytes() const {
    // A string's own object is counted by its vector; its heap block only beyond the inline buffer.
    const auto heap = [](const std::string& s) { return s.capacity() > 15 ? s.capacity() + 1 : 0; };
    size_t n = rows_.capacity() * sizeof(std::string) + headers_.capacity() * sizeof(std::string) +
               selected_.capacity();
    for (const std::string& r : rows_) n += heap(r);
    for (const std::string& h : headers_) n += heap(h);
    return n;
}

void TableModel::cellsChanged(int r0, int r1, int c0, int c1) {
    if (resetDepth_ > 0) return;
    if (batchDepth_ == 0) {
        if (observer_) observer_->cellsChanged(r0, r1, c0, c1);
        return;
    }
    if (!pending_.valid) {
        pending_ = {true, r0, r1, c0, c1};
    } else {
        pending_.r0 = std::min(pending_.r0, r0), pending_.r1 = std::max(pending_.r1, r1);
        pending_.c0 = std::min(pending_.c0, c0), pending_.c1 = std::max(pending_.c1, c1);
    }
}

void TableModel::headersChanged(int c0, int c1) {
    if (resetDepth_ > 0) return;
    if (batchDepth_ == 0) {
        if (observer_) observer_->headersChanged(c0, c1);
        return;
    }
    if (!pendingHeaders_.valid) {
        pendingHeaders_ = {true, c0, c1};
    } else {
        pendingHeaders_.c0 = std::min(pendingHeaders_.c0, c0);
        pendingHeaders_.c1 = std::max(pendingHeaders_.c1, c1);
    }
}

void TableModel::flushChanges() {
    const Rect r = pending_;
    const Span h = pendingHeaders_;
    pending_ = Rect{};
    pendingHeaders_ = Span{};
    if (resetDepth_ > 0 || !observer_) return;
    // A gathered rectangle may reach past a table that shrank since; report only what exists.
    if (h.valid && h.c0 < columnCount()) observer_->headersChanged(h.c0, std::min(h.c1, columnCount() - 1));
    if (r.valid && r.r0 < rowCount() && r.c0 < columnCount())
        observer_->cellsChanged(r.r0, std::min(r.r1, rowCount() - 1), r.c0,
                                std::min(r.c1, columnCount() - 1));
}
