// The corrected-tax list: each declaration's balance (IMPPGRE of its registry record) brought to
// a payment today with the interest of a debt due on the declaration's deadline. A refund grows
// by that interest; a balance to pay is one quota's value plus its interest.
#pragma once

#include <functional>
#include <string>

#include "base/date.h"
#include "base/decimal.h"
#include "base/status.h"
#include "payments/interest.h"
#include "store/env.h"

namespace vorn::payments {

// The declaration's deadline (DDIAENTRA).
inline const Date kDeadline{2026, 5, 29};

// One row of the list, the fields of the work table IMPCORRIG.
struct CorrectedRow {
    std::string CPF, NOMECONTR;
    Date NASCIMENTO;
    Decimal IMPPGRE, QTD_QUOTA;
    Decimal IMPOSTO;  // one quota of a balance to pay
    Decimal RESTITU;  // the refund
    Decimal CORRIGI;  // either brought to today
};

// IMPOSTO or RESTITU and CORRIGI of a balance, each truncated to the cent; no number of quotas
// set counts as one quota.
void correct_balance(CorrectedRow& row, Decimal interest_percent);

// The interest percentage of a debt due on the deadline and paid `today` (none in May).
Interest corrected_interest(const InterestTable& selic, Date today);

// Whether the interest table reaches the month before `today` (the list is wrong otherwise).
bool selic_up_to_date(const InterestTable& selic, Date today);

// Calls `take` with the row of every registry record (table 9 of the data folder `folder`) whose
// balance is not zero, in record order, one record at a time; the table is opened read-only and
// shared. kNotFound when the folder has no registry; kCorrupt when a record cannot be read; a
// failure returned by `take` stops the walk and is returned.
[[nodiscard]] Status each_corrected_row(store::Env& env, const std::string& folder,
                                        Decimal interest_percent,
                                        const std::function<Status(const CorrectedRow&)>& take);

}  // namespace vorn::payments
