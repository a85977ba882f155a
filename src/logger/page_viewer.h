#pragma once
// Rules of the page viewer: browsing the pages of a flash image to choose the first or the last
// data page of a session by hand (Flag.page_type 1 or 2). The dialog only shows what these decide.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/text_box.h"

inline constexpr int kViewerMaxPage = 0xFFF;

// Opening: shows PagFirst (page_type 1) or PagLast (page_type 2); a page of data records clears
// that page's error flag. Returns the page shown (the up-down position).
int pageViewerOpen(TextBox* box);
// A page chosen by an up-down step or typed: a page outside 0..0xFFF becomes 0. Shows it; with
// page_type 1 a page of data records becomes PagFirst and clears Flag.pagefirst_error, any other
// page sets it (page_type 2: PagLast and Flag.pagelast_error). Returns the page shown.
int pageViewerChoose(TextBox* box, long long page);
// The page-number field read as a hexadecimal number (at most its first 9 characters; blanks, a
// sign and "0x" allowed); a text without a number reads 0.
long long pageFieldValue(std::string_view text);
// The page-number field's text: "0x%04X".
std::string pageFieldText(int page);
