// Importing a rural cash-book export file into a declarant's declaration: the file replaces the
// cash-book entries of the activity in Brazil, the monthly totals and the two adjustments of the
// Brazilian rural result and, when the declarant has no property in Brazil yet, the rural
// properties. The file is checked whole first; a file with any bad line changes nothing. The
// declaration is then loaded, changed and saved as an entry session would (marked in use on this
// terminal meanwhile, its own records rewritten, the registry last), so other declarants'
// records, deleted ones included, stay as they were.
#pragma once

#include <string>
#include <vector>

#include "base/decimal.h"
#include "base/status.h"
#include "importing/rural_book_file.h"
#include "store/declaration.h"
#include "store/workareas.h"

namespace vorn::importing {

struct RuralBookImport {
    std::string folder;     // the data folder of the declaration
    std::string cpf;        // the declarant, 11 digits
    std::string file_path;  // the export file
    bool check_only = false;
    store::DeclarationPlace place;  // this terminal's working folder and operator
    // What a save computes (the rural result first, then the annual computation); run by the
    // load and the save of the import.
    store::Declaration::Computation computation;
};

struct ImportReport {
    bool totals_only = false;
    int entries = 0, receipts = 0, expenses = 0, skipped = 0;
    Decimal receipts_total, expenses_total;
    int months = 0;
    int properties_in_file = 0;
    bool properties_taken = false;  // the declarant had none in Brazil
    std::vector<BadLine> bad_lines;
    bool written = false;  // the declaration holds the file's book now

    // What the operator is told, one line each.
    std::vector<std::string> lines() const;
};

// Imports (or with check_only only checks) the file into the declaration of `cpf` in `folder`,
// filling `report`. kNotFound for a missing file or declarant; kInvalid when some line is bad
// (listed in the report, nothing changed); kLocked when the declaration is open on another
// terminal, or this terminal has unfinished work to recover first (nothing changed); kCancelled
// when the operator gave up waiting for a table. A failure while saving leaves the declaration
// marked in use on this terminal with its working set (holding the new book) to recover; the
// shared tables hold the old book or the new one.
[[nodiscard]] Status import_rural_book(store::WorkAreas& w, const RuralBookImport& request,
                                       ImportReport* report);

}  // namespace vorn::importing
