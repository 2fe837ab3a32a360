// The progressive tables: bracket bounds, truncation and rounding rules, the cumulated table of
// final and departure declarations.
#include "tax/table.h"

#include <gtest/gtest.h>

#include "builder.h"
#include "tax/year.h"

namespace vorn::tax {
namespace {

using testing::D;

TEST(AnnualTable, BoundsStayInTheLowerBracketAndDifferencesAreCutToTheCent) {
    EXPECT_EQ(annual_tax(D("28467.20")), D("0"));
    EXPECT_EQ(annual_tax(D("28467.21")), D("0"));       // 0.00075 is cut
    EXPECT_EQ(annual_tax(D("33919.80")), D("408.94"));  // 2543.985 − 2135.04, still 7.5 %
    EXPECT_EQ(annual_tax(D("33919.81")), D("408.94"));  // 15 %: 5087.9715 − 4679.03
    EXPECT_EQ(annual_tax(D("45012.60")), D("2072.86"));
    EXPECT_EQ(annual_tax(D("50000.00")), D("3195.03"));
    EXPECT_EQ(annual_tax(D("55976.16")), D("4539.66"));
    EXPECT_EQ(annual_tax(D("100000.00")), D("16646.22"));
    EXPECT_EQ(annual_tax(D("-5")), D("0"));
}

TEST(CumulatedTable, SumsTheMonthlyColumnsAndCutsTheProductBeforeSubtracting) {
    // Four months (January to April): bounds 9036.80 / 11306.64 / 15004.24 / 18658.72.
    EXPECT_EQ(CALC_PARCIAL(D("9036.80"), 4), D("0"));
    EXPECT_EQ(CALC_PARCIAL(D("10000.00"), 4), D("72.24"));    // 750 − 677.76
    EXPECT_EQ(CALC_PARCIAL(D("20000.00"), 4), D("1916.00"));  // 5500 − 3584.00
    // Six months cross into the second column: bound 1 = 4 × 2259.20 + 2 × 2428.80.
    EXPECT_EQ(CALC_PARCIAL(D("13894.40"), 6), D("0"));
    EXPECT_EQ(CALC_PARCIAL(D("13894.41"), 6), D("0"));
    // Twelve months give the annual exempt bound.
    EXPECT_EQ(CALC_PARCIAL(D("28467.20"), 12), D("0"));
    EXPECT_THROW(CALC_PARCIAL(D("1"), 0), std::invalid_argument);
}

TEST(MonthlyTable, DiscountOrDeductionsAndTheRoundingOfEachBracket) {
    // May: 3000.00 less the 607.20 discount is 2392.80, exempt.
    EXPECT_EQ(monthly_tax(D("3000.00"), 5, D("0")), D("0"));
    // April uses the first column: 3000 − 564.80 = 2435.20 → 7.5 %: 182.64 − 169.44.
    EXPECT_EQ(monthly_tax(D("3000.00"), 4, D("0")), D("13.20"));
    // Deductions above the discount replace it.
    EXPECT_EQ(monthly_tax(D("10000.00"), 6, D("1000.00")), D("1566.27"));
    EXPECT_EQ(monthly_tax(D("10000.00"), 6, D("600.00")),
              D("1674.29"));  // 9392.80 × 0.275 − 908.73
    // 7.5 % is rounded: 2500.10 × 0.075 − 182.16 = 5.3475 → 5.35.
    EXPECT_EQ(monthly_tax(D("3107.30"), 5, D("0")), D("5.35"));
    // 22.5 % is truncated: 4000.03 × 0.225 − 675.49 = 224.51675 → 224.51.
    EXPECT_EQ(monthly_tax(D("4607.23"), 5, D("0")), D("224.51"));
    EXPECT_EQ(monthly_tax(D("100.00"), 1, D("0")), D("0"));
}

TEST(AnnualTable, DispatchByDivisor) {
    AnnualTable plain, four{4};
    EXPECT_EQ(CALC_IMPOS(plain, 1, D("50000")), annual_tax(D("50000")));
    EXPECT_EQ(CALC_IMPOS(four, 1, D("20000")), D("1916.00"));
    EXPECT_EQ(CALC_IMPOS(plain, 12, D("3107.30"), 5, D("0")), D("5.35"));
}

TEST(YearConstants, ParentsLimitIsTheYearsExemptBound) {
    EXPECT_EQ(NLIMAVOS, D("28467.20"));
    EXPECT_STREQ(CLIMAVOS, "R$ 28.467,20");
    EXPECT_EQ(TAB_DOLAR[11], D("5.2946"));
}

}  // namespace
}  // namespace vorn::tax
