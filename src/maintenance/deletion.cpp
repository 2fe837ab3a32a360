#include "maintenance/deletion.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "base/text.h"
#include "maintenance/held_tables.h"
#include "store/catalogue.h"
#include "store/declaration.h"
#include "store/opening.h"

namespace vorn::maintenance {

namespace {

using store::Table;

constexpr int kRegistry = 9;

std::vector<std::string> split(std::string_view t, char sep) {
    std::vector<std::string> out;
    size_t from = 0;
    for (size_t at; (at = t.find(sep, from)) != std::string_view::npos; from = at + 1)
        out.emplace_back(t.substr(from, at - from));
    out.emplace_back(t.substr(from));
    return out;
}

std::string two(int n) {
    return (n < 10 ? "0" : "") + std::to_string(n);
}

// FNV-1a over a record's bytes after its deletion flag: what says that a record is still the one
// the log names.
std::string fingerprint(std::string_view row) {
    uint64_t h = 1469598103934665603ull;
    for (size_t i = 1; i < row.size(); ++i) {
        h ^= static_cast<unsigned char>(row[i]);
        h *= 1099511628211ull;
    }
    static const char* const kHex = "0123456789abcdef";
    std::string out(16, '0');
    for (int i = 15; i >= 0; --i, h >>= 4) out[static_cast<size_t>(i)] = kHex[h & 15];
    return out;
}

// One record a deletion marked.
struct Marked {
    int table = 0;
    uint32_t recno = 0;
    std::string print;
};

// One deletion of one CPF, as the log keeps it.
struct Entry {
    long seq = 0;
    DeletionKind kind = DeletionKind::kWhole;
    DateTime when;
    std::string terminal, cpf;
    std::vector<Marked> records;
    bool finished = false;
};

// ---- the log

std::string log_path(store::WorkAreas& w) {
    return store::find_file(w.env(), w.LOCARQ, deletion_log_name());
}

Status read_log_text(store::Env& env, const std::string& path, std::string* text) {
    text->clear();
    if (!env.exists(path)) return Status::ok();
    std::unique_ptr<store::File> f;
    Status s = env.open(path, store::OpenFor::kRead, &f);
    uint64_t size = 0;
    if (s) s = f->size(&size);
    if (!s) return s;
    text->resize(size);
    size_t got = 0;
    s = f->read(0, text->data(), text->size(), &got);
    text->resize(got);
    return s;
}

bool to_long(std::string_view t, long* out) {
    auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), *out);
    return ec == std::errc() && p == t.data() + t.size() && !t.empty();
}

// The entries of the log, in the order written. Lines that do not parse (a line cut short by a
// crash while it was written) are skipped: their deletion never began.
std::vector<Entry> parse_log(std::string_view text) {
    std::vector<Entry> entries;
    std::map<long, size_t> by_seq;
    for (const std::string& line : split(text, '\n')) {
        const std::vector<std::string> f = split(line, '|');
        long seq = 0;
        if (f.size() == 2 && f[0] == "FEITO" && to_long(f[1], &seq)) {
            if (auto it = by_seq.find(seq); it != by_seq.end()) entries[it->second].finished = true;
            continue;
        }
        if (f.size() != 8 || f[0] != "EXCLUI" || !to_long(f[1], &seq) ||
            (f[2] != "T" && f[2] != "R"))
            continue;
        Entry e;
        e.seq = seq;
        e.kind = f[2] == "T" ? DeletionKind::kWhole : DeletionKind::kRural;
        const std::optional<Date> day = Date::from_dtos(f[3]);
        long secs = 0;
        if (!day || !to_long(f[4], &secs)) continue;
        e.when.date = *day;
        e.when.seconds = secs;
        e.terminal = f[5];
        e.cpf = f[6];
        bool ok = true;
        for (const std::string& item : split(f[7], ' ')) {
            if (item.empty()) continue;
            const std::vector<std::string> p = split(item, ':');
            long table = 0, recno = 0;
            if (p.size() != 3 || !to_long(p[0], &table) || !to_long(p[1], &recno) ||
                p[2].size() != 16) {
                ok = false;
                break;
            }
            e.records.push_back({static_cast<int>(table), static_cast<uint32_t>(recno), p[2]});
        }
        if (!ok) continue;
        by_seq[seq] = entries.size();
        entries.push_back(std::move(e));
    }
    return entries;
}

// Appends lines to the log and forces them to the disk before the caller touches any table.
Status append_log(store::WorkAreas& w, std::string_view lines) {
    store::Env& env = w.env();
    const std::string path = log_path(w);
    if (!env.exists(path)) {
        std::unique_ptr<store::File> f;
        std::string temp;
        Status s = env.create_temp(path, &f, &temp);
        if (!s) return s;
        s = f->write(0, lines);
        if (s) s = f->sync();
        f.reset();
        bool existed = false;
        if (s) s = env.rename_new(temp, path, &existed);
        if (!s || existed) (void)env.remove(temp);
        if (!s) return s;
        if (!existed) return env.sync_dir(w.LOCARQ);
    }
    std::unique_ptr<store::File> f;
    Status s = env.open(path, store::OpenFor::kReadWrite, &f);
    uint64_t size = 0;
    if (s) s = f->size(&size);
    if (s) s = f->write(size, lines);
    if (s) s = f->sync();
    return s;
}

std::string entry_line(const Entry& e) {
    std::string out = "EXCLUI|" + std::to_string(e.seq) + "|" +
                      (e.kind == DeletionKind::kWhole ? "T" : "R") + "|" + e.when.date.dtos() +
                      "|" + std::to_string(e.when.seconds) + "|" + e.terminal + "|" + e.cpf + "|";
    for (size_t i = 0; i < e.records.size(); ++i) {
        if (i) out += ' ';
        out += two(e.records[i].table) + ":" + std::to_string(e.records[i].recno) + ":" +
               e.records[i].print;
    }
    return out + "\n";
}

// ---- holding the tables

std::vector<int> with_registry(std::vector<int> tables) {
    tables.push_back(kRegistry);
    return tables;
}

// The live records of the CPFs in table `n`, per CPF, with their fingerprints.
Status live_records(Table& t, int n, const std::set<std::string>& cpfs,
                    std::map<std::string, std::vector<Marked>>* out) {
    const store::Field f = t.field("CPF");
    return t.scan_rows([&](uint32_t recno, std::string_view row) {
        if (row.empty() || row[0] == '*') return;
        std::string cpf = trim(Table::field_bytes(row, f));
        if (cpfs.count(cpf)) (*out)[cpf].push_back({n, recno, fingerprint(row)});
    });
}

// Whether record `m` is still the record the log names, and still deleted.
Status still_there(Table& t, const Marked& m, bool* yes) {
    uint32_t count = 0;
    Status s = t.record_count(&count);
    *yes = false;
    if (!s || m.recno == 0 || m.recno > count) return s;
    s = t.go_to(m.recno);
    if (!s || t.eof()) return s;
    *yes = t.deleted() && fingerprint(t.bytes()) == m.print;
    return Status::ok();
}

Status flush_all(HeldTables& held, const std::vector<int>& tables) {
    for (int n : tables)
        if (Status s = held.table(n).flush(); !s) return s;
    return Status::ok();
}

}  // namespace

std::vector<int> deletion_tables(DeletionKind kind) {
    std::vector<int> t;
    if (kind == DeletionKind::kRural) return {15, 16, 17, 18, 19, 21};
    for (int n = 1; n <= 21; ++n)
        if (n != kRegistry) t.push_back(n);
    return t;
}

std::string deletion_log_name() {
    return "EXCLUI" + std::string(store::CANOATUAL) + ".LOG";
}

Status delete_declarations(store::WorkAreas& w, const std::vector<std::string>& cpfs,
                           DeletionKind kind, DeletionResult* result) {
    *result = {};
    const std::vector<int> tables = deletion_tables(kind);
    HeldTables held(w);
    if (Status s = held.take(with_registry(tables), &result->busy); !s) return s;

    const std::set<std::string> wanted(cpfs.begin(), cpfs.end());
    std::map<std::string, std::vector<Marked>> found;
    for (int n : tables)
        if (Status s = live_records(held.table(n), n, wanted, &found); !s) return s;
    std::map<std::string, std::vector<Marked>> registry;
    if (Status s = live_records(held.table(kRegistry), kRegistry, wanted, &registry); !s) return s;

    std::string text;
    if (Status s = read_log_text(w.env(), log_path(w), &text); !s) return s;
    long seq = 0;
    for (const Entry& e : parse_log(text)) seq = std::max(seq, e.seq);

    w.op().progress(kind == DeletionKind::kWhole ? "Excluindo os dados..."
                                                 : "Excluindo os dados da Atividade Rural...");
    Status s;
    for (const std::string& cpf : cpfs) {
        if (!registry.count(cpf)) continue;  // not in this folder (or deleted meanwhile)
        Entry e;
        e.seq = ++seq;
        e.kind = kind;
        e.when = w.clock().now();
        e.terminal = w.NUSU;
        e.cpf = cpf;
        e.records = found[cpf];
        // The registry record is the last one marked and the first one recalled.
        if (kind == DeletionKind::kWhole)
            e.records.insert(e.records.end(), registry[cpf].begin(), registry[cpf].end());
        s = append_log(w, entry_line(e));
        for (size_t k = 0; s && k < e.records.size(); ++k) {
            Table& t = held.table(e.records[k].table);
            s = t.go_to(e.records[k].recno);
            if (s) s = t.delete_record();
        }
        if (s && kind == DeletionKind::kRural) {
            Table& reg = held.table(kRegistry);
            for (const Marked& m : registry[cpf]) {
                s = reg.go_to(m.recno);
                if (s) s = reg.replace(reg.field("TEMRURAL"), "N");
                if (s) s = reg.replace(reg.field("ATV_BRASIL"), "");
                if (!s) break;
            }
        }
        if (s) s = flush_all(held, with_registry(tables));
        if (s) s = append_log(w, "FEITO|" + std::to_string(e.seq) + "\n");
        if (!s) break;
        result->done.push_back(cpf);
    }
    w.op().progress_done();
    return s;
}

namespace {

// Each CPF's latest finished whole deletion, with the unfinished attempts of the same CPF since
// its previous finished one (a deletion cut short by a crash marked some of its records).
std::map<std::string, Entry> latest_deletions(const std::vector<Entry>& log) {
    std::map<std::string, Entry> latest;
    std::map<std::string, std::vector<Marked>> pending;
    for (const Entry& e : log) {
        if (e.kind != DeletionKind::kWhole) continue;
        std::vector<Marked>& p = pending[e.cpf];
        p.insert(p.end(), e.records.begin(), e.records.end());
        if (!e.finished) continue;
        Entry merged = e;
        merged.records = std::move(p);
        p.clear();
        latest[e.cpf] = std::move(merged);
    }
    return latest;
}

Status live_cpfs(Table& reg, std::set<std::string>* out) {
    const store::Field f = reg.field("CPF");
    return reg.scan_rows([&](uint32_t, std::string_view row) {
        if (!row.empty() && row[0] != '*') out->insert(trim(Table::field_bytes(row, f)));
    });
}

// The deleted registry record of a deletion that still matches the log; 0 when none does.
Status registry_record(Table& reg, const Entry& e, uint32_t* recno) {
    *recno = 0;
    for (const Marked& m : e.records) {
        if (m.table != kRegistry) continue;
        bool there = false;
        if (Status s = still_there(reg, m, &there); !s) return s;
        if (there) *recno = m.recno;
    }
    return Status::ok();
}

}  // namespace

Status recoverable_declarations(store::WorkAreas& w, std::vector<Recoverable>* out) {
    out->clear();
    std::string text;
    if (Status s = read_log_text(w.env(), log_path(w), &text); !s) return s;
    const std::map<std::string, Entry> latest = latest_deletions(parse_log(text));
    if (latest.empty()) return Status::ok();
    Table* reg = w.table(kRegistry);
    if (!reg && !store::ABERTURA(w, kRegistry)) return w.last_open_failure;
    reg = w.table(kRegistry);
    if (!reg) return Status::not_found(declaration_table_file(kRegistry) + " não aberto");
    std::set<std::string> live;
    if (Status s = live_cpfs(*reg, &live); !s) return s;
    const uint32_t here = reg->recno();
    for (const auto& [cpf, e] : latest) {
        if (live.count(cpf)) continue;
        uint32_t recno = 0;
        if (Status s = registry_record(*reg, e, &recno); !s) return s;
        if (recno == 0) continue;
        out->push_back({cpf, reg->str("NOMECONTR"), e.when, e.terminal});
    }
    if (here) (void)reg->go_to(here);
    return Status::ok();
}

Status recover_declarations(store::WorkAreas& w, const std::vector<std::string>& cpfs,
                            RecoveryResult* result) {
    *result = {};
    const std::vector<int> tables = deletion_tables(DeletionKind::kWhole);
    HeldTables held(w);
    if (Status s = held.take(with_registry(tables), &result->busy); !s) return s;

    std::string text;
    if (Status s = read_log_text(w.env(), log_path(w), &text); !s) return s;
    const std::map<std::string, Entry> latest = latest_deletions(parse_log(text));
    Table& reg = held.table(kRegistry);
    std::set<std::string> live;
    if (Status s = live_cpfs(reg, &live); !s) return s;

    std::vector<std::string> wanted = cpfs;
    if (wanted.empty())
        for (const auto& [cpf, e] : latest) wanted.push_back(cpf);

    w.op().progress("Recuperando os dados...");
    Status s;
    for (const std::string& cpf : wanted) {
        auto it = latest.find(cpf);
        if (it == latest.end()) continue;
        if (live.count(cpf)) {
            result->exists_again.push_back(cpf);
            continue;
        }
        uint32_t reg_recno = 0;
        s = registry_record(reg, it->second, &reg_recno);
        if (!s) break;
        if (reg_recno == 0) continue;  // packed or overwritten since: nothing to bring back
        // The declaration's records first, its registry record last: until that one is back the
        // CPF stays recoverable, and a rerun recalls what a crash left deleted.
        for (const Marked& m : it->second.records) {
            if (m.table == kRegistry) continue;
            Table& t = held.table(m.table);
            bool there = false;
            s = still_there(t, m, &there);
            if (s && there) s = t.recall();
            if (!s) break;
        }
        if (s) s = flush_all(held, tables);
        if (s) s = reg.go_to(reg_recno);
        if (s) s = reg.recall();
        if (s) s = reg.flush();
        if (s) {
            const DateTime now = w.clock().now();
            s = append_log(w, "RECUPERA|" + std::to_string(it->second.seq) + "|" + now.date.dtos() +
                                  "|" + std::to_string(now.seconds) + "|" + w.NUSU + "|" + cpf +
                                  "\n");
        }
        if (!s) break;
        live.insert(cpf);
        result->recovered.push_back(cpf);
    }
    w.op().progress_done();
    return s;
}

}  // namespace vorn::maintenance
