#include "maintenance/reindex.h"

#include <memory>

#include "base/text.h"
#include "maintenance/held_tables.h"
#include "store/catalogue.h"
#include "store/dbf.h"
#include "store/declaration.h"
#include "store/opening.h"

namespace vorn::maintenance {

namespace {

using store::Env;

// The office tables purged by a rebuild, in the order they are walked.
constexpr const char* kOfficeTables[] = {
    "AGENDA",  "AUXBANCO", "AUXBENS", "AUXFON",   "AUXPAG",   "BANCOS",   "BOLETO",   "CODABENS",
    "CODBENS", "CODDIVI",  "CODEPEN", "CODNATUR", "CONFIG",   "CONTAS",   "CORES",    "DECBENS",
    "DEFINE",  "DESPESA",  "CONFIMP", "DETALH",   "ECACIDAD", "ESPOLIO",  "IDOCIDAD", "FOLHAPG",
    "HELPTXT", "HELPATXT", "LISERRO", "LISNOME",  "OCUPACAO", "OCUPACAB", "PRINTS",   "STATUS",
    "TABPAIS", "TABEMBA",  "TABMUNI", "TAB_MUNI", "TABLOGR",  "ULTANOS",  "UFIRM"};

// Files of `dir` whose upper-case name is one of `names`.
std::vector<std::string> files_named(Env& env, const std::string& dir,
                                     const std::vector<std::string>& names) {
    std::vector<std::string> listed, out;
    if (!env.list(dir, &listed)) return out;
    for (const auto& f : listed)
        for (const auto& n : names)
            if (upper(f) == upper(n)) out.push_back(store::join_path(dir, f));
    return out;
}

// Index file names of a catalogue table for this terminal, with extension.
std::vector<std::string> index_names(const store::TableDef& def, const std::string& nusu) {
    std::vector<std::string> out;
    for (const auto& ix : def.index_files(nusu))
        if (!ix.file.empty() && ix.file[0] != '=') out.push_back(ix.file + ".CDX");
    return out;
}

const store::TableDef* office_def(const std::string& name) {
    for (const auto& def : store::all_tables())
        if (def.folder == store::Folder::kInstall && upper(def.name) == name) return &def;
    return nullptr;
}

// Packs an office table held alone, its index files removed first (the next opening builds them
// from the packed records). False in *present when the table is not there.
Status purge_office_table(Env& env, const std::string& dir, const std::string& name,
                          const std::string& nusu, bool* present) {
    const std::string path = store::find_file(env, dir, name + ".DBF");
    *present = env.exists(path);
    if (!*present) return Status::ok();
    std::unique_ptr<store::Table> t;
    Status s = store::Table::open(env, path, store::OpenOptions{true}, &t);
    if (!s) return s;
    // A reference table installed read-only holds nothing this program deleted: left as it is.
    if (t->read_only()) return t->close();
    std::vector<std::string> indexes = {name + ".CDX"};
    if (const store::TableDef* def = office_def(name)) indexes = index_names(*def, nusu);
    for (const auto& f : files_named(env, dir, indexes))
        if (s) s = env.remove(f);
    if (s) s = t->pack();
    Status c = t->close();
    return s ? c : s;
}

// This terminal's temporary files of the working folder ("TMP_" … + NUSU, and its marker).
std::vector<std::string> own_temporary_files(Env& env, const std::string& work_folder,
                                             const std::string& nusu) {
    std::vector<std::string> names;
    for (int n = 1; n <= 21; ++n) {
        names.push_back(store::working_table_name(n, nusu) + ".DBF");
        names.push_back(store::working_table_name(n, nusu) + ".CDX");
    }
    names.push_back(store::working_set_marker(nusu));
    return files_named(env, work_folder, names);
}

}  // namespace

std::vector<std::string> running_terminals(Env& env, const std::string& install_dir,
                                           const std::string& nusu) {
    std::vector<std::string> listed, out;
    if (!env.list(install_dir, &listed)) return out;
    std::sort(listed.begin(), listed.end());
    for (const auto& f : listed) {
        const std::string u = upper(f);
        if (u.size() != 11 || u.compare(0, 5, "DIRET") != 0 || u.compare(7, 4, ".DBF") != 0)
            continue;
        const std::string terminal = u.substr(5, 2);
        if (terminal == nusu) continue;
        std::unique_ptr<store::Table> t;
        Status s =
            store::Table::open(env, store::join_path(install_dir, f), store::OpenOptions{true}, &t);
        if (s.code() == Status::Code::kLocked) out.push_back(terminal);
        if (s) (void)t->close();
    }
    return out;
}

Status rebuild_folder(store::WorkAreas& w, const std::string& folder, std::string* busy) {
    Env& env = w.env();
    const std::string before = w.LOCARQ;
    w.LOCARQ = folder;
    std::vector<int> tables;
    for (int n = 1; n <= 21; ++n) tables.push_back(n);
    Status s;
    {
        // Every table held alone before any index is touched: another terminal using one stops
        // the rebuild of the folder with nothing changed.
        std::vector<std::unique_ptr<store::Table>> held;
        for (int n : tables) {
            const std::string path = store::data_table_path(env, folder, n);
            if (!env.exists(path)) continue;
            std::unique_ptr<store::Table> t;
            s = store::Table::open(env, path, store::OpenOptions{true}, &t);
            if (!s) {
                if (s.code() == Status::Code::kLocked) *busy = declaration_table_file(n);
                break;
            }
            held.push_back(std::move(t));
        }
        std::vector<std::string> indexes;
        for (int n : tables)
            for (const auto& name : index_names(*store::table_def(n), w.NUSU))
                indexes.push_back(name);
        if (s)
            for (const auto& f : files_named(env, folder, indexes))
                if (s) s = env.remove(f);
        for (auto& t : held) (void)t->close();
    }
    // Opened alone again, each table drops its deleted records and builds its indexes.
    for (int n : tables) {
        if (!s) break;
        if (!store::ABERTURA(w, n, true)) s = w.last_open_failure;
        if (s.is_ok() && !w.table(n))
            s = Status::io_error(declaration_table_file(n) + " não aberto");
        w.close(n);
    }
    w.LOCARQ = before;
    return s;
}

Status reindex_all(store::WorkAreas& w, const std::vector<std::string>& folders,
                   const std::string& work_folder, ReindexResult* result) {
    *result = {};
    Env& env = w.env();
    result->terminals = running_terminals(env, w.ARQDEF, w.NUSU);
    if (!result->terminals.empty()) {
        std::string list;
        for (const auto& t : result->terminals) list += (list.empty() ? "" : ", ") + t;
        return Status::locked("Programa em uso nos terminais " + list +
                              ". Saia deles antes de reindexar.");
    }
    // This terminal's temporary files, unless they hold work a crash left unsaved.
    if (store::unfinished_work(env, work_folder, w.NUSU)) {
        result->kept_work = true;
    } else {
        for (const auto& f : own_temporary_files(env, work_folder, w.NUSU))
            if (Status s = env.remove(f); !s) return s;
    }
    for (const auto& folder : folders) {
        if (!env.is_directory(folder)) continue;
        if (Status s = rebuild_folder(w, folder, &result->busy); !s) return s;
        result->folders.push_back(folder);
    }
    for (const char* name : kOfficeTables) {
        bool present = false;
        if (Status s = purge_office_table(env, w.ARQDEF, name, w.NUSU, &present); !s)
            return Status(s.code() == Status::Code::kLocked
                              ? Status::locked(std::string(name) + ".DBF em uso em outro terminal")
                              : s);
        if (!present) result->missing_office.push_back(std::string(name) + ".DBF");
    }
    return Status::ok();
}

}  // namespace vorn::maintenance
