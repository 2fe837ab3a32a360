// The declaration printout through the real program: vorn2026 print writing the text and the
// PDF (read back by pdfinfo and pdftotext), one copy per client, unknown folders and CPFs, and
// command 51 of the menu writing the same print file and handing it to the external program.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "gains_generator.h"
#include "office.h"
#include "store/catalogue.h"
#include "store/dbf.h"
#include "store/declaration.h"

namespace vorn::shell {
namespace {

namespace fs = std::filesystem;

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

// A poppler tool over a PDF; the test fails when it is missing.
std::string poppler(Office& o, const std::string& command) {
    int status = 0;
    (void)run(o.inst, "command -v " + command.substr(0, command.find(' ')) + " >/dev/null",
              &status);
    EXPECT_EQ(status, 0) << command << ": install poppler-utils";
    std::string out = run(o.inst, command, &status);
    EXPECT_EQ(status, 0) << command;
    return out;
}

std::string print(Office& o, const std::string& args, int* status) {
    return run(o.inst, kBinary + " print --folder . " + args + " --now '" + kNow + "' 2>&1",
               status);
}

std::string print_cpf_text(const std::string& cpf) {
    return cpf.substr(0, 3) + "." + cpf.substr(3, 3) + "." + cpf.substr(6, 3) + "-" + cpf.substr(9);
}

TEST(PrintCommand, TextAndPdfOfAFolderReadBackByPoppler) {
    Office o(3);
    const std::string cpf = o.cpf(1);
    int status = 0;
    const std::string said =
        print(o, "--cpf " + cpf + " --pages 2 --txt a.txt --pdf a.pdf", &status);
    ASSERT_EQ(status, 0) << said;
    const std::string text = slurp(o.inst.path() + "/a.txt");
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.find("CALCULO DA MALHA FINA IR PESSOA FISICA 2026/2025"), std::string::npos);
    const long feeds = std::count(text.begin(), text.end(), '\f');
    const std::string info = poppler(o, "pdfinfo a.pdf");
    const size_t pages = info.find("Pages:");
    ASSERT_NE(pages, std::string::npos) << info;
    EXPECT_EQ(std::stol(info.substr(pages + 6)), feeds + 1) << info;
    EXPECT_NE(info.find("595.276 x 841.89 pts (A4)"), std::string::npos) << info;
    // The PDF's text is the print file's, line by line.
    const std::string layout = poppler(o, "pdftotext -layout a.pdf -");
    for (const char* line : {"IMPOSTO DE RENDA - PESSOA FISICA", "RESUMO",
                             "RENDIMENTOS ISENTOS E NAO-TRIBUTAVEIS", "TOTAL DOS GASTOS"})
        EXPECT_NE(layout.find(line), std::string::npos) << line;

    // Nothing in the folder changed: no in-use mark, no file written.
    std::map<std::string, std::string> before;
    for (const auto& e : fs::directory_iterator(o.inst.path()))
        if (e.path().extension() == ".DBF" || e.path().extension() == ".dbf")
            before[e.path().filename().string()] = slurp(e.path().string());
    (void)print(o, "--all --pages 1 --txt b.txt", &status);
    EXPECT_EQ(status, 0);
    for (const auto& [name, bytes] : before)
        EXPECT_EQ(slurp(o.inst.path() + "/" + name), bytes) << name;
    EXPECT_EQ(o.dbfread(9)[cpf]["NUSUAT"], "");
}

TEST(PrintCommand, OneCopyPerClientAndTheirConcatenation) {
    Office o(3, [](int i, tax::Declaration& d) {
        d.registry.set("NOMECONTR", std::vector<std::string>{"ANA MARIA SOUZA", "JOSE DA SILVA",
                                                             "PEDRO"}[static_cast<size_t>(i)]);
        d.registry.set("IMPRE", i == 1 ? "" : "S");
    });
    fs::create_directories(o.inst.path() + "/copias");
    int status = 0;
    const std::string said = print(o, "--all --pages 10 --per-cpf copias", &status);
    ASSERT_EQ(status, 0) << said;
    const std::string dir = o.inst.path() + "/copias/";
    const std::string names[] = {o.cpf(0) + "ANA SOUZA", o.cpf(1) + "JOSE SILVA",
                                 o.cpf(2) + "PEDRO"};
    std::string joined;
    for (const auto& n : names) {
        ASSERT_TRUE(fs::exists(dir + n + ".TXT")) << n;
        ASSERT_TRUE(fs::exists(dir + n + ".pdf")) << n;
        const std::string part = slurp(dir + n + ".TXT");
        EXPECT_NE(part.find("RESUMO  - "), std::string::npos);
        EXPECT_EQ(part.find('\f'), std::string::npos) << "one summary page per client";
        joined += part;
    }
    EXPECT_EQ(slurp(dir + "NAO-DOS.TXT"), joined);

    // The marked ones only.
    const std::string marked = print(o, "--marked --pages 10", &status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(marked.find("ANA MARIA SOUZA"), std::string::npos);
    EXPECT_EQ(marked.find("JOSE DA SILVA"), std::string::npos);
    EXPECT_NE(marked.find("PEDRO"), std::string::npos);
}

TEST(PrintCommand, UnknownFolderOrCpfIsToldWithStatusOne) {
    Office o(1);
    int status = 0;
    std::string said = run(o.inst, kBinary + " print --folder nada --all --pages 1 2>&1", &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(said.find("pasta não encontrada"), std::string::npos) << said;
    said = print(o, "--cpf 52998224725 --pages 1", &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(said.find("CPF 52998224725 não encontrado"), std::string::npos) << said;
    said = print(o, "--all --pages 12", &status);
    EXPECT_EQ(status, 1);
}

// The print selection (what, which pages, whom) and command 51 through the chooser: the print file
// is the one vorn2026 print writes, handed to the external program of the "NAO DOS" channel.
TEST(PrintMenu, SelectedItemsThroughTheChooserGoToTheExternalProgram) {
    Office o(2);
    const std::string bin = o.inst.sub("bin");
    o.environment = "PATH='" + bin + "':\"$PATH\" ";
    {
        std::ofstream lp(bin + "/lp");
        lp << "#!/bin/sh\necho \"$@\" > '" << o.inst.path() << "/lp.args'\n";
    }
    fs::permissions(bin + "/lp", fs::perms::owner_all);
    const std::string cpf = o.cpf(1);
    // 41,2 the declaration; 43,10 the summary without the balance; 44,1 one client; then 51.
    const std::string keys =
        "ALT+S\nENTER\nDOWN\nENTER\n"
        "ALT+S\nDOWN\nDOWN\nENTER\nEND\nUP\nENTER\n"
        "ALT+S\nDOWN\nDOWN\nDOWN\nENTER\nENTER\n"
        "ALT+S\nDOWN\nDOWN\nDOWN\nDOWN\nRIGHT\nENTER\n"
        "text " +
        cpf + "\nENTER\nsnap\nESC\n";
    const auto screens = snapped(o, keys);
    const std::string menu = slurp(o.inst.path() + "/NAO-DOS.TXT");
    ASSERT_FALSE(menu.empty()) << all(screens);
    int status = 0;
    (void)print(o, "--cpf " + cpf + " --pages 10 --txt batch.txt", &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(menu, slurp(o.inst.path() + "/batch.txt"));
    EXPECT_NE(slurp(o.inst.path() + "/lp.args").find("Decla-26-" + cpf + ".pdf"),
              std::string::npos);
}

// An office whose external print program is a script recording its arguments.
void fake_lp(Office& o) {
    const std::string bin = o.inst.sub("bin");
    o.environment = "PATH='" + bin + "':\"$PATH\" ";
    std::ofstream(bin + "/lp") << "#!/bin/sh\necho \"$@\" >> '" << o.inst.path() << "/lp.args'\n";
    fs::permissions(bin + "/lp", fs::perms::owner_all);
}

// Keys of the print selection from the main menu: the declaration (41,2), the summary without the
// balance (43,10), whom (44,`who`), then command 51.
std::string select_and_print(int who) {
    std::string keys =
        "ALT+S\nENTER\nDOWN\nENTER\nALT+S\nDOWN\nDOWN\nENTER\nEND\nUP\nENTER\n"
        "ALT+S\nDOWN\nDOWN\nDOWN\nENTER\n";
    for (int k = 1; k < who; ++k) keys += "DOWN\n";
    return keys + "ENTER\nALT+S\nDOWN\nDOWN\nDOWN\nDOWN\nRIGHT\nENTER\n";
}

// Every folder of the terminal's list: one whose registry cannot be read is named, the others
// print.
TEST(PrintMenu, AllFoldersNameTheOneThatCannotBeRead) {
    Office o(2);
    fake_lp(o);
    const std::string empty = o.inst.sub("vazia"), other = o.inst.sub("outra");
    tax::Declaration client = tax::Declaration::blank("52998224725");
    client.set("NOMECONTR", "CLIENTE DA OUTRA PASTA");
    ManualClock clock(DateTime{Date(2026, 4, 1), 0});
    ASSERT_TRUE(tax::write_folder(store::Env::posix(), other, {client}, &clock).is_ok());
    snapped(o, "");  // the terminal's folder list made
    {
        std::unique_ptr<store::Table> list;
        const std::string path =
            store::find_file(store::Env::posix(), o.inst.path(), "DIRET01.DBF");
        ASSERT_TRUE(store::Table::open(store::Env::posix(), path, {}, &list).is_ok());
        for (const std::string& folder : {empty, other}) {
            store::Record r(store::table_def(50)->layout);
            r.set("DIRETOR", folder);
            r.set("SELEC", "N");
            ASSERT_TRUE(list->append(&r).is_ok());
        }
        ASSERT_TRUE(list->close().is_ok());
        fs::remove(store::find_file(store::Env::posix(), o.inst.path(), "DIRET01.CDX"));
    }
    const auto screens = snapped(o, select_and_print(4) + "snap\nENTER\n");
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_TRUE(shows(screens[0], "Não foi possível ler a pasta")) << all(screens);
    EXPECT_TRUE(shows(screens[0], empty)) << all(screens);
    const std::string text = slurp(o.inst.path() + "/NAO-DOS.TXT");
    for (const auto& d : o.declarations)
        EXPECT_NE(text.find(print_cpf_text(d.cpf())), std::string::npos);
    EXPECT_NE(text.find("CLIENTE DA OUTRA PASTA"), std::string::npos);
}

// A copy per client (MOSCPF) of the whole folder while one client's declaration was left open on
// this terminal: the copies are named by CPF and name, the print file is their concatenation, and
// the unfinished work and its in-use mark stay as they were.
TEST(PrintMenu, CopiesPerClientLeaveAnUnfinishedDeclarationAlone) {
    Office o(3);
    fake_lp(o);
    const std::string open_cpf = o.cpf(0);
    // Left open: the script ends inside the declaration.
    EXPECT_EQ(o.program("01", "ALT+I\ntext " + open_cpf + "\nENTER\n"), 3);
    std::map<std::string, std::string> work;
    for (const auto& e : fs::directory_iterator(o.inst.path()))
        if (e.path().filename().string().rfind("TMP_", 0) == 0 ||
            e.path().filename().string().rfind("tmp_", 0) == 0)
            work[e.path().filename().string()] = slurp(e.path().string());
    ASSERT_FALSE(work.empty());
    const std::string mark = o.dbfread(9)[open_cpf]["NUSUAT"];
    ASSERT_EQ(mark, "01");

    // 46,3 "Cria uma cópia (TXT)": Sim; 47: two copies.
    const auto screens =
        snapped(o,
                "ENTER\nALT+S\nDOWN\nDOWN\nDOWN\nDOWN\nDOWN\nDOWN\nDOWN\nENTER\nENTER\n"
                "ALT+S\nDOWN\nDOWN\nDOWN\nDOWN\nDOWN\nDOWN\nDOWN\nDOWN\nENTER\ntext 2\nENTER\n" +
                    select_and_print(3));
    std::string joined;
    for (const auto& d : o.declarations) {
        const std::string name = trim(d.str("NOMECONTR"));
        const std::string first = name.substr(0, name.find(' '));
        const std::string last = name.substr(name.rfind(' ') + 1);
        const std::string copy = o.inst.path() + "/" + d.cpf() + first + " " + last + ".TXT";
        ASSERT_TRUE(fs::exists(copy)) << copy << all(screens);
        joined += slurp(copy);
    }
    EXPECT_EQ(slurp(o.inst.path() + "/NAO-DOS.TXT"), joined);
    for (const auto& [name, bytes] : work)
        EXPECT_EQ(slurp(o.inst.path() + "/" + name), bytes) << name;
    EXPECT_EQ(o.dbfread(9)[open_cpf]["NUSUAT"], "01");
    // Two copies: the external program ran twice.
    const std::string args = slurp(o.inst.path() + "/lp.args");
    EXPECT_EQ(std::count(args.begin(), args.end(), '\n'), 2) << args;
}

}  // namespace
}  // namespace vorn::shell

namespace vorn::shell {
namespace {

// Print item 6 "Ganho de capital" for the whole folder (44,3), option 5 (every gain) taken at its
// default: the print file is the report gains --report writes for the one client with gains, and
// it goes to the external program.
TEST(PrintMenu, CapitalGainsItemPrintsTheGainsReport) {
    Office o(2);
    fake_lp(o);
    bench::GainsGenerator gains(7);
    std::vector<store::Record> t7, t8;
    gains.add(0, o.declarations[0], t7, t8);
    ManualClock clock(DateTime{Date(2026, 4, 1), 0});
    store::Env& env = store::Env::posix();
    for (auto [number, rows] : {std::pair{7, &t7}, {8, &t8}}) {
        const auto* def = store::table_def(number);
        ASSERT_TRUE(store::Table::create(env, store::data_table_path(env, o.inst.path(), number),
                                         *def->layout, *rows, &clock, true)
                        .is_ok());
    }
    std::string keys = "ALT+S\nENTER\n";
    for (int k = 1; k < 6; ++k) keys += "DOWN\n";
    keys +=
        "ENTER\nALT+S\nDOWN\nDOWN\nDOWN\nENTER\nDOWN\nDOWN\nENTER\n"
        "ALT+S\nDOWN\nDOWN\nDOWN\nDOWN\nRIGHT\nENTER\nsnap\nENTER\n";
    const auto screens = snapped(o, keys);
    ASSERT_FALSE(screens.empty());
    EXPECT_TRUE(shows(screens[0], "Escolha os ganhos a imprimir")) << all(screens);
    const std::string menu = slurp(o.inst.path() + "/NAO-DOS.TXT");
    ASSERT_FALSE(menu.empty()) << all(screens);
    EXPECT_NE(menu.find("DEMONSTRATIVO DA APURACAO DOS GANHOS DE CAPITAL N.01"), std::string::npos);

    fs::create_directories(o.inst.path() + "/rel");
    int status = 0;
    const std::string said =
        run(o.inst,
            kBinary + " gains --folder . --all --report rel --now '" + kNow + "' >/dev/null 2>&1",
            &status);
    ASSERT_EQ(status, 0) << said;
    EXPECT_EQ(menu, slurp(o.inst.path() + "/rel/" + o.cpf(0) + "-GANHOS.TXT"));
    EXPECT_FALSE(fs::exists(o.inst.path() + "/rel/" + o.cpf(1) + "-GANHOS.TXT"));
    EXPECT_NE(slurp(o.inst.path() + "/lp.args").find(o.cpf(0)), std::string::npos);
}

// Item 6 for one client through the chooser: the option of real estate, the number prompt, the
// property printed, "Imprime outro ganho?" answered no.
TEST(PrintMenu, CapitalGainsOfOneClientAskTheGainsNumber) {
    Office o(1);
    fake_lp(o);
    bench::GainsGenerator gains(7);
    std::vector<store::Record> t7, t8;
    gains.add(0, o.declarations[0], t7, t8);
    ManualClock clock(DateTime{Date(2026, 4, 1), 0});
    store::Env& env = store::Env::posix();
    for (auto [number, rows] : {std::pair{7, &t7}, {8, &t8}}) {
        const auto* def = store::table_def(number);
        ASSERT_TRUE(store::Table::create(env, store::data_table_path(env, o.inst.path(), number),
                                         *def->layout, *rows, &clock, true)
                        .is_ok());
    }
    std::string keys = "ALT+S\nENTER\n";
    for (int k = 1; k < 6; ++k) keys += "DOWN\n";
    keys +=
        "ENTER\nALT+S\nDOWN\nDOWN\nDOWN\nENTER\nENTER\n"
        "ALT+S\nDOWN\nDOWN\nDOWN\nDOWN\nRIGHT\nENTER\ntext " +
        o.cpf(0) +
        "\nENTER\nsnap\ntext 1\nENTER\nsnap\ntext "
        "1\nENTER\nsnap\nRIGHT\nENTER\nsnap\nESC\n";
    const auto screens = snapped(o, keys);
    ASSERT_EQ(screens.size(), 4u) << all(screens);
    EXPECT_TRUE(shows(screens[1], "Nro. do Ganho de Imóveis a ser impresso (0 todos)"))
        << all(screens);
    EXPECT_TRUE(shows(screens[2], "Imprime outro ganho?")) << all(screens);
    const std::string text = slurp(o.inst.path() + "/NAO-DOS.TXT");
    EXPECT_NE(text.find("DEMONSTRATIVO DA APURACAO DOS GANHOS DE CAPITAL N.01\nBENS IMOVEIS"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("CAPITAL N.02"), std::string::npos);
    EXPECT_NE(text.find("CALCULO DO IMPOSTO - ALIENACAO A PRAZO"), std::string::npos);
    EXPECT_NE(slurp(o.inst.path() + "/lp.args").find(o.cpf(0)), std::string::npos);
}

}  // namespace
}  // namespace vorn::shell
