// The capital-gains report: per gain of a declaration, the demonstrative of how its gain and tax
// were found (identification, operation, cost, the chain of reductions, the split over the tax
// brackets, the tax of a cash or instalment sale, the consolidation of the asset), written at rows
// and columns into a print writer. The figures come from the gain's computation; nothing here
// computes a tax of its own.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/decimal.h"
#include "base/operator.h"
#include "gains/gain.h"
#include "printing/print_file.h"
#include "store/record.h"

namespace vorn::printing {

// IMPGANHO's menu: options 1 to 4 print one kind of gain (real estate, movables, shareholdings,
// foreign cash), 5 every kind. Variable-income rows are never printed.
const std::vector<std::string>& gains_report_options();
// The prompt for the number of one gain of option 1 to 4.
std::string gains_number_prompt(int option);
// Whether option `option` prints a gain of kind `kind` (TIPO_BEM).
bool option_prints(int option, int kind);

// The gains an option prints among `gains` (records of table 7, in table order): the one numbered
// `number` of the option's kind, or every gain of that kind when `number` is 0 or the option is 5.
std::vector<const store::Record*> chosen_gains(const std::vector<const store::Record*>& gains,
                                               int option, int number);

// One bracket of the split: the part of the operation's whole gain that falls in it, of which
// the earlier sales' gain and the current one.
struct BracketPart {
    Decimal total, earlier, current;
};
struct BracketSplit {
    std::array<BracketPart, 4> rows;  // up to 5, 10, 30 million and above
    BracketPart sum;
};
// FAIXAIMP: the earlier gain fills the brackets from the bottom, the current gain goes on from
// where it stopped through every bracket it reaches (the tax's own split).
BracketSplit FAIXAIMP(Decimal earlier, Decimal current);

// One gain to print: its record and cost rows as the computation left them, its figures, and
// who sold it.
struct GainToPrint {
    const store::Record* gain = nullptr;
    std::vector<const store::Record*> costs;
    gains::GainResult result;
    std::string seller_name, seller_cpf;
    bool final_estate = false;  // a final declaration of an estate
    Date estate_date;           // the division of the estate
};

// Prints gains one after another into a writer; each gain starts a new sheet (a form feed before
// every gain but the first of the writer's part), and a section that reaches the foot of a page
// goes on to the next one under the gain's title block.
class GainsReport {
  public:
    explicit GainsReport(PrintWriter& w, int lines = 60) : w_(w), lines_(lines) {}

    // IMPRGAN: the whole demonstrative of one gain.
    void IMPRGAN(const GainToPrint& g);
    // The writer starts a new part at row 0 (a per-taxpayer copy): no form feed before its first
    // gain.
    void new_part() { pages_ = 0; }
    int printed() const { return printed_; }

  private:
    friend class GainSheet;
    PrintWriter& w_;
    int lines_;
    int pages_ = 0;
    int printed_ = 0;
};

// Asks the operator for a number; nothing when the operator gave up (Esc).
using AskNumber = std::function<std::optional<int>(std::string_view prompt)>;

// IMPGANHO with the open declaration: the option `option` (1 to 5); for options 1 to 4 the
// number of the gain is asked, a number not found asks whether to try another one, and after
// each single gain "Imprime outro ganho?" is asked. `make` completes a chosen gain (its cost rows
// and figures). Returns how many gains were printed.
int IMPGANHO(int option, const std::vector<const store::Record*>& gains,
             const std::function<GainToPrint(const store::Record&)>& make, GainsReport& report,
             Operator& op, const AskNumber& ask_number);

}  // namespace vorn::printing
