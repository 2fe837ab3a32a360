// The desktop layer: menu numbering and dispatch, pull-down navigation, dialogs and what they
// restore, message boxes, timers.
#include "ui/desktop.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "base/text.h"
#include "harness.h"
#include "ui/headless.h"
#include "ui/windows.h"

namespace vorn::ui {
namespace {

using testing::Harness;

// A menu bar whose items record what ran.
LMenu sample_menu(std::vector<std::string>& ran) {
    auto item = [&ran](std::string name) { return [&ran, name] { ran.push_back(name); }; };
    LMenu m;
    m.SubMenu("&Declaração");                     // 1000
    m.MenuItem("&Abrir (Alt I)", item("abrir"));  // 1001
    m.Separator();
    m.SubMenu("e&Xclusão");                                // 1002
    m.MenuItem("&Varios", item("varios"));                 // 1003
    m.MenuItem("&Individual", item("individual"), false);  // 1004, disabled
    m.EndMenu();
    m.MenuItem("&Terminar (Alt T)", item("terminar"));  // 1005
    m.EndMenu();
    m.SubMenu("&Opções");                 // 1006
    m.MenuItem("&Cores", item("cores"));  // 1007
    m.EndMenu();
    return m;
}

TEST(Menu, SequenceNumbersAndDepthFirstDispatch) {
    Harness h("snap\nENTER\nsnap\nENTER\n");
    std::vector<std::string> ran;
    sample_menu(ran).Create(h.screen);
    Desktop& d = h.screen.desktop();
    ASSERT_NE(d.active_menu(), nullptr);
    EXPECT_EQ(d.active_menu()->find(1003)->caption, "&Varios");
    EXPECT_EQ(d.active_menu()->find(1007)->caption, "&Cores");
    EXPECT_TRUE(d.LMenuActivate(1003));
    EXPECT_TRUE(d.LMenuActivate(1005));
    EXPECT_FALSE(d.LMenuActivate(1004));  // disabled
    EXPECT_EQ(ran, (std::vector<std::string>{"varios", "terminar"}));
    EXPECT_FALSE(d.LMenuActivate(1999));
    EXPECT_FALSE(d.LTBActivate(2000));
    std::string out = h.snaps.str();
    EXPECT_NE(out.find("Erro interno. Nao foi encontrado um menu ativo (LMenuActivate)"),
              std::string::npos);
    EXPECT_NE(out.find("Erro interno. Nao foi encontrado um toolbar ativo (LTBActivate)"),
              std::string::npos);

    LToolBar tb;
    tb.Button("Abrir", [&] { ran.push_back("toolbar"); });
    tb.Create(h.screen);
    EXPECT_TRUE(d.LTBActivate(2000));
    EXPECT_EQ(ran.back(), "toolbar");
    EXPECT_THROW(LMenu().EndMenu(), std::logic_error);
}

TEST(Menu, PullDownWithKeysGolden) {
    // F10 opens the first title; Down skips the separator; Right opens the submenu.
    Harness h("F10\nDOWN\nRIGHT\nsnap\nDOWN\nENTER\nESC\nESC\nALT+O\nLEFT\ntext t\n");
    std::vector<std::string> ran;
    h.screen.windows().ENCHETELA(" ", "W+/B");
    sample_menu(ran).Create(h.screen);
    LSBDRAW(h.screen, {"Linha de estado", "Terminal 01"});
    LDialog& main = h.screen.desktop().main();
    std::string before;
    // "terminar" ends the loop.
    LMenu m = sample_menu(ran);
    m.items()[0].items[3].action = [&] {
        ran.push_back("terminar");
        main.End(0);
    };
    m.Create(h.screen);
    before = h.text();
    LACTIVATE(h.screen, false);
    // Enter on the disabled "Individual" did nothing; Esc twice closed the menus; Alt+O, Left
    // and the accelerator T chose "Terminar".
    EXPECT_EQ(ran, (std::vector<std::string>{"terminar"}));
    std::string snap = h.snaps.str();
    snap = snap.substr(0, snap.find("----\n"));
    testing::expect_golden("menu_pulldown", snap);
    EXPECT_EQ(before, h.text());
}

// The screen as it stood at every key the program waited for.
class Recording final : public Backend {
  public:
    explicit Recording(const std::string& script)
        : clock_({Date(2026, 4, 10), 9 * 3600}),
          inner_(testing::steps_of(script), clock_, snaps_),
          screen(*this, clock_) {}
    void present(const Grid& g, const CursorState& c) override { inner_.present(g, c); }
    std::optional<Key> read(Wait w, double s) override {
        at_keys.push_back(inner_.shown());
        return inner_.read(w, s);
    }
    void beep(int, int) override {}

  private:
    ManualClock clock_;
    std::ostringstream snaps_;
    HeadlessBackend inner_;

  public:
    Screen screen;
    std::vector<Grid> at_keys;
};

// The attribute of the first cell of a text on the screen.
uint8_t attr_of(const Grid& g, const std::string& text) {
    for (int r = 0; r < kRows; ++r) {
        size_t at = g.row_text(r).find(text);
        if (at != std::string::npos)
            return g.at(r, static_cast<int>(char_count(g.row_text(r).substr(0, at)))).attr;
    }
    ADD_FAILURE() << text << " not on the screen";
    return 0;
}

TEST(Menu, DisabledItemsAreGreyHighlightedOrNotAndSaySoWhenChosen) {
    // Pull-down: Individual (disabled) highlighted, chosen, then Varios highlighted.
    Recording r("DOWN\nRIGHT\nDOWN\nENTER\nUP\nESC\nESC\n");
    std::vector<std::string> ran;
    LMenu m = sample_menu(ran);
    const MenuStyle style{0x70, 0x74, 0x1F, 0x78};
    EXPECT_EQ(navigate_menu(r.screen, m, {}, style, 0, {}), 0);
    ASSERT_EQ(r.at_keys.size(), 7u);
    EXPECT_EQ(attr_of(r.at_keys[3], "Individual"), 0x18);  // grey on the highlight's blue
    EXPECT_EQ(r.at_keys[4].row_text(kRows - 1), pad_right(kNotAvailable, kCols));
    EXPECT_EQ(attr_of(r.at_keys[5], "Individual"), 0x78);
    EXPECT_EQ(attr_of(r.at_keys[5], "Varios"), 0x1F);
    EXPECT_NE(r.at_keys[5].row_text(kRows - 1), pad_right(kNotAvailable, kCols));
    EXPECT_TRUE(ran.empty());

    // The text style, in the CORMENU colours (yellow on blue, white on red when highlighted).
    Recording t("DOWN\nENTER\nUP\nF2\nESC\n");
    TextMenuBar bar({{"&Rendimentos",
                      {{"Titular", Key::f(1), "Do titular", 11},
                       {"Acumulados", Key::f(2), "Rendimentos acumulados", 12, false}}}});
    bar.draw(t.screen);
    EXPECT_EQ(bar.run(t.screen), 0);
    ASSERT_EQ(t.at_keys.size(), 5u);
    EXPECT_EQ(attr_of(t.at_keys[0], "Acumulados"), 0x18);
    EXPECT_EQ(attr_of(t.at_keys[1], "Acumulados"), 0xC8);
    EXPECT_EQ(t.at_keys[2].row_text(kRows - 1), pad_right(kNotAvailable, kCols));
    EXPECT_NE(t.at_keys[3].row_text(kRows - 1), pad_right(kNotAvailable, kCols));
    EXPECT_EQ(t.at_keys[4].row_text(kRows - 1), pad_right(kNotAvailable, kCols));  // its key
}

TEST(Menu, MouseOpensAndChooses) {
    Harness h("");
    std::vector<std::string> ran;
    sample_menu(ran).Create(h.screen);
    LDialog& main = h.screen.desktop().main();
    // Title "Opções" starts after " Declaração " (col 1, 12 wide).
    h.screen.push_key(Key::click(0, 14));
    h.screen.push_key(Key::click(2, 15));   // its first item, "Cores"
    h.screen.push_key(Key::click(0, 3));    // "Declaração"
    h.screen.push_key(Key::click(20, 60));  // outside: closes
    h.screen.push_key(Key::f(10));
    h.screen.push_key(Key::of(KeyCode::kEsc));
    h.screen.push_key(Key::alt('D'));
    h.screen.push_key(Key::chr('a'));
    main.on_key = [&](const Key& k) {
        if (k.is(KeyCode::kEsc)) main.End(1);
        return false;
    };
    LMenu m = sample_menu(ran);
    m.items()[0].items[0].action = [&] {
        ran.push_back("abrir");
        main.End(0);
    };
    m.Create(h.screen);
    LACTIVATE(h.screen, false);
    EXPECT_EQ(ran, (std::vector<std::string>{"cores", "abrir"}));
}

TEST(Dialog, ClosingRefusalsAndWhatClosingRestores) {
    Harness h("F2\nENTER\n");
    Screen& s = h.screen;
    Desktop& d = s.desktop();
    s.windows().ENCHETELA("x", 7);
    Grid base = s.grid();
    s.colours = ColourSet("W/B,N/W");
    s.cancel_flag = false;
    auto first_ptr = LDLGSHOW(s, 2, 2, 10, 40, "Primeira");
    LDialog& first = *first_ptr;
    s.set_cursor(5, 5, true);
    s.bind(Key::f(2), [] {});
    auto second_ptr = LDLGSHOW(s, 5, 20, 15, 60, "Segunda");
    LDialog& second = *second_ptr;
    s.colours = ColourSet("R/W,W/R");
    s.cancel_flag = true;
    s.unbind(Key::f(2));
    EXPECT_EQ(&d.active(), &second);
    EXPECT_FALSE(first.Close());  // not the active one
    EXPECT_FALSE(d.close(d.main()));
    // A window reading its fields cannot close: F2 tries, Enter ends the read.
    std::string v(3, ' ');
    std::vector<Get> f(1);
    f[0].var = v;
    bool closed_during_read = true;
    s.bind(Key::f(2), [&] { closed_during_read = LDLGCLOSE(s); });
    second.ReadModal(f);
    EXPECT_FALSE(closed_during_read);
    EXPECT_EQ(s.dev_messages().size(), 3u);
    EXPECT_TRUE(LDLGCLOSE(s));
    EXPECT_FALSE(second.Close());  // closed already
    EXPECT_EQ(&d.active(), &first);
    // What was in force when the second opened is back.
    EXPECT_EQ(s.colours.standard, *colour_to_attr("W/B"));
    EXPECT_FALSE(s.cancel_flag);
    EXPECT_TRUE(s.is_bound(Key::f(2)));
    EXPECT_TRUE(s.cursor.visible);
    EXPECT_EQ(s.cursor.row, 5);
    EXPECT_TRUE(LDLGCLOSE(s));
    EXPECT_FALSE(s.is_bound(Key::f(2)));
    EXPECT_EQ(base, s.grid());
    EXPECT_EQ(d.window_count(), 1u);
}

TEST(Dialog, ButtonsTimersAndTheStatusBar) {
    Harness h("advance 30\nadvance 30\nTAB\nsnap\nENTER\n");
    Screen& s = h.screen;
    auto dlg_ptr = LDLGSHOW(s, 5, 10, 14, 60, "Botões");
    LDialog& dlg = *dlg_ptr;
    int ticks = 0;
    dlg.SetTimer(1, 60, [&] { ++ticks; });
    dlg.say(1, 2, "Escolha:");
    dlg.AddButton(4, 2, "&Grava", [&] { dlg.End(1); });
    dlg.AddButton(4, 16, "&Abandona", [&] { dlg.End(2); });
    EXPECT_EQ(LACTIVATE(s, true), 2);
    EXPECT_EQ(ticks, 1);
    std::string snap = h.snaps.str();
    EXPECT_NE(snap.find("[  Grava   ]"), std::string::npos);  // shorter than 10: centred in 10
    EXPECT_NE(snap.find("[ Abandona ]"), std::string::npos);
    EXPECT_TRUE(LDLGCLOSE(s));
}

TEST(MessageBoxes, YesNoDefaultsAndAnswers) {
    Harness h("snap\nENTER\ntext n\nRIGHT\nENTER\nESC\n");
    EXPECT_TRUE(LMSGYN(h.screen));
    EXPECT_FALSE(LMSGYN(h.screen, "Apaga?"));
    EXPECT_FALSE(LMSGYN(h.screen, "Apaga?"));
    EXPECT_FALSE(LMSGYN(h.screen, "Apaga?"));
    std::string first = h.snaps.str().substr(0, h.snaps.str().find("----\n"));
    testing::expect_golden("lmsgyn_default", first);
    EXPECT_EQ(h.screen.desktop().window_count(), 1u);

    Harness b("snap\nESC\n");
    LMSGBOX(b.screen, "Primeira linha;Segunda linha");
    EXPECT_NE(b.snaps.str().find(" DURO "), std::string::npos);
    EXPECT_NE(b.snaps.str().find("Segunda linha"), std::string::npos);
}

TEST(MessageBoxes, MsgalertSizesToTheTextAndScrollsPastSixteenLines) {
    std::vector<std::string> lines;
    for (int i = 1; i <= 20; ++i) lines.push_back("linha " + std::to_string(i));
    lines.push_back(std::string(100, '='));
    Harness h("snap\nPGDN\nsnap\nESC\n");
    EXPECT_EQ(MSGALERT(h.screen, lines), 0);
    std::string out = h.snaps.str();
    std::string first = out.substr(0, out.find("----\n"));
    EXPECT_NE(first.find("linha 16"), std::string::npos);
    EXPECT_EQ(first.find("linha 17"), std::string::npos);
    EXPECT_NE(first.find("<ENTER>"), std::string::npos);
    EXPECT_NE(out.find("linha 20"), std::string::npos);
    // As wide as the screen, and the line wider than it goes on over the next line whole.
    size_t corner = first.find("┌");
    ASSERT_NE(corner, std::string::npos);
    size_t line_start = first.rfind('\n', corner) + 1;
    EXPECT_EQ(char_count(first.substr(line_start, corner - line_start)), 0u);
    std::string second = out.substr(out.find("----\n") + 5);
    EXPECT_EQ(std::count(second.begin(), second.end(), '='), 100);
    Harness e("ESC\ntext d\n");
    EXPECT_EQ(MSGALERT(e.screen, {"Sem Esc"}, {"Um", "Dois"}, {}, "Escolha", false), 2);
}

}  // namespace
}  // namespace vorn::ui

namespace vorn::ui {
namespace {

TEST(TextMenu, DescriptionsHotKeysAndCodesGolden) {
    std::vector<TextMenuPad> pads{
        {"&Rendimentos",
         {{"Titular", Key::f(1), "Rendimentos recebidos de pessoas jurídicas", 11},
          {"─", std::nullopt, "", 0},
          {"Fim da declaração", Key::alt('T'), "Termina a declaração", 17}}},
        {"&Cálculo",
         {{"Cálculo", Key::f(7), "Resumo do imposto", 71}, {"Saldo", Key::f(10), "Balanço", 72}}},
    };
    Harness h("DOWN\nsnap\nENTER\nALT+C\nF10\nESC\nLEFT\nDOWN\nENTER\n");
    h.screen.windows().ENCHETELA(" ", "W+/B");
    TextMenuBar bar(pads);
    bar.draw(h.screen);
    Grid drawn = h.screen.grid();
    EXPECT_EQ(bar.run(h.screen), 17);  // Down skips the separator
    EXPECT_EQ(drawn, h.screen.grid());
    EXPECT_EQ(bar.run(h.screen), 72);  // the pad's accelerator, then the item's hot key
    EXPECT_EQ(bar.run(h.screen), 0);   // Esc
    EXPECT_EQ(bar.run(h.screen), 72);  // Left from the first pad comes round to the last
    EXPECT_EQ(bar.code_for(Key::alt('T')), 17);
    EXPECT_EQ(bar.code_for(Key::f(2)), 0);
    std::string snap = h.snaps.str();
    testing::expect_golden("text_menu", snap.substr(0, snap.find("----\n")));
}

}  // namespace
}  // namespace vorn::ui
