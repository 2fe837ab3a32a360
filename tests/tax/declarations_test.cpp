// Whole declarations computed by hand, each under the complete and the simplified option: the
// figures are what an accountant gets from the year's tables for the same data.
#include <gtest/gtest.h>

#include "hand_declarations.h"
#include "tax/annual.h"

namespace vorn::tax {
namespace {

using testing::Builder;
using testing::D;
using testing::Session;
using namespace testing;

// Runs the summary computation under one option on a copy of the declaration.
struct Computed {
    Computed(const Declaration& base, bool simplified, Date today = Date(2026, 4, 15))
        : d(base), s(d, today) {
        d.set("USAPADRAO", simplified ? "S" : "N");
        compute_declaration(s.ctx);
    }
    Decimal operator[](const char* name) const { return d.num(name); }
    Declaration d;
    Session s;
};

TEST(WholeDeclaration, EmployeeWithSocialSecurityAndThirteenth) {
    Builder b = employee_with_thirteenth();

    Computed complete(b.d, false);
    EXPECT_EQ(complete["I13_01"], D("60000.00"));
    EXPECT_EQ(complete["I13_09"], D("6000.00"));
    EXPECT_EQ(complete["I13_19"], D("6000.00"));
    EXPECT_EQ(complete["I13_20"], D("54000.00"));
    EXPECT_EQ(complete["I13_21"], D("4095.03"));
    EXPECT_EQ(complete["I13_26"], D("4095.03"));
    EXPECT_EQ(complete["I13_35"], D("5000.00"));
    EXPECT_EQ(complete["I13_38"], D("904.97"));
    EXPECT_EQ(complete["IMPPGRE"], D("-904.97"));
    EXPECT_EQ(complete["QTD_QUOTA"], D("0"));
    EXPECT_EQ(complete["I4_01"], D("5000.00"));
    EXPECT_EQ(complete["I13_45"], D("5000.00"));
    EXPECT_EQ(complete.d.work.NSIMPL, D("2745.03"));
    EXPECT_EQ(complete.d.work.NCOMPL, D("4095.03"));
    EXPECT_EQ(complete.d.work.verdict, "Mais vantajoso usar o formulário simples");
    EXPECT_EQ(complete.d.str("CGCPAGADOR"), "11222333000181");
    // Receipts 60000 + 5000 exclusive; expenses: tax paid 5000 + social security 6000.
    EXPECT_EQ(complete.d.work.RECEITA, D("65000.00"));
    EXPECT_EQ(complete.d.work.DESPESA, D("11000.00"));
    EXPECT_EQ(complete["SALDO"], D("54000.00"));
    EXPECT_EQ(complete["INDGAS"], D("83.08"));  // 83.0769…

    Computed simple(b.d, true);
    EXPECT_EQ(simple["DESPADRAO"], D("12000.00"));
    EXPECT_EQ(simple.d.work.DESCON, D("12000.00"));
    EXPECT_EQ(simple["I13_20"], D("48000.00"));
    EXPECT_EQ(simple["I13_21"], D("2745.03"));
    EXPECT_EQ(simple["I13_23"], D("2745.03"));
    EXPECT_EQ(simple["I13_38"], D("2254.97"));
    EXPECT_EQ(simple["I13_36"], D("0"));
}

TEST(WholeDeclaration, FamilyWithEducationMedicalAndPensionLimits) {
    Builder b = family_with_limits();

    Computed complete(b.d, false);
    EXPECT_EQ(complete["I13_11"], D("14400.00"));
    EXPECT_EQ(pension_limit(D("100000.05")), D("12000.01"));  // 12000.006 to the cent
    EXPECT_EQ(complete["I13_12"], D("4550.16"));
    EXPECT_EQ(complete["I13_13"], D("8123.00"));
    EXPECT_EQ(complete["I13_14"], D("4000.00"));
    EXPECT_EQ(complete.d.work.I13_14D, D("500.00"));
    EXPECT_EQ(complete["I13_19"], D("40073.16"));
    EXPECT_EQ(complete["I13_20"], D("79926.84"));
    EXPECT_EQ(complete["I13_21"], D("11126.10"));
    EXPECT_EQ(complete["I13_38"], D("3873.90"));
    EXPECT_EQ(complete.d.work.verdict, "Essa é a melhor opção de formulário");

    Computed simple(b.d, true);
    EXPECT_EQ(simple["DESPADRAO"], D("16754.34"));  // capped
    EXPECT_EQ(simple["I13_21"], D("17538.77"));
    EXPECT_EQ(simple["I13_36"], D("2538.77"));
    EXPECT_EQ(simple["QTD_QUOTA"], D("8"));
    EXPECT_EQ(simple["I13_37"], D("317.34"));
}

TEST(WholeDeclaration, IncentiveDonationsWithinTheirLimits) {
    Builder b = incentive_donations();

    Computed complete(b.d, false);
    EXPECT_EQ(complete["I13_21"], D("16646.22"));
    // 6 % = 998.77: code 40 whole, code 41 the 298.77 left, code 39 nothing; 1 % = 166.46 for 45.
    EXPECT_EQ(complete["I13_22"], D("1165.23"));
    EXPECT_EQ(complete.d.payments[0].num("I6_5"), D("0"));
    EXPECT_EQ(complete.d.payments[1].num("I6_5"), D("201.23"));
    EXPECT_EQ(complete.d.payments[2].num("I6_5"), D("200.00"));
    EXPECT_EQ(complete.d.payments[3].num("I6_5"), D("133.54"));
    EXPECT_EQ(complete["I13_23"], D("15480.99"));
    EXPECT_EQ(complete["I13_36"], D("3480.99"));
    EXPECT_EQ(complete["I13_37"], D("435.12"));
    // The comparison ran before line 22 was found: it counted the incentives held then (none).
    EXPECT_EQ(complete.d.work.NCOMPL, D("16646.22"));
    CALC(complete.s.ctx, 7, 1);
    EXPECT_EQ(complete.d.work.NCOMPL, D("15480.99"));

    Computed simple(b.d, true);
    EXPECT_EQ(simple["I13_23"], D("12038.77"));
    EXPECT_EQ(simple["I13_36"], D("38.77"));
    EXPECT_EQ(simple["QTD_QUOTA"], D("1"));

    // Switching to the simplified option keeps line 22 of the complete one for the comparison.
    ASSERT_TRUE(MUDA(complete.s.ctx));
    EXPECT_EQ(complete["I13_22"], D("1165.23"));
    EXPECT_EQ(complete["I13_23"], D("12038.77"));
    EXPECT_EQ(complete["I13_26"], D("12038.77"));
    EXPECT_EQ(complete.d.work.NCOMPL, D("15480.99"));
    EXPECT_EQ(complete.d.work.NSIMPL, D("12038.77"));
}

TEST(WholeDeclaration, CarneLeaoOnIncomeFromIndividuals) {
    Builder b = carne_leao_from_individuals();

    // Due: 598.68 in January to April (27.5 % of 5435.20 − 896.00), 574.29 from May.
    Computed complete(b.d, false);
    EXPECT_EQ(complete["I13_03"], D("72000.00"));
    EXPECT_EQ(complete["I13_29"], D("7034.72"));  // the larger of due and paid, month by month
    EXPECT_EQ(complete["I13_21"], D("8946.22"));
    EXPECT_EQ(complete["I13_36"], D("1911.50"));
    EXPECT_EQ(complete["I13_37"], D("238.93"));
    EXPECT_EQ(complete["TOTTRABT"] + complete["TOTOUTRT"] + complete["TOTALUGT"], D("72000.00"));

    Computed simple(b.d, true);
    EXPECT_EQ(simple["I13_21"], D("4986.22"));
    EXPECT_EQ(simple["I13_38"], D("2048.50"));

    Builder paid_only = b;
    paid_only.d.set("SO_REC", true);
    Computed receipts(paid_only.d, false);
    EXPECT_EQ(receipts["I13_29"], D("6960.00"));
}

TEST(WholeDeclaration, FinalEstateUsesTheMonthsUpToThePartition) {
    Builder b = final_estate();

    // Six months: bound 4 = 27988.08, amount 4 = 5401.46.
    Computed run(b.d, true);  // forced to the complete option
    EXPECT_EQ(run.d.str("USAPADRAO"), "N");
    EXPECT_EQ(run["I13_21"], D("2848.54"));
    EXPECT_EQ(run.d.work.NSIMPL, D("1397.94"));
    EXPECT_EQ(run.d.work.verdict, "Na declaração Final somente uma quota e completa");
    EXPECT_EQ(run["QTD_QUOTA"], D("1"));
    EXPECT_EQ(run["I13_37"], D("2848.54"));
    EXPECT_TRUE(run.s.op.saw("notice", "parcelamento em declaração final"));

    Builder undated = b;
    undated.d.set("DATAPARTI", Date());
    Computed twelve(undated.d, false);
    EXPECT_EQ(twelve["I13_21"], annual_tax(D("30000.00")));
    EXPECT_TRUE(twelve.s.op.saw("notice", "O cálculo apresentado corresponde ao mês 12"));
}

TEST(WholeDeclaration, DepartureCountsMonthsFromTheDecisionOfResidence) {
    Builder b = departure();

    Computed run(b.d, false);
    EXPECT_EQ(run["I13_21"], D("1916.00"));  // four months
    EXPECT_EQ(run["I13_36"], D("1416.00"));
    EXPECT_EQ(run["QTD_QUOTA"], D("1"));

    Computed forced(b.d, true);
    EXPECT_EQ(forced.d.str("USAPADRAO"), "N");
    EXPECT_FALSE(MUDA(forced.s.ctx));
    EXPECT_TRUE(
        forced.s.op.saw("notice", "A declaração de saída definitiva só pode ser uma completa"));
}

TEST(WholeDeclaration, RetiredFromAge65WithExemptPortion) {
    Builder b = retired_from_65();

    Computed complete(b.d, false);
    EXPECT_EQ(complete["I3_06"], D("24751.74"));
    EXPECT_EQ(complete["I13_44"], D("24751.74"));
    EXPECT_EQ(complete["I13_21"], D("1320.97"));
    EXPECT_EQ(complete["I13_36"], D("320.97"));
    EXPECT_EQ(complete["QTD_QUOTA"], D("6"));
    EXPECT_EQ(complete["I13_37"], D("53.49"));

    Computed simple(b.d, true);
    EXPECT_EQ(simple["I13_21"], D("264.96"));
    EXPECT_EQ(simple["I13_38"], D("735.04"));
}

TEST(WholeDeclaration, TaxPaidAbroadIsLimitedToTheTaxOnTheForeignIncome) {
    Builder b = tax_paid_abroad();

    Computed complete(b.d, false);
    EXPECT_EQ(complete["I13_49"], D("24000.00"));
    EXPECT_EQ(complete["I13_21"], D("9496.22"));
    EXPECT_EQ(complete.d.work.foreign_limit, D("6301.19"));
    EXPECT_EQ(complete["I13_32"], D("1000.00"));
    EXPECT_EQ(complete["I13_35"], D("4000.00"));

    Builder above = b;
    above.d.set("IR_EXTER", D("7000.00"));
    Computed limited(above.d, false);
    EXPECT_EQ(limited["I13_32"], D("6301.19"));
    EXPECT_TRUE(limited.s.op.saw("notice", "O limite Legal assumido é de :       6.301,19"));

    Computed simple(above.d, true);
    EXPECT_EQ(simple.d.work.foreign_limit, D("4105.25"));  // 5426.22 − 1320.97
    EXPECT_EQ(simple["I13_32"], D("4105.25"));

    Builder home;
    home.company("50000.00");
    home.d.set("IR_EXTER", D("1000.00"));
    Computed none(home.d, false);
    EXPECT_EQ(none["I13_32"], D("0"));
}

TEST(WholeDeclaration, AccumulatedIncomeTaxedExclusively) {
    Builder b = accumulated_income();

    Computed complete(b.d, false);
    EXPECT_EQ(complete["I13_05"], D("0"));
    EXPECT_EQ(complete["I4_05"], D("29100.00"));
    EXPECT_EQ(complete["I13_25"], D("558.40"));
    EXPECT_EQ(complete["I13_34"], D("900.00"));
    EXPECT_EQ(complete["I13_26"], D("1879.37"));
    EXPECT_EQ(complete["I13_36"], D("979.37"));

    Computed simple(b.d, true);
    EXPECT_EQ(simple["I13_26"], D("823.36"));
}

}  // namespace
}  // namespace vorn::tax
