// Recomputing the declarations of a data folder as their save would, without opening them: each
// declaration neither open on a terminal nor of the protected status is computed, its counters
// and registry summary derived, and only the records whose stored values change are written back,
// under their locks, with the folder's indexes kept in step. A posting run does the same for the
// declarations with postings not yet transferred, transferring them first.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/date.h"
#include "base/decimal.h"
#include "base/status.h"
#include "payments/interest.h"
#include "store/env.h"
#include "tax/declaration.h"

namespace vorn::tax {

struct Recomputed {
    enum class Outcome { kUnchanged, kSaved, kInUse, kProtected };
    std::string cpf;
    Outcome outcome = Outcome::kUnchanged;
    std::string terminal;  // NUSUAT of a declaration in use
    // The balance and the option: as computed, or as stored for a declaration left alone.
    Decimal IMPPGRE;
    std::string USAPADRAO;
    // A posting run: the postings transferred, and what the transfer told (a posting kept for
    // want of its payer, one naming no dependant).
    int posted = 0;
    std::vector<std::string> notices;
};

struct RecomputeRequest {
    std::string folder;
    std::string only_cpf;  // empty: every declaration of the registry, in its record order
    long STATRAVA = 0;     // the office's protected status; 0 protects none
    const Clock* clock = nullptr;
    const payments::InterestTable* selic = nullptr;
    // How long a table or record held by another terminal is waited for before giving up.
    double wait_seconds = 30;
    // A posting run when set (the chart of accounts, table 62): only declarations with postings
    // not yet transferred are taken; each is marked open on `terminal` in the registry while its
    // postings are transferred, then computed and saved with its postings, and freed. A failure
    // while writing leaves the mark, keeping terminals and other runs away from what was half
    // written.
    const std::vector<store::Record>* accounts = nullptr;
    std::string terminal = "00";
};

// Whether a declaration has postings (table 13) not yet transferred.
bool has_pending_postings(const Declaration& d);

// Recomputes the declarations asked for, calling `each` once per declaration in registry order.
// kNotFound when the folder, its registry or the CPF asked for is missing; kCorrupt when a table
// cannot be read; kLocked when a table stayed held beyond the wait. A failure stops the run; what
// was reported before it was written.
[[nodiscard]] Status recompute_folder(store::Env& env, const RecomputeRequest& request,
                                      const std::function<void(const Recomputed&)>& each);

}  // namespace vorn::tax
