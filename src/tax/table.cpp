// The progressive tables.
#include "tax/table.h"

#include <stdexcept>

#include "tax/year.h"

namespace vorn::tax {

Decimal monthly_bound(int column, int k) {
    static constexpr const Decimal* kBounds[4] = {NBASEME1, NBASEME2, NBASEME3, NBASEME4};
    return kBounds[k][column];
}

Decimal monthly_deduction(int column, int k) {
    static constexpr const Decimal* kDeductions[4] = {NDEDUME1, NDEDUME2, NDEDUME3, NDEDUME4};
    return kDeductions[k][column];
}

int taxed_bracket(Decimal base, const std::array<Decimal, 4>& bounds) {
    for (int i = 1; i < 4; ++i)
        if (base <= bounds[static_cast<size_t>(i)]) return i - 1;
    return 3;
}

Decimal annual_tax(Decimal base) {
    if (base <= kAnnualBound[0]) return Decimal();
    const int k = taxed_bracket(base, kAnnualBound);
    return max(DESPREZA(base * kRate[k] - kAnnualDeduction[k], 15), Decimal());
}

Decimal CALC_PARCIAL(Decimal base, int months) {
    if (months < 1 || months > 12) throw std::invalid_argument("CALC_PARCIAL: months out of 1..12");
    std::array<Decimal, 4> bound;
    Decimal deduction[4];
    for (int m = 1; m <= months; ++m)
        for (int k = 0; k < 4; ++k) {
            bound[static_cast<size_t>(k)] += monthly_bound(month_column(m), k);
            deduction[k] += monthly_deduction(month_column(m), k);
        }
    if (base <= bound[0]) return Decimal();
    const int k = taxed_bracket(base, bound);
    return max(DESPREZA(base * kRate[k], 15) - deduction[k], Decimal());
}

Decimal monthly_tax(Decimal base, int month, Decimal deductions) {
    if (month < 1 || month > 12) throw std::invalid_argument("monthly_tax: month out of 1..12");
    const int c = month_column(month);
    base -= deductions > kMonthlyDiscount[c] ? deductions : kMonthlyDiscount[c];
    if (base <= monthly_bound(c, 0)) return Decimal();
    const int k = taxed_bracket(
        base, {monthly_bound(c, 0), monthly_bound(c, 1), monthly_bound(c, 2), monthly_bound(c, 3)});
    Decimal tax = base * kRate[k] - monthly_deduction(c, k);
    tax = k == 2 ? DESPREZA(tax, 15) : round_half_up(tax, 2);
    return max(tax, Decimal());
}

Decimal up_to_cent(Decimal v) {
    const Decimal cut = v.trunc(2);
    return cut < v ? cut + Decimal::from("0.01") : cut;
}

Decimal CALC_IMPOS(const AnnualTable& annual, int divisor, Decimal base, int month,
                   Decimal deductions) {
    return divisor == 1 ? annual(base) : monthly_tax(base, month, deductions);
}

}  // namespace vorn::tax
