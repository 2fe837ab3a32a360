// The screen loop's choice of the next entry screen of an open declaration, from the key that
// ended the current one. Screens are numbered 1 to 17 (12 to 17 rural), 22/23 the zoom views of
// assets and debts, 99 the idle screen under the menu; a screen with pages carries its page as
// the two-digit item code (31, 32; 41, 42, 43; 51, 56, 57, 58).
#pragma once

#include <string_view>

namespace vorn::shell {

struct ScreenPos {
    int screen = 99;  // GTELA number; 99 = idle (window-style menu), 0 = back to the menu
    int item = 0;     // OPCIR_1 of a screen with pages, else 0

    friend bool operator==(ScreenPos, ScreenPos) = default;
};

struct GiroContext {
    bool rural = false;            // the declaration has rural activity
    bool rural_abroad = false;     // the rural activity being shown is abroad (screen 13 skipped)
    bool new_declaration = false;  // a new declaration goes from screen 6 to screen 1
    bool window_menu = true;       // OPCIRPF = "J"
    bool leaving = false;          // leaving was already confirmed
};

// What comes after screen `at` ended with `key` (key names as in key scripts: "ESC", "F1",
// "ALT+F3", "PGDN", "SHIFT+TAB", "ENTER" ...). A key that chooses no screen gives {0, 0}: back to
// the menu. Rural screens without rural activity give {-1, 0}: the caller tells the operator and
// shows screen 1.
ScreenPos GIRO_next(ScreenPos at, std::string_view key, const GiroContext& c);

// The screen an item code of the declaration menu opens (11 → screen 1, 61 → 6, 52 → 23 ...);
// {0, 0} for codes that open no entry screen.
ScreenPos screen_for_code(int code);

}  // namespace vorn::shell
