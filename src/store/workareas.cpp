// Work areas, the opening routine with its index files, and the lock waits.
#include "store/workareas.h"

#include <cstdio>
#include <functional>
#include <stdexcept>

#include "base/text.h"
#include "store/opening.h"

namespace vorn::store {
namespace {

bool has_extension(std::string_view base) {
    return base.find('.') != std::string_view::npos;
}

std::string stem_of(std::string_view base) {
    size_t dot = base.rfind('.');
    return std::string(dot == std::string_view::npos ? base : base.substr(0, dot));
}

// The folder part of a name as the caller gave it ("" for a bare name: the current folder).
std::string folder_of(std::string_view file) {
    return file.find('/') == std::string_view::npos ? std::string() : dir_of(file);
}

bool ends_with_ignoring_case(std::string_view s, std::string_view tail) {
    return s.size() >= tail.size() && upper(s.substr(s.size() - tail.size())) == upper(tail);
}

Status open_in(WorkAreas& w, int area, const std::string& path, bool exclusive,
               const std::string& alias) {
    std::unique_ptr<Table> t;
    Status s = Table::open(w.env(), path, {exclusive, false, &w.clock()}, &t);
    if (s) w.put(area, std::move(t), alias);
    return s;
}

// Retries `attempt` every half second while a lock is in the way, with the wait shown in the
// status bar. A positive `seconds` limits the wait and lets Esc end it; 0 waits without limit
// when `zero_waits_forever`, otherwise it gives up after the first try.
bool wait_for_lock(WorkAreas& w, double seconds, bool zero_waits_forever, bool pause_first,
                   std::string_view wait_text, std::string_view fail_text,
                   const std::function<Status()>& attempt) {
    Operator& op = w.op();
    Status s = attempt();
    if (s) return true;
    if (s.code() == Status::Code::kLocked) {
        op.status(wait_text);
        const bool unlimited = seconds <= 0 && zero_waits_forever;
        double left = seconds;
        for (;;) {
            if (!unlimited && (left <= 0 || op.esc_pressed())) break;
            if (pause_first) {
                op.pause(0.5);
                left -= 0.5;
            }
            s = attempt();
            if (s) {
                op.status("");
                return true;
            }
            if (s.code() != Status::Code::kLocked) break;
            if (!pause_first) {
                op.pause(0.5);
                left -= 0.5;
            }
        }
        op.status("");
    }
    op.notice(NoticeKind::kError, "",
              s.code() == Status::Code::kLocked ? fail_text : std::string_view(s.message()));
    return false;
}

}  // namespace

std::string two_digits(int n) {
    char b[16];
    std::snprintf(b, sizeof b, "%02d", n);
    return b;
}

// ---------------------------------------------------------------------------------------------
// Work areas

Table* WorkAreas::table(int area) const {
    auto it = areas_.find(area);
    return it == areas_.end() ? nullptr : it->second.table.get();
}

Table& WorkAreas::current() const {
    Table* t = table(selected_);
    if (!t) throw std::logic_error("no table open in work area " + std::to_string(selected_));
    return *t;
}

std::string WorkAreas::alias(int area) const {
    auto it = areas_.find(area);
    return it == areas_.end() ? std::string() : it->second.alias;
}

int WorkAreas::area_of(std::string_view alias) const {
    std::string a = upper(alias);
    for (const auto& [n, area] : areas_)
        if (area.alias == a) return n;
    return 0;
}

void WorkAreas::put(int area, std::unique_ptr<Table> table, std::string alias) {
    close(area);
    areas_[area] = Area{std::move(table), upper(alias)};
}

void WorkAreas::close(int area) {
    auto it = areas_.find(area);
    if (it == areas_.end()) return;
    std::unique_ptr<Table> t = std::move(it->second.table);
    areas_.erase(it);
    Status s = t->close();
    if (!s) op_.notice(NoticeKind::kError, "", s.message());
}

void WorkAreas::close_all() {
    while (!areas_.empty()) close(areas_.begin()->first);
}

// ---------------------------------------------------------------------------------------------
// Opening

bool ABREARQ(WorkAreas& w, int area, bool exclusive, std::string_view file, std::string_view key1,
             std::string_view key2, std::string_view file2, std::string_view key3,
             std::string_view file3, int create_as) {
    Operator& op = w.op();
    Env& env = w.env();
    w.select(area);
    w.close(area);

    std::string given = trim(file);
    std::string dir = folder_of(given);
    std::string name = upper(base_of(given));
    std::string stem = stem_of(name);
    if (w.MOS_MENS) op.progress("Verificando o Arquivo " + name);
    w.last_open_failure = Status::ok();
    auto done = [&](bool result) {
        if (w.MOS_MENS) op.progress_done();
        return result;
    };
    auto unavailable = [&](const Status& s) {
        // A table in use in an incompatible mode is the caller's to report.
        if (s.code() != Status::Code::kLocked)
            op.notice(NoticeKind::kError, "", stem + ".DBF não está disponível \n" + s.message());
        w.last_open_failure = s;
        return done(false);
    };
    auto broken = [&](const Status& s) {
        op.notice(NoticeKind::kError, "", s.message());
        w.last_open_failure = s.code() == Status::Code::kLocked ? Status::io_error(s.message()) : s;
        w.close(area);
        return done(false);
    };

    std::string path = find_file(env, dir, has_extension(name) ? name : name + ".DBF");
    if (!env.exists(path) && !CRIA(w, two_digits(create_as ? create_as : area), path)) {
        op.notice(NoticeKind::kInformation, "", name + " não localizado e não criado");
        w.last_open_failure = Status::not_found(name + " não localizado e não criado");
        return done(false);
    }
    std::string alias = w.APELIDO.empty() ? stem : trim(w.APELIDO);
    Status s = open_in(w, area, path, exclusive, alias);
    if (!s) return unavailable(s);
    if (key1.empty() || !w.index_files) return done(true);

    std::string cdx1 = find_file(env, dir, stem + ".CDX");
    bool missing = !env.exists(cdx1);
    if (missing || w.REFAZ_IND) {
        // Indexes are built on the table held alone, after dropping deleted records when the
        // index is new.
        w.close(area);
        s = open_in(w, area, path, true, alias);
        if (!s) return unavailable(s);
        Table& t = *w.table(area);
        if (missing) s = t.pack();
        if (s && w.MOS_MENS) op.progress(left("Criando o indice " + stem + ".CDX", 79));
        if (s) s = w.index_files->build(t, cdx1, key1, Durability::kSynced);
        if (!s) return broken(s);
        if (!exclusive) {
            w.close(area);
            s = open_in(w, area, path, false, alias);
            if (!s) return unavailable(s);
        }
    }
    Table& t = *w.table(area);
    s = w.index_files->attach(t, cdx1, key1);
    // The second and third index files are built anew at every opening.
    std::pair<std::string_view, std::string_view> more[] = {{key2, file2}, {key3, file3}};
    const char* suffix[] = {"B", "C"};
    for (int i = 0; i < 2 && s; ++i) {
        auto [key, f] = more[i];
        if (key.empty()) continue;
        std::string g = f.empty() ? stem + suffix[i] : trim(f);
        std::string gdir = folder_of(g).empty() ? dir : folder_of(g);
        std::string gname = upper(stem_of(base_of(g))) + ".CDX";
        std::string p = find_file(env, gdir, gname);
        if (w.MOS_MENS) op.progress(left("Criando o indice " + gname, 79));
        // Built anew at the next opening too: nothing is lost if a crash takes it.
        s = w.index_files->build(t, p, key, Durability::kDeferred);
        if (s) s = w.index_files->attach(t, p, key);
    }
    if (!s) return broken(s);
    t.set_order(1);
    s = t.go_top();
    return s ? done(true) : broken(s);
}

bool NETUSE(WorkAreas& w, std::string_view file, bool exclusive) {
    std::string given = trim(file);
    std::string base = base_of(given);
    if (!has_extension(base)) given += ".DBF";
    std::string alias = upper(w.APELIDO.empty() ? stem_of(base) : trim(w.APELIDO));
    int area = w.selected();
    if (w.table(area) && w.alias(area) == alias) return true;
    std::string path = find_file(w.env(), given);
    if (!w.env().exists(path)) {
        w.op().notice(NoticeKind::kError, "", "Arquivo " + std::string(file) + " não existe!");
        return false;
    }
    Status s = open_in(w, area, path, exclusive, alias);
    if (!s && s.code() != Status::Code::kLocked) w.op().notice(NoticeKind::kError, "", s.message());
    return s.is_ok();
}

// ---------------------------------------------------------------------------------------------
// Locks

bool REC_LOCK(WorkAreas& w, double seconds) {
    Table& t = w.current();
    return wait_for_lock(w, seconds, false, false,
                         std::string(kRecLockWait) + w.alias(w.selected()), kRecLockFail,
                         [&] { return t.lock_record(); });
}

bool FIL_LOCK(WorkAreas& w, double seconds) {
    Table& t = w.current();
    return wait_for_lock(w, seconds, true, true, kFilLockWait, kFilLockFail,
                         [&] { return t.lock_table(); });
}

bool ADD_REC(WorkAreas& w, double seconds, const Record* rec) {
    Table& t = w.current();
    return wait_for_lock(w, seconds, true, true, kAddRecWait, kAddRecFail,
                         [&] { return t.append(rec); });
}

// ---------------------------------------------------------------------------------------------
// Browsing and housekeeping

long SKIPPED(WorkAreas& w, long count, bool stay_at_end) {
    Table& t = w.current();
    Status s;
    long moved = 0;
    uint32_t records = 0;
    s = t.record_count(&records);
    if (s && records == 0) return 0;
    if (s && count == 0) s = t.skip(0);
    while (s && count > 0 && moved < count) {
        s = t.skip(1);
        if (!s) break;
        if (t.eof()) {
            if (stay_at_end)
                ++moved;
            else
                s = t.skip(-1);
            break;
        }
        ++moved;
    }
    while (s && count < 0 && moved > count) {
        s = t.skip(-1);
        if (!s || t.bof()) break;
        --moved;
    }
    if (!s) w.op().notice(NoticeKind::kError, "", s.message());
    return moved;
}

Status CDX(Env& env, const std::string& dir) {
    std::vector<std::string> names;
    Status s = env.list(dir, &names);
    if (!s) return s;
    for (const auto& n : names) {
        if (!ends_with_ignoring_case(n, ".CDX")) continue;
        std::string p = join_path(dir, n);
        uint64_t size = 1;
        if (env.file_size(p, &size) && size == 0) {
            s = env.remove(p);
            if (!s) return s;
        }
    }
    return Status::ok();
}

}  // namespace vorn::store
