// Totals of capital gains and variable income for the annual computation.
#include "gains/totals.h"

#include <algorithm>

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

// The four sums of the statements, every person's three statements loaded once.
struct VariableIncome {
    Decimal base;     // lines 16 (stock) and 3 (funds)
    Decimal paid;     // lines 28 (common operations) and 10 (funds)
    Decimal profits;  // positive months of lines 14 (stock) and 1 (funds)
    Decimal losses;   // negative months of the same lines, as a positive amount
};

VariableIncome variable_income(const Gains& g) {
    VariableIncome v;
    each_statement(g, [&](const Statement& st) {
        const bool fund = st.kind == kFund;
        for (int m = 1; m <= 12; ++m) {
            v.base += st.at(fund ? 3 : 16, m);
            if (st.kind != kDayTrade) v.paid += st.at(fund ? 10 : 28, m);
            const Decimal result = st.at(fund ? 1 : 14, m);
            if (result > Decimal()) v.profits += result;
            if (result < Decimal()) v.losses -= result;
        }
    });
    return v;
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
    return variable_income(g).base;
}
Decimal I13_47(const Gains& g) {
    return variable_income(g).paid;
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
    return variable_income(g).profits;
}
Decimal PREJRVA(const Gains& g) {
    return variable_income(g).losses;
}

void carry_totals(const Gains& g, const std::function<void(std::string_view, Decimal)>& set) {
    if (std::none_of(g.begin(), g.end(), [](const store::Record& r) { return !r.deleted; })) return;
    set("I3_04GCPVC", I3_04GCPVC(g));
    set("I3_04UNICC", I3_04UNICC(g));
    set("I3_04REDUC", I3_04REDUC(g));
    set("I3_04EXTRC", I3_04EXTRC(g));
    set("I4_02", I4_02(g));
    set("I4_11", I4_11(g));
    set("I4_12", I4_12(g));
    const VariableIncome v = variable_income(g);  // I4_03, I13_47, LUCRRVA, PREJRVA at once
    set("I4_03", v.base);
    set("I13_46", I13_46(g));
    set("I13_47", v.paid);
    set("ENTRADGP", ENTRADGP(g));
    set("VALFUTUR", VALFUTUR(g));
    set("LUCRRVA", v.profits);
    set("PREJRVA", v.losses);
}

void carry_no_totals(const std::function<void(std::string_view, Decimal)>& set) {
    for (const char* name :
         {"I3_04GCPVC", "I3_04UNICC", "I3_04REDUC", "I3_04EXTRC", "I4_02", "I4_11", "I4_12",
          "I4_03", "I13_46", "I13_47", "ENTRADGP", "VALFUTUR", "LUCRRVA", "PREJRVA"})
        set(name, Decimal());
}

bool has_gains_section(const Gains& g) {
    for (const auto& r : g)
        if (is_gain(r) && sale_year(r, true)) return true;
    return false;
}

}  // namespace vorn::gains
