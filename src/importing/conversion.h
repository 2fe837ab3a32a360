// Last year's declarations of this system carried into this year's data folder: the previous
// year's tables ("IMP" + number + the previous year's two digits) are read by field name, so an
// older layout gives what it shares with this edition's, and every taxpayer not yet in this
// year's folder gets a new declaration with last year's identification, the sources of income
// (without amounts), the dependants renumbered (those past the age limits left out), the heirs and
// alimony recipients, the assets and debts moved one year on with the estate's sharing of them,
// the instalment sales still being paid and the rural properties, bank accounts, assets and debts
// (moved one year on); the monthly entries and postings are the year's own and start empty. A
// source table that cannot be read refuses the whole conversion before anything is written; each
// taxpayer is written whole through the declaration layer.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "base/date.h"
#include "base/decimal.h"
#include "base/operator.h"
#include "base/status.h"
#include "payments/interest.h"
#include "store/env.h"
#include "store/record.h"

namespace vorn::importing {

// The tables a previous-year declaration is carried from.
inline constexpr int kConvertedTables[] = {2, 3, 4, 5, 7, 8, 16, 17, 18, 20, 21};

// One taxpayer of last year: the registry record and the rows of kConvertedTables, each in this
// edition's layout (fields matched by name), in record order.
struct PreviousDeclaration {
    store::Record registry;
    std::map<int, std::vector<store::Record>> tables;
};

// Reads last year's tables of `source`; the taxpayers in registry order. Missing tables but the
// registry hold nothing; a table that exists and cannot be read is the error (nothing read).
[[nodiscard]] Status read_previous_year(store::Env& env, const std::string& source,
                                        std::vector<PreviousDeclaration>* out);

// The file of last year's table n in `folder`, found without regard to case; empty when absent.
std::string previous_table_path(store::Env& env, const std::string& folder, int n);

// What the operator answered before the run.
struct ConversionChoices {
    bool carry_sold = false;  // a sold asset (or paid debt) is carried too
    int payers = 1;           // individual payers: 1 none, 2 only the tenants of rents, 3 all
};

// The questions of one taxpayer's conversion: each line list gets the answer "S" (true) or "N".
using Ask = std::function<bool(const std::vector<std::string>& lines)>;

struct ConvertedDeclaration {
    store::Record registry;
    std::map<int, std::vector<store::Record>> tables;
    std::vector<std::string> notes;  // dependants left out, items dropped
    Decimal loss_abroad;             // the negative bases of assets abroad, as a loss (I4_14)
};

// CONV_BRIOIR for one taxpayer. `calendar_year` is last year's calendar year (the age limits are
// counted by year of birth against it); `notice` tells what is done without a question.
ConvertedDeclaration convert_declaration(const PreviousDeclaration& old,
                                         const ConversionChoices& choices, int calendar_year,
                                         const Ask& ask,
                                         const std::function<void(const std::string&)>& notice);

// TRANS_BLO: the assets (kind 7, table 4) or debts (kind 8, table 5) carried one year on.
// `moved`, when given, receives each carried item's old number and its new one.
std::vector<store::Record> TRANS_BLO(int kind, const std::vector<store::Record>& rows,
                                     bool carry_sold, std::vector<std::string>* notes,
                                     std::map<long long, long long>* moved = nullptr);

// The instalment sales of last year still being paid (table 7, with their cost rows of table 8),
// carried as sales of an earlier year: what last year's months received, paid in brokerage and
// reinvested is added to what was received before, the rest of the price is what is still to be
// received, and the months start empty. Gains numbered again from 1 in their old order; a sale
// wholly received, a sale for cash and the variable-income rows stay behind.
struct CarriedGains {
    std::vector<store::Record> gains, costs;
};
CarriedGains carry_instalment_sales(const std::vector<store::Record>& gains,
                                    const std::vector<store::Record>& costs,
                                    std::vector<std::string>* notes);

struct ConversionRequest {
    std::string source;    // last year's data folder
    std::string folder;    // this year's data folder
    std::string install;   // the installation directory
    std::string terminal;  // the run's terminal, marked in the registry meanwhile
    ConversionChoices choices;
    const Clock* clock = nullptr;
    const payments::InterestTable* selic = nullptr;
};

struct ConversionResult {
    std::string cpf, name;
    enum class Outcome { kConverted, kExisting, kSkipped, kRefused };
    Outcome outcome = Outcome::kRefused;
    std::string text;
    std::vector<std::string> notes;
};

// CONVIRBRIO: every taxpayer of last year's folder (or those of `only`, when given) converted
// into this year's folder; `stop` is asked between taxpayers (true ends the run, what was
// converted stays). The error when last year's tables cannot be read (nothing written).
[[nodiscard]] Status CONVIRBRIO(store::Env& env, const ConversionRequest& rq, Operator& op,
                                const Ask& ask, const std::vector<std::string>& only,
                                std::vector<ConversionResult>* out,
                                const std::function<bool()>& stop = {});

}  // namespace vorn::importing
