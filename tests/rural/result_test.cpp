#include "rural/result.h"

#include <gtest/gtest.h>

#include "store/catalogue.h"

namespace vorn::rural {
namespace {

store::Record rec(int table, const char* country = "S") {
    store::Record r(store::table_def(table)->layout);
    r.set("CPF", "11144477735");
    r.set("ATV_BRASIL", country);
    return r;
}

Decimal D(const char* s) {
    return Decimal::from(s);
}

// A Brazilian result with the whole year's revenue and expenses in January.
store::Record brazil(const char* revenue, const char* expenses, const char* earlier, bool option) {
    store::Record r = rec(15);
    r.set("I3_01OR", D(revenue));
    r.set("I3_01OD", D(expenses));
    r.set("I4R_04", D(earlier));
    r.set("OPT_20", option ? "S" : "N");
    CALCRUR(r, {}, Decimal());
    return r;
}

TEST(RuralResult, CompensationOptionAndLosses) {
    // Earlier losses larger than the result: compensated up to the result, the rest carried.
    auto r = brazil("100000", "60000", "50000", false);
    EXPECT_EQ(r.num("I4R_03"), D("40000"));
    EXPECT_EQ(r.num("I4R_05"), D("40000"));
    EXPECT_EQ(r.num("I4R_07"), Decimal());
    EXPECT_EQ(r.num("I5_08"), D("10000"));

    // The 20 % option: nothing compensated or carried, 20 % of revenue taxed.
    r = brazil("100000", "60000", "50000", true);
    EXPECT_EQ(r.num("I4R_07"), D("20000"));
    EXPECT_EQ(r.num("I4R_05"), Decimal());
    EXPECT_EQ(r.num("I5_08"), Decimal());
    auto t = CALC_PREJU(r, std::nullopt, {});
    EXPECT_EQ(t.I13_07, D("20000"));
    EXPECT_EQ(t.I3_11, D("20000"));  // 40,000 result, 20,000 taxed

    // A loss of the year adds to what is carried; the loss delivered is the year's own.
    r = brazil("10000", "15000", "1000", false);
    EXPECT_EQ(r.num("I5_08"), D("6000"));
    EXPECT_EQ(r.num("I4R_07"), Decimal());
    EXPECT_EQ(r.num("I6_10"), Decimal());
    t = CALC_PREJU(r, std::nullopt, {});
    EXPECT_EQ(t.PREJU_BR, D("5000"));
    EXPECT_EQ(t.PREJRUR, D("5000"));

    // 20 % truncates to the cent.
    r = brazil("0.99", "0", "0", true);
    EXPECT_EQ(r.num("I4R_06"), D("0.19"));

    // Clearing the earlier losses recomputes: everything taxed.
    r = brazil("100000", "60000", "50000", false);
    PREJ_RUR(r, {}, Decimal());
    EXPECT_EQ(r.num("I4R_07"), D("40000"));
    EXPECT_EQ(r.num("I5_08"), Decimal());
}

TEST(RuralResult, AbroadInDollarsBesideBrazilWithOptionInOne) {
    store::Record ex = rec(15, "N");
    store::Record us = rec(16, "N");
    us.set("RESUS", D("10000"));
    us.set("OPC20US", D("4000"));
    CALCRUR(ex, {us}, D("5.2946"));
    EXPECT_EQ(ex.num("I4R_03"), D("52946"));
    EXPECT_EQ(ex.num("I4R_07"), D("52946"));
    EXPECT_EQ(ex.num("I4R_06"), D("21178.40"));

    // The option abroad only: abroad taxes its 20 % amount, Brazil compensates.
    ex.set("OPT_20E", "S");
    CALCRUR(ex, {us}, D("5.2946"));
    EXPECT_EQ(ex.num("I4R_07"), D("21178.40"));
    auto br = brazil("100000", "60000", "10000", false);
    auto t = CALC_PREJU(br, ex, {});
    EXPECT_EQ(t.TRIB_BR, D("30000"));
    EXPECT_EQ(t.TRIB_EX, D("21178.40"));
    EXPECT_EQ(t.I13_07, D("51178.40"));
    EXPECT_EQ(t.NTRIB_EX, D("31767.60"));
    EXPECT_EQ(t.I3_11, D("41767.60"));  // Brazil: 40,000 − 30,000 taxed

    // Without any activity nothing is delivered.
    t = CALC_PREJU(std::nullopt, std::nullopt, {});
    EXPECT_EQ(t.I13_07, Decimal());
}

TEST(RuralResult, DebtsMovement) {
    auto br = brazil("1000", "0", "0", false);
    store::Record d = rec(18);
    d.set("I9R_2", D("50000"));
    d.set("I9R_3", D("80000"));
    auto t = CALC_PREJU(br, std::nullopt, {d});
    EXPECT_EQ(t.EMPRUR, D("30000"));
    EXPECT_EQ(t.AMORUR, Decimal());
    d.set("I9R_2", D("80000"));
    d.set("I9R_3", D("50000"));
    store::Record other = rec(18, "N");  // abroad debts of an activity not declared
    other.set("I9R_2", D("999"));
    t = CALC_PREJU(br, std::nullopt, {d, other});
    EXPECT_EQ(t.AMORUR, D("30000"));
    EXPECT_EQ(t.EMPRUR, Decimal());
    EXPECT_EQ(t.DIVAN, D("80000"));
    EXPECT_EQ(t.DIVAD, D("50000"));
}

TEST(RuralResult, CashBookTotalsByPropertyNumber) {
    store::Record p1 = rec(16), p3 = rec(16), partner = rec(16);
    p1.set("I2R_00", Decimal(1));
    p1.set("I2R_04", D("100"));
    p3.set("I2R_00", Decimal(3));
    p3.set("I2R_04", D("50"));
    partner.set("I2R_00", Decimal(3));  // the partner's record of the same property
    partner.set("I2R_04", D("50"));
    auto entry = [](int property, const char* kind, const char* value, Date d) {
        store::Record e = rec(19);
        e.set("NROIMO", Decimal(property));
        e.set("TIPOCR", kind);
        e.set("VALOR", D(value));
        e.set("DT_LC", d);
        return e;
    };
    std::vector<store::Record> entries = {
        entry(3, "C", "8000", Date(2025, 3, 10)),   entry(1, "C", "100", Date(2025, 3, 1)),
        entry(7, "D", "33.33", Date(2025, 12, 31)), entry(0, "D", "10", Date(2025, 12, 1)),
        entry(3, "D", "0.03", Date(2025, 5, 5)),    entry(1, "C", "5", Date())};
    auto cash = SOMA_RUR(entries, {p1, p3, partner}, kCashBook);
    ASSERT_TRUE(cash);
    EXPECT_EQ(cash->grid.receipts[3], D("4100"));
    EXPECT_EQ(cash->grid.expenses[12], D("43.33"));  // unknown property 7 counts in full
    EXPECT_EQ(cash->grid.expenses[5], D("0.02"));    // half of 0.03 to the cent
    EXPECT_EQ(cash->unknown_properties, std::vector<int>{7});
    Decimal year;
    for (int m = 1; m <= 12; ++m) year += cash->grid.receipts[m];
    EXPECT_EQ(year, D("4100"));  // the undated entry is left out

    auto book = SOMA_RUR(entries, {p1, p3}, kLcdpr);
    ASSERT_TRUE(book);
    EXPECT_EQ(book->grid.receipts[3], D("8100"));
    EXPECT_TRUE(book->unknown_properties.empty());
    EXPECT_FALSE(SOMA_RUR(entries, {p1, p3}, kTotalsOnly));

    store::Record r = rec(15);
    store_grid(book->grid, r);
    CALCRUR(r, {}, Decimal());
    EXPECT_EQ(r.num("I4R_01"), D("8100"));
    EXPECT_EQ(r.num("I4R_02"), D("43.36"));
}

TEST(RuralResult, HerdAndOptionTexts) {
    store::Record r = rec(15);
    r.set("I7_1B", Decimal(10));
    r.set("I7_2B", Decimal(5));
    r.set("I7_4B", Decimal(12));
    EXPECT_EQ(herd_closing(r, "B"), 3);
    EXPECT_EQ(herd_check(r), "");
    r.set("I7_5V1", Decimal(1));
    EXPECT_EQ(herd_check(r), "Atenção! Estoque Final negativo");
    EXPECT_EQ(OPTOU20("S").size(), 2u);
    EXPECT_TRUE(OPTOU20("N").empty());
}

}  // namespace
}  // namespace vorn::rural
