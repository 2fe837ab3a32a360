// Reduction fractions, month counts and the progressive rates of capital gains.
#include "gains/rates.h"

#include <algorithm>

namespace vorn::gains {

Decimal cut(Decimal v, int places) {
    return v.round(places + 2).trunc(places);
}

int reduction_by_year(int year, bool abroad) {
    if (abroad || year > 1988) return 0;
    if (year < 1970) return 100;
    return (1989 - year) * 5;
}

int month_count(Date from, Date to) {
    if (from.blank() || to.blank()) return 0;
    if (from < Date(1996, 1, 1)) from = Date(1996, 1, 1);
    const int years = to.year() - from.year();
    return 12 * (years > 0 ? years : 0) + (to.month() - from.month()) + 1;
}

Decimal fraction(Decimal rate, int months) {
    // A century of months already gives 1 to the places kept; a date typed centuries away
    // would only overflow the power.
    months = std::clamp(months, -1200, 1200);
    Decimal power = 1;
    for (int i = 0; i < (months < 0 ? -months : months); ++i) power *= rate;
    return months < 0 ? Decimal(1) - power : Decimal(1) - Decimal(1) / power;
}

Fractions reduction_fractions(Date cost_date, Date sale, bool abroad) {
    Fractions f;
    if (abroad || cost_date.blank() || sale.blank()) return f;
    static const Decimal kFirst = Decimal::from("1.006"), kSecond = Decimal::from("1.0035");
    const Date first_end(2005, 10, 14), second_start(2005, 11, 30);
    if (sale < first_end) {
        f.second_months = month_count(cost_date, sale);
        f.second = cut(fraction(kSecond, f.second_months), 6);
    } else if (sale <= second_start) {
        f.first_months = month_count(cost_date, sale);
        f.first = cut(fraction(kFirst, f.first_months), 6);
    } else if (cost_date.year() > 2005) {
        f.second_months = month_count(cost_date, sale);
        f.second = round_half_up(fraction(kSecond, f.second_months), 8);
    } else {
        f.first_months = month_count(cost_date, second_start);
        f.second_months = month_count(Date(2005, 12, 1), sale);
        f.first = round_half_up(fraction(kFirst, f.first_months), 8);
        f.second = round_half_up(fraction(kSecond, f.second_months), 8);
    }
    if (f.first.is_negative() || f.second.is_negative()) {
        f.first = f.second = Decimal();
        f.invalid = true;
    }
    return f;
}

Decimal VALIMP(Decimal taxable, Decimal earlier, Date sale, int share_kind) {
    if (taxable <= Decimal()) return Decimal();
    if (sale.year() < 2017)
        return cut(taxable * Decimal::from(share_kind == 3 ? "0.20" : "0.15"), 2);
    struct Bracket {
        long long upto;  // 0: no upper bound
        const char* rate;
    };
    static constexpr Bracket kBrackets[] = {
        {5'000'000, "0.15"}, {10'000'000, "0.175"}, {30'000'000, "0.20"}, {0, "0.225"}};
    const Decimal low = max(earlier, Decimal()), high = low + taxable;
    Decimal tax, floor;
    for (const auto& b : kBrackets) {
        const Decimal top = b.upto == 0 ? high : min(high, Decimal(b.upto));
        const Decimal from = max(low, floor);
        if (top > from) tax += cut((top - from) * Decimal::from(b.rate), 2);
        if (b.upto == 0 || high <= Decimal(b.upto)) break;
        floor = Decimal(b.upto);
    }
    return tax;
}

Decimal PERIMP(Decimal tax, Decimal taxable) {
    if (taxable.is_zero()) return Decimal();
    return cut(tax / taxable * Decimal(100), 6);
}

}  // namespace vorn::gains
