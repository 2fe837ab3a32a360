// The recalc batch command: recomputes declarations of a data folder as their save would and
// writes back what changed, leaving alone those open on a terminal or protected.
#include "shell/batch_options.h"
#include "shell/commands.h"

namespace vorn {

int run_recalc_command(int argc, char** argv) {
    return run_writing_command(
        "recalc", argc, argv,
        [](const BatchOptions&, tax::RecomputeRequest&) { return std::optional<std::string>(); },
        [](const tax::Recomputed& r) {
            return r.outcome == tax::Recomputed::Outcome::kSaved ? "gravada" : "inalterada";
        });
}

}  // namespace vorn
