// The check's findings written into a data folder's notes table.
#include <chrono>
#include <memory>
#include <thread>

#include "base/text.h"
#include "maintenance/check.h"
#include "store/catalogue.h"
#include "store/cdx_index.h"
#include "store/declaration.h"

namespace vorn::maintenance {
namespace {

constexpr int kNotes = 11;

template <typename Attempt>
Status waiting(double seconds, Attempt attempt) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        Status s = attempt();
        if (s.code() != Status::Code::kLocked || std::chrono::steady_clock::now() >= until)
            return s;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

}  // namespace

std::vector<store::Record> finding_records(std::string_view cpf,
                                           const std::vector<Finding>& findings) {
    std::vector<store::Record> rows;
    const auto layout = store::table_def(kNotes)->layout;
    for (const auto& f : findings) {
        store::Record r(layout);
        r.set("CPF", cpf);
        r.set("OBSERV", f.text);
        r.set("CODERR", Decimal(f.code));
        r.set("PAGINA", Decimal(f.page));
        r.set("REGIS", Decimal(static_cast<long long>(f.record)));
        r.set("OPCIR", Decimal(f.screen));
        r.set("COLUN", Decimal(f.column));
        rows.push_back(std::move(r));
    }
    return rows;
}

Status record_findings(store::Env& env, const std::string& folder, const std::string& cpf,
                       const std::vector<Finding>& findings, const Clock* clock,
                       double wait_seconds) {
    const std::string path = store::data_table_path(env, folder, kNotes);
    if (!env.exists(path)) {
        Status s =
            store::Table::create(env, path, *store::table_def(kNotes)->layout, {}, clock, false);
        if (!s) return s;
    }
    std::unique_ptr<store::Table> t;
    store::OpenOptions o;
    o.clock = clock;
    Status s = waiting(wait_seconds, [&] { return store::Table::open(env, path, o, &t); });
    if (!s) return s;
    for (const auto& ix : store::table_def(kNotes)->index_files("")) {
        const std::string file = store::find_file(env, folder, ix.file + ".CDX");
        if (!env.exists(file)) continue;
        std::unique_ptr<store::CdxIndex> index;
        if (s = store::CdxIndex::open(*t, file, &index); !s) return s;
        t->add_index(std::move(index));
    }
    if (s = waiting(wait_seconds, [&] { return t->lock_table(); }); !s) return s;
    std::vector<store::Record> kept;
    s = store::records_of(*t, cpf, &kept, nullptr);
    if (s) {
        std::vector<store::Record> rows;
        for (auto& r : kept)
            if (r.num("CODERR").is_zero()) rows.push_back(std::move(r));
        for (auto& r : finding_records(cpf, findings)) rows.push_back(std::move(r));
        s = store::replace_records(*t, cpf, rows);
    }
    Status u = t->unlock();
    if (s) s = u;
    Status c = t->close();
    return s ? c : s;
}

}  // namespace vorn::maintenance
