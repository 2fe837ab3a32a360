// The client lists and labels through the real program: vorn2026 print --list writing the same
// print file the lists module writes over the folder, its PDF, the selection options, and the
// choices it refuses.
#include <gtest/gtest.h>

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
