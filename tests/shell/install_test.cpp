// Installing the reference tables: a new installation gets every table, a reinstallation replaces
// only the delivered tables and keeps what the office typed, and a table in use stops it whole.
#include "shell/install.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "../store/store_test_util.h"
#include "base/operator.h"
#include "base/text.h"
#include "store/catalogue.h"
#include "store/cdx_index.h"
#include "store/dbf.h"
#include "store/opening.h"
#include "store/reftables.h"

namespace vorn::shell {
namespace {

using store::Env;
using store::Record;
using store::Table;
using store::testing::slurp;
using store::testing::TempDir;

const std::string kSource = VORN_BINARY_DIR "/ref";

std::vector<std::string> delivered_dbfs() {
    std::vector<std::string> out;
    for (int n : store::delivered_tables()) {
        const store::TableDef* t = store::table_def(n);
        out.push_back(upper(t->name) + ".DBF");
        if (!t->name_for_option44.empty()) out.push_back(t->name_for_option44 + ".DBF");
    }
    return out;
}

Status install(const std::string& target, Env& env = Env::posix()) {
    std::vector<std::string> report;
    return install_reference_tables(env, kSource, target, nullptr, &report);
}

std::unique_ptr<Table> open(const std::string& path, bool shared = false) {
    std::unique_ptr<Table> t;
    store::OpenOptions o;
    o.read_only = !shared;
    Status s = Table::open(Env::posix(), path, o, &t);
    EXPECT_TRUE(s) << s.message();
    return t;
}

// Every file of a folder tree with its bytes.
std::map<std::string, std::string> snapshot(const std::string& dir) {
    std::map<std::string, std::string> out;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir))
        if (e.is_regular_file())
            out[std::filesystem::relative(e.path(), dir).string()] = slurp(e.path().string());
    return out;
}

// Rows of a table by the value of one field.
std::map<std::string, Record> rows_by(Table& t, const std::string& field) {
    std::map<std::string, Record> out;
    EXPECT_TRUE(t.go_top());
    while (!t.eof()) {
        Record r(t.layout_ptr());
        EXPECT_TRUE(t.read(r));
        out.emplace(r.str(field), r);
        EXPECT_TRUE(t.skip());
    }
    return out;
}

void make_table(const std::string& path, int number,
                const std::vector<std::pair<std::string, std::string>>& values) {
    const store::TableDef* t = store::table_def(number);
    Record r(t->layout);
    for (const auto& [f, v] : values) r.set(f, v);
    ASSERT_TRUE(Table::create(Env::posix(), path, *t->layout, {r}, nullptr, true));
}

// A terminal of the office working on an installation directory, with the CDX index layer.
struct Terminal {
    explicit Terminal(const std::string& dir)
        : files(op), w(Env::posix(), op, store::testing::test_clock()) {
        w.ARQDEF = dir;
        w.LOCARQ = dir;
        w.NUSU = "01";
        w.index_files = &files;
    }
    ScriptedOperator op;
    store::CdxIndexFiles files;
    store::WorkAreas w;
};

// Every delivered table opens through ABERTURA with its indexes, none of them found damaged.
void expect_tables_open_with_sound_indexes(const std::string& dir, const std::string& when) {
    Terminal t(dir);
    for (int n : store::delivered_tables()) {
        if (n == 45 && !std::filesystem::exists(dir + "/HELPTXT.DBF")) continue;
        ASSERT_TRUE(store::ABERTURA(t.w, n)) << n << when;
        EXPECT_EQ(t.w.table(n)->index_count(), store::table_def(n)->indexes.size()) << n << when;
    }
    for (const auto& said : t.op.said) EXPECT_NE(said.what, "notice") << said.text << when;
}

// The record table `n` finds for `key` in its order `order` (1 = first index), opened by number.
Record seek(Terminal& t, int n, size_t order, const store::Value& key) {
    EXPECT_TRUE(store::ABERTURA(t.w, n)) << n;
    Table* table = t.w.table(n);
    Record r(store::table_def(n)->layout);
    if (!table) return r;
    table->set_order(order);
    EXPECT_TRUE(table->seek(key));
    EXPECT_TRUE(table->found()) << n << " order " << order;
    if (table->found()) {
        EXPECT_TRUE(table->read(r));
    }
    return r;
}

TEST(Install, NewInstallationHoldsEveryDeliveredTable) {
    TempDir dir;
    ASSERT_TRUE(install(dir.path()));
    for (const std::string& name : delivered_dbfs()) {
        auto t = open(dir.file(name));
        ASSERT_TRUE(t) << name;
        uint32_t count = 0;
        ASSERT_TRUE(t->record_count(&count));
        EXPECT_GT(count, 0u) << name;
        EXPECT_EQ(slurp(dir.file(name)), slurp(kSource + "/" + name)) << name;
    }
    auto help = open(dir.file("HELPTXT.DBF"));
    ASSERT_TRUE(help->go_top());
    while (!help->eof() && help->str("NOME") != "GERAL") ASSERT_TRUE(help->skip());
    ASSERT_FALSE(help->eof());
    std::string text;
    ASSERT_TRUE(help->memo(help->field("TEXTO"), &text));
    EXPECT_NE(text.find("VORN2026"), std::string::npos);
}

// The installation is ready for start-up: the start-up check passes and every delivered table
// opens by its number in its work area.
TEST(Install, EveryTableOpensThroughABERTURA) {
    TempDir dir;
    ASSERT_TRUE(install(dir.path()));
    Terminal t(dir.path());
    ASSERT_TRUE(store::ABERTURA(t.w, 0));
    for (int n : store::delivered_tables()) {
        ASSERT_TRUE(store::ABERTURA(t.w, n)) << n;
        uint32_t count = 0;
        ASSERT_TRUE(t.w.table(n)->record_count(&count));
        EXPECT_GT(count, 0u) << n;
    }
    EXPECT_EQ(t.w.alias(75), "IDOCIDAD");
    t.w.OPCIR_1 = 44;
    ASSERT_TRUE(store::ABERTURA(t.w, 75));
    EXPECT_EQ(t.w.alias(75), "ECACIDAD");
    for (const auto& said : t.op.said) EXPECT_NE(said.what, "notice") << said.text;
}

// Every table opens by its number with its installed indexes, and finds the codes offices look
// up every day in each of its orders.
TEST(Install, IndexesAreInstalledAndSeekTheirKeys) {
    TempDir dir;
    ASSERT_TRUE(install(dir.path()));
    for (int n : store::delivered_tables())
        for (const store::IndexDef& ix : store::table_def(n)->index_files(""))
            EXPECT_TRUE(std::filesystem::exists(dir.file(upper(ix.file) + ".CDX"))) << ix.file;
    expect_tables_open_with_sound_indexes(dir.path(), "");

    using S = std::string;
    Terminal t(dir.path());
    EXPECT_EQ(seek(t, 60, 1, S("105")).str("NOMPAIS"), "Brasil");
    EXPECT_EQ(seek(t, 61, 1, S("249")).str("NOME_EX"), "Estados Unidos");
    EXPECT_EQ(seek(t, 55, 1, S("341")).str("CNPJBAN"), "60.701.190/0001-04");
    EXPECT_EQ(seek(t, 55, 2, S("BCO DO BRASIL")).str("NUMBAN"), "001");
    EXPECT_EQ(seek(t, 55, 3, S("60.701.190/0001-04")).str("NUMBAN"), "341");
    EXPECT_EQ(seek(t, 49, 1, Decimal(10)).str("DESCRICAO"), "Médicos no Brasil");
    EXPECT_NE(seek(t, 47, 1, Decimal(21)).str("DESCRICAO").find("Filho"), std::string::npos);
    EXPECT_EQ(seek(t, 48, 1, Decimal(16)).str("DESCRICAO"), "Pessoas físicas");
    EXPECT_EQ(seek(t, 46, 1, S("07")).str("DESCRICAO"), "Fundos");
    EXPECT_EQ(seek(t, 69, 1, S("0111")).str("DESCRICAO"), "Apartamento");
    EXPECT_EQ(seek(t, 51, 1, S("202412")).num("TJM"), Decimal::from("0.93"));
    EXPECT_EQ(seek(t, 54, 1, Decimal(83)).str("DESCRI"), "Falta preencher");
    EXPECT_EQ(seek(t, 58, 1, S("241")).str("OCUPACAO"), "Advogado");
    EXPECT_EQ(seek(t, 58, 2, S("ODONT")).str("CDPRO"), "226");
    EXPECT_EQ(seek(t, 59, 1, S("81")).str("DESCRAT"), "Espólio");
    EXPECT_EQ(seek(t, 59, 2, S("ESPÓLIO")).str("CODAT"), "81");
    EXPECT_EQ(seek(t, 62, 1, S("5041")).num("LINHA"), Decimal(4));
    EXPECT_EQ(seek(t, 65, 1, S("RUA")).str("CODLOGRA"), "R");
    EXPECT_EQ(seek(t, 45, 1, S("TECLAS")).str("TITULO"), "Teclas de função");
}

TEST(Install, MissingTargetOrSourceChangesNothing) {
    TempDir dir;
    EXPECT_EQ(install(dir.file("nao-existe")).code(), Status::Code::kNotFound);
    std::vector<std::string> report;
    EXPECT_EQ(
        install_reference_tables(Env::posix(), dir.file("sem-ref"), dir.path(), nullptr, &report)
            .code(),
        Status::Code::kNotFound);
    EXPECT_TRUE(snapshot(dir.path()).empty());
}

TEST(Install, ReinstallKeepsTheOfficesTablesAndRows) {
    TempDir dir;
    ASSERT_TRUE(install(dir.path()));
    // What an office has after a season of work.
    make_table(dir.file("CONFIG.DBF"), 42, {{"NRO_TERM", "07"}, {"ROTADOANO", "/dados/2026"}});
    make_table(dir.file("DEFINE.DBF"), 43, {{"GERENTE", "Maria"}});
    make_table(dir.file("DIRET07.DBF"), 50, {{"SELEC", "S"}, {"DIRETOR", "/dados/2026"}});
    std::filesystem::create_directories(dir.file("dados"));
    make_table(dir.file("dados/IMP0926.DBF"), 9, {{"CPF", "12345678909"}, {"NOMECONTR", "ANA"}});
    store::testing::spit(dir.file("anotacoes.txt"), "não apagar");
    {
        auto ufirm = open(dir.file("UFIRM.DBF"), true);
        ASSERT_TRUE(ufirm->lock_table());
        ASSERT_TRUE(ufirm->append());
        ASSERT_TRUE(ufirm->replace(ufirm->field("ANOMES"), "202605"));
        ASSERT_TRUE(ufirm->replace(ufirm->field("TJM"), Decimal::from("1.14")));
        ASSERT_TRUE(ufirm->go_top());
        ASSERT_TRUE(ufirm->replace(ufirm->field("TJM"), Decimal::from("9.99")));  // 202001 retyped
        ASSERT_TRUE(ufirm->close());
        auto contas = open(dir.file("CONTAS.DBF"), true);
        ASSERT_TRUE(contas->lock_table());
        while (!contas->eof()) {
            if (contas->str("CDCONTA") == "7100") {
                ASSERT_TRUE(contas->replace(contas->field("NMDESCRICA"), "Médicos do escritório"));
            }
            if (contas->str("CDCONTA") == "7990") {
                ASSERT_TRUE(contas->delete_record());
            }
            ASSERT_TRUE(contas->skip());
        }
        ASSERT_TRUE(contas->append());
        ASSERT_TRUE(contas->replace(contas->field("CDCONTA"), "9999"));
        ASSERT_TRUE(contas->close());
        auto bancos = open(dir.file("BANCOS.DBF"), true);
        ASSERT_TRUE(bancos->lock_table());
        ASSERT_TRUE(bancos->replace(bancos->field("NOMEBAN"), "ESTRAGADO"));
        ASSERT_TRUE(bancos->close());
    }
    auto before = snapshot(dir.path());

    ASSERT_TRUE(install(dir.path()));

    auto after = snapshot(dir.path());
    for (const char* office :
         {"CONFIG.DBF", "DEFINE.DBF", "DIRET07.DBF", "dados/IMP0926.DBF", "anotacoes.txt"})
        EXPECT_EQ(after.at(office), before.at(office)) << office;
    EXPECT_EQ(after.at("BANCOS.DBF"), slurp(kSource + "/BANCOS.DBF"));
    EXPECT_EQ(after.size(), before.size());

    auto ufirm = open(dir.file("UFIRM.DBF"));
    auto months = rows_by(*ufirm, "ANOMES");
    auto shipped = open(kSource + "/UFIRM.DBF");
    for (const auto& [month, row] : rows_by(*shipped, "ANOMES")) EXPECT_TRUE(months.count(month));
    EXPECT_EQ(months.at("202605").num("TJM"), Decimal::from("1.14"));
    EXPECT_EQ(months.at("202001").num("TJM"), Decimal::from("9.99"));

    auto contas = open(dir.file("CONTAS.DBF"));
    auto accounts = rows_by(*contas, "CDCONTA");
    EXPECT_EQ(accounts.at("7100").str("NMDESCRICA"), "Médicos do escritório");
    EXPECT_FALSE(accounts.count("7990"));
    EXPECT_TRUE(accounts.count("9999"));
    EXPECT_TRUE(accounts.count("5041"));

    expect_tables_open_with_sound_indexes(dir.path(), "");
    Terminal t(dir.path());
    EXPECT_EQ(seek(t, 51, 1, std::string("202605")).num("TJM"), Decimal::from("1.14"));
    EXPECT_EQ(seek(t, 62, 1, std::string("9999")).str("CDCONTA"), "9999");
}

TEST(Install, AccountsTheOfficeLacksAreAdded) {
    TempDir dir;
    make_table(dir.file("CONTAS.DBF"), 62, {{"CDCONTA", "9001"}, {"NMDESCRICA", "Conta própria"}});
    ASSERT_TRUE(install(dir.path()));
    auto contas = open(dir.file("CONTAS.DBF"));
    auto accounts = rows_by(*contas, "CDCONTA");
    EXPECT_EQ(accounts.at("9001").str("NMDESCRICA"), "Conta própria");
    auto shipped = open(kSource + "/CONTAS.DBF");
    EXPECT_EQ(accounts.size(), rows_by(*shipped, "CDCONTA").size() + 1);
}

TEST(Install, ATableOpenOnATerminalStopsTheInstallationBeforeAnyChange) {
    TempDir dir;
    ASSERT_TRUE(install(dir.path()));
    {
        auto bancos = open(dir.file("BANCOS.DBF"), true);
        ASSERT_TRUE(bancos->lock_table());
        ASSERT_TRUE(bancos->replace(bancos->field("NOMEBAN"), "EM USO"));
        ASSERT_TRUE(bancos->unlock());
        auto before = snapshot(dir.path());
        Status s = install(dir.path());
        EXPECT_EQ(s.code(), Status::Code::kLocked);
        EXPECT_NE(s.message().find("BANCOS.DBF"), std::string::npos);
        EXPECT_EQ(snapshot(dir.path()), before);
    }
    EXPECT_TRUE(install(dir.path()));
}

// A crash at any step of a reinstallation leaves every table whole (old or new) or, for HELPTXT,
// absent; the next installation completes.
TEST(Install, ACrashMidwayLeavesWholeTables) {
    TempDir dir;
    ASSERT_TRUE(install(dir.path()));
    store::FaultEnv probe(Env::posix());
    ASSERT_TRUE(install(dir.path(), probe));
    const int steps = probe.steps();
    ASSERT_GT(steps, 20);
    for (int n = 1; n <= steps; n += std::max(1, steps / 12)) {
        store::FaultEnv env(Env::posix());
        env.fail_at(n, true);
        EXPECT_FALSE(install(dir.path(), env)) << n;
        for (const std::string& name : delivered_dbfs()) {
            if (name == "HELPTXT.DBF" && !std::filesystem::exists(dir.file(name))) continue;
            std::unique_ptr<Table> t;
            store::OpenOptions o;
            o.read_only = true;
            Status s = Table::open(Env::posix(), dir.file(name), o, &t);
            ASSERT_TRUE(s) << "step " << n << ": " << s.message();
        }
        expect_tables_open_with_sound_indexes(dir.path(),
                                              " after a crash at step " + std::to_string(n));
        ASSERT_TRUE(install(dir.path())) << "after a crash at step " << n;
    }
}

}  // namespace
}  // namespace vorn::shell
