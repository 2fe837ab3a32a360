// The next-screen table of an open declaration.
#include "shell/giro.h"

#include <string>

namespace vorn::shell {
namespace {

// A screen's first position: screens with pages start at their first page.
ScreenPos first_of(int screen) {
    switch (screen) {
        case 3:
            return {3, 31};
        case 4:
            return {4, 41};
        case 5:
            return {5, 51};
        default:
            return {screen, 0};
    }
}

ScreenPos rural_or_refused(int screen, const GiroContext& c) {
    if (!c.rural) return {-1, 0};
    return {screen, 0};
}

ScreenPos next(ScreenPos at, const GiroContext& c) {
    switch (at.item) {
        case 31:
            return {3, 32};
        case 32:
            return {4, 41};
        case 41:
            return {4, 42};
        case 42:
            return {4, 43};
        case 43:
        case 44:
        case 45:
        case 46:
            return {5, 51};
        default:
            break;
    }
    switch (at.screen) {
        case 6:
            return c.new_declaration ? first_of(1) : first_of(7);
        case 7:
            return first_of(10);
        case 10:
            return first_of(11);
        case 11:
            return first_of(1);
        case 12:
            return {c.rural_abroad ? 14 : 13, 0};
        case 17:
            return {12, 0};
        case 22:
            return {23, 0};
        case 23:
            return first_of(5);
        default:
            if (at.screen >= 1 && at.screen <= 16) return first_of(at.screen + 1);
            return first_of(1);
    }
}

ScreenPos previous(ScreenPos at, const GiroContext& c) {
    switch (at.item) {
        case 32:
            return {3, 31};
        case 42:
            return {4, 41};
        case 43:
            return {4, 42};
        case 44:
        case 45:
        case 46:
            return {4, 43};
        default:
            break;
    }
    switch (at.screen) {
        case 1:
            return first_of(11);
        case 4:
            return {3, 32};
        case 5:
            return {4, 43};
        case 8:
        case 9:
        case 10:
            return first_of(7);
        case 12:
            return first_of(11);
        case 14:
            return {c.rural_abroad ? 12 : 13, 0};
        case 22:
            return first_of(4);
        case 23:
            return {22, 0};
        default:
            if (at.screen >= 2 && at.screen <= 17) return first_of(at.screen - 1);
            return first_of(1);
    }
}

}  // namespace

ScreenPos GIRO_next(ScreenPos at, std::string_view key, const GiroContext& c) {
    if (key == "ESC") {
        if (!c.window_menu || c.leaving) return {0, 0};
        return {99, 0};
    }
    if (key.size() >= 2 && key[0] == 'F') {
        int n = std::stoi(std::string(key.substr(1)));
        if (n >= 1 && n <= 11) return first_of(n);
        if (n == 12) return c.rural ? ScreenPos{12, 0} : first_of(7);
    }
    if (key == "ALT+F2") return c.rural ? ScreenPos{12, 0} : first_of(7);
    if (key == "ALT+F3") return {5, 56};
    if (key == "ALT+F7") return {4, 43};
    if (key == "ALT+X") return {23, 52};
    if (key == "ALT+Z") return {22, 54};
    if (key == "PGUP" || key == "SHIFT+TAB") {
        ScreenPos p = previous(at, c);
        return p.screen >= 12 && p.screen <= 17 ? rural_or_refused(p.screen, c) : p;
    }
    if (key == "PGDN" || key == "TAB") {
        ScreenPos p = next(at, c);
        return p.screen >= 12 && p.screen <= 17 ? rural_or_refused(p.screen, c) : p;
    }
    if (key == "ENTER" && at.item == 31) return {3, 32};
    return {0, 0};
}

ScreenPos screen_for_code(int code) {
    if (code >= 11 && code <= 14) return {1, code};
    if (code == 21 || code == 22) return {2, code};
    if (code == 31 || code == 32) return {3, code};
    if (code >= 41 && code <= 46) return {4, code};
    if (code == 51 || (code >= 56 && code <= 58)) return {5, code};
    if (code == 52 || code == 53) return {23, code};
    if (code == 54 || code == 55) return {22, code};
    if (code == 61) return {6, 0};
    if (code == 62) return {11, 0};
    if (code == 63) return {11, 63};
    if (code == 71) return {7, 0};
    if (code == 72) return {10, 0};
    if (code >= 81 && code <= 88) return {8, code};
    if (code >= 91 && code <= 96) return {9, code};
    if (code >= 101 && code <= 106) return {code - 89, code};
    if (code >= 201 && code <= 206) return {code - 189, code};
    return {0, 0};
}

}  // namespace vorn::shell
