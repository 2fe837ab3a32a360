// One capital gain computed from its record (table 7) and its cost rows (table 8): gross gain,
// reductions, exempt part, taxable gain, tax and, month by month, what was received and taxed.
// The computation writes its figures back into the records, as the entry screen stores them, and
// tells the operator what is wrong with the data it met (dates out of order, a sale larger than
// the holding, instalments above the sale); questions are asked when fields are typed (checks.h).
#pragma once

#include <array>
#include <string>
#include <vector>

#include "base/date.h"
#include "base/decimal.h"
#include "base/operator.h"
#include "store/record.h"

namespace vorn::gains {

// Kinds of asset (TIPO_BEM).
enum Kind { kRealEstate = 1, kMovable = 2, kShares = 3, kVariableIncome = 4, kCash = 5 };

constexpr int kBaseYear = 2025;

// What the computation needs from the declaration beside the gain itself.
struct Settings {
    std::string declarant_cpf;
    bool resident_abroad = false;  // EXTERIOR "S"
    Date last_reinvestment;        // ULTRESI: last use of the reinvestment reduction
    Date last_property_sale;       // ULTIMOV: last sale of a property
    int properties = 0;            // properties listed among the assets
    bool final_estate = false;     // DECFINAL "S"
    Date estate_date;              // the division of the estate (DATAPARTI or DATALAVRA)
    std::string estate_date_name;  // how the screens name that date
};

// Small-value limits: 35,000.00; 20,000.00 for shares (kind 3, TIPOPART 1).
Decimal small_value_limit(const store::Record& gain);

// Figures of one cost row of real estate.
struct CostShare {
    Date date;
    Decimal cost, share;      // share: percent of the total cost, 6 decimals
    int per_red = 0;          // reduction by year, percent
    Decimal first, second;    // the row's fractions
    Decimal gain, R, F1, F2;  // row gain, reduction by year, factor 1 and 2 reductions
};

struct GainResult {
    Decimal C;       // cost: of the rows, typed, or of the quantity sold
    Decimal G;       // gross gain
    Decimal R;       // reduction by year of acquisition
    Decimal F1, F2;  // reductions by factor 1 and factor 2 (FATOR1, FATOR2)
    Decimal RT;      // F1 + F2
    Decimal G2, G3, G4;
    Decimal P;              // reduction for reinvestment in another residential property
    Decimal exempt;         // non-taxable of the year (VAL_NAOTRI)
    Decimal T;              // taxable gain (VAL_TRIBU)
    Decimal E;              // earlier gain of the operation the rates start from (GANHOAN)
    Decimal tax;            // VAL_IMPOSV
    Decimal perimp;         // PERIMP
    Decimal per_tri;        // PER_TRI
    Decimal first, second;  // fractions of the record's acquisition date (FR1, FR2)
    int first_months = 0, second_months = 0;
    bool small_value = false, single_property = false;
    Date sale;  // sale date (the last sale's for shares and cash)
    std::vector<CostShare> rows;
    std::array<Decimal, 12> received{}, taxable{}, tax_due{};
};

// Computes the gain and writes its figures into `gain` and `costs` (the cost rows of this gain,
// in their stored order; shares and cash are taken in date order).
GainResult compute_gain(store::Record& gain, std::vector<store::Record*>& costs, const Settings& s,
                        Operator& op);

// The cost rows of `gain` among a declaration's table-8 records (same BEM_NRO).
std::vector<store::Record*> costs_of(const store::Record& gain, std::vector<store::Record>& all);

// The gains of a declaration (table 7 records, not variable income) in their stored order.
std::vector<store::Record*> gains_of(std::vector<store::Record>& table7);

}  // namespace vorn::gains
