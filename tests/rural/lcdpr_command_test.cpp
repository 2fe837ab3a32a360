// The lcdpr batch command end to end: declarants written as tables, one book per declarant who
// keeps the digital book, stops told by CPF, the data folder never changed.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <sstream>

#include "rural/result.h"
#include "shell/commands.h"
#include "store/catalogue.h"
#include "store/dbf.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

struct Output {
    int status = 0;
    std::string out, err;
};

Output run(std::vector<std::string> args) {
    args.insert(args.begin(), "lcdpr");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    std::ostringstream out, err;
    auto* old_out = std::cout.rdbuf(out.rdbuf());
    auto* old_err = std::cerr.rdbuf(err.rdbuf());
    Output o;
    o.status = run_lcdpr_command(static_cast<int>(argv.size()), argv.data());
    std::cout.rdbuf(old_out);
    std::cerr.rdbuf(old_err);
    o.out = out.str();
    o.err = err.str();
    return o;
}

std::string read(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

std::map<std::string, std::string> file_bytes(const fs::path& dir) {
    std::map<std::string, std::string> m;
    for (const auto& e : fs::directory_iterator(dir)) m[e.path().filename().string()] = read(e);
    return m;
}

// Compares with a golden file; UPDATE_GOLDEN=1 rewrites it.
void golden(const std::string& name, const std::string& text) {
    const std::string path = std::string(VORN_SOURCE_DIR) + "/tests/rural/golden/" + name;
    if (std::getenv("UPDATE_GOLDEN")) {
        std::ofstream(path, std::ios::binary) << text;
        return;
    }
    EXPECT_EQ(read(path), text) << "golden " << name;
}

Decimal D(const char* s) {
    return Decimal::from(s);
}

store::Record rec(int table, const std::string& cpf) {
    store::Record r(store::table_def(table)->layout);
    r.set("CPF", cpf);
    if (r.layout().find("ATV_BRASIL") >= 0) r.set("ATV_BRASIL", "S");
    return r;
}

// A declarant's rows in the tables the book reads.
struct Farmer {
    store::Record registry, summary, result;
    std::vector<store::Record> properties, accounts, entries;
};

Farmer farmer(const std::string& cpf, const std::string& name, int mode) {
    Farmer f;
    f.registry = rec(9, cpf);
    f.registry.set("NOMECONTR", name);
    f.registry.set("TEMRURAL", "S");
    f.registry.set("TIPOEND", "Rua");
    f.registry.set("ENDERECO", "das Palmeiras");
    f.registry.set("NUMERO", "12");
    f.registry.set("BAIRRO", "Centro");
    f.registry.set("MUNICIPIO", "São Paulo");
    f.registry.set("UF", "SP");
    f.registry.set("CEP", "01310-100");
    f.registry.set("EMAIL", "produtor@exemplo.com.br");
    f.summary = rec(1, cpf);
    store::Record p = rec(16, cpf);
    p.set("I2R_00", Decimal(1));
    p.set("I2R_01", "Fazenda Santa Rita");
    p.set("I2R_03", "12345678");
    p.set("CAEPF", "12345678900100");
    p.set("I2R_06", "Estrada Velha km 3");
    p.set("DISTR_IMR", "Ibiúna");
    p.set("UF_IMR", "SP");
    p.set("CODM_IMR", "6471");
    p.set("CEP_IMR", D("18150000"));
    p.set("I2R_04", D("100"));
    p.set("I2R_05", Decimal(1));
    f.properties.push_back(p);
    store::Record a = rec(21, cpf);
    a.set("COD_CONTA", Decimal(1));
    a.set("NRO_BANCO", "001");
    a.set("NOM_BANCO", "Banco do Brasil");
    a.set("NRO_AGENC", Decimal(1234));
    a.set("NRO_CONTA", Decimal(98765));
    f.accounts.push_back(a);
    auto entry = [&](Date d, const char* kind, const char* value) {
        store::Record e = rec(19, cpf);
        e.set("DT_LC", d);
        e.set("NROIMO", Decimal(1));
        e.set("COD_CONTA", Decimal(1));
        e.set("NUM_DOC", "77");
        e.set("TIPODOC", Decimal(1));
        e.set("DESCR", "Venda de milho");
        e.set("ID_PARTIC", "12.345.678/0001-95");
        e.set("TIPOCR", kind);
        e.set("VALOR", D(value));
        f.entries.push_back(e);
    };
    entry(Date(2025, 3, 10), "C", "12000.00");
    entry(Date(2025, 4, 2), "D", "3500.40");
    f.result = rec(15, cpf);
    f.result.set("TIPO_LANCA", Decimal(mode));
    if (auto sums = rural::SOMA_RUR(f.entries, f.properties, rural::kLcdpr))
        rural::store_grid(sums->grid, f.result);
    f.result.set("NOME_CONT", "Contabilidade Rural Ltda");
    f.result.set("CPFCNPJ_CO", "12.345.678/0001-95");
    f.result.set("CRC_CONT", "SP-1234");
    f.result.set("EMAIL_CONT", "contador@exemplo.com.br");
    f.result.set("FONE_CONT", "11987654321");
    return f;
}

class LcdprCommand : public ::testing::Test {
  protected:
    void SetUp() override {
        base = fs::path(VORN_BINARY_DIR) / "lcdpr_command_test" /
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(base);
        data = base / "dados";
        install = base / "instala";
        out = base / "saida";
        for (const auto& d : {data, install, out}) fs::create_directories(d);
        // The municipality table of the installation: São Paulo only.
        auto layout = std::make_shared<const store::Layout>(
            std::vector<store::FieldDef>{{"CODCID", store::FieldType::kChar, 7, 0},
                                         {"CODMUNI", store::FieldType::kChar, 4, 0},
                                         {"NOMEMUNI", store::FieldType::kChar, 40, 0},
                                         {"UNIFED", store::FieldType::kChar, 2, 0}});
        store::Record sp(layout);
        sp.set("CODCID", "3550308");
        sp.set("CODMUNI", "7107");
        sp.set("NOMEMUNI", "SAO PAULO");
        sp.set("UNIFED", "SP");
        ManualClock clock(DateTime{Date(2026, 3, 1), 0});
        ASSERT_TRUE(store::Table::create(store::Env::posix(), (install / "TABMUNI.DBF").string(),
                                         *layout, {sp}, &clock, true));
    }
    void write(const std::vector<Farmer>& farmers) {
        std::map<int, std::vector<store::Record>> rows;
        for (const auto& f : farmers) {
            rows[9].push_back(f.registry);
            rows[1].push_back(f.summary);
            rows[15].push_back(f.result);
            for (int n : {16, 21, 19}) {
                const auto& list = n == 16 ? f.properties : n == 21 ? f.accounts : f.entries;
                rows[n].insert(rows[n].end(), list.begin(), list.end());
            }
        }
        ManualClock clock(DateTime{Date(2026, 3, 1), 0});
        for (const auto& [number, list] : rows) {
            const auto* def = store::table_def(number);
            ASSERT_TRUE(store::Table::create(store::Env::posix(),
                                             (data / (def->file_base("") + ".DBF")).string(),
                                             *def->layout, list, &clock, true));
        }
    }
    // The output with the test's folders replaced by names that do not change between runs.
    std::string portable(std::string text) const {
        for (const auto& [dir, name] :
             {std::pair{out.string(), std::string("SAIDA")}, {install.string(), "INSTALA"}})
            for (size_t p; (p = text.find(dir)) != std::string::npos;)
                text.replace(p, dir.size(), name);
        return text;
    }
    fs::path base, data, install, out;
};

const std::string kA = "11144477735", kB = "52998224725", kC = "39053344705";

TEST_F(LcdprCommand, WritesEachDigitalBookAndNamesEachStopWithoutChangingTheFolder) {
    Farmer a = farmer(kA, "José Araújo", rural::kLcdpr);
    Farmer b = farmer(kB, "Bento Sem Email", rural::kLcdpr);
    b.registry.set("EMAIL", "");
    Farmer c = farmer(kC, "Carlos Caixa", rural::kCashBook);
    write({a, b, c});
    const auto before = file_bytes(data);
    // An earlier book of the stopped declarant stays as it was.
    std::ofstream(out / ("LCDPR26-" + kB + ".txt"), std::ios::binary) << "anterior\r\n";

    Output o = run({"--folder", data.string(), "--all", "--out", out.string(), "--install",
                    install.string(), "--now", "2026-04-20 09:00:00"});
    EXPECT_EQ(o.status, 1) << o.err;
    golden("command_all.out", portable(o.out));
    EXPECT_EQ(file_bytes(data), before);
    const auto books = file_bytes(out);
    ASSERT_EQ(books.size(), 2u);
    golden("command_book.txt", books.at("LCDPR26-" + kA + ".txt"));
    EXPECT_EQ(books.at("LCDPR26-" + kB + ".txt"), "anterior\r\n");

    // Asked for by name: the complete book alone succeeds; the cash-book declarant is told why
    // there is none; without --out the book goes to the installation directory.
    o = run({"--folder", data.string(), "--cpf", kA, "--install", install.string()});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(portable(o.out), kA + " INSTALA/LCDPR26-" + kA + ".txt\n");
    EXPECT_EQ(read(install / ("LCDPR26-" + kA + ".txt")), books.at("LCDPR26-" + kA + ".txt"));
    o = run({"--folder", data.string(), "--cpf", kC, "--out", out.string(), "--install",
             install.string()});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, kC + " Esse arquivo só é gerado para quem usa o Livro Caixa Digital do "
                          "Produtor Rural (LCDPR)\n");
    EXPECT_EQ(file_bytes(data), before);
}

TEST_F(LcdprCommand, AnEntryOutsideTheYearStopsTheBookAndIsNotMoved) {
    Farmer a = farmer(kA, "José Araújo", rural::kLcdpr);
    a.entries[1].set("DT_LC", Date(2024, 2, 29));
    write({a});
    const auto before = file_bytes(data);
    Output o = run({"--folder", data.string(), "--cpf", kA, "--out", out.string(), "--install",
                    install.string()});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, kA + " Existem 1 lançamentos fora de 2025\n");
    EXPECT_EQ(file_bytes(data), before);
    EXPECT_TRUE(fs::is_empty(out));
}

TEST_F(LcdprCommand, RefusesWhatItCannotRead) {
    write({farmer(kA, "José Araújo", rural::kLcdpr)});
    // A CPF not in the folder, an output folder that does not exist, an installation without
    // its municipality table, and a command line without --cpf or --all.
    Output o = run({"--folder", data.string(), "--cpf", kB, "--out", out.string(), "--install",
                    install.string()});
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("CPF " + kB + " não encontrado"), std::string::npos) << o.err;
    o = run({"--folder", data.string(), "--all", "--out", (base / "nada").string(), "--install",
             install.string()});
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("pasta de saída não encontrada"), std::string::npos) << o.err;
    fs::remove(install / "TABMUNI.DBF");
    o = run(
        {"--folder", data.string(), "--all", "--out", out.string(), "--install", install.string()});
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("TABMUNI"), std::string::npos) << o.err;
    o = run({"--folder", data.string(), "--out", out.string()});
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("uso: vorn2026 lcdpr"), std::string::npos) << o.err;
    EXPECT_TRUE(fs::is_empty(out));
}

}  // namespace
}  // namespace vorn
