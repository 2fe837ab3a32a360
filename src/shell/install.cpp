// Installation of the reference tables.
#include "shell/install.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <system_error>

#include "base/text.h"
#include "store/catalogue.h"
#include "store/dbf.h"
#include "store/reftables.h"

namespace vorn::shell {
namespace {

using store::Env;
using store::File;
using store::find_file;
using store::join_path;
using store::Table;

// One delivered table file with what goes with it.
struct Unit {
    const store::TableDef* def = nullptr;
    std::string name;                  // upper-case base name: "BANCOS", "ECACIDAD"
    std::vector<std::string> extras;   // companion files ("HELPTXT.DBT")
    std::vector<std::string> indexes;  // index files ("BANCOS.CDX", "BANCOSB.CDX")

    // Filled while checking, before anything is changed.
    std::unique_ptr<Table> held;      // the installed table, held exclusively until the end
    bool merge = false;               // office-maintained table already installed
    std::vector<store::Record> rows;  // its rows after the merge
    size_t added = 0;
};

std::vector<Unit> delivered_units() {
    std::vector<Unit> out;
    for (int n : store::delivered_tables()) {
        const store::TableDef* t = store::table_def(n);
        std::vector<std::string> names = {t->name};
        if (!t->name_for_option44.empty()) names.push_back(t->name_for_option44);
        for (const std::string& name : names) {
            Unit u;
            u.def = t;
            u.name = upper(name);
            if (t->has_memo) u.extras.push_back(u.name + ".DBT");
            for (const store::IndexDef& ix : t->index_files(""))
                if (name == t->name) u.indexes.push_back(upper(ix.file) + ".CDX");
            out.push_back(std::move(u));
        }
    }
    return out;
}

Status read_whole(Env& env, const std::string& path, std::string* out) {
    std::unique_ptr<File> f;
    Status s = env.open(path, store::OpenFor::kRead, &f);
    uint64_t size = 0;
    if (s) s = f->size(&size);
    if (!s) return s;
    out->assign(size, '\0');
    size_t got = 0;
    s = f->read(0, out->data(), size, &got);
    if (s && got != size) s = Status::io_error(path + ": leitura incompleta");
    return s;
}

// Copies `from` into a new temporary file beside `near`; *temp receives its name.
Status copy_beside(Env& env, const std::string& from, const std::string& near, std::string* temp) {
    std::string data;
    Status s = read_whole(env, from, &data);
    if (!s) return s;
    std::unique_ptr<File> out;
    s = env.create_temp(near, &out, temp);
    if (!s) return s;
    s = out->write(0, data);
    if (s) s = out->sync();
    if (!s) (void)env.remove(*temp);
    return s;
}

// The installed rows of an office-maintained table and the delivered rows whose key they lack.
// Rows the office deleted keep their key taken, so a deleted account does not come back.
Status merge_rows(Table& installed, Table& delivered, Unit& u) {
    const store::TableDef& t = *u.def;
    const std::string key = t.indexes.at(0).key;  // a plain field name for these tables
    std::set<std::string> taken;
    std::vector<store::Record> rows;
    uint32_t count = 0;
    Status s = installed.record_count(&count);
    for (uint32_t n = 1; s && n <= count; ++n) {
        s = installed.go_to(n);
        if (!s) break;
        store::Record r(t.layout);
        s = installed.read(r);
        if (!s) break;
        taken.insert(r.str(key));
        if (!installed.deleted()) rows.push_back(std::move(r));
    }
    if (!s) return s;
    s = delivered.go_top();
    while (s && !delivered.eof()) {
        store::Record r(t.layout);
        s = delivered.read(r);
        if (!s) break;
        if (!taken.count(r.str(key))) {
            rows.push_back(std::move(r));
            ++u.added;
        }
        s = delivered.skip();
    }
    if (!s) return s;
    std::stable_sort(rows.begin(), rows.end(), [&](const store::Record& a, const store::Record& b) {
        return a.str(key) < b.str(key);
    });
    u.rows = std::move(rows);
    return Status::ok();
}

// Checks one unit and prepares it; changes nothing.
Status prepare(Env& env, const std::string& source, const std::string& target, Unit& u) {
    if (!env.exists(join_path(source, u.name + ".DBF")))
        return Status::not_found("A tabela " + u.name + ".DBF não foi gerada em " + source);
    for (const std::string& f : u.extras)
        if (!env.exists(join_path(source, f)))
            return Status::not_found("O arquivo " + f + " não foi gerado em " + source);

    std::string installed = find_file(env, target, u.name + ".DBF");
    if (!env.exists(installed)) return Status::ok();
    store::OpenOptions exclusive;
    exclusive.exclusive = true;
    Status s = Table::open(env, installed, exclusive, &u.held);
    if (s.code() == Status::Code::kLocked)
        return Status::locked("A tabela " + u.name +
                              ".DBF está aberta em algum terminal. Feche o "
                              "programa em todos os terminais e instale de novo.");
    if (!store::office_maintained(u.def->number)) return Status::ok();  // replaced whatever it is
    if (!s) return s;  // the office's rows cannot be read: better stop than lose them
    std::unique_ptr<Table> delivered;
    store::OpenOptions read_only;
    read_only.read_only = true;
    s = Table::open(env, join_path(source, u.name + ".DBF"), read_only, &delivered);
    if (s) s = merge_rows(*u.held, *delivered, u);
    u.merge = true;
    return s;
}

Status remove_indexes(Env& env, const std::string& target, const Unit& u) {
    for (const std::string& f : u.indexes) {
        std::string path = find_file(env, target, f);
        if (env.exists(path)) {
            Status s = env.remove(path);
            if (!s) return s;
        }
    }
    return Status::ok();
}

// Puts a delivered file in place of its installed namesake (whatever case that one has).
Status put_file(Env& env, const std::string& source, const std::string& target,
                const std::string& name) {
    std::string dest = find_file(env, target, name);
    std::string temp;
    Status s = copy_beside(env, join_path(source, name), dest, &temp);
    if (!s) return s;
    s = env.rename(temp, dest);
    if (!s) (void)env.remove(temp);
    return s;
}

Status apply(Env& env, const std::string& source, const std::string& target, Unit& u,
             const Clock* clock) {
    std::string dbf = find_file(env, target, u.name + ".DBF");
    Status s = remove_indexes(env, target, u);
    if (!s) return s;
    if (u.merge) {
        // The delivered indexes describe the delivered rows: the merged table gets its own.
        s = Table::create(env, dbf, *u.def->layout, u.rows, clock, true);
        if (s) s = store::build_reference_indexes(env, dbf, u.def->number);
        return s;
    }
    // The table goes first when it has companions, so that a half-done replacement leaves no
    // table pointing into another version's memo file.
    if (!u.extras.empty() && env.exists(dbf)) s = env.remove(dbf);
    for (const std::string& f : u.extras)
        if (s) s = put_file(env, source, target, f);
    if (s) s = put_file(env, source, target, u.name + ".DBF");
    for (const std::string& f : u.indexes)
        if (s && env.exists(join_path(source, f))) s = put_file(env, source, target, f);
    return s;
}

}  // namespace

std::string default_install_dir() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && *xdg == '/') return join_path(xdg, "vorn2026");
    const char* home = std::getenv("HOME");
    return join_path(join_path(home && *home ? home : ".", ".local/share"), "vorn2026");
}

std::string reference_source_dir() {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return "ref";
    return (exe.parent_path() / "ref").string();
}

Status install_reference_tables(Env& env, const std::string& source, const std::string& target,
                                const Clock* clock, std::vector<std::string>* report) {
    if (!env.is_directory(target)) return Status::not_found("A pasta " + target + " não existe");
    std::vector<Unit> units = delivered_units();
    for (Unit& u : units) {
        Status s = prepare(env, source, target, u);
        if (!s) return s;
    }
    for (Unit& u : units) {
        Status s = apply(env, source, target, u, clock);
        if (!s) return s;
        if (u.merge)
            report->push_back(
                u.name + ".DBF mantida com os dados do escritório" +
                (u.added ? ", acrescentadas " + std::to_string(u.added) + " linhas" : ""));
        else
            report->push_back(u.name + ".DBF instalada");
    }
    for (Unit& u : units)
        if (u.held) {
            Status s = u.held->close();
            if (!s) return s;
        }
    return env.sync_dir(target);
}

int run_install(const std::vector<std::string>& args) {
    if (args.size() > 2) {
        std::fprintf(stderr, "uso: vorn2026 install [PASTA]\n");
        return 2;
    }
    std::string target = args.size() == 2 ? args[1] : default_install_dir();
    std::error_code ec;
    std::filesystem::create_directories(target, ec);
    if (ec) {
        std::fprintf(stderr, "Não foi possível criar a pasta %s: %s\n", target.c_str(),
                     ec.message().c_str());
        return 1;
    }
    std::vector<std::string> report;
    Status s =
        install_reference_tables(Env::posix(), reference_source_dir(), target, nullptr, &report);
    for (const std::string& line : report) std::printf("%s\n", line.c_str());
    if (!s) {
        std::fprintf(stderr, "Instalação não concluída: %s\n", s.message().c_str());
        return 1;
    }
    std::printf("Tabelas de referência instaladas em %s\n", target.c_str());
    return 0;
}

}  // namespace vorn::shell
