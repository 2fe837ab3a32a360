// A print file rendered as a PDF for CUPS printers and for the preview: A4 portrait pages in
// Courier 12 pt, 10 characters per inch normally and 17 in condensed print, so that both 80 and
// 136 columns fit the page's width.
#pragma once

#include <string>
#include <string_view>

#include "base/status.h"

namespace vorn::printing {

// Rows a page holds; a page ends when the row reaches kPageRows - 2 (so 66 lines of a print file
// fit one page) or at a form feed.
constexpr int kPageRows = 68;

// The print file's ISO-8859-1 text (lines ended by "\n" or "\r\n") as a PDF document titled
// `title`: a form feed starts a new page and the rest of its line is printed there, character 15
// switches to condensed print and 18 back to normal until switched again; other control
// characters print as blanks. A page is only begun for a line that follows, so a form feed at the
// end adds no blank page. *pages receives the number of pages.
[[nodiscard]] Status render_pdf(std::string_view latin1, const std::string& title, std::string* pdf,
                                int* pages = nullptr);

// The same written to `path` (whole, by a rename).
[[nodiscard]] Status write_pdf(std::string_view latin1, const std::string& title,
                               const std::string& path);

}  // namespace vorn::printing
