// Alt+U in the item editor: the monthly values of the amount under the cursor in the R$/US$
// window (list 7). Income items keep the months of their income, tax and social security, and
// payments those of the amount paid; other amounts take the window's total only. The exempt
// portion of retirement from age 65 is held month by month to the monthly limit, from the month
// the beneficiary turned 65.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/decimal.h"
#include "store/record.h"
#include "tax/annual.h"
#include "ui/screen.h"

namespace vorn::entry {

// The prefix of the months a row of working table `table` keeps for `field` ("I1_4" gives
// I1_401 … I1_412); empty when the field has no months.
std::string stored_months(int table, std::string_view field);

// The first month of the calendar year the beneficiary of income item `row` (its dependant, or
// the holder) was 65: 1 when earlier or the birth date is unknown, 13 when not in that year.
int first_month_of_65(const tax::Declaration& d, const store::Record& row);

// The window over the months of `field` of `row` (a record of working table `table`): empty
// months when none are kept. Tab keeps what was typed: the months kept are written into `row` and
// the total is returned; Esc gives nothing. c.decl is the declaration as last computed.
std::optional<Decimal> row_months(ui::Screen& s, tax::Context& c, int table, std::string_view field,
                                  store::Record& row);

}  // namespace vorn::entry
