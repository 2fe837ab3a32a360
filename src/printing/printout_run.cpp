// Printing the declarations of a data folder.
#include "printing/printout_run.h"

#include <algorithm>

#include "base/text.h"
#include "store/catalogue.h"
#include "store/dbf.h"
#include "store/declaration.h"
#include "tax/annual.h"
#include "tax/folder.h"

namespace vorn::printing {

Status read_notes(store::Env& env, const std::string& folder, const std::string& cpf,
                  std::vector<store::Record>* out) {
    out->clear();
    const std::string path = store::data_table_path(env, folder, 11);
    if (!env.exists(path)) return Status::ok();
    std::unique_ptr<store::Table> t;
    store::OpenOptions o;
    o.read_only = true;
    Status s = store::Table::open(env, path, o, &t);
    if (s) s = t->go_top();
    while (s && !t->eof()) {
        if (!t->deleted() && trim(t->str("CPF")) == cpf) {
            store::Record r(store::table_def(11)->layout);
            s = t->read(r);
            if (!s) break;
            out->push_back(std::move(r));
        }
        s = t->skip();
    }
    Status closed = t ? t->close() : Status::ok();
    return s ? closed : s;
}

Status print_folder(RunContext& c, const std::string& folder, const Selection& sel,
                    const std::vector<Step>& steps, Printout& printout, PrintFile& file,
                    RunResult* result, Extras extras) {
    const bool with_notes = std::find(steps.begin(), steps.end(), Step::kNotes) != steps.end();
    if (!c.env.is_directory(folder)) return Status::not_found("pasta não encontrada: " + folder);
    const std::string only = sel.kind == Selection::Kind::kOne ? sel.cpf : std::string();
    tax::FolderReader reader;
    if (Status s = tax::FolderReader::read(c.env, folder, only, &reader); !s) return s;
    if (sel.kind == Selection::Kind::kOne && !reader.has(sel.cpf))
        return Status::not_found("CPF " + sel.cpf + " não encontrado na pasta " + folder);

    // A few declarations at a time, each computed and printed before the next group is read.
    constexpr size_t kGroup = 64;
    std::vector<tax::FolderReader::Loaded> group;
    for (size_t first = 0; first < reader.cpfs().size(); first += kGroup) {
        if (Status s = reader.load(first, kGroup, &group); !s) return s;
        for (auto& l : group) {
            if (!l.status) {
                result->problems.push_back("CPF " + l.cpf + ": " + l.status.message());
                continue;
            }
            tax::Declaration& d = l.declaration;
            if (sel.kind == Selection::Kind::kMarked && d.str("IMPRE") != "S") continue;
            tax::Context tc{d, c.op, c.clock, c.selic};
            tax::compute_declaration(tc);
            if (with_notes) {
                if (c.check_first && sel.kind != Selection::Kind::kOne)
                    c.check_first(folder, l.cpf);
                if (Status s = read_notes(c.env, folder, l.cpf, &extras.notes); !s) return s;
            }
            const bool went_on = printout.print(d, steps, extras);
            const std::string name = trim(d.str("NOMECONTR"));
            if (Status s = file.taxpayer_done(l.cpf, name); !s) return s;
            printout.new_part_if(file.per_taxpayer());
            ++result->printed;
            result->cpfs.push_back(l.cpf);
            result->names.push_back(name);
            if (!went_on) {
                result->abandoned = true;
                return Status::ok();
            }
        }
    }
    return Status::ok();
}

}  // namespace vorn::printing
