// The computation run over an open declaration's working set.
#include "tax/open_computation.h"

#include "base/operator.h"
#include "tax/annual.h"

namespace vorn::tax {

bool same_lists(const std::vector<store::Record>& a, const std::vector<store::Record>& b) {
    if (a.size() != b.size()) return false;
    for (size_t k = 0; k < a.size(); ++k)
        if (!store::same_when_stored(a[k], b[k])) return false;
    return true;
}

Status take_open(store::Declaration& open, Declaration* d) {
    d->summary = open.values().summary();
    d->registry = open.values().registry();
    for (int n : kComputedLists) {
        Status s = open.working_records(n, d->list(n));
        if (!s) return s;
    }
    return Status::ok();
}

Status give_back(const Declaration& d, const Declaration& before, store::Declaration& open) {
    open.values().take(d.registry, d.summary);
    for (int n : kChangedLists) {
        if (same_lists(*d.list(n), *before.list(n))) continue;
        Status s = open.replace_working(n, *d.list(n));
        if (!s) return s;
    }
    return Status::ok();
}

Status OpenComputation::operator()(store::Declaration& open) const {
    Declaration d;
    if (Status s = take_open(open, &d); !s) return s;
    const Declaration before = d;

    ScriptedOperator quiet;
    Context c{d, quiet, clock_, selic_};
    compute_declaration(c);

    if (Status s = give_back(d, before, open); !s) return s;
    auto& notes = open.held_notices();
    notes.clear();
    for (const auto& said : quiet.said)
        if (said.what == "notice" || said.what == "yes_no" || said.what == "choose")
            notes.push_back(said.text);
    return Status::ok();
}

}  // namespace vorn::tax
