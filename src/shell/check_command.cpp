// The check batch command: the consistency check of a folder's declarations, read-only like calc,
// or with --record storing the findings in the folder's notes table as the main menu's check does.
#include <cstring>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "base/operator.h"
#include "base/text.h"
#include "maintenance/check.h"
#include "shell/batch_options.h"
#include "shell/commands.h"
#include "store/env.h"
#include "tax/folder.h"

namespace vorn {
namespace {

int fail(const std::string& message) {
    std::cerr << "vorn2026 check: " << message << "\n";
    return 1;
}

std::string two(int n) {
    return (n < 10 ? "0" : "") + std::to_string(n);
}

// "CPF;CODE;GRAU;PAGINA;TELA;TEXT": GRAU 0 for a finding recorded without counting.
void print(const std::string& cpf, const maintenance::CheckResult& r, std::string& out) {
    for (const auto& f : r.findings)
        out += cpf + ";" + two(f.code) + ";" + std::to_string(f.grade) + ";" + two(f.page) + ";" +
               std::to_string(f.screen) + ";" + f.text + "\n";
    out += "CPF=" + cpf + " ERROS=" + std::to_string(r.errors) +
           " PERIGOS=" + std::to_string(r.dangers) + " ATENCOES=" + std::to_string(r.attentions) +
           "\n";
}

}  // namespace

int run_check_command(int argc, char** argv) {
    // --record is this command's own; the rest is the common command line.
    bool record = false;
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (i > 0 && std::strcmp(argv[i], "--record") == 0) {
            record = true;
            continue;
        }
        args.push_back(argv[i]);
    }
    BatchOptions o;
    if (auto error = parse_batch_options(static_cast<int>(args.size()), args.data(), &o))
        return fail(*error + (error->find("--folder") != std::string::npos ? " [--record]" : ""));
    store::Env& env = store::Env::posix();
    if (!env.is_directory(o.folder)) return fail("pasta não encontrada: " + o.folder);

    maintenance::ErrorCatalogue catalogue;
    if (Status s = maintenance::ErrorCatalogue::read(env, o.install, &catalogue); !s)
        return fail(s.message());
    std::map<std::string, tax::PastResult> history;
    if (Status s = maintenance::read_history(env, o.install, "2024", &history); !s)
        return fail(s.message());
    tax::FolderReader folder;
    if (Status s = tax::FolderReader::read(env, o.folder, o.cpf, &folder); !s)
        return fail(s.message());
    if (!o.all && !folder.has(o.cpf))
        return fail("CPF " + o.cpf + " não encontrado na pasta " + o.folder);
    const BatchContext context(o, "check");

    constexpr size_t kGroup = 64;
    SilentOperator op;
    maintenance::Checker checker(catalogue, op, context.clock());
    std::string out;
    size_t failed = 0, with_errors = 0;
    std::vector<tax::FolderReader::Loaded> group;
    for (size_t first = 0; first < folder.cpfs().size(); first += kGroup) {
        if (Status s = folder.load(first, kGroup, &group); !s) {
            std::cout << out << std::flush;
            return fail(s.message());
        }
        for (auto& l : group) {
            if (!l.status) {
                std::cerr << "vorn2026 check: CPF " << l.cpf << ": " << l.status.message() << "\n";
                ++failed;
                continue;
            }
            maintenance::CheckInput in;
            in.declaration = &l.declaration;
            in.gains = &l.gains;
            if (auto h = history.find(l.cpf); h != history.end()) in.last_year = h->second;
            const maintenance::CheckResult r = checker.CONFERE(in, 3);
            print(l.cpf, r, out);
            if (r.errors > 0) ++with_errors;
            if (!record) continue;
            // A declaration open on a terminal has its findings written by that terminal.
            const std::string terminal = trim(l.declaration.registry.str("NUSUAT"));
            if (!terminal.empty()) {
                out += "CPF=" + l.cpf + " em uso no terminal " + terminal + ": não gravada\n";
                continue;
            }
            if (Status s = maintenance::record_findings(env, o.folder, l.cpf, r.findings,
                                                        &context.clock(), 30);
                !s) {
                std::cout << out << std::flush;
                return fail("CPF " + l.cpf + ": " + s.message());
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
                    " declarações não conferidas");
    return with_errors > 0 ? 2 : 0;
}

}  // namespace vorn
