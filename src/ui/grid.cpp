// Grid rows as text, rectangle clipping.
#include "ui/grid.h"

#include <algorithm>

#include "base/text.h"

namespace vorn::ui {

Rect Rect::clipped() const {
    return {std::max(top, 0), std::max(left, 0), std::min(bottom, kRows - 1),
            std::min(right, kCols - 1)};
}

std::string Grid::row_text(int r) const {
    std::string out;
    out.reserve(kCols);
    for (int c = 0; c < kCols; ++c) {
        char32_t ch = at(r, c).ch;
        append_utf8(out, ch < 0x20 ? U' ' : ch);
    }
    return out;
}

std::string Grid::text() const {
    std::string out;
    for (int r = 0; r < kRows; ++r) out += row_text(r) + "\n";
    return out;
}

}  // namespace vorn::ui
