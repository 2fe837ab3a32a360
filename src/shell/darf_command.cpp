// The darf batch command: the DARFs of a folder's declarations as text files, each declaration
// read and computed as calc does, the folder left untouched.
#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "base/text.h"
#include "payments/darf.h"
#include "payments/darf_folder.h"
#include "shell/batch_options.h"
#include "shell/commands.h"
#include "store/env.h"
#include "tax/folder.h"

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
    if (Status s = payments::read_due_dates(env, o.install, &due); !s)
        return fail("datas de vencimento ilegíveis: " + s.message());
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
    std::string out;
    Status failed;
    auto each = [&](tax::FolderReader::Loaded& l) {
        if (!l.status) {
            std::cerr << "vorn2026 darf: CPF " << l.cpf << ": " << l.status.message() << "\n";
            return true;
        }
        const tax::Declaration& decl = l.declaration;
        if (d.schedule) {
            const int count = static_cast<int>(decl.num("QTD_QUOTA").whole());
            const Decimal quota = decl.num("I13_37");
            out += l.cpf + " QTD_QUOTA=" + std::to_string(count);
            for (int q = 1; q <= std::min(count, 8) && quota > Decimal(); ++q)
                out += " " + std::to_string(q) + "=" + due[q - 1].dmy() + ":" + quota.to_string(2);
            out += "\n";
            return true;
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
            return true;
        }
        for (const Darf& darf : darfs) {
            const std::string name = payments::FAZONOME(darf, run, trim(decl.str("NOMECONTR")));
            std::string path;
            if (Status s = files.write(name, l.cpf, payments::darf_text(darf, 2), &path); !s) {
                failed = s;
                return false;
            }
            out += l.cpf + "\t" + path.substr(path.rfind('/') + 1) + "\t" +
                   darf.IMPO_REAL.to_string(2) + "\t" + darf.VAL_MULTA.to_string(2) + "\t" +
                   darf.VAL_JURO.to_string(2) + "\t" + darf.VAL_TOTAL.to_string(2) + "\n";
        }
        if (out.size() > (1 << 20)) {
            std::cout << out;
            out.clear();
        }
        return true;
    };
    const std::string only = o.all ? std::string() : o.cpf;
    Status s = payments::for_each_computed(env, o.folder, only, false, context.clock(),
                                           context.selic(), each);
    if (s && !failed) s = failed;
    if (!s) {
        std::cout << out << std::flush;
        return fail(s.message());
    }
    std::cout << out << std::flush;
    if (worst != payments::Outdated::kNone)
        std::cerr << "vorn2026 darf: Atenção! O cadastro da Selic está desatualizado.\n";
    if (!std::cout) return fail("erro ao escrever a saída");
    return 0;
}

}  // namespace vorn
