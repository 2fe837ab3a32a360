#include "base/decimal.h"

#include <gtest/gtest.h>

namespace vorn {
namespace {

Decimal D(const char* s) {
    return Decimal::from(s);
}

TEST(Decimal, ParsesAndPrintsExactly) {
    EXPECT_EQ(D("1234.56").to_string(), "1234.56");
    EXPECT_EQ(D(" -0.01 ").to_string(), "-0.01");
    EXPECT_EQ(D("0.075").to_string(3), "0.075");
    EXPECT_EQ(D("12").to_string(0), "12");
    EXPECT_EQ(D("0.1").to_plain(), "0.1");
    EXPECT_EQ(D("100.000").to_plain(), "100");
    EXPECT_FALSE(Decimal::parse("1,5"));
    EXPECT_FALSE(Decimal::parse(""));
    EXPECT_FALSE(Decimal::parse("-"));
    EXPECT_FALSE(Decimal::parse("1.2.3"));
    EXPECT_FALSE(Decimal::parse("0.0000000000001"));  // beyond the internal scale
}

TEST(Decimal, SumsOfCentsAreExact) {
    // 0.1 + 0.2 is the classic binary floating-point failure.
    EXPECT_EQ(D("0.1") + D("0.2"), D("0.3"));
    Decimal total;
    for (int i = 0; i < 1000; ++i) total += D("0.01");
    EXPECT_EQ(total, D("10"));
}

TEST(Decimal, ProductsAndQuotientsTruncateAtTheInternalScale) {
    EXPECT_EQ(D("33919.80") * D("0.075"), D("2543.985"));
    EXPECT_EQ(D("-3") * D("0.5"), D("-1.5"));
    EXPECT_EQ(D("999999999999.99") * D("999999999999.99"), D("999999999999980000000000.0001"));
    EXPECT_EQ(D("10") / D("3"), D("3.333333333333"));
    EXPECT_EQ(D("-10") / D("4"), D("-2.5"));
    EXPECT_THROW(D("1") / Decimal(), std::domain_error);
}

TEST(Decimal, RoundsHalfAwayFromZeroAndTruncatesTowardZero) {
    EXPECT_EQ(D("2.345").round(2), D("2.35"));
    EXPECT_EQ(D("-2.345").round(2), D("-2.35"));
    EXPECT_EQ(D("2.3449").round(2), D("2.34"));
    EXPECT_EQ(D("2.349").trunc(2), D("2.34"));
    EXPECT_EQ(D("-2.349").trunc(2), D("-2.34"));
    EXPECT_EQ(D("-2.5").floor(), D("-3"));
    EXPECT_EQ(D("-2.5").whole(), -2);
    EXPECT_EQ(D("1.005").to_string(2), "1.01");
}

TEST(Decimal, DesprezaTruncatesToTheCentAfterRoundingTwoPlacesFurther) {
    EXPECT_EQ(DESPREZA(D("1234.5678"), 15), D("1234.56"));
    EXPECT_EQ(DESPREZA(D("1234.5678"), 14), D("1234.56"));
    EXPECT_EQ(DESPREZA(D("0.999"), 14), D("0.99"));  // never rounded up to the next cent
    // Written with four places first: 0.009999 becomes 0.0100, so the cent survives.
    EXPECT_EQ(DESPREZA(D("0.009999"), 15), D("0.01"));
    EXPECT_EQ(DESPREZA(D("0.009949"), 15), D("0.00"));
    EXPECT_EQ(DESPREZA(D("-7.259"), 15), D("-7.25"));
    EXPECT_EQ(DESPREZA(D("1.23456"), 15, 2, 1), D("1.2346"));
    EXPECT_EQ(DESPREZA(D("1.23456"), 15, 3), D("1.234"));
}

}  // namespace
}  // namespace vorn
