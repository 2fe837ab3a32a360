// Totals of capital gains and variable income for the annual computation.
#include "gains/totals.h"

#include "base/text.h"
#include "gains/gain.h"
#include "gains/statement.h"

namespace vorn::gains {
namespace {

std::string two(int m) {
    return (m < 10 ? "0" : "") + std::to_string(m);
}

int kind(const store::Record& r) {
    return static_cast<int>(r.num("TIPO_BEM").whole());
}
bool is_gain(const store::Record& r) {
    return !r.deleted && kind(r) != kVariableIncome && kind(r) >= kRealEstate && kind(r) <= kCash;
}
bool sale_year(const store::Record& r, bool earlier_too) {
    const Date d = r.date("DATA_ALI");
    if (d.blank()) return false;
    return d.year() == kBaseYear || (earlier_too && d.year() < kBaseYear);
}
bool of_year(const store::Record& r) {
    return sale_year(r, false) && trim(r.str("VENDAANT")) != "S";
}
bool abroad(const store::Record& r) {
    return (kind(r) == kRealEstate || kind(r) == kMovable) && trim(r.str("BEMBRASIL")) == "N";
}
bool in_brazil(const store::Record& r) {
    return (kind(r) == kRealEstate || kind(r) == kMovable || kind(r) == kShares) && !abroad(r);
}
bool small_value(const store::Record& r) {
    return trim(r.str("PEQ_VALOR")) == "S" && r.num("VAL_ALI") <= small_value_limit(r);
}
bool single_property(const store::Record& r) {
    const Decimal v = r.num("VAL_ALI");
    return kind(r) == kRealEstate && trim(r.str("UNIC_IMOV")) == "S" &&
           trim(r.str("USU_440")) == "N" && v > Decimal(35'000) && v <= Decimal(440'000) &&
           trim(r.str("CPFALIEN")) == trim(r.str("CPF"));
}
bool instalments(const store::Record& r) {
    return trim(r.str("VEN_PRAZO")) == "S" || trim(r.str("VENDAANT")) == "S";
}

// The sale value less brokerage in reais: abroad both are in dollars at the sale's rate.
Decimal net_sale_in_reais(const store::Record& r) {
    if (kind(r) == kMovable && abroad(r)) {
        const Decimal rate = r.num("DOLARVEN");
        return (r.num("VALALIUS") * rate).trunc(2) - (r.num("VAL_CORR") * rate).trunc(2);
    }
    return r.num("VAL_ALI") - r.num("VAL_CORR");
}

template <typename Keep>
Decimal sum(const Gains& g, const char* field, Keep keep) {
    Decimal s;
    for (const auto& r : g)
        if (is_gain(r) && keep(r)) s += r.num(field);
    return s;
}

Decimal months(const store::Record& r, const char* field) {
    Decimal s;
    for (int m = 1; m <= 12; ++m) s += r.num(field + two(m));
    return s;
}

// Calls f(statement) for every person's three statements.
template <typename F>
void each_statement(const Gains& g, F f) {
    for (const auto& person : statement_persons(g))
        for (const char k : {kCommon, kDayTrade, kFund}) {
            Statement st;
            PRENCHE_MAT(st, k, person, g);
            f(st);
        }
}

// Σ over every month of the statements' result lines (14 of the stock ones, 1 of the funds),
// taking the positive months (`profits`) or the negative ones as positive amounts.
Decimal results(const Gains& g, bool profits) {
    Decimal s;
    each_statement(g, [&](const Statement& st) {
        const int line = st.kind == kFund ? 1 : 14;
        for (int m = 1; m <= 12; ++m) {
            const Decimal v = st.at(line, m);
            if (profits && v > Decimal()) s += v;
            if (!profits && v < Decimal()) s -= v;
        }
    });
    return s;
}

}  // namespace

Decimal I3_04GCPVC(const Gains& g) {
    return sum(g, "VAL_NAOTRI",
               [](const auto& r) { return of_year(r) && in_brazil(r) && small_value(r); });
}
Decimal I3_04UNICC(const Gains& g) {
    return sum(g, "VAL_NAOTRI",
               [](const auto& r) { return of_year(r) && single_property(r) && !small_value(r); });
}
Decimal I3_04REDUC(const Gains& g) {
    return sum(g, "VAL_NAOTRI", [](const auto& r) {
        return of_year(r) && kind(r) == kRealEstate && !abroad(r) && !small_value(r) &&
               !single_property(r);
    });
}
Decimal I3_04EXTRC(const Gains& g) {
    return sum(g, "VAL_NAOTRI", [](const auto& r) { return of_year(r) && abroad(r); });
}
Decimal I4_02(const Gains& g) {
    return sum(g, "VAL_TRIBU", [](const auto& r) { return of_year(r) && in_brazil(r); });
}
Decimal I4_11(const Gains& g) {
    return sum(g, "VAL_TRIBU", [](const auto& r) { return of_year(r) && abroad(r); });
}
Decimal I4_12(const Gains& g) {
    return sum(g, "VAL_TRIBU", [](const auto& r) { return of_year(r) && kind(r) == kCash; });
}
Decimal I13_46(const Gains& g) {
    Decimal s;
    for (const auto& r : g)
        if (is_gain(r) && sale_year(r, true))
            s += instalments(r) ? months(r, "IMP_DEV") : r.num("VAL_IMPOSV");
    return s;
}
Decimal I4_03(const Gains& g) {
    Decimal s;
    each_statement(g, [&](const Statement& st) {
        const int line = st.kind == kFund ? 3 : 16;
        for (int m = 1; m <= 12; ++m) s += st.at(line, m);
    });
    return s;
}
Decimal I13_47(const Gains& g) {
    Decimal s;
    each_statement(g, [&](const Statement& st) {
        if (st.kind == kDayTrade) return;
        const int line = st.kind == kFund ? 10 : 28;
        for (int m = 1; m <= 12; ++m) s += st.at(line, m);
    });
    return s;
}
Decimal ENTRADGP(const Gains& g) {
    Decimal s;
    for (const auto& r : g) {
        if (!is_gain(r) || !sale_year(r, true)) continue;
        const Decimal net = months(r, "REC_MES") - months(r, "VAL_COR");
        if (net <= Decimal()) continue;
        Decimal gross = r.num("VAL_TRIBU") + r.num("VAL_NAOTRI");
        if (trim(r.str("VENDAANT")) == "S")
            gross += r.num("REDUCAO") + r.num("FATOR1") + r.num("FATOR2");
        const Decimal net_sale = net_sale_in_reais(r);
        const Decimal share =
            net_sale > Decimal() ? round_half_up(gross * net / net_sale, 2) : Decimal();
        s += max(net - share, Decimal());
    }
    return s;
}
Decimal VALFUTUR(const Gains& g) {
    Decimal s;
    for (const auto& r : g)
        if (is_gain(r) && of_year(r) && instalments(r))
            s += max(r.num("VAL_TRIBU") - months(r, "VAL_TRI"), Decimal());
    return s;
}
Decimal LUCRRVA(const Gains& g) {
    return results(g, true);
}
Decimal PREJRVA(const Gains& g) {
    return results(g, false);
}

void carry_totals(const Gains& g, const std::function<void(std::string_view, Decimal)>& set) {
    set("I3_04GCPVC", I3_04GCPVC(g));
    set("I3_04UNICC", I3_04UNICC(g));
    set("I3_04REDUC", I3_04REDUC(g));
    set("I3_04EXTRC", I3_04EXTRC(g));
    set("I4_02", I4_02(g));
    set("I4_11", I4_11(g));
    set("I4_12", I4_12(g));
    set("I4_03", I4_03(g));
    set("I13_46", I13_46(g));
    set("I13_47", I13_47(g));
    set("ENTRADGP", ENTRADGP(g));
    set("VALFUTUR", VALFUTUR(g));
    set("LUCRRVA", LUCRRVA(g));
    set("PREJRVA", PREJRVA(g));
}

bool has_gains_section(const Gains& g) {
    for (const auto& r : g)
        if (is_gain(r) && sale_year(r, true)) return true;
    return false;
}

}  // namespace vorn::gains
