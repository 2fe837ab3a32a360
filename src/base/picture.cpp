// Pictures: parsing, TRANSFORM for numbers, text, dates and logicals, and reading a shown value
// back.
#include "base/picture.h"

#include <cctype>
#include <stdexcept>

#include "base/text.h"

namespace vorn {
namespace {

char32_t upper_cp(char32_t c) {
    std::u32string u = to_u32(upper(to_utf8(std::u32string(1, c))));
    return u.empty() ? c : u[0];
}

bool is_digit(char32_t c) {
    return c >= U'0' && c <= U'9';
}

}  // namespace

Picture::Picture(std::string_view text) {
    std::u32string t = to_u32(text);
    size_t i = 0;
    if (!t.empty() && t[0] == U'@') {
        i = 1;
        while (i < t.size() && t[i] != U' ') {
            char32_t c =
                t[i] < 128 ? static_cast<char32_t>(std::toupper(static_cast<int>(t[i]))) : t[i];
            ++i;
            switch (c) {
                case U'R':
                    R = true;
                    break;
                case U'E':
                    E = true;
                    break;
                case U'Z':
                    Z = true;
                    break;
                case U'D':
                    D = true;
                    break;
                case U'!':
                    upper = true;
                    break;
                case U'K':
                    K = true;
                    break;
                case U'S': {
                    int n = 0;
                    while (i < t.size() && is_digit(t[i]))
                        n = n * 10 + static_cast<int>(t[i++] - U'0');
                    scroll = n;
                    break;
                }
                default:
                    throw std::invalid_argument("picture function @" +
                                                to_utf8(std::u32string(1, c)) + " unknown in \"" +
                                                std::string(text) + "\"");
            }
        }
        if (i < t.size()) ++i;  // the blank before the template
    }
    tmpl = t.substr(i);
}

bool Picture::is_slot(char32_t c) {
    switch (c) {
        case U'9':
        case U'#':
        case U'!':
        case U'X':
        case U'x':
        case U'A':
        case U'a':
        case U'N':
        case U'n':
        case U'L':
        case U'l':
        case U'Y':
        case U'y':
            return true;
        default:
            return false;
    }
}

NumberTemplate NumberTemplate::of(const Picture& p, int width, int decimals) {
    NumberTemplate n;
    n.european = p.E;
    if (p.has_template()) {
        n.tmpl = p.tmpl;
    } else {
        int whole = decimals > 0 ? width - decimals - 1 : width;
        n.tmpl = std::u32string(static_cast<size_t>(std::max(whole, 1)), U'9');
        if (decimals > 0) n.tmpl += U'.' + std::u32string(static_cast<size_t>(decimals), U'9');
    }
    for (size_t i = 0; i < n.tmpl.size(); ++i) {
        char32_t c = n.tmpl[i];
        if (c == U'.' && n.point < 0) {
            n.point = static_cast<int>(i);
        } else if (c == U'9' || c == U'#') {
            (n.point < 0 ? n.int_digits : n.dec_digits).push_back(static_cast<int>(i));
        }
    }
    return n;
}

std::string transform(Decimal v, const Picture& p, int width, int decimals) {
    NumberTemplate n = NumberTemplate::of(p, width, decimals);
    const int dec = static_cast<int>(n.dec_digits.size());
    Decimal r = v.round(dec);
    if (p.Z && r.is_zero()) return std::string(n.tmpl.size(), ' ');

    std::string digits = r.abs().to_string(dec);  // "1234.56"
    std::string whole = digits.substr(0, digits.find('.'));
    std::string frac = dec > 0 ? digits.substr(digits.find('.') + 1) : "";
    if (whole == "0" && n.int_digits.empty()) whole.clear();
    const bool negative = r.is_negative();

    std::u32string out = n.tmpl;
    for (size_t i = 0; i < out.size(); ++i) {
        if (out[i] == U'9' || out[i] == U'#' || n.is_separator(static_cast<int>(i))) out[i] = U' ';
    }
    auto overflow = [&] { return std::string(n.tmpl.size(), '*'); };
    if (whole.size() > n.int_digits.size()) return overflow();
    // Whole digits right-aligned in the digit positions before the point.
    int first_digit = -1;
    for (size_t k = 0; k < whole.size(); ++k) {
        int pos = n.int_digits[n.int_digits.size() - whole.size() + k];
        out[static_cast<size_t>(pos)] = static_cast<char32_t>(whole[k]);
        if (first_digit < 0) first_digit = pos;
    }
    for (int d = 0; d < dec; ++d)
        out[static_cast<size_t>(n.dec_digits[static_cast<size_t>(d)])] =
            static_cast<char32_t>(frac[static_cast<size_t>(d)]);
    if (n.point >= 0) out[static_cast<size_t>(n.point)] = U'.';
    for (size_t i = 0; i < out.size(); ++i) {
        if (n.is_separator(static_cast<int>(i)) && first_digit >= 0 &&
            first_digit < static_cast<int>(i))
            out[i] = U',';
    }
    if (negative) {
        // The sign takes the nearest free digit or separator position left of the first digit.
        int limit = first_digit >= 0 ? first_digit
                                     : (n.point >= 0 ? n.point : static_cast<int>(out.size()));
        int sign = -1;
        for (int i = limit - 1; i >= 0; --i) {
            char32_t t = n.tmpl[static_cast<size_t>(i)];
            if (t == U'9' || t == U'#' || n.is_separator(i)) {
                sign = i;
                break;
            }
        }
        if (sign < 0) return overflow();
        out[static_cast<size_t>(sign)] = U'-';
    }
    if (n.european) {
        for (size_t i = 0; i < out.size(); ++i) {
            if (static_cast<int>(i) == n.point)
                out[i] = U',';
            else if (n.is_separator(static_cast<int>(i)) && out[i] == U',')
                out[i] = U'.';
        }
    }
    return to_utf8(out);
}

std::string transform(std::string_view text, const Picture& p) {
    std::u32string v = to_u32(text);
    std::u32string out;
    if (!p.has_template()) {
        out = v;
    } else {
        size_t next = 0;  // value index for @R
        for (size_t i = 0; i < p.tmpl.size(); ++i) {
            char32_t t = p.tmpl[i];
            if (Picture::is_slot(t)) {
                size_t at = p.R ? next++ : i;
                char32_t c = at < v.size() ? v[at] : U' ';
                out += t == U'!' ? upper_cp(c) : c;
            } else {
                out += t;
            }
        }
    }
    std::string s = to_utf8(out);
    return p.upper ? upper(s) : s;
}

std::string transform(Date d, const Picture&) {
    return d.dmy();
}

std::string transform(bool b, const Picture&) {
    return b ? "S" : "N";
}

std::optional<Decimal> number_from_picture(std::string_view shown, const Picture& p) {
    std::u32string s = to_u32(shown);
    const char32_t point = p.E ? U',' : U'.';
    std::string plain;
    bool negative = false, seen_point = false;
    for (char32_t c : s) {
        if (is_digit(c)) {
            plain += static_cast<char>(c);
        } else if (c == U'-') {
            negative = true;
        } else if (c == point && !seen_point) {
            seen_point = true;
            plain += '.';
        } else if ((c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z')) {
            return std::nullopt;
        }
    }
    if (plain.empty() || plain == ".") return Decimal(0);
    auto d = Decimal::parse(plain);
    if (!d) return std::nullopt;
    return negative ? -*d : *d;
}

std::string text_from_picture(std::string_view shown, const Picture& p) {
    if (!p.R || !p.has_template()) return std::string(shown);
    std::u32string s = to_u32(shown);
    std::u32string out;
    for (size_t i = 0; i < p.tmpl.size() && i < s.size(); ++i)
        if (Picture::is_slot(p.tmpl[i])) out += s[i];
    return to_utf8(out);
}

}  // namespace vorn
