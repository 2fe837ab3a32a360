// Printing the capital-gains report of a data folder's declarations.
#include "printing/gains_report_run.h"

#include "base/text.h"
#include "tax/folder.h"

namespace vorn::printing {

std::vector<GainToPrint> gains_to_print(const tax::Declaration& d,
                                        std::vector<store::Record>& gains,
                                        std::vector<store::Record>& costs, Operator& op) {
    const gains::Settings s = tax::gain_settings(d);
    std::vector<GainToPrint> out;
    for (store::Record* g : gains::gains_of(gains)) {
        std::vector<store::Record*> rows = gains::costs_of(*g, costs);
        GainToPrint p;
        p.result = gains::compute_gain(*g, rows, s, op);
        p.gain = g;
        p.costs.assign(rows.begin(), rows.end());
        p.final_estate = s.final_estate;
        p.estate_date = s.estate_date;
        const std::string seller = trim(g->str("CPFALIEN"));
        p.seller_cpf = seller.empty() ? d.cpf() : seller;
        if (p.seller_cpf == d.cpf())
            p.seller_name = trim(d.str("NOMECONTR"));
        else
            for (const store::Record& dep : d.dependants)
                if (!dep.deleted && trim(dep.str("CPFDEPEN")) == p.seller_cpf)
                    p.seller_name = trim(dep.str("NOMEDEPEN"));
        out.push_back(std::move(p));
    }
    return out;
}

Status print_gains_folder(RunContext& c, const std::string& folder, const Selection& sel,
                          int option, GainsReport& report, PrintFile& file, RunResult* result) {
    if (!c.env.is_directory(folder)) return Status::not_found("pasta não encontrada: " + folder);
    const std::string only = sel.kind == Selection::Kind::kOne ? sel.cpf : std::string();
    tax::FolderReader reader;
    if (Status s = tax::FolderReader::read(c.env, folder, only, &reader); !s) return s;
    if (sel.kind == Selection::Kind::kOne && !reader.has(sel.cpf))
        return Status::not_found("CPF " + sel.cpf + " não encontrado na pasta " + folder);

    constexpr size_t kGroup = 64;
    std::vector<tax::FolderReader::Loaded> group;
    for (size_t first = 0; first < reader.cpfs().size(); first += kGroup) {
        if (Status s = reader.load(first, kGroup, &group); !s) return s;
        for (auto& l : group) {
            if (!l.status) {
                result->problems.push_back("CPF " + l.cpf + ": " + l.status.message());
                continue;
            }
            const tax::Declaration& d = l.declaration;
            if (sel.kind == Selection::Kind::kMarked && d.str("IMPRE") != "S") continue;
            int printed = 0;
            for (const GainToPrint& g : gains_to_print(d, l.gains, l.costs, c.op)) {
                if (!option_prints(option, static_cast<int>(g.gain->num("TIPO_BEM").whole())))
                    continue;
                report.IMPRGAN(g);
                ++printed;
            }
            if (printed == 0) continue;
            const std::string name = trim(d.str("NOMECONTR"));
            if (Status s = file.taxpayer_done(l.cpf, name); !s) return s;
            if (file.per_taxpayer()) report.new_part();
            ++result->printed;
            result->cpfs.push_back(l.cpf);
            result->names.push_back(name);
        }
    }
    return Status::ok();
}

}  // namespace vorn::printing
