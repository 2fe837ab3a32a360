// Printing the declarations of a data folder: each chosen declaration read as the computation
// reads it (shared tables, read-only, no in-use mark, nothing written), computed, and printed into
// one print file, with its own copy when the terminal keeps one per taxpayer.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/date.h"
#include "base/operator.h"
#include "base/status.h"
#include "payments/interest.h"
#include "printing/print_file.h"
#include "printing/printout.h"
#include "store/env.h"

namespace vorn::printing {

// Whom to print (QUECON): one client, the clients marked in the registry (IMPRE "S"), or every
// client of the folder.
struct Selection {
    enum class Kind { kOne, kMarked, kAll } kind = Kind::kOne;
    std::string cpf;  // for kOne
};

struct RunContext {
    store::Env& env;
    Operator& op;  // the computation's notices
    const Clock& clock;
    const payments::InterestTable& selic;
    // Run before a declaration of a marked or whole-folder run prints its notes, so that the
    // notices printed are those of a check made just now (folder, CPF).
    std::function<void(const std::string&, const std::string&)> check_first = {};
};

// What a run printed.
struct RunResult {
    int printed = 0;
    std::vector<std::string> cpfs, names;  // of the printed declarations, in order
    std::vector<std::string> problems;     // declarations that could not be read, with the CPF
    bool abandoned = false;
};

// Prints the chosen declarations of `folder` in registry order, the steps of `steps` each, into
// `file` (taxpayer_done after each). kNotFound when the folder or its registry is missing or the
// one CPF is not in it; a declaration that cannot be read is listed in problems and the others go
// on.
[[nodiscard]] Status print_folder(RunContext& c, const std::string& folder, const Selection& sel,
                                  const std::vector<Step>& steps, Printout& printout,
                                  PrintFile& file, RunResult* result, Extras extras = {});

// The notes of `cpf` (table 11 of the folder, read-only) in record order; none when the folder
// has no such table. kCorrupt when it cannot be read.
[[nodiscard]] Status read_notes(store::Env& env, const std::string& folder, const std::string& cpf,
                                std::vector<store::Record>* out);

}  // namespace vorn::printing
