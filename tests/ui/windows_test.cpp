// Text windows: wrapping, colour switches, borders and shadow, moving, closing in any order.
#include "ui/windows.h"

#include <gtest/gtest.h>

#include "base/text.h"
#include "harness.h"

namespace vorn::ui {
namespace {

using testing::Harness;

std::string cells(Screen& s, int row, int col, int n) {
    return substr_chars(s.grid().row_text(row), static_cast<size_t>(col), static_cast<size_t>(n));
}

TEST(TextWindows, TenArePredefined) {
    Harness h("");
    for (int n = 1; n <= 10; ++n) {
        const TextWindow& w = h.screen.windows().get(n);
        EXPECT_EQ(w.colour1, attr_to_colour(48));
        EXPECT_EQ(w.colour2, attr_to_colour(112));
        EXPECT_EQ(w.colour3, attr_to_colour(7));
        EXPECT_EQ(w.type, 1);
        EXPECT_EQ(w.rect(), kFullScreen);
    }
    EXPECT_FALSE(h.screen.windows().defined(11));
    EXPECT_THROW(h.screen.windows().ABREJAN(11), std::out_of_range);
}

TEST(TextWindows, EscrjanWrapsAtTheRightEdgeTwoColumnsNarrowerWithABorder) {
    Harness h("");
    TextWindows& w = h.screen.windows();
    w.DEFINEJAN(11, "W/B", "GR+/B", "W+/R", 2, 10, 4, 14, 0);
    w.ABREJAN(11);
    w.ESCRJAN(11, "abcdefghijkl");
    EXPECT_EQ(cells(h.screen, 2, 10, 5), "abcde");
    EXPECT_EQ(cells(h.screen, 3, 10, 5), "fghij");
    EXPECT_EQ(cells(h.screen, 4, 10, 5), "kl   ");
    // Box on the edge: the text goes inside it, 8 - 2 columns wide.
    w.DEFINEJAN(12, "W/B", "GR+/B", "W+/R", 6, 10, 9, 17, 2);
    w.ABREJAN(12);
    w.ESCRJAN(12, "123456789");
    EXPECT_EQ(cells(h.screen, 6, 10, 8), "┌──────┐");
    EXPECT_EQ(cells(h.screen, 7, 10, 8), "│123456│");
    EXPECT_EQ(cells(h.screen, 8, 10, 8), "│789   │");
    // Box one cell outside: a blank column inside each side of it.
    w.DEFINEJAN(13, "W/B", "GR+/B", "W+/R", 12, 10, 13, 17, 1);
    w.ABREJAN(13);
    w.ESCRJAN(13, "123456789");
    EXPECT_EQ(cells(h.screen, 11, 9, 10), "┌────────┐");
    EXPECT_EQ(cells(h.screen, 12, 9, 10), "│ 123456 │");
    EXPECT_EQ(cells(h.screen, 13, 9, 10), "│ 789    │");
    EXPECT_EQ(w.get(13).last_text, "123456789");
}

TEST(TextWindows, ColourSwitchCharactersAreNotShown) {
    Harness h("");
    TextWindows& w = h.screen.windows();
    w.DEFINEJAN(11, "W/B", "GR+/B", "W+/R", 0, 0, 0, 9, 0);
    w.ABREJAN(11);
    w.ESCRJAN(11, "a\2b\3c\4d\1e");
    EXPECT_EQ(cells(h.screen, 0, 0, 6), "abcde ");
    const Grid& g = h.screen.grid();
    EXPECT_EQ(g.at(0, 0).attr, *colour_to_attr("W/B"));
    EXPECT_EQ(g.at(0, 1).attr, *colour_to_attr("GR+/B"));
    EXPECT_EQ(g.at(0, 2).attr, *colour_to_attr("W+/R"));
    EXPECT_EQ(g.at(0, 3).attr, *colour_to_attr("W+/R"));
    EXPECT_EQ(g.at(0, 4).attr, *colour_to_attr("W/B"));
    w.ESCRATR(11, 0, 1, "N/W", 2);
    EXPECT_EQ(g.at(0, 1).attr, 0x70);
    EXPECT_EQ(g.at(0, 2).attr, 0x70);
    EXPECT_EQ(cells(h.screen, 0, 0, 5), "abcde");
    w.REDFATR(0, 1, "R/W");  // 0 means window 10
    EXPECT_EQ(w.get(10).colour1, "R/W");
}

TEST(TextWindows, ShadowedWindowAndOverlapsGolden) {
    Harness h("");
    TextWindows& w = h.screen.windows();
    w.ENCHETELA("·", "W+/B");
    w.DEFINEJAN(11, "N/W", "N/W", "N+/N", 3, 5, 6, 40, 7);  // type 7: two more rows
    EXPECT_EQ(w.get(11).bottom, 8);
    w.ABREJAN(11);
    w.ESCRJAN(11, " Janela com sombra: o texto quebra na borda direita da janela.");
    w.DEFINEJAN(12, "GR+/B", "W+/B", "W/N", 6, 30, 9, 60, 2);
    w.set_title(12, "Sobreposta");
    w.ABREJAN(12);
    w.ESCRJAN(12, "\2Cor 2\1 e cor 1\nsegunda linha");
    w.ESCRJAN(0, "linha de baixo");
    testing::expect_golden("windows_shadow", h.text());
    Grid with_both = h.screen.grid();
    // Closing the lower window first keeps the upper one whole; closing both gives the fill back.
    w.FECHAJAN(11);
    EXPECT_EQ(cells(h.screen, 6, 30, 3), "┌──");
    EXPECT_EQ(cells(h.screen, 3, 5, 3), "···");
    w.FECHAJAN(12);
    std::string dots;
    for (int i = 0; i < kCols; ++i) dots += "·";
    for (int r = 0; r < kRows - 1; ++r) EXPECT_EQ(h.row(r), dots) << r;
    EXPECT_NE(with_both, h.screen.grid());
}

TEST(TextWindows, NestedWindowsCloseInAnyOrder) {
    Harness h("");
    TextWindows& w = h.screen.windows();
    w.ENCHETELA("x", 7);
    Grid before = h.screen.grid();
    for (int n = 11; n <= 14; ++n) {
        w.DEFINEJAN(n, "W/B", "W/B", "N/N", n - 9, n, n + 5, n + 30, n % 2 ? 7 : 1);
        w.ABREJAN(n);
        w.ESCRJAN(n, std::string(40, static_cast<char>('a' + n - 11)));
    }
    w.ABREJAN(12);  // a second instance of 12 over the others
    for (int n : {13, 12, 11, 12, 14}) w.FECHAJAN(n);
    EXPECT_EQ(before, h.screen.grid());
    w.FECHAJAN(11);  // not open: nothing happens
    EXPECT_EQ(before, h.screen.grid());
}

TEST(TextWindows, MovingStaysOnScreenAndRedrawsTheLastText) {
    Harness h("");
    TextWindows& w = h.screen.windows();
    w.ENCHETELA(".", 7);
    w.DEFINEJAN(11, "W/B", "W/B", "N/N", 0, 0, 1, 9, 0);
    w.ABREJAN(11);
    w.ESCRJAN(11, "janela");
    Grid at_top = h.screen.grid();
    w.MOVEVER(11, TextWindows::kUpOrLeft);  // already at row 0: nothing
    w.MOVEHOR(11, TextWindows::kUpOrLeft);  // already at column 0: nothing
    EXPECT_EQ(at_top, h.screen.grid());
    w.MOVEVER(11, 0);
    w.MOVEHOR(11, 0);
    EXPECT_EQ(cells(h.screen, 0, 0, 12), "............");
    EXPECT_EQ(cells(h.screen, 1, 0, 8), ".janela ");
    EXPECT_EQ(w.get(11).top, 1);
    EXPECT_EQ(w.get(11).left, 1);
    w.DEFINEJAN(12, "W/B", "W/B", "N/N", 23, 70, 24, 79, 0);
    w.MOVEVER(12, 0);  // the bottom row is the last one
    EXPECT_EQ(w.get(12).top, 23);
    w.FECHAJAN(11);
    for (int r = 0; r < kRows; ++r) EXPECT_EQ(h.row(r), std::string(80, '.'));
}

}  // namespace
}  // namespace vorn::ui
