// The summary's simulator: the tax with a new deduction, the income needed for a wanted balance
// under either option (the table worked backwards), and the tax of a given income.
#pragma once

#include <optional>
#include <string_view>

#include "tax/annual.h"

namespace vorn::tax {

// Mode 1 (complete): the balance NSIMPOSTO with an extra deduction NSDEDUCAO.
Decimal SIMUL_deduction(Context& c, Decimal extra_deduction);
// Mode 2 (simplified): the taxable income NSRECEITA that gives the wanted balance (negative for a
// refund). nullopt when the refund asked for is larger than the tax paid (operator told).
std::optional<Decimal> SIMUL_simplified_income(Context& c, Decimal wanted_balance);
// Mode 3 (complete): the taxable income that gives the wanted balance with the declaration's
// deductions; the complementary pension follows the income within its 12 % limit.
std::optional<Decimal> SIMUL_complete_income(Context& c, Decimal wanted_balance);
// Mode 4: the tax of an income under the simplified discount.
Decimal SIMUL_tax_of_income(Decimal income);

// The question that opens the simulator from the complete summary: "S" or "N"; anything else is
// refused with the explanation.
bool FAZINVER(Context& c, std::string_view answer);

}  // namespace vorn::tax
