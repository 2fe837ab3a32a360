// The reference tables built from the delivered sources: every table is there with rows that fit
// its fields, and the codes offices look up every day are present with their texts.
#include "store/reftables.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "base/text.h"
#include "store/catalogue.h"

namespace vorn::store {
namespace {

const std::vector<ReferenceFile>& files() {
    static const std::vector<ReferenceFile> f = [] {
        std::vector<ReferenceFile> out;
        Status s = load_reference_files(VORN_SOURCE_DIR "/data", &out);
        if (!s) throw std::runtime_error(s.message());
        return out;
    }();
    return f;
}

const ReferenceFile& file(std::string_view name) {
    for (const auto& f : files())
        if (f.file == name) return f;
    throw std::out_of_range(std::string(name));
}

// The first row whose field equals `value` (text compared without trailing blanks).
const Record* lookup(std::string_view table, std::string_view field, std::string_view value) {
    for (const Record& r : file(table).rows) {
        const Value& v = r.value(field);
        if (std::holds_alternative<Decimal>(v) ? std::get<Decimal>(v) == Decimal::from(value)
                                               : r.str(field) == value)
            return &r;
    }
    return nullptr;
}

TEST(ReferenceTables, EveryReferenceTableOfTheCatalogueHasALayoutAndRows) {
    std::set<std::string> names;
    for (const auto& f : files()) {
        names.insert(f.file);
        EXPECT_FALSE(f.rows.empty()) << f.file;
    }
    for (int n : delivered_tables()) {
        const TableDef* t = table_def(n);
        ASSERT_TRUE(t->layout) << n;
        EXPECT_TRUE(names.count(t->name) || names.count(upper(t->name))) << t->name;
    }
    EXPECT_TRUE(names.count("ECACIDAD"));
    EXPECT_TRUE(names.count("IDOCIDAD"));
    EXPECT_EQ(file("HELPTXT").rows.size(), file("HELPTXT").memos.size());
}

TEST(ReferenceTables, KnownCodesAreFound) {
    const Record* sp = lookup("TAB_MUNI", "CODCID", "7107");
    ASSERT_TRUE(sp);
    EXPECT_EQ(sp->str("NOMEMUNI"), "São Paulo");
    EXPECT_EQ(sp->str("UNIFED"), "SP");
    EXPECT_EQ(sp->str("CODIBGE"), "3550308");
    const Record* sp_ibge = lookup("TABMUNI", "CODCID", "3550308");
    ASSERT_TRUE(sp_ibge);
    EXPECT_EQ(sp_ibge->str("CODMUNI"), "7107");

    const Record* br = lookup("TABPAIS", "CODPAIS", "105");
    ASSERT_TRUE(br);
    EXPECT_EQ(br->str("NOMPAIS"), "Brasil");
    EXPECT_FALSE(lookup("TABEMBA", "CD_EX", "105"));

    const Record* itau = lookup("BANCOS", "NUMBAN", "341");
    ASSERT_TRUE(itau);
    EXPECT_NE(itau->str("NOMEBAN").find("ITA"), std::string::npos);
    EXPECT_EQ(itau->str("CNPJBAN").size(), 18u);
    EXPECT_EQ(itau->str("DEBAUTO"), "S");

    const Record* medicos = lookup("DESPESA", "CODDES", "10");
    ASSERT_TRUE(medicos);
    EXPECT_EQ(medicos->str("DESCRICAO"), "Médicos no Brasil");

    const Record* filho = lookup("CODEPEN", "CODDEP", "21");
    ASSERT_TRUE(filho);
    EXPECT_NE(filho->str("DESCRICAO").find("Filho(a)"), std::string::npos);

    const Record* apto = lookup("CODABENS", "CODBEM", "0111");
    ASSERT_TRUE(apto);
    EXPECT_EQ(apto->str("DESCRICAO"), "Apartamento");
    const Record* group = lookup("CODBENS", "GRUBEM", "07");
    ASSERT_TRUE(group);
    EXPECT_EQ(group->str("DESCRICAO"), "Fundos");

    const Record* selic = lookup("UFIRM", "ANOMES", "202412");
    ASSERT_TRUE(selic);
    EXPECT_EQ(selic->num("TJM"), Decimal::from("0.93"));
    EXPECT_EQ(selic->num("MULTIPL"), Decimal::from("1.0093"));
    EXPECT_EQ(selic->str("SIMB_MOED"), "R$");

    const Record* rua = lookup("TABLOGR", "CODLOGRA", "R");
    ASSERT_TRUE(rua);
    EXPECT_EQ(rua->str("NOMELOGRA"), "Rua");
}

TEST(ReferenceTables, HistoricalCountriesAreLeftOut) {
    for (const char* code : {"000", "025", "358", "388", "790", "840", "990", "999"})
        EXPECT_FALSE(lookup("TABPAIS", "CODPAIS", code)) << code;
}

// Every code that the program treats specially exists in its table.
TEST(ReferenceTables, CodesTheProgramNamesArePresent) {
    std::vector<int> payments = {1, 2, 30, 31, 32, 33, 34, 36, 37, 38, 80, 81};
    for (int c = 8; c <= 26; ++c) payments.push_back(c);
    for (int c = 39; c <= 49; ++c) payments.push_back(c);
    for (int c = 89; c <= 99; ++c) payments.push_back(c);
    for (int c : {60, 61, 62, 66, 70, 71, 72, 76}) payments.push_back(c);
    for (int c : payments) EXPECT_TRUE(lookup("DESPESA", "CODDES", std::to_string(c))) << c;

    for (int c : {11, 21, 22, 24, 25, 31, 41, 98, 99, 100})
        EXPECT_TRUE(lookup("CODEPEN", "CODDEP", std::to_string(c))) << c;
    EXPECT_TRUE(lookup("CODDIVI", "CODDIV", "16"));
    for (const char* c : {"225", "226", "229", "231", "241", "255"})
        EXPECT_TRUE(lookup("OCUPACAO", "CDPRO", c)) << c;
    for (const char* c : {"11", "61", "62", "81"}) EXPECT_TRUE(lookup("CODNATUR", "CODAT", c)) << c;
    for (const char* c : {"0101", "0102", "0103", "0111", "0112", "0113", "0114", "0115", "0116",
                          "0118", "0119", "0199", "0201", "0202", "0203", "0301", "0404", "0702",
                          "0703", "0706", "0707", "0708", "0709", "0710", "0799", "0802", "0803"})
        EXPECT_TRUE(lookup("CODABENS", "CODBEM", c)) << c;

    // Every check code the consistency check emits has a text (99 and 83 carry the passed text).
    for (int c : {1,  2,  6,  10, 11, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26,
                  27, 28, 31, 32, 34, 35, 40, 41, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54,
                  55, 56, 57, 58, 60, 61, 62, 63, 64, 65, 66, 67, 68, 69, 70, 71, 72, 73,
                  74, 75, 77, 78, 79, 80, 81, 82, 83, 84, 85, 86, 87, 91, 92, 99}) {
        const Record* e = lookup("LisErro", "CODERR", std::to_string(c));
        ASSERT_TRUE(e) << c;
        EXPECT_GE(e->num("GRAU"), Decimal(1));
        EXPECT_LE(e->num("GRAU"), Decimal(3));
    }
}

// The posting transfer understands pages 1, 2, 3, 4, 6 and 13; every detailed account feeds one
// of those, and the capital-gain components are the accounts 5041 to 5044.
TEST(ReferenceTables, ChartOfAccountsFeedsOnlyPagesTheTransferUnderstands) {
    std::map<int, std::set<int>> lines;
    for (const Record& r : file("CONTAS").rows) {
        if (r.str("CDSTATUS") == "N") continue;
        lines[std::stoi(r.num("PAGINA").to_string(0))].insert(
            std::stoi(r.num("LINHA").to_string(0)));
    }
    std::set<int> pages;
    for (auto& [p, l] : lines) pages.insert(p);
    EXPECT_EQ(pages, (std::set<int>{1, 2, 3, 4, 6, 13}));
    EXPECT_EQ(lines[1], (std::set<int>{4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(lines[2], (std::set<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(lines[4], (std::set<int>{4, 8, 9, 10}));
    EXPECT_EQ(lines[13], (std::set<int>{31, 32}));
    for (int l : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 13, 14, 15, 16, 17, 18, 19, 21, 22, 23, 24})
        EXPECT_TRUE(lines[3].count(l)) << l;
    const char* gains[] = {"5041", "5042", "5043", "5044"};
    for (const char* c : gains) {
        const Record* r = lookup("CONTAS", "CDCONTA", c);
        ASSERT_TRUE(r) << c;
        EXPECT_EQ(r->num("PAGINA"), Decimal(3));
        EXPECT_EQ(r->num("LINHA"), Decimal(4));
    }
    const Record* heading = lookup("CONTAS", "CDCONTA", "7000");
    ASSERT_TRUE(heading);
    EXPECT_EQ(heading->str("CDSTATUS"), "N");
}

TEST(ReferenceTables, FundsCoverTheNationStatesAndMunicipalities) {
    const ReferenceFile& eca = file("ECACIDAD");
    EXPECT_EQ(eca.rows.size(), 1 + 27 + file("TAB_MUNI").rows.size());
    EXPECT_EQ(eca.rows[0].str("NOMEFUNDO"), "Fundo Nacional - DF");
    const Record* sp = lookup("ECACIDAD", "NOMEFUNDO", "SP - São Paulo");
    ASSERT_TRUE(sp);
    EXPECT_EQ(sp->str("CODMUNI"), "7107");
    EXPECT_TRUE(lookup("IDOCIDAD", "NOMEFUNDO", "Fundo Estadual - SP"));
}

TEST(ReferenceTables, CsvQuotingAndErrors) {
    std::vector<std::vector<std::string>> rows;
    ASSERT_TRUE(parse_csv("a,b\r\n\"x, y\",\"he said \"\"hi\"\"\"\n\"two\nlines\",\n", &rows));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1][0], "x, y");
    EXPECT_EQ(rows[1][1], "he said \"hi\"");
    EXPECT_EQ(rows[2][0], "two\nlines");
    EXPECT_EQ(rows[2][1], "");
    EXPECT_EQ(parse_csv("a,\"b\n", &rows).code(), Status::Code::kInvalid);

    std::vector<ReferenceFile> out;
    Status s = load_reference_files("/nonexistent", &out);
    EXPECT_EQ(s.code(), Status::Code::kNotFound);
    EXPECT_TRUE(out.empty());
}

}  // namespace
}  // namespace vorn::store
