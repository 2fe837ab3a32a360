// The letter editor's text: lines with a cursor, the editing keys' operations, search, the
// insertion of placeholders, the window's scrolling, and the page settings of the format dialog.
// It knows nothing of the screen, so every operation can be driven and checked on its own.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "office/letters.h"

namespace vorn::office {

class LetterText {
  public:
    // The text as the letter file holds it (UTF-8). Its line ends (CR LF or LF, the first one
    // found; CR LF for a text without any) are kept, so an untouched text reads back the same.
    explicit LetterText(std::string_view utf8 = {});

    std::string text() const;
    // Whether the text differs from the one given at construction or at the last mark_saved().
    bool modified() const { return text() != saved_; }
    void mark_saved() { saved_ = text(); }

    int row() const { return row_; }
    int col() const { return col_; }
    int line_count() const { return static_cast<int>(lines_.size()); }
    const std::u32string& line(int r) const { return lines_.at(static_cast<size_t>(r)); }
    bool overwrite() const { return overwrite_; }
    void toggle_overwrite() { overwrite_ = !overwrite_; }

    // Typing: a character at the cursor (replacing the one there in overwrite mode), text at the
    // cursor (line breaks in it split the line), Enter splitting the line at the cursor,
    // Backspace joining with the previous line at its start, Del joining the next at the end.
    void type(char32_t c);
    void insert(std::string_view utf8);
    void enter();
    void backspace();
    void del();

    // Cursor keys. Up and Down keep the column the cursor was aiming at; Left at the start of a
    // line goes to the end of the previous one, Right at the end to the start of the next.
    void left();
    void right();
    void up(int n = 1);
    void down(int n = 1);
    void home() { col_ = goal_ = 0; }
    void end() { col_ = goal_ = length(row_); }
    void top() { row_ = col_ = goal_ = 0; }
    void bottom();
    void go_to(int row, int col);

    // Placeholder `number` of the field menu (1 to 43) at the cursor with a blank on each side;
    // 0 or a number out of range inserts nothing (false).
    bool insert_field(int number);

    // Search, letters compared without case and accents: from the cursor (find) or from the
    // character after it (find again), on to the end and then from the start. The cursor goes to
    // the first character found; false (the cursor stays) when the text is nowhere.
    bool find(std::string_view needle);
    bool find_again();
    const std::string& needle() const { return needle_; }

    // The window onto the text: its first line and column, moved only as far as needed to keep
    // the cursor inside a window of `rows` × `cols`.
    void scroll_into_view(int rows, int cols);
    int top_line() const { return top_; }
    int left_col() const { return left_; }

  private:
    int length(int r) const { return static_cast<int>(lines_[static_cast<size_t>(r)].size()); }
    bool search_from(int row, int col);

    std::vector<std::u32string> lines_;
    std::string eol_;
    std::string saved_;
    int row_ = 0, col_ = 0, goal_ = 0;
    int top_ = 0, left_ = 0;
    bool overwrite_ = false;
    std::string needle_;
};

// The format dialog's six texts (left margin, right margin, width, page length, top margin,
// bottom margin) as page settings: each must be digits only (blanks around them aside) and fit
// its place in the header (3 digits for the columns, 2 for the lines), the width above zero and
// the page with at least one line for text between the margins. The reason for a refusal goes
// to *problem.
std::optional<PageSettings> page_settings_of(const std::array<std::string, 6>& texts,
                                             std::string* problem);

}  // namespace vorn::office
