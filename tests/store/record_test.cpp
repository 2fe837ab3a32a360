#include "store/record.h"

#include <gtest/gtest.h>

namespace vorn::store {
namespace {

std::shared_ptr<const Layout> layout() {
    return std::make_shared<const Layout>(
        std::vector<FieldDef>{{"CPF", FieldType::kChar, 11, 0},
                              {"Valor", FieldType::kNumeric, 15, 2},
                              {"DT_LC", FieldType::kDate, 8, 0},
                              {"NEW", FieldType::kLogical, 1, 0}});
}

TEST(Record, BlankRecordAndAccessByNameInAnyCase) {
    Record r(layout());
    EXPECT_EQ(r.str("cpf"), "");
    EXPECT_TRUE(r.num("VALOR").is_zero());
    EXPECT_TRUE(r.date("dt_lc").blank());
    EXPECT_FALSE(r.logical("New"));
    r.set("valor", Decimal::from("12.34"));
    r.set("CPF", "12345678909  ");
    r.set("NEW", true);
    EXPECT_EQ(r.num("Valor"), Decimal::from("12.34"));
    EXPECT_EQ(r.str("CPF"), "12345678909");
    EXPECT_TRUE(r.logical("NEW"));
}

TEST(Record, WrongNamesAndTypesFailLoudly) {
    Record r(layout());
    EXPECT_THROW(r.num("NOPE"), std::out_of_range);
    EXPECT_THROW(r.num("CPF"), std::bad_variant_access);
    EXPECT_THROW(r.set("VALOR", "abc"), std::bad_variant_access);
    EXPECT_THROW(Layout({{"A", FieldType::kChar, 1, 0}, {"a", FieldType::kChar, 1, 0}}),
                 std::invalid_argument);
}

TEST(Record, NamesThatArePrefixesOfOthersAreFoundExactly) {
    const Layout l({{"I1_1", FieldType::kNumeric, 15, 2},
                    {"I1_10", FieldType::kNumeric, 15, 2},
                    {"I1", FieldType::kChar, 3, 0},
                    {"I1_1A", FieldType::kChar, 1, 0}});
    EXPECT_EQ(l.find("i1_1"), 0);
    EXPECT_EQ(l.find("I1_10"), 1);
    EXPECT_EQ(l.find("i1"), 2);
    EXPECT_EQ(l.find("I1_1a"), 3);
    EXPECT_EQ(l.find("I1_"), -1);
    EXPECT_EQ(l.find("I1_100"), -1);
    EXPECT_EQ(l.find(""), -1);
    EXPECT_EQ(l.find("Z"), -1);
}

TEST(Record, SameWhenStoredComparesWhatTheFileWouldHold) {
    Record a(layout()), b(layout());
    a.set("VALOR", Decimal::from("10.5"));
    b.set("VALOR", Decimal::from("10.50"));
    a.set("CPF", "123");
    b.set("CPF", "123   ");
    EXPECT_TRUE(same_when_stored(a, b));
    b.set("VALOR", Decimal::from("10.504"));  // rounds to the field's two decimals
    EXPECT_TRUE(same_when_stored(a, b));
    b.set("VALOR", Decimal::from("10.51"));
    EXPECT_FALSE(same_when_stored(a, b));
    b.set("VALOR", Decimal::from("10.5"));
    b.set("CPF", "124");
    EXPECT_FALSE(same_when_stored(a, b));
    b.set("CPF", "123456789012");  // cut to the field's 11 characters
    a.set("CPF", "12345678901");
    EXPECT_TRUE(same_when_stored(a, b));
}

TEST(Record, AssignByNameConvertsBetweenTypes) {
    auto other =
        std::make_shared<const Layout>(std::vector<FieldDef>{{"VALOR", FieldType::kChar, 14, 0},
                                                             {"DT_LC", FieldType::kChar, 8, 0},
                                                             {"OUTRO", FieldType::kChar, 3, 0}});
    Record src(other);
    src.set("VALOR", "1234.5");
    src.set("DT_LC", "20250131");
    Record dst(layout());
    dst.assign_by_name(src);
    EXPECT_EQ(dst.num("VALOR"), Decimal::from("1234.5"));
    EXPECT_EQ(dst.date("DT_LC"), Date(2025, 1, 31));
    Record back(other);
    back.assign_by_name(dst);
    EXPECT_EQ(back.str("VALOR"), "1234.5");
    EXPECT_EQ(layout()->record_length(), 1u + 11 + 15 + 8 + 1);
}

}  // namespace
}  // namespace vorn::store
