#include "rural/lcdpr.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>

#include "rural/result.h"
#include "store/catalogue.h"
#include "store/dbf.h"

namespace vorn::rural {
namespace {

namespace fs = std::filesystem;

store::Record rec(int table) {
    store::Record r(store::table_def(table)->layout);
    r.set("CPF", "11144477735");
    if (r.layout().find("ATV_BRASIL") >= 0) r.set("ATV_BRASIL", "S");
    return r;
}
Decimal D(const char* s) {
    return Decimal::from(s);
}

std::optional<std::string> cities(const std::string& city, const std::string& uf) {
    if (city == "SAO PAULO" && uf == "SP") return "7107";
    return std::nullopt;
}

store::Record property(int number, const char* share, int condition) {
    store::Record p = rec(16);
    p.set("I2R_00", Decimal(number));
    p.set("I2R_01", "Sítio Boa Esperança");
    p.set("I2R_03", "1234567-8");
    p.set("CAEPF", "123.456.789/001-00");
    p.set("INSCR_ES", "110.042.490.114");
    p.set("I2R_06", "Estrada Municipal km 12");
    p.set("NUM_IMR", "S/N");
    p.set("DISTR_IMR", "Ibiúna");
    p.set("UF_IMR", "SP");
    p.set("CODM_IMR", "6471");
    p.set("CEP_IMR", D("1310100"));
    p.set("I2R_04", D(share));
    p.set("I2R_05", Decimal(condition));
    return p;
}

store::Record account(int code, const char* bank, long long agency, long long number) {
    store::Record a = rec(21);
    a.set("COD_CONTA", Decimal(code));
    a.set("NRO_BANCO", bank);
    a.set("NOM_BANCO", code == 0 ? "Caixa" : "Banco do Brasil S.A.");
    a.set("NRO_AGENC", Decimal(agency));
    a.set("NRO_CONTA", Decimal(number));
    return a;
}

store::Record entry(Date d, int property, const char* kind, const char* value, const char* text) {
    store::Record e = rec(19);
    e.set("DT_LC", d);
    e.set("NROIMO", Decimal(property));
    e.set("TIPOCR", kind);
    e.set("VALOR", D(value));
    e.set("DESCR", text);
    e.set("ID_PARTIC", "12.345.678/0001-95");
    e.set("TIPODOC", Decimal(1));
    e.set("COD_CONTA", Decimal(1));
    e.set("NUM_DOC", "NF-000123");
    return e;
}

// A farmer with a property of his own and one held at 50 % with a partner, a cash account,
// one bank account and an "other means" account, and receipts and expenses every month.
LcdprSources farmer() {
    LcdprSources s;
    s.registry = rec(9);
    s.summary = rec(1);
    s.registry.set("NOMECONTR", "José da Conceição Araújo");
    s.registry.set("TIPOEND", "Avenida");
    s.registry.set("ENDERECO", "Paulista");
    s.registry.set("NUMERO", "1578");
    s.registry.set("COMPLEM", "Conj. 42");
    s.registry.set("BAIRRO", "Bela Vista");
    s.registry.set("MUNICIPIO", "SAO PAULO");
    s.registry.set("UF", "SP");
    s.registry.set("CEP", "01310-100");
    s.registry.set("DDDTEL", "11");
    s.registry.set("TELEFO", "3251-4000");
    s.registry.set("EMAIL", "jose@exemplo.com.br");
    s.properties.push_back(property(1, "100", 1));
    store::Record shared = property(2, "50", 3);
    shared.set("TIPO_CONTR", Decimal(3));
    shared.set("CPFPJ_CONT", "529.982.247-25");
    shared.set("NOME_CONTR", "Antônio Parceiro");
    shared.set("PERC_CONTR", D("50"));
    s.properties.push_back(shared);
    s.accounts = {account(0, "", 0, 0), account(1, "001", 1234, 567890), account(999, "", 0, 0)};
    for (int m = 1; m <= 12; ++m) {
        s.entries.push_back(entry(Date(2025, m, 5), m % 2 + 1, "C", "1500.50", "Venda de café"));
        s.entries.push_back(entry(Date(2025, m, 20), 1, "D", "2000.25", "Adubo | NPK"));
    }
    s.entries.push_back(entry(Date(2025, 7, 1), 0, "D", "99.99", "Frete\r\nsem imóvel"));
    s.result = rec(15);
    s.result.set("TIPO_LANCA", Decimal(kLcdpr));
    auto sums = SOMA_RUR(s.entries, s.properties, kLcdpr);
    store_grid(sums->grid, s.result);
    s.result.set("NOME_CONT", "Maria Contábil Ltda");
    s.result.set("CPFCNPJ_CO", "12.345.678/0001-95");
    s.result.set("CRC_CONT", "SP-123456/O-7");
    s.result.set("EMAIL_CONT", "contato@contabil.com.br");
    s.result.set("FONE_CONT", "(11)98765-4321");
    return s;
}

std::vector<std::string> split(const std::string& s, const std::string& sep) {
    std::vector<std::string> out;
    size_t at = 0;
    for (;;) {
        size_t n = s.find(sep, at);
        if (n == std::string::npos) {
            out.push_back(s.substr(at));
            return out;
        }
        out.push_back(s.substr(at, n - at));
        at = n + sep.size();
    }
}

long long number(const std::string& s) {
    return std::stoll(s);
}
bool all_digits(const std::string& s, size_t width) {
    return s.size() == width && s.find_first_not_of("0123456789") == std::string::npos;
}

// Checks a book against the published record layout, independently of the writer: fields per
// record, fixed widths, the running balance, month totals equal to the entries, the line count.
void check_layout(const std::string& file) {
    ASSERT_GE(file.size(), 2u);
    ASSERT_EQ(file.substr(file.size() - 2), "\r\n");
    auto lines = split(file.substr(0, file.size() - 2), "\r\n");
    const std::map<std::string, size_t> fields = {{"0000", 10}, {"0010", 2}, {"0030", 10},
                                                  {"0040", 17}, {"0045", 6}, {"0050", 7},
                                                  {"Q100", 13}, {"Q200", 6}, {"9999", 7}};
    long long balance = 0, in[13] = {}, out[13] = {};
    int q200 = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        SCOPED_TRACE(lines[i]);
        ASSERT_EQ(lines[i].find('\n'), std::string::npos);
        ASSERT_EQ(lines[i].find('\r'), std::string::npos);
        auto f = split(lines[i], "|");
        ASSERT_TRUE(fields.count(f[0]));
        ASSERT_EQ(f.size(), fields.at(f[0]));
        for (const auto& x : f) EXPECT_EQ(x, x.empty() ? x : x.substr(x.find_first_not_of(' ')));
        if (i == 0) {
            EXPECT_EQ(f[0], "0000");
        }
        if (f[0] == "0000") {
            EXPECT_EQ(f[1], "LCDPR");
            EXPECT_EQ(f[2], "0013");
            EXPECT_TRUE(all_digits(f[3], 11));
            EXPECT_EQ(f[5], "0");
            EXPECT_TRUE(f[6] == "0" || f[6] == "2" || f[6] == "3");
            EXPECT_EQ(f[7].empty(), f[6] == "0");
            EXPECT_EQ(f[8], "01012025");
            EXPECT_TRUE(all_digits(f[9], 8));
        } else if (f[0] == "0010") {
            EXPECT_TRUE(f[1] == "1" || f[1] == "2");
        } else if (f[0] == "0030") {
            EXPECT_TRUE(all_digits(f[7], 8));
        } else if (f[0] == "0040") {
            EXPECT_TRUE(all_digits(f[1], 3));
            EXPECT_EQ(f[2], "BR");
            EXPECT_EQ(f[3], "BRL");
            EXPECT_TRUE(all_digits(f[14], 8));
            EXPECT_TRUE(all_digits(f[15], 1));
            EXPECT_TRUE(all_digits(f[16], 5));
        } else if (f[0] == "0045") {
            EXPECT_TRUE(all_digits(f[1], 3));
            EXPECT_TRUE(all_digits(f[2], 1));
            EXPECT_TRUE(all_digits(f[5], 5));
        } else if (f[0] == "0050") {
            EXPECT_TRUE(all_digits(f[1], 3));
            EXPECT_NE(f[1], "000");
            EXPECT_NE(f[1], "999");
            EXPECT_TRUE(all_digits(f[5], 10));
            EXPECT_TRUE(all_digits(f[6], 16));
        } else if (f[0] == "Q100") {
            EXPECT_TRUE(all_digits(f[1], 8));
            EXPECT_EQ(f[1].substr(4), "2025");
            EXPECT_TRUE(all_digits(f[2], 3));
            EXPECT_TRUE(all_digits(f[3], 3));
            for (int k : {9, 10, 11}) EXPECT_TRUE(all_digits(f[k], 19));
            int m = std::stoi(f[1].substr(2, 2));
            if (f[8] == "1") {
                EXPECT_EQ(number(f[10]), 0);
                balance += number(f[9]);
                in[m] += number(f[9]);
            } else {
                EXPECT_EQ(f[8], "2");
                EXPECT_EQ(number(f[9]), 0);
                balance -= number(f[10]);
                out[m] += number(f[10]);
            }
            EXPECT_EQ(number(f[11]), balance < 0 ? -balance : balance);
            EXPECT_EQ(f[12], balance > 0 ? "P" : "N");
        } else if (f[0] == "Q200") {
            ++q200;
            int m = std::stoi(f[1].substr(0, 2));
            EXPECT_EQ(m, q200);
            EXPECT_EQ(f[1].substr(2), "2025");
            EXPECT_EQ(number(f[2]), in[m]);
            EXPECT_EQ(number(f[3]), out[m]);
            long long net = in[m] - out[m];
            EXPECT_EQ(number(f[4]), net < 0 ? -net : net);
            EXPECT_EQ(f[5], net > 0 ? "P" : "N");
        } else if (f[0] == "9999") {
            EXPECT_EQ(i, lines.size() - 1);
            EXPECT_EQ(number(f[6]), static_cast<long long>(lines.size()));
        }
    }
    EXPECT_EQ(q200, 12);
}

// Compares with a golden file; UPDATE_GOLDEN=1 rewrites it.
void golden(const std::string& name, const std::string& text) {
    const std::string path = std::string(VORN_SOURCE_DIR) + "/tests/rural/golden/" + name;
    if (std::getenv("UPDATE_GOLDEN")) {
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << path;
    std::stringstream ss;
    ss << in.rdbuf();
    EXPECT_EQ(ss.str(), text) << name;
}

std::string build(const LcdprSources& s) {
    std::string out, stop;
    build_lcdpr(s, cities, &out, &stop);
    EXPECT_EQ(stop, "");
    return out;
}

TEST(Lcdpr, BooksMatchTheLayoutAndGoldens) {
    LcdprSources s = farmer();
    std::string book = build(s);
    check_layout(book);
    golden("regular.txt", book);
    // Postal code zero-padded, both the declarant's and the properties'.
    EXPECT_NE(book.find("|7107|01310100|1132514000|"), std::string::npos);
    EXPECT_NE(book.find("|01310100|1|10000\r\n"), std::string::npos);
    // Only the partner's property has a 0045; accounts 000 and 999 are not banks.
    EXPECT_EQ(book.find("0045|001"), std::string::npos);
    EXPECT_NE(book.find("0045|002|3|52998224725|Antonio Parceiro|05000\r\n"), std::string::npos);
    EXPECT_NE(book.find("0050|001|BR|001|Banco do Brasil S.A.|0000001234|0000000000567890\r\n"),
              std::string::npos);
    EXPECT_EQ(book.find("\n0050|000"), std::string::npos);
    // An entry without property is written on property 001; "|" and line breaks become blanks.
    EXPECT_NE(book.find("Q100|01072025|001|001|NF000123|1|Frete  sem imovel|"), std::string::npos);
    EXPECT_NE(book.find("|Adubo   NPK|"), std::string::npos);

    s.result.set("OPT_20", "S");
    book = build(s);
    check_layout(book);
    EXPECT_NE(book.find("\r\n0010|2\r\n"), std::string::npos);
    golden("option20.txt", book);

    s = farmer();
    s.summary.set("DECFINAL", "S");
    s.summary.set("DECJUDI", "N");
    s.summary.set("DATALAVRA", Date(2025, 8, 15));
    s.summary.set("DATAPARTI", Date(2025, 9, 1));
    book = build(s);
    check_layout(book);
    EXPECT_EQ(book.substr(0, book.find("\r\n")),
              "0000|LCDPR|0013|11144477735|Jose da Conceicao Araujo|0|2|15082025|01012025|"
              "15082025");
    golden("estate.txt", book);

    s = farmer();
    s.summary.set("DECSAIDA", "S");
    s.summary.set("DATASAIDA", Date(2025, 10, 31));
    book = build(s);
    check_layout(book);
    EXPECT_NE(book.find("|0|3|31102025|01012025|31102025\r\n"), std::string::npos);
    golden("departure.txt", book);
}

TEST(Lcdpr, SharedPropertyNumbersGiveOne0040AndA0045Each) {
    LcdprSources s = farmer();
    store::Record a = property(5, "60", 1), b = property(5, "40", 1);
    a.set("TIPO_CONTR", Decimal(2));
    a.set("CPFPJ_CONT", "111.444.777-35");
    a.set("NOME_CONTR", "Socio A");
    b.set("TIPO_CONTR", Decimal(2));
    b.set("CPFPJ_CONT", "529.982.247-25");
    b.set("NOME_CONTR", "Socio B");
    s.properties = {a, b};
    std::string book = build(s);
    check_layout(book);
    size_t n0040 = 0, n0045 = 0;
    for (const auto& l : split(book, "\r\n")) {
        n0040 += l.rfind("0040|005|", 0) == 0;
        n0045 += l.rfind("0045|005|", 0) == 0;
    }
    EXPECT_EQ(n0040, 1u);
    EXPECT_EQ(n0045, 2u);
}

TEST(Lcdpr, EachStopInOrder) {
    struct Case {
        const char* text;
        std::function<void(LcdprSources&)> change;
    };
    const std::vector<Case> cases = {
        {"Cidade não encontrada! Verifique o nome",
         [](auto& s) { s.registry.set("MUNICIPIO", "ATLANTIDA"); }},
        {"O e-mail é um campo obrigatório! Preenche-o e refaça esse Arquivo",
         [](auto& s) { s.registry.set("EMAIL", " "); }},
        {"Nenhum imovel rural cadastrado!", [](auto& s) { s.properties.clear(); }},
        {"Falta o CIB no imóvel 0000000002", [](auto& s) { s.properties[1].set("I2R_03", ""); }},
        {"Falta o CAEPF no imóvel 0000000001", [](auto& s) { s.properties[0].set("CAEPF", ""); }},
        {"Falta o CEP no imóvel 0000000001",
         [](auto& s) { s.properties[0].set("CEP_IMR", Decimal()); }},
        {"Falta o % de participação no imóvel 0000000001",
         [](auto& s) { s.properties[0].set("I2R_04", Decimal()); }},
        {"Falta o nome do terceiro no imóvel 0000000002",
         [](auto& s) { s.properties[1].set("NOME_CONTR", ""); }},
        {"Falta o cadastro dos Bancos", [](auto& s) { s.accounts.erase(s.accounts.begin() + 1); }},
        {"Falta Nro.da Agência no Banco 001",
         [](auto& s) { s.accounts[1].set("NRO_AGENC", Decimal()); }},
        {"Falta o tipo documento na Receita no item    3",
         [](auto& s) { s.entries[4].set("TIPODOC", Decimal()); }},
        {"Falta a descrição na Despesa no item    1",
         [](auto& s) { s.entries[1].set("DESCR", " | "); }},
        {"Falta o CPF/CNPJ na Receita no item    1",
         [](auto& s) { s.entries[0].set("ID_PARTIC", ""); }},
        {"Falta o valor na Despesa no item    2",
         [](auto& s) { s.entries[3].set("VALOR", D("-1")); }},
        {"Falta a data na Despesa no item   13",
         [](auto& s) { s.entries[1].set("DT_LC", Date()); }},
        {"Existem 1 lançamentos fora de 2025",
         [](auto& s) { s.entries[2].set("DT_LC", Date(2024, 2, 29)); }},
        {"Receitas de 03/2025: 1500.50 no resultado, 1501.50 nos lançamentos",
         [](auto& s) { s.entries[4].set("VALOR", D("1501.50")); }},
        {"Despesas de 01/2025: 0.00 no resultado, 2000.25 nos lançamentos",
         [](auto& s) { s.result.set("I3_01OD", Decimal()); }},
        {"Falta o nome do contador", [](auto& s) { s.result.set("NOME_CONT", ""); }},
        {"Falta o CPF/CNPJ do contador", [](auto& s) { s.result.set("CPFCNPJ_CO", "../-"); }},
    };
    for (const auto& c : cases) {
        LcdprSources s = farmer();
        c.change(s);
        std::string out, stop;
        build_lcdpr(s, cities, &out, &stop);
        EXPECT_EQ(stop, c.text);
        EXPECT_TRUE(out.empty()) << c.text;
    }
}

TEST(Lcdpr, EntriesOutsideTheYearMoveOnlyWhenAsked) {
    std::vector<store::Record> e = {entry(Date(2024, 2, 29), 1, "C", "1", "a"),
                                    entry(Date(2025, 1, 1), 1, "C", "1", "b"),
                                    entry(Date(2026, 12, 31), 1, "C", "1", "c")};
    EXPECT_EQ(entries_outside_year(e), 2);
    EXPECT_EQ(move_into_year(e), 2);
    EXPECT_EQ(e[0].date("DT_LC"), Date(2025, 2, 28));
    EXPECT_EQ(e[2].date("DT_LC"), Date(2025, 12, 31));
    EXPECT_EQ(entries_outside_year(e), 0);
}

TEST(Lcdpr, WriteReplacesWholeOrKeepsTheOldFile) {
    fs::path dir = fs::path(testing::TempDir()) / "lcdpr_write";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string path = (dir / lcdpr_file_name("11144477735")).string();
    EXPECT_EQ(lcdpr_file_name("11144477735"), "LCDPR26-11144477735.txt");
    std::string msg;
    ASSERT_TRUE(write_lcdpr(path, "old\r\n", &msg).is_ok());
    EXPECT_EQ(msg, "Arquivo " + path + " gerado com sucesso.");

    // A folder that cannot be written: the error text, the old file intact, no temporary left.
    if (::geteuid() != 0) {
        fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_FALSE(write_lcdpr(path, "new\r\n", &msg).is_ok());
        EXPECT_EQ(msg, "Erro! Acesso negado. Outro terminal usando? ");
        fs::permissions(dir, fs::perms::owner_all);
    }
    // A target that is a folder: rename fails after the write, the temporary is removed.
    const std::string folder_target = (dir / "sub").string();
    fs::create_directories(dir / "sub" / "x");
    EXPECT_FALSE(write_lcdpr(folder_target, "new\r\n", &msg).is_ok());
    EXPECT_EQ(msg.find("gerado"), std::string::npos);
    EXPECT_FALSE(fs::exists(folder_target + ".tmp"));
    // A missing folder.
    EXPECT_FALSE(write_lcdpr((dir / "none" / "f.txt").string(), "x", &msg).is_ok());
    EXPECT_EQ(msg, "Erro! Caminho não encontrado");

    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    EXPECT_EQ(ss.str(), "old\r\n");
    fs::remove_all(dir);
}

}  // namespace
}  // namespace vorn::rural
