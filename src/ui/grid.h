// The 25 × 80 grid of character cells that every screen draws into and a back end shows, with
// rectangles and the box-drawing characters of window borders.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vorn::ui {

inline constexpr int kRows = 25;
inline constexpr int kCols = 80;

// One cell: a character (a code point) and its attribute (background × 16 + foreground).
struct Cell {
    char32_t ch = U' ';
    uint8_t attr = 0x07;
    friend bool operator==(const Cell&, const Cell&) = default;
};

// Inclusive rectangle of cells.
struct Rect {
    int top = 0, left = 0, bottom = -1, right = -1;
    int height() const { return bottom - top + 1; }
    int width() const { return right - left + 1; }
    bool empty() const { return bottom < top || right < left; }
    bool contains(int r, int c) const { return r >= top && r <= bottom && c >= left && c <= right; }
    // The part inside the screen.
    Rect clipped() const;
    friend bool operator==(const Rect&, const Rect&) = default;
};

inline constexpr Rect kFullScreen{0, 0, kRows - 1, kCols - 1};

// A rectangle of that size centred on the screen.
constexpr Rect centred(int height, int width) {
    int top = height >= kRows ? 0 : (kRows - height) / 2;
    int left = width >= kCols ? 0 : (kCols - width) / 2;
    return {top, left, top + height - 1, left + width - 1};
}

// Single-line box characters and the light shade of shadows.
inline constexpr char32_t kBoxH = U'─', kBoxV = U'│', kBoxTL = U'┌', kBoxTR = U'┐', kBoxBL = U'└',
                          kBoxBR = U'┘', kBoxLT = U'├', kBoxRT = U'┤', kShade = U'░';

class Grid {
  public:
    Cell& at(int r, int c) { return cells_[static_cast<size_t>(r * kCols + c)]; }
    const Cell& at(int r, int c) const { return cells_[static_cast<size_t>(r * kCols + c)]; }
    static bool inside(int r, int c) { return r >= 0 && r < kRows && c >= 0 && c < kCols; }
    // One row as UTF-8, exactly 80 characters.
    std::string row_text(int r) const;
    // The 25 rows, each followed by a newline: the form of a screen snapshot.
    std::string text() const;
    friend bool operator==(const Grid&, const Grid&) = default;

  private:
    std::array<Cell, static_cast<size_t>(kRows* kCols)> cells_{};
};

}  // namespace vorn::ui
