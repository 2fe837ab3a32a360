// ncursesw: palette mapping, changed-cells-only drawing, key and mouse translation, resize.
#include "ui/terminal.h"

#define NCURSES_WIDECHAR 1
#include <curses.h>
#include <langinfo.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "base/text.h"

namespace vorn::ui {
namespace {

// Text-screen colour order (black blue green cyan red magenta brown white) → curses colours.
constexpr short kCursesColour[8] = {COLOR_BLACK, COLOR_BLUE,    COLOR_GREEN,  COLOR_CYAN,
                                    COLOR_RED,   COLOR_MAGENTA, COLOR_YELLOW, COLOR_WHITE};

constexpr int kCtrlEnterCode = KEY_MAX + 1;

void ensure_utf8_locale() {
    std::setlocale(LC_ALL, "");
    const char* cs = nl_langinfo(CODESET);
    if (cs && std::strcmp(cs, "UTF-8") == 0) return;
    if (!std::setlocale(LC_CTYPE, "C.UTF-8")) std::setlocale(LC_CTYPE, "en_US.UTF-8");
}

}  // namespace

TerminalBackend::TerminalBackend(Options options) {
    ensure_utf8_locale();
    out_fd_ = fileno(options.out);
    screen_ = newterm(options.term, options.out, options.in);
    if (!screen_) throw std::runtime_error("o terminal não pôde ser usado (TERM inválido?)");
    set_term(screen_);
    raw();
    noecho();
    nonl();
    keypad(stdscr, TRUE);
    meta(stdscr, TRUE);
    set_escdelay(25);
    mousemask(BUTTON1_CLICKED | BUTTON1_DOUBLE_CLICKED | BUTTON3_CLICKED, nullptr);
    mouseinterval(200);
    // Ctrl+Enter as terminals with modified keys send it, and the cursor keys of terminals that
    // ignore the keypad mode their description asks for.
    define_key("\033[27;5;13~", kCtrlEnterCode);
    define_key("\033[13;5u", kCtrlEnterCode);
    const std::pair<const char*, int> normal_mode[] = {
        {"\033[A", KEY_UP},    {"\033[B", KEY_DOWN}, {"\033[C", KEY_RIGHT}, {"\033[D", KEY_LEFT},
        {"\033[H", KEY_HOME},  {"\033[F", KEY_END},  {"\033[1~", KEY_HOME}, {"\033[4~", KEY_END},
        {"\033[7~", KEY_HOME}, {"\033[8~", KEY_END}};
    for (const auto& [seq, code] : normal_mode)
        if (key_defined(seq) == 0) define_key(seq, code);
    if (has_colors() && start_color() == OK)
        colour_mode_ = COLORS >= 16 && COLOR_PAIRS > 256 ? 16 : 8;
    curs_set(0);
}

TerminalBackend::~TerminalBackend() {
    if (!screen_) return;
    set_term(screen_);
    curs_set(1);
    endwin();
    delscreen(screen_);
}

short TerminalBackend::pair_for(uint8_t attr, unsigned& extra) {
    int fg = attr & 15, bg = (attr >> 4) & 15;
    extra = 0;
    if (colour_mode_ == 0) {
        if (bg >= 7 && fg < 7) extra |= A_REVERSE;
        if (fg >= 8) extra |= A_BOLD;
        return 0;
    }
    int pair;
    short cf, cb;
    if (colour_mode_ == 16) {
        pair = 1 + bg * 16 + fg;
        cf = static_cast<short>(kCursesColour[fg & 7] + (fg >= 8 ? 8 : 0));
        cb = static_cast<short>(kCursesColour[bg & 7] + (bg >= 8 ? 8 : 0));
    } else {
        pair = 1 + (bg & 7) * 8 + (fg & 7);
        cf = kCursesColour[fg & 7];
        cb = kCursesColour[bg & 7];
        if (fg >= 8) extra |= A_BOLD;
    }
    if (!pair_ready_[pair]) {
        init_pair(static_cast<short>(pair), cf, cb);
        pair_ready_[pair] = true;
    }
    return static_cast<short>(pair);
}

void TerminalBackend::show_too_small() {
    erase();
    // Broken between words to the width there is, so that it reads whole on any terminal.
    const std::string msg =
        "A janela do terminal precisa ter 80 colunas e 25 linhas (agora: " + std::to_string(COLS) +
        " x " + std::to_string(LINES) + ").";
    int row = 0;
    for (const char* part : {msg.c_str(), "Aumente a janela para continuar."})
        for (const auto& line : wrap_words(part, static_cast<size_t>(std::max(COLS, 1))))
            if (row < LINES) mvaddstr(row++, 0, line.c_str());
    curs_set(0);
    refresh();
    shown_valid_ = false;
}

void TerminalBackend::draw(const Grid& grid) {
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kCols; ++c) {
            const Cell& cell = grid.at(r, c);
            if (shown_valid_ && shown_.at(r, c) == cell) continue;
            unsigned extra;
            short pair = pair_for(cell.attr, extra);
            wchar_t wc[2] = {static_cast<wchar_t>(cell.ch < 0x20 ? U' ' : cell.ch), 0};
            cchar_t cc;
            setcchar(&cc, wc, extra, pair, nullptr);
            mvwadd_wch(stdscr, r, c, &cc);
            ++cells_written_;
        }
    shown_ = grid;
    shown_valid_ = true;
}

void TerminalBackend::present(const Grid& grid, const CursorState& cursor) {
    set_term(screen_);
    wanted_ = grid;
    cursor_ = cursor;
    too_small_ = LINES < kRows || COLS < kCols;
    if (too_small_) {
        show_too_small();
        return;
    }
    draw(grid);
    if (cursor.visible) {
        wmove(stdscr, cursor.row, cursor.col);
        curs_set(cursor.insert ? 2 : 1);
    } else {
        curs_set(0);
    }
    wrefresh(stdscr);
}

std::optional<Key> TerminalBackend::translate(int result, unsigned ch) {
    if (result == KEY_CODE_YES) {
        int code = static_cast<int>(ch);
        if (code >= KEY_F(1) && code <= KEY_F(63)) {
            int n = code - KEY_F(0);
            int base = (n - 1) % 12 + 1;
            switch ((n - 1) / 12) {
                case 0:
                    return Key::f(base);
                case 1:
                    return Key::f(base, kShift);
                case 2:
                case 3:
                    return Key::f(base, kCtrl);
                default:
                    return Key::f(base, kAlt);
            }
        }
        switch (code) {
            case KEY_UP:
                return Key::of(KeyCode::kUp);
            case KEY_DOWN:
                return Key::of(KeyCode::kDown);
            case KEY_LEFT:
                return Key::of(KeyCode::kLeft);
            case KEY_RIGHT:
                return Key::of(KeyCode::kRight);
            case KEY_HOME:
            case KEY_A1:
            case KEY_FIND:
                return Key::of(KeyCode::kHome);
            case KEY_END:
            case KEY_C1:
            case KEY_SELECT:
                return Key::of(KeyCode::kEnd);
            case KEY_PPAGE:
            case KEY_A3:
                return Key::of(KeyCode::kPgUp);
            case KEY_NPAGE:
            case KEY_C3:
                return Key::of(KeyCode::kPgDn);
            case KEY_IC:
                return Key::of(KeyCode::kIns);
            case KEY_DC:
                return Key::of(KeyCode::kDel);
            case KEY_BACKSPACE:
                return Key::of(KeyCode::kBackspace);
            case KEY_ENTER:
                return Key::of(KeyCode::kEnter);
            case KEY_BTAB:
                return Key::of(KeyCode::kTab, kShift);
            case kCtrlEnterCode:
                return Key::of(KeyCode::kEnter, kCtrl);
            case KEY_MOUSE: {
                MEVENT ev;
                if (getmouse(&ev) != OK || !Grid::inside(ev.y, ev.x)) return std::nullopt;
                if (ev.bstate & BUTTON1_DOUBLE_CLICKED) return Key::click(ev.y, ev.x, true);
                if (ev.bstate & BUTTON3_CLICKED) return Key::click(ev.y, ev.x, false, 3);
                if (ev.bstate & BUTTON1_CLICKED) return Key::click(ev.y, ev.x);
                return std::nullopt;
            }
            default:
                return std::nullopt;
        }
    }
    switch (ch) {
        case 27: {
            // Esc alone, or Alt+key sent as Esc followed by the key.
            wtimeout(stdscr, 30);
            wint_t next;
            int r = wget_wch(stdscr, &next);
            if (r == ERR) return Key::of(KeyCode::kEsc);
            if (r == OK && next > 32 && next != 127) return Key::alt(static_cast<char32_t>(next));
            if (r == KEY_CODE_YES && next >= KEY_F(1) && next <= KEY_F(12))
                return Key::f(static_cast<int>(next) - KEY_F(0), kAlt);
            if (r == KEY_CODE_YES)
                ungetch(static_cast<int>(next));
            else
                unget_wch(static_cast<wchar_t>(next));
            return Key::of(KeyCode::kEsc);
        }
        case 9:
            return Key::of(KeyCode::kTab);
        case 13:
            return Key::of(KeyCode::kEnter);
        case 10:
            return Key::of(KeyCode::kEnter, kCtrl);
        case 8:
        case 127:
            return Key::of(KeyCode::kBackspace);
        default:
            break;
    }
    if (ch >= 1 && ch <= 26) return Key::ctrl(static_cast<char32_t>('A' + ch - 1));
    if (ch < 32) return std::nullopt;
    return Key::chr(static_cast<char32_t>(ch));
}

void TerminalBackend::check_size() {
    winsize ws{};
    if (ioctl(out_fd_, TIOCGWINSZ, &ws) != 0 || ws.ws_row == 0) return;
    if (ws.ws_row == LINES && ws.ws_col == COLS) return;
    resize_term(ws.ws_row, ws.ws_col);
    shown_valid_ = false;
    present(wanted_, cursor_);
}

std::optional<Key> TerminalBackend::read(Wait wait, double seconds) {
    set_term(screen_);
    using Clock = std::chrono::steady_clock;
    const auto deadline =
        Clock::now() + std::chrono::milliseconds(static_cast<long>(seconds * 1000));
    for (;;) {
        if (too_small_) check_size();
        int ms = -1;
        if (wait == Wait::kPoll) {
            ms = 0;
        } else if (wait != Wait::kForever) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())
                    .count();
            if (left <= 0) return std::nullopt;
            ms = static_cast<int>(std::min<long long>(left, 1 << 30));
        }
        if (too_small_ && (ms < 0 || ms > 250)) ms = 250;
        wtimeout(stdscr, ms);
        wint_t ch;
        int r = wget_wch(stdscr, &ch);
        if (r == ERR) {
            if (wait == Wait::kForever || (wait != Wait::kPoll && Clock::now() < deadline))
                continue;
            return std::nullopt;
        }
        if (r == KEY_CODE_YES && ch == KEY_RESIZE) {
            shown_valid_ = false;
            clearok(stdscr, TRUE);
            present(wanted_, cursor_);
            continue;
        }
        if (too_small_) continue;  // nothing can be done on a screen that does not fit
        if (auto k = translate(r, static_cast<unsigned>(ch))) return k;
        if (wait == Wait::kPoll) return std::nullopt;
    }
}

void TerminalBackend::suspend() {
    set_term(screen_);
    def_prog_mode();
    endwin();
}

void TerminalBackend::resume() {
    set_term(screen_);
    reset_prog_mode();
    // The outside program wrote over everything: draw every cell again.
    shown_valid_ = false;
    clearok(stdscr, TRUE);
    present(wanted_, cursor_);
}

void TerminalBackend::beep(int, int) {
    set_term(screen_);
    ::beep();
}

}  // namespace vorn::ui
