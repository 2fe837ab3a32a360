// Pictures: how a value is shown in a field or on paper ("@E 999,999,999.99", "@R 999.999.999-99",
// "@d", "@S40") and how a text shown under a picture is read back. Screens and print files share
// them, so an amount prints exactly as it was typed.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/date.h"
#include "base/decimal.h"

namespace vorn {

// A parsed picture: the functions after "@" (letters in either case) and the template after the
// first blank. Template characters: 9 digit, # digit/blank/sign, ! any character in upper case,
// X any character, A letter, N letter or digit, L and Y logical; anything else is a literal.
// In numeric templates "." is the decimal point and "," the thousands separator; @E swaps how
// they are shown (1.234,56).
struct Picture {
    bool R = false;      // literals of the template are shown but are not part of the value
    bool E = false;      // decimal comma and thousands points
    bool Z = false;      // zero shown as blanks
    bool D = false;      // date as dd/mm/yyyy (the only date form the system uses)
    bool upper = false;  // @! every character in upper case
    bool K = false;      // the first typed character clears the field
    int scroll = 0;      // @S<n>: the field shows n characters and scrolls
    std::u32string tmpl;

    Picture() = default;
    // "@<functions> <template>" or a bare template. An unknown function letter is a programming
    // error and throws std::invalid_argument.
    explicit Picture(std::string_view text);

    bool has_template() const { return !tmpl.empty(); }
    // True for the template characters that take a character of the value.
    static bool is_slot(char32_t c);
};

// Where the digits of a numeric template are, in the template's own notation ("." point,
// "," thousands), whatever @E says about how they are shown.
struct NumberTemplate {
    std::u32string tmpl;
    int point = -1;               // index of the decimal point, -1 when there are no decimals
    std::vector<int> int_digits;  // indexes of the digit positions before the point
    std::vector<int> dec_digits;  // after it
    bool european = false;

    // From the picture's template, or "9999999.99"-style for `width` and `decimals` without one.
    static NumberTemplate of(const Picture& p, int width = 10, int decimals = 0);
    char32_t point_char() const { return european ? U',' : U'.'; }
    char32_t thousands_char() const { return european ? U'.' : U','; }
    bool is_separator(int i) const { return i != point && tmpl[static_cast<size_t>(i)] == U','; }
};

// TRANSFORM: the value as the picture shows it. A number too wide for its template shows as
// asterisks; without a template a number takes `width` characters and `decimals` places.
std::string transform(Decimal v, const Picture& p, int width = 10, int decimals = 0);
std::string transform(std::string_view text, const Picture& p);
inline std::string transform(const char* text, const Picture& p) {  // not the bool overload
    return transform(std::string_view(text), p);
}
std::string transform(Date d, const Picture& p);
std::string transform(bool b, const Picture& p);

// Reads back a number shown under the picture: separators and literals are skipped, the decimal
// character is the one @E says; blanks read as zero. nullopt when a letter stands among the digits.
std::optional<Decimal> number_from_picture(std::string_view shown, const Picture& p);
// The value behind a text shown under an @R template (its literal positions removed); other
// pictures show the value itself.
std::string text_from_picture(std::string_view shown, const Picture& p);

}  // namespace vorn
