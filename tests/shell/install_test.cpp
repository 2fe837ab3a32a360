// Installing the reference tables: a new installation gets every table, a reinstallation replaces
// only the delivered tables and keeps what the office typed, and a table in use stops it whole.
#include "shell/install.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "../store/store_test_util.h"
#include "base/text.h"
#include "store/catalogue.h"
#include "store/dbf.h"
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
    std::string text;
    ASSERT_TRUE(help->memo(help->field("TEXTO"), &text));
    EXPECT_NE(text.find("VORN2026"), std::string::npos);
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
    for (int n = 1; n <= steps; n += 9) {
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
        ASSERT_TRUE(install(dir.path())) << "after a crash at step " << n;
    }
}

}  // namespace
}  // namespace vorn::shell
