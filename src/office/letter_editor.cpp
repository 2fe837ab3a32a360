#include "office/letter_editor.h"

#include <algorithm>

#include "base/text.h"

namespace vorn::office {

namespace {

// A letter as search compares it: lower case without its accent.
char32_t fold(char32_t c) {
    if (c >= U'A' && c <= U'Z') return c + 32;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) c += 32;  // Latin-1 capitals
    static constexpr std::u32string_view kAccented = U"àáâãäåçèéêëìíîïñòóôõöùúûüýÿ";
    static constexpr std::u32string_view kPlain = U"aaaaaaceeeeiiiinooooouuuuyy";
    const size_t k = kAccented.find(c);
    return k == std::u32string_view::npos ? c : kPlain[k];
}

std::u32string folded(std::u32string_view s) {
    std::u32string out(s);
    for (char32_t& c : out) c = fold(c);
    return out;
}

}  // namespace

LetterText::LetterText(std::string_view utf8) : saved_(utf8) {
    // CR LF when every LF follows a CR (or there is none), else LF with any CR kept as text, so
    // that a text with mixed line ends also reads back the same.
    eol_ = "\r\n";
    for (size_t nl = utf8.find('\n'); nl != std::string_view::npos; nl = utf8.find('\n', nl + 1))
        if (nl == 0 || utf8[nl - 1] != '\r') eol_ = "\n";
    size_t from = 0;
    for (;;) {
        const size_t end = utf8.find('\n', from);
        std::string_view line = utf8.substr(from, end == std::string_view::npos ? end : end - from);
        if (end != std::string_view::npos && eol_ == "\r\n" && line.ends_with('\r'))
            line.remove_suffix(1);
        lines_.push_back(to_u32(line));
        if (end == std::string_view::npos) break;
        from = end + 1;
    }
}

std::string LetterText::text() const {
    std::string out;
    for (size_t r = 0; r < lines_.size(); ++r) {
        if (r > 0) out += eol_;
        out += to_utf8(lines_[r]);
    }
    return out;
}

void LetterText::type(char32_t c) {
    std::u32string& l = lines_[static_cast<size_t>(row_)];
    const auto at = static_cast<size_t>(col_);
    if (overwrite_ && at < l.size())
        l[at] = c;
    else
        l.insert(at, 1, c);
    goal_ = ++col_;
}

void LetterText::insert(std::string_view utf8) {
    for (char32_t c : to_u32(utf8)) {
        if (c == U'\r') continue;
        if (c == U'\n')
            enter();
        else
            lines_[static_cast<size_t>(row_)].insert(static_cast<size_t>(col_++), 1, c);
    }
    goal_ = col_;
}

void LetterText::enter() {
    std::u32string& l = lines_[static_cast<size_t>(row_)];
    std::u32string rest = l.substr(static_cast<size_t>(col_));
    l.resize(static_cast<size_t>(col_));
    lines_.insert(lines_.begin() + row_ + 1, std::move(rest));
    ++row_;
    col_ = goal_ = 0;
}

void LetterText::backspace() {
    if (col_ > 0) {
        lines_[static_cast<size_t>(row_)].erase(static_cast<size_t>(--col_), 1);
    } else if (row_ > 0) {
        const std::u32string l = std::move(lines_[static_cast<size_t>(row_)]);
        lines_.erase(lines_.begin() + row_);
        --row_;
        col_ = length(row_);
        lines_[static_cast<size_t>(row_)] += l;
    }
    goal_ = col_;
}

void LetterText::del() {
    std::u32string& l = lines_[static_cast<size_t>(row_)];
    if (col_ < length(row_)) {
        l.erase(static_cast<size_t>(col_), 1);
    } else if (row_ + 1 < line_count()) {
        l += lines_[static_cast<size_t>(row_) + 1];
        lines_.erase(lines_.begin() + row_ + 1);
    }
    goal_ = col_;
}

void LetterText::left() {
    if (col_ > 0)
        --col_;
    else if (row_ > 0)
        col_ = length(--row_);
    goal_ = col_;
}

void LetterText::right() {
    if (col_ < length(row_))
        ++col_;
    else if (row_ + 1 < line_count())
        ++row_, col_ = 0;
    goal_ = col_;
}

void LetterText::up(int n) {
    row_ = std::max(0, row_ - n);
    col_ = std::min(goal_, length(row_));
}

void LetterText::down(int n) {
    row_ = std::min(line_count() - 1, row_ + n);
    col_ = std::min(goal_, length(row_));
}

void LetterText::bottom() {
    row_ = line_count() - 1;
    col_ = goal_ = length(row_);
}

void LetterText::go_to(int row, int col) {
    row_ = std::clamp(row, 0, line_count() - 1);
    col_ = goal_ = std::clamp(col, 0, length(row_));
}

bool LetterText::insert_field(int number) {
    const auto& names = placeholder_names();
    if (number < 1 || number > static_cast<int>(names.size())) return false;
    insert(" \u00ab" + names[static_cast<size_t>(number) - 1] + "\u00bb ");
    return true;
}

bool LetterText::search_from(int row, int col) {
    const std::u32string n = folded(to_u32(needle_));
    if (n.empty()) return false;
    // Each line once from the starting point to the end, then from the top back to it.
    for (int k = 0; k <= line_count(); ++k) {
        const int r = (row + k) % line_count();
        const std::u32string l = folded(lines_[static_cast<size_t>(r)]);
        const size_t from = k == 0 ? static_cast<size_t>(col) : 0;
        size_t at = from <= l.size() ? l.find(n, from) : std::u32string::npos;
        if (k == line_count() && at != std::u32string::npos && at >= static_cast<size_t>(col))
            at = std::u32string::npos;  // the starting line's rest was searched first
        if (at != std::u32string::npos) {
            row_ = r;
            col_ = goal_ = static_cast<int>(at);
            return true;
        }
    }
    return false;
}

bool LetterText::find(std::string_view needle) {
    needle_ = std::string(needle);
    return search_from(row_, col_);
}

bool LetterText::find_again() {
    return search_from(row_, col_ + 1);
}

void LetterText::scroll_into_view(int rows, int cols) {
    rows = std::max(rows, 1);
    cols = std::max(cols, 1);
    if (row_ < top_) top_ = row_;
    if (row_ >= top_ + rows) top_ = row_ - rows + 1;
    if (col_ < left_) left_ = col_;
    if (col_ >= left_ + cols) left_ = col_ - cols + 1;
}

std::optional<PageSettings> page_settings_of(const std::array<std::string, 6>& texts,
                                             std::string* problem) {
    static constexpr size_t kDigits[] = {3, 3, 3, 2, 2, 2};
    int v[6];
    for (size_t k = 0; k < 6; ++k) {
        const std::string t = trim(texts[k]);
        const bool digits = !t.empty() && std::all_of(t.begin(), t.end(),
                                                      [](char c) { return c >= '0' && c <= '9'; });
        if (!digits || t.size() > kDigits[k]) {
            *problem = "Margens e tamanhos da página só com números (até " +
                       std::to_string(kDigits[k]) + " dígitos)";
            return std::nullopt;
        }
        v[k] = std::stoi(t);
    }
    const PageSettings p{v[0], v[1], v[2], v[3], v[4], v[5]};
    if (p.width < 1) {
        *problem = "A largura total da página deve ser maior que zero";
        return std::nullopt;
    }
    if (p.text_lines() < 1) {
        *problem = "As margens superior e inferior não deixam linhas para o texto";
        return std::nullopt;
    }
    return p;
}

}  // namespace vorn::office
