// The gains batch command and calc over a folder holding capital gains and variable income:
// the gains recomputed from their records, the statements loaded, the totals in calc's summary
// lines, and no file changed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "gains/gain.h"
#include "gains/statement.h"
#include "records.h"
#include "shell/commands.h"
#include "store/catalogue.h"
#include "store/dbf.h"
#include "tax/folder.h"

namespace vorn::gains {
namespace {

namespace fs = std::filesystem;
using testing::cost;
using testing::D;
using testing::gain;
using testing::kDeclarant;

constexpr const char* kDependant = "52998224725";

struct Output {
    int status = 0;
    std::string out, err;
};

Output run(int (*command)(int, char**), std::vector<std::string> args) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    std::ostringstream out, err;
    auto* old_out = std::cout.rdbuf(out.rdbuf());
    auto* old_err = std::cerr.rdbuf(err.rdbuf());
    Output o;
    o.status = command(static_cast<int>(argv.size()), argv.data());
    std::cout.rdbuf(old_out);
    std::cerr.rdbuf(old_err);
    o.out = out.str();
    o.err = err.str();
    return o;
}

std::map<std::string, std::string> file_bytes(const fs::path& dir) {
    std::map<std::string, std::string> m;
    for (const auto& e : fs::directory_iterator(dir)) {
        std::ifstream f(e.path(), std::ios::binary);
        m[e.path().filename().string()] = std::string(std::istreambuf_iterator<char>(f), {});
    }
    return m;
}

std::string value_of(const std::string& out, const std::string& name) {
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(name + "=", 0) == 0) return line.substr(name.size() + 1);
    return "(none)";
}

class GainsCommand : public ::testing::Test {
  protected:
    void SetUp() override { write(false); }
    // The folder; with `computed` the gains hold their figures as the entry screen stores them.
    void write(bool computed) {
        dir = fs::path(VORN_BINARY_DIR) / "gains_command_test" /
              ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(dir);
        fs::create_directories(dir);
        tax::Declaration d = tax::Declaration::blank(kDeclarant);
        d.registry.set("NOMECONTR", "FULANO DE TAL");
        ManualClock clock(DateTime{Date(2026, 3, 1), 0});
        ASSERT_TRUE(tax::write_folder(store::Env::posix(), dir.string(), {d}, &clock));

        // Answers and amounts typed (the gains command computes the figures from them).
        std::vector<store::Record> t7{gain({{"BEM_NRO", "1"},
                                            {"TIPO_BEM", "1"},
                                            {"DATA_ADQ", "10/03/1985"},
                                            {"DATA_ALI", "15/06/2025"},
                                            {"VAL_ALI", "800000.00"},
                                            {"VAL_CORR", "40000.00"},
                                            {"PARCOMPRA", "S"}}),
                                      gain({{"BEM_NRO", "2"},
                                            {"TIPO_BEM", "3"},
                                            {"TIPOPART", "1"},
                                            {"PARCOMPRA", "S"},
                                            {"DATA_ALI", "10/04/2025"},
                                            {"VAL_ALI", "2100.00"}}),
                                      gain({{"BEM_NRO", "3"},
                                            {"TIPO_BEM", "2"},
                                            {"BEMBRASIL", "N"},
                                            {"DATA_ALI", "20/05/2025"},
                                            {"VALALIUS", "30000.00"},
                                            {"DOLARVEN", "5.0000"},
                                            {"DOLARAQU", "4.0000"},
                                            {"AQUI_BR", "10000.00"},
                                            {"AQUI_US", "10000.00"}}),
                                      gain({{"BEM_NRO", "4"},
                                            {"TIPO_BEM", "2"},
                                            {"CPFALIEN", kDependant},
                                            {"DATA_ALI", "01/03/2025"},
                                            {"VAL_ALI", "30000.00"},
                                            {"CUS_ATUAL", "25000.00"},
                                            {"PEQ_VALOR", "S"}}),
                                      gain({{"BEM_NRO", "5"},
                                            {"TIPO_BEM", "1"},
                                            {"DATA_ADQ", "15/03/2010"},
                                            {"DATA_ALI", "10/10/2024"},
                                            {"VAL_ALI", "500000.00"},
                                            {"VAL_CORR", "20000.00"},
                                            {"CUS_ATUAL", "200000.00"},
                                            {"VENDAANT", "S"},
                                            {"VEN_PRAZO", "S"},
                                            {"VAL_ANTE", "100000.00"},
                                            {"CORR_ANTE", "20000.00"},
                                            {"VAL_DIFE", "400000.00"},
                                            {"REC_MES03", "200000.00"}})};
        std::vector<store::Record> t8{
            cost({{"BEM_NRO", "1"}, {"VALOR_CUST", "50000.00"}, {"DATA_CUST", "10/03/1985"}}),
            cost({{"BEM_NRO", "1"}, {"VALOR_CUST", "30000.00"}, {"DATA_CUST", "20/08/2010"}})};
        for (auto [date, type, qty, value] : {std::tuple{"05/01/2025", "1", "100", "1000.00"},
                                              {"05/02/2025", "3", "50", "0"},
                                              {"05/03/2025", "1", "100", "2000.00"},
                                              {"10/04/2025", "3", "50", "0"}})
            t8.push_back(cost({{"BEM_NRO", "2"},
                               {"DATA_CUST", date},
                               {"TIPO_OPER", type},
                               {"MOV_ACAO", qty},
                               {"VALOR_CUST", value}}));

        // Statements: the declarant's common operations and day trade, a dependant's fund.
        Statement st;
        ZER_RENVAR(st, kDayTrade);
        st.at(1, 3) = D("1000.00");
        st.at(21, 3) = D("10.00");
        SOMA_RENVAR(st);
        GRAVA_RV(st, kDeclarant, t7);
        ZER_RENVAR(st, kCommon);
        st.at(1, 1) = D("-1000.00");
        st.at(1, 2) = D("600.00");
        st.at(1, 3) = D("2000.00");
        st.at(24, 3) = D("2.00");
        st.at(28, 4) = D("428.00");
        SOMA_RENVAR(st);
        GRAVA_RV(st, kDeclarant, t7);
        ZER_RENVAR(st, kFund);
        st.dependant = kDependant;
        st.at(1, 1) = D("-500.00");
        st.at(1, 2) = D("2000.00");
        st.at(7, 2) = D("5.00");
        SOMA_RENVAR(st);
        GRAVA_RV(st, kDeclarant, t7);

        if (computed) {
            Settings s;
            s.declarant_cpf = kDeclarant;
            ScriptedOperator op;
            for (store::Record* g : gains_of(t7)) {
                std::vector<store::Record*> costs = costs_of(*g, t8);
                compute_gain(*g, costs, s, op);
            }
        }
        for (auto [n, rows] : {std::pair{7, &t7}, {8, &t8}}) {
            const std::string path = (dir / (store::table_def(n)->file_base("") + ".DBF")).string();
            ASSERT_TRUE(store::Table::create(store::Env::posix(), path,
                                             *store::table_def(n)->layout, *rows, &clock, true));
        }
    }
    fs::path dir;
};

TEST_F(GainsCommand, PrintsEveryGainAndStatementAsGolden) {
    const auto before = file_bytes(dir);
    Output o = run(run_gains_command, {"gains", "--folder", dir.string(), "--cpf", kDeclarant,
                                       "--now", "2026-04-15 10:00:00"});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(file_bytes(dir), before);
    // The hand-worked figures of the flat with its renovation row and of the shares.
    EXPECT_NE(o.out.find("BEM_NRO=01\nCPFALIEN=11144477735\nTIPO_BEM=1\nDATA_ALI=15/06/2025\n"
                         "G=680000.00\nR=85000.00\nFATOR1=173152.68\nFATOR2=212004.37\n"),
              std::string::npos)
        << o.out;
    EXPECT_NE(o.out.find("VAL_TRIBU=209842.95\nVAL_IMPOSV=31476.44\n"), std::string::npos);
    EXPECT_NE(o.out.find("BEM_NRO=02\nCPFALIEN=11144477735\nTIPO_BEM=3\nDATA_ALI=10/04/2025\n"
                         "G=766.67\n"),
              std::string::npos);
    EXPECT_NE(o.out.find("LINHA27=0.00;0.00;428.00;"), std::string::npos);
    EXPECT_NE(o.out.find("RVAR=3 CPF_DEPE=52998224725\n"), std::string::npos);
    EXPECT_NE(o.out.find("LINHA09=0.00;295.00;"), std::string::npos);

    const fs::path golden = fs::path(VORN_SOURCE_DIR) / "tests/data/gains/gains.txt";
    if (std::getenv("UPDATE_GOLDEN")) {
        fs::create_directories(golden.parent_path());
        std::ofstream(golden, std::ios::binary) << o.out;
    }
    std::ifstream in(golden, std::ios::binary);
    ASSERT_TRUE(in) << "golden file missing: " << golden << " (run with UPDATE_GOLDEN=1)";
    EXPECT_EQ(o.out, std::string(std::istreambuf_iterator<char>(in), {}));
}

TEST_F(GainsCommand, ReportWritesTheDeclarationsFileAsGolden) {
    const fs::path reports = dir.parent_path() / "ReportWritesTheDeclarationsFile.out";
    fs::remove_all(reports);
    fs::create_directories(reports);
    const auto before = file_bytes(dir);
    Output o = run(run_gains_command, {"gains", "--folder", dir.string(), "--all", "--report",
                                       reports.string(), "--now", "2026-04-15 10:00:00"});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(file_bytes(dir), before);
    // The standard output is the same as without --report.
    Output plain = run(run_gains_command, {"gains", "--folder", dir.string(), "--all", "--now",
                                           "2026-04-15 10:00:00"});
    EXPECT_EQ(o.out, plain.out);
    const auto files = file_bytes(reports);
    ASSERT_EQ(files.size(), 1u);
    const std::string& text = files.begin()->second;
    EXPECT_EQ(files.begin()->first, std::string(kDeclarant) + "-GANHOS.TXT");
    // Five gains, each on its own sheets, every sheet under its title; the flat's figures as the
    // command prints them.
    size_t titles = 0;
    for (size_t p = 0; (p = text.find("DEMONSTRATIVO DA APURACAO", p)) != std::string::npos; ++p)
        ++titles;
    EXPECT_EQ(static_cast<size_t>(std::count(text.begin(), text.end(), '\f')) + 1, titles);
    for (const char* n : {"N.01", "N.02", "N.03", "N.04", "N.05"})
        EXPECT_NE(text.find(std::string("DEMONSTRATIVO DA APURACAO DOS GANHOS DE CAPITAL ") + n),
                  std::string::npos)
            << n;
    EXPECT_NE(text.find("209.842,95"), std::string::npos);
    EXPECT_NE(text.find("Nome: FULANO DE TAL"), std::string::npos);

    const fs::path golden = fs::path(VORN_SOURCE_DIR) / "tests/data/gains/gains_report.TXT";
    if (std::getenv("UPDATE_GOLDEN")) std::ofstream(golden, std::ios::binary) << text;
    std::ifstream in(golden, std::ios::binary);
    ASSERT_TRUE(in) << "golden file missing: " << golden << " (run with UPDATE_GOLDEN=1)";
    EXPECT_EQ(text, std::string(std::istreambuf_iterator<char>(in), {}));

    // A report folder that does not exist is refused before anything is printed.
    o = run(run_gains_command, {"gains", "--folder", dir.string(), "--all", "--report",
                                (reports / "missing").string()});
    EXPECT_EQ(o.status, 1);
    EXPECT_TRUE(o.out.empty());
    EXPECT_NE(o.err.find("pasta não encontrada"), std::string::npos);
}

TEST_F(GainsCommand, XmlWritesTheDocumentsGainsPartsAsGolden) {
    const fs::path out = dir.parent_path() / "XmlWritesTheDocumentsGainsParts.out";
    fs::remove_all(out);
    fs::create_directories(out);
    const auto before = file_bytes(dir);
    Output o = run(run_gains_command,
                   {"gains", "--folder", dir.string(), "--all", "--xml", out.string(), "--now",
                    "2026-04-15 10:00:00", "--install", VORN_BINARY_DIR "/ref"});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(file_bytes(dir), before);
    const auto files = file_bytes(out);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files.begin()->first, std::string(kDeclarant) + "-GANHOS.XML");
    const std::string& xml = files.begin()->second;
    // The variable-income part, then the gains section with its five gains.
    EXPECT_LT(xml.find("<rendaVariavel"), xml.find("<gcap>"));
    EXPECT_EQ(xml.rfind("<ganhosCapital>", 0), 0u);
    EXPECT_EQ(
        std::system(("xmllint --noout '" + (out / files.begin()->first).string() + "'").c_str()),
        0);
    const fs::path golden = fs::path(VORN_SOURCE_DIR) / "tests/data/gains/gains_parts.xml";
    if (std::getenv("UPDATE_GOLDEN")) std::ofstream(golden, std::ios::binary) << xml;
    std::ifstream in(golden, std::ios::binary);
    ASSERT_TRUE(in) << "golden file missing: " << golden << " (run with UPDATE_GOLDEN=1)";
    EXPECT_EQ(xml, std::string(std::istreambuf_iterator<char>(in), {}));
}

TEST_F(GainsCommand, CalcTakesTheTotals) {
    Output o = run(run_calc_command, {"calc", "--folder", dir.string(), "--cpf", kDeclarant,
                                      "--now", "2026-04-15 10:00:00"});
    ASSERT_EQ(o.status, 0) << o.err;
    // Figures not yet stored: only the statements count. Their bases: 1,600.00 (common, March)
    // + 1,000.00 (day trade) + 1,500.00 (the dependant's fund) = 4,100.00; tax paid 428.00.
    EXPECT_EQ(value_of(o.out, "I4_03"), "4100.00");
    EXPECT_EQ(value_of(o.out, "I13_47"), "428.00");
    EXPECT_EQ(value_of(o.out, "I4_02"), "0.00");

    write(true);
    o = run(run_calc_command, {"calc", "--folder", dir.string(), "--cpf", kDeclarant, "--now",
                               "2026-04-15 10:00:00"});
    ASSERT_EQ(o.status, 0) << o.err;
    // In Brazil: the flat 209,842.95 + the shares 766.67 (the earlier year's sale counts in its
    // year, the dependant's car is of small value).
    EXPECT_EQ(value_of(o.out, "I4_02"), "210609.62");
    EXPECT_EQ(value_of(o.out, "I4_11"), "60000.00");
    EXPECT_EQ(value_of(o.out, "I4_12"), "0.00");
    EXPECT_EQ(value_of(o.out, "I4_03"), "4100.00");
    // Line 04 of the exempt income: 5,000.00 of small value + the flat's reductions 470,157.05.
    EXPECT_EQ(value_of(o.out, "I3_04"), "475157.05");
    // Tax: 31,476.44 + 115.00 + 9,000.00 + March's instalment of the 2024 sale 9,461.92.
    EXPECT_EQ(value_of(o.out, "I13_46"), "50053.36");
    // Exclusive income: 210,609.62 + 60,000.00 + 4,100.00.
    EXPECT_EQ(value_of(o.out, "I13_45"), "274709.62");

    // The save's computation (recalc) stores the same totals.
    o = run(run_recalc_command, {"recalc", "--folder", dir.string(), "--cpf", kDeclarant, "--now",
                                 "2026-04-15 10:00:00"});
    ASSERT_EQ(o.status, 0) << o.err;
    tax::FolderReader::Loaded stored;
    ASSERT_TRUE(
        tax::FolderReader::read_one(store::Env::posix(), dir.string(), kDeclarant, &stored));
    EXPECT_EQ(stored.declaration.num("I4_02"), D("210609.62"));
    EXPECT_EQ(stored.declaration.num("I13_46"), D("50053.36"));
    EXPECT_EQ(stored.declaration.num("I3_04"), D("475157.05"));
}

}  // namespace
}  // namespace vorn::gains
