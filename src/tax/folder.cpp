// Read-only loading of a data folder's declarations.
#include "tax/folder.h"

#include "store/catalogue.h"
#include "store/dbf.h"

namespace vorn::tax {
namespace {

// The item tables a declaration's computation reads, and the gains its save counts.
constexpr int kLists[] = {2, 3, 4, 5, 6, 7, 12, 13};

std::string table_file(int number) {
    return store::table_def(number)->file_base("") + ".DBF";
}

// The layout records of a table are read into: the file's own when it holds every field of the
// wanted layout with the same type (reading is then direct), else the wanted one, filled by name.
std::shared_ptr<const store::Layout> reading_layout(
    const store::Table& t, const std::shared_ptr<const store::Layout>& wanted) {
    if (!wanted) return t.layout_ptr();
    for (const auto& f : wanted->fields()) {
        const int i = t.layout().find(f.name);
        if (i < 0 || t.layout()[static_cast<size_t>(i)].type != f.type) return wanted;
    }
    return t.layout_ptr();
}

// Calls `take(cpf, record)` for every live record of a table, read into `layout` (the file's own
// when null); a missing file is an empty table unless `required`.
template <typename Take>
Status scan(store::Env& env, const std::string& path,
            const std::shared_ptr<const store::Layout>& layout, const std::string& only_cpf,
            bool required, Take take) {
    if (!env.exists(path))
        return required ? Status::not_found(path + " não localizado") : Status::ok();
    std::unique_ptr<store::Table> t;
    store::OpenOptions opt;
    opt.read_only = true;
    Status s = store::Table::open(env, path, opt, &t);
    if (!s) return s;
    const store::Field* cpf_field = nullptr;
    store::Field f;
    if (t->layout().find("CPF") >= 0) {
        f = t->field("CPF");
        cpf_field = &f;
    }
    const std::shared_ptr<const store::Layout> into = reading_layout(*t, layout);
    for (s = t->go_top(); s && !t->eof(); s = t->skip()) {
        const std::string cpf = cpf_field ? t->str(*cpf_field) : std::string();
        if (!only_cpf.empty() && cpf != only_cpf) continue;
        store::Record rec(into);
        Status r = t->read(rec);
        if (!r)
            return Status::corrupt(path + " registro " + std::to_string(t->recno()) + ": " +
                                   r.message());
        rec.recno = t->recno();
        take(cpf, std::move(rec));
    }
    if (!s) return s;
    return t->close();
}

}  // namespace

Status FolderReader::read(store::Env& env, const std::string& folder, const std::string& only_cpf,
                          FolderReader* out) {
    if (!env.is_directory(folder)) return Status::not_found("pasta não encontrada: " + folder);
    FolderReader r;
    auto path = [&](int n) { return store::find_file(env, folder, table_file(n)); };
    Status s = scan(env, path(9), store::table_def(9)->layout, only_cpf, true,
                    [&](const std::string& cpf, store::Record rec) {
                        if (cpf.empty() || r.registry_.count(cpf)) return;
                        r.cpfs_.push_back(cpf);
                        r.registry_.emplace(cpf, std::move(rec));
                    });
    if (!s) return s;
    s = scan(env, path(1), store::table_def(1)->layout, only_cpf, false,
             [&](const std::string& cpf, store::Record rec) {
                 r.summary_.emplace(cpf, std::move(rec));
             });
    if (!s) return s;
    for (int n : kLists) {
        auto& by_cpf = r.lists_[n];
        s = scan(env, path(n), store::table_def(n)->layout, only_cpf, false,
                 [&](const std::string& cpf, store::Record rec) {
                     if (r.registry_.count(cpf)) by_cpf[cpf].push_back(std::move(rec));
                 });
        if (!s) return s;
    }
    *out = std::move(r);
    return Status::ok();
}

Declaration FolderReader::declaration(const std::string& cpf) const {
    Declaration d = Declaration::blank(cpf);
    d.registry = registry_.at(cpf);
    if (auto it = summary_.find(cpf); it != summary_.end()) d.summary = it->second;
    for (int n : kLists)
        if (auto* list = d.list(n)) *list = records(n, cpf);
    return d;
}

std::vector<store::Record> FolderReader::gains(const std::string& cpf) const {
    return records(7, cpf);
}

std::vector<store::Record> FolderReader::records(int n, const std::string& cpf) const {
    const auto& by_cpf = lists_.at(n);
    auto it = by_cpf.find(cpf);
    return it == by_cpf.end() ? std::vector<store::Record>() : it->second;
}

Status write_folder(store::Env& env, const std::string& folder,
                    const std::vector<Declaration>& declarations, const Clock* clock) {
    for (int n = 1; n <= 21; ++n) {
        std::vector<store::Record> rows;
        for (const auto& d : declarations) {
            if (n == 1) rows.push_back(d.summary);
            if (n == 9) rows.push_back(d.registry);
            const std::vector<store::Record>* list = d.list(n);
            if (list != nullptr) rows.insert(rows.end(), list->begin(), list->end());
        }
        Status s = store::Table::create(env, store::join_path(folder, table_file(n)),
                                        *store::table_def(n)->layout, rows, clock, true);
        if (!s) return s;
    }
    return Status::ok();
}

Status read_interest_table(store::Env& env, const std::string& install_dir, InterestTable* out) {
    const std::string path = store::find_file(env, install_dir, "UFIRM.DBF");
    *out = InterestTable();
    if (!env.exists(path)) return Status::ok();
    std::vector<store::Record> rows;
    Status s = scan(env, path, nullptr, "", true,
                    [&](const std::string&, store::Record rec) { rows.push_back(std::move(rec)); });
    if (!s) return s;
    *out = InterestTable::from_records(rows);
    return Status::ok();
}

}  // namespace vorn::tax
