// Business days, SELIC rates and the late-payment fine.
#include "tax/interest.h"

#include <algorithm>

#include "base/text.h"
#include "tax/declaration.h"
#include "tax/year.h"

namespace vorn::tax {
namespace {

Date past_weekend(Date d) {
    if (d.weekday() == 0) return d.add_days(1);
    if (d.weekday() == 6) return d.add_days(2);
    return d;
}

Date back_from_weekend(Date d) {
    if (d.weekday() == 6) return d.add_days(-1);
    if (d.weekday() == 0) return d.add_days(-2);
    return d;
}

}  // namespace

Date PROX_DIA(Date d) {
    d = past_weekend(d.add_days(1));
    if (d.month() == 12 && d.day() == 31) return past_weekend(Date(NANOATUAL, 1, 2));
    if (d.month() == 5 && d.day() == 1) return past_weekend(d.add_days(1));
    return d;
}

Date last_business_day(int year, int month) {
    Date d = back_from_weekend(Date(year, month, Date::days_in_month(year, month)));
    if (month == 12) d = back_from_weekend(d.add_days(-1));
    return d;
}

InterestTable InterestTable::from_records(const std::vector<store::Record>& rows) {
    InterestTable t;
    for (const auto& r : rows) {
        if (r.deleted) continue;
        if (r.layout().find("ANOMES") < 0 || r.layout().find("TJM") < 0) continue;
        std::string am = trim(field_text(r, "ANOMES"));
        if (am.size() != 6 ||
            !std::all_of(am.begin(), am.end(), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        int ym = std::stoi(am);
        if (ym % 100 < 1 || ym % 100 > 12) continue;
        auto rate = Decimal::parse(field_text(r, "TJM"));
        if (rate) t.add(ym / 100, ym % 100, *rate);
    }
    return t;
}

void InterestTable::add(int year, int month, Decimal rate) {
    int key = year * 100 + month;
    auto it = std::lower_bound(rates_.begin(), rates_.end(), key,
                               [](const auto& e, int k) { return e.first < k; });
    if (it != rates_.end() && it->first == key)
        it->second = rate;
    else
        rates_.insert(it, {key, rate});
}

Decimal InterestTable::sum_between(int y1, int m1, int y2, int m2) const {
    const int from = y1 * 100 + m1, to = y2 * 100 + m2;
    Decimal s;
    for (const auto& [ym, rate] : rates_)
        if (ym > from && ym < to) s += rate;
    return s;
}

Decimal late_fine_percent(Date reference_day, Date payment) {
    const long days = payment - reference_day + 1;
    if (days <= 0) return Decimal();
    return min(Decimal::from("0.33") * Decimal(static_cast<long long>(days)), Decimal(20));
}

}  // namespace vorn::tax
