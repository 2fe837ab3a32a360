// Field input: pictures while typing, the read loop's keys, valid/when conditions, hot keys and
// the clipboard.
#include "ui/field.h"

#include <gtest/gtest.h>

#include "base/text.h"
#include "harness.h"

namespace vorn::ui {
namespace {

using testing::Harness;

Decimal D(const char* s) {
    return Decimal::from(s);
}

Get field(int row, int col, Var var, std::string picture = {}, int width = 0) {
    Get g;
    g.row = row;
    g.col = col;
    g.var = var;
    g.picture = std::move(picture);
    g.width = width;
    return g;
}

std::string shown(Harness& h, int row, int col, int n) {
    return substr_chars(h.screen.grid().row_text(row), static_cast<size_t>(col),
                        static_cast<size_t>(n));
}

TEST(ReadLoop, EnterMovesOnAndEndsAfterTheLastField) {
    Harness h("text abc\nENTER\ntext 1234,5\nENTER\ntext 31122025\nENTER\n");
    std::string name(10, ' ');
    Decimal amount = D("7");
    Date when;
    std::vector<Get> f{field(1, 0, name), field(2, 0, amount, "@E 999,999.99"),
                       field(3, 0, when, "@d")};
    ReadResult r = READ(h.screen, f);
    EXPECT_EQ(name, "abc       ");
    EXPECT_EQ(amount, D("1234.5"));
    EXPECT_EQ(when, Date(2025, 12, 31));
    EXPECT_TRUE(r.updated);
    EXPECT_FALSE(r.escaped);
    EXPECT_EQ(r.last_key, Key::of(KeyCode::kEnter));
    EXPECT_EQ(shown(h, 2, 0, 10), "  1.234,50");
    EXPECT_EQ(shown(h, 3, 0, 10), "31/12/2025");
}

TEST(ReadLoop, UpDownTabPagesAndEsc) {
    // Down on the last field stays there; Up and Shift+Tab go back; PgDn ends the read.
    Harness h("TAB\nDOWN\nDOWN\ntext c\nUP\nSHIFT+TAB\ntext a\nPGDN\n");
    std::string a = "1", b = "2", c = "3";
    std::vector<Get> f{field(0, 0, a), field(1, 0, b), field(2, 0, c)};
    ReadResult r = READ(h.screen, f);
    EXPECT_EQ(a, "a");
    EXPECT_EQ(b, "2");
    EXPECT_EQ(c, "c");
    EXPECT_EQ(r.last_key, Key::of(KeyCode::kPgDn));
    EXPECT_EQ(r.field, 0);

    // Esc abandons the field being edited; fields already left keep their values.
    Harness e("text x\nENTER\ntext y\nESC\n");
    a = "1";
    b = "2";
    std::vector<Get> g{field(0, 0, a), field(1, 0, b)};
    r = READ(e.screen, g);
    EXPECT_TRUE(r.escaped);
    EXPECT_EQ(a, "x");
    EXPECT_EQ(b, "2");
    EXPECT_EQ(r.field, 1);
}

TEST(ReadLoop, ValidRefusesAndKeepsTheCursorWhenSkips) {
    Harness h("text X\nENTER\nCTRL+Y\ntext Y\nENTER\ntext z\nENTER\n");
    std::string a(1, ' '), skipped = "s", c(1, ' ');
    int calls = 0;
    std::vector<Get> f{field(0, 0, a), field(1, 0, skipped), field(2, 0, c)};
    f[0].valid = [&] {
        ++calls;
        return a != "X";
    };
    f[1].when = [] { return false; };
    READ(h.screen, f);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(a, "Y");
    EXPECT_EQ(skipped, "s");
    EXPECT_EQ(c, "z");
}

TEST(ReadLoop, RefusedValueNeverStaysInTheVariable) {
    Harness h("text 9\nENTER\nESC\n");
    Decimal v = D("5");
    Decimal seen_in_valid;
    std::vector<Get> f{field(0, 0, v, "99")};
    f[0].valid = [&] {
        seen_in_valid = v;
        return v < D("5");
    };
    READ(h.screen, f);
    EXPECT_EQ(seen_in_valid, D("9"));
    EXPECT_EQ(v, D("5"));
}

TEST(ReadLoop, HotKeysRunAndMayEndTheRead) {
    Harness h("text ab\nF5\nF9\n");
    std::string a(4, ' '), b(4, ' ');
    int f5 = 0;
    h.screen.bind(Key::f(5), [&] {
        ++f5;
        b = "HOT ";  // a hot key may set a variable: the field shows it
    });
    h.screen.bind(Key::f(9), [&] { h.screen.end_input(); });
    std::vector<Get> f{field(0, 0, a), field(1, 0, b)};
    ReadResult r = READ(h.screen, f);
    EXPECT_EQ(f5, 1);
    EXPECT_EQ(a, "ab  ");  // the field being edited is kept when a hot key ends the read
    EXPECT_EQ(b, "HOT ");
    EXPECT_EQ(r.last_key, Key::f(9));
    EXPECT_EQ(shown(h, 1, 0, 4), "HOT ");
}

TEST(FieldInput, NumbersTypedUnderTheirPicture) {
    struct Case {
        const char* keys;
        const char* picture;
        const char* value;
    } cases[] = {
        {"text 12\nENTER\n", "@E 999,999.99", "12"},
        {"text 1,5\nENTER\n", "@E 999,999.99", "1.5"},
        {"text 1.5\nENTER\n", "@E 999,999.99", "1.5"},  // either decimal key
        {"text -3\nENTER\n", "@E 999,999.99", "-3"},
        {"text 123456,78\nENTER\n", "@E 999,999.99", "123456.78"},
        {"text 12x3\nENTER\n", "999", "123"},  // letters are not taken
        {"text 129\nBACKSPACE\nBACKSPACE\ntext 5\nENTER\n", "999", "15"},
        {"END\ntext 7\nENTER\n", "@Ez 999,999.99", "42.07"},  // typed at the end: no clearing
        {"ENTER\n", "@E 9.99", "42"},  // too wide to show, left untouched: kept exactly
    };
    for (const auto& c : cases) {
        Harness h(c.keys);
        Decimal v = D("42");
        std::vector<Get> f{field(0, 0, v, c.picture)};
        READ(h.screen, f);
        EXPECT_EQ(v, D(c.value)) << c.keys << " " << c.picture;
    }
}

TEST(FieldInput, DatesTextsAndTemplates) {
    // An impossible date is refused with its message and the field stays until it is corrected:
    // the cursor is back on its first position and what is typed replaces the refused date.
    Harness h("text 31022025\nENTER\nsnap\nENTER\ntext 2802202\nENTER\nENTER\nESC\n");
    Date d;
    bool told = false;
    std::vector<Get> f{field(0, 0, d, "@d")};
    f[0].refused = [&] { told = true; };
    READ(h.screen, f);
    EXPECT_EQ(d, Date());  // the last digit missing: refused again, then Esc
    EXPECT_TRUE(told);
    EXPECT_GE(h.backend.beeps(), 1);
    std::string snaps = h.snaps.str();
    EXPECT_NE(snaps.find("Data inválida"), std::string::npos) << snaps;
    Harness again("text 31022025\nENTER\nENTER\ntext 28022025\nENTER\n");
    std::vector<Get> f2{field(0, 0, d, "@d")};
    READ(again.screen, f2);
    EXPECT_EQ(d, Date(2025, 2, 28));

    // A value its condition refuses: the next typing replaces it, in a one-character field too.
    Harness one("text X\nENTER\ntext N\nENTER\n");
    std::string sn = " ";
    std::vector<Get> o{field(0, 0, sn, "!")};
    o[0].valid = [&] { return sn == "S" || sn == "N"; };
    READ(one.screen, o);
    EXPECT_EQ(sn, "N");
    Harness two("text XX\nENTER\ntext S\nENTER\n");
    std::string uf = "  ";
    std::vector<Get> t{field(0, 0, uf, "@!")};
    t[0].valid = [&] { return uf != "XX"; };
    READ(two.screen, t);
    EXPECT_EQ(uf, "S ");  // replaced, not "SX"

    Harness cpf("text 123a45678901\nENTER\n");
    std::string v;
    std::vector<Get> g{field(0, 0, v, "@r 999.999.999-99")};
    READ(cpf.screen, g);
    EXPECT_EQ(v, "12345678901");
    EXPECT_EQ(shown(cpf, 0, 0, 14), "123.456.789-01");

    Harness up("text são paulo\nENTER\n");
    std::string city(12, ' ');
    std::vector<Get> u{field(0, 0, city, "@!")};
    READ(up.screen, u);
    EXPECT_EQ(city, "SÃO PAULO   ");

    // A character the data files cannot store (no Windows-1252 form) is refused as it is typed,
    // so what the field shows is what is saved: "Ŷ" would come back as "?".
    Harness odd("text AŶB€\nENTER\n");
    std::string name(6, ' ');
    std::vector<Get> n{field(0, 0, name)};
    READ(odd.screen, n);
    EXPECT_EQ(name, "AB€   ");
    EXPECT_EQ(to_cp1252(name), "AB\x80   ");

    // Insert mode pushes the rest to the right; Del pulls it back.
    Harness ins("HOME\nINS\ntext x\nINS\nRIGHT\nDEL\nENTER\n");
    ins.screen.bind_clipboard_keys();  // Insert toggles (the toolkit alone binds it to pasting)
    std::string word = "abcd ";
    std::vector<Get> w{field(0, 0, word)};
    READ(ins.screen, w);
    EXPECT_EQ(word, "xacd ");
}

TEST(FieldInput, ScrollsWithinTheShownWidth) {
    Harness h("CTRL+Y\ntext abcdefghijklmno\nsnap\nENTER\n");
    std::string v(30, ' ');
    std::vector<Get> f{field(0, 0, v, "@S10")};
    READ(h.screen, f);
    EXPECT_EQ(trim(v), "abcdefghijklmno");
    std::string first = h.snaps.str().substr(0, h.snaps.str().find('\n'));
    EXPECT_EQ(substr_chars(first, 0, 11), "ghijklmno  ");  // the last ten typed, cursor after them
}

TEST(FieldInput, FillingTheLastPositionMovesOnWithoutConfirm) {
    Harness h("text SN\n");
    h.screen.confirm = false;
    std::string a = " ", b = " ";
    std::vector<Get> f{field(0, 0, a, "!"), field(1, 0, b, "!")};
    READ(h.screen, f);
    EXPECT_EQ(a, "S");
    EXPECT_EQ(b, "N");
}

TEST(FieldInput, MouseClickMovesToAnotherField) {
    std::string a = "a", b = "b";
    Harness m("text 1\nENTER\n");
    m.screen.push_key(Key::click(2, 0));
    std::vector<Get> f{field(0, 0, a), field(2, 0, b)};
    READ(m.screen, f);
    EXPECT_EQ(a, "a");  // the click came before the typing: it moved to the second field
    EXPECT_EQ(b, "1");
}

TEST(Clipboard, PasteIsPaddedCutOrConvertedAndCopyTakesTheValue) {
    Harness h("ALT+V\nENTER\nALT+V\nENTER\nALT+V\nENTER\nALT+V\nCTRL+C\nENTER\n");
    Screen& s = h.screen;
    s.bind_clipboard_keys();
    std::string name(5, ' ');
    Decimal amount = D("1");
    Date when;
    std::string cpf;
    std::vector<Get> f{field(0, 0, name), field(1, 0, amount, "@E 999,999.99"),
                       field(2, 0, when, "@d"), field(3, 0, cpf, "@R 999.999.999-99")};
    int step = 0;
    const char* clips[] = {"abcdefgh", "1.234,56", "05/03/2025", "123.456.789-01"};
    for (auto& g : f)
        g.when = [&, i = step++] {
            s.clipboard = clips[i];
            return true;
        };
    READ(h.screen, f);
    EXPECT_EQ(name, "abcde");
    EXPECT_EQ(amount, D("1234.56"));
    EXPECT_EQ(when, Date(2025, 3, 5));
    EXPECT_EQ(cpf, "12345678901");
    EXPECT_EQ(s.clipboard, "12345678901");

    // Nothing to paste, or text that is no number: the field keeps its value.
    Harness n("ALT+V\nENTER\n");
    n.screen.bind_clipboard_keys();
    n.screen.clipboard = "abc";
    Decimal kept = D("3");
    std::vector<Get> g{field(0, 0, kept, "999")};
    READ(n.screen, g);
    EXPECT_EQ(kept, D("3"));
}

}  // namespace
}  // namespace vorn::ui
