// The declaration computed again after its gains changed.
#include "entry/gains_totals.h"

#include <vector>

#include "gains/totals.h"
#include "tax/annual.h"
#include "tax/open_computation.h"

namespace vorn::entry {

void recompute_gains_totals(EditorPlace& place, bool had_gains) {
    tax::Declaration td;
    std::vector<store::Record> gains;
    Status s = tax::take_open(place.d, &td);
    if (s) s = place.d.working_records(7, &gains);
    if (!s) {
        place.op.notice(NoticeKind::kError, "", s.message());
        return;
    }
    const tax::Declaration before = td;
    auto set = [&](std::string_view name, Decimal v) { td.set(name, v); };
    if (gains.empty() && had_gains)
        gains::carry_no_totals(set);
    else
        gains::carry_totals(gains, set);
    // The computation's own messages wait for the summary screen, as on loading and saving.
    ScriptedOperator quiet;
    tax::Context c{td, quiet, place.screen.clock(), place.selic};
    tax::compute_declaration(c);
    if (s = tax::give_back(td, before, place.d); !s)
        place.op.notice(NoticeKind::kError, "", s.message());
}

}  // namespace vorn::entry
