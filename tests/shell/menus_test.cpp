#include "shell/menus.h"

#include <gtest/gtest.h>

#include "shell/giro.h"
#include "shell/session.h"
#include "store/catalogue.h"

namespace vorn::shell {
namespace {

void walk(const std::vector<MenuEntry>& tree, const std::function<void(const MenuEntry&)>& f) {
    for (const auto& e : tree) {
        f(e);
        walk(e.items, f);
    }
}

TEST(Menus, MainMenuCaptionsCodesAndEnabledFlags) {
    Session s;
    s.CONFIG = default_config("01", "/x", "", "/h", Date(2026, 1, 1));
    s.DEFINE = store::initial_rows(43).at(0);
    auto bar = main_menu(s);
    ASSERT_EQ(bar.size(), 7u);
    EXPECT_EQ(bar.front().caption, "&Declaração");
    EXPECT_EQ(bar.back().caption, "&Fim");
    EXPECT_EQ(bar.back().code, 91);
    ASSERT_NE(find_entry(bar, 26, 1), nullptr);
    EXPECT_EQ(find_entry(bar, 26, 1)->caption, "&Automático a cada 15 minutos");
    EXPECT_EQ(find_entry(bar, 72, 1)->caption, "Compacta todos no C:");
    EXPECT_EQ(find_entry(bar, 20, 0)->caption, "Buscar ano 2025");
    EXPECT_EQ(find_entry(bar, 20, 4)->caption, "Buscar ano 2022");
    EXPECT_EQ(find_entry(bar, 16, 1, 2)->caption, "Individual");
    EXPECT_EQ(find_entry(bar, 39, 11)->caption, " Busca os Bancos ");
    EXPECT_EQ(find_entry(bar, 18, 1)->caption, "&Terminar (Alt T)");
    // Only the first sheet type exists for the declaration printout.
    EXPECT_EQ(find_entry(bar, 42, 2), nullptr);
    s.CONFIG.set("queimp", Decimal(14));
    EXPECT_EQ(find_entry(main_menu(s), 42, 4)->caption, "    Pimaco 8296   ");

    int enabled = 0, disabled = 0;
    walk(bar, [&](const MenuEntry& e) {
        if (e.separator || e.submenu()) return;
        EXPECT_EQ(e.enabled, main_command_enabled(e.code, e.arg, e.arg2)) << e.caption;
        (e.enabled ? enabled : disabled)++;
    });
    EXPECT_GT(enabled, 60);
    EXPECT_GT(disabled, 10);
    EXPECT_TRUE(find_entry(bar, 13)->enabled);
    EXPECT_FALSE(find_entry(bar, 14)->enabled);  // the office diary comes with its own work
    EXPECT_TRUE(find_entry(bar, 11)->enabled);
    EXPECT_TRUE(find_entry(bar, 12)->enabled);
}

TEST(Menus, DeclarationMenuFollowsTheDeclaration) {
    DeclarationShape d;
    auto plain = declaration_menu(d);
    EXPECT_EQ(find_entry(plain, 13), nullptr);
    EXPECT_EQ(find_entry(plain, 22), nullptr);
    EXPECT_EQ(find_entry(plain, 101), nullptr);
    ASSERT_NE(find_entry(plain, 61), nullptr);
    EXPECT_TRUE(find_entry(plain, 61)->enabled);
    EXPECT_EQ(find_entry(plain, 61)->hotkey, "F6");
    EXPECT_FALSE(find_entry(plain, 61)->description.empty());
    EXPECT_TRUE(find_entry(plain, 71)->enabled);
    EXPECT_EQ(find_entry(plain, 71)->hotkey, "F7");
    EXPECT_TRUE(find_entry(plain, 51)->enabled);
    // The capital gains and variable income, both places of the movable assets apart.
    EXPECT_TRUE(find_entry(plain, 81)->enabled);
    EXPECT_TRUE(find_entry(plain, 93)->enabled);
    ASSERT_NE(find_entry(plain, 82, 'N'), nullptr);
    EXPECT_TRUE(find_entry(plain, 82, 'N')->enabled);
    EXPECT_EQ(find_entry(plain, 85), nullptr);
    d.has_dependants = d.rural = true;
    auto full = declaration_menu(d);
    EXPECT_NE(find_entry(full, 13), nullptr);
    EXPECT_NE(find_entry(full, 96), nullptr);
    EXPECT_TRUE(find_entry(full, 88)->enabled);
    EXPECT_NE(find_entry(full, 106), nullptr);
    EXPECT_EQ(find_entry(full, 107), nullptr);
    EXPECT_EQ(find_entry(full, 201), nullptr);
    d.digital_cash_book = d.rural_abroad = true;
    full = declaration_menu(d);
    EXPECT_NE(find_entry(full, 109), nullptr);
    EXPECT_NE(find_entry(full, 206), nullptr);

    EXPECT_EQ(declaration_hotkey("F12"), 101);
    // The key the menu shows beside the personal notes opens them; F11 the notices.
    EXPECT_EQ(declaration_hotkey("ALT+F1"), 63);
    EXPECT_EQ(declaration_hotkey("F11"), 62);
    EXPECT_EQ(declaration_hotkey("ESC"), 17);
    EXPECT_EQ(declaration_hotkey("ALT+T"), 17);
    EXPECT_FALSE(declaration_hotkey("ALT+Q").has_value());
}

TEST(Menus, PrintSelectionLimits) {
    EXPECT_EQ(sheet_type_count(1), 1);
    EXPECT_EQ(sheet_type_count(5), 4);
    EXPECT_EQ(sheet_type_count(12), 2);
    EXPECT_EQ(page_choice_count(2), 11);
    EXPECT_EQ(page_choice_count(3), 3);
    EXPECT_EQ(page_choice_count(4), 1);
    EXPECT_EQ(int(sheet_types(14).size()), sheet_type_count(14));
    EXPECT_EQ(int(page_choices(1).size()), page_choice_count(1));
}

TEST(Giro, NextScreenFromTheLastKey) {
    GiroContext c;
    EXPECT_EQ(GIRO_next({1, 11}, "TAB", c), (ScreenPos{2, 0}));
    EXPECT_EQ(GIRO_next({2, 21}, "PGDN", c), (ScreenPos{3, 31}));
    EXPECT_EQ(GIRO_next({3, 31}, "TAB", c), (ScreenPos{3, 32}));
    EXPECT_EQ(GIRO_next({3, 31}, "ENTER", c), (ScreenPos{3, 32}));
    EXPECT_EQ(GIRO_next({3, 32}, "TAB", c), (ScreenPos{4, 41}));
    EXPECT_EQ(GIRO_next({4, 43}, "TAB", c), (ScreenPos{5, 51}));
    EXPECT_EQ(GIRO_next({5, 51}, "TAB", c), (ScreenPos{6, 0}));
    EXPECT_EQ(GIRO_next({6, 0}, "TAB", c), (ScreenPos{7, 0}));
    EXPECT_EQ(GIRO_next({7, 0}, "TAB", c), (ScreenPos{10, 0}));
    EXPECT_EQ(GIRO_next({10, 0}, "TAB", c), (ScreenPos{11, 0}));
    EXPECT_EQ(GIRO_next({11, 0}, "TAB", c), (ScreenPos{1, 0}));
    EXPECT_EQ(GIRO_next({1, 0}, "SHIFT+TAB", c), (ScreenPos{11, 0}));
    EXPECT_EQ(GIRO_next({9, 0}, "PGUP", c), (ScreenPos{7, 0}));
    EXPECT_EQ(GIRO_next({4, 41}, "PGUP", c), (ScreenPos{3, 32}));
    EXPECT_EQ(GIRO_next({22, 54}, "PGUP", c), (ScreenPos{4, 41}));
    EXPECT_EQ(GIRO_next({6, 0}, "ENTER", c), (ScreenPos{0, 0}));
    EXPECT_EQ(GIRO_next({6, 0}, "F7", c), (ScreenPos{7, 0}));
    EXPECT_EQ(GIRO_next({6, 0}, "ALT+F3", c), (ScreenPos{5, 56}));
    EXPECT_EQ(GIRO_next({6, 0}, "ALT+F7", c), (ScreenPos{4, 43}));
    EXPECT_EQ(GIRO_next({6, 0}, "ALT+X", c), (ScreenPos{23, 52}));
    EXPECT_EQ(GIRO_next({4, 43}, "ALT+Z", c), (ScreenPos{22, 54}));
    EXPECT_EQ(GIRO_next({6, 0}, "F12", c), (ScreenPos{7, 0}));
    EXPECT_EQ(GIRO_next({6, 0}, "ESC", c), (ScreenPos{99, 0}));
    c.window_menu = false;
    EXPECT_EQ(GIRO_next({6, 0}, "ESC", c), (ScreenPos{0, 0}));

    c.new_declaration = true;
    EXPECT_EQ(GIRO_next({6, 0}, "TAB", c), (ScreenPos{1, 0}));
    c.rural = true;
    EXPECT_EQ(GIRO_next({6, 0}, "F12", c), (ScreenPos{12, 0}));
    EXPECT_EQ(GIRO_next({17, 0}, "TAB", c), (ScreenPos{12, 0}));
    EXPECT_EQ(GIRO_next({12, 0}, "TAB", c), (ScreenPos{13, 0}));
    c.rural_abroad = true;
    EXPECT_EQ(GIRO_next({12, 0}, "TAB", c), (ScreenPos{14, 0}));
    EXPECT_EQ(GIRO_next({14, 0}, "PGUP", c), (ScreenPos{12, 0}));
    c.rural = false;
    EXPECT_EQ(GIRO_next({11, 0}, "ALT+F2", c), (ScreenPos{7, 0}));

    EXPECT_EQ(screen_for_code(61), (ScreenPos{6, 0}));
    EXPECT_EQ(screen_for_code(52), (ScreenPos{23, 52}));
    EXPECT_EQ(screen_for_code(203), (ScreenPos{14, 203}));
    EXPECT_EQ(screen_for_code(106), (ScreenPos{17, 106}));
}

}  // namespace
}  // namespace vorn::shell
