// Attribute numbers ⇄ colour strings, colour sets and the composed colour settings.
#include "ui/colour.h"

#include <array>
#include <cctype>
#include <stdexcept>
#include <vector>

namespace vorn::ui {
namespace {

constexpr std::array<const char*, 8> kLetters = {"N", "B", "G", "BG", "R", "BR", "GR", "W"};

// One side of a colour string: letters, then "+" and "*" in any order.
std::optional<int> side_value(std::string_view s, bool& star) {
    std::string letters;
    int bright = 0;
    for (char c : s) {
        char u = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (u == '+')
            bright = 8;
        else if (u == '*')
            star = true;
        else if (u == ' ')
            continue;
        else
            letters += u;
    }
    if (letters.empty()) return bright;
    if (letters == "RB") letters = "BR";
    if (letters == "GB") letters = "BG";
    if (letters == "RG") letters = "GR";
    for (int i = 0; i < 8; ++i)
        if (letters == kLetters[static_cast<size_t>(i)]) return i + bright;
    return std::nullopt;
}

std::string unquote(std::string_view s) {
    size_t a = s.find_first_not_of(" \"'"), b = s.find_last_not_of(" \"'");
    return a == std::string_view::npos ? "" : std::string(s.substr(a, b - a + 1));
}

}  // namespace

std::string attr_to_colour(int attr) {
    auto name = [](int v) {
        return std::string(kLetters[static_cast<size_t>(v & 7)]) + (v >= 8 ? "+" : "");
    };
    return name(attr & 15) + "/" + name((attr >> 4) & 15);
}

std::optional<int> colour_to_attr(std::string_view colour) {
    size_t slash = colour.find('/');
    bool star = false;
    auto fg = side_value(colour.substr(0, slash), star);
    std::optional<int> bg = 0;
    if (slash != std::string_view::npos) bg = side_value(colour.substr(slash + 1), star);
    if (!fg || !bg) return std::nullopt;
    int b = *bg;
    if (star) b |= 8;
    return b * 16 + *fg;
}

Colour::Colour(int a) : attr(static_cast<uint8_t>(a & 0xFF)) {}

Colour::Colour(const char* s) : Colour(std::string_view(s)) {}

Colour::Colour(std::string_view s) {
    auto a = colour_to_attr(s);
    if (!a) throw std::invalid_argument("colour \"" + std::string(s) + "\" malformed");
    attr = static_cast<uint8_t>(*a);
}

ColourSet::ColourSet(std::string_view s) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= s.size()) {
        size_t comma = s.find(',', start);
        if (comma == std::string_view::npos) comma = s.size();
        parts.push_back(unquote(s.substr(start, comma - start)));
        start = comma + 1;
    }
    uint8_t* slots[] = {&standard, &enhanced, &border, &background, &unselected};
    for (size_t i = 0; i < parts.size() && i < 5; ++i)
        if (!parts[i].empty()) *slots[i] = Colour(parts[i]).attr;
}

std::string Palette::CORNORM() const {
    return COR_SAY + "," + COR_GET + ",\"N/N\",\"N/N\"," + COR_SAY;
}
std::string Palette::CORLIMP() const {
    return COR_1_CLI + "," + COR_GET + ",\"N/N\",\"N/N\"," + COR_SAY;
}
std::string Palette::CORSELE() const {
    return COR_CLI_HE + "," + COR_GET + ",\"N/N\",\"N/N\"," + COR_SAY;
}
std::string Palette::CORMENU() const {
    return COR_1_CLI + "," + COR_ESC_CL + "," + COR_ENCH_C + "," + COR_ENCH_C + "," + COR_2_CLI +
           "," + COR_2_CLI;
}

}  // namespace vorn::ui
