// The terminal back end: ncursesw shows the 25 × 80 grid with UTF-8 box drawing and the
// terminal's palette, writing only the cells that changed, and turns the terminal's input into
// keys (F1–F12 with Shift/Ctrl/Alt, Alt+letter, Ctrl+Enter where the terminal tells it apart,
// mouse clicks). A terminal smaller than 80 × 25 shows a message until it is enlarged.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "ui/backend.h"

struct screen;  // ncurses' SCREEN

namespace vorn::ui {

class TerminalBackend final : public Backend {
  public:
    struct Options {
        FILE* in = stdin;
        FILE* out = stdout;
        const char* term = nullptr;  // the TERM variable's when null
    };
    // Takes over the terminal (the locale's character set is set to UTF-8 when it is not);
    // throws std::runtime_error when the terminal cannot be used.
    explicit TerminalBackend(Options options);
    TerminalBackend() : TerminalBackend(Options{}) {}
    // Gives the terminal back as it was.
    ~TerminalBackend() override;
    TerminalBackend(const TerminalBackend&) = delete;
    TerminalBackend& operator=(const TerminalBackend&) = delete;

    void present(const Grid& grid, const CursorState& cursor) override;
    std::optional<Key> read(Wait wait, double seconds) override;
    void beep(int hz, int ms) override;
    void suspend() override;
    void resume() override;

    // Cells written to the terminal since it was opened.
    long cells_written() const { return cells_written_; }
    bool too_small() const { return too_small_; }

  private:
    void draw(const Grid& grid);
    void show_too_small();
    // Asks the terminal for its size and redraws when it changed (for terminals whose resize
    // signal does not reach us while the screen is too small to use).
    void check_size();
    std::optional<Key> translate(int result, unsigned ch);
    short pair_for(uint8_t attr, unsigned& extra);

    struct screen* screen_ = nullptr;
    int out_fd_ = -1;
    Grid wanted_;  // the last grid presented
    Grid shown_;   // what the terminal shows
    bool shown_valid_ = false;
    CursorState cursor_;
    bool too_small_ = false;
    int colour_mode_ = 0;  // 0 none, 8 or 16 colours
    bool pair_ready_[257] = {};
    long cells_written_ = 0;
};

}  // namespace vorn::ui
