// MENS, AVISOSN, AVISO and the operator on the screen, driven by key scripts.
#include "ui/notices.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "base/text.h"
#include "harness.h"
#include "ui/desktop.h"
#include "ui/windows.h"

namespace vorn::ui {
namespace {

using testing::Harness;

bool shows(Harness& h, const std::string& text) {
    return h.text().find(text) != std::string::npos;
}

TEST(Mens, KindTwoWaitsForOneOfItsKeys) {
    Harness h("text x\ntext q\nDOWN\ntext s\n");
    MensArgs a;
    a.keys = "SN";
    EXPECT_EQ(MENS(h.screen, 2, "Confirma? (S/N)", a), "S");
    EXPECT_EQ(h.backend.steps_left(), 0u);  // x, q and Down were passed over
    Harness e("ESC\n");
    EXPECT_EQ(MENS(e.screen, 2, "Confirma? (S/N)", a), " ");
    EXPECT_EQ(e.text(), Harness("").text());  // the notice is gone
}

TEST(Mens, WhereTheNoticeStandsGolden) {
    Harness h("");
    Screen& s = h.screen;
    s.windows().ENCHETELA("·", "W/B");
    MensArgs a;
    a.window = 1;
    MENS(s, 13, "ends at column 70", a);  // default row 20
    a.window = 2;
    a.row = 2;
    a.column = "E";
    MENS(s, 3, "column E is 2", a);
    a.window = 3;
    a.row = 5;
    a.column = "C";
    a.title = "Centrado";
    MENS(s, 23, "centred, with a title", a);
    a.window = 4;
    a.row = 10;
    a.column = 40;
    a.lines = 2;
    MENS(s, 73, "cut into two equal lines", a);
    EXPECT_EQ(s.windows().get(1).right, 70);
    EXPECT_EQ(s.windows().get(1).top, 20);
    EXPECT_EQ(s.windows().get(2).left, 2);
    testing::expect_golden("mens_positions", h.text());
    for (int w : {4, 2, 1, 3}) s.windows().FECHAJAN(w);
    Harness blank("");
    blank.screen.windows().ENCHETELA("·", "W/B");
    EXPECT_EQ(blank.text(), h.text());
}

TEST(Mens, KindFourAsksAndEscEmptiesTheVariable) {
    Harness h("text sp\nENTER\n");
    std::string uf(2, ' ');
    MensArgs a;
    a.variable = uf;
    EXPECT_EQ(MENS(h.screen, 14, "Informe a UF:", a), "SP");
    EXPECT_EQ(uf, "SP");

    Harness e("text 12\nESC\nESC\nESC\n");
    Decimal n = Decimal(7);
    Date d(2020, 1, 1);
    std::string t = "abc";
    a.variable = n;
    a.picture = "99";
    MENS(e.screen, 4, "Numero:", a);
    EXPECT_EQ(n, Decimal(0));
    a.variable = d;
    a.picture = "@d";
    MENS(e.screen, 4, "Data:", a);
    EXPECT_EQ(d, e.clock.today());
    a.variable = t;
    a.picture.clear();
    MENS(e.screen, 4, "Texto:", a);
    EXPECT_EQ(t, "");
}

TEST(Mens, ModalKindsStatusLineAndItemTitles) {
    Harness h("snap\ntext a\nsnap\nENTER\n");
    MENS(h.screen, 1, "Arquivo em uso");
    EXPECT_EQ(h.backend.beeps(), 2);  // the tone pair
    MensArgs a;
    a.item = "3";
    MENS(h.screen, 19, "Valor sem descrição", a);
    std::string out = h.snaps.str();
    EXPECT_NE(out.find("Arquivo em uso"), std::string::npos);
    EXPECT_NE(out.find(kProgramTitle), std::string::npos);
    EXPECT_NE(out.find("Item 3 dos Bens e Direitos"), std::string::npos);
    EXPECT_THROW(MENS(h.screen, 6, "?"), std::invalid_argument);

    MENS(h.screen, 0, "Gravando a declaração");
    ASSERT_TRUE(h.screen.desktop().main().status_bar);
    EXPECT_EQ(h.screen.desktop().main().status_bar->text(1), "Gravando a declaração");
    EXPECT_EQ(trim(h.row(24)), "Gravando a declaração");
    MENS(h.screen, 0, "");
    EXPECT_EQ(h.screen.desktop().main().status_bar->text(1), std::string(250, ' '));
    EXPECT_EQ(trim(h.row(24)), "");
}

// A full-screen window with its own status bar covers the main one: kind 0 and the operator's
// status texts go to the top-most bar, a dialog without a bar above it changes nothing, and once
// the window is closed they go to the main window's bar again, whose keys line comes back.
TEST(Mens, KindZeroWritesIntoTheBarOfTheActiveWindowThatHasOne) {
    Harness h("");
    Desktop& d = h.screen.desktop();
    LSBDRAW(h.screen, {std::string(250, ' ')});
    d.main().status_bar->idle = "F10 Menu";
    d.draw_bars(d.main());
    auto decl = LDLGSHOW(h.screen, 0, 0, kRows - 1, kCols - 1, "Declaração");
    decl->status_bar = LStatusBar{};
    LDLGSHOW(h.screen, 4, 20, 10, 59, "Municípios");
    ScreenOperator op(h.screen);
    op.status("Salvando IMP01");
    EXPECT_EQ(decl->status_bar->text(1), "Salvando IMP01");
    EXPECT_EQ(trim(d.main().status_bar->text(1)), "");
    EXPECT_NE(h.row(kRows - 2).find("Salvando IMP01"), std::string::npos) << h.row(kRows - 2);
    EXPECT_TRUE(LDLGCLOSE(h.screen));
    MENS(h.screen, 0, "Aguardando outro Terminal carregar dados...");
    EXPECT_NE(h.row(kRows - 2).find("Aguardando outro Terminal"), std::string::npos);
    EXPECT_TRUE(LDLGCLOSE(h.screen));
    EXPECT_EQ(trim(h.row(kRows - 1)), "F10 Menu");
    MENS(h.screen, 0, "Gravando");
    EXPECT_EQ(trim(h.row(kRows - 1)), "Gravando");
}

TEST(Avisosn, EveryKindAnswers) {
    struct Case {
        int kind;
        const char* keys;
        const char* answer;
    } cases[] = {
        {0, "ENTER", ""},       {1, "ENTER", "N"},  {8, "ESC", ""},           {2, "ENTER", "S"},
        {2, "text n", "N"},     {2, "ESC", "N"},    {2, "RIGHT\nENTER", "N"}, {3, "ENTER", "S"},
        {3, "TAB\nENTER", "N"}, {3, "text c", "I"}, {3, "ESC", "I"},          {4, "ENTER", "S"},
        {4, "text n", "N"},     {4, "text F", "F"}, {4, "ESC", "N"},          {5, "text 2", "2"},
        {5, "ESC", "0"},        {7, "text 6", "6"}, {7, "LEFT\nENTER", "6"},
    };
    for (const auto& c : cases) {
        Harness h(c.keys);
        EXPECT_EQ(AVISOSN(h.screen, {"Pergunta"}, c.kind), c.answer) << c.kind << " " << c.keys;
        EXPECT_EQ(h.screen.desktop().window_count(), 1u);
    }
    Harness b("text d\n");
    EXPECT_EQ(AVISOSN(b.screen, {"Qual?"}, 6, {"Um", "Dois"}), "2");
    Harness t("snap\nENTER\nsnap\nENTER\n");
    AVISOSN(t.screen, {"falhou"}, 8);
    AVISOSN(t.screen, {"linha 1\nlinha 2"}, 0);
    EXPECT_NE(t.snaps.str().find(" ERRO "), std::string::npos);
    EXPECT_NE(t.snaps.str().find(" Aviso "), std::string::npos);
    EXPECT_NE(t.snaps.str().find("linha 2"), std::string::npos);
}

TEST(Aviso, WritesInTheHelpColourAndBeepErroPlaysPairs) {
    Harness h("");
    AVISO(h.screen, "Tecle algo");
    EXPECT_EQ(substr_chars(h.row(24), 0, 10), "Tecle algo");
    EXPECT_EQ(h.screen.grid().at(24, 0).attr, 0x70);
    BEEP_ERRO(h.screen, 2);
    EXPECT_EQ(h.backend.beeps(), 8);
}

TEST(ScreenOperator, SpeaksThroughNoticesAndBoxes) {
    Harness h("ENTER\nESC\nRIGHT\nENTER\nESC\nsnap\nESC\n");
    ScreenOperator op(h.screen);
    op.notice(NoticeKind::kError, "Erro", "Arquivo corrompido");
    EXPECT_FALSE(op.yes_no("Aviso", "Continua?", true));  // Esc answers no
    EXPECT_FALSE(op.yes_no("Aviso", "Continua?", true));  // Right moves to "Não"
    EXPECT_EQ(op.choose("Bloqueio", "Registro em uso", {"Tenta", "Desiste"}), -1);
    op.status("Aguardando");
    EXPECT_EQ(trim(h.row(24)), "Aguardando");
    Grid before = h.screen.grid();
    op.progress("Verificando o Arquivo ...");
    op.progress("Indexando ...");
    EXPECT_TRUE(shows(h, "Indexando ..."));
    EXPECT_FALSE(shows(h, "Verificando"));
    op.pause(1);  // the snap is taken while the program waits between retries
    EXPECT_NE(h.snaps.str().find("Indexando ..."), std::string::npos);
    EXPECT_TRUE(op.esc_pressed());
    op.progress_done();
    EXPECT_EQ(before, h.screen.grid());
}

// The text literals of the program's sources that read as words (a blank in them), each once.
std::vector<std::string> program_texts() {
    namespace fs = std::filesystem;
    std::set<std::string> out;
    const std::regex literal(R"re("((?:[^"\\\n]|\\.)*)")re");
    for (const auto& e : fs::recursive_directory_iterator(std::string(VORN_SOURCE_DIR) + "/src")) {
        const std::string ext = e.path().extension().string();
        if (ext != ".cpp" && ext != ".h") continue;
        std::ifstream in(e.path());
        std::stringstream all;
        all << in.rdbuf();
        const std::string code = all.str();
        for (std::sregex_iterator it(code.begin(), code.end(), literal), end; it != end; ++it) {
            std::string t = (*it)[1].str();
            if (t.find('\\') == std::string::npos && t.find(' ') != std::string::npos &&
                !trim(t).empty())
                out.insert(t);
        }
    }
    return {out.begin(), out.end()};
}

// A screen or a text without blanks and frames: what a reader reads, in order.
std::string read_as_text(const std::string& screen) {
    std::string out;
    for (char32_t c : to_u32(screen))
        if (c != U' ' && c != U'\n' && !(c >= 0x2500 && c <= 0x257F)) append_utf8(out, c);
    return out;
}

TEST(Notices, EveryTextOfTheProgramReadsWholeInAMessageBoxAndANotice) {
    const std::vector<std::string> texts = program_texts();
    ASSERT_GT(texts.size(), 500u);
    std::string script;
    for (size_t i = 0; i < texts.size(); ++i) script += "snap\nESC\n";
    Harness h(script);
    for (const auto& t : texts)
        show_message(h.screen, {{t}, {"&Sim", "&Não"}, 1, "Aviso", {}, Icon::kQuestion, true});
    const std::string all = h.snaps.str();
    size_t at = 0;
    for (const auto& t : texts) {
        size_t end = all.find("----\n", at);
        ASSERT_NE(end, std::string::npos);
        EXPECT_NE(read_as_text(all.substr(at, end - at)).find(read_as_text(t)), std::string::npos)
            << "cut: \"" << t << "\"";
        at = end + 5;
    }
    // The notices that stay on screen in a text window.
    Harness n("");
    MensArgs a;
    a.column = "C";
    a.row = 2;
    for (const auto& t : texts) {
        MENS(n.screen, 13, t, a);
        EXPECT_NE(read_as_text(n.text()).find(read_as_text(t)), std::string::npos)
            << "cut: \"" << t << "\"";
        n.screen.windows().FECHAJAN(10);
    }
}

}  // namespace
}  // namespace vorn::ui
