// Masks, Brazilian number text, month and weekday names, times of day, DOS accent conversion.
#include "base/helpers.h"

#include <array>
#include <utility>

#include "base/text.h"

namespace vorn {
namespace {

// Character i of the text, or a blank past its end (as in a blank-padded field).
char at(std::string_view s, size_t i) {
    return i < s.size() ? s[i] : ' ';
}

bool ascii(std::string_view s) {
    for (unsigned char c : s)
        if (c >= 0x80) return false;
    return true;
}

// Two digits with a leading zero below 10 (n is 0..99).
std::string two(long n) {
    std::string s = std::to_string(n);
    if (s.size() < 2) s.insert(s.begin(), '0');
    return s;
}

}  // namespace

std::string mask_picture(std::string_view text, std::string_view picture) {
    std::string out;
    size_t next = 0;
    for (char p : picture) out += p == '9' ? at(text, next++) : p;
    return out;
}

std::string CONTAPONTO(std::string_view document) {
    std::string t = trim(document);
    if (t.empty() || at(document, 2) == '.' || at(document, 3) == '.' || at(document, 3) == ' ' ||
        !ascii(t))
        return std::string(document);
    if (t.size() == 14) return mask_picture(t, "99.999.999/9999-99");
    if (t.size() == 11) return mask_picture(t, "999.999.999-99") + "    ";
    return std::string(document);
}

std::string TIRA_PONTO(std::string_view text) {
    std::string out;
    for (char c : trim(text))
        if (c != '.' && c != '-' && c != '/') out += c;
    return out;
}

std::string join_words(std::initializer_list<std::string_view> parts) {
    std::string out;
    for (std::string_view p : parts) {
        std::string t = trim(p);
        if (t.empty()) continue;
        if (!out.empty()) out += ' ';
        out += t;
    }
    return out;
}

std::optional<Decimal> CAR_TO_VAL(std::string_view text) {
    std::string t;
    bool comma_seen = false;
    for (char c : text) {
        if (c == '.') continue;
        if (c == ',' && !comma_seen) {
            comma_seen = true;
            c = '.';
        }
        t += c;
    }
    if (trim(t).empty()) return Decimal(0);
    return Decimal::parse(t);
}

std::string TRAZ_MES(int month) {
    static const std::array<const char*, 13> kNames = {
        "Janeiro  ", "Fevereiro", "Marco    ", "Abril    ", "Maio     ", "Junho    ",   "Julho    ",
        "Agosto   ", "Setembro ", "Outubro  ", "Novembro ", "Dezembro ", "<- Totais ->"};
    return month >= 1 && month <= 13 ? kNames[month - 1] : "";
}

std::string DIA_SEMANA(Date date) {
    static const std::array<const char*, 7> kNames = {
        "Domingo",      "Segunda feira", "Terca feira", "Quarta feira",
        "Quinta feira", "Sexta feira",   "Sabado"};
    return date.blank() ? "" : kNames[date.weekday()];
}

std::optional<long> HORA_SEG(std::string_view hms) {
    if (trim(hms).empty()) return 0L;
    return hms_to_seconds(trim(hms));
}

std::string SEG_HORA(long seconds) {
    return seconds_to_hms(seconds);
}

std::string SEG_HOR_2(long seconds) {
    if (seconds < 0) seconds = 0;
    return two(seconds / 86400 % 99) + "D" + two(seconds / 3600 % 24) + "h" +
           two(seconds / 60 % 60) + "m";
}

long TEMPO_PAS(long start_seconds, long end_seconds) {
    return end_seconds < start_seconds ? end_seconds + 86400 - start_seconds
                                       : end_seconds - start_seconds;
}

std::optional<long> TEMPO_PAS(std::string_view start_hms, std::string_view end_hms) {
    auto start = HORA_SEG(start_hms), end = HORA_SEG(end_hms);
    if (!start || !end) return std::nullopt;
    return TEMPO_PAS(*start, *end);
}

std::string AJUS_CAR(std::string_view text, int direction) {
    if (direction != 1) return std::string(text);
    // Each letter and its byte in the DOS code page. ã and õ keep their own bytes there (C6, E4):
    // bytes 84 and 94 would turn them into ä and ö ("Säo Paulo").
    static const std::array<std::pair<const char*, unsigned char>, 25> kTable = {{
        {"á", 0xA0}, {"é", 0x82}, {"í", 0xA1}, {"ó", 0xA2}, {"ú", 0xA3}, {"Á", 'A'},  {"É", 0x90},
        {"Í", 'I'},  {"Ó", 'O'},  {"Ú", 'U'},  {"à", 0x85}, {"ã", 0xC6}, {"õ", 0xE4}, {"Ã", 'A'},
        {"Õ", 'O'},  {"ç", 0x87}, {"Ç", 0x80}, {"â", 0x83}, {"ê", 0x88}, {"ô", 0x93}, {"û", 0x96},
        {"Â", 'A'},  {"Ê", 'E'},  {"Ô", 'O'},  {"Û", 'U'},
    }};
    std::string out(text);
    for (const auto& [letter, dos] : kTable) {
        std::string from(letter), to = from_cp850(std::string(1, static_cast<char>(dos)));
        if (from == to) continue;
        for (size_t pos = 0; (pos = out.find(from, pos)) != std::string::npos; pos += to.size())
            out.replace(pos, from.size(), to);
    }
    return out;
}

}  // namespace vorn
