// Income received cumulatively: the per-item option, its tax over the number of months, the
// age-65 portion and the single option across items.
#include "tax/rra.h"

#include <gtest/gtest.h>

#include "builder.h"

namespace vorn::tax {
namespace {

using testing::Builder;
using testing::D;
using testing::Session;

store::Record& rra(Builder& b, const char* option, const char* income, const char* months,
                   const char* received) {
    store::Record r = b.d.new_record(2);
    r.set("I1_1", "A");
    r.set("I1_11", "S");
    r.set("TIPOCR", option);
    r.set("I1_4", D(income));
    r.set("I1_21", D(months));
    r.set("I1_36", received);
    b.d.items.push_back(r);
    return b.d.items.back();
}

TEST(AccumulatedIncome, AdjustmentOptionCarriesTheWholeIncome) {
    Builder b;
    store::Record& item = rra(b, "S", "30000.00", "10", "05");
    Session s(b.d);
    EXPECT_TRUE(CALC_RAA(s.ctx, item, 0, 1, 5));
    EXPECT_EQ(item.num("I1_20"), D("0"));
    EXPECT_EQ(item.num("I1_25"), D("30000.00"));
}

TEST(AccumulatedIncome, ExclusiveTaxUsesTheMonthlyTableTimesTheMonths) {
    Builder b;
    store::Record& item = rra(b, "N", "30000.00", "10", "05");
    Session s(b.d);
    // Ten months of May's table: bounds 24288.00 / 28266.60 / 37510.60; 15 %: 4500 − 3941.60.
    // (Against one month's bounds the whole base would fall in 27.5 % and pay nothing.)
    EXPECT_TRUE(CALC_RAA(s.ctx, item, 0, 1, 5));
    EXPECT_EQ(item.num("I1_20"), D("558.40"));
    // Received in April: the first column's amount to subtract, 10 × 381.44.
    EXPECT_TRUE(CALC_RAA(s.ctx, item, 0, 1, 4));
    EXPECT_EQ(item.num("I1_20"), D("685.60"));
    // 25000 in May over ten months is in the 7.5 % bracket: 1875 − 1821.60.
    item.set("I1_4", D("25000.00"));
    EXPECT_TRUE(CALC_RAA(s.ctx, item, 0, 1, 5));
    EXPECT_EQ(item.num("I1_20"), D("53.40"));
    item.set("I1_4", D("30000.00"));
    // Social security and alimony come off the base; below the bound nothing is due.
    item.set("I1_6", D("4000.00"));
    item.set("I1_12", D("3000.00"));
    EXPECT_TRUE(CALC_RAA(s.ctx, item, 0, 1, 5));
    EXPECT_EQ(item.num("I1_20"), D("0"));
    // A large amount over few months reaches 27.5 %: 100000 × 0.275 − 908.73 × 2.
    item.set("I1_4", D("107000.00"));
    item.set("I1_21", D("2"));
    EXPECT_TRUE(CALC_RAA(s.ctx, item, 0, 1, 5));
    EXPECT_EQ(item.num("I1_20"), D("25682.54"));
    // Half months count: 1.5 months of May, bound 1 = 3643.20.
    item.set("I1_4", D("10643.20"));
    item.set("I1_21", D("1.5"));
    EXPECT_TRUE(CALC_RAA(s.ctx, item, 0, 1, 5));
    EXPECT_EQ(item.num("I1_20"), D("0"));
}

TEST(AccumulatedIncome, MissingMonthsOrMonthOfReceipt) {
    Builder b;
    store::Record& item = rra(b, "N", "30000.00", "0", "");
    Session s(b.d);
    EXPECT_TRUE(CALC_RAA(s.ctx, item, 0, 0, 0));
    EXPECT_FALSE(CALC_RAA(s.ctx, item, 0, 1, 0));
    EXPECT_TRUE(s.op.saw("notice", "É necessário informar a quantidade de meses"));
    item.set("I1_21", D("3"));
    EXPECT_FALSE(CALC_RAA(s.ctx, item, 0, 1, 0));
    EXPECT_TRUE(s.op.saw("notice", "É necessário informar o mês do recebimento"));
}

TEST(AccumulatedIncome, OptionFieldAndTheAge65Portion) {
    Builder b;
    store::Record& item = rra(b, "S", "10000.00", "5", "06");
    Session s(b.d);
    EXPECT_FALSE(VERAA(s.ctx, item, "X", 0));
    EXPECT_TRUE(
        s.op.saw("notice", "ou N (Não) para lançar os rendimentos no Tributado na Fonte  "));

    s.op.yes_no_answers = {true};
    EXPECT_TRUE(VER_APOSRAA(s.ctx, item, D("2000.00"), 0));
    EXPECT_TRUE(s.op.saw("yes_no",
                         "O limite isento 65 anos de R$ 1903.98 foi ultrapassado.\n"
                         "Mantendo a opção pelo Ajuste Anual o valor   96.02 será somada "
                         "ao tributado.\nPode-se porém repetir 1.0 x 1903.98 como A.Anual."));
    EXPECT_EQ(item.num("I1_17"), D("1903.98"));
    EXPECT_EQ(item.num("I1_4"), D("10096.02"));
    EXPECT_EQ(item.num("I1_25"), D("10096.02"));

    // Refusing keeps the portion and moves the item to exclusive taxation.
    s.op.yes_no_answers = {false};
    EXPECT_TRUE(VER_APOSRAA(s.ctx, item, D("2000.00"), 0));
    EXPECT_EQ(item.str("TIPOCR"), "N");
    EXPECT_EQ(item.num("I1_25"), D("12096.02"));  // income plus the portion
}

TEST(AccumulatedIncome, CompanyPortionsAlreadyUseTheLimit) {
    Builder b;
    b.company("30000.00").set("I1_17", D("22000.00"));
    store::Record& item = rra(b, "S", "10000.00", "5", "06");
    rra(b, "S", "5000.00", "2", "03");
    Session s(b.d);
    EXPECT_TRUE(VER_APOSRAA(s.ctx, b.d.items[1], D("1000.00"), 0));
    EXPECT_TRUE(s.op.saw("notice", "O programa vai trocar a opção Ajuste anual escolhida."));
    EXPECT_EQ(b.d.items[1].str("TIPOCR"), "N");
    EXPECT_TRUE(
        s.op.saw("notice", "Atenção! Todos os lançamentos devem ter a mesma opção de tributação"));
    (void)item;
}

}  // namespace
}  // namespace vorn::tax
