#include "store/declaration_rules.h"

#include <gtest/gtest.h>

#include "store/catalogue.h"

namespace vorn::store {
namespace {

Record row(int table) {
    return Record(table_def(table)->layout);
}

TEST(DeclarationRules, AssetsNumbered5_7_30BecomeTensInTheirOrder) {
    std::vector<Record> items;
    for (int n : {30, 5, 7}) {
        items.push_back(row(4));
        items.back().set("I7_0", Decimal(n));
    }
    renumber_items(items, "I7_0");
    EXPECT_EQ(items[0].num("I7_0"), Decimal(30));
    EXPECT_EQ(items[1].num("I7_0"), Decimal(10));
    EXPECT_EQ(items[2].num("I7_0"), Decimal(20));
}

TEST(DeclarationRules, ManyItemsKeepDistinctNumbersInsideTheField) {
    std::vector<Record> items;
    for (int n = 0; n < 1200; ++n) {
        items.push_back(row(5));
        items.back().set("I8_0", Decimal(n % 7));  // duplicates keep their record order
    }
    renumber_items(items, "I8_0");
    std::vector<long> seen;
    for (auto& r : items) seen.push_back(r.num("I8_0").whole());
    std::sort(seen.begin(), seen.end());
    for (size_t k = 0; k < seen.size(); ++k) ASSERT_EQ(seen[k], long(k + 1));
    EXPECT_EQ(items[0].num("I8_0"), Decimal(1));  // first of the zeros
    EXPECT_EQ(items[7].num("I8_0"), Decimal(2));  // second of the zeros
}

TEST(DeclarationRules, WorkingTimeAndSizeMeasures) {
    EXPECT_EQ(working_seconds(23 * 3600 + 59 * 60, 60), 119);  // across midnight
    EXPECT_EQ(working_seconds(100, 400), 300);
    EXPECT_EQ(add_working_time(Decimal(999990), 100), Decimal(999999));
    EXPECT_EQ(add_working_time(Decimal(10), 5), Decimal(15));
    EXPECT_EQ(table_size_measure(100, 3, 65), 366);
    EXPECT_EQ(TAM_USO_of({600000, 600000}), 999999);
    EXPECT_EQ(cap_INDGAS(Decimal::from("-100")), Decimal::from("-99.99"));
    EXPECT_EQ(cap_INDGAS(Decimal::from("1000.01")), Decimal(999));
    EXPECT_EQ(cap_INDGAS(Decimal(1000)), Decimal(1000));
    EXPECT_EQ(cap_SALDO(Decimal::from("-100000000")), Decimal::from("-99999999.99"));
}

TEST(DeclarationRules, SummaryCountersOfCarneLeaoGainsAndStock) {
    std::vector<Record> monthly = {row(12), row(12)};
    monthly[0].set("I2_701", Decimal::from("10.50"));
    monthly[0].set("I2_712", Decimal::from("1.00"));
    monthly[1].set("I2_703", Decimal::from("-5"));
    monthly[1].set("I2_713", Decimal::from("99"));  // the totals column is not a month
    std::vector<Record> gains = {row(7), row(7), row(7), row(7)};
    gains[0].set("TIPO_BEM", Decimal(1));
    gains[0].set("VAL_TRIBU", Decimal(100));
    gains[0].set("IMP_DEV03", Decimal(30));
    gains[0].set("IMP_PAG03", Decimal(10));
    gains[0].set("IMP_DEV04", Decimal(5));
    gains[0].set("IMP_PAG04", Decimal(5));
    gains[1].set("TIPO_BEM", Decimal(4));
    gains[1].set("RVAR_NRO", Decimal(25));
    gains[1].set("REC_MES02", Decimal(50));
    gains[2].set("TIPO_BEM", Decimal(4));
    gains[2].set("RVAR_NRO", Decimal(26));
    gains[2].set("REC_MES02", Decimal(80));
    gains[3].set("TIPO_BEM", Decimal(4));
    gains[3].set("RVAR_NRO", Decimal(25));
    gains[3].set("DAY_TRADE", "S");  // day-trade is not counted here
    gains[3].set("REC_MES05", Decimal(80));
    SummaryCounters c = summary_counters(monthly, gains);
    EXPECT_EQ(c.NRCLEAO, 2);
    EXPECT_EQ(c.DFCLEAO, Decimal::from("11.50"));
    EXPECT_EQ(c.NRGCAPIT, 1);
    EXPECT_EQ(c.DFGCAPIT, Decimal(20));
    EXPECT_EQ(c.NRRVARIV, -1);  // operations, but no month positive
    EXPECT_TRUE(c.DFRVARIV.is_zero());

    SummaryCounters none = summary_counters({}, {});
    EXPECT_EQ(none.NRGCAPIT, 0);
    EXPECT_EQ(none.NRRVARIV, 0);
}

TEST(DeclarationRules, SellerCpfFilledExceptForStock) {
    std::vector<Record> gains = {row(7), row(7), row(7)};
    gains[1].set("TIPO_BEM", Decimal(4));
    gains[2].set("CPFALIEN", "11111111111");
    fill_seller_cpf(gains, "12345678909");
    EXPECT_EQ(gains[0].str("CPFALIEN"), "12345678909");
    EXPECT_EQ(gains[1].str("CPFALIEN"), "");
    EXPECT_EQ(gains[2].str("CPFALIEN"), "11111111111");
}

}  // namespace
}  // namespace vorn::store
