// Late-payment arithmetic shared by the monthly Carnê-Leão correction: business days around due
// dates, the monthly SELIC rates of the interest table (UFIRM) and the fine per day of delay.
#pragma once

#include <utility>
#include <vector>

#include "base/date.h"
#include "base/decimal.h"
#include "store/record.h"

namespace vorn::tax {

// First business day after a date: the next day moved past a weekend; a 31 December becomes
// 2 January of NANOATUAL (again past a weekend) and a 1 May the day after (past a weekend).
Date PROX_DIA(Date d);

// Last business day of a month: its last day moved back to Friday from a weekend; in December one
// day further back, again skipping a weekend.
Date last_business_day(int year, int month);

// The monthly SELIC rates in percent, by year and month.
class InterestTable {
  public:
    InterestTable() = default;
    // From the rows of the interest table: ANOMES ("YYYYMM") and TJM. Rows with a malformed month
    // are skipped; a month given twice keeps its last rate.
    static InterestTable from_records(const std::vector<store::Record>& rows);
    void add(int year, int month, Decimal rate);

    bool empty() const { return rates_.empty(); }
    // Sum of the rates of the months strictly after (y1, m1) and strictly before (y2, m2).
    Decimal sum_between(int y1, int m1, int y2, int m2) const;
    // The latest month held as YYYYMM, 0 when empty.
    int last_month() const { return rates_.empty() ? 0 : rates_.back().first; }

  private:
    std::vector<std::pair<int, Decimal>> rates_;  // YYYYMM → rate, sorted
};

// Fine for late payment in percent: 0.33 per day counted from the reference day to the payment
// date (both included), at most 20; 0 when not late.
Decimal late_fine_percent(Date reference_day, Date payment);

}  // namespace vorn::tax
