// Late-payment arithmetic: business days around due dates, the monthly SELIC rates of the
// interest table (UFIRM), the fine per day of delay and the interest of a DARF (CALCJU, ACHAJURO).
// Shared by the Carnê-Leão correction, the DARF and the list of corrected taxes.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/date.h"
#include "base/decimal.h"
#include "base/operator.h"
#include "store/record.h"

namespace vorn::payments {

// First business day after a date: the next day moved past a weekend; a 31 December becomes
// 2 January of the following year and a 1 January or a 1 May the day after, each again moved
// past a weekend.
Date PROX_DIA(Date d);

// Last business day of a month: its last day moved back to Friday from a weekend; in December one
// day further back, again skipping a weekend.
Date last_business_day(int year, int month);

// Year and month as one number, YYYYMM.
inline int year_month(Date d) {
    return d.year() * 100 + d.month();
}
// The month after / before a YYYYMM month.
int next_month(int ym);
int previous_month(int ym);

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
    // The rates of the months `from` to `to` (YYYYMM, both included; none when `to` < `from`),
    // and the months of that range that have no rate, in order.
    struct Range {
        Decimal sum;
        std::vector<int> missing;
    };
    Range sum_range(int from, int to) const;
    // The rate of a month (YYYYMM); nullopt when the table lacks it.
    std::optional<Decimal> rate(int ym) const;
    // The latest month held as YYYYMM, 0 when empty.
    int last_month() const { return rates_.empty() ? 0 : rates_.back().first; }
    // The rates held, oldest first.
    const std::vector<std::pair<int, Decimal>>& rates() const { return rates_; }

  private:
    std::vector<std::pair<int, Decimal>> rates_;  // YYYYMM → rate, sorted
};

// Fine of the monthly Carnê-Leão correction in percent: 0.33 per day counted from the reference
// day to the payment date (both included), at most 20; 0 when not late.
Decimal late_fine_percent(Date reference_day, Date payment);

// How a table that lacks months the interest needs is reported: on the status line when its last
// month is of an earlier year than a month ago, in a message box otherwise.
enum class Outdated { kNone, kStatusLine, kMessageBox };
// Tells the operator of an outdated table ("Atenção! O cadastro da Selic está desatualizado.").
void tell_outdated(Operator& op, Outdated o);

// VEATRASO: whether a payment is late and the first working day after the due date (DDATAUTIL).
struct Lateness {
    bool late = false;
    Date DDATAUTIL;
};
Lateness VEATRASO(Date due, Date payment);

// ACHAJURO: the interest percentage of a payment. kFromDueMonth: 1 (the month of payment) plus the
// SELIC of the months after the due month up to the month before the payment month. kQuota, a
// quota of the annual adjustment: none for a quota due in the deadline's month (May) and paid on
// time; otherwise 1 plus the SELIC from June of the due year up to the month before the payment
// month, on time or late. The table's rows of that range are added; a month of the range that it
// lacks although the month is over by 30 days (`today` − 30) is reported in `outdated`.
enum class InterestKind { kFromDueMonth = 1, kQuota = 2 };
struct Interest {
    Decimal percent;
    Outdated outdated = Outdated::kNone;
    std::vector<int> missing;  // months (YYYYMM) of the range without a rate
};
Interest ACHAJURO(const InterestTable& selic, InterestKind kind, Date due, Date payment,
                  Date today);

// What a DARF is: any kind, a quota of the annual adjustment, or the fine for late delivery of the
// declaration (which is itself the principal and carries neither fine nor interest).
enum class DarfKind { kOther, kQuota, kLateDelivery };

struct DarfDates {
    Date due;      // DF_VCTO
    Date payment;  // DF_PGTO
    // DDATAUTIL, the first working day after the due date; blank: PROX_DIA of the due date.
    Date first_working_day;
    // The due date printed as the validity of a DARF paid on time; blank: `due` (several quotas
    // paid together print the first quota's due date).
    Date validity_due;
};

// The amounts of one DARF: what CALCJU computes for it.
struct DarfAmounts {
    Decimal principal;        // IMPO_REAL
    bool late = false;        // paid after the due date
    long days_late = 0;       // DIF_DIAS, D: payment − DDATAUTIL + 1, at least 0
    int months_late = 0;      // DIF_MES
    Decimal fine_rate;        // DF_MULTA, percent
    Decimal fine;             // VAL_MULTA
    Decimal interest_rate;    // DF_JURO, percent
    Decimal interest;         // VAL_JURO
    Decimal total;            // VAL_TOTAL
    Date DDATAUTIL;           // the first working day used
    bool valid_until = true;  // the DARF is valid "ate" (until) `valid_date`, else "dia" (on)
    Date valid_date;
    Outdated outdated = Outdated::kNone;  // the interest table lacks months it needed
};

// CALCJU: fine, interest and total of a DARF of `principal` due and paid on `dates`. Late: the
// days late D, the months late (months between due and payment in one year, D / 30 across years),
// a fine of 0.33 % a day, 20 % from three months on; the interest of a quota by its kind, of any
// other DARF from its due month. On time: no fine; a quota carries its interest all the same.
// Values are truncated to the cent (DESPREZA); a principal not above zero carries none.
// Validity: on time, until the due date; late with the fine at 20 %, until the last business day
// of the payment month; otherwise on the payment day.
DarfAmounts CALCJU(const InterestTable& selic, DarfKind kind, Decimal principal,
                   const DarfDates& dates, Date today);

// The values as the DARF window shows them: principal, fine rate, fine, interest rate, interest
// and total; money as "999.999.999,99" and rates as "99,99%", blank when zero.
std::vector<std::string> CALCJU_display(const DarfAmounts& a);

}  // namespace vorn::payments
