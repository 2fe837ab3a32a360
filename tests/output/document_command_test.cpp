// The document batch command end to end: declarations written as tables, documents written into
// another folder, the data folder untouched, every document well-formed for xmllint.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "../tax/builder.h"
#include "generator.h"
#include "shell/commands.h"
#include "store/catalogue.h"
#include "store/dbf.h"
#include "tax/folder.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;
using tax::testing::Builder;
using tax::testing::D;

struct Output {
    int status = 0;
    std::string out, err;
};

Output run(std::vector<std::string> args) {
    args.insert(args.begin(), "document");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    std::ostringstream out, err;
    auto* old_out = std::cout.rdbuf(out.rdbuf());
    auto* old_err = std::cerr.rdbuf(err.rdbuf());
    Output o;
    o.status = run_document_command(static_cast<int>(argv.size()), argv.data());
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

class DocumentCommand : public ::testing::Test {
  protected:
    void SetUp() override {
        base = fs::path(VORN_BINARY_DIR) / "document_command_test" /
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(base);
        data = base / "dados";
        out = base / "saida";
        fs::create_directories(data);
        fs::create_directories(out);
        setenv("VORN_IRPF_XMLNS", "urn:teste:irpf", 1);
        unsetenv("VORN_IRPF_DIR");
    }
    void write(const std::vector<tax::Declaration>& declarations) {
        ManualClock clock(DateTime{Date(2026, 3, 1), 0});
        ASSERT_TRUE(tax::write_folder(store::Env::posix(), data.string(), declarations, &clock));
    }
    // xmllint must be installed (scripts/install-deps.sh); every file of the folder passes it.
    void expect_well_formed(const fs::path& dir, size_t expected) {
        size_t n = 0;
        std::string files;
        for (const auto& e : fs::directory_iterator(dir)) {
            files += " '" + e.path().string() + "'";
            ++n;
        }
        EXPECT_EQ(n, expected);
        const int rc = std::system(("xmllint --noout" + files + " 2>&1").c_str());
        EXPECT_EQ(rc, 0) << "xmllint ausente ou documento mal formado";
    }
    fs::path base, data, out;
};

TEST_F(DocumentCommand, WritesOneDocumentPerDeclarationAndChangesNoFileOfTheFolder) {
    Builder a("11144477735");
    a.d.registry.set("NOMECONTR", "FULANO & CIA <LTDA>");
    a.d.registry.set("EMAIL", "a&b@x.com");
    a.d.registry.set("BAIRRO", "JARDIM DAS AMERICAS2");
    a.company("60000.00", "5000.00", "6000.00", "5000.00");
    Builder b("52998224725");
    write({a.d, b.d});
    // The first sold a property whose cost is in two rows of table 8; the second a property
    // whose buyers' list does not pair names with numbers, which stops its document.
    store::Record sold(store::table_def(7)->layout);
    sold.set("CPF", "11144477735");
    sold.set("BEM_NRO", Decimal(1));
    sold.set("TIPO_BEM", Decimal(1));
    sold.set("DATA_ADQ", Date(1985, 3, 10));
    sold.set("DATA_ALI", Date(2025, 6, 15));
    sold.set("VAL_ALI", D("800000.00"));
    sold.set("PARCOMPRA", "S");
    sold.set("NOME_ADQ", "ANA & \"BIA\" <SA>");
    store::Record bad = sold;
    bad.set("CPF", "52998224725");
    bad.set("MAISDE1", "S");
    bad.set("CPFNOME", "JOAO, MARIA, 11144477735");
    store::Record first(store::table_def(8)->layout), second(store::table_def(8)->layout);
    first.set("CPF", "11144477735");
    first.set("BEM_NRO", Decimal(1));
    first.set("VALOR_CUST", D("50000.00"));
    first.set("DATA_CUST", Date(1985, 3, 10));
    second = first;
    second.set("VALOR_CUST", D("30000.00"));
    second.set("DATA_CUST", Date(2010, 8, 1));
    ManualClock clock(DateTime{Date(2026, 3, 1), 0});
    ASSERT_TRUE(store::Table::create(
        store::Env::posix(), (data / (store::table_def(7)->file_base("") + ".DBF")).string(),
        *store::table_def(7)->layout, {sold, bad}, &clock, true));
    ASSERT_TRUE(store::Table::create(
        store::Env::posix(), (data / (store::table_def(8)->file_base("") + ".DBF")).string(),
        *store::table_def(8)->layout, {first, second}, &clock, true));
    const auto before = file_bytes(data);
    Output o = run({"--folder", data.string(), "--all", "--out", out.string(), "--now",
                    "2026-04-20 09:00:00"});
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("52998224725"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("CPF e Nome do(s) adquirente(s)"), std::string::npos) << o.err;
    EXPECT_NE(o.out.find("11144477735 11144477735-0000000000.xml"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("11144477735 cortado: bairro"), std::string::npos) << o.out;
    EXPECT_EQ(file_bytes(data), before);
    expect_well_formed(out, 1);
    const std::string doc = file_bytes(out).begin()->second;
    EXPECT_NE(doc.find("xmlns=\"urn:teste:irpf\""), std::string::npos);
    EXPECT_NE(doc.find("dataHoraSalvamento=\"20/04/2026 09:00:00\""), std::string::npos);
    EXPECT_NE(doc.find("nome=\"FULANO e CIA -LTDA-\""), std::string::npos);
    // The cost rows reached the document through the command: the total and both rows.
    EXPECT_NE(doc.find("totalCustoAquisicao=\"80.000,00\"><item custoAquisicao=\"50.000,00\" "
                       "data=\"10/03/1985\" indice=\"0\" percentualCustoTotal=\"62,500000\"/>"
                       "<item custoAquisicao=\"30.000,00\" data=\"01/08/2010\" indice=\"1\" "
                       "percentualCustoTotal=\"37,500000\"/></parcelasAquisicao>"),
              std::string::npos);
}

TEST_F(DocumentCommand, RuralActivityIsReadFromItsTables) {
    Builder a("11144477735");
    a.d.registry.set("TEMRURAL", "S");
    a.d.set("I13_07", D("26000.00"));
    Builder b("52998224725");
    write({a.d, b.d});
    // The rural result of the first declaration and a rural asset, written over the empty tables.
    ManualClock clock(DateTime{Date(2026, 3, 1), 0});
    auto table = [&](int number, std::vector<store::Record> rows) {
        const auto* def = store::table_def(number);
        ASSERT_TRUE(store::Table::create(store::Env::posix(),
                                         (data / (def->file_base("") + ".DBF")).string(),
                                         *def->layout, rows, &clock, true));
    };
    store::Record result(store::table_def(15)->layout);
    result.set("CPF", "11144477735");
    result.set("ATV_BRASIL", "S");
    result.set("I3_06OR", D("50000.00"));
    result.set("I4R_01", D("50000.00"));
    table(15, {result});
    store::Record tractor(store::table_def(17)->layout);
    tractor.set("CPF", "11144477735");
    tractor.set("ATV_BRASIL", "S");
    tractor.set("ITEM", D("1"));
    tractor.set("I8R_1", "TRATOR");
    tractor.set("I8R_5", D("85000.00"));
    table(17, {tractor});
    const auto before = file_bytes(data);
    Output o = run({"--folder", data.string(), "--all", "--out", out.string()});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(file_bytes(data), before);
    expect_well_formed(out, 2);
    const auto docs = file_bytes(out);
    const std::string rural = docs.at("11144477735-0000000000.xml");
    EXPECT_NE(
        rural.find("<junho despesaCusteioInvestimento=\"0,00\" receitaBrutaMensal=\"50.000,00\"/>"),
        std::string::npos);
    EXPECT_NE(rural.find("discriminacao=\"TRATOR\""), std::string::npos);
    // The other declaration has the empty rural form.
    EXPECT_NE(
        docs.at("52998224725-0000000000.xml")
            .find(
                "<bens tipoItens=\"serpro.ppgd.irpf.atividaderural.BemAR\" totalAnterior=\"0,00\" "
                "totalAtual=\"0,00\" ultimoIndiceGerado=\"\"/>"),
        std::string::npos);
}

TEST_F(DocumentCommand, WithoutNamespaceOrOutputFolderNothingIsWritten) {
    Builder a("11144477735");
    write({a.d});
    unsetenv("VORN_IRPF_XMLNS");
    setenv("VORN_IRPF_DIR", (base / "irpf").c_str(), 1);
    Output o = run({"--folder", data.string(), "--cpf", "11144477735", "--out", out.string()});
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("namespace"), std::string::npos) << o.err;
    EXPECT_TRUE(fs::is_empty(out));
    // The government program's own declaration gives it.
    fs::create_directories(base / "irpf" / "11144477735");
    std::ofstream(base / "irpf" / "11144477735" / "11144477735-0000000000.xml")
        << "<?xml version=\"1.0\"?>\r\n<classe xmlns=\"urn:do-programa\"></classe>";
    o = run({"--folder", data.string(), "--cpf", "11144477735", "--out", out.string()});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_NE(file_bytes(out).begin()->second.find("xmlns=\"urn:do-programa\""), std::string::npos);
    EXPECT_EQ(run({"--folder", data.string(), "--cpf", "11144477735"}).status, 1);
    EXPECT_EQ(run({"--folder", data.string(), "--cpf", "../../etc", "--out", out.string()}).status,
              1);
}

TEST_F(DocumentCommand, EveryDocumentOfAGeneratedFolderIsWellFormed) {
    bench::Generator g(2026u);
    std::vector<tax::Declaration> all;
    for (int i = 0; i < 200; ++i) all.push_back(g.declaration(i));
    write(all);
    Output o = run({"--folder", data.string(), "--all", "--out", out.string(), "--now",
                    "2026-04-20 09:00:00"});
    // Declarations holding a section not yet written (capital gains) are refused, each naming
    // it; these declarations have none, so every one is written, and every one is well-formed.
    size_t written = 0, refused = 0;
    std::istringstream out_lines(o.out), err_lines(o.err);
    for (std::string line; std::getline(out_lines, line);)
        if (line.find("-0000000000.xml") != std::string::npos) ++written;
    for (std::string line; std::getline(err_lines, line);)
        if (line.find("ainda não é gerada") != std::string::npos) ++refused;
    EXPECT_EQ(written, 200u) << o.err.substr(0, 2000);
    EXPECT_EQ(refused, 0u);
    EXPECT_EQ(o.status, 0);
    expect_well_formed(out, written);
}

}  // namespace
}  // namespace vorn
