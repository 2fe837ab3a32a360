// Printing the capital-gains report of declarations read from a data folder: each declaration's
// gains computed as the entry screen stores them (in memory only, nothing written) and printed
// into one print file, with its own copy when the terminal keeps one per taxpayer.
#pragma once

#include <string>
#include <vector>

#include "base/operator.h"
#include "base/status.h"
#include "printing/gains_report.h"
#include "printing/printout_run.h"
#include "tax/declaration.h"

namespace vorn::printing {

// The gains of a declaration ready to print: each gain of table 7 (variable income left out)
// computed over its cost rows of table 8, with its seller's name and CPF (the holder's or the
// dependant's). The records are those of `gains` and `costs`, which must outlive the result.
std::vector<GainToPrint> gains_to_print(const tax::Declaration& d,
                                        std::vector<store::Record>& gains,
                                        std::vector<store::Record>& costs, Operator& op);

// Prints the gains of option `option` (1 to 5, every gain of the kind) of the chosen declarations
// of `folder` in registry order into `file` (taxpayer_done after each declaration that printed
// any). kNotFound when the folder or its registry is missing or the one CPF is not in it; a
// declaration that cannot be read is listed in problems and the others go on.
[[nodiscard]] Status print_gains_folder(RunContext& c, const std::string& folder,
                                        const Selection& sel, int option, GainsReport& report,
                                        PrintFile& file, RunResult* result);

}  // namespace vorn::printing
