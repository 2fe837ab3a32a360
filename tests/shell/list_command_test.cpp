// The client lists and labels through the real program: vorn2026 print --list writing the same
// print file the lists module writes over the folder, its PDF, the selection options, and the
// choices it refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "office.h"
#include "printing/client_lists.h"

namespace vorn::shell {
namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

std::string list(Office& o, const std::string& args, int* status) {
    return run(o.inst, kBinary + " print --folder . " + args + " --now '" + kNow + "' 2>&1",
               status);
}

// Four clients: statuses 0 to 3, the second marked, taxes 0, to pay, refund, to pay.
void clients(int i, tax::Declaration& d) {
    d.set("ESTATUS", Decimal(i));
    d.set("IMPRE", i == 1 ? "S" : "N");
    d.set("NASCIMENTO", Date(1980, 3 + i, 10));
}

// What the lists module writes for the folder with these options.
std::string expected(Office& o, printing::ListOptions lo) {
    printing::PrintWriter w;
    printing::ListResult r;
    EXPECT_FALSE(printing::check_list_options(&lo).has_value());
    const std::string folder = (std::filesystem::weakly_canonical(o.inst.path()) / "").string();
    EXPECT_TRUE(printing::IMPR_CAD(store::Env::posix(), {folder}, lo, {}, w, &r));
    return w.text();
}

TEST(ListCommand, SameBytesAsTheListsAndAReadablePdf) {
    Office o(4, clients);
    int status = 0;
    std::string said = list(o, "--all --list completo --order 2 --txt a.txt --pdf a.pdf", &status);
    ASSERT_EQ(status, 0) << said;
    printing::ListOptions lo;
    lo.model = printing::ListModel::kComplete;
    lo.OPC_IND = 2;
    lo.today = Date(2026, 4, 15);
    const std::string text = slurp(o.inst.path() + "/a.txt");
    EXPECT_EQ(text, expected(o, lo));
    EXPECT_NE(text.find("Total de contribuintes....              4"), std::string::npos);
    said = run(o.inst, "pdftotext a.pdf - 2>&1", &status);
    ASSERT_EQ(status, 0) << "install poppler-utils: " << said;
    EXPECT_NE(said.find("RELACAO TOTAL/COMPLETO DE PESSOAS NA PASTA"), std::string::npos);

    // Labels on standard output, the marked client only, a length of 3 lines raised to 5.
    said = list(o, "--marked --list etiquetas --label 2,1,3,20", &status);
    ASSERT_EQ(status, 0) << said;
    lo = printing::ListOptions();
    lo.QUECON = 2;
    lo.model = printing::ListModel::kLabels;
    lo.labels = {2, 1, 3, 20};
    EXPECT_EQ(said, expected(o, lo));
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 6);  // first line + a 5-line label
}

TEST(ListCommand, FiltersAndOrders) {
    Office o(4, clients);
    int status = 0;
    // Statuses 1 to 2, by status; birthdays March to May in month order; the tax filter.
    const std::string ranged = list(o, "--all --list resumido --order 3 --status 1-2", &status);
    ASSERT_EQ(status, 0) << ranged;
    printing::ListOptions lo;
    lo.OPC_IND = 3;
    lo.all_statuses = false;
    lo.STAT_INIC = 1;
    lo.STAT_FINAL = 2;
    EXPECT_EQ(ranged, expected(o, lo));
    EXPECT_NE(ranged.find("COM OS ESTATUS 1 ATE 2"), std::string::npos);

    const std::string birthdays =
        list(o, "--all --list completo --order 4 --months 3-5 --tax 1", &status);
    ASSERT_EQ(status, 0) << birthdays;
    lo = printing::ListOptions();
    lo.model = printing::ListModel::kComplete;
    lo.OPC_IND = 4;
    lo.MES_INIC = 3;
    lo.MES_FINAL = 5;
    lo.today = Date(2026, 4, 15);
    EXPECT_EQ(birthdays, expected(o, lo));
    EXPECT_NE(birthdays.find("Atencao! Aniversario nesse mes"), std::string::npos);
    EXPECT_EQ(birthdays.find("/06/1980"), std::string::npos);  // June is outside

    const std::string one = list(o, "--cpf " + o.cpf(2) + " --list resumido", &status);
    ASSERT_EQ(status, 0) << one;
    EXPECT_NE(one.find("RELACAO PARCIAL/RESUMIDO"), std::string::npos);
    EXPECT_EQ(one.find("Total de contribuintes"), std::string::npos);
}

TEST(ListCommand, RefusedChoicesAndNothingToPrint) {
    Office o(2, clients);
    int status = 0;
    std::string said = list(o, "--all --list etiquetas --label 0,58,6,60", &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(said.find("Nenhuma etiqueta cabe na página"), std::string::npos) << said;
    said = list(o, "--all --list resumido --months 3-5", &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(said.find("--months só com --order 4"), std::string::npos) << said;
    said = list(o, "--all --list lista", &status);
    EXPECT_EQ(status, 1);
    said = list(o, "--all --list resumido --status 5-2", &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(said.find("Faixa de Estatus inválida"), std::string::npos) << said;

    said = list(o, "--all --list resumido --status 90-99 --txt none.txt", &status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(said.find("Não houve contribuinte nas condições escolhidas"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(o.inst.path() + "/none.txt"));
}

}  // namespace
}  // namespace vorn::shell

namespace vorn::shell {
namespace {

// An office whose external print program is a script recording its arguments.
void fake_lp(Office& o) {
    const std::string bin = o.inst.sub("bin");
    o.environment = "PATH='" + bin + "':\"$PATH\" ";
    std::ofstream(bin + "/lp") << "#!/bin/sh\necho \"$@\" >> '" << o.inst.path() << "/lp.args'\n";
    std::filesystem::permissions(bin + "/lp", std::filesystem::perms::owner_all);
}

// The print selection from the main menu: "Cadastro" (41,12), the sheet type (42,`sheet`), whom
// (44,`who`), then command 51.
std::string cadastro(int sheet, int who) {
    std::string keys = "ALT+S\nENTER\n";
    for (int k = 1; k < 12; ++k) keys += "DOWN\n";
    keys += "ENTER\nALT+S\nDOWN\nENTER\n";
    for (int k = 1; k < sheet; ++k) keys += "DOWN\n";
    keys += "ENTER\nALT+S\nDOWN\nDOWN\nDOWN\nENTER\n";
    for (int k = 1; k < who; ++k) keys += "DOWN\n";
    return keys + "ENTER\nALT+S\nDOWN\nDOWN\nDOWN\nDOWN\nRIGHT\nENTER\n";
}

// The folder's list by name with statuses 1 to 2 and only tax to pay: the print file is the one
// print --list writes, handed to the external program.
TEST(ListsWindow, TheFolderByNameGivesTheBytesOfTheBatchList) {
    Office o(4, clients);
    fake_lp(o);
    // Order 2; "Não": a range of statuses 1 to 2; taxes 1; "Sim": the summary list.
    const std::string keys = cadastro(2, 3) +
                             "text 2\nENTER\ntext N\ntext 01\nENTER\ntext 02\nENTER\n"
                             "text 1\nENTER\ntext S\nsnap\nESC\n";
    const auto screens = snapped(o, keys);
    const std::string menu = slurp(o.inst.path() + "/NAO-DOS.TXT");
    ASSERT_FALSE(menu.empty()) << all(screens);
    int status = 0;
    const std::string batch = list(o, "--all --list resumido --order 2 --status 1-2", &status);
    ASSERT_EQ(status, 0) << batch;
    EXPECT_EQ(menu, batch);
    EXPECT_NE(menu.find("COM OS ESTATUS 1 ATE 2"), std::string::npos);
    EXPECT_NE(slurp(o.inst.path() + "/lp.args").find("NAO-DOS.pdf"), std::string::npos);
}

// The terminal's lines per sheet (command 54, here 50) give the lists their page length: the
// menu's print file is the batch list with --lines 50, its sheets closing with the running count.
TEST(ListsWindow, TheTerminalsLinesPerSheetGiveThePageLength) {
    Office o(60, [](int i, tax::Declaration& d) {
        d.set("ESTATUS", Decimal(i % 4));
        d.set("NASCIMENTO", Date(1980, 1 + i % 12, 10));
    });
    fake_lp(o);
    const std::string lines54 =
        "ALT+S\nDOWN\nDOWN\nDOWN\nDOWN\nRIGHT\nDOWN\nDOWN\nDOWN\nDOWN\nENTER\ntext 50\nENTER\n";
    // Order 1, every status, every tax, the summary list.
    const std::string keys =
        lines54 + cadastro(2, 3) + "text 1\nENTER\ntext S\ntext 1\nENTER\ntext S\nsnap\nESC\n";
    const auto screens = snapped(o, keys);
    const std::string menu = slurp(o.inst.path() + "/NAO-DOS.TXT");
    ASSERT_FALSE(menu.empty()) << all(screens);
    int status = 0;
    const std::string batch = list(o, "--all --list resumido --lines 50", &status);
    ASSERT_EQ(status, 0) << batch;
    EXPECT_EQ(menu, batch);
    EXPECT_NE(menu, list(o, "--all --list resumido", &status));  // 60 lines a sheet
    const size_t sheet = menu.find('\f');
    ASSERT_NE(sheet, std::string::npos);
    EXPECT_EQ(std::count(menu.begin(), menu.begin() + static_cast<long>(sheet), '\n'),
              46);  // 6 heads, 39 clients, the count
}

// Labels for the external program: condensed, then a geometry with no label on a sheet is refused
// and the window stays; the corrected one prints the batch labels. Esc in the window prints
// nothing.
TEST(ListsWindow, LabelGeometryRefusedThenPrintedAndEscCancels) {
    Office o(3, clients);
    fake_lp(o);
    const std::string keys =
        cadastro(1, 3) +
        "text S\ntext 02\nENTER\ntext 58\nENTER\ntext 06\nENTER\ntext 60\nENTER\n"
        "snap\nENTER\n"
        "text 02\nENTER\ntext 01\nENTER\ntext 03\nENTER\ntext 20\nENTER\n"
        "text 1\nENTER\ntext S\ntext 1\nENTER\nESC\n";
    const auto screens = snapped(o, keys);
    ASSERT_EQ(screens.size(), 1u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "Nenhuma etiqueta cabe na página")) << all(screens);
    const std::string menu = slurp(o.inst.path() + "/NAO-DOS.TXT");
    int status = 0;
    const std::string batch =
        list(o, "--all --list etiquetas --label 2,1,3,20 --condensed", &status);
    ASSERT_EQ(status, 0) << batch;
    EXPECT_EQ(menu, batch);

    std::filesystem::remove(o.inst.path() + "/NAO-DOS.TXT");
    (void)snapped(o, cadastro(1, 3) + "text N\nESC\nESC\n");
    EXPECT_FALSE(std::filesystem::exists(o.inst.path() + "/NAO-DOS.TXT"));
}

// The marked clients by birthday, March to May: the month window follows the order, and the
// complete list is the batch one. A status range nobody is in prints nothing and says so.
TEST(ListsWindow, BirthdaysOfTheMarkedAndNothingToPrint) {
    Office o(4, [](int i, tax::Declaration& d) {
        clients(i, d);
        d.set("IMPRE", i != 2 ? "S" : "N");
    });
    fake_lp(o);
    const std::string keys = cadastro(2, 2) +
                             "text 4\nENTER\ntext 3\nENTER\ntext 03\nENTER\ntext 05\nENTER\n"
                             "text S\ntext 1\nENTER\nESC\n";
    const auto screens = snapped(o, keys);
    const std::string menu = slurp(o.inst.path() + "/NAO-DOS.TXT");
    ASSERT_FALSE(menu.empty()) << all(screens);
    int status = 0;
    const std::string batch = list(o, "--marked --list completo --order 4 --months 3-5", &status);
    ASSERT_EQ(status, 0) << batch;
    EXPECT_EQ(menu, batch);
    EXPECT_NE(menu.find("RELACAO PARCIAL/COMPLETO"), std::string::npos);
    EXPECT_NE(menu.find("NASCIDAS ENTRE OS MESES DE MARCO E MAIO"), std::string::npos);
    EXPECT_EQ(menu.find("/05/1980"), std::string::npos);  // May's client is not marked

    std::filesystem::remove(o.inst.path() + "/lp.args");
    const auto none = snapped(o, cadastro(2, 3) +
                                     "text 1\nENTER\ntext N\ntext 90\nENTER\ntext 99\nENTER\n"
                                     "text 1\nENTER\ntext S\nsnap\nENTER\nESC\n");
    ASSERT_EQ(none.size(), 1u) << all(none);
    EXPECT_TRUE(shows(none[0], "Não houve contribuinte nas condições escolhidas")) << all(none);
    EXPECT_EQ(slurp(o.inst.path() + "/NAO-DOS.TXT"), "");
    EXPECT_FALSE(std::filesystem::exists(o.inst.path() + "/lp.args"));  // nothing sent
}

}  // namespace
}  // namespace vorn::shell
