// Screen colours: attribute numbers (background × 16 + foreground) and the letter notation of the
// colour strings ("GR+/B" is 30), the five-part colour sets of SAY/GET and the terminal's palette
// of named colours with their defaults.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vorn::ui {

// "GR+/B" for 30: letters N B G BG R BR GR W for 0..7, "+" for 8 and above; foreground/background.
std::string attr_to_colour(int attr);
// 30 for "GR+/B" (either case; "RB" and "GB" are accepted for BR and BG; "*" makes the background
// bright, as blinking does on a text screen; an empty side is N). nullopt when malformed.
std::optional<int> colour_to_attr(std::string_view colour);

// One attribute, given as a number or as a colour string. A malformed string is a programming
// error (std::invalid_argument).
struct Colour {
    uint8_t attr = 7;
    Colour() = default;
    Colour(int a);               // NOLINT: numbers and strings are both colours
    Colour(const char* s);       // NOLINT
    Colour(std::string_view s);  // NOLINT
    Colour(const std::string& s) : Colour(std::string_view(s)) {}  // NOLINT
    std::string str() const { return attr_to_colour(attr); }
    friend bool operator==(Colour a, Colour b) = default;
};

// A colour set "standard,enhanced,border,background,unselected" (items may be quoted, as the
// composed settings write them). SAY uses standard, the active GET enhanced, other GETs unselected.
struct ColourSet {
    uint8_t standard = 0x07, enhanced = 0x70, border = 0x00, background = 0x00, unselected = 0x70;
    ColourSet() = default;
    ColourSet(const char* s) : ColourSet(std::string_view(s)) {}  // NOLINT
    ColourSet(std::string_view s);                                // NOLINT
};

// The terminal's colour settings (CORES), with the defaults written for a terminal without a
// record, and the composed sets built from them.
struct Palette {
    int COR_TEL1 = 30, COR_TEL2 = 31, COR_TEL3 = 63, COR_MENS = 112, COR_PEGA = 15, COR_HELP = 112,
        COR_FERID = 28, COR_ESCOL = 79, COR_ENCHE = 31;
    std::string COR_1_CLI = "GR+/B", COR_2_CLI = "W+/B", COR_INI = "W+/B", COR_SAY = "N/W+",
                COR_GET = "W/N", COR_CLI_HE = "N/W", COR_ESC_CL = "W/R+", COR_ENCH_C = "W+/B",
                COR_AZUL = "B+/W";

    std::string CORNORM() const;
    std::string CORLIMP() const;
    std::string CORSELE() const;
    std::string CORMENU() const;
    static constexpr const char* INVISIVEL = "W/W,W/W,N/N,N/N,W/W";
    static constexpr const char* CORATEN = "R/W*";
};

}  // namespace vorn::ui
