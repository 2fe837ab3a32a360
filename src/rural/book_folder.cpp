#include "rural/book_folder.h"

#include <memory>

#include "base/text.h"
#include "store/catalogue.h"
#include "store/dbf.h"

namespace vorn::rural {

namespace {

// The path of a table file as written, or in lower case as some tools write it; "" when absent.
std::string find_table(store::Env& env, const std::string& folder, const std::string& base) {
    for (const std::string& name : {base + ".DBF", lower(base) + ".dbf", base + ".dbf"}) {
        const std::string path = folder + "/" + name;
        if (env.exists(path)) return path;
    }
    return "";
}

std::string plain(std::string_view s) {
    return upper(MATCAR(trim(s)));
}

// Reads the live records of a table whose CPF is wanted, in record order, into the wanted
// layout; `each` receives the CPF and the record.
template <typename F>
Status read_table(store::Env& env, const std::string& path, int number,
                  const std::set<std::string>* cpfs, F each) {
    store::OpenOptions opt;
    opt.read_only = true;
    std::unique_ptr<store::Table> t;
    if (Status s = store::Table::open(env, path, opt, &t); !s) return s;
    if (t->layout().find("CPF") < 0) return Status::corrupt(path + ": falta o campo CPF");
    const store::Field f = t->field("CPF");
    std::vector<uint32_t> rows;
    Status s = t->scan_rows([&](uint32_t recno, std::string_view row) {
        if (row.empty() || row[0] == '*') return;
        if (cpfs == nullptr || cpfs->count(trim(store::Table::field_bytes(row, f))) > 0)
            rows.push_back(recno);
    });
    if (!s) return s;
    const auto& layout = store::table_def(number)->layout;
    store::Record raw(t->layout_ptr());
    for (uint32_t n : rows) {
        if (s = t->go_to(n); !s) return s;
        if (s = t->read(raw); !s) return s;
        store::Record r(layout);
        r.assign_by_name(raw);
        each(trim(raw.str("CPF")), std::move(r));
    }
    return t->close();
}

}  // namespace

Status registry_cpfs(store::Env& env, const std::string& folder, std::vector<std::string>* out) {
    out->clear();
    const std::string path = find_table(env, folder, store::table_def(9)->file_base(""));
    if (path.empty()) return Status::not_found(folder + ": registro de declarações não localizado");
    return read_table(env, path, 9, nullptr,
                      [&](const std::string& cpf, store::Record&&) { out->push_back(cpf); });
}

Status read_rural_results(store::Env& env, const std::string& folder,
                          std::map<std::string, std::vector<store::Record>>* out) {
    out->clear();
    const std::string path = find_table(env, folder, store::table_def(15)->file_base(""));
    if (path.empty()) return Status::ok();
    return read_table(env, path, 15, nullptr, [&](const std::string& cpf, store::Record&& r) {
        (*out)[cpf].push_back(std::move(r));
    });
}

Status read_dollar_rate(store::Env& env, const std::string& install_dir, Decimal* out) {
    *out = Decimal();
    const std::string path = find_table(env, install_dir, store::table_def(43)->file_base(""));
    if (path.empty()) return Status::ok();
    store::OpenOptions opt;
    opt.read_only = true;
    std::unique_ptr<store::Table> t;
    if (Status s = store::Table::open(env, path, opt, &t); !s) return s;
    uint32_t count = 0;
    Status s = t->record_count(&count);
    if (s && count > 0 && t->layout().find("VAL_DOLAR") >= 0) {
        store::Record raw(t->layout_ptr());
        s = t->go_to(1);
        if (s) s = t->read(raw);
        if (s) *out = raw.num("VAL_DOLAR");
    }
    Status c = t->close();
    return s ? c : s;
}

Status read_rural_tables(store::Env& env, const std::string& folder,
                         const std::set<std::string>& cpfs,
                         std::map<std::string, RuralTables>* out) {
    out->clear();
    for (int number : {9, 1, 15, 16, 17, 18, 19, 21}) {
        const std::string base = store::table_def(number)->file_base("");
        const std::string path = find_table(env, folder, base);
        if (path.empty()) {
            if (number == 9 || number == 1)
                return Status::not_found(folder + "/" + base + ".DBF não localizado");
            continue;
        }
        Status s =
            read_table(env, path, number, &cpfs, [&](const std::string& cpf, store::Record&& r) {
                if (number == 9) {
                    (*out)[cpf].registry = std::move(r);
                    return;
                }
                auto it = out->find(cpf);
                if (it == out->end()) return;
                RuralTables& t = it->second;
                switch (number) {
                    case 1:
                        t.summary = std::move(r);
                        break;
                    case 15:
                        t.results.push_back(std::move(r));
                        break;
                    case 16:
                        t.properties.push_back(std::move(r));
                        break;
                    case 17:
                        t.assets.push_back(std::move(r));
                        break;
                    case 18:
                        t.debts.push_back(std::move(r));
                        break;
                    case 19:
                        t.entries.push_back(std::move(r));
                        break;
                    default:
                        t.accounts.push_back(std::move(r));
                        break;
                }
            });
        if (!s) return s;
    }
    // A declaration whose summary record is missing reads with a blank one.
    for (auto& [cpf, t] : *out)
        if (t.summary.layout_ptr() == nullptr) {
            t.summary = store::Record(store::table_def(1)->layout);
            t.summary.set("CPF", cpf);
        }
    return Status::ok();
}

Status read_municipality_codes(store::Env& env, const std::string& install_dir,
                               MunicipalityCodes* out) {
    out->clear();
    const std::string path = find_table(env, install_dir, store::table_def(64)->file_base(""));
    if (path.empty()) return Status::not_found(install_dir + ": TABMUNI não localizado");
    store::OpenOptions opt;
    opt.read_only = true;
    std::unique_ptr<store::Table> t;
    if (Status s = store::Table::open(env, path, opt, &t); !s) return s;
    for (const char* name : {"UNIFED", "NOMEMUNI", "CODMUNI"})
        if (t->layout().find(name) < 0) return Status::corrupt(path + ": falta o campo " + name);
    Status s = t->go_top();
    for (; s && !t->eof(); s = t->skip())
        if (!t->deleted())
            (*out)[trim(t->str("UNIFED"))][plain(t->str("NOMEMUNI"))] = trim(t->str("CODMUNI"));
    if (!s) return s;
    return t->close();
}

std::optional<std::string> municipality_code(const MunicipalityCodes& codes,
                                             const std::string& city, const std::string& uf) {
    auto state = codes.find(trim(uf));
    if (state == codes.end()) return std::nullopt;
    auto it = state->second.find(plain(city));
    if (it == state->second.end()) return std::nullopt;
    return it->second;
}

const store::Record* result_of(const RuralTables& t, bool brazil) {
    for (const auto& r : t.results)
        if ((r.str("ATV_BRASIL") != "N") == brazil) return &r;
    return nullptr;
}

std::vector<store::Record> of_country(const std::vector<store::Record>& list, bool brazil) {
    std::vector<store::Record> out;
    for (const auto& r : list)
        if ((r.str("ATV_BRASIL") != "N") == brazil) out.push_back(r);
    return out;
}

}  // namespace vorn::rural
