#include "maintenance/backup.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <thread>

#include "base/text.h"
#include "store/catalogue.h"
#include "store/dbf.h"
#include "store/declaration.h"

namespace vorn::maintenance {

namespace {

namespace fs = std::filesystem;
using store::Env;

const std::string kYear(store::CANOATUAL);
constexpr const char* kJournal = "RESTAURA.JNL";
constexpr const char* kStaging = "RESTAURA.TMP";
constexpr double kLockWaitSeconds = 5;

std::string base_name(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string stem_of(const std::string& name) {
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string two(int n) {
    return (n < 10 ? "0" : "") + std::to_string(n);
}

std::string canonical_name(int n) {
    return "IMP" + two(n) + kYear + ".DBF";
}

// The table number a file name denotes ("IMP" + nn + year + ".DBF", any case), or 0.
int table_number(const std::string& name) {
    const std::string u = upper(name);
    if (u.size() != 11 || u.compare(0, 3, "IMP") != 0 || u.compare(5, 2, kYear) != 0 ||
        u.compare(7, 4, ".DBF") != 0 || !std::isdigit(static_cast<unsigned char>(u[3])) ||
        !std::isdigit(static_cast<unsigned char>(u[4])))
        return 0;
    const int n = (u[3] - '0') * 10 + (u[4] - '0');
    return n >= 1 && n <= 21 ? n : 0;
}

// Index files of table n in a folder, whatever their case: the CDX and, for the registry, its
// two further index files.
std::vector<std::string> index_files(Env& env, const std::string& folder, int n) {
    std::vector<std::string> wanted = {"IMP" + two(n) + kYear + ".CDX"};
    if (n == 9) {
        wanted.push_back("IMP09" + kYear + "B.CDX");
        wanted.push_back("IMP09" + kYear + "C.CDX");
    }
    std::vector<std::string> names, out;
    if (!env.list(folder, &names)) return out;
    for (const auto& name : names)
        for (const auto& w : wanted)
            if (upper(name) == w) out.push_back(store::join_path(folder, name));
    return out;
}

Status remove_indexes(Env& env, const std::string& folder, int n) {
    for (const auto& path : index_files(env, folder, n))
        if (Status s = env.remove(path); !s) return s;
    return Status::ok();
}

Status make_dir(const std::string& dir) {
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) return Status::io_error("Problemas na criação da pasta " + dir + ": " + ec.message());
    return Status::ok();
}

void remove_tree(const std::string& dir) {
    std::error_code ec;
    fs::remove_all(dir, ec);
}

// Copies a file by chunks into a new file beside `to`, synced, then renamed over `to`.
Status copy_file(Env& env, const std::string& from, const std::string& to) {
    std::unique_ptr<store::File> in, out;
    Status s = env.open(from, store::OpenFor::kRead, &in);
    if (!s) return s;
    std::string temp;
    s = env.create_temp(to, &out, &temp);
    if (!s) return s;
    std::string buf(1 << 20, '\0');
    uint64_t at = 0;
    for (size_t got = 1; s && got > 0; at += got) {
        s = in->read(at, buf.data(), buf.size(), &got);
        if (s && got > 0) s = out->write(at, std::string_view(buf.data(), got));
    }
    if (s) s = out->sync();
    out.reset();
    if (s) s = env.rename(temp, to);
    if (!s) (void)env.remove(temp);
    return s;
}

// Copies a table while holding its table lock, so that no other terminal writes it meanwhile.
Status copy_locked(Env& env, const std::string& from, const std::string& to) {
    const auto until = std::chrono::steady_clock::now() +
                       std::chrono::milliseconds(static_cast<int>(kLockWaitSeconds * 1000));
    std::unique_ptr<store::Table> t;
    Status s;
    for (;;) {
        s = store::Table::open(env, from, store::OpenOptions{}, &t);
        if (s) s = t->lock_table();
        if (s || s.code() != Status::Code::kLocked || std::chrono::steady_clock::now() >= until)
            break;
        if (t) (void)t->close();
        t.reset();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (s.code() == Status::Code::kLocked)
        return Status::locked(base_name(from) + " está sendo usado em algum terminal");
    if (s) s = copy_file(env, from, to);
    if (t) {
        Status u = t->unlock();
        Status c = t->close();
        if (s) s = u ? c : u;
    }
    return s;
}

// Runs the archiver with its report kept from the screen (it would write over the terminal's
// screen); a failure names the archiver and ends with the report's last line.
Status run_archiver(const Archiver& a, std::vector<std::string> args) {
    args.insert(args.begin(), a.program);
    std::string report;
    Status s = a.processes.capture(args, {}, &report);
    if (s) return s;
    std::string last = trim(report);
    if (const size_t nl = last.rfind('\n'); nl != std::string::npos)
        last = trim(last.substr(nl + 1));
    return Status::io_error("O compactador " + a.program + " falhou: " + s.message() +
                            (last.empty() ? "" : " (" + last + ")"));
}

// Archives `files` into `to`/`name`: a new archive beside the old one, tested, then renamed over
// it.
Status archive_files(Env& env, const Archiver& a, const std::vector<std::string>& files,
                     const std::string& to, const std::string& name, BackupResult* result) {
    const std::string archive = store::join_path(to, name);
    const std::string fresh = store::join_path(to, stem_of(name) + ".novo.zip");
    if (env.exists(fresh)) (void)env.remove(fresh);
    std::vector<std::string> args = {"a", fresh};
    args.insert(args.end(), files.begin(), files.end());
    Status s = run_archiver(a, args);
    if (s && !env.exists(fresh)) s = Status::io_error("Erro ao criar o arquivo " + archive);
    if (s) s = run_archiver(a, {"t", fresh});
    if (s) s = env.rename(fresh, archive);
    if (s) s = env.sync_dir(to);
    if (!s) {
        (void)env.remove(fresh);
        return s;
    }
    result->archive = archive;
    result->files = static_cast<int>(files.size());
    return s;
}

// ---- the restore journal

struct Swap {
    int table = 0;
    std::string staged;  // "" for a table the restore removes (none in the backup)
    std::string live;
};

struct Journal {
    std::string safety;
    std::vector<Swap> swaps;
};

std::string journal_text(const Journal& j) {
    std::string t = "SEGURANCA|" + j.safety + "\n";
    for (const auto& s : j.swaps)
        t += "TROCA|" + std::to_string(s.table) + "|" + s.staged + "|" + s.live + "\n";
    return t + "FIM\n";
}

// False for a journal cut short while it was written: its restore never began.
bool parse_journal(const std::string& text, Journal* j) {
    bool ended = false;
    size_t from = 0;
    while (from < text.size()) {
        size_t nl = text.find('\n', from);
        if (nl == std::string::npos) return false;
        const std::string line = text.substr(from, nl - from);
        from = nl + 1;
        std::vector<std::string> f;
        for (size_t a = 0, b; (b = line.find('|', a)) != std::string::npos || a <= line.size();
             a = b + 1) {
            f.push_back(line.substr(a, b == std::string::npos ? std::string::npos : b - a));
            if (b == std::string::npos) break;
        }
        if (f.size() == 2 && f[0] == "SEGURANCA") {
            j->safety = f[1];
        } else if (f.size() == 4 && f[0] == "TROCA") {
            j->swaps.push_back({std::atoi(f[1].c_str()), f[2], f[3]});
        } else if (f.size() == 1 && f[0] == "FIM") {
            ended = true;
        } else {
            return false;
        }
    }
    return ended && !j->safety.empty();
}

Status write_journal(Env& env, const std::string& folder, const Journal& j) {
    const std::string path = store::join_path(folder, kJournal);
    std::unique_ptr<store::File> f;
    std::string temp;
    Status s = env.create_temp(path, &f, &temp);
    if (!s) return s;
    s = f->write(0, journal_text(j));
    if (s) s = f->sync();
    f.reset();
    if (s) s = env.rename(temp, path);
    if (!s) (void)env.remove(temp);
    if (s) s = env.sync_dir(folder);
    return s;
}

// Moves a file into the safety folder under its own name (a name taken there gets a suffix).
Status to_safety(Env& env, const std::string& safety, const std::string& path) {
    if (Status s = make_dir(safety); !s) return s;
    std::string target = store::join_path(safety, base_name(path));
    for (int k = 2; env.exists(target); ++k)
        target = store::join_path(safety, base_name(path) + "." + std::to_string(k));
    return env.rename(path, target);
}

// Carries the journal out; every step can be done again after a crash.
Status apply(Env& env, const std::string& folder, const Journal& j, int stop_after_moves) {
    int moves = 0;
    auto moved = [&]() {
        return stop_after_moves >= 0 && ++moves >= stop_after_moves
                   ? Status::io_error("restauração interrompida")
                   : Status::ok();
    };
    const auto live_files = table_files(env, folder);
    for (const Swap& sw : j.swaps) {
        const bool arrived = sw.staged.empty() || !env.exists(sw.staged);
        if (!arrived) {
            // Every file that names the table leaves for the safety folder; the staged table
            // takes the one name.
            auto it = live_files.find(sw.table);
            if (it != live_files.end())
                for (const auto& name : it->second) {
                    const std::string path = store::join_path(folder, name);
                    if (!env.exists(path)) continue;
                    if (Status s = to_safety(env, j.safety, path); !s) return s;
                    if (Status s = moved(); !s) return s;
                }
            if (Status s = env.rename(sw.staged, sw.live); !s) return s;
            if (Status s = moved(); !s) return s;
        } else if (sw.staged.empty()) {
            auto it = live_files.find(sw.table);
            if (it != live_files.end())
                for (const auto& name : it->second) {
                    const std::string path = store::join_path(folder, name);
                    if (Status s = to_safety(env, j.safety, path); !s) return s;
                    if (Status s = moved(); !s) return s;
                }
        }
        if (Status s = remove_indexes(env, folder, sw.table); !s) return s;
    }
    if (Status s = env.sync_dir(folder); !s) return s;
    if (Status s = env.remove(store::join_path(folder, kJournal)); !s) return s;
    remove_tree(store::join_path(folder, kStaging));
    return env.sync_dir(folder);
}

std::string stamp(const DateTime& t) {
    const long h = t.seconds / 3600, m = t.seconds / 60 % 60, sec = t.seconds % 60;
    return t.date.dtos() + "-" + two(static_cast<int>(h)) + two(static_cast<int>(m)) +
           two(static_cast<int>(sec));
}

// The live tables of a folder held exclusively while they are replaced.
struct Holds {
    std::vector<std::unique_ptr<store::Table>> tables;
    ~Holds() {
        for (auto& t : tables) (void)t->close();
    }
};

Status hold_all(Env& env, const std::string& folder, Holds* holds, std::string* busy) {
    for (const auto& [n, names] : table_files(env, folder))
        for (const auto& name : names) {
            std::unique_ptr<store::Table> t;
            Status s = store::Table::open(env, store::join_path(folder, name),
                                          store::OpenOptions{true}, &t);
            if (s.code() == Status::Code::kLocked) {
                *busy = name;
                return Status::locked(name + " está sendo usado em algum terminal");
            }
            // A table that does not open is no one's to hold: the restore replaces it.
            if (s) holds->tables.push_back(std::move(t));
        }
    return Status::ok();
}

// Checks the tables staged in the staging folder and swaps them into `folder`.
Status swap_in(Env& env, const std::string& folder, const std::string& staging,
               const RestoreOptions& o, RestoreResult* r) {
    const auto staged = table_files(env, staging);
    if (staged.empty() || !staged.count(9))
        return Status::corrupt("A cópia não contém dados do VORN20" + kYear);
    for (const auto& [n, names] : staged) {
        if (names.size() > 1)
            return Status::corrupt("A cópia tem " + std::to_string(names.size()) +
                                   " arquivos da tabela " + canonical_name(n));
        std::unique_ptr<store::Table> t;
        Status s = store::Table::open(env, store::join_path(staging, names[0]),
                                      store::OpenOptions{false, true}, &t);
        if (s) s = t->close();
        if (!s) return Status::corrupt(names[0] + " da cópia não abre: " + s.message());
    }
    Journal j;
    j.safety = store::join_path(folder, "SEGURANCA-" + stamp(o.now));
    const auto live = table_files(env, folder);
    for (const auto& [n, names] : staged) {
        // The table keeps the name it has in the folder, else the program's own.
        auto it = live.find(n);
        const std::string name = it != live.end() ? it->second.front() : canonical_name(n);
        j.swaps.push_back({n, store::join_path(staging, names[0]), store::join_path(folder, name)});
        r->tables.push_back(n);
    }
    for (const auto& [n, names] : live)
        if (!staged.count(n)) j.swaps.push_back({n, "", ""});
    if (!live.empty()) r->safety = j.safety;
    if (Status s = write_journal(env, folder, j); !s) return s;
    return apply(env, folder, j, o.stop_after_moves);
}

// A fresh staging folder inside `folder`.
Status new_staging(Env& env, const std::string& folder, std::string* staging) {
    if (Status s = make_dir(folder); !s) return s;
    *staging = store::join_path(folder, kStaging);
    remove_tree(*staging);
    (void)env;
    return make_dir(*staging);
}

}  // namespace

Status send_off_site(Processes& processes, const std::string& command, const std::string& archive) {
    if (Status s = processes.run({command, archive}); !s)
        return Status::io_error("A cópia externa de " + archive + " falhou: " + s.message());
    return Status::ok();
}

std::string archive_name(bool government) {
    return std::string(government ? "RF_ZIP" : "IR_ZIP") + kYear + ".zip";
}

std::map<int, std::vector<std::string>> table_files(Env& env, const std::string& folder) {
    std::map<int, std::vector<std::string>> out;
    std::vector<std::string> names;
    if (!env.list(folder, &names)) return out;
    std::sort(names.begin(), names.end());
    for (const auto& name : names)
        if (const int n = table_number(name);
            n && !env.is_directory(store::join_path(folder, name)))
            out[n].push_back(name);
    return out;
}

Status backup_folder(Env& env, const Archiver& archiver, const std::string& folder,
                     const std::string& to, BackupResult* result) {
    *result = {};
    const auto tables = table_files(env, folder);
    if (!tables.count(9))
        return Status::not_found("A pasta " + folder + " não tem dados do VORN20" + kYear);
    if (Status s = make_dir(to); !s) return s;
    const std::string staging = store::join_path(to, stem_of(archive_name(false)) + ".TMP");
    remove_tree(staging);
    Status s = make_dir(staging);
    std::vector<std::string> files;
    for (auto it = tables.begin(); s && it != tables.end(); ++it) {
        const std::string copy = store::join_path(staging, canonical_name(it->first));
        s = copy_locked(env, store::data_table_path(env, folder, it->first), copy);
        files.push_back(copy);
    }
    if (s) s = archive_files(env, archiver, files, to, archive_name(false), result);
    remove_tree(staging);
    return s;
}

Status backup_government(Env& env, const Archiver& archiver, const std::string& folder,
                         const std::string& to, BackupResult* result) {
    *result = {};
    std::vector<std::string> names, files;
    if (Status s = env.list(folder, &names); !s) return s;
    std::sort(names.begin(), names.end());
    for (const auto& name : names) {
        const std::string path = store::join_path(folder, name);
        if (!env.is_directory(path)) files.push_back(path);
    }
    if (files.empty()) return Status::not_found("A pasta " + folder + " não tem dados da Receita");
    if (Status s = make_dir(to); !s) return s;
    return archive_files(env, archiver, files, to, archive_name(true), result);
}

Status restore_folder(Env& env, const Archiver& archiver, const std::string& from,
                      const std::string& folder, const RestoreOptions& options,
                      RestoreResult* result) {
    *result = {};
    bool pending = false;
    if (Status s = finish_restore(env, folder, &pending); !s) return s;
    const std::string archive = store::find_file(env, from, archive_name(false));
    if (!env.exists(archive))
        return Status::not_found("Não encontrado o arquivo compactado " + archive);
    Holds holds;
    if (Status s = hold_all(env, folder, &holds, &result->busy); !s) return s;
    std::string staging;
    if (Status s = new_staging(env, folder, &staging); !s) return s;
    // Without the archiver reaching the backup medium, the archive is first copied into the
    // folder; that copy, and never the backup itself, is removed afterwards.
    std::string source = archive, copy;
    Status s;
    if (options.copy_archive_first) {
        copy = store::join_path(staging, archive_name(false));
        s = copy_file(env, archive, copy);
        if (!s) s = Status::io_error("Problemas na cópia do Arquivo compactado. " + s.message());
        source = copy;
    }
    const std::string out = store::join_path(staging, "dados");
    if (s) s = make_dir(out);
    if (s) s = run_archiver(archiver, {"x", source, "-o" + out, "-aoa"});
    if (s && !copy.empty()) s = env.remove(copy);
    if (s) s = swap_in(env, folder, out, options, result);
    // A journal written means the swap is under way: its staged tables stay for the next try.
    if (!s && !env.exists(store::join_path(folder, kJournal))) remove_tree(staging);
    return s;
}

Status restore_copy(Env& env, const std::string& from, const std::string& folder,
                    const RestoreOptions& options, RestoreResult* result) {
    *result = {};
    bool pending = false;
    if (Status s = finish_restore(env, folder, &pending); !s) return s;
    const auto tables = table_files(env, from);
    if (tables.empty())
        return Status::not_found("O " + from + " não contém dados do VORN20" + kYear);
    Holds holds;
    if (Status s = hold_all(env, folder, &holds, &result->busy); !s) return s;
    std::string staging;
    if (Status s = new_staging(env, folder, &staging); !s) return s;
    const std::string out = store::join_path(staging, "dados");
    Status s = make_dir(out);
    for (auto it = tables.begin(); s && it != tables.end(); ++it)
        s = copy_file(env, store::data_table_path(env, from, it->first),
                      store::join_path(out, canonical_name(it->first)));
    if (s) s = swap_in(env, folder, out, options, result);
    if (!s && !env.exists(store::join_path(folder, kJournal))) remove_tree(staging);
    return s;
}

uint64_t free_bytes(const std::string& path) {
    std::error_code ec;
    const auto info = std::filesystem::space(path, ec);
    return ec ? 0 : info.available;
}

Status copy_folder(Env& env, const std::string& folder, const std::string& to, CopyResult* result,
                   const CopySpace* space) {
    *result = {};
    const auto tables = table_files(env, folder);
    if (!tables.count(9))
        return Status::not_found("A pasta " + folder + " não tem dados do VORN20" + kYear);
    if (Status s = make_dir(to); !s) return s;
    for (const auto& [n, names] : tables) {
        const std::string from = store::data_table_path(env, folder, n);
        const std::string dest = store::find_file(env, to, canonical_name(n));
        if (space) {
            // The copy is written beside the destination before it replaces it, so the whole
            // table must fit besides what is there.
            uint64_t needed = 0;
            if (Status s = env.file_size(from, &needed); !s) return s;
            for (uint64_t room = space->available(to); room < needed; room = space->available(to))
                if (!space->short_of(needed, room))
                    return Status::cancelled("Cópia encerrada sem terminar.");
        }
        if (Status s = copy_locked(env, from, dest); !s) return s;
        if (Status s = remove_indexes(env, to, n); !s) return s;
        uint64_t size = 0;
        if (env.file_size(dest, &size)) result->bytes += size;
        result->tables.push_back(n);
    }
    return env.sync_dir(to);
}

Status copy_government(Env& env, const std::string& from, const std::string& to,
                       GovernmentCopy* result) {
    *result = {};
    std::vector<std::string> names;
    if (Status s = env.list(from, &names); !s) return s;
    std::sort(names.begin(), names.end());
    std::vector<std::pair<std::string, int*>> files;
    for (const auto& name : names) {
        const std::string ext = upper(name.size() > 4 ? name.substr(name.size() - 4) : "");
        int* count = ext == ".DEC"                    ? &result->declarations
                     : ext == ".REC"                  ? &result->receipts
                     : ext == ".DBK" || ext == ".BAK" ? &result->copies
                                                      : nullptr;
        if (count && !env.is_directory(store::join_path(from, name)))
            files.emplace_back(name, count);
    }
    if (files.empty())
        return Status::not_found("O local escolhido não contém dados do Programa da Receita");
    if (Status s = make_dir(to); !s) return s;
    for (const auto& [name, count] : files) {
        if (Status s = copy_file(env, store::join_path(from, name), store::join_path(to, name)); !s)
            return s;
        ++*count;
    }
    return env.sync_dir(to);
}

Status restore_government(Env& env, const Archiver& archiver, const std::string& from,
                          const std::string& folder, const RestoreOptions& options,
                          RestoreResult* result) {
    *result = {};
    const std::string archive = store::find_file(env, from, archive_name(true));
    if (!env.exists(archive))
        return Status::not_found("Não encontrado o arquivo compactado " + archive);
    if (Status s = make_dir(folder); !s) return s;
    const std::string staging = store::join_path(folder, kStaging);
    remove_tree(staging);
    Status s = make_dir(staging);
    if (s) s = run_archiver(archiver, {"x", archive, "-o" + staging, "-aoa"});
    std::vector<std::string> names;
    if (s) s = env.list(staging, &names);
    const std::string safety = store::join_path(folder, "SEGURANCA-" + stamp(options.now));
    for (size_t k = 0; s && k < names.size(); ++k) {
        const std::string staged = store::join_path(staging, names[k]);
        if (env.is_directory(staged)) continue;
        const std::string live = store::join_path(folder, names[k]);
        if (env.exists(live)) {
            s = to_safety(env, safety, live);
            result->safety = safety;
        }
        if (s) s = env.rename(staged, live);
    }
    if (s) s = env.sync_dir(folder);
    remove_tree(staging);
    return s;
}

Status finish_restore(Env& env, const std::string& folder, bool* finished) {
    *finished = false;
    const std::string path = store::join_path(folder, kJournal);
    if (!env.exists(path)) return Status::ok();
    std::unique_ptr<store::File> f;
    Status s = env.open(path, store::OpenFor::kRead, &f);
    uint64_t size = 0;
    if (s) s = f->size(&size);
    std::string text(size, '\0');
    size_t got = 0;
    if (s) s = f->read(0, text.data(), text.size(), &got);
    f.reset();
    if (!s) return s;
    text.resize(got);
    Journal j;
    if (!parse_journal(text, &j)) {
        // Written only after every table was staged and checked, and renamed into place whole:
        // a journal that does not parse is not one of ours.
        return Status::corrupt(path + " ilegível: confira a pasta antes de usá-la");
    }
    *finished = true;
    return apply(env, folder, j, -1);
}

}  // namespace vorn::maintenance
