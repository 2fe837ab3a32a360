// Business days, the fine and interest of a DARF, and how a table with missing months is reported.
#include "payments/interest.h"

#include <gtest/gtest.h>

namespace vorn::payments {
namespace {

Decimal D(const char* s) {
    return Decimal::from(s);
}

// Rates of consecutive months from (year, month): one per value.
InterestTable rates_from(int year, int month, const std::vector<const char*>& values) {
    InterestTable t;
    int ym = year * 100 + month;
    for (const char* v : values) {
        t.add(ym / 100, ym % 100, D(v));
        ym = next_month(ym);
    }
    return t;
}

// 2026: January 1.00, February 1.01, ... December 1.11.
InterestTable year_2026() {
    return rates_from(2026, 1,
                      {"1.00", "1.01", "1.02", "1.03", "1.04", "1.05", "1.06", "1.07", "1.08",
                       "1.09", "1.10", "1.11"});
}

const Date kToday(2027, 3, 10);

TEST(BusinessDays, DueDatesAndFirstWorkingDays) {
    EXPECT_EQ(last_business_day(2025, 11), Date(2025, 11, 28));  // the 30th is a Sunday
    EXPECT_EQ(last_business_day(2025, 12), Date(2025, 12, 30));  // December: one day further back
    EXPECT_EQ(last_business_day(2026, 1), Date(2026, 1, 30));
    EXPECT_EQ(PROX_DIA(Date(2025, 12, 30)), Date(2026, 1, 2));  // 31 December is skipped
    EXPECT_EQ(PROX_DIA(Date(2025, 4, 30)), Date(2025, 5, 2));   // so is 1 May
    EXPECT_EQ(PROX_DIA(Date(2026, 4, 30)), Date(2026, 5, 4));   // 2 May 2026 is a Saturday
    EXPECT_EQ(PROX_DIA(Date(2025, 2, 28)), Date(2025, 3, 3));   // past the weekend
    EXPECT_EQ(PROX_DIA(Date(2026, 6, 30)), Date(2026, 7, 1));
    // The year after a December due date is the next one, whatever the year.
    EXPECT_EQ(PROX_DIA(Date(2026, 12, 30)), Date(2027, 1, 4));  // 2 January 2027 is a Saturday
    // A Friday 29 December: the weekend ends on 1 January, which is no working day either.
    EXPECT_EQ(PROX_DIA(Date(2028, 12, 29)), Date(2029, 1, 2));
    EXPECT_EQ(late_fine_percent(Date(2026, 7, 1), Date(2026, 7, 30)), D("9.90"));
    EXPECT_EQ(late_fine_percent(Date(2026, 7, 1), Date(2026, 9, 8)), D("20"));  // 70 days
    EXPECT_EQ(late_fine_percent(Date(2026, 7, 1), Date(2026, 6, 30)), D("0"));
}

TEST(Lateness, LateOnlyAfterTheDueDate) {
    EXPECT_FALSE(VEATRASO(Date(2026, 6, 30), Date(2026, 6, 30)).late);
    EXPECT_TRUE(VEATRASO(Date(2026, 6, 30), Date(2026, 7, 1)).late);
    EXPECT_TRUE(VEATRASO(Date(2026, 12, 30), Date(2027, 1, 4)).late);
    EXPECT_EQ(VEATRASO(Date(2026, 6, 30), Date(2026, 7, 1)).DDATAUTIL, Date(2026, 7, 1));
}

TEST(InterestTable, RangesAddWhatIsHeldAndNameWhatIsMissing) {
    InterestTable t = year_2026();
    EXPECT_EQ(t.sum_range(202606, 202608).sum, D("3.18"));
    EXPECT_TRUE(t.sum_range(202606, 202608).missing.empty());
    EXPECT_EQ(t.sum_range(202611, 202702).sum, D("2.21"));
    EXPECT_EQ(t.sum_range(202611, 202702).missing, (std::vector<int>{202701, 202702}));
    EXPECT_EQ(t.sum_range(202606, 202605).sum, D("0"));  // an empty range
    EXPECT_EQ(t.rate(202603), D("1.02"));
    EXPECT_FALSE(t.rate(202701).has_value());
    EXPECT_EQ(t.sum_between(2026, 5, 2026, 8), D("2.11"));  // June and July
    EXPECT_EQ(next_month(202612), 202701);
    EXPECT_EQ(previous_month(202701), 202612);
}

DarfDates dates(Date due, Date payment) {
    DarfDates d;
    d.due = due;
    d.payment = payment;
    return d;
}

TEST(Fine, DaysAndMonthsLate) {
    const InterestTable t = year_2026();
    const Date due(2026, 6, 30);
    DarfAmounts a = CALCJU(t, DarfKind::kOther, D("1000.00"), dates(due, Date(2026, 7, 1)), kToday);
    EXPECT_EQ(a.DDATAUTIL, Date(2026, 7, 1));
    EXPECT_EQ(a.days_late, 1);
    EXPECT_EQ(a.fine_rate, D("0.33"));
    EXPECT_EQ(a.fine, D("3.30"));
    a = CALCJU(t, DarfKind::kOther, D("1000.00"), dates(due, Date(2026, 7, 30)), kToday);
    EXPECT_EQ(a.days_late, 30);
    EXPECT_EQ(a.fine_rate, D("9.90"));
    a = CALCJU(t, DarfKind::kOther, D("1000.00"), dates(due, Date(2026, 9, 1)), kToday);
    EXPECT_EQ(a.months_late, 3);
    EXPECT_EQ(a.fine_rate, D("20"));
    // 150.00 at 0.99 %: 1.485 is truncated, never rounded up.
    a = CALCJU(t, DarfKind::kOther, D("150.00"), dates(due, Date(2026, 7, 3)), kToday);
    EXPECT_EQ(a.fine_rate, D("0.99"));
    EXPECT_EQ(a.fine, D("1.48"));
    // Across the year the months late are D / 30.
    a = CALCJU(t, DarfKind::kOther, D("100.00"), dates(Date(2026, 12, 30), Date(2027, 2, 15)),
               kToday);
    EXPECT_EQ(a.DDATAUTIL, Date(2027, 1, 4));
    EXPECT_EQ(a.days_late, 43);
    EXPECT_EQ(a.months_late, 1);
    EXPECT_EQ(a.fine_rate, D("14.19"));
    // A payment typed before the first working day counts no day.
    DarfDates early = dates(due, Date(2026, 7, 1));
    early.first_working_day = Date(2026, 7, 2);
    EXPECT_EQ(CALCJU(t, DarfKind::kOther, D("100.00"), early, kToday).days_late, 0);
}

TEST(Fine, LastQuotaPaidOnTheFirstWorkingDayOfTheNextYearPaysOneDay) {
    // Due 30/12/2026 and paid on Monday 04/01/2027, the first working day after it.
    const DarfAmounts a = CALCJU(year_2026(), DarfKind::kQuota, D("1000.00"),
                                 dates(Date(2026, 12, 30), Date(2027, 1, 4)), kToday);
    EXPECT_EQ(a.fine_rate, D("0.33"));
    EXPECT_EQ(a.fine, D("3.30"));
    EXPECT_FALSE(a.valid_until);
    EXPECT_EQ(a.valid_date, Date(2027, 1, 4));
}

TEST(Interest, QuotasOnTime) {
    const InterestTable t = year_2026();
    auto on_time = [&](Date due, Date payment) {
        return CALCJU(t, DarfKind::kQuota, D("1000.00"), dates(due, payment), kToday);
    };
    EXPECT_EQ(on_time(Date(2026, 5, 29), Date(2026, 5, 29)).interest_rate, D("0"));
    EXPECT_EQ(on_time(Date(2026, 5, 29), Date(2026, 5, 10)).interest, D("0"));
    EXPECT_EQ(on_time(Date(2026, 6, 30), Date(2026, 6, 30)).interest_rate, D("1"));
    // Quota 4, paid on 31/08: 1 % and the SELIC of June and July.
    DarfAmounts a = on_time(Date(2026, 8, 31), Date(2026, 8, 31));
    EXPECT_EQ(a.interest_rate, D("3.11"));
    EXPECT_EQ(a.interest, D("31.10"));
    EXPECT_EQ(a.total, D("1031.10"));
    EXPECT_EQ(a.fine, D("0"));
    EXPECT_TRUE(a.valid_until);
    EXPECT_EQ(a.valid_date, Date(2026, 8, 31));
    // Paid ahead in July: the interest runs only to the month before the payment.
    EXPECT_EQ(on_time(Date(2026, 8, 31), Date(2026, 7, 15)).interest_rate, D("2.05"));
}

TEST(Interest, LateQuotasCountFromJuneToTheMonthBeforePayment) {
    const InterestTable t = year_2026();
    // Quota 3, due 31/07, paid 16/11: June to October, more than quota 4 paid on time.
    DarfAmounts late = CALCJU(t, DarfKind::kQuota, D("1000.00"),
                              dates(Date(2026, 7, 31), Date(2026, 11, 16)), kToday);
    EXPECT_EQ(late.interest_rate, D("6.35"));  // 1 + 1.05 + 1.06 + 1.07 + 1.08 + 1.09
    EXPECT_EQ(late.fine_rate, D("20"));
    EXPECT_EQ(late.fine, D("200.00"));
    EXPECT_EQ(late.total, D("1263.50"));
    // The fine at its cap: valid to the last business day of the payment month.
    EXPECT_TRUE(late.valid_until);
    EXPECT_EQ(late.valid_date, Date(2026, 11, 30));
    // A principal of 0.07 has a fine of 0.01 at 20 %: the fine no longer grows whatever its cents.
    const DarfAmounts small = CALCJU(t, DarfKind::kOther, D("0.07"),
                                     dates(Date(2026, 7, 31), Date(2026, 11, 16)), kToday);
    EXPECT_EQ(small.fine, D("0.01"));
    EXPECT_TRUE(small.valid_until);
    EXPECT_EQ(small.valid_date, Date(2026, 11, 30));
    // The first quota late: the same June start.
    DarfAmounts first = CALCJU(t, DarfKind::kQuota, D("1000.00"),
                               dates(Date(2026, 5, 29), Date(2026, 7, 10)), kToday);
    EXPECT_EQ(first.interest_rate, D("2.05"));
    EXPECT_FALSE(first.valid_until);
    EXPECT_EQ(first.valid_date, Date(2026, 7, 10));
}

TEST(Interest, OtherDarfsCountFromTheMonthAfterTheirDueMonth) {
    const InterestTable t = year_2026();
    auto late = [&](Date due, Date payment) {
        return CALCJU(t, DarfKind::kOther, D("200.00"), dates(due, payment), kToday);
    };
    EXPECT_EQ(late(Date(2026, 2, 27), Date(2026, 5, 15)).interest_rate, D("3.05"));  // Mar, Apr
    EXPECT_EQ(late(Date(2026, 6, 30), Date(2026, 6, 30)).interest_rate, D("0"));     // on time
    EXPECT_EQ(late(Date(2026, 6, 10), Date(2026, 6, 20)).interest_rate, D("1"));     // same month
    // An empty table: every late DARF carries 1 %.
    EXPECT_EQ(CALCJU(InterestTable(), DarfKind::kOther, D("200.00"),
                     dates(Date(2026, 2, 27), Date(2026, 5, 15)), Date(2026, 5, 15))
                  .interest_rate,
              D("1"));
}

TEST(Interest, LateDeliveryFineCarriesNothingAndNoPrincipalNothing) {
    const InterestTable t = year_2026();
    DarfAmounts a = CALCJU(t, DarfKind::kLateDelivery, D("165.74"),
                           dates(Date(2026, 5, 29), Date(2026, 9, 15)), kToday);
    EXPECT_EQ(a.fine, D("0"));
    EXPECT_EQ(a.interest, D("0"));
    EXPECT_EQ(a.total, D("165.74"));
    a = CALCJU(t, DarfKind::kOther, D("0"), dates(Date(2026, 5, 29), Date(2026, 9, 15)), kToday);
    EXPECT_EQ(a.fine, D("0"));
    EXPECT_EQ(a.interest, D("0"));
    EXPECT_EQ(a.total, D("0"));
}

TEST(OutdatedTable, GapsAndShortTablesAreReported) {
    // May missing in the middle of the range: the other months are added and the gap told.
    InterestTable gap = rates_from(2026, 1, {"1.00", "1.01", "1.02", "1.03"});
    gap.add(2026, 6, D("1.05"));
    gap.add(2026, 7, D("1.06"));
    Interest i = ACHAJURO(gap, InterestKind::kFromDueMonth, Date(2026, 3, 31), Date(2026, 7, 15),
                          Date(2026, 8, 20));
    EXPECT_EQ(i.percent, D("3.08"));  // 1 + April + June
    EXPECT_EQ(i.missing, (std::vector<int>{202605}));
    EXPECT_EQ(i.outdated, Outdated::kMessageBox);
    // A payment month beyond the table's end does not run past the month before payment.
    i = ACHAJURO(year_2026(), InterestKind::kFromDueMonth, Date(2026, 1, 30), Date(2026, 3, 10),
                 kToday);
    EXPECT_EQ(i.percent, D("2.01"));
    EXPECT_EQ(i.outdated, Outdated::kNone);
    // The due month missing: the months after it still count, the missing one is told.
    InterestTable late_start = rates_from(2026, 3, {"1.02", "1.03"});
    i = ACHAJURO(late_start, InterestKind::kFromDueMonth, Date(2026, 1, 30), Date(2026, 5, 15),
                 Date(2026, 6, 1));
    EXPECT_EQ(i.percent, D("3.05"));
    EXPECT_EQ(i.missing, (std::vector<int>{202602}));
    // A table that ended in an earlier year than a month ago: the status line.
    InterestTable old = rates_from(2025, 11, {"1.05", "1.22"});
    i = ACHAJURO(old, InterestKind::kFromDueMonth, Date(2025, 10, 31), Date(2026, 8, 10),
                 Date(2026, 8, 10));
    EXPECT_EQ(i.outdated, Outdated::kStatusLine);
    EXPECT_EQ(i.percent, D("3.27"));
    // Months not over yet are not expected: a payment planned ahead warns of nothing.
    const InterestTable to_october = rates_from(
        2026, 1, {"1.00", "1.01", "1.02", "1.03", "1.04", "1.05", "1.06", "1.07", "1.08", "1.09"});
    i = ACHAJURO(to_october, InterestKind::kQuota, Date(2026, 12, 30), Date(2026, 12, 30),
                 Date(2026, 11, 5));
    EXPECT_EQ(i.outdated, Outdated::kNone);
    EXPECT_EQ(i.missing, (std::vector<int>{}));
    EXPECT_EQ(i.percent, D("6.35"));  // 1 + June to October
}

TEST(OutdatedTable, ToldOnTheStatusLineOrInABox) {
    ScriptedOperator op;
    tell_outdated(op, Outdated::kNone);
    EXPECT_TRUE(op.said.empty());
    tell_outdated(op, Outdated::kStatusLine);
    EXPECT_TRUE(op.saw("status", "Atenção! O cadastro da Selic está desatualizado."));
    tell_outdated(op, Outdated::kMessageBox);
    EXPECT_TRUE(op.saw("notice", "Atualize, senão o valor do Juros estará errado!"));
}

TEST(Display, ValuesAndRatesAsTheWindowShowsThem) {
    const DarfAmounts a = CALCJU(year_2026(), DarfKind::kOther, D("12345.67"),
                                 dates(Date(2026, 6, 30), Date(2026, 7, 3)), kToday);
    const std::vector<std::string> shown = CALCJU_display(a);
    ASSERT_EQ(shown.size(), 6u);
    EXPECT_EQ(shown[0], "     12.345,67");
    EXPECT_EQ(shown[1], "  0,99%");
    EXPECT_EQ(shown[2], "        122,22");
    EXPECT_EQ(shown[3], "  1,00%");
    EXPECT_EQ(shown[4], "        123,45");
    EXPECT_EQ(shown[5], "     12.591,34");
    const DarfAmounts none = CALCJU(year_2026(), DarfKind::kOther, D("10.00"),
                                    dates(Date(2026, 6, 30), Date(2026, 6, 1)), kToday);
    EXPECT_EQ(CALCJU_display(none)[1], "       ");
    EXPECT_EQ(CALCJU_display(none)[2], "              ");
}

}  // namespace
}  // namespace vorn::payments
