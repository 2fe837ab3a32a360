// Numbered text windows drawn inside the grid: three colours, a rectangle, a border type (0 none,
// 1 box one cell outside, 2 box on the edge, 7 box with a drop shadow), the last text written, and
// one saved background per open instance, so any window can close in any order.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ui/colour.h"
#include "ui/screen.h"

namespace vorn::ui {

struct TextWindow {
    std::string colour1 = "N/BG", colour2 = "N/W", colour3 = "W/N";  // text, border, third
    int top = 0, left = 0, bottom = kRows - 1, right = kCols - 1;
    int type = 1;
    std::string last_text;
    std::string title;                    // shown on the top border of bordered windows
    std::vector<Screen::LayerId> opened;  // one saved background per ABREJAN not yet closed

    Rect rect() const { return {top, left, bottom, right}; }
    // Where the box is drawn (empty for type 0).
    Rect box() const;
    // Where ESCRJAN writes: inside the box, one column narrower on each side for bordered windows.
    Rect content() const;
    // Everything drawn: the box and the shadow; the area saved by ABREJAN.
    Rect extent() const;
    uint8_t attr(int which) const;
    bool is_open() const { return !opened.empty(); }
};

class TextWindows {
  public:
    static constexpr int kUpOrLeft = 129;  // MOVEVER/MOVEHOR key that moves up or left

    // Windows 1 to 10 are predefined: colours 48, 112, 7, type 1, the full screen.
    explicit TextWindows(Screen& screen);

    // Defines or redefines a window (type 7 adds two rows of height). REDEFJAN keeps the last text
    // and the title; DEFINEJAN starts afresh.
    void DEFINEJAN(int n, Colour text, Colour border, Colour third, int top, int left, int bottom,
                   int right, int type);
    void REDEFJAN(int n, Colour text, Colour border, Colour third, int top, int left, int bottom,
                  int right, int type);
    // Changes colour 1, 2 or 3 of a window; number 0 means 10.
    void REDFATR(int n, int which, Colour colour);
    // Saves the cells under the window and draws it empty, with its box and shadow.
    void ABREJAN(int n);
    // Restores the cells saved by the last ABREJAN of that number (nothing when it is not open).
    void FECHAJAN(int n);
    // Writes from the content's top-left corner, wrapping at its right edge; characters 1, 2 and 3
    // switch to colour 1, 2 or 3 and are not shown, 4 is dropped, a line feed starts a new row.
    // Number 0 writes on the bottom line of the screen.
    void ESCRJAN(int n, std::string_view text);
    // Writes at a row and column of the content (switch characters as ESCRJAN), cut at its edge.
    void ESCRLCOL(int n, int row, int col, std::string_view text);
    // Recolours `length` cells of the content from (row, col).
    void ESCRATR(int n, int row, int col, Colour colour, int length);
    // One row up (key 129) or down / one column left (129) or right, staying inside the screen;
    // an open window is redrawn there with its last text.
    void MOVEVER(int n, int key);
    void MOVEHOR(int n, int key);
    // Fills the whole screen with one character in one colour.
    void ENCHETELA(std::string_view character, Colour colour);

    bool defined(int n) const;
    // An undefined window number is a programming error (std::out_of_range).
    const TextWindow& get(int n) const;
    void set_title(int n, std::string title);

    // Keeps a window open for a scope.
    class Open {
      public:
        Open(TextWindows& w, int n) : w_(w), n_(n) { w_.ABREJAN(n_); }
        ~Open() { w_.FECHAJAN(n_); }
        Open(const Open&) = delete;
        Open& operator=(const Open&) = delete;

      private:
        TextWindows& w_;
        int n_;
    };

  private:
    TextWindow& at(int n);
    void define(int n, Colour text, Colour border, Colour third, int top, int left, int bottom,
                int right, int type, bool keep_text);
    void draw_frame(const TextWindow& w, Screen::LayerId layer);
    void draw_shadow(const TextWindow& w, Screen::LayerId layer);
    void move(int n, int drow, int dcol);
    static Screen::LayerId layer_of(const TextWindow& w);

    Screen& screen_;
    std::vector<TextWindow> windows_;  // index = number
    std::vector<bool> defined_;
};

}  // namespace vorn::ui
