#include "base/text.h"

#include <gtest/gtest.h>

namespace vorn {
namespace {

TEST(Text, WidthsCountCharactersNotBytes) {
    EXPECT_EQ(char_count("AÇÃO"), 4u);
    EXPECT_EQ(pad_right("JOÃO", 6), "JOÃO  ");
    EXPECT_EQ(pad_right("CONCEIÇÃO", 7), "CONCEIÇ");
    EXPECT_EQ(pad_left("12", 5, '0'), "00012");
    EXPECT_EQ(pad_center("ab", 6), "  ab  ");
    EXPECT_EQ(substr_chars("ÁBÇDÉ", 1, 3), "BÇD");
    EXPECT_EQ(trim("  x y  "), "x y");
    EXPECT_EQ(upper("são joão"), "SÃO JOÃO");
    EXPECT_EQ(lower("ÁGUA"), "água");
}

TEST(Text, WrapsAtBlanksCountingCharactersAndKeepsEveryWord) {
    using V = std::vector<std::string>;
    EXPECT_EQ(wrap_words("prevalecerá. Isso pode alterar", 13),
              (V{"prevalecerá.", "Isso pode", "alterar"}));
    EXPECT_EQ(wrap_words("curto", 40), V{"curto"});
    EXPECT_EQ(wrap_words("", 10), V{""});
    // A word longer than the line is broken, not lost.
    EXPECT_EQ(wrap_words("ab /pasta/muito/comprida", 8),
              (V{"ab", "/pasta/m", "uito/com", "prida"}));
}

TEST(Text, Windows1252RoundTripsEveryAssignedByte) {
    for (int b = 0; b < 256; ++b) {
        if (b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D) continue;
        std::string one(1, static_cast<char>(b));
        EXPECT_EQ(to_cp1252(from_cp1252(one)), one) << b;
    }
    EXPECT_EQ(from_cp1252("\xC7\xC3O"), "ÇÃO");
    EXPECT_EQ(from_cp1252("\x80"), "€");
    EXPECT_EQ(to_cp1252("日"), "?");
}

TEST(Text, Cp850DecodesDosAccents) {
    EXPECT_EQ(from_cp850("\x80\x87\xC6"), "Ççã");
    EXPECT_EQ(to_cp850("Ççã"), "\x80\x87\xC6");
}

TEST(Text, AccentTableStripsForGovernmentFiles) {
    EXPECT_EQ(MATCAR("AÇÃO Ótima"), "ACAO Otima");
    EXPECT_EQ(MATCAR("R&D <x>_y"), "ReD -x--y");
    EXPECT_EQ(MATCAR("\"1º\" 'a' #2 «b»"), " 1    a   2  b ");
    EXPECT_EQ(MATCAR("ýü"), "23");
    EXPECT_EQ(MATCAR("plain text 123"), "plain text 123");
}

}  // namespace
}  // namespace vorn
