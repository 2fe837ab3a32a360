// Registry records of other declarations: read-only lookups through the data folders, and the
// spouse's fetch mark cleared under the record's lock.
#include "store/spouse_registry.h"

#include <chrono>
#include <memory>
#include <thread>

#include "store/catalogue.h"
#include "store/dbf.h"
#include "store/declaration.h"

namespace vorn::store {
namespace {

// The registry file of a folder; empty when the folder has none.
std::string registry_path(Env& env, std::string_view folder) {
    const std::string path = data_table_path(env, folder, 9);
    return env.exists(path) ? path : std::string();
}

// The registry at `path` opened shared and the record numbers of `cpf` in it (a scan: its indexes
// are not needed for one lookup and are left alone). The table is open when it returns, also
// after a failed scan.
Status open_with_cpf(Env& env, const std::string& path, const OpenOptions& o, std::string_view cpf,
                     std::unique_ptr<Table>* t, std::vector<uint32_t>* hits) {
    Status s = Table::open(env, path, o, t);
    return s ? records_of(**t, cpf, nullptr, hits) : s;
}

// Locks record n, trying again while another handle holds it, up to `seconds`.
Status lock_waiting(Table& t, uint32_t n, double seconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        Status s = t.lock_record(n);
        if (s.code() != Status::Code::kLocked || std::chrono::steady_clock::now() >= until)
            return s;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

}  // namespace

Status find_registry(Env& env, const std::vector<std::string>& folders, std::string_view cpf,
                     std::optional<FoundRegistry>* out) {
    out->reset();
    for (const std::string& folder : folders) {
        const std::string path = registry_path(env, folder);
        if (path.empty()) continue;
        std::unique_ptr<Table> t;
        OpenOptions o;
        o.read_only = true;
        std::vector<uint32_t> hits;
        Status s = open_with_cpf(env, path, o, cpf, &t, &hits);
        if (!t) return s;
        if (s && !hits.empty()) {
            Record r(table_def(9)->layout);
            s = t->go_to(hits.front());
            if (s) s = t->read(r);
            if (s) *out = FoundRegistry{folder, std::move(r)};
        }
        Status c = t->close();
        if (!s) return s;
        if (!c) return c;
        if (*out) return Status::ok();
    }
    return Status::ok();
}

Status clear_spouse_fetch(Env& env, const Clock* clock, std::string_view folder,
                          std::string_view cpf, std::string* in_use, double wait_seconds) {
    in_use->clear();
    const std::string path = registry_path(env, folder);
    if (path.empty())
        return Status::not_found("registro de declarações ausente em " + std::string(folder));
    std::unique_ptr<Table> t;
    OpenOptions o;
    o.clock = clock;
    std::vector<uint32_t> hits;
    Status s = open_with_cpf(env, path, o, cpf, &t, &hits);
    if (!t) return s;
    if (s && hits.empty())
        s = Status::not_found("CPF " + std::string(cpf) + " não está em " + path);
    // The lock re-reads the record: whether the declaration is open is decided on fresh data,
    // and no terminal can mark it open meanwhile.
    if (s) s = lock_waiting(*t, hits.front(), wait_seconds);
    if (s) {
        s = t->go_to(hits.front());
        if (s && t->str("CPF") != cpf)
            s = Status::not_found("CPF " + std::string(cpf) + " não está em " + path);
    }
    if (s && !t->str("NUSUAT").empty()) {
        *in_use = t->str("NUSUAT");
    } else if (s) {
        // The changed fields are in none of the registry's index keys (CPF, name, status): its
        // indexes stay as they are.
        for (const char* f : kSpouseFetchFlags)
            if (s) s = t->replace(t->field(f), "N");
        for (const char* f : kSpouseFetchValues)
            if (s) s = t->replace(t->field(f), Decimal());
    }
    Status u = t->unlock();
    Status c = t->close();
    return !s ? s : !u ? u : c;
}

}  // namespace vorn::store
