// The simulator.
#include "tax/simulator.h"

#include "base/text.h"
#include "tax/limits.h"
#include "tax/year.h"

namespace vorn::tax {
namespace {

const Decimal k08 = Decimal::from("0.8");

// The income whose table tax, after taking `reduction(income)` off it, is `tax`; brackets tried
// from 27.5 % down, the last accepted in any case. Each candidate is checked as found, before it
// is taken up to the cent.
template <typename Reduction, typename Solve>
Decimal search(const AnnualTable& table, Decimal tax, Reduction reduction, Solve solve) {
    Decimal income;
    for (int k = 3; k >= 0; --k) {
        income = solve(k);
        if (table(income - reduction(income)) == tax) break;
    }
    return up_to_cent(income);
}

bool refund_too_large(Context& c, Decimal wanted_balance, const char* text) {
    const Decimal paid = c.decl.num("I13_35");
    if (wanted_balance >= Decimal() || -wanted_balance <= paid) return false;
    c.op.notice(NoticeKind::kError, "", std::string(text) + " " + brl(paid));
    return true;
}

}  // namespace

Decimal SIMUL_deduction(Context& c, Decimal extra_deduction) {
    const Declaration& d = c.decl;
    const Decimal tax = annual_table_for(c)(d.num("I13_20") - extra_deduction);
    const Decimal incentives = min(d.work.I13_22T, round_half_up(tax * Decimal::from("0.06"), 2));
    return tax - incentives - d.num("I13_35") + d.num("I13_25");
}

std::optional<Decimal> SIMUL_simplified_income(Context& c, Decimal wanted_balance) {
    if (refund_too_large(c, wanted_balance, "O valor máximo de restituição de imposto é R$"))
        return std::nullopt;
    const Decimal t = wanted_balance + c.decl.num("I13_35");
    if (t >= Decimal::from("8127.07"))
        return up_to_cent((t + NDEDUAN4 + NDESCPRAD * kRate[3]) / kRate[3]);
    return search(
        AnnualTable{}, t, [](Decimal income) { return income - k08 * income; },
        [&](int k) { return (t + kAnnualDeduction[k]) / (k08 * kRate[k]); });
}

std::optional<Decimal> SIMUL_complete_income(Context& c, Decimal wanted_balance) {
    const Declaration& d = c.decl;
    if (refund_too_large(c, wanted_balance, "O valor máximo da restituição de imposto é R$"))
        return std::nullopt;
    // The table tax behind the balance: balance = table − incentives − I13_24 + Lei 14.754 tax +
    // RRA tax − tax paid.
    const Decimal t = wanted_balance + d.num("I13_22") + d.num("I13_24") - d.num("I13_25") +
                      d.num("I13_35") - d.work.NILEI14754;
    const Decimal others = d.num("I13_19") - d.num("I13_11");
    const AnnualTable table = annual_table_for(c);
    auto income_for = [&](Decimal deductions) {
        return search(
            table, t, [&](Decimal) { return deductions; },
            [&](int k) { return (t + kAnnualDeduction[k] + deductions * kRate[k]) / kRate[k]; });
    };
    // The pension deducted is the smaller of what was paid and 12 % of the income found; start
    // without it and repeat until it settles (it only grows, so this ends).
    Decimal pension;
    Decimal income = income_for(others);
    for (int pass = 0; pass < 50 && d.work.I13_11T > Decimal(); ++pass) {
        const Decimal next = min(d.work.I13_11T, pension_limit(income));
        if (next == pension) break;
        pension = next;
        income = income_for(others + pension);
    }
    return income;
}

Decimal SIMUL_tax_of_income(Decimal income) {
    return annual_tax(income - min(DESPREZA(income * Decimal::from("0.2"), 15), NDESCPRAD));
}

bool FAZINVER(Context& c, std::string_view answer) {
    const std::string a = upper(trim(answer));
    if (a == "S" || a == "N") return true;
    c.op.notice(NoticeKind::kError, "",
                "Digite S (sim) ou N (não) se deseja simular   \n"
                "o imposto devido colocando novo abatimento ou \n"
                "fazer um cálculo inverso informando o imposto");
    return false;
}

}  // namespace vorn::tax
