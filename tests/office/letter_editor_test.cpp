// The letter editor's text without a screen: the editing keys over line ends, an untouched text
// reading back byte for byte (CR LF, LF and mixed), placeholders between blanks, search without
// case or accents with its wrap, the window following the cursor, and the format dialog's checks.
#include <gtest/gtest.h>

#include "office/letter_editor.h"

namespace vorn::office {
namespace {

TEST(LetterText, EditingKeysSplitAndJoinLines) {
    LetterText t("Prezado\r\ncliente");
    EXPECT_FALSE(t.modified());
    t.end();
    t.type(U',');
    t.right();  // past the end: the start of the next line
    EXPECT_EQ(t.row(), 1);
    EXPECT_EQ(t.col(), 0);
    t.backspace();  // joins with the line above
    EXPECT_EQ(t.text(), "Prezado,cliente");
    EXPECT_EQ(t.col(), 8);
    t.enter();
    EXPECT_EQ(t.text(), "Prezado,\r\ncliente");
    t.insert("Sr. João\nda Silva ");
    EXPECT_EQ(t.text(), "Prezado,\r\nSr. João\r\nda Silva cliente");
    EXPECT_EQ(t.row(), 2);
    t.up();
    t.end();
    t.del();  // joins the next line at the end
    EXPECT_EQ(t.text(), "Prezado,\r\nSr. Joãoda Silva cliente");
    // Overwrite replaces the characters under the cursor (the blank takes the "d").
    t.toggle_overwrite();
    t.go_to(1, 7);
    t.type(U'O');
    t.type(U' ');
    EXPECT_EQ(t.text(), "Prezado,\r\nSr. JoãO a Silva cliente");
    // Backspace at the very start and Del at the very end change nothing.
    t.top();
    t.backspace();
    t.bottom();
    t.del();
    EXPECT_EQ(t.text(), "Prezado,\r\nSr. JoãO a Silva cliente");
    EXPECT_TRUE(t.modified());
    t.mark_saved();
    EXPECT_FALSE(t.modified());

    // Up and Down aim at the column the cursor came from across a shorter line.
    LetterText u("abcdefgh\nab\nabcdefgh");
    u.go_to(0, 6);
    u.down();
    EXPECT_EQ(u.col(), 2);
    u.down();
    EXPECT_EQ(u.col(), 6);
    u.up(10);
    EXPECT_EQ(u.row(), 0);
    u.down(10);
    EXPECT_EQ(u.row(), 2);
}

TEST(LetterText, UntouchedTextsReadBackTheSame) {
    for (const char* text : {"", "uma linha", "a\r\nb\r\n", "a\nb\n\n", "a\r\nb\nc\r", "\r\n"}) {
        LetterText t(text);
        EXPECT_EQ(t.text(), text);
        EXPECT_FALSE(t.modified()) << text;
        // Typed and taken back: the same text again.
        t.type(U'x');
        t.backspace();
        t.enter();
        t.backspace();
        EXPECT_EQ(t.text(), text);
        EXPECT_FALSE(t.modified()) << text;
    }
    // A new letter's lines end in CR LF.
    LetterText n;
    n.insert("a\nb");
    EXPECT_EQ(n.text(), "a\r\nb");
}

TEST(LetterText, FieldsGoInBetweenBlanksByNumber) {
    LetterText t("Caro,");
    t.end();
    EXPECT_TRUE(t.insert_field(2));
    EXPECT_EQ(t.text(), "Caro, «Nome» ");
    EXPECT_FALSE(t.insert_field(0));
    EXPECT_FALSE(t.insert_field(44));
    EXPECT_FALSE(t.insert_field(-1));
    EXPECT_TRUE(t.insert_field(43));
    EXPECT_TRUE(t.insert_field(32));
    EXPECT_EQ(t.text(), "Caro, «Nome»  «DebAuto»  «Agen/Conta» ");
    EXPECT_EQ(t.col(), 38);
    // The fields typed merge like any other.
    LetterClient c;
    c.text["NOMECONTR"] = "ANA SOUZA   ";
    EXPECT_EQ(merge_letter(LetterText("«Nome»").text(), c, {}), "ANA SOUZA");
}

TEST(LetterText, SearchIgnoresCaseAndAccentsAndWrapsAround) {
    LetterText t("Declaração de imposto\r\nA DECLARACAO foi entregue.\r\nfim");
    EXPECT_TRUE(t.find("declaracao"));
    EXPECT_EQ(t.row(), 0);
    EXPECT_EQ(t.col(), 0);
    EXPECT_TRUE(t.find_again());
    EXPECT_EQ(t.row(), 1);
    EXPECT_EQ(t.col(), 2);
    EXPECT_TRUE(t.find_again());  // past the last one: from the top
    EXPECT_EQ(t.row(), 0);
    EXPECT_EQ(t.col(), 0);
    EXPECT_FALSE(t.find("ausente"));
    EXPECT_EQ(t.row(), 0);  // the cursor stays
    EXPECT_FALSE(t.find(""));
    // Found from the cursor on: a match before it on the same line comes last.
    LetterText u("ab ab");
    u.go_to(0, 1);
    EXPECT_TRUE(u.find("ab"));
    EXPECT_EQ(u.col(), 3);
    EXPECT_TRUE(u.find_again());
    EXPECT_EQ(u.col(), 0);
    // The only match is where the cursor stands: found again in its place.
    LetterText v("xyz");
    EXPECT_TRUE(v.find("Y"));
    EXPECT_TRUE(v.find_again());
    EXPECT_EQ(v.col(), 1);
}

TEST(LetterText, TheWindowFollowsTheCursorOnlyAsFarAsNeeded) {
    std::string text;
    for (int k = 0; k < 50; ++k) text += std::string(100, 'a') + "\n";
    LetterText t(text);
    t.scroll_into_view(20, 78);
    EXPECT_EQ(t.top_line(), 0);
    t.down(25);
    t.end();
    t.scroll_into_view(20, 78);
    EXPECT_EQ(t.top_line(), 6);
    EXPECT_EQ(t.left_col(), 23);
    t.up(3);
    t.home();
    t.scroll_into_view(20, 78);
    EXPECT_EQ(t.top_line(), 6);  // still inside: no move
    EXPECT_EQ(t.left_col(), 0);
    t.up(20);
    t.scroll_into_view(20, 78);
    EXPECT_EQ(t.top_line(), 2);
}

TEST(LetterPage, TheFormatDialogRefusesNonDigitsAndPagesWithoutLines) {
    std::string why;
    auto p = page_settings_of({" 5", "2", "80", "60", "3", "3"}, &why);
    ASSERT_TRUE(p);
    EXPECT_EQ(*p, (PageSettings{5, 2, 80, 60, 3, 3}));
    EXPECT_EQ(p->text_lines(), 54);
    EXPECT_TRUE(page_settings_of({"0", "0", "136", "66", "0", "0"}, &why)->is_default());
    for (const std::array<std::string, 6>& bad :
         std::vector<std::array<std::string, 6>>{{"5a", "0", "80", "60", "0", "0"},
                                                 {"", "0", "80", "60", "0", "0"},
                                                 {"0", "0", "-8", "60", "0", "0"},
                                                 {"0", "0", "1000", "60", "0", "0"},
                                                 {"0", "0", "80", "6 0", "0", "0"}}) {
        why.clear();
        EXPECT_FALSE(page_settings_of(bad, &why));
        EXPECT_NE(why.find("só com números"), std::string::npos) << why;
    }
    EXPECT_FALSE(page_settings_of({"0", "0", "0", "60", "0", "0"}, &why));
    EXPECT_NE(why.find("largura"), std::string::npos) << why;
    EXPECT_FALSE(page_settings_of({"0", "0", "80", "20", "10", "10"}, &why));
    EXPECT_NE(why.find("não deixam linhas"), std::string::npos) << why;
    // One line left is a page.
    EXPECT_TRUE(page_settings_of({"0", "0", "80", "21", "10", "10"}, &why));
}

}  // namespace
}  // namespace vorn::office
