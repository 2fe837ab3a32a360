// The progressive income-tax tables of the year: the annual table, the cumulated table of the first
// m months (final estate and departure declarations) and the monthly table of the Carnê-Leão.
// Pure functions of the base; every result is already truncated or rounded by the table's own rule.
#pragma once

#include <array>

#include "base/decimal.h"

namespace vorn::tax {

// The taxed bracket (0: 7.5 % … 3: 27.5 %) of a base above the exempt bound `bounds[0]`; the
// bounds are upper bounds, so a base equal to one stays in the lower bracket.
int taxed_bracket(Decimal base, const std::array<Decimal, 4>& bounds);

// Annual table: the difference base × rate − amount is cut to the cent by DESPREZA; never below 0.
// A base equal to a bound stays in the lower bracket.
Decimal annual_tax(Decimal base);

// Cumulated table of months 1..months (1..12): bounds and amounts summed month by month, months
// 1–4 from the first column and 5–12 from the second; the product is cut to the cent before the
// summed amount is subtracted; never below 0.
Decimal CALC_PARCIAL(Decimal base, int months);

// Monthly table of a month 1..12. The base is reduced by the month's deductions when they exceed
// the month's simplified discount, otherwise by the discount; the 7.5 %, 15 % and 27.5 % results
// are rounded to the cent, the 22.5 % result truncated; never below 0.
Decimal monthly_tax(Decimal base, int month, Decimal deductions);

// The smallest whole-cent amount not below `v`: an income found by working a table backwards,
// shown so that it still gives the tax it was found for.
Decimal up_to_cent(Decimal v);

// The table the annual adjustment of one declaration uses: the plain annual table, or the
// cumulated table of the first `months` months for a final estate or departure declaration.
struct AnnualTable {
    int months = 0;  // 0: the annual table
    Decimal operator()(Decimal base) const {
        return months == 0 ? annual_tax(base) : CALC_PARCIAL(base, months);
    }
};

// The table by its historical entry point: divisor 1 is the declaration's annual table, any other
// divisor the monthly table of `month` with that month's deductions.
Decimal CALC_IMPOS(const AnnualTable& annual, int divisor, Decimal base, int month = 0,
                   Decimal deductions = Decimal());

}  // namespace vorn::tax
