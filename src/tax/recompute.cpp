// The folder's declarations recomputed and written back where they changed.
#include "tax/recompute.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "base/operator.h"
#include "gains/totals.h"
#include "store/catalogue.h"
#include "store/cdx_index.h"
#include "store/declaration.h"
#include "store/declaration_rules.h"
#include "tax/annual.h"
#include "tax/folder.h"
#include "tax/leao.h"
#include "tax/open_computation.h"

namespace vorn::tax {
namespace {

using Outcome = Recomputed::Outcome;

// Retries `attempt` while it reports a lock held elsewhere, up to `seconds`.
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

// A data-folder table opened shared for writing, with the index files it has attached as they
// are, so that every write keeps them in step (a missing one is built at the next opening).
Status open_for_update(store::Env& env, const RecomputeRequest& rq, int n,
                       std::unique_ptr<store::Table>* out) {
    const std::string path = store::data_table_path(env, rq.folder, n);
    store::OpenOptions o;
    o.clock = rq.clock;
    Status s = waiting(rq.wait_seconds, [&] { return store::Table::open(env, path, o, out); });
    if (!s) return s;
    for (const auto& ix : store::table_def(n)->index_files("")) {
        const std::string file = store::find_file(env, rq.folder, ix.file + ".CDX");
        if (!env.exists(file)) continue;
        std::unique_ptr<store::CdxIndex> index;
        s = store::CdxIndex::open(**out, file, &index);
        if (!s) return s;
        (*out)->add_index(std::move(index));
    }
    return Status::ok();
}

// Makes the CPF's records of table n read before (`before`, with their record numbers) hold
// `rows`: their slots are rewritten in order, what does not fit is appended and the surplus is
// deleted. The whole table is locked meanwhile, as a terminal's save holds it.
Status write_list(store::Env& env, const RecomputeRequest& rq, int n, const std::string& cpf,
                  const std::vector<store::Record>& before,
                  const std::vector<store::Record>& rows) {
    std::unique_ptr<store::Table> t;
    Status s = open_for_update(env, rq, n, &t);
    if (!s) return s;
    s = waiting(rq.wait_seconds, [&] { return t->lock_table(); });
    std::vector<uint32_t> slots;
    for (const auto& r : before) slots.push_back(r.recno);
    std::sort(slots.begin(), slots.end());
    auto go_to_own = [&](uint32_t slot) {
        Status g = t->go_to(slot);
        if (g && t->str("CPF") != cpf)
            g = Status::corrupt(t->path() + " registro " + std::to_string(slot) +
                                " deixou de ser do CPF " + cpf);
        return g;
    };
    for (size_t k = 0; s && k < rows.size(); ++k) {
        store::Record r = rows[k];
        r.set("CPF", cpf);
        if (k < slots.size()) {
            s = go_to_own(slots[k]);
            if (s) s = t->put(r);
        } else {
            s = t->append(&r);
        }
    }
    for (size_t k = rows.size(); s && k < slots.size(); ++k) {
        s = go_to_own(slots[k]);
        if (s) s = t->delete_record();
    }
    Status u = t->unlock();
    Status c = t->close();
    return !s ? s : !u ? u : c;
}

// The save's computation of one declaration as read: the whole computation, the caps of the
// balance's values, the counters and the tax paid as the registry keeps it.
Declaration computed(const Declaration& stored, const std::vector<store::Record>& gains,
                     const RecomputeRequest& rq) {
    Declaration d = stored;
    // The totals of the capital gains and variable income as their computation stored them.
    gains::carry_totals(gains, [&](std::string_view name, Decimal v) { d.set(name, v); });
    ScriptedOperator quiet;
    Context c{d, quiet, *rq.clock, *rq.selic};
    compute_declaration(c);
    d.set("INDGAS", store::cap_INDGAS(d.num("INDGAS")));
    d.set("SALDO", store::cap_SALDO(d.num("SALDO")));
    store::store_counters(d.registry, d.summary, d.monthly, gains);
    store::store_paid_totals(d.registry, d.summary);
    return d;
}

class Run {
  public:
    Run(store::Env& env, const RecomputeRequest& rq) : env_(env), rq_(rq) {}

    // One declaration: left alone, unchanged, or written back. `stale` is set when its registry
    // record changed since it was read (a terminal saved it meanwhile): it must be read again.
    Status one(const Declaration& stored, const std::vector<store::Record>& gains, Recomputed* line,
               bool* stale) {
        *stale = false;
        const std::string cpf = stored.cpf();
        line->cpf = cpf;
        line->IMPPGRE = stored.registry.num("IMPPGRE");
        line->USAPADRAO = stored.registry.str("USAPADRAO");
        line->posted = 0;
        line->notices.clear();
        if (!stored.registry.str("NUSUAT").empty()) {
            line->outcome = Outcome::kInUse;
            line->terminal = stored.registry.str("NUSUAT");
            return Status::ok();
        }
        if (store::protected_status(stored.registry.num("ESTATUS"), rq_.STATRAVA)) {
            line->outcome = Outcome::kProtected;
            return Status::ok();
        }
        Declaration start = stored;
        if (posting()) {
            Status s = mark(stored, line, stale);
            if (!s || *stale || line->outcome == Outcome::kInUse) return s;
            ScriptedOperator told;
            Context c{start, told, *rq_.clock, *rq_.selic};
            line->posted = LANCAVAL(c, *rq_.accounts);
            // The last word is the count, which the caller prints.
            for (size_t k = 0; k + 1 < told.said.size(); ++k)
                if (told.said[k].what == "notice") line->notices.push_back(told.said[k].text);
        }
        const Declaration d = computed(start, gains, rq_);
        line->IMPPGRE = d.num("IMPPGRE");
        line->USAPADRAO = d.str("USAPADRAO");
        std::vector<int> lists;
        for (int n : kComputedLists)
            if (!same_lists(*d.list(n), *stored.list(n))) lists.push_back(n);
        if (posting() && !same_lists(d.postings, stored.postings)) lists.push_back(13);
        const bool summary =
            stored.summary.recno == 0 || !store::same_when_stored(d.summary, stored.summary);
        const bool registry = !store::same_when_stored(d.registry, stored.registry);
        // A marked declaration is always written: the write frees it.
        if (!posting() && lists.empty() && !summary && !registry) {
            line->outcome = Outcome::kUnchanged;
            return Status::ok();
        }
        return write(stored, d, lists, summary, line, stale);
    }

  private:
    bool posting() const { return rq_.accounts != nullptr; }
    // The registry's NUSUAT while the run holds the declaration.
    std::string own_mark() const { return posting() ? rq_.terminal : std::string(); }

    // Runs `with(registry, now)` on the declaration's registry record locked and read again
    // (`now`), when it is still there for the same CPF; otherwise `stale` is set.
    template <typename With>
    Status locked_registry(const Declaration& stored, bool* stale, With with) {
        std::unique_ptr<store::Table> reg;
        Status s = open_for_update(env_, rq_, 9, &reg);
        if (!s) return s;
        s = reg->go_to(stored.registry.recno);
        if (s) s = waiting(rq_.wait_seconds, [&] { return reg->lock_record(); });
        store::Record now(stored.registry.layout_ptr());
        if (s) s = reg->read(now);
        // Deleted or replaced since: read again (and left out when it is gone).
        if (s && (reg->deleted() || now.str("CPF") != stored.cpf())) *stale = true;
        if (s && !*stale) s = with(*reg, now);
        Status u = reg->unlock();
        Status c = reg->close();
        return !s ? s : !u ? u : c;
    }

    // Marks the declaration open on the run's terminal, when it is still free and as read.
    Status mark(const Declaration& stored, Recomputed* line, bool* stale) {
        return locked_registry(stored, stale, [&](store::Table& reg, store::Record& now) {
            if (!now.str("NUSUAT").empty()) {
                in_use(now, line);
                return Status::ok();
            }
            if (!store::same_when_stored(now, stored.registry)) {
                *stale = true;
                return Status::ok();
            }
            now.set("NUSUAT", rq_.terminal);
            return reg.put(now);
        });
    }

    static void in_use(const store::Record& now, Recomputed* line) {
        line->outcome = Outcome::kInUse;
        line->terminal = now.str("NUSUAT");
        line->IMPPGRE = now.num("IMPPGRE");
        line->USAPADRAO = now.str("USAPADRAO");
    }

    // The registry record is locked first and checked: as it was read, and free (or marked by
    // this run). The item tables and table 1 are written under it, the registry record last.
    Status write(const Declaration& stored, const Declaration& d, const std::vector<int>& lists,
                 bool summary, Recomputed* line, bool* stale) {
        return locked_registry(stored, stale, [&](store::Table& reg, store::Record& now) {
            const std::string mark = now.str("NUSUAT");
            if (mark != own_mark()) {
                // Taken by a terminal, or (a posting run) freed by a terminal's final save.
                if (mark.empty())
                    *stale = true;
                else
                    in_use(now, line);
                return Status::ok();
            }
            store::Record was = stored.registry;
            was.set("NUSUAT", own_mark());
            if (!store::same_when_stored(now, was)) {
                *stale = true;
                if (mark.empty()) return Status::ok();
                now.set("NUSUAT", "");  // read again from scratch: the run's mark goes
                return reg.put(now);
            }
            Status s;
            for (size_t k = 0; s && k < lists.size(); ++k)
                s = write_list(env_, rq_, lists[k], stored.cpf(), *stored.list(lists[k]),
                               *d.list(lists[k]));
            std::vector<store::Record> before;
            if (stored.summary.recno != 0) before.push_back(stored.summary);
            if (s && summary) s = write_list(env_, rq_, 1, stored.cpf(), before, {d.summary});
            if (s) s = reg.put(d.registry);
            if (s) line->outcome = Outcome::kSaved;
            return s;
        });
    }

    store::Env& env_;
    const RecomputeRequest& rq_;
};

}  // namespace

bool has_pending_postings(const Declaration& d) {
    for (const auto& p : d.postings)
        if (!p.deleted && !p.logical("LANCADO")) return true;
    return false;
}

Status recompute_folder(store::Env& env, const RecomputeRequest& rq,
                        const std::function<void(const Recomputed&)>& each) {
    FolderReader folder;
    Status s = FolderReader::read(env, rq.folder, rq.only_cpf, &folder);
    if (!s) return s;
    if (!rq.only_cpf.empty() && !folder.has(rq.only_cpf))
        return Status::not_found("CPF " + rq.only_cpf + " não encontrado na pasta " + rq.folder);
    Run run(env, rq);
    // The declarations are read one at a time: each recalculation may rewrite the tables the
    // next one is read from.
    std::vector<FolderReader::Loaded> one;
    for (size_t k = 0; k < folder.cpfs().size(); ++k) {
        const std::string& cpf = folder.cpfs()[k];
        Recomputed line;
        bool stale = true, gone = false;
        if (rq.accounts != nullptr) {  // a posting run: no postings at all, nothing to transfer
            bool any = false;
            if (s = folder.holds(k, 13, &any); !s) return s;
            if (!any) continue;
        }
        // Saved by a terminal since it was read: read again and recomputed from there.
        for (int again = 0; s && stale && again < 4; ++again) {
            s = folder.load(k, 1, &one);
            if (!s) break;
            const FolderReader::Loaded& l = one.front();
            // Deleted meanwhile; or, for a posting run, nothing (left) to transfer: none pending,
            // or transferred by a terminal meanwhile.
            gone = l.status.code() == Status::Code::kNotFound ||
                   (l.status && rq.accounts != nullptr && !has_pending_postings(l.declaration));
            if (gone) break;
            s = l.status;
            if (s) s = run.one(l.declaration, l.gains, &line, &stale);
        }
        if (!s) return s;
        if (gone) continue;
        if (stale) return Status::locked("CPF " + cpf + ": a declaração mudou durante o recálculo");
        each(line);
    }
    return Status::ok();
}

}  // namespace vorn::tax
