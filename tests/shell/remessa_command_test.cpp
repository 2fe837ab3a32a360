// vorn2026 remessa through the real program: the office's bank data and slips of an installation
// whose terminal has run, the payer's address from the folder its terminal lists, a payer found in
// no folder named, the slips emptied; refusals leave the slips and write no file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "office.h"
#include "store/catalogue.h"
#include "store/dbf.h"

namespace vorn::shell {
namespace {

namespace fs = std::filesystem;

std::string remessa(Office& o, const std::string& args, int* status) {
    return run(o.inst, kBinary + " remessa " + args + " --now '" + kNow + "' 2>&1", status);
}

std::unique_ptr<store::Table> office_table(Office& o, int n) {
    std::unique_ptr<store::Table> t;
    const std::string path = store::find_file(store::Env::posix(), o.inst.path(),
                                              store::table_def(n)->file_base("") + ".DBF");
    EXPECT_TRUE(store::Table::open(store::Env::posix(), path, {}, &t).is_ok()) << path;
    return t;
}

void bank_data(Office& o, const std::string& account) {
    auto d = office_table(o, 43);
    ASSERT_TRUE(d->go_top().is_ok());
    ASSERT_TRUE(d->lock_record().is_ok());
    for (auto [f, v] :
         std::vector<std::pair<const char*, std::string>>{{"BOL_AGENCI", "0057"},
                                                          {"BOL_CONTA", account},
                                                          {"BOL_NOME", "ESCRITORIO MODELO"},
                                                          {"BOL_CNPJ", "11222333000181"},
                                                          {"BOL_CARTEI", "109"}})
        ASSERT_TRUE(d->replace(d->field(f), store::Value(v)).is_ok());
    ASSERT_TRUE(d->close().is_ok());
}

void add_slip(Office& o, int doc, const std::string& cpf, const char* name) {
    auto t = office_table(o, 67);
    store::Record r(store::table_def(67)->layout);
    r.set("NRODOCUM", Decimal(doc));
    r.set("NOSSONRO", Decimal(100 + doc));
    r.set("DATADOC", Date(2026, 4, 30));
    r.set("VALORDOC", Decimal::from("150.00"));
    r.set("NOMESAC", name);
    r.set("CPFSAC", cpf);
    ASSERT_TRUE(t->append(&r).is_ok());
    ASSERT_TRUE(t->close().is_ok());
}

size_t slips(Office& o) {
    auto t = office_table(o, 67);
    uint32_t n = 0;
    EXPECT_TRUE(t->record_count(&n).is_ok());
    size_t live = 0;
    for (uint32_t k = 1; k <= n; ++k) {
        EXPECT_TRUE(t->go_to(k).is_ok());
        live += !t->deleted();
    }
    EXPECT_TRUE(t->close().is_ok());
    return live;
}

TEST(RemessaCommand, WritesTheFileWithTheListedFoldersAddressesAndEmptiesTheSlips) {
    Office o(2, [](int i, tax::Declaration& d) {
        if (i != 0) return;
        d.set("TIPOEND", "RUA");
        d.set("ENDERECO", "DAS FLORES");
    });
    ASSERT_EQ(o.program("01", "ALT+T\nENTER\n"), 0);  // the terminal's settings and folder list
    // No slips yet: told, nothing written.
    int status = 0;
    std::string out = remessa(o, "", &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(out.find("Não existe boleto cadastrado"), std::string::npos) << out;

    // 0057 12345: check digit 7 by the bank's modulo 10; a wrong one is refused by name.
    bank_data(o, "123450");
    add_slip(o, 1, o.cpf(0), "CLIENTE UM");
    add_slip(o, 2, "52998224725", "SEM CADASTRO");
    out = remessa(o, "", &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(out.find("dígito da conta"), std::string::npos) << out;
    EXPECT_EQ(slips(o), 2u);

    bank_data(o, "123457");
    out = remessa(o, "", &status);
    EXPECT_EQ(status, 0) << out;
    const std::string path = o.inst.path() + "/C260415A.txt";
    EXPECT_NE(out.find("Arquivo " + path + " gerado com sucesso."), std::string::npos) << out;
    EXPECT_NE(out.find("CPF 52998224725: o contribuinte não foi localizado"), std::string::npos);
    EXPECT_EQ(slips(o), 0u);
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    ASSERT_EQ(text.str().size(), 4u * 402);
    // The first client's street from its registry, as the folder list found it.
    EXPECT_EQ(text.str().substr(402 + 274, 33), "RUA   DAS FLORES                 ");
}

}  // namespace
}  // namespace vorn::shell
