// The declarations a run of DARFs is made for, read from a data folder as the calc command reads
// them and computed silently, and the quota due dates of the installation. Shared by the darf
// batch command and the DARF window of the print menu, so that both work on the same figures.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "base/date.h"
#include "base/status.h"
#include "payments/interest.h"
#include "store/env.h"
#include "tax/folder.h"

namespace vorn::payments {

// The quota due dates of the installation (DEFINE VCTO1..VCTO8 under `install`), corrected as the
// start-up corrects them; the defaults when the installation has no office record.
[[nodiscard]] Status read_due_dates(store::Env& env, const std::string& install,
                                    std::array<Date, 8>* out);

// Each declaration of `folder` (only `cpf` when it is not empty; only those marked for printing,
// IMPRE "S", when `marked_only`), read a few at a time and computed silently, given to `each`
// together with its capital-gain records. A declaration that cannot be read is given with its
// status and not computed. `each` returning false stops the walk. Fails when the folder cannot be
// read as a whole, or when `cpf` is not in it.
using ComputedDeclaration = std::function<bool(tax::FolderReader::Loaded&)>;
[[nodiscard]] Status for_each_computed(store::Env& env, const std::string& folder,
                                       const std::string& cpf, bool marked_only, const Clock& clock,
                                       const InterestTable& selic, const ComputedDeclaration& each);

}  // namespace vorn::payments
