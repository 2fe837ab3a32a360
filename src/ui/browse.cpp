// Grid browsing over a row source, editing a cell in place.
#include "ui/browse.h"

#include <algorithm>

#include "base/text.h"
#include "ui/screen.h"

namespace vorn::ui {

long ArraySource::skip(long count) {
    if (rows_.empty()) return 0;
    long last = static_cast<long>(rows_.size()) - 1;
    long target = std::clamp(static_cast<long>(pos_) + count, 0L, last);
    long moved = target - static_cast<long>(pos_);
    pos_ = static_cast<size_t>(target);
    return moved;
}

BrowseColumn array_column(ArraySource& rows, size_t index, std::string header, std::string picture,
                          int width) {
    BrowseColumn c;
    c.header = std::move(header);
    c.picture = std::move(picture);
    c.width = width;
    c.get = [&rows, index] { return rows.cell(index); };
    c.put = [&rows, index](const Value& v) {
        rows.cell(index) = v;
        return true;
    };
    return c;
}

Browser::Browser(Screen& screen, RowSource& source, std::vector<BrowseColumn> columns,
                 BrowseOptions options)
    : screen_(screen),
      source_(source),
      columns_(std::move(columns)),
      options_(std::move(options)),
      rect_(options_.rect) {
    source_.go_top();
    layout();
}

int Browser::width_of(size_t c) const {
    const BrowseColumn& col = columns_[c];
    if (col.width > 0) return col.width;
    Picture p(col.picture);
    int w = static_cast<int>(char_count(col.header));
    w = std::max(w, static_cast<int>(p.tmpl.size()));
    return std::max({w, col.value_width, 1});
}

void Browser::layout() {
    visible_.clear();
    int x = rect_.left;
    int limit = options_.shown_columns > 0 && left_ == 0 && col_ < options_.shown_columns
                    ? options_.shown_columns
                    : static_cast<int>(columns_.size());
    for (size_t c = static_cast<size_t>(left_);
         c < columns_.size() && static_cast<int>(c) < left_ + limit; ++c) {
        int w = width_of(c);
        if (x + w - 1 > rect_.right && !visible_.empty()) break;
        visible_.push_back({static_cast<int>(c), x});
        x += w + 1;  // a rule between columns
    }
}

int Browser::column_at(int x) const {
    for (const auto& [c, cx] : visible_)
        if (x >= cx && x < cx + width_of(static_cast<size_t>(c))) return c;
    return -1;
}

std::string Browser::cell_text(size_t c) {
    const BrowseColumn& col = columns_[c];
    Value v = col.get();
    Picture p(col.picture);
    int w = width_of(c);
    switch (v.index()) {
        case 0:
            return pad_right(transform(std::get<std::string>(v), p), static_cast<size_t>(w));
        case 1: {
            std::string s = transform(std::get<Decimal>(v), p,
                                      col.value_width > 0 ? col.value_width : w, col.decimals);
            return char_count(s) > static_cast<size_t>(w) ? std::string(static_cast<size_t>(w), '*')
                                                          : pad_left(s, static_cast<size_t>(w));
        }
        case 2:
            return pad_right(std::get<Date>(v).dmy(), static_cast<size_t>(w));
        default:
            return pad_right(std::get<bool>(v) ? "S" : "N", static_cast<size_t>(w));
    }
}

void Browser::refresh() {
    const uint8_t normal = screen_.colours.standard, current = screen_.colours.enhanced;
    const int n = rows_shown();
    screen_.fill(rect_, {U' ', normal});
    for (size_t i = 0; i < visible_.size(); ++i) {
        auto [c, x] = visible_[i];
        int w = width_of(static_cast<size_t>(c));
        screen_.write(rect_.top, x,
                      left(columns_[static_cast<size_t>(c)].header, static_cast<size_t>(w)),
                      normal);
        for (int k = 0; k < w && x + k <= rect_.right; ++k)
            screen_.put(rect_.top + 1, x + k, {kBoxH, normal});
        if (i + 1 < visible_.size()) {
            screen_.put(rect_.top + 1, x + w, {U'┼', normal});
            for (int r = 0; r < n; ++r) screen_.put(rect_.top + 2 + r, x + w, {kBoxV, normal});
            screen_.put(rect_.top, x + w, {kBoxV, normal});
        }
    }
    if (source_.empty()) {
        row_ = 0;
        return;
    }
    row_ = static_cast<int>(-source_.skip(-row_));
    int at = 0;
    for (int r = 0; r < n; ++r) {
        for (auto [c, x] : visible_) {
            std::string text = cell_text(static_cast<size_t>(c));
            int w = width_of(static_cast<size_t>(c));
            uint8_t attr = r == row_ && c == col_ ? current : normal;
            screen_.write(rect_.top + 2 + r, x,
                          left(text, static_cast<size_t>(std::min(w, rect_.right - x + 1))), attr);
        }
        at = r;
        if (r + 1 < n && source_.skip(1) == 0) break;
    }
    source_.skip(row_ - at);
}

void Browser::fit_rows() {
    if (source_.empty()) return;
    const long n = rows_shown();
    const long above = -source_.skip(-(n - 1));
    source_.skip(above);
    const long below = source_.skip(n - 1);
    source_.skip(-below);
    row_ = static_cast<int>(std::min(above, std::max<long>(row_, n - 1 - below)));
}

bool Browser::move_rows(long n) {
    if (source_.empty()) return false;
    long moved = source_.skip(n);
    if (moved == 0) return false;
    const int page = rows_shown();
    row_ = static_cast<int>(std::clamp<long>(row_ + moved, 0, page - 1));
    // A short page means an end of the source was reached: the cursor goes to it.
    if (std::labs(n) >= page && std::labs(moved) < std::labs(n)) row_ = n > 0 ? page - 1 : 0;
    return true;
}

bool Browser::edit(bool* escaped) {
    if (escaped) *escaped = false;
    if (source_.empty() || col_ < 0) return false;
    BrowseColumn& col = columns_[static_cast<size_t>(col_)];
    if (!col.put) return false;
    auto it =
        std::find_if(visible_.begin(), visible_.end(), [&](auto& v) { return v.first == col_; });
    if (it == visible_.end()) return false;
    Value original = col.get();
    Value candidate = original;
    Get g;
    g.row = rect_.top + 2 + row_;
    g.col = it->second;
    g.var = Var(candidate);
    g.picture = col.picture;
    g.width = col.value_width;
    g.decimals = col.decimals;
    int w = width_of(static_cast<size_t>(col_));
    if (candidate.index() == 0) {
        Picture p(col.picture);
        int value_w =
            p.has_template()
                ? static_cast<int>(p.tmpl.size())
                : std::max<int>(col.value_width,
                                static_cast<int>(char_count(std::get<std::string>(candidate))));
        if (!p.has_template() && p.scroll == 0 && value_w > w)
            g.picture = (col.picture.empty() ? "@S" : col.picture + "S") + std::to_string(w);
        if (!p.has_template()) g.width = value_w;
    }
    g.valid = [&] { return !col.valid || col.valid(candidate); };
    // The field may be narrower than its cell: nothing of the value shown before stays beside it.
    screen_.write(g.row, g.col,
                  std::string(static_cast<size_t>(std::min(w, rect_.right - g.col + 1)), ' '),
                  screen_.colours.enhanced);
    std::vector<Get> fields{g};
    ReadResult r = READ(screen_, fields);
    if (escaped) *escaped = r.escaped;
    bool written = !r.escaped && candidate != original && col.put(candidate);
    if (written) fit_rows();
    refresh();
    return written;
}

void Browser::go_column(int c) {
    const int before = col_;
    col_ = std::clamp(c, 0, static_cast<int>(columns_.size()) - 1);
    if (col_ != before && options_.on_column) options_.on_column(col_);
    if (col_ < left_) left_ = col_;
    layout();
    while (
        std::none_of(visible_.begin(), visible_.end(), [&](auto& v) { return v.first == col_; })) {
        ++left_;
        layout();
    }
}

void Browser::stop(const Key& k) {
    stop_ = true;
    stop_key_ = k;
}

Key Browser::run() {
    stop_ = false;
    refresh();
    while (!stop_) {
        screen_.hide_cursor();
        Key k = screen_.wait_key();
        if (options_.on_key && options_.on_key(k)) {
            if (!stop_) refresh();
            continue;
        }
        if (screen_.run_hot_key(k)) {
            if (screen_.take_end_input())
                stop(k);
            else
                refresh();
            continue;
        }
        bool redraw = true;
        if (k.is(KeyCode::kEsc) || k.is(KeyCode::kTab) || k.is(KeyCode::kTab, kShift)) {
            stop(k);
            redraw = false;
        } else if (k.is(KeyCode::kDown))
            redraw = move_rows(1);
        else if (k.is(KeyCode::kUp))
            redraw = move_rows(-1);
        else if (k.is(KeyCode::kPgDn))
            redraw = move_rows(rows_shown());
        else if (k.is(KeyCode::kPgUp))
            redraw = move_rows(-rows_shown());
        else if (k.is(KeyCode::kHome)) {
            source_.go_top();
            row_ = 0;
        } else if (k.is(KeyCode::kEnd)) {
            source_.go_bottom();
            row_ = rows_shown() - 1;
        } else if (k.is(KeyCode::kLeft) || k.is(KeyCode::kRight)) {
            go_column(col_ + (k.is(KeyCode::kLeft) ? -1 : 1));
        } else if (k.is(KeyCode::kEnter)) {
            edit();  // repaints the rows itself
            redraw = false;
        } else if (k.is(KeyCode::kIns)) {
            redraw = options_.on_insert && options_.on_insert();
        } else if (k.is(KeyCode::kDel)) {
            redraw = !source_.empty() && options_.on_delete && options_.on_delete();
        } else if (k.is_mouse()) {
            int r = k.row - rect_.top - 2;
            int c = column_at(k.col);
            if (r >= 0 && r < rows_shown() && c >= 0 && !source_.empty()) {
                row_ += static_cast<int>(source_.skip(r - row_));
                if (c != col_ && options_.on_column) options_.on_column(c);
                col_ = c;
                refresh();
                if (k.double_click) edit();
            }
            redraw = false;
        } else if (k.is_text() && !source_.empty() && columns_[static_cast<size_t>(col_)].put) {
            // A character typed on a cell replaces its value: editing starts on a cleared field.
            screen_.push_key(Key::ctrl('Y'));
            screen_.push_key(k);
            edit();
            redraw = false;
        } else {
            redraw = false;
        }
        if (redraw) {
            if (k.is(KeyCode::kIns) || k.is(KeyCode::kDel)) fit_rows();
            refresh();
        }
    }
    return stop_key_;
}

}  // namespace vorn::ui
