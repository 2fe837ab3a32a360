// The computation of a declaration open for entry: its values and working tables taken into a
// computation's declaration, computed whole, and the results written back into the values and
// the working tables. The program makes it the open declaration's computation, so loading and
// every save compute silently; the messages wait for the summary screen.
#pragma once

#include <vector>

#include "base/date.h"
#include "base/status.h"
#include "payments/interest.h"
#include "store/declaration.h"
#include "tax/declaration.h"

namespace vorn::tax {

// The item tables the computation reads.
inline constexpr int kComputedLists[] = {2, 3, 4, 5, 6, 12};
// Those it may change: income items gain the excess of an exempt portion, payments their
// non-deductible parts, the monthly grids their Carnê-Leão. Dependants, assets and debts it only
// reads.
inline constexpr int kChangedLists[] = {2, 6, 12};

// Whether two lists of records would be stored alike (same count, each record alike).
bool same_lists(const std::vector<store::Record>& a, const std::vector<store::Record>& b);

// The open declaration as a computation sees it: its values and the item tables it reads.
[[nodiscard]] Status take_open(store::Declaration& open, Declaration* d);
// Writes a computed declaration back into the open one: every value, and the working tables of
// kChangedLists whose records differ from `before` (those lists as take_open gave them; its
// other lists are not read).
[[nodiscard]] Status give_back(const Declaration& d, const Declaration& before,
                               store::Declaration& open);

class OpenComputation {
  public:
    OpenComputation(const Clock& clock, payments::InterestTable selic)
        : clock_(clock), selic_(std::move(selic)) {}

    // Computes `open` as the summary screen does and writes the results back: every value, and
    // the working tables whose records changed. The computation's notices and questions (answered
    // with their defaults) are kept in open.held_notices().
    [[nodiscard]] Status operator()(store::Declaration& open) const;

  private:
    const Clock& clock_;
    payments::InterestTable selic_;
};

}  // namespace vorn::tax
