// The gains batch command: each declaration's capital gains computed from their stored records
// and its variable-income statements, printed without changing any file of the folder; with
// --report DIR each declaration's capital-gains report is written into DIR as CPF + "-GANHOS.TXT"
// (ISO-8859-1, the print file's text).
#include <iostream>
#include <string>
#include <vector>

#include "base/text.h"
#include "gains/gain.h"
#include "gains/statement.h"
#include "output/document.h"
#include "output/handover_folder.h"
#include "printing/gains_report.h"
#include "printing/gains_report_run.h"
#include "printing/print_file.h"
#include "shell/batch_options.h"
#include "shell/commands.h"
#include "store/env.h"
#include "tax/folder.h"

namespace vorn {
namespace {

int fail(const std::string& message) {
    std::cerr << "vorn2026 gains: " << message << "\n";
    return 1;
}

std::string two(long long n) {
    return (n < 10 ? "0" : "") + std::to_string(n);
}

void print_gain(const store::Record& g, const gains::GainResult& r, std::string& out) {
    auto line = [&](const std::string& name, const std::string& value) {
        out += name + "=" + value + "\n";
    };
    line("BEM_NRO", two(g.num("BEM_NRO").whole()));
    line("CPFALIEN", trim(g.str("CPFALIEN")));
    line("TIPO_BEM", std::to_string(g.num("TIPO_BEM").whole()));
    line("DATA_ALI", r.sale.dmy());
    line("G", r.G.to_string(2));
    line("R", r.R.to_string(2));
    line("FATOR1", r.F1.to_string(2));
    line("FATOR2", r.F2.to_string(2));
    line("VAL_NAOTRI", r.exempt.to_string(2));
    line("VAL_TRIBU", r.T.to_string(2));
    line("VAL_IMPOSV", r.tax.to_string(2));
    line("PERIMP", r.perimp.to_string(6));
    line("PER_TRI", r.per_tri.to_string(6));
    for (int m = 1; m <= 12; ++m)
        if (!r.received[m - 1].is_zero() || !r.taxable[m - 1].is_zero())
            line("MES" + two(m), r.received[m - 1].to_string(2) + ";" +
                                     r.taxable[m - 1].to_string(2) + ";" +
                                     r.tax_due[m - 1].to_string(2));
}

void print_statements(const std::vector<store::Record>& table7, std::string& out) {
    for (const auto& person : gains::statement_persons(table7))
        for (const char kind : {gains::kCommon, gains::kDayTrade, gains::kFund}) {
            gains::Statement st;
            gains::PRENCHE_MAT(st, kind, person, table7);
            std::string lines;
            for (int l = 1; l <= st.size(); ++l) {
                bool any = false;
                std::string values;
                for (int m = 1; m <= 12; ++m) {
                    any = any || !st.at(l, m).is_zero();
                    values += (m > 1 ? ";" : "") + st.at(l, m).to_string(2);
                }
                if (any) lines += "LINHA" + two(l) + "=" + values + "\n";
            }
            if (lines.empty()) continue;
            out += "RVAR=" + std::string(1, kind) + " CPF_DEPE=" + person + "\n" + lines;
        }
}

// The declaration's report of every gain into `dir`; nothing for a declaration without gains.
Status write_report(const std::string& dir, const tax::Declaration& d,
                    std::vector<store::Record>& gains, std::vector<store::Record>& costs,
                    Operator& op) {
    printing::PrintWriter w;
    printing::GainsReport report(w);
    for (const printing::GainToPrint& g : printing::gains_to_print(d, gains, costs, op))
        report.IMPRGAN(g);
    if (report.printed() == 0) return Status::ok();
    return printing::publish_bytes(w.text(), dir + "/" + d.cpf() + "-GANHOS.TXT");
}

// The declaration's variable-income and capital-gains parts of its document into `dir` as CPF +
// "-GANHOS.XML".
Status write_xml(store::Env& env, const std::string& dir, const tax::FolderReader::Loaded& l,
                 const output::DocumentContext& ctx) {
    output::Document doc;
    if (Status s = output::build_gains_parts(l.declaration, l.gains, l.costs, ctx, &doc); !s)
        return s;
    for (const auto& n : doc.notes)
        std::cerr << "vorn2026 gains: CPF " << l.cpf << ": " << output::note_kind_name(n.kind)
                  << ": " << n.text << "\n";
    return output::write_document(env, dir + "/" + l.cpf + "-GANHOS.XML", doc);
}

}  // namespace

int run_gains_command(int argc, char** argv) {
    // --report DIR and --xml DIR are this command's own; the rest are the folder commands'.
    std::string report_dir, xml_dir;
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        const std::string a = argv[i];
        if (i > 0 && (a == "--report" || a == "--xml")) {
            if (i + 1 >= argc) return fail(a + " sem valor");
            (a == "--xml" ? xml_dir : report_dir) = argv[++i];
            continue;
        }
        args.push_back(argv[i]);
    }
    BatchOptions o;
    if (auto error = parse_batch_options(static_cast<int>(args.size()), args.data(), &o))
        return fail(*error);
    store::Env& env = store::Env::posix();
    if (!env.is_directory(o.folder)) return fail("pasta não encontrada: " + o.folder);
    for (const std::string* dir : {&report_dir, &xml_dir})
        if (!dir->empty() && !env.is_directory(*dir)) return fail("pasta não encontrada: " + *dir);
    // The document's parts read the installation's place names; the namespace is not theirs.
    output::DocumentContext ctx;
    if (!xml_dir.empty()) {
        if (Status s = output::read_place_names(env, o.install, &ctx); !s) return fail(s.message());
        ctx.now = BatchContext(o, "gains").clock().now();
    }
    tax::FolderReader folder;
    if (Status s = tax::FolderReader::read(env, o.folder, o.cpf, &folder); !s)
        return fail(s.message());
    if (!o.all && !folder.has(o.cpf))
        return fail("CPF " + o.cpf + " não encontrado na pasta " + o.folder);

    constexpr size_t kGroup = 64;
    BatchOperator op("gains");
    std::string out;
    size_t failed = 0;
    std::vector<tax::FolderReader::Loaded> group;
    for (size_t first = 0; first < folder.cpfs().size(); first += kGroup) {
        if (Status s = folder.load(first, kGroup, &group); !s) {
            std::cout << out << std::flush;
            return fail(s.message());
        }
        for (auto& l : group) {
            if (!l.status) {
                std::cerr << "vorn2026 gains: CPF " << l.cpf << ": " << l.status.message() << "\n";
                ++failed;
                continue;
            }
            op.cpf = l.cpf;
            out += "CPF=" + l.cpf + "\n";
            const gains::Settings s = tax::gain_settings(l.declaration);
            for (store::Record* g : gains::gains_of(l.gains)) {
                std::vector<store::Record*> costs = gains::costs_of(*g, l.costs);
                const gains::GainResult r = gains::compute_gain(*g, costs, s, op);
                print_gain(*g, r, out);
            }
            print_statements(l.gains, out);
            if (!xml_dir.empty()) {
                if (Status s = write_xml(env, xml_dir, l, ctx); !s) {
                    std::cout << out << std::flush;
                    return fail("CPF " + l.cpf + ": " + s.message());
                }
            }
            if (!report_dir.empty()) {
                // The gains' notices were told above: the report's computation keeps quiet.
                SilentOperator quiet;
                if (Status s = write_report(report_dir, l.declaration, l.gains, l.costs, quiet);
                    !s) {
                    std::cout << out << std::flush;
                    return fail(s.message());
                }
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
                    " declarações não lidas");
    return 0;
}

}  // namespace vorn
