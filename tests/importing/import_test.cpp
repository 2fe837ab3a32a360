// Importing files into a folder's declarations: the asset export read back, each file imported
// twice, a bad line that writes nothing, a failure at every write step, a declaration open on
// another terminal, and the batch command's lines and exit status.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <utility>

#include <unistd.h>

#include "base/text.h"
#include "import_fixture.h"
#include "importing/aux_tables.h"
#include "importing/import_plan.h"
#include "output/exports.h"
#include "shell/commands.h"
#include "store/catalogue.h"
#include "store/cdx_index.h"
#include "store/dbf.h"
#include "store/declaration.h"
#include "store/opening.h"
#include "store_test_util.h"

namespace vorn::importing {
namespace {

using store::Env;
using store::Record;

constexpr const char* kAna = "12345678909";
constexpr const char* kBia = "98765432100";

void asset(store::Declaration& d, int number, const char* descr, const char* prior,
           const char* current, const char* street) {
    Record r(store::table_def(4)->layout);
    r.set("CPF", d.cpf());
    r.set("I7_0", Decimal(number));
    r.set("I7_2", descr);
    r.set("I7_3", Decimal::from(prior));
    r.set("I7_9", Decimal::from(prior));
    r.set("I7_4", Decimal::from(current));
    r.set("I7_5", Decimal(11));
    r.set("GRPO", "01");
    r.set("CODB", "11");
    r.set("ENDEIMO", street);
    r.set("NUMIMO", "12");
    r.set("CEPIMO", "01310100");
    r.set("MUNICIMO", "SAO PAULO");
    r.set("UFIMO", "SP");
    r.set("DATA_IMO", Date(2015, 7, 3));
    r.set("AREAIMO", Decimal::from("123.5"));
    r.set("MATRICU", "4455");
    ASSERT_TRUE(d.working(4)->append(&r).is_ok());
}

// The fields both export forms carry.
std::vector<std::string> exported(const Record& a) {
    std::vector<std::string> out;
    for (const char* f : {"I7_2", "GRPO", "CODB", "ENDEIMO", "NUMIMO", "CEPIMO", "MUNICIMO",
                          "UFIMO", "MATRICU", "I7_7"})
        out.push_back(a.str(f));
    for (const char* f : {"I7_0", "I7_3", "I7_9", "I7_4", "AREAIMO"})
        out.push_back(a.num(f).to_string(2));
    out.push_back(a.date("DATA_IMO").dtos());
    return out;
}

TEST(ImportAssets, TheExportReadBackGivesTheSameAssetsAndASecondImportChangesNothing) {
    for (const bool xml : {false, true}) {
        SCOPED_TRACE(xml ? "xml" : "txt");
        Folder from;
        from.create(kAna, "ANA SOUZA", [](store::Declaration& d) {
            asset(d, 10, "CASA NA PRAIA", "1234.56", "150000.00", "RUA A");
            asset(d, 20, "TERRENO", "0.00", "98765.43", "RUA B");
        });
        std::vector<std::string> files;
        ASSERT_TRUE(output::export_assets(Env::posix(), from.data.path(), {kAna},
                                          from.source.path(), xml, false, &files)
                        .is_ok());
        Folder to;
        to.create(kAna, "ANA SOUZA");
        to.create(kBia, "BIA LIMA",
                  [](store::Declaration& d) { asset(d, 10, "CARRO", "1.00", "2.00", ""); });
        fs::copy_file(files[0], to.source.file(fs::path(files[0]).filename().string()));
        const ImportKind kind = xml ? ImportKind::kAssetsXml : ImportKind::kAssetsAll;
        auto first = to.run(kind);
        ASSERT_EQ(first.size(), 1u);
        EXPECT_EQ(first[0].outcome, ImportResult::Outcome::kImported) << first[0].text;
        const auto want = from.live(4, kAna), got = to.live(4, kAna);
        ASSERT_EQ(got.size(), want.size());
        for (size_t k = 0; k < want.size(); ++k) EXPECT_EQ(exported(got[k]), exported(want[k]));
        EXPECT_EQ(to.live(4, kBia).size(), 1u);  // another taxpayer's assets are not touched

        const auto tables = to.items();
        auto second = to.run(kind);
        ASSERT_EQ(second.size(), 1u);
        EXPECT_EQ(second[0].outcome, ImportResult::Outcome::kExisting) << second[0].text;
        EXPECT_EQ(to.items(), tables);
    }
}

TEST(ImportFiles, EachKindImportedTwiceGivesTheSameTables) {
    struct Case {
        ImportKind kind;
        const char* file;
        const char* as;
    };
    for (const Case& c : {Case{ImportKind::kAssetsAll, "Bens12345678909Ana Souza.txt", ""},
                          Case{ImportKind::kAssetsRealEstate, "Bens12345678909Ana Souza.txt", ""},
                          Case{ImportKind::kLeao, "12345678909Leao.txt", "12345678909LEAO.TXT"},
                          Case{ImportKind::kLcdpr, "LCDPR-12345678909.txt", ""},
                          Case{ImportKind::kStatements, "Ana-Souza-Informe-xml.XML", ""}}) {
        SCOPED_TRACE(c.file);
        Folder f;
        f.create(kAna, "ANA SOUZA");
        f.copy_in(c.file, c.as);
        auto first = f.run(c.kind);
        ASSERT_EQ(first.size(), 1u);
        EXPECT_EQ(first[0].outcome, ImportResult::Outcome::kImported) << first[0].text;
        const auto tables = f.items();
        auto second = f.run(c.kind);
        ASSERT_EQ(second.size(), 1u);
        EXPECT_EQ(second[0].outcome, ImportResult::Outcome::kExisting) << second[0].text;
        EXPECT_EQ(f.items(), tables);
        EXPECT_EQ(f.live(9, kAna).at(0).str("NUSUAT"), "");
    }
}

TEST(ImportFiles, WhatEachFileWritesReachesTheDeclaration) {
    Folder f;
    f.create(kAna, "ANA SOUZA");
    f.copy_in("12345678909Leao.txt");
    f.copy_in("LCDPR-12345678909.txt");
    f.copy_in("Ana-Souza-Informe-xml.XML");
    ASSERT_EQ(f.run(ImportKind::kLeao).at(0).outcome, ImportResult::Outcome::kImported);
    ASSERT_EQ(f.run(ImportKind::kStatements).at(0).outcome, ImportResult::Outcome::kImported);
    const auto incomes = f.live(2, kAna);
    ASSERT_EQ(incomes.size(), 4u);
    EXPECT_EQ(incomes[0].num("I1_401"), Decimal::from("1500.00"));
    EXPECT_EQ(incomes[3].str("I1_3"), "11.222.333/0001-81");
    EXPECT_EQ(incomes[3].num("I1_4"), Decimal::from("50000.00"));
    ASSERT_EQ(f.live(6, kAna).size(), 1u);

    // The LCDPR book: the address where there was none, three properties for three partners.
    ASSERT_EQ(f.run(ImportKind::kLcdpr).at(0).outcome, ImportResult::Outcome::kImported);
    const Record reg = f.live(9, kAna).at(0);
    EXPECT_EQ(reg.str("ENDERECO"), "DAS PALMEIRAS");
    EXPECT_EQ(reg.str("TEMRURAL"), "S");
    const auto properties = f.live(16, kAna);
    ASSERT_EQ(properties.size(), 4u);
    EXPECT_EQ(properties[0].str("NOME_CONTR"), "JOAO PARCEIRO");
    EXPECT_EQ(properties[1].str("NOME_CONTR"), "PEDRO PARCEIRO");
    EXPECT_EQ(properties[2].str("NOME_CONTR"), "AGRO LTDA");
    EXPECT_EQ(f.live(19, kAna).size(), 2u);
    EXPECT_EQ(f.live(21, kAna).size(), 1u);
    const auto result = f.live(15, kAna);
    ASSERT_EQ(result.size(), 1u);
    EXPECT_EQ(result[0].num("TIPO_LANCA"), Decimal(2));
    EXPECT_EQ(result[0].num("I3_03OR"), Decimal::from("15000.00"));
}

TEST(ImportFiles, ABadLastLineLeavesTheFolderByteForByte) {
    Folder f;
    f.create(kAna, "ANA SOUZA",
             [](store::Declaration& d) { asset(d, 10, "CASA", "1.00", "2.00", "RUA A"); });
    f.copy_in("bad_last_line.txt", "Bens12345678909Ana.txt");
    const auto before = f.bytes();
    auto r = f.run(ImportKind::kAssetsAll);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].outcome, ImportResult::Outcome::kRefused);
    EXPECT_NE(r[0].text.find("linha 4"), std::string::npos) << r[0].text;
    EXPECT_EQ(f.bytes(), before);

    // A Leão book whose line after the end marker is bad writes nothing either.
    std::ofstream(f.source.file("12345678909Leao.txt"), std::ios::binary)
        << "01;A;11144477735;100;\n99\n03;B;11144477735;1;\n";
    auto leao = f.run(ImportKind::kLeao);
    ASSERT_EQ(leao.size(), 1u);
    EXPECT_EQ(leao[0].outcome, ImportResult::Outcome::kRefused);
    EXPECT_NE(leao[0].text.find("linha 3"), std::string::npos);
    EXPECT_EQ(f.bytes(), before);
}

TEST(ImportFiles, ADeclarationOpenOnAnotherTerminalIsLeftAlone) {
    Folder f;
    f.create(kAna, "ANA SOUZA");
    f.copy_in("12345678909Leao.txt");
    store::CdxIndexFiles cdx(f.op);
    store::WorkAreas w(Env::posix(), f.op, f.clock);
    w.ARQDEF = w.LOCARQ = f.data.path();
    w.NUSU = "07";
    w.index_files = &cdx;
    Scratch work;
    store::Declaration open(w, {work.path(), "OUTRA"});
    ASSERT_TRUE(open.load(kAna, store::LoadMode::kExisting, true).is_ok());
    const auto before = f.items();
    auto r = f.run(ImportKind::kLeao);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].outcome, ImportResult::Outcome::kInUse);
    EXPECT_EQ(r[0].text, "07");
    EXPECT_EQ(f.items(), before);
    EXPECT_EQ(f.live(9, kAna).at(0).str("NUSUAT"), "07");
    ASSERT_TRUE(open.release().is_ok());
}

// Sets a declaration's in-use mark in the registry as a terminal opening it does.
void mark_open(const Folder& f, const char* cpf, const char* terminal) {
    std::unique_ptr<store::Table> t;
    ASSERT_TRUE(store::Table::open(Env::posix(), f.table(9), store::OpenOptions{}, &t).is_ok());
    std::vector<uint32_t> slots;
    ASSERT_TRUE(store::records_of(*t, cpf, nullptr, &slots).is_ok());
    ASSERT_TRUE(t->go_to(slots.at(0)).is_ok());
    ASSERT_TRUE(t->lock_record().is_ok());
    Record r(t->layout_ptr());
    ASSERT_TRUE(t->read(r).is_ok());
    r.set("NUSUAT", terminal);
    ASSERT_TRUE(t->put(r).is_ok());
    ASSERT_TRUE(t->unlock().is_ok());
    ASSERT_TRUE(t->close().is_ok());
}

// An operator through whom a terminal opens the declaration just as the import starts loading it.
struct RacingOperator : ScriptedOperator {
    std::function<void()> on_load;
    void status(std::string_view text) override {
        if (text == "Reprocessando...." && on_load) std::exchange(on_load, nullptr)();
        ScriptedOperator::status(text);
    }
};

TEST(ImportFiles, ATerminalOpeningTheDeclarationAsTheImportLoadsItKeepsIt) {
    Folder f;
    f.create(kAna, "ANA SOUZA");
    f.copy_in("12345678909Leao.txt");
    const auto before = f.items();
    std::vector<Candidate> cs;
    std::vector<Passed> passed;
    ASSERT_TRUE(gather_candidates(Env::posix(), ImportKind::kLeao, f.source.path(), f.data.path(),
                                  &cs, &passed)
                    .is_ok());
    ASSERT_EQ(cs.size(), 1u);
    RacingOperator op;
    op.on_load = [&] { mark_open(f, kAna, "07"); };
    const ImportResult r = import_file(Env::posix(), f.request(ImportKind::kLeao), cs[0], op);
    EXPECT_EQ(r.outcome, ImportResult::Outcome::kInUse) << r.text;
    EXPECT_EQ(r.text, "07");
    EXPECT_EQ(f.live(9, kAna).at(0).str("NUSUAT"), "07");
    EXPECT_EQ(f.items(), before);
}

// Fails every write step of an import in turn (those with step % 3 == shard, so that each shard
// stays short under the sanitizers): each declaration is left as it was, or imported once its
// working set is recovered on the run's terminal.
void fail_each_step(int shard) {
    Folder base;
    base.create(kAna, "ANA SOUZA",
                [](store::Declaration& d) { asset(d, 10, "CASA", "1.00", "2.00", "RUA A"); });
    base.copy_in("Bens12345678909Ana Souza.txt");
    const auto before = base.items();
    // The imported tables, from an import that does not fail.
    std::map<int, std::vector<std::string>> imported;
    int total = 0;
    {
        Folder f;
        fs::copy(base.data.path(), f.data.path(),
                 fs::copy_options::overwrite_existing | fs::copy_options::recursive);
        fs::copy(base.source.path(), f.source.path(),
                 fs::copy_options::overwrite_existing | fs::copy_options::recursive);
        store::FaultEnv counter(Env::posix());
        ASSERT_EQ(f.run(ImportKind::kAssetsAll, counter).at(0).outcome,
                  ImportResult::Outcome::kImported);
        total = counter.steps();
        imported = f.items();
    }
    ASSERT_GT(total, 10);
    for (int step = 1; step <= total; ++step) {
        if (step % 3 != shard) continue;
        SCOPED_TRACE("failed at step " + std::to_string(step));
        Folder f;
        fs::copy(base.data.path(), f.data.path(),
                 fs::copy_options::overwrite_existing | fs::copy_options::recursive);
        fs::copy(base.source.path(), f.source.path(),
                 fs::copy_options::overwrite_existing | fs::copy_options::recursive);
        store::FaultEnv faults(Env::posix());
        faults.fail_at(step, store::Crash::kMachine);
        (void)f.run(ImportKind::kAssetsAll, faults);
        // Marked on the run's terminal: its working set is there to finish the import.
        if (f.live(9, kAna).at(0).str("NUSUAT") == "00") {
            store::CdxIndexFiles cdx(f.op);
            store::WorkAreas w(Env::posix(), f.op, f.clock);
            w.ARQDEF = w.LOCARQ = f.data.path();
            w.NUSU = "00";
            w.index_files = &cdx;
            store::Declaration d(w, {f.data.path(), "IMPORTACAO"});
            ASSERT_TRUE(d.load(kAna, store::LoadMode::kRecovery, true).is_ok());
            ASSERT_TRUE(d.save(true).is_ok());
        }
        const auto now = f.items();
        EXPECT_TRUE(now.at(4) == before.at(4) || now.at(4) == imported.at(4));
        EXPECT_EQ(f.live(9, kAna).at(0).str("NUSUAT"), "");
    }
}

TEST(ImportFiles, AFailureAtAnyWriteLeavesTheDeclarationAsBeforeOrImported0) {
    fail_each_step(0);
}
TEST(ImportFiles, AFailureAtAnyWriteLeavesTheDeclarationAsBeforeOrImported1) {
    fail_each_step(1);
}
TEST(ImportFiles, AFailureAtAnyWriteLeavesTheDeclarationAsBeforeOrImported2) {
    fail_each_step(2);
}

TEST(ImportCommand, LinesPerFileStatusAndCheckingWritesNothing) {
    Folder f;
    f.create(kAna, "ANA SOUZA");
    f.copy_in("Bens12345678909Ana Souza.txt");
    {
        // Bia's list, whose last line is bad.
        std::ifstream in(data_path("bad_last_line.txt"), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        std::string text = s.str();
        for (const std::string from : {"123.456.789-09", "12345678909"})
            for (size_t p; (p = text.find(from)) != std::string::npos;)
                text.replace(p, from.size(), kBia);
        std::ofstream(f.source.file("Bens98765432100Bia.txt"), std::ios::binary) << text;
    }
    f.copy_in("bad_last_line.txt", "Bens11144477735Cid.txt");  // Cid's is in another folder
    Folder other;
    other.create("11144477735", "CID COSTA");
    {
        // The run's terminal (00) lists the other folder among the office's.
        store::WorkAreas w(Env::posix(), f.op, f.clock);
        w.ARQDEF = f.data.path();
        const std::string list = f.data.file(store::table_def(50)->file_base("00") + ".DBF");
        ASSERT_TRUE(store::CRIA(w, "50", list));
        std::unique_ptr<store::Table> t;
        ASSERT_TRUE(store::Table::open(Env::posix(), list, store::OpenOptions{}, &t).is_ok());
        Record r(t->layout_ptr());
        r.set("DIRETOR", other.data.path());
        ASSERT_TRUE(t->append(&r).is_ok());
        ASSERT_TRUE(t->close().is_ok());
    }
    const std::vector<std::string> common = {"--folder",      f.data.path(), "--from",
                                             f.source.path(), "--now",       "2026-04-10 09:00:00",
                                             "--install",     f.data.path()};
    auto with = [&](std::vector<std::string> more) {
        more.insert(more.begin(), common.begin(), common.end());
        return import_command(more);
    };
    const auto before = f.bytes();
    Command check = with({"--kind", "20.2", "--all", "--check"});
    EXPECT_EQ(check.status, 0) << check.err;
    EXPECT_NE(check.out.find("12345678909 Bens12345678909Ana Souza.txt: pode ser importado"),
              std::string::npos)
        << check.out;
    EXPECT_NE(check.out.find("Bens11144477735Cid.txt: ignorado: CPF - 11144477735 - está na "
                             "pasta " +
                             other.data.path()),
              std::string::npos)
        << check.out;
    EXPECT_EQ(f.bytes(), before);

    f.create(kBia, "BIA LIMA");
    Command run = with({"--kind", "20.2", "--all"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.out.find("12345678909 Bens12345678909Ana Souza.txt: importado"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("recusado: linha 4"), std::string::npos) << run.out << run.err;
    EXPECT_EQ(f.live(4, kAna).size(), 3u);
    EXPECT_EQ(f.live(4, kBia).size(), 0u);

    Command only = with({"--kind", "20.2", "--cpf", "123.456.789-09"});
    EXPECT_EQ(only.status, 0) << only.out;
    EXPECT_NE(only.out.find("Já existente"), std::string::npos);
    EXPECT_EQ(only.out.find("Bia"), std::string::npos);

    Command absent = with({"--kind", "20.2", "--cpf", "52998224725"});
    EXPECT_EQ(absent.status, 2);
    EXPECT_NE(absent.out.find("52998224725: recusado: nenhum arquivo"), std::string::npos);

    Command unknown = with({"--kind", "9", "--all"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_NE(unknown.err.find("3, 5, 7, 8, 11, 12, 13, 14, 20.1, 20.2, 21, 22, 23, 24, 26"),
              std::string::npos)
        << unknown.err;
    Command gains = with({"--kind", "4", "--all"});
    EXPECT_EQ(gains.status, 1);
    EXPECT_NE(gains.err.find("tipo 4 não importado: os registros 60 a 62"), std::string::npos)
        << gains.err;
    Command no_declaration = with({"--kind", "3", "--all"});
    EXPECT_EQ(no_declaration.status, 1);
    EXPECT_NE(
        no_declaration.err.find("O local escolhido não contém a informação pedida da Receita"),
        std::string::npos)
        << no_declaration.err;
    EXPECT_EQ(with({"--kind", "21"}).status, 1);  // neither --all nor --cpf
    EXPECT_EQ(with({"--kind", "21", "--all", "--answer", "S"}).status, 1);
}

// Kind 11: the cash-book program's export, its declarant in record "01", replaces the book.
TEST(ImportCommand, RuralCashBookExportOfKind11) {
    Folder f;
    f.create(kAna, "ANA SOUZA");
    std::ifstream in(std::string(VORN_SOURCE_DIR) + "/tests/data/rural_book/detailed.txt",
                     std::ios::binary);
    std::stringstream book;
    book << in.rdbuf();
    std::string text = book.str();
    text.replace(0, text.find('\n'), "01" + std::string(kAna) + "ANA SOUZA\r");
    const std::string name = "12345678909 ANA SOUZA LIVRO CEXPORTA-IRPF2026.txt";
    ASSERT_EQ(name.find("EXPORTA"), 29u);
    std::ofstream(f.source.file(name), std::ios::binary) << text;
    std::ofstream(f.source.file("outro arquivo qualquer.txt")) << text;  // not the program's
    const std::vector<std::string> args = {"--folder",  f.data.path(),
                                           "--from",    f.source.path(),
                                           "--now",     "2026-04-10 09:00:00",
                                           "--install", f.data.path(),
                                           "--kind",    "11",
                                           "--all"};
    Command run = import_command(args);
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("12345678909 " + name + ": importado"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("outro arquivo"), std::string::npos) << run.out;
    const size_t entries = f.live(19, kAna).size();
    EXPECT_GT(entries, 0u);
    EXPECT_EQ(f.live(9, kAna)[0].str("TEMRURAL"), "S");
    // Twice: the book replaced, not doubled.
    Command again = import_command(args);
    EXPECT_EQ(again.status, 0) << again.out << again.err;
    EXPECT_EQ(f.live(19, kAna).size(), entries);
}

}  // namespace
}  // namespace vorn::importing

namespace vorn::importing {
namespace {

TEST(ImportAuxTables, CopiedTablesOpenWithTheirIndexesAndOneInUseStaysAsItWas) {
    Scratch install, source;
    ManualClock clock{DateTime{Date(2026, 4, 10), 9 * 3600}};
    ScriptedOperator op;
    store::CdxIndexFiles cdx(op);
    store::WorkAreas w(Env::posix(), op, clock);
    w.ARQDEF = w.LOCARQ = install.path();
    w.index_files = &cdx;
    // Last year's tables: a list of assets with one description, and the banks.
    for (const char* n : {"52", "77"}) {
        const std::string file =
            source.file(store::table_def(std::stoi(n))->file_base("") + ".DBF");
        ASSERT_TRUE(store::CRIA(w, n, file));
        std::unique_ptr<store::Table> t;
        ASSERT_TRUE(store::Table::open(Env::posix(), file, store::OpenOptions{}, &t).is_ok());
        Record r(t->layout_ptr());
        r.set(std::string(n) == "52" ? "DESCRICAO" : "NOME", "CASA DA PRAIA");
        ASSERT_TRUE(t->append(&r).is_ok());
        ASSERT_TRUE(t->close().is_ok());
    }
    std::ofstream(source.file("auxnada.dbf"), std::ios::binary) << "not a table";
    // This year's bank list, open on another terminal.
    const std::string banks = install.file(store::table_def(77)->file_base("") + ".DBF");
    ASSERT_TRUE(store::CRIA(w, "77", banks));
    std::unique_ptr<store::Table> open_elsewhere;
    ASSERT_TRUE(
        store::Table::open(Env::posix(), banks, store::OpenOptions{}, &open_elsewhere).is_ok());
    std::ifstream in(banks, std::ios::binary);
    std::stringstream before;
    before << in.rdbuf();

    const auto checked = copy_aux_tables(w, source.path(), true);
    EXPECT_FALSE(Env::posix().exists(install.file("AUXBENS.DBF")));
    const auto done = copy_aux_tables(w, source.path(), false);
    ASSERT_EQ(done.size(), 3u);
    ASSERT_EQ(checked.size(), 3u);
    std::map<std::string, AuxCopy> by;
    for (const auto& c : done) by[upper(c.file)] = c;
    EXPECT_TRUE(by["AUXBENS.DBF"].copied) << by["AUXBENS.DBF"].text;
    EXPECT_FALSE(by["AUXBANCO.DBF"].copied);
    EXPECT_NE(by["AUXBANCO.DBF"].text.find("em uso"), std::string::npos);
    EXPECT_FALSE(by["AUXNADA.DBF"].copied);
    std::ifstream again(banks, std::ios::binary);
    std::stringstream after;
    after << again.rdbuf();
    EXPECT_EQ(after.str(), before.str());
    ASSERT_TRUE(open_elsewhere->close().is_ok());

    // The copy opens as the program opens it, found through its index.
    ASSERT_TRUE(store::ABERTURA(w, 52));
    store::Table* assets = w.table(52);
    ASSERT_NE(assets, nullptr);
    ASSERT_TRUE(assets->go_top().is_ok());
    ASSERT_FALSE(assets->eof());
    EXPECT_EQ(assets->str("DESCRICAO"), "CASA DA PRAIA");
    w.close(52);
}

}  // namespace
}  // namespace vorn::importing
