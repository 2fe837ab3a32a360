// The darf batch command: the DARFs of a folder's declarations as text files, each declaration
// read and computed as calc does, the folder left untouched.
#include <algorithm>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "base/operator.h"
#include "base/text.h"
#include "payments/darf.h"
#include "shell/batch_options.h"
#include "shell/commands.h"
#include "store/catalogue.h"
#include "store/dbf.h"
#include "store/env.h"
#include "tax/annual.h"
#include "tax/folder.h"
#include "tax/year.h"

namespace vorn {
namespace {

using payments::Darf;
using payments::DarfRun;

int fail(const std::string& message) {
    std::cerr << "vorn2026 darf: " << message << "\n";
    return 1;
}

std::string usage() {
    return "uso: vorn2026 darf --folder PASTA (--cpf CPF | --all) (--kind K [--from N --to M] "
           "[--pay DD/MM/AAAA] [--out PASTA] | --schedule) [--now \"AAAA-MM-DD HH:MM:SS\"] "
           "[--install PASTA]";
}

struct DarfOptions {
    int kind = 0;
    int from = 1, to = 0;  // to 0: one quota / month
    int gain = 0;
    std::optional<Date> pay;
    std::string out = ".";
    bool schedule = false;
};

bool parse_int(const char* s, int* v) {
    const std::string t = s;
    if (t.empty() || t.size() > 4 || !std::all_of(t.begin(), t.end(), ::isdigit)) return false;
    *v = std::stoi(t);
    return true;
}

// Takes the darf options out of argv; what is left goes to the shared batch options.
std::optional<std::string> parse_darf_options(int argc, char** argv, DarfOptions* o,
                                              std::vector<char*>* rest) {
    rest->push_back(argv[0]);
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--schedule") {
            o->schedule = true;
            continue;
        }
        if (a != "--kind" && a != "--from" && a != "--to" && a != "--pay" && a != "--out" &&
            a != "--gain") {
            rest->push_back(argv[i]);
            continue;
        }
        if (i + 1 >= argc) return a + " sem valor";
        const char* v = argv[++i];
        if (a == "--out") {
            o->out = v;
        } else if (a == "--pay") {
            o->pay = Date::from_dmy(v);
            if (!o->pay) return std::string("data de pagamento inválida: ") + v;
        } else {
            int n = 0;
            if (!parse_int(v, &n)) return a + " inválido: " + v;
            (a == "--kind" ? o->kind : a == "--from" ? o->from : a == "--to" ? o->to : o->gain) = n;
        }
    }
    if (o->schedule) return std::nullopt;
    const int k = o->kind;
    if (k < 1 || k > 11 || k == payments::kDarfFree || k == payments::kDarfDueDates)
        return "tipo de DARF inválido (1 a 8 ou 11): " + std::to_string(k);
    const int limit = payments::darf_range_limit(k);
    if (o->from < 1 || o->from > limit || (o->to != 0 && (o->to < o->from || o->to > limit)))
        return "faixa inválida para o tipo " + std::to_string(k) + ": 1 a " + std::to_string(limit);
    if (k == payments::kDarfCapitalGain && o->gain == 0) return "--gain N é preciso no tipo 3";
    return std::nullopt;
}

// The quota due dates of the installation (DEFINE VCTO1..VCTO8), corrected as the start-up
// corrects them; the defaults when the installation has no office record.
Status read_due_dates(store::Env& env, const std::string& install, std::array<Date, 8>* out) {
    const std::array<Date, 8> defaults = payments::default_due_dates();
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

std::string joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) out += (out.empty() ? "" : " ") + trim(l);
    return out;
}

}  // namespace

int run_darf_command(int argc, char** argv) {
    DarfOptions d;
    std::vector<char*> rest;
    if (auto error = parse_darf_options(argc, argv, &d, &rest)) return fail(*error);
    BatchOptions o;
    if (auto error = parse_batch_options(static_cast<int>(rest.size()), rest.data(), &o))
        return fail(*error == batch_usage("darf") ? usage() : *error);
    if (!d.schedule && d.kind == 0) return fail(usage());
    store::Env& env = store::Env::posix();
    if (!env.is_directory(o.folder)) return fail("pasta não encontrada: " + o.folder);
    if (!d.schedule && !env.is_directory(d.out)) return fail("pasta não encontrada: " + d.out);

    std::array<Date, 8> due{};
    if (Status s = read_due_dates(env, o.install, &due); !s)
        return fail("datas de vencimento ilegíveis: " + s.message());
    tax::FolderReader folder;
    if (Status s = tax::FolderReader::read(env, o.folder, o.cpf, &folder); !s)
        return fail(s.message());
    if (!o.all && !folder.has(o.cpf))
        return fail("CPF " + o.cpf + " não encontrado na pasta " + o.folder);
    const BatchContext context(o, "darf");
    const Date today = context.clock().today();

    DarfRun run;
    run.kind = d.kind;
    run.first = d.from;
    run.last = d.to == 0 ? d.from : d.to;
    run.quantity = d.to != 0 && d.to > d.from ? 2 : 1;
    run.payment = d.pay ? *d.pay : today;
    run.gain_number = d.gain;
    if (!d.schedule) {
        if (auto refused = payments::donation_refusal(d.kind, today)) {
            std::cerr << "vorn2026 darf: " << joined(*refused) << "\n";
            return 0;
        }
    }

    payments::DarfFiles files(d.out);
    payments::Outdated worst = payments::Outdated::kNone;
    constexpr size_t kGroup = 64;
    std::string out;
    std::vector<tax::FolderReader::Loaded> group;
    ScriptedOperator quiet;
    for (size_t first = 0; first < folder.cpfs().size(); first += kGroup) {
        if (Status s = folder.load(first, kGroup, &group); !s) {
            std::cout << out << std::flush;
            return fail(s.message());
        }
        for (auto& l : group) {
            if (!l.status) {
                std::cerr << "vorn2026 darf: CPF " << l.cpf << ": " << l.status.message() << "\n";
                continue;
            }
            tax::Context c{l.declaration, quiet, context.clock(), context.selic()};
            tax::compute_silently(c);
            const tax::Declaration& decl = l.declaration;
            if (d.schedule) {
                const int count = static_cast<int>(decl.num("QTD_QUOTA").whole());
                const Decimal quota = decl.num("I13_37");
                out += l.cpf + " QTD_QUOTA=" + std::to_string(count);
                for (int q = 1; q <= std::min(count, 8) && quota > Decimal(); ++q)
                    out +=
                        " " + std::to_string(q) + "=" + due[q - 1].dmy() + ":" + quota.to_string(2);
                out += "\n";
                continue;
            }
            const payments::DarfSource src{&decl, &l.gains, due, today};
            std::vector<std::string> refusal;
            payments::Outdated outdated = payments::Outdated::kNone;
            const std::vector<Darf> darfs =
                payments::prepare_run(src, context.selic(), run, &refusal, &outdated);
            worst = std::max(worst, outdated);
            if (darfs.empty()) {
                std::cerr << "vorn2026 darf: CPF " << l.cpf << ": "
                          << (refusal.empty() ? "nada a pagar" : joined(refusal)) << "\n";
                continue;
            }
            for (const Darf& darf : darfs) {
                const std::string name = payments::FAZONOME(darf, run, trim(decl.str("NOMECONTR")));
                std::string path;
                if (Status s = files.write(name, l.cpf, payments::darf_text(darf, 2), &path); !s) {
                    std::cout << out << std::flush;
                    return fail(s.message());
                }
                out += l.cpf + "\t" + path.substr(path.rfind('/') + 1) + "\t" +
                       darf.IMPO_REAL.to_string(2) + "\t" + darf.VAL_MULTA.to_string(2) + "\t" +
                       darf.VAL_JURO.to_string(2) + "\t" + darf.VAL_TOTAL.to_string(2) + "\n";
            }
        }
        if (out.size() > (1 << 20)) {
            std::cout << out;
            out.clear();
        }
    }
    std::cout << out << std::flush;
    if (worst != payments::Outdated::kNone)
        std::cerr << "vorn2026 darf: Atenção! O cadastro da Selic está desatualizado.\n";
    if (!std::cout) return fail("erro ao escrever a saída");
    return 0;
}

}  // namespace vorn
