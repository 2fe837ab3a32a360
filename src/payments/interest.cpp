// Business days, SELIC rates, the late-payment fine and the interest of a DARF.
#include "payments/interest.h"

#include <algorithm>

#include "base/picture.h"
#include "base/text.h"

namespace vorn::payments {
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

constexpr int kDeadlineMonth = 5;  // the declaration is due in May: quotas count from June

// A character or numeric field as text (tables written by other tools may hold either).
std::string text_of(const store::Record& r, std::string_view name) {
    const store::Value& v = r.value(name);
    if (const auto* s = std::get_if<std::string>(&v)) return trim(*s);
    if (const auto* d = std::get_if<Decimal>(&v)) return d->to_plain();
    return "";
}

// A rate or amount through a picture, blank when zero.
std::string shown(Decimal v, const char* picture) {
    return transform(v, Picture(picture));
}

}  // namespace

Date PROX_DIA(Date d) {
    d = past_weekend(d.add_days(1));
    // Banks do not open on 31 December, 1 January nor 1 May.
    if (d.month() == 12 && d.day() == 31) return past_weekend(Date(d.year() + 1, 1, 2));
    if ((d.month() == 1 || d.month() == 5) && d.day() == 1) return past_weekend(d.add_days(1));
    return d;
}

Date last_business_day(int year, int month) {
    Date d = back_from_weekend(Date(year, month, Date::days_in_month(year, month)));
    if (month == 12) d = back_from_weekend(d.add_days(-1));
    return d;
}

int next_month(int ym) {
    return ym % 100 == 12 ? (ym / 100 + 1) * 100 + 1 : ym + 1;
}

int previous_month(int ym) {
    return ym % 100 == 1 ? (ym / 100 - 1) * 100 + 12 : ym - 1;
}

InterestTable InterestTable::from_records(const std::vector<store::Record>& rows) {
    InterestTable t;
    for (const auto& r : rows) {
        if (r.deleted) continue;
        if (r.layout().find("ANOMES") < 0 || r.layout().find("TJM") < 0) continue;
        const std::string am = text_of(r, "ANOMES");
        if (am.size() != 6 ||
            !std::all_of(am.begin(), am.end(), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        int ym = std::stoi(am);
        if (ym % 100 < 1 || ym % 100 > 12) continue;
        if (auto rate = Decimal::parse(text_of(r, "TJM"))) t.add(ym / 100, ym % 100, *rate);
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
    return sum_range(next_month(y1 * 100 + m1), previous_month(y2 * 100 + m2)).sum;
}

std::optional<Decimal> InterestTable::rate(int ym) const {
    auto it = std::lower_bound(rates_.begin(), rates_.end(), ym,
                               [](const auto& e, int k) { return e.first < k; });
    if (it == rates_.end() || it->first != ym) return std::nullopt;
    return it->second;
}

InterestTable::Range InterestTable::sum_range(int from, int to) const {
    Range r;
    auto it = std::lower_bound(rates_.begin(), rates_.end(), from,
                               [](const auto& e, int k) { return e.first < k; });
    for (int ym = from; ym <= to; ym = next_month(ym)) {
        if (it != rates_.end() && it->first == ym) {
            r.sum += it->second;
            ++it;
        } else {
            r.missing.push_back(ym);
        }
    }
    return r;
}

Decimal late_fine_percent(Date reference_day, Date payment) {
    const long days = payment - reference_day + 1;
    if (days <= 0) return Decimal();
    return min(Decimal::from("0.33") * Decimal(static_cast<long long>(days)), Decimal(20));
}

void tell_outdated(Operator& op, Outdated o) {
    static constexpr const char* kText = "Atenção! O cadastro da Selic está desatualizado.";
    if (o == Outdated::kStatusLine) op.status(kText);
    if (o == Outdated::kMessageBox)
        op.notice(NoticeKind::kAttention, "",
                  std::string(kText) + "\nAtualize, senão o valor do Juros estará errado!");
}

Lateness VEATRASO(Date due, Date payment) {
    Lateness l;
    l.DDATAUTIL = PROX_DIA(due);
    l.late = payment.year() > due.year() || payment > due;
    return l;
}

Interest ACHAJURO(const InterestTable& selic, InterestKind kind, Date due, Date payment,
                  Date today) {
    Interest out;
    int from = next_month(year_month(due));
    if (kind == InterestKind::kQuota) {
        if (payment <= due && due.month() <= kDeadlineMonth) return out;  // the first quota
        from = due.year() * 100 + kDeadlineMonth + 1;
    }
    const InterestTable::Range r = selic.sum_range(from, previous_month(year_month(payment)));
    out.percent = Decimal(1) + r.sum;
    // Months over by 30 days should be in the table; later ones are not published yet.
    const int month_ago = year_month(today.add_days(-30));
    for (int ym : r.missing)
        if (ym <= month_ago) out.missing.push_back(ym);
    if (!out.missing.empty())
        out.outdated = selic.last_month() / 100 < month_ago / 100 ? Outdated::kStatusLine
                                                                  : Outdated::kMessageBox;
    return out;
}

DarfAmounts CALCJU(const InterestTable& selic, DarfKind kind, Decimal principal,
                   const DarfDates& dates, Date today) {
    DarfAmounts a;
    a.principal = principal;
    const Lateness l = VEATRASO(dates.due, dates.payment);
    a.DDATAUTIL = dates.first_working_day.blank() ? l.DDATAUTIL : dates.first_working_day;
    a.late = l.late;
    a.valid_date = dates.validity_due.blank() ? dates.due : dates.validity_due;
    if (kind != DarfKind::kLateDelivery) {
        Interest interest;
        if (a.late) {
            a.days_late = std::max(0L, dates.payment - a.DDATAUTIL + 1);
            a.months_late = dates.payment.year() == dates.due.year()
                                ? std::max(0, dates.payment.month() - dates.due.month())
                                : static_cast<int>(a.days_late / 30);
            a.fine_rate =
                a.months_late > 2
                    ? Decimal(20)
                    : min(Decimal(static_cast<long long>(a.days_late)) * Decimal::from("0.33"),
                          Decimal(20));
            interest = ACHAJURO(
                selic,
                kind == DarfKind::kQuota ? InterestKind::kQuota : InterestKind::kFromDueMonth,
                dates.due, dates.payment, today);
        } else if (kind == DarfKind::kQuota) {
            interest = ACHAJURO(selic, InterestKind::kQuota, dates.due, dates.payment, today);
        }
        a.interest_rate = interest.percent;
        a.outdated = interest.outdated;
    }
    if (principal > Decimal()) {
        a.fine = DESPREZA(a.fine_rate * principal / Decimal(100), 15);
        a.interest = DESPREZA(a.interest_rate * principal / Decimal(100), 15);
    }
    a.total = principal + a.fine + a.interest;
    if (a.late) {
        // The validity is decided on the rate itself: a fine at its cap no longer grows.
        a.valid_until = a.fine_rate == Decimal(20);
        a.valid_date = a.valid_until
                           ? last_business_day(dates.payment.year(), dates.payment.month())
                           : dates.payment;
    }
    return a;
}

std::vector<std::string> CALCJU_display(const DarfAmounts& a) {
    auto rate = [](Decimal r) {
        return r.is_zero() ? std::string(7, ' ') : shown(r, "@E 999.99") + "%";
    };
    return {shown(a.principal, "@EZ 999,999,999.99"), rate(a.fine_rate),
            shown(a.fine, "@EZ 999,999,999.99"),      rate(a.interest_rate),
            shown(a.interest, "@EZ 999,999,999.99"),  shown(a.total, "@EZ 999,999,999.99")};
}

}  // namespace vorn::payments
