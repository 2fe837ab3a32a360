// The income type check of screen 2 and of an individual payer's item, the picture a grid column
// widens to, and the month's R$/US$ conversions.
#include <gtest/gtest.h>

#include "base/operator.h"
#include "entry/individuals_screen.h"
#include "entry/monthly_values.h"

namespace vorn::entry {
namespace {

std::string said(const ScriptedOperator& op) {
    std::string all;
    for (const auto& s : op.said) all += s.text + "|";
    return all;
}

TEST(IncomeType, OnlyTOAAreAcceptedAndAnItemMayStayBlank) {
    ScriptedOperator op;
    IncomeTypeUse screen;
    EXPECT_FALSE(CHECK_LETRA(op, "X", screen));
    EXPECT_EQ(said(op),
              "O caracter X digitado está errado\nPreencha com a letra T para Trabalho "
              "autonomo\nPreencha com a letra A se o rendimento for Aluguel\nPreencha com a "
              "letra O se Outros rendimentos|");
    EXPECT_FALSE(CHECK_LETRA(op, " ", screen));
    for (const char* ok : {"T", "O", "A"}) EXPECT_TRUE(CHECK_LETRA(op, ok, screen));
    IncomeTypeUse item;
    item.item = true;
    item.payer_cpf = "52998224725";
    EXPECT_TRUE(CHECK_LETRA(op, " ", item));
}

TEST(IncomeType, UnusualTypesAreWarnedAboutAndKept) {
    ScriptedOperator op;
    IncomeTypeUse liberal;
    liberal.mode = 2;
    liberal.nature = "11";
    liberal.occupation = "225";
    EXPECT_TRUE(CHECK_LETRA(op, "T", liberal));
    EXPECT_NE(said(op).find("Com ocupação código 225 como é esse contribuinte."),
              std::string::npos);
    op.said.clear();
    liberal.mode = 1;  // from the items, where the beneficiary's CPF is typed
    EXPECT_TRUE(CHECK_LETRA(op, "T", liberal));
    EXPECT_TRUE(op.said.empty());

    IncomeTypeUse item;
    item.item = true;
    EXPECT_TRUE(CHECK_LETRA(op, "T", item));
    EXPECT_EQ(said(op), "Para Trabalho Autônomo é necessário ter o CPF do pagador|");
    op.said.clear();
    item.beneficiary_cpf = "11144477735";
    EXPECT_TRUE(CHECK_LETRA(op, "A", item));
    EXPECT_EQ(said(op), "Para aluguel não é conveniente ter o CPF do Beneficiário|");
    op.said.clear();
    item.payer_cpf = "52998224725";
    EXPECT_TRUE(CHECK_LETRA(op, "O", item));
    EXPECT_EQ(said(op),
              "Para outros não é conveniente ter o CPF do pagador\ne nem preenchido o CPF do "
              "Beneficiário|");
}

TEST(GridPicture, WidensOnlyWhenAValueWouldNotFit) {
    const char* narrow = "@Ez 99,999,999.99";
    EXPECT_EQ(grid_picture(narrow, Decimal::from("99999999.99")), narrow);
    EXPECT_EQ(grid_picture(narrow, Decimal::from("100000000.00")), "@Ez 999,999,999.99");
    EXPECT_EQ(grid_picture("@Ez 999,999,999.99", Decimal::from("1")), "@Ez 999,999,999.99");
    EXPECT_EQ(grid_picture(narrow, Decimal::from("1000000000.00")), "@Ez 999,999,999,999.99");
}

TEST(MonthlyValues, EachCurrencyFollowsTheOtherAtTheMonthsRateTruncatedToTheCent) {
    // January 6.0394, December 5.2946.
    EXPECT_EQ(reais_to_dollars(Decimal(100), 1), Decimal::from("16.55"));
    EXPECT_EQ(dollars_to_reais(Decimal(50), 2), Decimal::from("301.85"));
    EXPECT_EQ(dollars_to_reais(Decimal::from("0.01"), 12), Decimal::from("0.05"));
    EXPECT_EQ(reais_to_dollars(Decimal(), 7), Decimal());
}

}  // namespace
}  // namespace vorn::entry
