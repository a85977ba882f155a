#pragma once
// What every session data text file written by the averaging must look like, for the targets
// that make one: "Time[s]: T" line, one header line of `columns` double-quoted titles each
// followed by a blank, then `rows` lines of `columns` values each followed by a blank; every line
// ends with CR LF and nothing follows the last one. A file that breaks the layout stops the
// fuzzer (__builtin_trap).
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz {

// The rows' values, one vector of texts per row.
using DataRows = std::vector<std::vector<std::string>>;

inline DataRows checkDataFile(const std::string& path, unsigned tsample, uint32_t columns, uint32_t rows) {
    std::ifstream in(path, std::ios::binary);
    if (!in) __builtin_trap();
    const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string_view> lines;
    size_t pos = 0;
    while (pos < all.size()) {
        const size_t end = all.find("\r\n", pos);
        if (end == std::string::npos) __builtin_trap(); // a line without its end
        lines.emplace_back(all.data() + pos, end - pos);
        pos = end + 2;
    }
    if (lines.size() != 2 + static_cast<size_t>(rows)) __builtin_trap();
    if (lines[0] != "Time[s]: " + std::to_string(tsample)) __builtin_trap();

    // Header: `columns` times a quote, a title without quotes or line ends, a quote and a blank.
    std::string_view h = lines[1];
    for (uint32_t c = 0; c < columns; ++c) {
        if (h.size() < 3 || h[0] != '"') __builtin_trap();
        const size_t close = h.find('"', 1);
        if (close == std::string_view::npos || close + 1 >= h.size() || h[close + 1] != ' ') __builtin_trap();
        h.remove_prefix(close + 2);
    }
    if (!h.empty()) __builtin_trap();

    DataRows out;
    out.reserve(rows);
    for (size_t r = 2; r < lines.size(); ++r) {
        std::string_view l = lines[r];
        std::vector<std::string> values;
        for (uint32_t c = 0; c < columns; ++c) {
            const size_t blank = l.find(' ');
            if (blank == 0 || blank == std::string_view::npos) __builtin_trap(); // an empty or unended value
            values.emplace_back(l.substr(0, blank));
            l.remove_prefix(blank + 1);
        }
        if (!l.empty()) __builtin_trap();
        out.push_back(std::move(values));
    }
    return out;
}

// A value text that reads as a measurement (a number), as opposed to "Err".
inline bool isNumberText(std::string_view v) {
    if (!v.empty() && v[0] == '-') v.remove_prefix(1);
    return !v.empty() && v[0] >= '0' && v[0] <= '9';
}

} // namespace fuzz
