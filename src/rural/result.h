// The taxable result of rural activity, in Brazil and abroad: the monthly grid totalled from the
// cash book, the result with the compensation of earlier losses or the 20 % option, the
// non-taxable part, and the consolidation of both countries with the movement of rural debts.
// Pure over records of the rural tables (result 15, properties 16, debts 18, cash book 19).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/decimal.h"
#include "store/record.h"

namespace vorn::rural {

// How the monthly grid of the Brazilian activity is filled (`TIPO_LANCA`).
enum EntryMode { kCashBook = 0, kTotalsOnly = 1, kLcdpr = 2 };

// Monthly receipts and expenses, index 1 … 12.
struct MonthGrid {
    Decimal receipts[13], expenses[13];
};

struct SumResult {
    MonthGrid grid;
    // Property numbers named by entries that no property record carries (counted at 100 %).
    std::vector<int> unknown_properties;
};

// Totals the cash-book entries into the monthly grid. In cash-book mode each entry is weighted
// by its property's participation (`I2R_04`), looked up by the property number; an entry without
// a property, or whose property is unknown, counts in full. In LCDPR mode every entry counts in
// full. Entries without a date are left out. Totals-only mode has no grid to total: nullopt.
std::optional<SumResult> SOMA_RUR(const std::vector<store::Record>& entries,
                                  const std::vector<store::Record>& properties, int mode);

// Writes a grid into the result record's `I3_mmOR`/`I3_mmOD` fields.
void store_grid(const MonthGrid& grid, store::Record& result);

// Recomputes a result record (Brazil: `ATV_BRASIL` "S", revenue and expenses from its monthly
// fields; abroad: "N", the result and 20 % amounts from the properties' dollar figures at
// `dollar`). Sets `I4R_01` … `I4R_07`, `I5_08`, `I6_10`. `abroad_properties` is used only for
// the abroad record.
void CALCRUR(store::Record& result, const std::vector<store::Record>& abroad_properties,
             Decimal dollar);

// Whether a result record has taken the 20 % option (`OPT_20`, abroad `OPT_20E`).
bool opted_20(const store::Record& result);

// Clears the earlier-year losses of a result record and recomputes it.
void PREJ_RUR(store::Record& result, const std::vector<store::Record>& abroad_properties,
              Decimal dollar);

// The warning shown when the 20 % option is answered "S"; empty for any other answer.
std::vector<std::string> OPTOU20(const std::string& answer);

// What the annual computation and the registry receive.
struct RuralTotals {
    Decimal TRIB_BR, TRIB_EX, NTRIB_BR, NTRIB_EX, PREJU_BR, PREJU_EX;
    Decimal DIVAN_BR, DIVAN_EX, DIVAD_BR, DIVAD_EX;
    Decimal I13_07, I3_11, PREJRUR, DIVAN, DIVAD, AMORUR, EMPRUR;
};

// Consolidates the two countries. `brazil`/`abroad` are the recomputed result records when
// that activity exists; `debts` the rural debt records (table 18) of both countries, whose
// `I9R_2` and `I9R_3` are the debts at the start and end of the year.
RuralTotals CALC_PREJU(const std::optional<store::Record>& brazil,
                       const std::optional<store::Record>& abroad,
                       const std::vector<store::Record>& debts);

// Rural gross revenue above this amount obliges the declarant to file the return.
Decimal filing_revenue_limit();
// The year's rural gross revenue in reais: Brazil's `I4R_01` plus abroad's revenue in dollars
// (`I4R_01` of the abroad record) at `dollar`, truncated to cents. Null records count nothing.
Decimal gross_revenue(const store::Record* brazil, const store::Record* abroad, Decimal dollar);
// What the operator is told when the revenue obliges filing; empty when it does not.
std::string filing_notice(Decimal revenue);

// The herd check: for each species group the closing stock is opening + purchases + births −
// sales − losses (`I7_1x` … `I7_5x`). The message when some closing stock is negative, else
// empty.
std::string herd_check(const store::Record& result);
// Closing stock of one species group ("A", "B", "C", "S", "V1").
long herd_closing(const store::Record& result, const std::string& species);

}  // namespace vorn::rural
