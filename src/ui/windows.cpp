// Text windows: definition, opening over a saved background, writing with colour switches, moving.
#include "ui/windows.h"

#include <algorithm>
#include <stdexcept>

#include "base/text.h"

namespace vorn::ui {

Rect TextWindow::box() const {
    switch (type) {
        case 0:
            return {};
        case 1:
            return {top - 1, left - 1, bottom + 1, right + 1};
        default:
            return rect();
    }
}

Rect TextWindow::content() const {
    switch (type) {
        case 0:
            return rect();
        case 1:
            return {top, left + 1, bottom, right - 1};
        default:
            return {top + 1, left + 1, bottom - 1, right - 1};
    }
}

Rect TextWindow::extent() const {
    Rect e = type == 0 ? rect() : box();
    if (type == 7) {
        e.bottom += 1;
        e.right += 2;
    }
    return e;
}

uint8_t TextWindow::attr(int which) const {
    return Colour(which == 2 ? colour2 : which == 3 ? colour3 : colour1).attr;
}

TextWindows::TextWindows(Screen& screen) : screen_(screen) {
    for (int n = 1; n <= 10; ++n) DEFINEJAN(n, 48, 112, 7, 0, 0, kRows - 1, kCols - 1, 1);
}

bool TextWindows::defined(int n) const {
    return n >= 0 && static_cast<size_t>(n) < defined_.size() && defined_[static_cast<size_t>(n)];
}

const TextWindow& TextWindows::get(int n) const {
    if (!defined(n)) throw std::out_of_range("text window " + std::to_string(n) + " not defined");
    return windows_[static_cast<size_t>(n)];
}

TextWindow& TextWindows::at(int n) {
    return const_cast<TextWindow&>(get(n));
}

void TextWindows::define(int n, Colour text, Colour border, Colour third, int top, int left,
                         int bottom, int right, int type, bool keep_text) {
    if (n < 0) throw std::out_of_range("text window number " + std::to_string(n));
    if (type != 0 && type != 1 && type != 2 && type != 7)
        throw std::invalid_argument("text window border type " + std::to_string(type));
    if (static_cast<size_t>(n) >= windows_.size()) {
        windows_.resize(static_cast<size_t>(n) + 1);
        defined_.resize(static_cast<size_t>(n) + 1, false);
    }
    TextWindow& w = windows_[static_cast<size_t>(n)];
    w.colour1 = text.str();
    w.colour2 = border.str();
    w.colour3 = third.str();
    w.top = top;
    w.left = left;
    w.bottom = bottom + (type == 7 ? 2 : 0);
    w.right = right;
    w.type = type;
    if (!keep_text) {
        w.last_text.clear();
        w.title.clear();
    }
    defined_[static_cast<size_t>(n)] = true;
}

void TextWindows::DEFINEJAN(int n, Colour text, Colour border, Colour third, int top, int left,
                            int bottom, int right, int type) {
    define(n, text, border, third, top, left, bottom, right, type, false);
}

void TextWindows::REDEFJAN(int n, Colour text, Colour border, Colour third, int top, int left,
                           int bottom, int right, int type) {
    define(n, text, border, third, top, left, bottom, right, type, true);
}

void TextWindows::REDFATR(int n, int which, Colour colour) {
    TextWindow& w = at(n == 0 ? 10 : n);
    if (which == 1)
        w.colour1 = colour.str();
    else if (which == 2)
        w.colour2 = colour.str();
    else if (which == 3)
        w.colour3 = colour.str();
    else
        throw std::invalid_argument("REDFATR: colour " + std::to_string(which));
}

void TextWindows::set_title(int n, std::string title) {
    at(n).title = std::move(title);
}

Screen::LayerId TextWindows::layer_of(const TextWindow& w) {
    return w.is_open() ? w.opened.back() : Screen::kTop;
}

void TextWindows::draw_shadow(const TextWindow& w, Screen::LayerId layer) {
    if (w.type != 7) return;
    Rect b = w.box();
    Cell shade{kShade, w.attr(3)};
    for (int r = b.top + 1; r <= b.bottom + 1; ++r) {
        screen_.put(r, b.right + 1, shade, layer);
        screen_.put(r, b.right + 2, shade, layer);
    }
    for (int c = b.left + 2; c <= b.right; ++c) screen_.put(b.bottom + 1, c, shade, layer);
}

void TextWindows::draw_frame(const TextWindow& w, Screen::LayerId layer) {
    screen_.fill(w.rect(), {U' ', w.attr(1)}, layer);
    if (w.type != 0) screen_.box(w.box(), w.attr(2), layer, w.title);
    draw_shadow(w, layer);
}

void TextWindows::ABREJAN(int n) {
    TextWindow& w = at(n);
    Screen::LayerId layer = screen_.save_area(w.extent());
    w.opened.push_back(layer);
    draw_frame(w, layer);
}

void TextWindows::FECHAJAN(int n) {
    TextWindow& w = at(n);
    if (!w.is_open()) return;
    screen_.restore_area(w.opened.back());
    w.opened.pop_back();
}

void TextWindows::ESCRJAN(int n, std::string_view text) {
    if (n == 0) {
        std::string line;
        for (char32_t c : to_u32(text))
            if (c >= 0x20) append_utf8(line, c);
        screen_.write(kRows - 1, 0, pad_right(line, kCols), screen_.colours.standard);
        return;
    }
    TextWindow& w = at(n);
    w.last_text = std::string(text);
    Screen::LayerId layer = layer_of(w);
    Rect c = w.content();
    screen_.fill(c, {U' ', w.attr(1)}, layer);
    uint8_t attr = w.attr(1);
    int row = c.top, col = c.left;
    for (char32_t ch : to_u32(text)) {
        if (row > c.bottom) break;
        if (ch >= 1 && ch <= 3) {
            attr = w.attr(static_cast<int>(ch));
            continue;
        }
        if (ch == 4 || ch == U'\r') continue;
        if (ch == U'\n') {
            ++row;
            col = c.left;
            continue;
        }
        if (col > c.right) {
            ++row;
            col = c.left;
            if (row > c.bottom) break;
        }
        screen_.put(row, col++, {ch, attr}, layer);
    }
    draw_shadow(w, layer);
}

void TextWindows::ESCRLCOL(int n, int row, int col, std::string_view text) {
    const TextWindow& w = get(n);
    Rect c = w.content();
    Screen::LayerId layer = layer_of(w);
    uint8_t attr = w.attr(1);
    int r = c.top + row, x = c.left + col;
    if (r > c.bottom) return;
    for (char32_t ch : to_u32(text)) {
        if (ch >= 1 && ch <= 3) {
            attr = w.attr(static_cast<int>(ch));
            continue;
        }
        if (ch < 0x20) continue;
        if (x > c.right) break;
        screen_.put(r, x++, {ch, attr}, layer);
    }
}

void TextWindows::ESCRATR(int n, int row, int col, Colour colour, int length) {
    const TextWindow& w = get(n);
    Rect c = w.content();
    Screen::LayerId layer = layer_of(w);
    int r = c.top + row;
    if (r < c.top || r > c.bottom) return;
    for (int x = std::max(c.left + col, c.left); x < c.left + col + length && x <= c.right; ++x)
        screen_.put(r, x, {screen_.peek(r, x, layer).ch, colour.attr}, layer);
}

void TextWindows::move(int n, int drow, int dcol) {
    TextWindow& w = at(n);
    if (w.top + drow < 0 || w.bottom + drow > kRows - 1 || w.left + dcol < 0 ||
        w.right + dcol > kCols - 1)
        return;
    bool open = w.is_open();
    if (open) FECHAJAN(n);
    w.top += drow;
    w.bottom += drow;
    w.left += dcol;
    w.right += dcol;
    if (open) {
        ABREJAN(n);
        ESCRJAN(n, w.last_text);
    }
}

void TextWindows::MOVEVER(int n, int key) {
    move(n, key == kUpOrLeft ? -1 : 1, 0);
}

void TextWindows::MOVEHOR(int n, int key) {
    move(n, 0, key == kUpOrLeft ? -1 : 1);
}

void TextWindows::ENCHETELA(std::string_view character, Colour colour) {
    std::u32string c = to_u32(character);
    screen_.fill(kFullScreen, {c.empty() ? U' ' : c[0], colour.attr});
}

}  // namespace vorn::ui
