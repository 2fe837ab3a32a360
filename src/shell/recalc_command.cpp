// The recalc batch command: recomputes declarations of a data folder as their save would and
// writes back what changed, leaving alone those open on a terminal or protected.
#include <iostream>
#include <memory>
#include <string>

#include "shell/batch_options.h"
#include "shell/commands.h"
#include "store/catalogue.h"
#include "store/dbf.h"
#include "store/env.h"
#include "tax/recompute.h"

namespace vorn {
namespace {

int fail(const std::string& message) {
    std::cerr << "vorn2026 recalc: " << message << "\n";
    return 1;
}

// The office's protected status (DEFINE.STATRAVA of the installation); 0 when the installation
// has no office record. A record that exists but cannot be read stops the command: guessing
// would write declarations the office protected.
Status protected_status_of(store::Env& env, const std::string& install, long* status) {
    *status = 0;
    const std::string path =
        store::find_file(env, install, store::table_def(43)->file_base("") + ".DBF");
    if (!env.exists(path)) return Status::ok();
    std::unique_ptr<store::Table> t;
    store::OpenOptions o;
    o.read_only = true;
    Status s = store::Table::open(env, path, o, &t);
    if (s) s = t->go_top();
    if (s && !t->eof() && t->layout().find("STATRAVA") >= 0) *status = t->num("STATRAVA").whole();
    Status c = t ? t->close() : Status::ok();
    return s ? c : s;
}

std::string outcome_text(const tax::Recomputed& r) {
    switch (r.outcome) {
        case tax::Recomputed::Outcome::kUnchanged:
            return "inalterada";
        case tax::Recomputed::Outcome::kSaved:
            return "gravada";
        case tax::Recomputed::Outcome::kInUse:
            return "em uso no terminal " + r.terminal;
        case tax::Recomputed::Outcome::kProtected:
            return "protegida";
    }
    return {};
}

}  // namespace

int run_recalc_command(int argc, char** argv) {
    BatchOptions o;
    if (auto error = parse_batch_options(argc, argv, &o)) return fail(*error);
    store::Env& env = store::Env::posix();
    if (!env.is_directory(o.folder)) return fail("pasta não encontrada: " + o.folder);

    const BatchContext context(o, "recalc");

    tax::RecomputeRequest rq;
    rq.folder = o.folder;
    rq.only_cpf = o.cpf;
    if (Status s = protected_status_of(env, o.install, &rq.STATRAVA); !s)
        return fail("status de proteção ilegível: " + s.message());
    rq.clock = &context.clock();
    rq.selic = &context.selic();
    bool skipped = false;
    Status s = tax::recompute_folder(env, rq, [&](const tax::Recomputed& r) {
        using Outcome = tax::Recomputed::Outcome;
        skipped = skipped || r.outcome == Outcome::kInUse || r.outcome == Outcome::kProtected;
        std::cout << r.cpf << " IMPPGRE=" << r.IMPPGRE.to_string(2) << " USAPADRAO=" << r.USAPADRAO
                  << " " << outcome_text(r) << "\n";
    });
    std::cout << std::flush;
    if (!s) return fail(s.message());
    if (!std::cout) return fail("erro ao escrever a saída");
    return skipped ? 4 : 0;
}

}  // namespace vorn
