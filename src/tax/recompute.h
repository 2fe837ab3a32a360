// Recomputing the declarations of a data folder as their save would, without opening them: each
// declaration neither open on a terminal nor of the protected status is computed, its counters
// and registry summary derived, and only the records whose stored values change are written back,
// under their locks, with the folder's indexes kept in step.
#pragma once

#include <functional>
#include <string>

#include "base/date.h"
#include "base/decimal.h"
#include "base/status.h"
#include "store/env.h"
#include "tax/interest.h"

namespace vorn::tax {

struct Recomputed {
    enum class Outcome { kUnchanged, kSaved, kInUse, kProtected };
    std::string cpf;
    Outcome outcome = Outcome::kUnchanged;
    std::string terminal;  // NUSUAT of a declaration in use
    // The balance and the option: as computed, or as stored for a declaration left alone.
    Decimal IMPPGRE;
    std::string USAPADRAO;
};

struct RecomputeRequest {
    std::string folder;
    std::string only_cpf;  // empty: every declaration of the registry, in its record order
    long STATRAVA = 0;     // the office's protected status; 0 protects none
    const Clock* clock = nullptr;
    const InterestTable* selic = nullptr;
    // How long a table or record held by another terminal is waited for before giving up.
    double wait_seconds = 30;
};

// Recomputes the declarations asked for, calling `each` once per declaration in registry order.
// kNotFound when the folder, its registry or the CPF asked for is missing; kCorrupt when a table
// cannot be read; kLocked when a table stayed held beyond the wait. A failure stops the run; what
// was reported before it was written.
[[nodiscard]] Status recompute_folder(store::Env& env, const RecomputeRequest& request,
                                      const std::function<void(const Recomputed&)>& each);

}  // namespace vorn::tax
