// The rules a declaration's save applies to its records before writing them back: the
// renumbering of asset and debt items, the summary counters kept in the registry, the usage
// measures (working time, data size) and the caps that keep registry values inside their fields.
#pragma once

#include <string_view>
#include <vector>

#include "base/decimal.h"
#include "store/record.h"

namespace vorn::store {

// Seconds worked from `start` to `now` (seconds since midnight); a period that crosses midnight
// adds 86399 seconds to the difference.
long working_seconds(long start, long now);

// TEM_USO plus a period, kept inside its field (N6.0).
Decimal add_working_time(Decimal tem_uso, long seconds);

// One working table's share of TAM_USO: record length × records + header length + 1.
long table_size_measure(long record_length, long records, long header_length);
// The sum of the shares, capped at 999999.
long TAM_USO_of(const std::vector<long>& shares);

// INDGAS below −99.99 becomes −99.99 and above 1000 becomes 999; SALDO below −99999999.99 becomes
// −99999999.99.
Decimal cap_INDGAS(Decimal v);
Decimal cap_SALDO(Decimal v);

// Renumbers items in the order of `field` (record order among equal numbers) to 1, 2, 3 ...,
// then to 10, 20, 30 ... when the largest of them times ten stays below 9999 (so that numbers
// stay distinct and inside the N4.0 field however many items there are).
void renumber_items(std::vector<Record>& items, std::string_view field);

// The capital-gain records of a taxpayer without their seller's CPF get the taxpayer's (every
// asset kind but stock, TIPO_BEM 4).
void fill_seller_cpf(std::vector<Record>& gains, std::string_view cpf);

// Counters the registry keeps for the declaration list: months and total of Carnê-Leão, of
// capital gains and of variable income.
struct SummaryCounters {
    int NRCLEAO = 0;
    Decimal DFCLEAO;
    int NRGCAPIT = 0;
    Decimal DFGCAPIT;
    int NRRVARIV = 0;
    Decimal DFRVARIV;
};
// From the monthly values (table 12) and the capital-gain and variable-income records (table 7).
SummaryCounters summary_counters(const std::vector<Record>& monthly,
                                 const std::vector<Record>& gains);
// Writes the counters into the registry record, with the quotas of the computation that preceded
// them: NRQUOTA = QTD_QUOTA and DFQUOTA = I13_37 (the value of each quota, from table 1).
void store_counters(Record& registry, const Record& summary, const std::vector<Record>& monthly,
                    const std::vector<Record>& gains);

// The tax paid as the registry keeps it for the declaration list: I13_27 + I13_28 into I13_27 and
// I13_35 − I13_34 into I13_35, from the values of table 1.
void store_paid_totals(Record& registry, const Record& summary);

// Whether a declaration's status is the office's protected one (STATRAVA; 0 protects none): such a
// declaration is never saved.
bool protected_status(Decimal ESTATUS, long STATRAVA);

}  // namespace vorn::store
