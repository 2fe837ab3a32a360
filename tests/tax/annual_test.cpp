// The annual computation's own rules: quotas, automatic debit, switching options, the effective
// rate, incentives, totals of items, assets and debts, and the simulator.
#include "tax/annual.h"

#include <gtest/gtest.h>

#include "builder.h"
#include "tax/limits.h"
#include "tax/simulator.h"

namespace vorn::tax {
namespace {

using testing::Builder;
using testing::D;
using testing::Session;

// The quotas of a balance to pay with the operator's number of quotas.
std::pair<Decimal, Decimal> quotas(const char* balance, int asked = 0) {
    Builder b;
    b.d.set("I13_36", D(balance));
    b.d.set("QTD_QUOTA", Decimal(asked));
    Session s(b.d);
    FQTD_QUOTA(s.ctx, 1);
    return {b.d.num("QTD_QUOTA"), b.d.num("I13_37")};
}

TEST(Quotas, NumberFollowsTheBalanceAndValuesAreTruncated) {
    EXPECT_EQ(quotas("49.99"), std::pair(D("1"), D("49.99")));
    EXPECT_EQ(quotas("400.00"), std::pair(D("8"), D("50.00")));
    EXPECT_EQ(quotas("10000.00"), std::pair(D("8"), D("1250.00")));
    EXPECT_EQ(quotas("1000.00", 3), std::pair(D("3"), D("333.33")));
    EXPECT_EQ(quotas("120.00", 3), std::pair(D("2"), D("60.00")));
    EXPECT_EQ(quotas("0", 5), std::pair(D("0"), D("0")));

    Builder one;
    one.d.set("I13_36", D("80.00"));
    one.d.set("DEBITAUT", "S");
    Session s(one.d);
    FQTD_QUOTA(s.ctx, 1);
    EXPECT_EQ(one.d.str("DEBITAUT"), "");  // set to one quota: the debit is asked again
}

TEST(Quotas, AutomaticDebitOfASingleQuotaEndsOnTheNinthOfMay) {
    Builder b;
    b.d.set("QTD_QUOTA", Decimal(1));
    b.d.set("DEBITAUT", "S");
    {
        Session s(b.d, Date(2026, 5, 9));
        EXPECT_TRUE(VEJA_UMA_QUOTA(s.ctx));
    }
    Builder delivered = b;
    delivered.d.set("DENTREGA", Date(2026, 5, 8));
    {
        Session s(delivered.d, Date(2026, 5, 20));
        EXPECT_TRUE(VEJA_UMA_QUOTA(s.ctx));
    }
    Builder several = b;
    several.d.set("QTD_QUOTA", Decimal(3));
    {
        Session s(several.d, Date(2026, 5, 20));
        EXPECT_TRUE(VEJA_UMA_QUOTA(s.ctx));
    }
    Builder declined = b;
    declined.d.set("DEBITAUT", "N");
    {
        Session s(declined.d, Date(2026, 5, 20));
        EXPECT_TRUE(VEJA_UMA_QUOTA(s.ctx));
        EXPECT_TRUE(s.op.said.empty());
    }
    for (const char* flag : {"S", ""}) {
        Builder late = b;
        late.d.set("DEBITAUT", flag);
        Session s(late.d, Date(2026, 5, 10));
        EXPECT_FALSE(VEJA_UMA_QUOTA(s.ctx)) << flag;
        EXPECT_EQ(late.d.str("DEBITAUT"), "N");
        EXPECT_TRUE(
            s.op.saw("notice", "Não é permitido débito automático com uma quota após 09/05/2026"));
    }
}

TEST(Options, SwitchingRecomputesAndIsRefusedForFinalDeclarations) {
    Builder b;
    b.company("60000.00", "5000.00", "6000.00");
    Session s(b.d);
    compute_declaration(s.ctx);
    EXPECT_EQ(b.d.num("I13_20"), D("54000.00"));
    EXPECT_TRUE(CONF_PADR(s.ctx, "N"));
    EXPECT_FALSE(b.d.simplified());
    EXPECT_FALSE(CONF_PADR(s.ctx, "X"));
    EXPECT_TRUE(CONF_PADR(s.ctx, "s"));
    EXPECT_TRUE(b.d.simplified());
    EXPECT_EQ(b.d.num("I13_20"), D("48000.00"));
    EXPECT_TRUE(VIRA_COMP(s.ctx, "S"));
    EXPECT_FALSE(b.d.simplified());
    EXPECT_EQ(b.d.num("I13_20"), D("54000.00"));

    b.d.set("DECFINAL", "S");
    EXPECT_FALSE(MUDA(s.ctx));
    EXPECT_TRUE(s.op.saw("notice", "A declaração final de espólio só pode ser uma completa"));
    EXPECT_FALSE(b.d.simplified());
}

TEST(Options, NothingIsComputedWhileTheSummaryIsRebuilt) {
    Builder b;
    b.company("60000.00");
    b.d.work.LTROCOU = true;
    Session s(b.d);
    EXPECT_TRUE(CALC(s.ctx, 7, 1));
    EXPECT_EQ(b.d.num("I13_08"), D("0"));
}

TEST(EffectiveRate, ByBalanceAndWithoutIncome) {
    Builder b;
    b.d.set("I13_08", D("60000.00"));
    b.d.set("I13_35", D("5000.00"));
    b.d.set("I13_36", D("1000.00"));
    EffectiveRate r = effective_rate(b.d);
    EXPECT_EQ(r.balance, EffectiveRate::Balance::kPay);
    EXPECT_EQ(r.percent, D("10.00"));
    b.d.set("I13_36", D("0"));
    b.d.set("I13_38", D("904.97"));
    EXPECT_EQ(effective_rate(b.d).percent, D("6.82"));  // 4095.03 / 60000, truncated
    b.d.set("I13_38", D("5000.00"));
    EXPECT_EQ(effective_rate(b.d).percent, D("8.33"));  // all paid comes back: I13_35 / I13_08
    b.d.set("I13_38", D("0"));
    b.d.set("I13_35", D("0"));
    r = effective_rate(b.d);
    EXPECT_TRUE(r.zero_word);
    b.d.set("I13_08", D("0"));
    b.d.set("I13_35", D("10.00"));
    EXPECT_EQ(effective_rate(b.d).percent, D("0"));  // no income: 0, never a division by zero
}

TEST(Incentives, ServedInOrderWithinSixAndOnePercent) {
    Builder b;
    b.payment(40, "500.00");
    b.payment(39, "300.00");
    EXPECT_EQ(incentive_deduction(b.d, D("10000.00"), true), D("600.00"));
    EXPECT_EQ(b.d.payments[0].num("I6_5"), D("0"));
    EXPECT_EQ(b.d.payments[1].num("I6_5"), D("200.00"));

    Builder health;
    health.payment(45, "80.00");
    health.payment(46, "50.00");
    EXPECT_EQ(incentive_deduction(health.d, D("10000.00"), true), D("100.00"));
    EXPECT_EQ(health.d.payments[1].num("I6_5"), D("30.00"));
    // Never above the tax itself.
    EXPECT_EQ(incentive_deduction(health.d, D("0"), false), D("0"));

    // Asked for in the simplified option: the operator is told and nothing is deductible.
    Builder simple;
    simple.d.set("USAPADRAO", "S");
    simple.d.set("I13_21", D("10000.00"));
    simple.payment(40, "500.00");
    Session s(simple.d);
    FI13_22(s.ctx);
    EXPECT_EQ(simple.d.num("I13_22"), D("0"));
    EXPECT_EQ(simple.d.payments[0].num("I6_5"), D("500.00"));
    EXPECT_TRUE(s.op.saw("notice", "Abatimentos somente na declaração completa!"));
}

TEST(Totals, IncomeItemsFeedTheirLines) {
    Builder b;
    b.company("10000.00", "100.00", "0", "900.00");
    store::Record& illness = b.company("30000.00", "0", "0", "2500.00");
    illness.set("I1_3", "99888777000166");
    illness.set("I1_18", D("30000.00"));
    illness.set("I1_39", D("50.00"));
    illness.set("I1_19", D("400.00"));
    illness.set("I1_20", D("150.00"));
    illness.set("I1_45", D("640.00"));
    store::Record other = b.d.new_record(2);
    other.set("I1_1", "V");
    other.set("I1_4", D("77.00"));
    b.d.items.push_back(other);
    b.monthly_item("P", "100.00");
    b.d.set("CAL_AUTO", Decimal(2));  // social security typed in the grid: items do not count
    b.d.set("CARNEINSS", D("55.00"));
    FI1_T(b.d);
    EXPECT_EQ(b.d.num("I13_01"), D("40000.00"));
    EXPECT_EQ(b.d.num("I13_27"), D("150.00"));   // 100 + the 13th's tax of the illness item
    EXPECT_EQ(b.d.num("I3_07"), D("32500.00"));  // illness income and its 13th
    EXPECT_EQ(b.d.num("I4_01"), D("900.00"));
    EXPECT_EQ(b.d.num("I4_15"), D("640.00"));  // fixed-odds lottery prize
    EXPECT_EQ(b.d.num("EXGSUSP"), D("250.00"));
    EXPECT_EQ(b.d.work.VARIA, D("77.00"));
    EXPECT_EQ(b.d.str("CGCPAGADOR"), "99888777000166");
    EXPECT_EQ(b.d.num("CARNEINSS"), D("55.00"));
    EXPECT_EQ(b.d.num("I13_09"), D("55.00"));

    b.d.set("CAL_AUTO", Decimal(1));
    FI1_T(b.d);
    EXPECT_EQ(b.d.num("CARNEINSS"), D("1200.00"));

    // The loss to carry against foreign applications is not exclusive income.
    b.d.set("I4_14", D("5000.00"));
    b.d.set("I4_13", D("700.00"));
    SOMA_TRIBENAO(b.d);
    EXPECT_EQ(b.d.num("I13_45"), D("2240.00"));

    for (const char* n : {"I3_04GCPV", "I3_04UNICC", "I3_04EXTR"}) b.d.set(n, D("10.00"));
    FI3_04(b.d);
    EXPECT_EQ(b.d.num("I3_04"), D("30.00"));
}

TEST(Totals, AssetsDebtsForeignApplicationsAndPatrimony) {
    Builder b;
    store::Record a = b.d.new_record(4);
    a.set("I7_3", D("100000.00"));
    a.set("I7_4", D("120000.00"));
    a.set("VAL_APLIC", D("10000.00"));
    a.set("VAL_IRFOR", D("500.00"));
    b.d.assets.push_back(a);
    store::Record c = b.d.new_record(4);
    c.set("I7_3", D("5000.00"));
    c.set("VAL_LUCRO", D("2000.00"));
    c.set("VAL_APLIC", D("-3000.00"));
    b.d.assets.push_back(c);
    store::Record debt = b.d.new_record(5);
    debt.set("I8_3", D("30000.00"));
    debt.set("I8_4", D("45000.00"));
    debt.set("I8_7", D("6000.00"));
    b.d.debts.push_back(debt);
    b.d.set("I4_14", D("1000.00"));

    FI7_T(b.d);
    FI8_T(b.d);
    FI10_1(b.d);
    EXPECT_EQ(b.d.num("I13_39"), D("105000.00"));
    EXPECT_EQ(b.d.num("I13_40"), D("120000.00"));
    // (1500 − 500) × 6.667 + 300 × 6.6667 − 3000 − 1000.
    EXPECT_EQ(b.d.num("BASE14754"), D("4667.01"));
    // The year's results, the loss of one application set against the other's income.
    EXPECT_EQ(b.d.num("I4_13"), D("9000.00"));
    EXPECT_EQ(b.d.num("I13_41"), D("30000.00"));
    EXPECT_EQ(b.d.num("I13_42"), D("45000.00"));
    EXPECT_EQ(b.d.num("I13_51"), D("6000.00"));
    // Assets grew 15000, debts 15000: nothing left over, the growth was borrowed.
    EXPECT_EQ(b.d.work.I10_1, D("0"));
    EXPECT_EQ(b.d.num("EMPREST"), D("0"));
    b.d.debts[0].set("I8_4", D("60000.00"));
    FI8_T(b.d);
    FI10_1(b.d);
    EXPECT_EQ(b.d.num("EMPREST"), D("15000.00"));
    // Assets fell while debts grew.
    b.d.assets[0].set("I7_4", D("80000.00"));
    FI7_T(b.d);
    FI10_1(b.d);
    EXPECT_EQ(b.d.num("EMPREST"), D("30000.00"));
    EXPECT_EQ(b.d.work.I10_2, D("25000.00"));
}

TEST(Simulator, WorksTheTableBackwards) {
    EXPECT_EQ(SIMUL_tax_of_income(D("100000.00")), D("12038.77"));
    EXPECT_EQ(SIMUL_tax_of_income(D("60000.00")), D("2745.03"));

    Builder b;
    b.d.set("I13_35", D("1000.00"));
    Session s(b.d);
    // A balance of 1745.03 with 1000 paid is a tax of 2745.03: an income of 60000.
    EXPECT_EQ(SIMUL_simplified_income(s.ctx, D("1745.03")), D("60000.00"));
    // Above the discount's cap the formula is direct.
    const Decimal high = *SIMUL_simplified_income(s.ctx, D("20000.00"));
    EXPECT_EQ(SIMUL_tax_of_income(high), D("21000.00"));
    EXPECT_FALSE(SIMUL_simplified_income(s.ctx, D("-1000.01")));
    // 409.82 is 42407.0833… in the 15 % bracket: found there, not in a lower bracket, and shown
    // up to the cent so that it gives the same tax.
    const Decimal found = *SIMUL_simplified_income(s.ctx, D("-590.18"));
    EXPECT_EQ(found, D("42407.09"));
    EXPECT_EQ(SIMUL_tax_of_income(found), D("409.82"));
    EXPECT_TRUE(s.op.saw("notice", "O valor máximo de restituição de imposto é R$ 1.000,00"));

    // Complete: deductions 6000 and a tax of 4095.03 give back an income of 60000.
    b.d.set("I13_19", D("6000.00"));
    EXPECT_EQ(SIMUL_complete_income(s.ctx, D("3095.03")), D("60000.00"));
    EXPECT_EQ(annual_tax(*SIMUL_complete_income(s.ctx, D("-835.14")) - D("6000.00")), D("164.86"));
    // With a complementary pension of 5000 (below 12 % of the income) it is deducted in full.
    b.d.work.I13_11T = D("5000.00");
    const Decimal income = *SIMUL_complete_income(s.ctx, D("3095.03"));
    EXPECT_EQ(annual_tax(income - D("11000.00")), D("4095.03"));
    EXPECT_FALSE(SIMUL_complete_income(s.ctx, D("-2000.00")));
    // The Lei 14.754 tax is part of the balance, not of the table's tax: 4095.03 + 150 − 1000.
    b.d.work.I13_11T = Decimal();
    b.d.work.NILEI14754 = D("150.00");
    EXPECT_EQ(SIMUL_complete_income(s.ctx, D("3245.03")), D("60000.00"));

    b.d.set("I13_20", D("54000.00"));
    b.d.work.I13_22T = D("1000.00");
    // table(53000) = 3870.03, incentives limited to 6 % = 232.20, less 1000 paid.
    EXPECT_EQ(SIMUL_deduction(s.ctx, D("1000.00")), D("2637.83"));
    // A departure in June simulates with the table of its six months: 53000 × 27.5 % − 5401.46
    // = 9173.54, incentives 6 % = 550.41, less 1000 paid.
    b.d.set("DECSAIDA", "S");
    b.d.set("DATASAIDA", Date(2025, 6, 20));
    EXPECT_EQ(SIMUL_deduction(s.ctx, D("1000.00")), D("7623.13"));

    EXPECT_TRUE(FAZINVER(s.ctx, "n"));
    EXPECT_FALSE(FAZINVER(s.ctx, "T"));
    EXPECT_TRUE(s.op.saw("notice", "fazer um cálculo inverso informando o imposto"));
}

TEST(Pictures, EuropeanNumberPictures) {
    EXPECT_EQ(picture_e(D("1234.5"), "999,999,999.99"), "      1.234,50");
    EXPECT_EQ(picture_e(D("6301.19"), "9999,999,999.99"), "       6.301,19");
    EXPECT_EQ(picture_e(D("-12.3"), "999,999.99"), "    -12,30");
    EXPECT_EQ(picture_e(D("0"), "999.99", true), "      ");
    EXPECT_EQ(picture_e(D("0"), "999.99"), "  0,00");
    EXPECT_EQ(picture_e(D("123456"), "999.99"), "******");
}

}  // namespace
}  // namespace vorn::tax

namespace vorn::tax {
namespace {

using testing::Builder;
using testing::D;

TEST(SummaryTexts, PanelOfTheCompleteOptionAndBalanceLabels) {
    Builder b;
    b.d.set("I13_35", D("5000.00"));
    b.d.work.NCOMPL = D("4095.03");
    b.d.work.NSIMPL = D("2745.03");
    EXPECT_EQ(complete_option_panel(b.d),
              (std::vector<std::string>{"No completo", "Devolução", "904,97"}));
    b.d.work.NCOMPL = D("6000.00");
    EXPECT_EQ(complete_option_panel(b.d)[2], "1.000,00");
    b.d.work.NCOMPL = D("5000.00");
    EXPECT_EQ(complete_option_panel(b.d)[2], "ZERO");
    b.d.work.NSIMPL = D("5000.00");
    EXPECT_EQ(complete_option_panel(b.d)[0], "Os dois");
    EXPECT_EQ(balance_label(EffectiveRate::Balance::kPay, true), "    Imposto a PAGAR");
    EXPECT_EQ(balance_label(EffectiveRate::Balance::kRefund, false), "Imposto  a  Restituir");
}

}  // namespace
}  // namespace vorn::tax
