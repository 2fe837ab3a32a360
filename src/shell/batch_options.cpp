// Command-line arguments of the batch commands over a data folder.
#include "shell/batch_options.h"

#include <cstdlib>
#include <iostream>
#include <memory>

#include "store/catalogue.h"
#include "store/dbf.h"
#include "store/env.h"
#include "tax/folder.h"

namespace vorn {

std::string batch_usage(const std::string& verb) {
    return "uso: vorn2026 " + verb +
           " --folder PASTA (--cpf CPF | --all) [--now \"AAAA-MM-DD HH:MM:SS\"] [--install PASTA]";
}

std::optional<std::string> parse_batch_options(int argc, char** argv, BatchOptions* o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        if (a == "--all") {
            o->all = true;
        } else if (a == "--folder" || a == "--cpf" || a == "--now" || a == "--install") {
            const char* v = value();
            if (v == nullptr) return a + " sem valor";
            if (a == "--folder") o->folder = v;
            if (a == "--install") o->install = v;
            if (a == "--cpf") {
                for (const char* p = v; *p; ++p)
                    if (*p >= '0' && *p <= '9') o->cpf += *p;
                if (o->cpf.size() != 11) return std::string("CPF inválido: ") + v;
            }
            if (a == "--now") {
                o->now = parse_datetime(v);
                if (!o->now) return std::string("data e hora inválidas: ") + v;
            }
        } else {
            return "argumento desconhecido: " + a;
        }
    }
    if (o->folder.empty() || o->all == !o->cpf.empty()) return batch_usage(argv[0]);
    if (o->install.empty()) {
        // The installation directory: DIR2026 when it names a folder, else the current one.
        const char* dir = std::getenv("DIR2026");
        o->install = dir != nullptr && store::Env::posix().is_directory(dir) ? dir : ".";
    }
    return std::nullopt;
}

Status read_protected_status(store::Env& env, const std::string& install, long* status) {
    *status = 0;
    const std::string path =
        store::find_file(env, install, store::table_def(43)->file_base("") + ".DBF");
    if (!env.exists(path)) return Status::ok();
    std::unique_ptr<store::Table> t;
    store::OpenOptions o;
    o.read_only = true;
    Status s = store::Table::open(env, path, o, &t);
    if (s) s = t->go_top();
    if (s && !t->eof() && t->layout().find("STATRAVA") >= 0) *status = t->num("STATRAVA").whole();
    Status c = t ? t->close() : Status::ok();
    return s ? c : s;
}

int run_writing_command(const std::string& verb, int argc, char** argv,
                        const PrepareRequest& prepare,
                        const std::function<std::string(const tax::Recomputed&)>& done) {
    auto fail = [&](const std::string& message) {
        std::cerr << "vorn2026 " << verb << ": " << message << "\n";
        return 1;
    };
    BatchOptions o;
    if (auto error = parse_batch_options(argc, argv, &o)) return fail(*error);
    store::Env& env = store::Env::posix();
    if (!env.is_directory(o.folder)) return fail("pasta não encontrada: " + o.folder);

    const BatchContext context(o, verb);
    tax::RecomputeRequest rq;
    rq.folder = o.folder;
    rq.only_cpf = o.cpf;
    if (Status s = read_protected_status(env, o.install, &rq.STATRAVA); !s)
        return fail("status de proteção ilegível: " + s.message());
    rq.clock = &context.clock();
    rq.selic = &context.selic();
    if (auto error = prepare(o, rq)) return fail(*error);
    bool skipped = false;
    Status s = tax::recompute_folder(env, rq, [&](const tax::Recomputed& r) {
        using Outcome = tax::Recomputed::Outcome;
        const bool left = r.outcome == Outcome::kInUse || r.outcome == Outcome::kProtected;
        skipped = skipped || left;
        std::cout << r.cpf << " IMPPGRE=" << r.IMPPGRE.to_string(2) << " USAPADRAO=" << r.USAPADRAO
                  << " "
                  << (r.outcome == Outcome::kInUse ? "em uso no terminal " + r.terminal
                      : left                       ? std::string("protegida")
                                                   : done(r))
                  << "\n";
    });
    std::cout << std::flush;
    if (!s) return fail(s.message());
    if (!std::cout) return fail("erro ao escrever a saída");
    return skipped ? 4 : 0;
}

BatchContext::BatchContext(const BatchOptions& o, const std::string& verb) {
    if (o.now) fixed_.emplace(*o.now);
    if (Status s = tax::read_interest_table(store::Env::posix(), o.install, &selic_); !s)
        std::cerr << "vorn2026 " << verb
                  << ": tabela da Selic ilegível, juros sem Selic: " << s.message() << "\n";
}

const Clock& BatchContext::clock() const {
    return fixed_ ? static_cast<const Clock&>(*fixed_) : system_;
}

void BatchOperator::notice(NoticeKind, std::string_view, std::string_view text) {
    tell(text);
}

bool BatchOperator::yes_no(std::string_view, std::string_view text, bool default_yes) {
    if (!answer) {
        tell(text);
        return default_yes;
    }
    tell(std::string(text) + (*answer ? " S" : " N"));
    return *answer;
}

int BatchOperator::choose(std::string_view, std::string_view text, const std::vector<std::string>&,
                          int default_button) {
    tell(text);
    return default_button;
}

void BatchOperator::tell(std::string_view text) {
    std::string line(text);
    for (size_t p; (p = line.find('\n')) != std::string::npos;) line.replace(p, 1, " / ");
    std::cerr << "vorn2026 " << verb_ << ": " << (cpf.empty() ? "" : "CPF " + cpf + ": ") << line
              << "\n";
}

}  // namespace vorn
