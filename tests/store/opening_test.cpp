// Tables by number: creation from the catalogue, ABERTURA with the start-up check, closing
// groups of areas and the structure upgrade's messages.
#include "store/opening.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/text.h"
#include "store/catalogue.h"
#include "store_test_util.h"

namespace vorn::store {
namespace {

using testing::FakeIndexFiles;
using testing::slurp;
using testing::TempDir;
using testing::test_clock;

std::string two(int n) {
    return (n < 10 ? "0" : "") + std::to_string(n);
}

struct Office {
    explicit Office(const TempDir& d, std::string nusu = "00")
        : w(Env::posix(), op, test_clock()), dir(d) {
        data = d.file("dados");
        std::filesystem::create_directories(data);
        w.ARQDEF = d.path() + "/";
        w.LOCARQ = data;
        w.NUSU = std::move(nusu);
        w.index_files = &files;
    }
    // The reference tables the start-up check needs, as the installation delivers them.
    void install_reference_tables() {
        const std::pair<const char*, const char*> refs[] = {
            {"CODBENS", "GRUBEM C2, DESCRICAO C60"}, {"CODEPEN", "CODDEP C2, DESCRICAO C60"},
            {"CODDIVI", "CODDIV C2, DESCRICAO C60"}, {"DESPESA", "CODDES N2.0, DESCRICAO C60"},
            {"UFIRM", "ANOMES C6, VALOR N12.4"},     {"OCUPACAO", "CDPRO C3, OCUPACAO C69"}};
        for (auto [name, fields] : refs)
            ASSERT_OK(Table::create(Env::posix(), dir.file(std::string(name) + ".DBF"),
                                    Layout(parse_fields(fields)), {}, &test_clock(), false));
    }
    std::vector<std::string> folders() {
        std::vector<std::string> out;
        Table& t = *w.table(50);
        for (Status s = t.go_top(); s && !t.eof(); s = t.skip())
            out.push_back(t.str("SELEC") + " " + t.str("DIRETOR"));
        return out;
    }
    ScriptedOperator op;
    FakeIndexFiles files;
    WorkAreas w;
    const TempDir& dir;
    std::string data;
};

uint16_t u16(const std::string& b, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) |
                                 (static_cast<uint8_t>(b[at + 1]) << 8));
}

// The header bytes of a created table against the catalogue's layout, field by field.
void expect_header_matches(const std::string& path, const Layout& layout, int table) {
    SCOPED_TRACE("table " + std::to_string(table));
    std::string b = slurp(path);
    ASSERT_GE(b.size(), 32 + 32 * layout.size() + 1);
    EXPECT_EQ(b[0], 0x03);
    EXPECT_EQ(u16(b, 8), 32 + 32 * layout.size() + 1);
    EXPECT_EQ(u16(b, 10), layout.record_length());
    uint32_t offset = 1;
    for (size_t i = 0; i < layout.size(); ++i) {
        const FieldDef& f = layout[i];
        const char* d = b.data() + 32 + 32 * i;
        std::string name(d, 11);
        EXPECT_EQ(name.substr(0, name.find('\0')), upper(f.name)) << i;
        EXPECT_EQ(name.find_first_not_of('\0', f.name.size()), std::string::npos) << f.name;
        EXPECT_EQ(d[11], static_cast<char>(f.type)) << f.name;
        EXPECT_EQ(static_cast<uint32_t>(u16(b, 32 + 32 * i + 12)), offset) << f.name;
        unsigned len = static_cast<uint8_t>(d[16]), dec = static_cast<uint8_t>(d[17]);
        if (f.type == FieldType::kChar) {
            EXPECT_EQ(len + 256 * dec, static_cast<unsigned>(f.width)) << f.name;
        } else {
            EXPECT_EQ(len, static_cast<unsigned>(f.width)) << f.name;
            EXPECT_EQ(dec, static_cast<unsigned>(f.decimals)) << f.name;
        }
        offset += static_cast<uint32_t>(f.width);
    }
    EXPECT_EQ(b[32 + 32 * layout.size()], 0x0D);
    // And read back, the engine sees the same layout.
    std::shared_ptr<const Layout> back;
    ASSERT_OK(Table::read_layout(Env::posix(), path, &back));
    ASSERT_EQ(back->size(), layout.size());
    for (size_t i = 0; i < layout.size(); ++i) {
        EXPECT_EQ((*back)[i].width, layout[i].width);
        EXPECT_EQ((*back)[i].decimals, layout[i].decimals);
    }
}

TEST(Cria, CreatesEveryTableWithTheCatalogueLayout) {
    TempDir dir;
    Office office(dir);
    int created = 0;
    for (const TableDef& def : all_tables()) {
        std::string path = dir.file(def.file_base("07") + ".DBF");
        bool ok = CRIA(office.w, two(def.number), path);
        EXPECT_EQ(ok, !def.reference) << def.number;
        if (!ok) {
            EXPECT_FALSE(std::filesystem::exists(path)) << def.number;
            continue;
        }
        expect_header_matches(path, *def.layout, def.number);
        ++created;
    }
    EXPECT_GE(created, 21 + 20);
    // Areas 22 to 41 take the structure of tables 2 to 21.
    for (int n = 22; n <= 41; ++n) {
        std::string path = dir.file("TMP_" + two(n) + ".DBF");
        ASSERT_TRUE(CRIA(office.w, two(n), path)) << n;
        expect_header_matches(path, *table_def(n - 20)->layout, n);
    }
    EXPECT_FALSE(CRIA(office.w, "99", dir.file("X.DBF")));
    EXPECT_FALSE(CRIA(office.w, "x1", dir.file("X.DBF")));
}

TEST(Cria, ShowsWhatItCreatesAndWritesTheInitialRows) {
    TempDir dir;
    Office office(dir);
    ASSERT_TRUE(CRIA(office.w, "10", dir.file("IMP1026")));
    EXPECT_TRUE(std::filesystem::exists(dir.file("IMP1026.DBF")));
    ASSERT_TRUE(CRIA(office.w, "50", dir.file("DIRET00.DBF")));
    ASSERT_TRUE(CRIA(office.w, "09", dir.file("IMP0926.DBF")));
    std::vector<std::string> shown;
    for (const auto& s : office.op.said)
        if (s.what == "progress") shown.push_back(s.text);
    EXPECT_EQ(shown, (std::vector<std::string>{"Criando IMP1026.DBF", "Criando IMP10.DBF",
                                               "Criando DIRETOR.DBF", "Criando IMP0926.DBF"}));

    ASSERT_TRUE(ABERTURA(office.w, 43));
    Table& def = *office.w.table(43);
    EXPECT_EQ(def.date("VCTO1"), Date(2026, 5, 29));
    EXPECT_EQ(def.date("VCTO8"), Date(2026, 12, 30));
    EXPECT_EQ(def.num("VAL_DOLAR"), Decimal::from("5.2171"));
    EXPECT_EQ(def.str("PROCESSA"), "N");
    // ALTCOIN gets its rows only at creation: an existing table keeps what it has.
    ASSERT_TRUE(ABERTURA(office.w, 91));
    Table& alt = *office.w.table(91);
    EXPECT_EQ(alt.str("DESCRICAO"), "999 - Outras Altcoins");  // controlling order: DESCRICAO
    alt.set_order(0);
    ASSERT_OK(alt.go_top());
    EXPECT_EQ(alt.str("DESCRICAO"), "ETH - Ether");
    ASSERT_OK(alt.delete_record());
    ASSERT_OK(alt.pack());
    ASSERT_TRUE(ABERTURA(office.w, 91));
    uint32_t n = 0;
    ASSERT_OK(office.w.table(91)->record_count(&n));
    EXPECT_EQ(n, 15u);
    ASSERT_TRUE(ABERTURA(office.w, 92));
    ASSERT_OK(office.w.table(92)->record_count(&n));
    EXPECT_EQ(n, 11u);
}

TEST(Abertura, OpensByNumberInTheCatalogueMode) {
    TempDir dir;
    Office office(dir);
    WorkAreas& w = office.w;
    ASSERT_TRUE(ABERTURA(w, 9, true));  // per-declaration: as requested
    EXPECT_TRUE(w.table(9)->exclusive());
    EXPECT_TRUE(std::filesystem::exists(office.data + "/IMP0926.DBF"));
    EXPECT_EQ(w.table(9)->index_count(), 3u);
    ASSERT_TRUE(ABERTURA(w, 42, true));  // CONFIG is always shared
    EXPECT_FALSE(w.table(42)->exclusive());
    EXPECT_TRUE(std::filesystem::exists(dir.file("CONFIG.DBF")));
    ASSERT_TRUE(ABERTURA(w, 70));  // LISNOME is always exclusive
    EXPECT_TRUE(w.table(70)->exclusive());
    EXPECT_TRUE(std::filesystem::exists(dir.file("LISNOMEB.CDX")));
    EXPECT_TRUE(ABERTURA(w, 99));  // no such table: nothing happens
    EXPECT_EQ(w.table(99), nullptr);
    // Table 20 has two index files; table 21's second one is "COD_CONTA" in the data folder.
    office.files.log.clear();
    ASSERT_TRUE(ABERTURA(w, 20));
    ASSERT_TRUE(ABERTURA(w, 21));
    EXPECT_EQ(
        office.files.log,
        (std::vector<std::string>{"build IMP2026.CDX", "attach IMP2026.CDX", "build IMP2026B.CDX",
                                  "attach IMP2026B.CDX", "build IMP2126.CDX", "attach IMP2126.CDX",
                                  "build COD_CONTA.CDX", "attach COD_CONTA.CDX"}));
    EXPECT_TRUE(std::filesystem::exists(office.data + "/COD_CONTA.CDX"));
    // Table 75's file depends on the menu option.
    w.OPCIR_1 = 44;
    EXPECT_FALSE(ABERTURA(w, 75));
    EXPECT_EQ(office.op.said.back().text, "ECACIDAD não localizado e não criado");
    w.OPCIR_1 = 0;
    EXPECT_FALSE(ABERTURA(w, 75));
    EXPECT_EQ(office.op.said.back().text, "IDOCIDAD não localizado e não criado");
    // The terminal's own tables carry its number.
    ASSERT_TRUE(ABERTURA(w, 68));
    EXPECT_TRUE(std::filesystem::exists(dir.file("DETALH00.DBF")));

    FECHA_PROV(w);
    EXPECT_NE(w.table(9), nullptr);
    EXPECT_NE(w.table(20), nullptr);
    EXPECT_EQ(w.table(21), nullptr);
    FECHA_TODO(w);
    EXPECT_NE(w.table(9), nullptr);  // the registry stays open
    EXPECT_EQ(w.table(20), nullptr);
    EXPECT_NE(w.table(42), nullptr);
}

TEST(Abertura, StartUpCheckOpensWhatTheProgramNeedsAndKeepsTheFolderList) {
    TempDir dir(true);
    Office office(dir);
    office.install_reference_tables();
    std::filesystem::create_directories(dir.file("outra"));
    // A folder list with a folder that exists and one that no longer does.
    ASSERT_TRUE(ABERTURA(office.w, 50));
    EXPECT_EQ(office.folders(), (std::vector<std::string>{"S " + dir.path()}));  // first entry
    Table* list = office.w.table(50);
    for (const std::string& f : {dir.file("outra"), dir.file("sumiu")}) {
        Record r(list->layout_ptr());
        r.set("SELEC", "N");
        r.set("DIRETOR", f);
        ASSERT_OK(list->append(&r));
    }
    ASSERT_TRUE(ABERTURA(office.w, 0));
    EXPECT_EQ(office.w.selected(), 50);
    EXPECT_EQ(office.w.table(46), nullptr);  // everything else closed again
    EXPECT_EQ(office.w.table(54), nullptr);
    EXPECT_EQ(office.folders(),
              (std::vector<std::string>{"S " + dir.path(), "N " + dir.file("outra")}));
    for (const char* f : {"AUXBENS.DBF", "AUXPAG.DBF", "LISERRO.DBF", "STATUS.DBF", "AUXPAGC.CDX"})
        EXPECT_TRUE(std::filesystem::exists(dir.file(f))) << f;

    // The same terminal number running elsewhere: its list is held exclusively.
    ScriptedOperator op2;
    WorkAreas same(Env::posix(), op2, test_clock());
    same.ARQDEF = office.w.ARQDEF;
    same.NUSU = "00";
    EXPECT_FALSE(ABERTURA(same, 0));
    same.NUSU = "01";
    EXPECT_TRUE(ABERTURA(same, 0));
    same.close_all();

    // Every folder gone: the list gets the installation directory again.
    ASSERT_OK(office.w.table(50)->zap());
    std::filesystem::remove(dir.file("CODDIVI.DBF"));
    EXPECT_FALSE(ABERTURA(office.w, 0));  // a reference table is missing
    EXPECT_EQ(office.op.said.back().text, "CODDIVI não localizado e não criado");
}

TEST(Corrige, TellsWhenTheTableIsInUseAndWhenAnUpgradeIsDue) {
    TempDir dir;
    Office office(dir);
    std::vector<FieldDef> old_fields = table_def(9)->layout->fields();
    old_fields.pop_back();  // the previous edition had no RACA
    ASSERT_OK(Table::create(Env::posix(), office.data + "/IMP0926.DBF", Layout(old_fields), {},
                            &test_clock(), false));
    EXPECT_TRUE(needs_upgrade(office.w, 9));
    EXPECT_FALSE(needs_upgrade(office.w, 1));  // missing: created with this edition's layout
    EXPECT_FALSE(check_structure(office.w));
    EXPECT_EQ(office.op.said.back().title, "ATUALIZAÇÃO OBRIGATÓRIA");
    EXPECT_EQ(office.op.said.back().text.substr(0, 47),
              "ATENÇÃ0! Antes de usar o programa em qualquer");

    auto other = testing::open_table(office.data + "/IMP0926.DBF");  // another terminal
    EXPECT_FALSE(CORRIGE(office.w, 9));
    EXPECT_EQ(office.op.said.back().text,
              "Não foi possível atualizar IMP0926.DBF\nPrograma aberto em outro terminal?");
    ASSERT_OK(other->close());
    EXPECT_TRUE(CORRIGE(office.w, 9));
    EXPECT_FALSE(needs_upgrade(office.w, 9));
    EXPECT_TRUE(check_structure(office.w));
}

}  // namespace
}  // namespace vorn::store
