// Text helpers. Internal text is UTF-8; widths count characters, never bytes.
// Tables hold Windows-1252 on disk: to_cp1252/from_cp1252 convert at the table boundary.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vorn {

// Number of characters (code points) in UTF-8 text.
size_t char_count(std::string_view utf8);
// The character at byte i of UTF-8 text, i moved past it (as to_u32 reads it: a malformed byte
// reads as itself).
char32_t next_char(std::string_view utf8, size_t& i);
// The first n characters.
std::string left(std::string_view utf8, size_t n);
// Characters [from, from + n).
std::string substr_chars(std::string_view utf8, size_t from, size_t n = std::string::npos);
// Padded with `fill` (or cut) to exactly `width` characters: text on the left / on the right /
// centred.
std::string pad_right(std::string_view utf8, size_t width, char fill = ' ');
std::string pad_left(std::string_view utf8, size_t width, char fill = ' ');
std::string pad_center(std::string_view utf8, size_t width, char fill = ' ');
std::string trim(std::string_view s);
std::string trim_right(std::string_view s);
std::string trim_left(std::string_view s);
// Upper and lower case, including the accented letters of Latin-1 (ç → Ç).
std::string upper(std::string_view utf8);
std::string lower(std::string_view utf8);
// A string of n copies of the character.
std::string replicate(std::string_view s, size_t n);
// The text in lines of at most `width` characters, broken at blanks; a word longer than a line is
// broken where the line ends. Nothing is cut: every character but the blanks at a break is kept.
std::vector<std::string> wrap_words(std::string_view utf8, size_t width);

// UTF-8 text ⇄ code points (a cell of the screen holds one code point). Malformed bytes decode as
// the Latin-1 character of the same value.
std::u32string to_u32(std::string_view utf8);
std::string to_utf8(std::u32string_view text);
void append_utf8(std::string& out, char32_t cp);

// Windows-1252 bytes → UTF-8. Every byte maps somewhere; the five unassigned bytes map to U+FFFD.
std::string from_cp1252(std::string_view bytes);
// UTF-8 → Windows-1252; characters without a Windows-1252 form become '?'.
std::string to_cp1252(std::string_view utf8);
// Whether the character has a Windows-1252 form (what the data files can store).
bool has_cp1252(char32_t cp);
// Code page 850 (DOS) bytes → UTF-8, for files written by DOS programs.
std::string from_cp850(std::string_view bytes);
std::string to_cp850(std::string_view utf8);

// Strips the text of accents and of the symbols the government files refuse, pair by pair in the
// order of the accent table (ç → c, Á → A, « → blank, & → e, < > _ → -, ý → 2, ü → 3 ...).
std::string MATCAR(std::string_view utf8);

}  // namespace vorn
