// The calc batch command: loads declarations read-only, runs the whole computation and prints
// the summary lines.
#include <cstring>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "base/date.h"
#include "base/operator.h"
#include "gains/totals.h"
#include "rural/book_folder.h"
#include "rural/result.h"
#include "shell/batch_options.h"
#include "shell/commands.h"
#include "store/env.h"
#include "tax/annual.h"
#include "tax/folder.h"

namespace vorn {
namespace {

int fail(const std::string& message) {
    std::cerr << "vorn2026 calc: " << message << "\n";
    return 1;
}

// The lines printed for each declaration, in this order.
std::vector<std::string> output_names() {
    std::vector<std::string> names;
    for (int k = 1; k <= 51; ++k) names.push_back("I13_" + tax::two_digits(k));
    for (int k = 1; k <= 26; ++k) names.push_back("I3_" + tax::two_digits(k));
    for (int k = 1; k <= 15; ++k) names.push_back("I4_" + tax::two_digits(k));
    for (const char* n :
         {"USAPADRAO", "DESPADRAO", "DESCON", "NCOMPL", "NSIMPL", "NILEI14754", "BASE14754",
          "QTD_QUOTA", "IMPPGRE", "RECEITA", "DESPESA", "SALDO", "INDGAS"})
        names.push_back(n);
    return names;
}

// Values of the computation that are not fields of the declaration's records.
struct WorkValue {
    const char* name;
    Decimal tax::Work::*member;
};
constexpr WorkValue kWorkValues[] = {
    {"DESCON", &tax::Work::DESCON},   {"NCOMPL", &tax::Work::NCOMPL},
    {"NSIMPL", &tax::Work::NSIMPL},   {"NILEI14754", &tax::Work::NILEI14754},
    {"RECEITA", &tax::Work::RECEITA}, {"DESPESA", &tax::Work::DESPESA},
};

// The declaration's lines, each value in its field's form: numbers with the field's decimals
// (QTD_QUOTA=8, I13_20=12345.67), text as typed; values of the computation that are no field are
// amounts of the summary's width. A number too wide for its field is an error naming it.
Status print(const tax::Declaration& d, const std::vector<std::string>& names, std::string& out) {
    std::string lines = "CPF=" + d.cpf() + "\n", v;
    for (const auto& n : names) {
        const WorkValue* work = nullptr;
        for (const auto& wv : kWorkValues)
            if (n == wv.name) work = &wv;
        if (work != nullptr) {
            const store::FieldDef amount{n, store::FieldType::kNumeric, 15, 2};
            if (Status s = tax::number_in_field(amount, d.work.*(work->member), &v); !s) return s;
        } else if (const store::FieldDef& f = d.field(n); f.type == store::FieldType::kNumeric) {
            if (Status s = tax::number_in_field(f, d.num(n), &v); !s) return s;
        } else {
            v = d.str(n);
        }
        lines += n + "=" + v + "\n";
    }
    out += lines;
    return Status::ok();
}

// The filing obligation the rural activity's gross revenue (as last saved) gives, as a line of its
// own after the declaration's values; nothing when there is none.
std::string rural_obligation(const tax::Declaration& d,
                             const std::map<std::string, std::vector<store::Record>>& results,
                             Decimal dollar) {
    if (d.registry.str("TEMRURAL") != "S") return {};
    auto it = results.find(d.cpf());
    if (it == results.end()) return {};
    const store::Record *brazil = nullptr, *abroad = nullptr;
    for (const auto& r : it->second) {
        const store::Record*& slot = r.str("ATV_BRASIL") == "N" ? abroad : brazil;
        if (slot == nullptr) slot = &r;
    }
    if (d.registry.str("AAR_EXTER") != "S") abroad = nullptr;
    const std::string notice = rural::filing_notice(rural::gross_revenue(brazil, abroad, dollar));
    return notice.empty() ? "" : "OBRIGA_RURAL=" + notice + "\n";
}

}  // namespace

int run_calc_command(int argc, char** argv) {
    BatchOptions o;
    if (auto error = parse_batch_options(argc, argv, &o)) return fail(*error);
    store::Env& env = store::Env::posix();
    if (!env.is_directory(o.folder)) return fail("pasta não encontrada: " + o.folder);

    tax::FolderReader folder;
    if (Status s = tax::FolderReader::read(env, o.folder, o.cpf, &folder); !s)
        return fail(s.message());
    if (!o.all && !folder.has(o.cpf))
        return fail("CPF " + o.cpf + " não encontrado na pasta " + o.folder);
    const BatchContext context(o, "calc");
    std::map<std::string, std::vector<store::Record>> rural_results;
    Decimal dollar;
    if (Status s = rural::read_rural_results(env, o.folder, &rural_results); !s)
        return fail(s.message());
    if (Status s = rural::read_dollar_rate(env, o.install, &dollar); !s) return fail(s.message());

    // A few declarations at a time, each computed and printed before the next group is read;
    // one that cannot be read or computed is told with its CPF and the others go on.
    constexpr size_t kGroup = 64;
    BatchOperator op("calc");
    const std::vector<std::string> names = output_names();
    std::string out;
    size_t failed = 0;
    std::vector<tax::FolderReader::Loaded> group;
    for (size_t first = 0; first < folder.cpfs().size(); first += kGroup) {
        if (Status s = folder.load(first, kGroup, &group); !s) {
            std::cout << out << std::flush;
            return fail(s.message());
        }
        for (auto& l : group) {
            op.cpf = l.cpf;
            Status s = l.status;
            if (s) {
                // The totals of the capital gains and variable income as their computation
                // stored them, before the annual computation that adds them up (as the save's
                // computation takes them).
                gains::carry_totals(
                    l.gains, [&](std::string_view name, Decimal v) { l.declaration.set(name, v); });
                tax::Context c{l.declaration, op, context.clock(), context.selic()};
                tax::compute_declaration(c);
                s = tax::check_field_widths(l.declaration);
            }
            if (s) s = print(l.declaration, names, out);
            if (s) out += rural_obligation(l.declaration, rural_results, dollar);
            if (!s) {
                std::cerr << "vorn2026 calc: CPF " << l.cpf << ": " << s.message() << "\n";
                ++failed;
            }
        }
        if (out.size() > (1 << 20)) {
            std::cout << out;
            out.clear();
        }
    }
    std::cout << out << std::flush;
    if (!std::cout) return fail("erro ao escrever a saída");
    if (failed > 0)
        return fail(std::to_string(failed) + " de " + std::to_string(folder.cpfs().size()) +
                    " declarações não calculadas");
    return 0;
}

}  // namespace vorn
