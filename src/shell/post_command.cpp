// The post batch command: transfers the postings of a data folder's declarations into them and
// saves each declaration with its postings, leaving alone those open on a terminal or protected.
#include <cstdlib>
#include <iostream>

#include "shell/batch_options.h"
#include "shell/commands.h"
#include "store/env.h"
#include "tax/folder.h"
#include "tax/leao.h"

namespace vorn {
namespace {

// The terminal number the run marks declarations with: TERMINAL when it holds two digits, else
// "00" (a terminal of the office may have its own declarations open, but none of them is taken:
// only free declarations are).
std::string run_terminal() {
    const char* t = std::getenv("TERMINAL");
    const std::string n = t != nullptr ? t : "";
    const bool two_digits =
        n.size() == 2 && n[0] >= '0' && n[0] <= '9' && n[1] >= '0' && n[1] <= '9';
    return two_digits ? n : "00";
}

}  // namespace

int run_post_command(int argc, char** argv) {
    std::vector<store::Record> accounts;
    return run_writing_command(
        "post", argc, argv,
        [&](const BatchOptions& o, tax::RecomputeRequest& rq) -> std::optional<std::string> {
            if (Status s = tax::read_accounts(store::Env::posix(), o.install, &accounts); !s)
                return "plano de contas ilegível: " + s.message();
            rq.accounts = &accounts;
            rq.terminal = run_terminal();
            return std::nullopt;
        },
        [](const tax::Recomputed& r) {
            // What the transfer told the operator goes to standard error, under the CPF.
            for (const auto& n : r.notices)
                std::cerr << "vorn2026 post: " << r.cpf << ": " << n << "\n";
            return tax::posted_text(r.posted);
        });
}

}  // namespace vorn
