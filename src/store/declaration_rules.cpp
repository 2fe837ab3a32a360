// Renumbering, summary counters and usage measures applied when a declaration is saved.
#include "store/declaration_rules.h"

#include <algorithm>
#include <numeric>
#include <string>

namespace vorn::store {
namespace {

std::string two(int m) {
    return (m < 10 ? "0" : "") + std::to_string(m);
}

constexpr long long kFieldMax6 = 999999;

}  // namespace

long working_seconds(long start, long now) {
    long d = now - start;
    if (now < start) d += 86399;
    return d;
}

Decimal add_working_time(Decimal tem_uso, long seconds) {
    Decimal t = tem_uso + Decimal(static_cast<long long>(std::max(0L, seconds)));
    return t > Decimal(kFieldMax6) ? Decimal(kFieldMax6) : t;
}

long table_size_measure(long record_length, long records, long header_length) {
    return record_length * records + header_length + 1;
}

long TAM_USO_of(const std::vector<long>& shares) {
    long sum = 0;
    for (long s : shares) sum = std::min(999999L, sum + s);
    return sum;
}

Decimal cap_INDGAS(Decimal v) {
    if (v < Decimal::from("-99.99")) return Decimal::from("-99.99");
    if (v > Decimal(1000)) return Decimal(999);
    return v;
}

Decimal cap_SALDO(Decimal v) {
    static const Decimal kMin = Decimal::from("-99999999.99");
    return v < kMin ? kMin : v;
}

void renumber_items(std::vector<Record>& items, std::string_view field) {
    std::vector<size_t> order(items.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return items[a].num(field) < items[b].num(field); });
    const bool tens = static_cast<long>(items.size()) * 10 < 9999;
    for (size_t k = 0; k < order.size(); ++k)
        items[order[k]].set(field, Decimal(static_cast<long long>(k + 1) * (tens ? 10 : 1)));
}

void fill_seller_cpf(std::vector<Record>& gains, std::string_view cpf) {
    for (auto& g : gains)
        if (g.num("TIPO_BEM") != Decimal(4) && g.str("CPFALIEN").empty()) g.set("CPFALIEN", cpf);
}

SummaryCounters summary_counters(const std::vector<Record>& monthly,
                                 const std::vector<Record>& gains) {
    SummaryCounters c;
    for (const auto& r : monthly)
        for (int m = 1; m <= 12; ++m) {
            Decimal v = r.num("I2_7" + two(m));
            if (v > Decimal(0)) {
                ++c.NRCLEAO;
                c.DFCLEAO += v;
            }
        }

    Decimal gcap[12], rvar[12];
    bool any_gcap = false, any_rvar = false;
    for (const auto& g : gains) {
        const bool stock = g.num("TIPO_BEM") == Decimal(4);
        if (!stock) any_gcap = true;
        if (!stock && g.num("VAL_TRIBU") > Decimal(0)) {
            for (int m = 1; m <= 12; ++m)
                gcap[m - 1] += g.num("IMP_DEV" + two(m)) - g.num("IMP_PAG" + two(m));
        }
        const long rv = g.num("RVAR_NRO").whole();
        if (rv > 24 && g.str("DAY_TRADE").empty()) {
            any_rvar = true;
            for (int m = 1; m <= 12; ++m) {
                Decimal v = g.num("REC_MES" + two(m));
                rvar[m - 1] += rv == 25 ? v : -v;
            }
        }
    }
    auto fold = [](const Decimal* months, bool any, int& count, Decimal& total) {
        for (int m = 0; m < 12; ++m)
            if (months[m] > Decimal(0)) {
                ++count;
                total += months[m];
            }
        if (any && count == 0) count = -1;
    };
    fold(gcap, any_gcap, c.NRGCAPIT, c.DFGCAPIT);
    fold(rvar, any_rvar, c.NRRVARIV, c.DFRVARIV);
    return c;
}

void store_counters(Record& registry, const Record& summary, const std::vector<Record>& monthly,
                    const std::vector<Record>& gains) {
    const SummaryCounters c = summary_counters(monthly, gains);
    registry.set("NRCLEAO", Decimal(c.NRCLEAO));
    registry.set("DFCLEAO", c.DFCLEAO);
    registry.set("NRGCAPIT", Decimal(c.NRGCAPIT));
    registry.set("DFGCAPIT", c.DFGCAPIT);
    registry.set("NRRVARIV", Decimal(c.NRRVARIV));
    registry.set("DFRVARIV", c.DFRVARIV);
    registry.set("NRQUOTA", summary.num("QTD_QUOTA"));
    registry.set("DFQUOTA", summary.num("I13_37"));
}

void store_paid_totals(Record& registry, const Record& summary) {
    registry.set("I13_27", summary.num("I13_27") + summary.num("I13_28"));
    registry.set("I13_35", summary.num("I13_35") - summary.num("I13_34"));
}

bool protected_status(Decimal ESTATUS, long STATRAVA) {
    return STATRAVA > 0 && ESTATUS == Decimal(static_cast<long long>(STATRAVA));
}

}  // namespace vorn::store
