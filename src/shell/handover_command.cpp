// The handover batch command: declarations of a data folder handed over to the government
// declaration program in the folder VORN_IRPF_DIR, or that program's list of declarations rebuilt.
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "base/operator.h"
#include "output/handover_folder.h"
#include "shell/batch_options.h"
#include "shell/commands.h"
#include "store/env.h"
#include "tax/folder.h"

namespace vorn {
namespace {

constexpr const char* kUsage =
    "uso: vorn2026 handover --folder PASTA (--cpf CPF | --all) [--yes] [--status N] "
    "[--now \"AAAA-MM-DD HH:MM:SS\"] [--install PASTA] | vorn2026 handover --folder PASTA "
    "--rebuild-list";

int fail(const std::string& message) {
    std::cerr << "vorn2026 handover: " << message << "\n";
    return 1;
}

std::string one_line(std::string text) {
    for (size_t p; (p = text.find('\n')) != std::string::npos;) text.replace(p, 1, " / ");
    return text;
}

std::optional<std::string> variable(std::string_view name) {
    const char* v = std::getenv(std::string(name).c_str());
    return v ? std::optional<std::string>(v) : std::nullopt;
}

}  // namespace

int run_handover_command(int argc, char** argv) {
    bool yes = false, rebuild = false;
    long status = 0;
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--yes") {
            yes = true;
        } else if (a == "--rebuild-list") {
            rebuild = true;
        } else if (a == "--status") {
            if (i + 1 >= argc) return fail("--status sem valor");
            char* end = nullptr;
            status = std::strtol(argv[++i], &end, 10);
            if (!end || *end || status < 1 || status > 99) return fail("status inválido");
        } else {
            rest.push_back(argv[i]);
        }
    }
    BatchOptions o;
    if (rebuild) {
        // Only --folder (and --install, --now) with --rebuild-list.
        for (size_t i = 1; i < rest.size(); ++i)
            if (std::string(rest[i]) == "--cpf" || std::string(rest[i]) == "--all")
                return fail(kUsage);
        rest.push_back(const_cast<char*>("--all"));
    }
    if (auto error = parse_batch_options(static_cast<int>(rest.size()), rest.data(), &o))
        return fail(*error + "\n" + kUsage);
    if (o.folder.empty()) return fail(kUsage);
    store::Env& env = store::Env::posix();
    if (!env.is_directory(o.folder)) return fail("pasta não encontrada: " + o.folder);
    const std::string irpf = variable("VORN_IRPF_DIR").value_or("");
    if (irpf.empty())
        return fail(
            "Preencha em Env Receita o Local onde está o programa da receita (VORN_IRPF_DIR)");
    const output::HandoverSetup setup =
        output::handover_setup(env, variable, o.install, irpf, o.folder);
    BatchOperator op("handover");
    op.answer = yes;

    output::DocumentContext ctx;
    if (Status s = output::read_document_context(env, o.install, irpf,
                                                 variable("VORN_IRPF_XMLNS").value_or(""), &ctx);
        !s)
        return fail(s.message());

    if (rebuild) {
        output::ListOutcome list;
        Status s = output::RECUP_INDICE(op, env, SystemProcesses::instance(), setup, ctx.xmlns,
                                        "26", false, &list);
        if (!s) return fail(one_line(s.message()));
        std::cout << "pastas " << list.folders << " recuperadas " << list.recovered
                  << " em preenchimento " << list.preparing << " transmitidas " << list.transmitted
                  << " sem CONF " << list.without_conf << " com defeito " << list.defective << "\n";
        for (const auto& l : list.left_alone) std::cout << "não recuperada: " << l << "\n";
        return 0;
    }

    std::vector<std::string> cpfs;
    if (o.all) {
        tax::FolderReader folder;
        if (Status r = tax::FolderReader::read(env, o.folder, "", &folder); !r)
            return fail(r.message());
        cpfs = folder.cpfs();
    } else {
        cpfs.push_back(o.cpf);
    }
    const BatchContext context(o, "handover");
    ctx.now = context.clock().now();
    output::FolderHandover h{
        env,   SystemProcesses::instance(), setup, ctx, o.folder, context.clock(), context.selic(),
        status};
    size_t failed = 0;
    for (const auto& cpf : cpfs) {
        op.cpf = cpf;
        const output::HandoverOutcome r = output::hand_over(op, h, cpf);
        for (const auto& n : r.notes)
            std::cout << cpf << " " << output::note_kind_name(n.kind) << ": " << one_line(n.text)
                      << "\n";
        if (r.done()) {
            std::cout << cpf << " transferida\n";
        } else {
            ++failed;
            std::cout << cpf << " não transferida: " << one_line(r.reason) << "\n";
        }
        std::cout << std::flush;
    }
    if (failed > 0)
        return fail(std::to_string(failed) + " de " + std::to_string(cpfs.size()) +
                    " declarações não transferidas");
    return 0;
}

}  // namespace vorn
