// Reading the declarations of a DARF run and the installation's quota due dates.
#include "payments/darf_folder.h"

#include <memory>
#include <vector>

#include "base/operator.h"
#include "payments/darf.h"
#include "store/catalogue.h"
#include "store/dbf.h"
#include "tax/annual.h"
#include "tax/year.h"

namespace vorn::payments {

Status read_due_dates(store::Env& env, const std::string& install, std::array<Date, 8>* out) {
    const std::array<Date, 8> defaults = default_due_dates();
    *out = defaults;
    const std::string path =
        store::find_file(env, install, store::table_def(43)->file_base("") + ".DBF");
    if (!env.exists(path)) return Status::ok();
    std::unique_ptr<store::Table> t;
    store::OpenOptions o;
    o.read_only = true;
    Status s = store::Table::open(env, path, o, &t);
    if (s) s = t->go_top();
    if (s && !t->eof()) {
        for (int i = 0; i < 8; ++i) {
            const Date d = t->date("VCTO" + std::to_string(i + 1));
            if (!d.blank()) (*out)[i] = d;
        }
        // Dates an earlier release wrote: all eight one day late, or the sixth on a Saturday.
        if ((*out)[0] == Date(tax::NANOATUAL, 5, 30)) *out = defaults;
        if ((*out)[5] == Date(tax::NANOATUAL, 10, 31)) (*out)[5] = defaults[5];
    }
    Status c = t ? t->close() : Status::ok();
    return s ? c : s;
}

Status for_each_computed(store::Env& env, const std::string& folder, const std::string& cpf,
                         bool marked_only, const Clock& clock, const InterestTable& selic,
                         const ComputedDeclaration& each) {
    tax::FolderReader reader;
    if (Status s = tax::FolderReader::read(env, folder, cpf, &reader); !s) return s;
    if (!cpf.empty() && !reader.has(cpf))
        return Status::not_found("CPF " + cpf + " não encontrado na pasta " + folder);
    constexpr size_t kGroup = 64;
    std::vector<tax::FolderReader::Loaded> group;
    ScriptedOperator quiet;
    for (size_t first = 0; first < reader.cpfs().size(); first += kGroup) {
        if (Status s = reader.load(first, kGroup, &group); !s) return s;
        for (auto& l : group) {
            if (l.status) {
                if (marked_only && l.declaration.str("IMPRE") != "S") continue;
                tax::Context c{l.declaration, quiet, clock, selic};
                tax::compute_silently(c);
            }
            if (!each(l)) return Status::ok();
        }
    }
    return Status::ok();
}

}  // namespace vorn::payments
