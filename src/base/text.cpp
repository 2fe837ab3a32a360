// UTF-8 character counting, padding, case mapping, code-page conversion and the accent table.
#include "base/text.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace vorn {
namespace {

// Decodes one code point at s[i], advancing i; malformed bytes decode as themselves (Latin-1).
char32_t decode(std::string_view s, size_t& i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    int len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (len == 0 || i + len > s.size()) {
        ++i;
        return c;
    }
    char32_t cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
    for (int k = 1; k < len; ++k) {
        unsigned char cc = static_cast<unsigned char>(s[i + k]);
        if ((cc & 0xC0) != 0x80) {
            ++i;
            return c;
        }
        cp = (cp << 6) | (cc & 0x3F);
    }
    i += len;
    return cp;
}

void encode(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Byte offset of the n-th character (or the size when there are fewer).
size_t offset_of(std::string_view s, size_t n) {
    size_t i = 0;
    while (n > 0 && i < s.size()) {
        decode(s, i);
        --n;
    }
    return i;
}

// Windows-1252 0x80..0x9F.
constexpr std::array<char32_t, 32> kCp1252High = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

// Code page 850, 0x80..0xFF.
constexpr std::array<char32_t, 128> kCp850High = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0, 0x00A9, 0x2563, 0x2551, 0x2557,
    0x255D, 0x00A2, 0x00A5, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4, 0x00F0, 0x00D0, 0x00CA, 0x00CB,
    0x00C8, 0x0131, 0x00CD, 0x00CE, 0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE, 0x00DE, 0x00DA, 0x00DB, 0x00D9,
    0x00FD, 0x00DD, 0x00AF, 0x00B4, 0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0};

char32_t to_upper_cp(char32_t c) {
    if (c >= 'a' && c <= 'z') return c - 32;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;
    return c;
}

char32_t to_lower_cp(char32_t c) {
    if (c >= 'A' && c <= 'Z') return c + 32;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
    return c;
}

template <class F>
std::string map_chars(std::string_view s, F f) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) encode(f(decode(s, i)), out);
    return out;
}

}  // namespace

char32_t next_char(std::string_view s, size_t& i) {
    return decode(s, i);
}

size_t char_count(std::string_view s) {
    size_t n = 0;
    for (size_t i = 0; i < s.size(); ++n) decode(s, i);
    return n;
}

std::string left(std::string_view s, size_t n) {
    return std::string(s.substr(0, offset_of(s, n)));
}

std::string substr_chars(std::string_view s, size_t from, size_t n) {
    size_t b = offset_of(s, from);
    std::string_view rest = s.substr(b);
    return n == std::string::npos ? std::string(rest)
                                  : std::string(rest.substr(0, offset_of(rest, n)));
}

std::string pad_right(std::string_view s, size_t width, char fill) {
    size_t n = char_count(s);
    if (n >= width) return left(s, width);
    return std::string(s) + std::string(width - n, fill);
}

std::string pad_left(std::string_view s, size_t width, char fill) {
    size_t n = char_count(s);
    if (n >= width) return left(s, width);
    return std::string(width - n, fill) + std::string(s);
}

std::string pad_center(std::string_view s, size_t width, char fill) {
    size_t n = char_count(s);
    if (n >= width) return left(s, width);
    size_t l = (width - n) / 2;
    return std::string(l, fill) + std::string(s) + std::string(width - n - l, fill);
}

std::vector<std::string> wrap_words(std::string_view s, size_t width) {
    std::vector<std::string> lines;
    std::u32string text = to_u32(trim_right(s)), line;
    const size_t w = std::max<size_t>(width, 1);
    size_t at = 0;
    while (at < text.size()) {
        size_t rest = text.size() - at;
        if (rest <= w) {
            line = text.substr(at);
            at = text.size();
        } else {
            // The last blank that lets the line end within the width; none: a hard break.
            size_t cut = text.rfind(U' ', at + w);
            if (cut == std::u32string::npos || cut <= at) {
                line = text.substr(at, w);
                at += w;
            } else {
                line = text.substr(at, cut - at);
                at = cut + 1;
            }
            while (at < text.size() && text[at] == U' ') ++at;
        }
        lines.push_back(trim_right(to_utf8(line)));
    }
    if (lines.empty()) lines.emplace_back();
    return lines;
}

std::string trim_right(std::string_view s) {
    size_t e = s.size();
    while (e > 0 && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r' || s[e - 1] == '\n'))
        --e;
    return std::string(s.substr(0, e));
}

std::string trim_left(std::string_view s) {
    size_t b = 0;
    while (b < s.size() && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r' || s[b] == '\n')) ++b;
    return std::string(s.substr(b));
}

std::string trim(std::string_view s) {
    return trim_left(trim_right(s));
}

std::string upper(std::string_view s) {
    return map_chars(s, to_upper_cp);
}
std::string lower(std::string_view s) {
    return map_chars(s, to_lower_cp);
}

std::string replicate(std::string_view s, size_t n) {
    std::string out;
    out.reserve(s.size() * n);
    for (size_t i = 0; i < n; ++i) out += s;
    return out;
}

std::string from_cp1252(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (unsigned char c : bytes) {
        if (c >= 0x80 && c < 0xA0)
            encode(kCp1252High[c - 0x80], out);
        else
            encode(c, out);
    }
    return out;
}

namespace {
// The Windows-1252 byte of a character, or 0 when it has none (NUL itself is not text here).
char cp1252_byte(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
    for (size_t k = 0; k < kCp1252High.size(); ++k)
        if (kCp1252High[k] == cp && cp != 0xFFFD) return static_cast<char>(0x80 + k);
    return 0;
}
}  // namespace

bool has_cp1252(char32_t cp) {
    return cp != 0 && cp1252_byte(cp) != 0;
}

std::string to_cp1252(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        const char32_t cp = decode(s, i);
        const char b = cp1252_byte(cp);
        out += b != 0 || cp == 0 ? b : '?';
    }
    return out;
}

std::string from_cp850(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (unsigned char c : bytes) encode(c < 0x80 ? c : kCp850High[c - 0x80], out);
    return out;
}

std::string to_cp850(std::string_view s) {
    std::string out;
    for (size_t i = 0; i < s.size();) {
        char32_t cp = decode(s, i);
        if (cp < 0x80) {
            out += static_cast<char>(cp);
            continue;
        }
        char b = '?';
        for (size_t k = 0; k < kCp850High.size(); ++k)
            if (kCp850High[k] == cp) b = static_cast<char>(0x80 + k);
        out += b;
    }
    return out;
}

std::string MATCAR(std::string_view s) {
    // Pairs applied in order. Accented letters of code page 850 and of ISO-8859-1 are the same
    // characters once decoded, so one pair serves both.
    static const std::vector<std::pair<std::string, std::string>> kPairs = [] {
        std::vector<std::pair<std::string, std::string>> p;
        auto add = [&](std::string_view from_chars, char to) {
            for (size_t i = 0; i < from_chars.size();) {
                size_t b = i;
                decode(from_chars, i);
                p.emplace_back(std::string(from_chars.substr(b, i - b)), std::string(1, to));
            }
        };
        // "ý" and "ü" are the DOS superscripts two and three read in Latin-1.
        add("ý", '2');
        add("ü", '3');
        add("áàâãäå", 'a');
        add("ÁÀÂÃÄÅ", 'A');
        add("éèêë", 'e');
        add("ÉÈÊË", 'E');
        add("íìîï", 'i');
        add("ÍÌÎÏ", 'I');
        add("óòôõöø", 'o');
        add("ÓÒÔÕÖØ", 'O');
        add("úùû", 'u');
        add("ÚÙÛÜ", 'U');
        add("ç", 'c');
        add("Ç", 'C');
        add("ñ", 'n');
        add("Ñ", 'N');
        add("Ý", 'Y');
        add("ÿ", 'y');
        add("&", 'e');
        add("<>_", '-');
        add("\"'#«»°ºª¹²³´`¨~^¦§©®¬±µ¶·¸¼½¾¿¡¢£¤¥×÷ÆæßÐðÞþ\u00A0\u00AD", ' ');
        return p;
    }();
    std::string out(s);
    for (const auto& [from, to] : kPairs) {
        size_t pos = 0;
        while ((pos = out.find(from, pos)) != std::string::npos) {
            out.replace(pos, from.size(), to);
            pos += to.size();
        }
    }
    // Anything else outside ASCII is a symbol of the upper half: a blank.
    return map_chars(out, [](char32_t c) { return c < 0x80 ? c : U' '; });
}

std::u32string to_u32(std::string_view utf8) {
    std::u32string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) out += decode(utf8, i);
    return out;
}

std::string to_utf8(std::u32string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t c : text) encode(c, out);
    return out;
}

void append_utf8(std::string& out, char32_t cp) {
    encode(cp, out);
}

}  // namespace vorn
