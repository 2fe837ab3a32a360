// Client lists and labels over a small registry: the three print files against golden copies, the
// six orders, the status, tax and birthday filters, page closing with the running count, the label
// geometry (raised length, refused sheets, overlong addresses), an empty run, and all folders with
// one whose registry is missing.
#include "printing/client_lists.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "printing_test_util.h"
#include "store/catalogue.h"
#include "store/dbf.h"
#include "store/declaration.h"

namespace vorn::printing {
namespace {

using testing::ScratchDir;
using testing::slurp;

void expect_golden(const std::string& name, const std::string& bytes) {
    const std::string path = std::string(VORN_SOURCE_DIR) + "/tests/data/printing/" + name;
    const char* update = std::getenv("UPDATE_GOLDEN");
    if (update && std::string(update) == "1") return testing::spit(path, bytes);
    ASSERT_TRUE(std::filesystem::exists(path)) << "golden file missing: " << path;
    EXPECT_EQ(slurp(path), bytes) << "print file differs from " << path;
}

struct Client {
    const char* cpf;
    const char* name;
    int status;
    const char* tax;
    int quotas;
    Date birth;
    const char* fee;
    const char* marked;
    const char* complement = "";
};

// The registry of folder "CLIENTES": five clients in record order (not CPF order).
class Lists : public ::testing::Test {
  protected:
    void SetUp() override {
        add({"44444444444", "DANIEL REIS", 7, "50.00", 1, Date(1985, 12, 1), "100.00", "N"});
        add({"11111111111", "ANA SOUZA", 3, "1500.00", 2, Date(1980, 4, 10), "300.00", "S",
             "AP 12"});
        add({"22222222222", "BRUNO LIMA", 0, "-200.00", 0, Date(1975, 3, 2), "150.00", "N"});
        add({"33333333333", "CARLA DIAS", 5, "0", 0, Date(1990, 5, 20), "500.00", "S"});
        add({"05555555555", "EDUARDA MELO", 2, "0", 0, Date(1970, 3, 15), "250.00", "N",
             "BLOCO C APARTAMENTO 1"});
        write();
        o.today = Date(2026, 4, 15);
    }

    void add(const Client& c) {
        store::Record r(store::table_def(9)->layout);
        r.set("CPF", c.cpf);
        r.set("NOMECONTR", c.name);
        r.set("ESTATUS", Decimal(c.status));
        r.set("IMPPGRE", *Decimal::parse(c.tax));
        r.set("QTD_QUOTA", Decimal(c.quotas));
        r.set("NASCIMENTO", c.birth);
        r.set("VALOREC", *Decimal::parse(c.fee));
        r.set("IMPRE", c.marked);
        r.set("TELEFO", "987654321");
        r.set("TIPOEND", "RUA");
        r.set("ENDERECO", "DAS FLORES DO CAMPO VERDE");
        r.set("NUMERO", "100");
        r.set("COMPLEM", c.complement);
        r.set("BAIRRO", "CENTRO");
        r.set("CEP", "01001000");
        r.set("MUNICIPIO", "SAO PAULO");
        r.set("UF", "SP");
        rows.push_back(std::move(r));
    }

    void write(const std::string& name = "CLIENTES") {
        std::filesystem::create_directories(dir.file(name));
        const std::string folder = dir.file(name) + "/";
        ASSERT_TRUE(store::Table::create(store::Env::posix(),
                                         store::data_table_path(store::Env::posix(), folder, 9),
                                         *store::table_def(9)->layout, rows, nullptr, true));
    }

    std::string folder() const { return dir.file("CLIENTES") + "/"; }

    std::string run(std::vector<std::string> folders = {}) {
        if (folders.empty()) folders = {folder()};
        PrintWriter w;
        EXPECT_FALSE(check_list_options(&o).has_value());
        Status s = IMPR_CAD(store::Env::posix(), folders, o, names, w, &result);
        EXPECT_TRUE(s) << s.message();
        return w.text();
    }

    // The CPFs of the text in the order printed.
    static std::vector<std::string> cpfs(const std::string& text) {
        std::vector<std::string> out;
        for (const char* c : {"111.111.111-11", "222.222.222-22", "333.333.333-33",
                              "444.444.444-44", "055.555.555-55"})
            if (size_t at = text.find(c); at != std::string::npos) out.push_back(c);
        std::sort(out.begin(), out.end(), [&](const std::string& a, const std::string& b) {
            return text.find(a) < text.find(b);
        });
        for (auto& c : out) c = c.substr(0, 1) + c.substr(13);
        return out;
    }

    ScratchDir dir;
    std::vector<store::Record> rows;
    ListOptions o;
    ListResult result;
    std::map<long, std::string> names = {{3, "Conferida"}, {5, "Transmitida"}, {7, "Pendente"}};
};

TEST_F(Lists, SummaryCompleteAndLabelPrintFiles) {
    o.OPC_IND = 2;
    expect_golden("lists_summary.txt", run());
    EXPECT_EQ(result.printed, 5);
    o.model = ListModel::kComplete;
    o.OPC_IND = 1;
    const std::string complete = run();
    expect_golden("lists_complete.txt", complete);
    // April is ANA's birthday month; her tax to pay comes with its two quotas.
    EXPECT_NE(complete.find("10/04/1980  Atencao! Aniversario nesse mes"), std::string::npos);
    EXPECT_NE(complete.find("1.500,00 2 Quotas"), std::string::npos);
    EXPECT_EQ(complete.find("Aniversario", complete.find("Aniversario") + 1), std::string::npos);
    o.model = ListModel::kLabels;
    o.labels = {2, 1, 7, 30};
    expect_golden("lists_labels.txt", run());
}

TEST_F(Lists, EachOrder) {
    const std::vector<std::vector<std::string>> expected = {
        {"05", "11", "22", "33", "44"},  // CPF
        {"11", "22", "33", "44", "05"},  // name
        {"22", "05", "11", "33", "44"},  // status, 0 first
        {"22", "05", "11", "33", "44"},  // birth month: Mar 2, Mar 15, Apr, May, Dec
        {"22", "33", "05", "44", "11"},  // tax: the refund first, exempt ones by name
        {"44", "22", "05", "11", "33"},  // fee
    };
    for (int order = 1; order <= 6; ++order) {
        o.OPC_IND = order;
        EXPECT_EQ(cpfs(run()), expected[order - 1]) << "order " << order;
    }
}

TEST_F(Lists, StatusRangeTaxFilterAndAllStatuses) {
    o.all_statuses = false;
    o.STAT_INIC = 3;
    o.STAT_FINAL = 5;
    std::string text = run();
    EXPECT_EQ(cpfs(text), (std::vector<std::string>{"11", "33"}));
    EXPECT_NE(text.find("COM OS ESTATUS 3 ATE 5 E INDEPENDENTE DO IMPOSTO"), std::string::npos);
    // Every status includes the client without one.
    o.all_statuses = true;
    o.SEPIMP = TaxFilter::kToPay;
    text = run();
    EXPECT_EQ(cpfs(text), (std::vector<std::string>{"11", "44"}));
    EXPECT_NE(text.find("INDEPENDENTE DO ESTATUS E COM IMPOSTO A PAGAR"), std::string::npos);
    o.SEPIMP = TaxFilter::kRefund;
    EXPECT_EQ(cpfs(run()), (std::vector<std::string>{"22"}));
    o.SEPIMP = TaxFilter::kExempt;
    EXPECT_EQ(cpfs(run()), (std::vector<std::string>{"05", "33"}));
    o.SEPIMP = TaxFilter::kAny;
    EXPECT_EQ(cpfs(run()).size(), 5u);
    // The marked selection.
    o.QUECON = 2;
    EXPECT_EQ(cpfs(run()), (std::vector<std::string>{"11", "33"}));
}

TEST_F(Lists, BirthdaysMarchToMayInMonthOrder) {
    o.OPC_IND = 4;
    o.MES_INIC = 3;
    o.MES_FINAL = 5;
    const std::string text = run();
    EXPECT_EQ(cpfs(text), (std::vector<std::string>{"22", "05", "11", "33"}));
    EXPECT_NE(text.find("NASCIDAS ENTRE OS MESES DE MARCO E MAIO\n"
                        "ORGANIZADO PELO MES DE NASCIMENTO\n"),
              std::string::npos);
    o.MES_FINAL = 3;
    EXPECT_NE(run().find("NASCIDAS NO MES DE MARCO\n"), std::string::npos);
}

TEST_F(Lists, PagesCloseWithTheRunningCountAndTheListEndsWithTheTotal) {
    rows.clear();
    for (int k = 0; k < 23; ++k) {
        const std::string cpf =
            std::string(9, static_cast<char>('1' + k % 9)) + std::to_string(10 + k);
        add({cpf.c_str(), "CLIENTE", 0, "0", 0, Date(1980, 1, 1), "0", "N"});
    }
    write();
    o.NRO_LIN = 20;  // header 6 lines: 9 clients a page
    const std::string text = run();
    ASSERT_EQ(std::count(text.begin(), text.end(), '\f'), 2);
    const size_t first = text.find('\f'), second = text.find('\f', first + 1);
    EXPECT_NE(text.rfind("Total de contribuintes....              9\n", first), std::string::npos);
    EXPECT_NE(text.find("Total de contribuintes....              18\n", first), std::string::npos);
    EXPECT_LT(text.find("              18\n", first), second);
    EXPECT_NE(text.find("\nTotal de contribuintes....              23\n", second),
              std::string::npos);
    // Every page has its header (after the normal-print control) and closes five lines before
    // its end.
    size_t start = 0;
    for (int page = 0; page < 3; ++page) {
        const size_t end = std::min(text.find('\f', start), text.size());
        const std::string p = text.substr(start, end - start);
        EXPECT_EQ(p.find("RELACAO TOTAL/RESUMIDO DE PESSOAS NA PASTA CLIENTES"), 82u) << page;
        EXPECT_LE(std::count(p.begin(), p.end(), '\n'), 16) << page;
        start = end + 1;
    }
    // One client: no closing total.
    o.QUECON = 1;
    o.cpf = "11111111110";
    const std::string one = run();
    EXPECT_EQ(result.printed, 1);
    EXPECT_NE(one.find("RELACAO PARCIAL/RESUMIDO"), std::string::npos);
    EXPECT_EQ(one.find("Total de contribuintes"), std::string::npos);
}

TEST_F(Lists, LabelGeometry) {
    LabelGeometry g{0, 0, 3, 60};
    EXPECT_FALSE(settle_geometry(&g).has_value());
    EXPECT_EQ(g.LINETI, 5);
    // No label fits: refused, never blank sheets.
    g = {0, 58, 6, 60};
    EXPECT_EQ(settle_geometry(&g), std::optional<std::string>("Nenhuma etiqueta cabe na página"));
    g = {0, 0, 6, 4};
    EXPECT_TRUE(settle_geometry(&g).has_value());
    g = {0, 0, 6, 100};
    EXPECT_TRUE(settle_geometry(&g).has_value());

    // Labels of 5 lines (raised from 2), 2 a sheet after a first line of 1: rows 1-5, 6-10.
    o.model = ListModel::kLabels;
    o.labels = {3, 1, 2, 12};
    const std::string text = run();
    EXPECT_EQ(result.printed, 5);
    ASSERT_EQ(std::count(text.begin(), text.end(), '\f'), 2);
    const std::string sheet = text.substr(0, text.find('\f'));
    EXPECT_EQ(sheet.substr(0, 1), "\n");                   // the first line on the sheet
    EXPECT_EQ(sheet.substr(1, 17), "    EDUARDA MELO\n");  // column 1 + margin 3
    // EDUARDA's complement does not fit the street line, and a 5-line label has no line for it:
    // it joins the district, and the next label still starts on its own row.
    EXPECT_EQ(result.overlong_labels, 1);
    EXPECT_NE(text.find("    CENTRO BLOCO C APARTAMENTO 1\n    SAO PAULO - SP\n"
                        "    01001-000\n"),
              std::string::npos);
    EXPECT_EQ(overlong_notice(result),
              "1 etiqueta teve o complemento do endereço impresso junto ao bairro");
    // With six lines it has its own line.
    o.labels = {0, 0, 6, 60};
    const std::string six = run();
    EXPECT_EQ(result.overlong_labels, 0);
    EXPECT_NE(six.find(" RUA DAS FLORES DO CAMPO VERDE,100\n BLOCO C APARTAMENTO 1\n"
                       " CENTRO\n"),
              std::string::npos);
    EXPECT_NE(six.find(" RUA DAS FLORES DO CAMPO VERDE,100 AP 12\n"), std::string::npos);
    EXPECT_EQ(std::count(six.begin(), six.end(), '\f'), 0);
}

TEST_F(Lists, NothingPrintedAndAFolderWithoutRegistry) {
    o.all_statuses = false;
    o.STAT_INIC = 90;
    o.STAT_FINAL = 99;
    EXPECT_EQ(run(), "");
    EXPECT_TRUE(result.nothing());

    o.all_statuses = true;
    o.QUECON = 4;
    std::filesystem::create_directories(dir.file("VAZIA"));
    const std::string text = run({dir.file("VAZIA") + "/", folder()});
    EXPECT_EQ(result.printed, 5);
    ASSERT_EQ(result.problems.size(), 1u);
    EXPECT_NE(result.problems[0].find("VAZIA"), std::string::npos);
    EXPECT_NE(text.find("RELACAO TODAS PASTAS/RESUMIDO DE PESSOAS NA PASTA CLIENTES"),
              std::string::npos);

    // Given up after two clients: no closing total.
    o.QUECON = 3;
    int asked = 0;
    o.stop = [&asked] { return ++asked > 2; };
    const std::string given_up = run();
    EXPECT_TRUE(result.abandoned);
    EXPECT_EQ(result.printed, 2);
    EXPECT_EQ(given_up.find("Total de contribuintes"), std::string::npos);
    o.stop = nullptr;

    // One folder without a registry is an error; a CPF not in it too.
    PrintWriter w;
    o.QUECON = 3;
    EXPECT_FALSE(IMPR_CAD(store::Env::posix(), {dir.file("VAZIA") + "/"}, o, names, w, &result));
    o.QUECON = 1;
    o.cpf = "99999999999";
    EXPECT_EQ(IMPR_CAD(store::Env::posix(), {folder()}, o, names, w, &result).code(),
              Status::Code::kNotFound);
}

}  // namespace
}  // namespace vorn::printing

namespace vorn::printing {
namespace {

// A registry written by another xBase program (python3-dbf) with what such tools leave behind:
// blank dates, numbers and texts, a CPF with letters or too few digits, a telephone with letters, a
// status outside the status table and a negative one. Every model prints every client, none of
// them is dropped, and nothing reads past a field.
TEST_F(Lists, ARegistryWrittenByAnotherProgramWithBlankAndOddValuesPrints) {
    const store::Layout& layout = *store::table_def(9)->layout;
    std::string input;
    for (size_t k = 0; k < layout.size(); ++k) {
        const auto& f = layout[k];
        input += "F " + f.name + " " + static_cast<char>(f.type) + " " + std::to_string(f.width) +
                 " " + std::to_string(f.decimals) + "\n";
    }
    // Each row: field name → value; every other field is left empty (None in python3-dbf).
    const std::vector<std::map<std::string, std::string>> odd = {
        {{"CPF", "12345"}, {"NOMECONTR", ""}, {"IMPPGRE", "10.00"}},
        {{"CPF", "ABCDEFGHIJK"},
         {"NOMECONTR", "NOME SEM MAIS NADA"},
         {"ESTATUS", "-1"},
         {"TELEFO", "(11)X-9-Y"},
         {"NASCIMENTO", ""}},
        {{"CPF", "66666666666"},
         {"NOMECONTR", std::string(47, 'X')},
         {"ESTATUS", "88"},
         {"IMPPGRE", "-0.01"},
         {"QTD_QUOTA", "9"},
         {"CEP", "123"},
         {"NASCIMENTO", "20260415"},
         {"COMPLEM", std::string(21, 'C')}},
    };
    for (const auto& row : odd) {
        input += "R";
        for (size_t k = 0; k < layout.size(); ++k) {
            const auto v = row.find(layout[k].name);
            input += "|" + (v == row.end() ? std::string() : v->second);
        }
        input += "\n";
    }
    const std::string path =
        store::data_table_path(store::Env::posix(), dir.file("OUTRO") + "/", 9);
    std::filesystem::create_directories(dir.file("OUTRO"));
    testing::spit(dir.file("rows.txt"), input);
    int status = 0;
    const std::string out = testing::output_of("/usr/bin/python3 " + std::string(VORN_SOURCE_DIR) +
                                                   "/tests/store/tools/dbf_write.py " + path +
                                                   " < " + dir.file("rows.txt") + " 2>&1",
                                               &status);
    ASSERT_EQ(status, 0) << out;

    for (ListModel model : {ListModel::kSummary, ListModel::kComplete, ListModel::kLabels}) {
        for (int order : {1, 2, 3, 4, 5, 6}) {
            o.model = model;
            o.OPC_IND = order;
            const std::string text = run({dir.file("OUTRO") + "/"});
            // The birthday order prints only those born in the chosen months: not the two
            // without a birth date.
            EXPECT_EQ(result.printed, order == 4 ? 1 : 3)
                << static_cast<int>(model) << " order " << order;
            EXPECT_TRUE(result.problems.empty());
            if (order != 4) {
                EXPECT_NE(text.find("NOME SEM MAIS NADA"), std::string::npos);
            }
            // Lines never run wider than the widest sheet.
            size_t from = 0;
            for (size_t nl; (nl = text.find('\n', from)) != std::string::npos; from = nl + 1)
                EXPECT_LE(nl - from, 136u) << text.substr(from, nl - from);
        }
    }
    // The client born this month gets the birthday notice.
    o.model = ListModel::kComplete;
    o.OPC_IND = 1;
    EXPECT_NE(run({dir.file("OUTRO") + "/"}).find("Atencao! Aniversario nesse mes"),
              std::string::npos);
}

}  // namespace
}  // namespace vorn::printing
