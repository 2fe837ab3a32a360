// The grid, colours and saved areas: attribute conversions and exact restoration in any order.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "harness.h"
#include "ui/colour.h"

namespace vorn::ui {
namespace {

using testing::Harness;

TEST(Colour, AttributesAndColourStrings) {
    EXPECT_EQ(attr_to_colour(30), "GR+/B");
    EXPECT_EQ(attr_to_colour(112), "N/W");
    EXPECT_EQ(attr_to_colour(48), "N/BG");
    EXPECT_EQ(attr_to_colour(7), "W/N");
    EXPECT_EQ(attr_to_colour(0xC7), "W/R+");
    EXPECT_EQ(colour_to_attr("GR+/B"), 30);
    EXPECT_EQ(colour_to_attr("gr+/b"), 30);
    EXPECT_EQ(colour_to_attr("W+/B"), 31);
    EXPECT_EQ(colour_to_attr("N/W+"), 0xF0);
    EXPECT_EQ(colour_to_attr("RB/GB"), colour_to_attr("BR/BG"));
    EXPECT_EQ(colour_to_attr("R/W*"), 0xF4);  // blinking shows as a bright background
    EXPECT_EQ(colour_to_attr("W"), 7);
    EXPECT_EQ(colour_to_attr("Q/B"), std::nullopt);
    for (int a = 0; a < 256; ++a) EXPECT_EQ(colour_to_attr(attr_to_colour(a)), a) << a;
    EXPECT_THROW(Colour("X+/Z"), std::invalid_argument);
}

TEST(Colour, ComposedSetsKeepTheirQuotedParts) {
    Palette p;
    EXPECT_EQ(p.CORNORM(), "N/W+,W/N,\"N/N\",\"N/N\",N/W+");
    ColourSet set(p.CORNORM());
    EXPECT_EQ(set.standard, 0xF0);
    EXPECT_EQ(set.enhanced, 0x07);
    EXPECT_EQ(set.border, 0x00);
    EXPECT_EQ(set.unselected, 0xF0);
    EXPECT_EQ(ColourSet(p.CORMENU()).enhanced, *colour_to_attr("W/R+"));
}

// Each open area is filled with its own letter: what must show is the base painted over by the
// open areas in the order they were opened.
TEST(SavedAreas, RestoreExactlyInAnyOrder) {
    std::mt19937 rng(20260410);
    for (int round = 0; round < 200; ++round) {
        Harness h("");
        Screen& s = h.screen;
        for (int r = 0; r < kRows; ++r)
            for (int c = 0; c < kCols; ++c)
                s.put(r, c, {static_cast<char32_t>(U'a' + (r + c) % 26), 7});
        Grid base = s.grid();
        struct Open {
            Screen::LayerId id;
            Rect rect;
            char32_t ch;
        };
        std::vector<Open> open;
        int n = 1 + static_cast<int>(rng() % 6);
        for (int i = 0; i < n; ++i) {
            int top = static_cast<int>(rng() % kRows), left = static_cast<int>(rng() % kCols);
            Rect r{top - 2, left - 3, top + static_cast<int>(rng() % 10),
                   left + static_cast<int>(rng() % 30)};
            Open o{s.save_area(r), r.clipped(), static_cast<char32_t>(U'A' + i)};
            s.fill(r, {o.ch, 0x1F});
            open.push_back(o);
        }
        std::shuffle(open.begin(), open.end(), rng);
        while (!open.empty()) {
            s.restore_area(open.back().id);
            open.pop_back();
            std::vector<Open> still = open;
            std::sort(still.begin(), still.end(),
                      [](const Open& a, const Open& b) { return a.id < b.id; });
            Grid want = base;
            for (const auto& o : still)
                for (int r = o.rect.top; r <= o.rect.bottom; ++r)
                    for (int c = o.rect.left; c <= o.rect.right; ++c) want.at(r, c) = {o.ch, 0x1F};
            ASSERT_EQ(want, s.grid()) << "round " << round;
        }
        EXPECT_EQ(s.saved_areas(), 0u);
    }
}

TEST(SavedAreas, DrawingOnALowerAreaStaysUnderTheOnesAbove) {
    Harness h("");
    Screen& s = h.screen;
    auto lower = s.save_area({0, 0, 4, 9});
    s.fill({0, 0, 4, 9}, {U'.', 7}, lower);
    auto upper = s.save_area({2, 5, 6, 14});
    s.fill({2, 5, 6, 14}, {U'#', 7}, upper);
    s.write(3, 0, "0123456789", 7, lower);
    EXPECT_EQ(s.grid().row_text(3).substr(0, 15), "01234##########");
    EXPECT_EQ(s.peek(3, 7, lower).ch, U'7');
    s.restore_area(upper);
    EXPECT_EQ(s.grid().row_text(3).substr(0, 15), "0123456789     ");
    s.restore_area(lower);
    EXPECT_EQ(s.grid().row_text(3), std::string(80, ' '));
}

}  // namespace
}  // namespace vorn::ui
