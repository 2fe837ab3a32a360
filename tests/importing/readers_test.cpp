// The readers of outside files on their own: bytes in, records or bad lines out.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "base/text.h"
#include "importing/asset_list.h"
#include "importing/income_statement_xml.h"
#include "importing/lcdpr_file.h"
#include "importing/leao_book.h"
#include "store/catalogue.h"

namespace vorn::importing {
namespace {

constexpr const char* kAna = "12345678909";

std::string data_file(const std::string& name) {
    std::ifstream in(std::string(VORN_SOURCE_DIR) + "/tests/data/importing/" + name,
                     std::ios::binary);
    EXPECT_TRUE(in.good()) << name;
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(ImportText, AmountsKeepTheirCentsAndRefuseWhatIsNotAnAmount) {
    EXPECT_EQ(read_amount("1.234.56"), Decimal::from("1234.56"));
    EXPECT_EQ(read_amount("123456"), Decimal::from("1234.56"));
    EXPECT_EQ(read_amount("1234,56"), Decimal::from("1234.56"));  // not 12.34
    EXPECT_EQ(read_amount("1.234,5"), Decimal::from("1234.5"));
    EXPECT_EQ(read_amount(" 5 "), Decimal::from("0.05"));
    EXPECT_EQ(read_amount(""), Decimal());
    EXPECT_FALSE(read_amount("-5.00"));  // not 5.00
    EXPECT_FALSE(read_amount("-5,00"));
    EXPECT_FALSE(read_amount("12a"));
    EXPECT_FALSE(read_amount("1,2,3"));
    EXPECT_FALSE(read_amount(std::string(40, '9')));
}

TEST(ImportText, LinesAreDecodedWhateverTheirEndsAndCodePage) {
    const auto lines =
        split_lines(decode_file("\xEF\xBB\xBF"
                                "a\r\nb\nS\xE3o"));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "a");
    EXPECT_EQ(lines[1], "b");
    EXPECT_EQ(lines[2], "São");                   // Windows-1252 byte read as ã
    EXPECT_EQ(decode_file("S\xC3\xA3o"), "São");  // valid UTF-8 kept
    EXPECT_EQ(read_cpf("123.456.789-09"), std::optional<std::string>(kAna));  // not cut to 11
    EXPECT_EQ(read_cpf("2345678909"), std::optional<std::string>("02345678909"));
    EXPECT_FALSE(read_cpf("000.000.000-00"));
    EXPECT_FALSE(read_cpf("123456789012"));
    EXPECT_EQ(CONVCAR("José  "), "Jose");
    EXPECT_EQ(CONVCAR(""), " ");
}

TEST(AssetText, OutsideColumnsFillTheAssetsAndLongTextsAreReported) {
    const AssetList l = read_assets_text(data_file("Bens12345678909Ana Souza.txt"), kAna, true);
    ASSERT_TRUE(l.notes.bad.empty()) << l.notes.bad[0].reason;
    ASSERT_EQ(l.items.size(), 3u);
    const store::Record& house = l.items[0];
    EXPECT_EQ(house.num("I7_1"), Decimal(1));
    EXPECT_EQ(house.num("I7_3"), Decimal::from("1500000.00"));
    EXPECT_EQ(house.num("I7_9"), Decimal::from("1500000.00"));
    EXPECT_EQ(house.num("I7_4"), Decimal::from("1500000.00"));
    EXPECT_EQ(house.num("I7_5"), Decimal(11));
    EXPECT_EQ(house.str("CEPIMO"), "01234567");
    EXPECT_EQ(house.str("MUNICIMO"), "São Paulo");
    EXPECT_EQ(house.str("UFIMO"), "SP");
    EXPECT_EQ(house.str("I7_7"), "");
    EXPECT_EQ(house.date("DATA_IMO"), Date(2010, 2, 1));
    EXPECT_EQ(house.num("AREAIMO"), Decimal::from("250.5"));
    EXPECT_EQ(l.items[1].num("I7_3"), Decimal::from("300000.00"));
    EXPECT_EQ(l.items[2].str("REG_AVI"), "BANCO X");
    EXPECT_EQ(l.items[2].str("CPF_CNPJ"), "12345678000195");
    EXPECT_TRUE(l.notes.cuts.empty());

    // A description longer than its field is cut and the cut reported.
    std::string line = std::string(kAna) + "\t1\t" + std::string(600, 'x');
    for (int k = 0; k < 21; ++k) line += "\t";
    const AssetList cut = read_assets_text(line, kAna, false);
    ASSERT_TRUE(cut.notes.bad.empty());
    ASSERT_EQ(cut.notes.cuts.size(), 1u);
    EXPECT_NE(cut.notes.cuts[0].find("I7_2"), std::string::npos);
}

TEST(AssetText, EveryBadLineIsReportedWithItsNumber) {
    const std::string ok = std::string(kAna) + "\t1\tCASA\t100\t200" + std::string(19, '\t');
    const std::string file = ok + "\n" + ok.substr(0, ok.size() - 1) + "\n" +  // 23 columns: fine
                             std::string("98765432100\t2\tX\t1\t1") + std::string(19, '\t') + "\n" +
                             std::string(kAna) + "\t3\tX\t-5.00\t1" + std::string(19, '\t') + "\n" +
                             std::string(kAna) + "\t4\tX" + "\n";
    const AssetList l = read_assets_text(file, kAna, true);
    ASSERT_EQ(l.notes.bad.size(), 3u);
    EXPECT_EQ(l.notes.bad[0].line, 3u);  // another taxpayer's line
    EXPECT_EQ(l.notes.bad[1].line, 4u);  // a negative amount
    EXPECT_EQ(l.notes.bad[2].line, 5u);  // too few columns
    // A line of nothing but "," fields has no columns at all.
    const AssetList commas = read_assets_text(ok + "\n,\t,\n", kAna, true);
    ASSERT_EQ(commas.notes.bad.size(), 1u);
    EXPECT_EQ(commas.notes.bad[0].line, 2u);
    // A line after the end of the list (an empty line) is refused too, not dropped.
    const AssetList after = read_assets_text(ok + "\n\n" + ok + "\n", kAna, true);
    ASSERT_EQ(after.notes.bad.size(), 1u);
    EXPECT_EQ(after.notes.bad[0].line, 3u);
}

TEST(AssetXml, AttributesAreReadByNameWithEntitiesAndBothCodes) {
    const AssetList l = read_assets_xml(data_file("Bens12345678909Ana Souza.xml"), kAna);
    ASSERT_TRUE(l.notes.bad.empty()) << l.notes.bad[0].reason;
    ASSERT_EQ(l.items.size(), 2u);
    EXPECT_EQ(l.items[0].str("I7_2"), "CASA & QUINTAL");
    EXPECT_EQ(l.items[0].str("ENDEIMO"), "");  // "..."
    EXPECT_EQ(l.items[0].num("I7_3"), Decimal::from("1500.00"));
    EXPECT_EQ(l.items[0].num("I7_4"), Decimal::from("2000.50"));
    EXPECT_EQ(l.items[0].num("I7_5"), Decimal(11));
    EXPECT_EQ(l.items[0].str("UFIMO"), "SP");
    EXPECT_EQ(l.items[1].str("GRPO"), "04");
    EXPECT_EQ(l.items[1].str("CODB"), "02");
    EXPECT_EQ(l.items[1].str("REG_AVI"), "BANCO Y");
    EXPECT_EQ(l.items[1].str("CPF_CNPJ"), "11222333000181");
    EXPECT_EQ(l.items[1].num("AREAIMO"), Decimal());  // missing number: 0

    const AssetList bad = read_assets_xml(
        "<bens><item CPF=\"12345678909\" ExercicioAtual=\"-5,00\"/><item CPF=\"1\"/></bens>", kAna);
    ASSERT_EQ(bad.notes.bad.size(), 2u);
    EXPECT_EQ(bad.notes.bad[0].line, 1u);
    EXPECT_EQ(bad.notes.bad[1].line, 2u);
    EXPECT_EQ(read_assets_xml("<bens><item", kAna).notes.bad.size(), 1u);
}

TEST(AssetPlacement, ReimportReplacesInsteadOfAdding) {
    AssetList l = read_assets_xml(data_file("Bens12345678909Ana Souza.xml"), kAna);
    store::Record other(store::table_def(4)->layout);
    other.set("CPF", kAna);
    other.set("I7_0", Decimal(10));
    other.set("I7_1", Decimal(7));
    other.set("BOLSA", "S");
    const auto once = place_assets(l, {other}, false);
    ASSERT_EQ(once.size(), 2u);
    EXPECT_EQ(once[0].str("BOLSA"), "S");  // a field the list does not carry stays
    EXPECT_EQ(once[1].num("I7_0"), Decimal(20));
    const auto twice = place_assets(l, once, false);
    ASSERT_EQ(twice.size(), 2u);
    // By item number: item 1 and 2 are not asset 7's, so they are added once and found again.
    const auto by_number = place_assets(l, {other}, true);
    ASSERT_EQ(by_number.size(), 3u);
    EXPECT_EQ(place_assets(l, by_number, true).size(), 3u);
}

TEST(LeaoBook, ByteOrderMarkAndTheEndLine) {
    const LeaoBook b = read_leao_book(data_file("12345678909Leao.txt"), kAna);
    ASSERT_TRUE(b.refused.empty());
    ASSERT_TRUE(b.notes.bad.empty()) << b.notes.bad[0].reason;
    ASSERT_EQ(b.incomes.size(), 3u);
    EXPECT_EQ(b.incomes[0].str("I1_2"), "JOSE DA SILVA");
    EXPECT_EQ(b.incomes[0].str("I1_3"), "11144477735");
    EXPECT_EQ(b.incomes[0].num("I1_4"), Decimal::from("1500.00"));
    EXPECT_EQ(b.incomes[0].num("I1_401"), Decimal::from("1500.00"));
    EXPECT_EQ(b.incomes[1].num("I1_402"), Decimal::from("2500.50"));
    EXPECT_EQ(b.incomes[2].num("I1_412"), Decimal::from("1000.00"));
    EXPECT_EQ(b.incomes[0].str("I1_1"), "F");
    EXPECT_EQ(b.incomes[0].str("I1_41"), "T");
    EXPECT_EQ(b.incomes[0].str("I1_11"), "S");
    EXPECT_TRUE(leao_income_present(b.incomes[1], b.incomes));

    EXPECT_EQ(read_leao_book("", kAna).refused, "Arquivo vazio!");
    EXPECT_EQ(read_leao_book("\xEF\xBB\xBF", kAna).refused, "Arquivo vazio!");  // mark only
    EXPECT_EQ(read_leao_book("abc", kAna).refused, "Arquivo com conteúdo fora do padrão");
    const LeaoBook bad =
        read_leao_book("01;A;11144477735;10;\n13;B;11144477735;1;\n99\n02;C;1;1;\n", kAna);
    ASSERT_EQ(bad.notes.bad.size(), 2u);
    EXPECT_EQ(bad.notes.bad[0].line, 2u);  // month 13
    EXPECT_EQ(bad.notes.bad[1].line, 4u);  // after 99
}

TEST(LcdprBook, ThreePartnersGiveThreePropertiesAndTheOrderIsChecked) {
    const LcdprBook b = read_lcdpr(data_file("LCDPR-12345678909.txt"));
    ASSERT_TRUE(b.notes.bad.empty()) << b.notes.bad[0].reason;
    EXPECT_EQ(b.cpf, kAna);
    EXPECT_EQ(b.street, "DAS PALMEIRAS");
    EXPECT_EQ(b.street_type, "RUA");
    ASSERT_EQ(b.properties.size(), 4u);  // three partners of the first, and the second
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(b.properties[k].num("I2R_00"), Decimal(1));
        EXPECT_EQ(b.properties[k].num("I2R_04"), Decimal(50));
    }
    EXPECT_EQ(b.properties[0].str("NOME_CONTR"), "JOAO PARCEIRO");
    EXPECT_EQ(b.properties[0].num("PERC_CONTR"), Decimal(20));
    EXPECT_EQ(b.properties[1].str("CPFPJ_CONT"), "987.654.321-00");
    EXPECT_EQ(b.properties[2].str("CPFPJ_CONT"), "11.222.333/0001-81");
    EXPECT_EQ(b.properties[3].str("NOME_CONTR"), "");
    ASSERT_EQ(b.accounts.size(), 1u);
    EXPECT_EQ(b.accounts[0].num("NRO_CONTA"), Decimal(123456));
    ASSERT_EQ(b.entries.size(), 2u);
    EXPECT_EQ(b.entries[0].date("DT_LC"), Date(2025, 3, 15));
    EXPECT_EQ(b.entries[0].num("VALOR"), Decimal::from("15000.00"));
    EXPECT_EQ(b.entries[1].str("TIPOCR"), "D");
    EXPECT_EQ(b.entries[1].num("VALOR"), Decimal::from("2500.50"));
    EXPECT_EQ(b.result.num("I3_03OR"), Decimal::from("15000.00"));
    EXPECT_EQ(b.result.num("I3_04OD"), Decimal::from("2500.50"));
    EXPECT_EQ(b.result.str("NOME_CONT"), "CARLOS CONTADOR");

    const std::string text = data_file("LCDPR-12345678909.txt");
    std::string swapped = text;
    swapped.replace(swapped.find("0010|1"), 6, "0030|1");
    const LcdprBook bad = read_lcdpr(swapped);
    ASSERT_FALSE(bad.notes.bad.empty());
    EXPECT_EQ(bad.notes.bad[0].line, 2u);
    EXPECT_FALSE(read_lcdpr("0000|LCDPR|0013|12345678909|A|0|0||01012025|31122025\n0010|1\n")
                     .notes.bad.empty());  // no 0030
}

TEST(IncomeStatement, PairsGoToTheirFieldsAndASecondReadingChangesNothing) {
    const IncomeStatement st = read_income_statement(data_file("Ana-Souza-Informe-xml.XML"));
    ASSERT_TRUE(st.notes.bad.empty()) << st.notes.bad[0].reason;
    EXPECT_EQ(st.cpf, kAna);
    EXPECT_EQ(st.cnpj, "11222333000181");
    EXPECT_EQ(st.exercise, "2026");
    ASSERT_EQ(st.values.size(), 8u);
    const StatementChanges c = apply_income_statement(st, kAna, {}, {});
    ASSERT_TRUE(c.changed);
    ASSERT_EQ(c.incomes.size(), 1u);
    const store::Record& r = c.incomes[0];
    EXPECT_EQ(r.str("I1_1"), "J");
    EXPECT_EQ(r.str("I1_3"), "11.222.333/0001-81");
    EXPECT_EQ(r.num("I1_4"), Decimal::from("50000.00"));
    EXPECT_EQ(r.num("I1_6"), Decimal::from("5500.00"));
    EXPECT_EQ(r.num("I1_5"), Decimal::from("4800.00"));
    EXPECT_EQ(r.num("I1_9"), Decimal::from("3000.00"));
    EXPECT_EQ(r.str("I1_35"), "Lucros e dividendos");
    ASSERT_EQ(c.payments.size(), 1u);  // the pension of code 36; alimony 0 is not written
    EXPECT_EQ(c.payments[0].num("I6_3"), Decimal(36));
    EXPECT_EQ(c.payments[0].num("I6_4"), Decimal::from("1200.00"));
    EXPECT_EQ(c.notices.size(), 1u);
    const StatementChanges again = apply_income_statement(st, kAna, c.incomes, c.payments);
    EXPECT_FALSE(again.changed);
    EXPECT_EQ(again.incomes.size(), 1u);

    // A description longer than I1_35 is kept cut, and the second reading still finds its record.
    IncomeStatement long_text = st;
    long_text.descriptions[7] = std::string(70, 'L') + "\xEF\xBF\xBD";
    const StatementChanges cut = apply_income_statement(long_text, kAna, {}, {});
    EXPECT_FALSE(apply_income_statement(long_text, kAna, cut.incomes, cut.payments).changed);
    EXPECT_EQ(apply_income_statement(long_text, kAna, cut.incomes, cut.payments).incomes.size(),
              1u);

    EXPECT_FALSE(read_income_statement("<a/>").notes.bad.empty());
    EXPECT_FALSE(read_income_statement(
                     "<ComprovantedeRendimentos CPF=\"12345678909\" CNPJ=\"11222333000181\">"
                     "<L Valor=\"-1\"/></ComprovantedeRendimentos>")
                     .notes.bad.empty());
}

}  // namespace
}  // namespace vorn::importing

namespace vorn::importing {
namespace {

// The books the LCDPR writer makes read back by the LCDPR reader: every entry, account, property
// and partner, each entry's amount and the monthly totals as the file states them.
TEST(LcdprReadBack, TheWritersBooksReadBackRecordForRecord) {
    for (const char* name : {"regular.txt", "option20.txt", "estate.txt", "departure.txt"}) {
        std::ifstream in(std::string(VORN_SOURCE_DIR) + "/tests/rural/golden/" + name,
                         std::ios::binary);
        std::stringstream all;
        all << in.rdbuf();
        const std::string text = all.str();
        const LcdprBook book = read_lcdpr(text);
        ASSERT_TRUE(book.notes.bad.empty())
            << name << ": " << book.notes.bad[0].line << " " << book.notes.bad[0].reason;
        size_t entries = 0, accounts = 0, properties = 0, partners = 0;
        Decimal amounts;
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) {
            const std::string type = line.substr(0, 4);
            entries += type == "Q100";
            accounts += type == "0050";
            properties += type == "0040";
            partners += type == "0045";
            if (type != "Q100") continue;
            // Receipt and expense, the 10th and 11th fields, in cents.
            std::vector<std::string> f;
            std::stringstream fields(line);
            for (std::string v; std::getline(fields, v, '|');) f.push_back(v);
            amounts += Decimal(std::stoll(f[9]) + std::stoll(f[10])) / Decimal(100);
        }
        EXPECT_EQ(book.entries.size(), entries) << name;
        EXPECT_EQ(book.accounts.size(), accounts) << name;
        // A property with several partners gives a record per partner.
        EXPECT_GE(book.properties.size(), properties) << name;
        EXPECT_LE(book.properties.size(), properties + partners) << name;
        Decimal read;
        for (const auto& e : book.entries) read += e.num("VALOR");
        EXPECT_EQ(read, amounts) << name;
        EXPECT_EQ(book.cpf, "11144477735") << name;
    }
}

}  // namespace
}  // namespace vorn::importing
