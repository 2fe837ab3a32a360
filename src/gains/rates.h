// The arithmetic of capital gains that depends only on dates and amounts: the reduction by year
// of acquisition, the month count, the two reduction fractions by sale date and the progressive
// rates of the tax on a gain (VALIMP).
#pragma once

#include "base/date.h"
#include "base/decimal.h"

namespace vorn::gains {

// Cut to `places` decimals after writing the value with two more places (rounded there): the
// truncation every gain figure uses.
Decimal cut(Decimal v, int places);

// Reduction percentage for a cost dated in `year`: 100 before 1970, (1989 − year) × 5 from 1970
// to 1988, 0 after 1988 and for assets abroad.
int reduction_by_year(int year, bool abroad);

// Months from `from` to the later date `to`: 12 × whole years + month difference + 1; a `from`
// before 1 January 1996 counts from that date. A `to` in an earlier month gives 0 or less.
int month_count(Date from, Date to);

// 1 − 1 / rate^months, exact to the Decimal's 12 places; negative for negative months. Months
// beyond ±1200 count as 1200.
Decimal fraction(Decimal rate, int months);

// The two reduction fractions of a real-estate cost by the sale date (factor 1 at 0.6 % a month
// up to 30/11/2005, factor 2 at 0.35 % a month after it), with the month counts they used.
// `invalid` when a fraction came out negative (a cost after the month of the sale): both are 0.
struct Fractions {
    Decimal first, second;
    int first_months = 0, second_months = 0;
    bool invalid = false;
};
Fractions reduction_fractions(Date cost_date, Date sale, bool abroad);

// Tax on a taxable gain T of a sale dated `sale`, with E the earlier gain of the same operation.
// Before 2017 a flat 15 % (20 % for a real-estate fund share, kind 3). From 2017 the brackets
// 15 % up to 5,000,000.00, 17.5 % up to 10,000,000.00, 20 % up to 30,000,000.00 and 22.5 % above
// apply to the slice [E, E + T] of the operation's whole gain, each bracket's part truncated to
// the cent, so that an earlier gain moves T up through every bracket it reaches.
Decimal VALIMP(Decimal taxable, Decimal earlier, Date sale, int share_kind);

// Effective rate of the tax on T, percent with 6 decimals; 0 when T is 0.
Decimal PERIMP(Decimal tax, Decimal taxable);

}  // namespace vorn::gains
