// Items 44 and 46 of an open declaration: a direct donation made in the declaration itself to a
// fund for children and adolescents (44, payment code 39) or for the elderly (46, code 49), within
// the limit left by the year's tax and the incentive donations already made. The donation is kept
// among the declaration's payments, where the computation and the limit see it.
#pragma once

#include "base/operator.h"
#include "payments/interest.h"
#include "store/declaration.h"
#include "store/workareas.h"
#include "ui/field.h"
#include "ui/screen.h"

namespace vorn::entry {

// The payment code of a direct donation of item 44 (39) or 46 (49).
int donation_code(int item);

// Runs the donation of item 44 or 46: the checks before it (complete option chosen, the deadline,
// a limit left), the choice of the national, a state or a municipal fund from the fund table
// (table 75), the fund's CNPJ and the value, confirmed; an accepted donation is appended to the
// payments of the working set and the declaration computed again. The read's result (the key
// that ended the window); a refused check reads nothing.
ui::ReadResult donation_window(ui::Screen& s, Operator& op, store::WorkAreas& w,
                               store::Declaration& d, int item,
                               const payments::InterestTable& selic);

}  // namespace vorn::entry
