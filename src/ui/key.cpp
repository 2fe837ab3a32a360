// Key construction and the key names of the key scripts.
#include "ui/key.h"

#include <array>
#include <cctype>
#include <utility>

#include "base/text.h"

namespace vorn::ui {
namespace {

char32_t upper_ascii(char32_t c) {
    return c >= U'a' && c <= U'z' ? c - 32 : c;
}

constexpr std::array<std::pair<const char*, KeyCode>, 15> kNamed = {{
    {"ENTER", KeyCode::kEnter},
    {"ESC", KeyCode::kEsc},
    {"TAB", KeyCode::kTab},
    {"UP", KeyCode::kUp},
    {"DOWN", KeyCode::kDown},
    {"LEFT", KeyCode::kLeft},
    {"RIGHT", KeyCode::kRight},
    {"HOME", KeyCode::kHome},
    {"END", KeyCode::kEnd},
    {"PGUP", KeyCode::kPgUp},
    {"PGDN", KeyCode::kPgDn},
    {"INS", KeyCode::kIns},
    {"DEL", KeyCode::kDel},
    {"BACKSPACE", KeyCode::kBackspace},
    {"NONE", KeyCode::kNone},
}};

// "F1".."F12" → 1..12, else 0.
int function_number(std::string_view s) {
    if (s.size() < 2 || s.size() > 3 || s[0] != 'F') return 0;
    int n = 0;
    for (char c : s.substr(1)) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return 0;
        n = n * 10 + (c - '0');
    }
    return n >= 1 && n <= 12 ? n : 0;
}

}  // namespace

Key Key::alt(char32_t c) {
    Key k = chr(upper_ascii(c));
    k.mods = kAlt;
    return k;
}

Key Key::ctrl(char32_t c) {
    Key k = chr(upper_ascii(c));
    k.mods = kCtrl;
    return k;
}

Key Key::click(int row, int col, bool dbl, int button) {
    Key k = of(KeyCode::kMouse);
    k.row = row;
    k.col = col;
    k.double_click = dbl;
    k.button = button;
    return k;
}

std::optional<Key> parse_key_name(std::string_view name) {
    std::string n = upper(name);
    if (n == "SHIFT+TAB") return Key::of(KeyCode::kTab, kShift);
    for (const auto& [text, code] : kNamed)
        if (n == text && code != KeyCode::kNone) return Key::of(code);
    if (int f = function_number(n)) return Key::f(f);
    auto plus = n.find('+');
    if (plus == std::string::npos) return std::nullopt;
    std::string mod = n.substr(0, plus), rest = n.substr(plus + 1);
    int f = function_number(rest);
    bool single = rest.size() == 1 && std::isalnum(static_cast<unsigned char>(rest[0]));
    if (mod == "ALT") {
        if (f) return Key::f(f, kAlt);
        if (single) return Key::alt(static_cast<char32_t>(rest[0]));
        if (rest == "+") return Key::alt(U'+');  // ALT++
    } else if (mod == "CTRL") {
        if (f) return Key::f(f, kCtrl);
        if (rest == "ENTER") return Key::of(KeyCode::kEnter, kCtrl);
        if (single && std::isalpha(static_cast<unsigned char>(rest[0])))
            return Key::ctrl(static_cast<char32_t>(rest[0]));
    } else if (mod == "SHIFT") {
        if (f) return Key::f(f, kShift);
    }
    return std::nullopt;
}

std::string key_name(const Key& key) {
    if (key.code == KeyCode::kMouse)
        return std::string(key.double_click ? "DBLCLICK " : "CLICK ") + std::to_string(key.row) +
               "," + std::to_string(key.col);
    std::string prefix;
    if (key.mods & kCtrl) prefix += "CTRL+";
    if (key.mods & kAlt) prefix += "ALT+";
    if (key.mods & kShift) prefix += "SHIFT+";
    if (key.code == KeyCode::kChar) {
        std::string s;
        append_utf8(s, key.ch);
        return prefix + s;
    }
    if (key.code == KeyCode::kF) return prefix + "F" + std::to_string(key.fn);
    for (const auto& [text, code] : kNamed)
        if (code == key.code) return prefix + text;
    return prefix + "?";
}

}  // namespace vorn::ui
