#include "rural/open_rural.h"

#include <optional>

#include "rural/result.h"

namespace vorn::rural {

namespace {

bool brazil(const store::Record& r) {
    return r.str("ATV_BRASIL") != "N";
}

std::vector<store::Record> of(const std::vector<store::Record>& rows, bool in_brazil) {
    std::vector<store::Record> out;
    for (const auto& r : rows)
        if (brazil(r) == in_brazil) out.push_back(r);
    return out;
}

}  // namespace

Status recompute_open(store::Declaration& d, Decimal dollar, std::vector<int>* unknown) {
    if (unknown) unknown->clear();
    store::DeclarationValues& v = d.values();
    if (v.str("TEMRURAL") != "S") return Status::ok();
    // A declaration loaded without its rural tables (not for entry) has nothing to recompute.
    for (int n : {15, 16, 18, 19})
        if (d.working(n) == nullptr) return Status::ok();
    std::vector<store::Record> results, properties, debts, entries;
    for (auto [n, rows] : {std::pair{15, &results}, std::pair{16, &properties},
                           std::pair{18, &debts}, std::pair{19, &entries}})
        if (Status s = d.working_records(n, rows); !s) return s;

    // A property abroad typed with its revenue and expenses in dollars: its result and 20 %
    // amounts follow from them.
    bool properties_changed = false;
    for (auto& p : properties) {
        if (brazil(p) || (p.num("RECEXT").is_zero() && p.num("DESEXT").is_zero())) continue;
        const Decimal result = p.num("RECEXT") - p.num("DESEXT");
        const Decimal twenty = (p.num("RECEXT") * Decimal::from("0.2")).trunc(2);
        const Decimal reais = (twenty * dollar).trunc(2);
        if (p.num("RESUS") == result && p.num("OPC20US") == twenty && p.num("OPC20RS") == reais)
            continue;
        p.set("RESUS", result);
        p.set("OPC20US", twenty);
        p.set("OPC20RS", reais);
        properties_changed = true;
    }
    if (properties_changed)
        if (Status s = d.replace_working(16, properties); !s) return s;

    std::optional<store::Record> in_brazil, abroad;
    for (auto& r : results) {
        if (brazil(r)) {
            if (in_brazil) continue;  // one record per country: the first counts
            const int mode = static_cast<int>(r.num("TIPO_LANCA").whole());
            if (auto sums = SOMA_RUR(of(entries, true), of(properties, true), mode)) {
                store_grid(sums->grid, r);
                if (unknown) *unknown = sums->unknown_properties;
            }
            CALCRUR(r, {}, dollar);
            in_brazil = r;
        } else if (v.str("AAR_EXTER") == "S" && !abroad) {
            CALCRUR(r, of(properties, false), dollar);
            abroad = r;
        }
    }
    if (Status s = d.replace_working(15, results); !s) return s;

    const RuralTotals t = CALC_PREJU(in_brazil, abroad, debts);
    Decimal paid_br, paid_ex;
    for (const auto& r : debts) (brazil(r) ? paid_br : paid_ex) += r.num("I9R_4");
    const std::pair<const char*, Decimal> delivered[] = {
        {"I13_07", t.I13_07},     {"I3_11", t.I3_11},       {"PREJRUR", t.PREJRUR},
        {"AMORUR", t.AMORUR},     {"EMPRUR", t.EMPRUR},     {"TRIB_BR", t.TRIB_BR},
        {"TRIB_EX", t.TRIB_EX},   {"NTRIB_BR", t.NTRIB_BR}, {"NTRIB_EX", t.NTRIB_EX},
        {"PREJU_BR", t.PREJU_BR}, {"PREJU_EX", t.PREJU_EX}, {"DIVAD_BR", t.DIVAD_BR},
        {"DIVAD_EX", t.DIVAD_EX}, {"DIVPG_BR", paid_br},    {"DIVPG_EX", paid_ex}};
    for (const auto& [name, value] : delivered)
        if (v.has(name)) v.set(name, value);
    return Status::ok();
}

}  // namespace vorn::rural
