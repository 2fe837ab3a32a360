// The channels through real programs: fake lp, editor and external program scripts on PATH that
// write down their arguments, a failing lp, an empty print file, the copies' names and the
// external program's argument template.
#include <gtest/gtest.h>

#include "printing/channels.h"
#include "printing/print_file.h"
#include "printing/printer_record.h"
#include "printing_test_util.h"
#include "store/cdx_index.h"
#include "store/opening.h"

namespace vorn::printing {
namespace {

using testing::ScratchDir;
using testing::slurp;

// A scratch working folder with a print file and programs that note their arguments in
// "<name>.args" (one a line) and keep a copy of their last argument in "<name>.last".
struct Bench {
    ScratchDir dir;
    std::string bin = dir.folder() + "bin";
    std::unique_ptr<testing::PathFirst> path;
    SystemProcesses processes;
    ScriptedOperator op;
    Outside outside{processes, op, {}, {}};
    Channel channel;
    int lent = 0;

    Bench() {
        std::filesystem::create_directories(bin);
        path = std::make_unique<testing::PathFirst>(bin);
        for (const char* name : {"lp", "editor", "viewer", "naodos"}) fake(name, 0);
        channel.folder = dir.folder();
        outside.lend_terminal = [this](const std::function<Status()>& run) {
            ++lent;
            return run();
        };
    }
    void fake(const std::string& name, int status) {
        testing::script(bin + "/" + name, "for a in \"$@\"; do echo \"$a\"; last=\"$a\"; done > '" +
                                              dir.folder() + name + ".args'\ncp \"$last\" '" +
                                              dir.folder() + name + ".last'\nexit " +
                                              std::to_string(status) + "\n");
    }
    std::vector<std::string> args(const std::string& name) {
        std::vector<std::string> out;
        std::istringstream in(slurp(dir.folder() + name + ".args"));
        for (std::string l; std::getline(in, l);) out.push_back(l);
        return out;
    }
    std::string print_file(const std::string& text) {
        testing::spit(dir.file("NAO-DOS-00.TXT"), text);
        return dir.file("NAO-DOS-00.TXT");
    }
};

TEST(Channels, ACupsQueueGetsThePdfByLpWithQueueAndTitle) {
    Bench b;
    b.channel.printer = "Escritorio_HP";
    b.channel.commands.lp = "lp";
    const std::string file = b.print_file("linha 1\n\flinha 2\n\f\n");
    EXPECT_EQ(IMP_TXT(file, "Decla-26-12345678909", b.channel, b.outside), Sent::kSent);
    const std::string pdf = b.dir.file("Decla-26-12345678909.pdf");
    EXPECT_EQ(b.args("lp"),
              (std::vector<std::string>{"-d", "Escritorio_HP", "-t", "Decla-26-12345678909", pdf}));
    EXPECT_EQ(slurp(b.dir.file("lp.last")).substr(0, 5), "%PDF-");
    // The final form feed gives no blank page.
    EXPECT_EQ(testing::info(pdf, "Pages"), "2");
    EXPECT_TRUE(b.op.said.empty());
    EXPECT_EQ(b.lent, 0);  // lp does not take the terminal
}

TEST(Channels, ShowingTheTextOpensTheViewerOnThePdfBeforePrinting) {
    Bench b;
    b.channel.printer = "Escritorio_HP";
    b.channel.show_text = true;
    b.channel.commands.viewer = "viewer";
    EXPECT_EQ(IMP_TXT(b.print_file("x\n"), "n", b.channel, b.outside), Sent::kSent);
    EXPECT_EQ(b.args("viewer"), (std::vector<std::string>{b.dir.file("n.pdf")}));
    EXPECT_EQ(b.args("lp").at(1), "Escritorio_HP");
    EXPECT_EQ(b.lent, 1);
}

TEST(Channels, AFailingLpIsToldAndThePrintFileKept) {
    Bench b;
    b.fake("lp", 1);
    b.channel.printer = "Escritorio_HP";
    const std::string file = b.print_file("conteudo\n");
    EXPECT_EQ(IMP_TXT(file, "n", b.channel, b.outside), Sent::kFailed);
    ASSERT_EQ(b.op.said.size(), 1u);
    EXPECT_TRUE(b.op.saw("notice", "ATENÇÃO !!! Não foi possível iniciar a impressão"));
    EXPECT_TRUE(b.op.saw("notice", "Verifique se a Impressora está ligada."));
    EXPECT_TRUE(b.op.saw("notice", "lp terminou com o código 1"));
    EXPECT_EQ(slurp(file), "conteudo\n");
    // A program that is not there at all is told the same way.
    b.channel.commands.lp = "/nonexistent/lp";
    EXPECT_EQ(IMP_TXT(file, "n", b.channel, b.outside), Sent::kFailed);
    EXPECT_TRUE(b.op.saw("notice", "Não foi possível executar /nonexistent/lp"));
}

TEST(Channels, TheExternalProgramGetsTheTextCopyAndThePdfByItsTemplate) {
    Bench b;
    b.channel.printer = "NAO DOS";
    const std::string file = b.print_file("A\xe7\xe3o\n\f");
    // The default: lp on the PDF.
    EXPECT_EQ(IMP_TXT(file, "12345678909", b.channel, b.outside), Sent::kSent);
    EXPECT_EQ(b.args("lp"), (std::vector<std::string>{b.dir.file("12345678909.pdf")}));
    EXPECT_EQ(slurp(b.dir.file("12345678909.txt")), "A\xe7\xe3o\n ");
    EXPECT_EQ(b.lent, 1);
    // A configured program with every placeholder; a program that fails is told.
    b.channel.commands.program = "naodos --texto={txt} {flags} {pdf}";
    b.channel.show_text = b.channel.show_printers = true;
    EXPECT_EQ(IMP_TXT(file, "x", b.channel, b.outside), Sent::kSent);
    EXPECT_EQ(b.args("naodos"), (std::vector<std::string>{"--texto=" + b.dir.file("x.txt"), "96",
                                                          "pre/sel", b.dir.file("x.pdf")}));
    b.fake("naodos", 3);
    EXPECT_EQ(IMP_TXT(file, "x", b.channel, b.outside), Sent::kFailed);
    EXPECT_TRUE(b.op.saw("notice", "Não foi possível iniciar a impressão"));
}

TEST(Channels, WithoutPrinterTheEditorOpensAUtf8Copy) {
    Bench b;
    b.channel.printer = "Sem Impressora";
    b.channel.commands.editor = "editor";
    const std::string file = b.print_file(
        "A\xe7\xe3o \x0f"
        "condensado\x12\n");
    EXPECT_EQ(IMP_TXT(file, "Decla-26-1", b.channel, b.outside), Sent::kSent);
    EXPECT_EQ(b.args("editor"), (std::vector<std::string>{b.dir.file("Decla-26-1.txt")}));
    EXPECT_EQ(slurp(b.dir.file("editor.last")), "Ação condensado\n");
    EXPECT_EQ(b.lent, 1);
}

TEST(Channels, ChoosingBeforePrintingCanSendToTheExternalProgramInstead) {
    Bench b;
    b.channel.printer = "Escritorio_HP";
    b.channel.show_printers = true;
    int asked = 0;
    b.outside.choose_printer = [&] {
        ++asked;
        return std::string("NAO DOS");
    };
    EXPECT_EQ(IMP_TXT(b.print_file("x\n"), "n", b.channel, b.outside), Sent::kSent);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(b.args("lp"), (std::vector<std::string>{b.dir.file("n.pdf")}));
}

TEST(Channels, NothingToPrintIsToldOnlyWhenAsked) {
    Bench b;
    b.channel.printer = "Escritorio_HP";
    const std::string file = b.print_file("");
    EXPECT_EQ(IMP_TXT(file, "n", b.channel, b.outside), Sent::kNothing);
    EXPECT_TRUE(b.op.said.empty());
    b.channel.tell_empty = true;
    EXPECT_EQ(IMP_TXT(file, "n", b.channel, b.outside), Sent::kNothing);
    EXPECT_TRUE(b.op.saw("notice", "Nada para imprimir!!"));
    EXPECT_EQ(IMP_TXT(b.dir.file("missing.TXT"), "n", b.channel, b.outside), Sent::kNothing);
    EXPECT_FALSE(std::filesystem::exists(b.dir.file("lp.args")));
}

TEST(Channels, CopyNamesByReportKind) {
    EXPECT_EQ(copy_name({}, "12345678909", "26"), "12345678909");
    EXPECT_EQ(copy_name(3, "12345678909", "26"), "ARural-26-12345678909");
    EXPECT_EQ(copy_name(4, "1", "26"), "LCaixa-26-1");
    EXPECT_EQ(copy_name(10, "1", "26"), "LCaixa-26-1");
    EXPECT_EQ(copy_name(9, "1", "26"), "Anota-26-1");
    EXPECT_EQ(copy_name(5, "1", "26", "Carta a/b\x01"), "Carta a_b_");
    EXPECT_EQ(copy_name(1, "1", "26"), "Decla-26-1");
}

TEST(Channels, OnlyAFinalFormFeedBecomesABlank) {
    EXPECT_EQ(without_trailing_form_feed("a\n\fb\n\f\n"), "a\n\fb\n \n");
    EXPECT_EQ(without_trailing_form_feed("a\n\f"), "a\n ");
    EXPECT_EQ(without_trailing_form_feed("a\n"), "a\n");
}

TEST(Channels, CommandsComeFromTheEnvironment) {
    std::map<std::string, std::string, std::less<>> env = {
        {"VORN_LP", "lp -o fit"}, {"VORN_NAODOS", " "}, {"EDITOR", "nano"}};
    auto var = [&](std::string_view n) -> std::optional<std::string> {
        auto it = env.find(n);
        return it == env.end() ? std::nullopt : std::optional<std::string>(it->second);
    };
    Commands c = Commands::from(var);
    EXPECT_EQ(c.lp, "lp -o fit");
    EXPECT_EQ(c.program, "lp -o fit {pdf}");
    EXPECT_EQ(c.editor, "nano");
    EXPECT_EQ(c.viewer, "xdg-open");
    env["VORN_EDITOR"] = "gedit";
    env["VORN_NAODOS"] = "imprime {txt}";
    EXPECT_EQ(Commands::from(var).editor, "gedit");
    EXPECT_EQ(Commands::from(var).program, "imprime {txt}");
    EXPECT_EQ(Commands::from([](std::string_view) { return std::nullopt; }).program, "lp {pdf}");
}

// The terminal's printer record: "NAO DOS" without one, made once, a new choice stored under its
// lock with the control strings cleared.
TEST(PrinterRecord, MadeWhenMissingAndAChoiceStoredWithItsStringsCleared) {
    ScratchDir dir;
    ScriptedOperator op;
    ManualClock clock(DateTime{Date(2026, 4, 1), 0});
    store::CdxIndexFiles files(op);
    store::WorkAreas w(store::Env::posix(), op, clock);
    w.index_files = &files;
    w.ARQDEF = w.LOCARQ = dir.folder().substr(0, dir.folder().size() - 1);
    EXPECT_EQ(read_printer(w, "03").NOMEIMP, "NAO DOS");
    ASSERT_TRUE(CRIA_SEQ(w, "03", "PDF"));
    ASSERT_TRUE(CRIA_SEQ(w, "03", "outra"));
    PrinterRecord r = read_printer(w, "03");
    EXPECT_EQ(r.NOMEIMP, "NAO DOS");
    EXPECT_EQ(r.IPADRAO, "PDF");
    EXPECT_EQ(r.SEQ0, "\x12");
    EXPECT_EQ(r.SEQ1, "\x0f");
    ASSERT_TRUE(store_printer(w, "03", "Escritorio_HP"));
    ASSERT_TRUE(store_printer(w, "04", "Sem Impressora"));
    r = read_printer(w, "03");
    EXPECT_EQ(r.NOMEIMP, "Escritorio_HP");
    EXPECT_EQ(r.SEQ0, "");
    EXPECT_EQ(read_printer(w, "04").NOMEIMP, "Sem Impressora");
    EXPECT_TRUE(op.said.empty());
}

}  // namespace
}  // namespace vorn::printing
