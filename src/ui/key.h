// Keys and mouse clicks as the toolkit sees them, whatever back end produced them, with the key
// names of the headless key scripts ("ENTER", "SHIFT+TAB", "ALT+X", "CTRL+F3", ...).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vorn::ui {

enum class KeyCode : uint8_t {
    kNone,
    kChar,
    kEnter,
    kEsc,
    kTab,
    kBackspace,
    kUp,
    kDown,
    kLeft,
    kRight,
    kHome,
    kEnd,
    kPgUp,
    kPgDn,
    kIns,
    kDel,
    kF,
    kMouse
};

enum KeyMod : uint8_t { kShift = 1, kCtrl = 2, kAlt = 4 };

// A typed key or a mouse click. Letters with Alt or Ctrl are held in upper case; Ctrl+C is
// {kChar, 'C', kCtrl} (key code 3 of the console).
struct Key {
    KeyCode code = KeyCode::kNone;
    char32_t ch = 0;  // kChar
    int fn = 0;       // kF: 1..12
    uint8_t mods = 0;
    int row = -1, col = -1;     // kMouse: screen cell
    bool double_click = false;  // kMouse
    int button = 1;             // kMouse: 1 left, 3 right

    static Key of(KeyCode c, uint8_t mods = 0) { return Key{c, 0, 0, mods}; }
    static Key chr(char32_t c) { return Key{KeyCode::kChar, c, 0, 0}; }
    static Key f(int n, uint8_t mods = 0) { return Key{KeyCode::kF, 0, n, mods}; }
    static Key alt(char32_t c);
    static Key ctrl(char32_t c);
    static Key click(int row, int col, bool dbl = false, int button = 1);

    bool is_mouse() const { return code == KeyCode::kMouse; }
    // A character typed with no modifier (Shift is part of the character).
    bool is_text() const { return code == KeyCode::kChar && mods == 0; }
    bool is(KeyCode c, uint8_t m = 0) const { return code == c && mods == m; }
    friend bool operator==(const Key& a, const Key& b) = default;
};

// A key name of the key scripts, in either case: ENTER ESC TAB SHIFT+TAB UP DOWN LEFT RIGHT HOME
// END PGUP PGDN INS DEL BACKSPACE F1..F12, ALT+<letter|digit|+|F1..F12>,
// CTRL+<letter|ENTER|F1..F12>, SHIFT+F1..SHIFT+F12. nullopt for anything else.
std::optional<Key> parse_key_name(std::string_view name);
// The script name of a key ("ALT+X"); mouse clicks read "CLICK r,c".
std::string key_name(const Key& key);

}  // namespace vorn::ui
