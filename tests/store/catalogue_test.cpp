#include "store/catalogue.h"

#include <gtest/gtest.h>

#include <set>

#include "base/text.h"

namespace vorn::store {
namespace {

std::vector<std::string> names(const TableDef& t) {
    std::vector<std::string> out;
    for (const auto& f : t.layout->fields()) out.push_back(f.name);
    return out;
}

TEST(Catalogue, LargestLayoutsHaveTheirFieldCounts) {
    EXPECT_EQ(table_def(1)->layout->size(), 182u);
    EXPECT_EQ(table_def(7)->layout->size(), 212u);
    EXPECT_EQ(table_def(12)->layout->size(), 2u + 91u);
    EXPECT_EQ(table_def(2)->layout->size(), 50u + 36u);
}

TEST(Catalogue, SummaryInterleavesI3AndI4OnlyUpTo15) {
    auto n = names(*table_def(1));
    ASSERT_GE(n.size(), 43u);
    EXPECT_EQ(n[0], "CPF");
    EXPECT_EQ(n[1], "I3_01");
    EXPECT_EQ(n[2], "I4_01");
    EXPECT_EQ(n[29], "I3_15");
    EXPECT_EQ(n[30], "I4_15");
    EXPECT_EQ(n[31], "I3_16");
    EXPECT_EQ(n[32], "I3_17");
    EXPECT_EQ(n[41], "I3_26");
    EXPECT_EQ(n[42], "I3_04GCPV");
    EXPECT_EQ(n.back(), "NOVREG");
}

TEST(Catalogue, MonthlyGroupsComeMonthByMonth) {
    auto n2 = names(*table_def(2));
    EXPECT_EQ(n2[50], "I1_401");
    EXPECT_EQ(n2[51], "I1_501");
    EXPECT_EQ(n2[52], "I1_601");
    EXPECT_EQ(n2[53], "I1_402");
    auto n7 = names(*table_def(7));
    EXPECT_EQ(n7[n7.size() - 10], "REC_MES12");
    EXPECT_EQ(n7.back(), "VAL_A3112");
    auto n12 = names(*table_def(12));
    EXPECT_EQ(n12[2], "I2_101");
    EXPECT_EQ(n12[3], "I2_201");
    EXPECT_EQ(n12[9], "I2_102");
    EXPECT_EQ(n12.back(), "I2_713");
}

TEST(Catalogue, FieldNamesFitTheDbfHeaderAndAreUnique) {
    for (const auto& t : all_tables()) {
        if (!t.layout) continue;
        std::set<std::string> seen;
        for (const auto& f : t.layout->fields()) {
            EXPECT_LE(f.name.size(), 10u) << t.number << " " << f.name;
            EXPECT_TRUE(seen.insert(upper(f.name)).second) << t.number << " " << f.name;
        }
    }
}

TEST(Catalogue, WideCharacterFieldsKeepTheirWidth) {
    const auto& l = *table_def(4)->layout;
    EXPECT_EQ(l[l.index("I7_2")].width, 512);
    const auto& l6 = *table_def(6)->layout;
    EXPECT_EQ(l6[l6.index("I6_9")].width, 250);
    EXPECT_EQ(l6[l6.index("I6_401")].width, 14);
    EXPECT_EQ(l6[l6.index("I6_401")].decimals, 2);
}

TEST(Catalogue, FileAndIndexNames) {
    EXPECT_EQ(table_def(9)->file_base("07"), "IMP0926");
    auto ix9 = table_def(9)->index_files("07");
    ASSERT_EQ(ix9.size(), 3u);
    EXPECT_EQ(ix9[1].file, "IMP0926B");
    EXPECT_EQ(ix9[2].file, "IMP0926C");
    EXPECT_EQ(ix9[1].key, "UPPER(NOMECONTR)");
    auto ix20 = table_def(20)->index_files("00");
    ASSERT_EQ(ix20.size(), 2u);
    EXPECT_EQ(ix20[1].file, "IMP2026B");
    auto ix21 = table_def(21)->index_files("00");
    ASSERT_EQ(ix21.size(), 2u);
    EXPECT_EQ(ix21[0].file, "IMP2126");
    EXPECT_EQ(ix21[1].file, "COD_CONTA");
    EXPECT_EQ(table_def(50)->file_base("07"), "DIRET07");
    EXPECT_EQ(table_def(50)->index_files("07")[0].file, "DIRET07");
    EXPECT_EQ(table_def(55)->index_files("00")[2].file, "BANCOSC");
    EXPECT_EQ(table_def(42)->file_base("00"), "CONFIG");
    EXPECT_EQ(table_def(75)->name_for_option44, "ECACIDAD");
    EXPECT_TRUE(table_def(45)->has_memo);
}

TEST(Catalogue, NumbersAndAreas) {
    EXPECT_EQ(table_def(23), nullptr);
    EXPECT_EQ(table_def(99), nullptr);
    EXPECT_EQ(structure_for_area(29)->number, 9);
    EXPECT_EQ(structure_for_area(41)->number, 21);
    EXPECT_EQ(structure_for_area(21)->number, 21);
    EXPECT_TRUE(table_def(60)->reference);
    EXPECT_FALSE(table_def(42)->reference);
    EXPECT_EQ(table_def(44)->mode, OpenMode::kExclusive);
    EXPECT_EQ(table_def(63)->mode, OpenMode::kAsRequested);
    EXPECT_EQ(table_def(1)->folder, Folder::kData);
}

TEST(Catalogue, InitialRows) {
    auto def = initial_rows(43);
    ASSERT_EQ(def.size(), 1u);
    EXPECT_EQ(def[0].date("VCTO1"), Date(2026, 5, 29));
    EXPECT_EQ(def[0].date("VCTO6"), Date(2026, 10, 30));
    EXPECT_EQ(def[0].date("VCTO8"), Date(2026, 12, 30));
    EXPECT_EQ(def[0].num("VAL_DOLAR"), Decimal::from("5.2171"));
    EXPECT_EQ(def[0].num("TEMP_SAL"), Decimal(15));
    EXPECT_EQ(def[0].str("PROGCOMP"), "S");
    auto alt = initial_rows(91);
    ASSERT_EQ(alt.size(), 16u);
    EXPECT_EQ(alt.front().str("DESCRICAO"), "ETH - Ether");
    EXPECT_EQ(alt.back().str("DESCRICAO"), "999 - Outras Altcoins");
    EXPECT_EQ(initial_rows(92).size(), 11u);
    EXPECT_TRUE(initial_rows(9).empty());
}

TEST(Catalogue, FieldListParserRefusesMalformedLists) {
    EXPECT_THROW(parse_fields("A X5"), std::invalid_argument);
    EXPECT_THROW(parse_fields("A N20.19"), std::invalid_argument);
    EXPECT_THROW(parse_fields("TOOLONGNAME1 C1"), std::invalid_argument);
    EXPECT_THROW(parse_fields("A"), std::invalid_argument);
    auto f = parse_fields("A C3, B N5.1, C D, E L");
    ASSERT_EQ(f.size(), 4u);
    EXPECT_EQ(f[1].decimals, 1);
    EXPECT_EQ(f[2].width, 8);
}

}  // namespace
}  // namespace vorn::store
