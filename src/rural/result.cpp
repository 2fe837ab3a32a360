#include "rural/result.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace vorn::rural {

namespace {

std::string month_field(int m, const char* kind) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "I3_%02d%s", m, kind);
    return buf;
}

bool abroad(const store::Record& result) {
    return result.str("ATV_BRASIL") == "N";
}

}  // namespace

std::optional<SumResult> SOMA_RUR(const std::vector<store::Record>& entries,
                                  const std::vector<store::Record>& properties, int mode) {
    if (mode == kTotalsOnly) return std::nullopt;
    // Participation by property number; records sharing a number (one per partner) keep the
    // first, which is the declarant's own.
    std::map<long long, Decimal> share;
    for (const auto& p : properties)
        if (!p.deleted) share.emplace(p.num("I2R_00").whole(), p.num("I2R_04"));
    SumResult out;
    for (const auto& e : entries) {
        Date d = e.date("DT_LC");
        if (e.deleted || d.blank()) continue;
        Decimal v = e.num("VALOR");
        long long n = e.num("NROIMO").whole();
        if (mode != kLcdpr && n > 0) {
            auto it = share.find(n);
            if (it == share.end()) {
                if (std::find(out.unknown_properties.begin(), out.unknown_properties.end(),
                              static_cast<int>(n)) == out.unknown_properties.end())
                    out.unknown_properties.push_back(static_cast<int>(n));
            } else {
                v = v * it->second / Decimal(100);
            }
        }
        int m = d.month();
        if (e.str("TIPOCR") == "C")
            out.grid.receipts[m] += v;
        else if (e.str("TIPOCR") == "D")
            out.grid.expenses[m] += v;
    }
    // Weighted values are kept to the cent per month.
    for (int m = 1; m <= 12; ++m) {
        out.grid.receipts[m] = out.grid.receipts[m].round(2);
        out.grid.expenses[m] = out.grid.expenses[m].round(2);
    }
    return out;
}

void store_grid(const MonthGrid& grid, store::Record& result) {
    for (int m = 1; m <= 12; ++m) {
        result.set(month_field(m, "OR"), grid.receipts[m]);
        result.set(month_field(m, "OD"), grid.expenses[m]);
    }
}

bool opted_20(const store::Record& result) {
    if (abroad(result) && result.layout().find("OPT_20E") >= 0)
        return result.str("OPT_20E") == "S" || result.str("OPT_20") == "S";
    return result.str("OPT_20") == "S";
}

void CALCRUR(store::Record& r, const std::vector<store::Record>& abroad_properties,
             Decimal dollar) {
    Decimal revenue, expenses, result, twenty;
    if (abroad(r)) {
        // FI4R_03 abroad: each country's result in dollars at the year's rate, to the cent;
        // FI4R_06: the countries' 20 % amounts in reais.
        Decimal dollars;
        for (const auto& p : abroad_properties) {
            dollars += p.num("RESUS");
            revenue += p.num("RECEXT");
            expenses += p.num("DESEXT");
            Decimal rs = p.num("OPC20RS");
            if (rs.is_zero() && !p.num("OPC20US").is_zero())
                rs = (p.num("OPC20US") * dollar).trunc(2);
            twenty += rs;
        }
        result = (dollars * dollar).trunc(2);
    } else {
        for (int m = 1; m <= 12; ++m) {
            revenue += r.num(month_field(m, "OR"));
            expenses += r.num(month_field(m, "OD"));
        }
        result = revenue - expenses;
        twenty = (revenue * Decimal::from("0.2")).trunc(2);
    }
    const bool option = opted_20(r);
    const Decimal earlier = r.num("I4R_04");
    Decimal compensated, carried;
    if (!option) {
        if (result < earlier) {
            carried = earlier - result;
            compensated = max(earlier - carried, Decimal());
        } else {
            compensated = earlier;
        }
    }
    Decimal taxable = option ? twenty : max(result - compensated, Decimal());
    Decimal non_taxable = max(result + r.num("I5_09") - (r.num("I5_10") + taxable), Decimal());
    r.set("I4R_01", revenue);
    r.set("I4R_02", expenses);
    r.set("I4R_03", result);
    r.set("I4R_05", compensated);
    r.set("I4R_06", twenty);
    r.set("I4R_07", taxable);
    r.set("I5_08", carried);
    r.set("I6_10", non_taxable);
}

void PREJ_RUR(store::Record& result, const std::vector<store::Record>& abroad_properties,
              Decimal dollar) {
    result.set("I4R_04", Decimal());
    CALCRUR(result, abroad_properties, dollar);
}

std::vector<std::string> OPTOU20(const std::string& answer) {
    if (answer != "S") return {};
    return {"A opção pelo limite dos 20% da receita bruta implica",
            "a perda do direito a compensação total do prejuízo!"};
}

RuralTotals CALC_PREJU(const std::optional<store::Record>& brazil,
                       const std::optional<store::Record>& abroad_rec,
                       const std::vector<store::Record>& debts) {
    RuralTotals t;
    if (!brazil && !abroad_rec) return t;
    auto loss = [](const store::Record& r) {
        if (opted_20(r)) return max(-r.num("I4R_03"), Decimal());
        return max(r.num("I5_08") - r.num("I4R_04"), Decimal());
    };
    Decimal adjust;
    if (brazil) {
        t.TRIB_BR = brazil->num("I4R_07");
        t.NTRIB_BR = brazil->num("I6_10");
        t.PREJU_BR = loss(*brazil);
        adjust += brazil->num("I5_09");
    }
    if (abroad_rec) {
        t.TRIB_EX = abroad_rec->num("I4R_07");
        t.NTRIB_EX = abroad_rec->num("I6_10");
        t.PREJU_EX = loss(*abroad_rec);
        adjust += abroad_rec->num("I5_09");
    }
    for (const auto& d : debts) {
        const bool br = d.str("ATV_BRASIL") != "N";
        if ((br && !brazil) || (!br && !abroad_rec)) continue;
        (br ? t.DIVAN_BR : t.DIVAN_EX) += d.num("I9R_2");
        (br ? t.DIVAD_BR : t.DIVAD_EX) += d.num("I9R_3");
    }
    t.I13_07 = t.TRIB_EX + t.TRIB_BR;
    Decimal losses = t.PREJU_BR + t.PREJU_EX;
    t.PREJRUR = adjust <= losses ? losses - adjust : Decimal();
    t.I3_11 = t.NTRIB_EX + t.NTRIB_BR;
    t.DIVAN = t.DIVAN_BR + t.DIVAN_EX;
    t.DIVAD = t.DIVAD_BR + t.DIVAD_EX;
    Decimal d = t.DIVAN - t.DIVAD;
    if (d > Decimal())
        t.AMORUR = d;
    else if (d < Decimal())
        t.EMPRUR = -d;
    return t;
}

long herd_closing(const store::Record& result, const std::string& species) {
    long v[6] = {};
    for (int k = 1; k <= 5; ++k)
        v[k] = static_cast<long>(result.num("I7_" + std::to_string(k) + species).whole());
    return v[1] + v[2] + v[3] - v[4] - v[5];
}

std::string herd_check(const store::Record& result) {
    for (const char* s : {"A", "B", "C", "S", "V1"})
        if (herd_closing(result, s) < 0) return "Atenção! Estoque Final negativo";
    return {};
}

Decimal filing_revenue_limit() {
    return Decimal::from("177920.00");
}

Decimal gross_revenue(const store::Record* brazil, const store::Record* abroad, Decimal dollar) {
    Decimal revenue;
    if (brazil != nullptr) revenue += brazil->num("I4R_01");
    if (abroad != nullptr) revenue += (abroad->num("I4R_01") * dollar).trunc(2);
    return revenue;
}

std::string filing_notice(Decimal revenue) {
    if (revenue <= filing_revenue_limit()) return {};
    return "Receita bruta rural acima de 177.920,00: obrigado a declarar";
}

}  // namespace vorn::rural
