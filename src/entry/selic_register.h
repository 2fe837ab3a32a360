// The window "Cadastro da Selic Mensal" (main menu, command 28,1): a month's SELIC rate typed and
// written into the office's interest table UFIRM.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "base/date.h"
#include "base/decimal.h"
#include "base/operator.h"
#include "base/status.h"
#include "payments/interest.h"
#include "store/workareas.h"
#include "ui/screen.h"

namespace vorn::entry {

// Writes the rate of a month into the interest table open in its area (51): the month's row is
// updated under its lock, or a new row appended (ANOMES, TJM, MULTIPL = 1 + TJM / 100, SIMB_MOED
// "R$"). kLocked when the row or the table could not be locked; the lock waits tell the operator.
[[nodiscard]] Status write_selic(store::WorkAreas& w, int year, int month, Decimal rate);

// Writes several months' rates ("YYYYMM", rate) into the interest table open in its area (51) under
// the table lock, so that two terminals writing the same new month at once leave one row of it:
// each month is looked up under the lock and updated in place or appended. kInvalid, nothing
// written, when a month is malformed; kLocked when the table lock could not be had.
[[nodiscard]] Status write_selic_months(store::WorkAreas& w,
                                        const std::vector<std::pair<std::string, Decimal>>& rates);

// "Cadastro da Selic Mensal": month, year and rate, typed month after month until Esc. The month
// shown first is the one after the table's last; a month typed that the table has shows its rate
// to be changed. The table is opened in its area and closed at the end.
void selic_register(ui::Screen& screen, Operator& op, store::WorkAreas& w);

// The months and rates of the interest table open in its area (51), oldest first; rows with a
// malformed month are left out.
payments::InterestTable selic_of(store::Table& t);

}  // namespace vorn::entry
