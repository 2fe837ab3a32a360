#include "maintenance/held_tables.h"

#include "store/catalogue.h"
#include "store/opening.h"

namespace vorn::maintenance {

namespace {
constexpr int kRegistry = 9;
}  // namespace

std::string declaration_table_file(int n) {
    return "IMP" + std::string(n < 10 ? "0" : "") + std::to_string(n) +
           std::string(store::CANOATUAL) + ".DBF";
}

HeldTables::~HeldTables() {
    for (int n : held_) w_.close(n);
    if (!held_.empty()) (void)store::ABERTURA(w_, kRegistry);
}

Status HeldTables::take(const std::vector<int>& tables, std::string* busy) {
    for (int n : tables) {
        if (store::ABERTURA(w_, n, true)) {
            held_.push_back(n);
            continue;
        }
        const Status why = w_.last_open_failure;
        for (int k : held_) w_.close(k);
        held_.clear();
        (void)store::ABERTURA(w_, kRegistry);
        if (why.code() == Status::Code::kLocked || why.is_ok()) {
            *busy = declaration_table_file(n);
            return Status::locked(*busy + " em uso em outro terminal");
        }
        return why;
    }
    return Status::ok();
}

}  // namespace vorn::maintenance
