// The corrigido batch command: the corrected tax of every declaration of a data folder, as F5 of
// the chooser lists it.
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "payments/corrected.h"
#include "shell/batch_options.h"
#include "shell/commands.h"
#include "store/env.h"

namespace vorn {

int run_corrected_command(int argc, char** argv) {
    auto fail = [](const std::string& message) {
        std::cerr << "vorn2026 corrigido: " << message << "\n";
        return 1;
    };
    // Every declaration unless one CPF is asked for.
    std::vector<char*> args(argv, argv + argc);
    static char all[] = "--all";
    bool chosen = false;
    for (int i = 1; i < argc; ++i)
        chosen = chosen || std::strcmp(argv[i], "--all") == 0 || std::strcmp(argv[i], "--cpf") == 0;
    if (!chosen) args.push_back(all);
    BatchOptions o;
    if (auto error = parse_batch_options(static_cast<int>(args.size()), args.data(), &o))
        return fail(*error);
    store::Env& env = store::Env::posix();
    if (!env.is_directory(o.folder)) return fail("pasta não encontrada: " + o.folder);

    const BatchContext context(o, "corrigido");
    const Date today = context.clock().today();
    if (today < Date(2026, 5, 1)) return fail("Função só utilizavel após mês de Maio de 2026");
    if (!payments::selic_up_to_date(context.selic(), today))
        std::cerr << "vorn2026 corrigido: Atenção! A tabela da Selic não está atualizada.\n";
    const Decimal interest = payments::corrected_interest(context.selic(), today).percent;
    std::cout << "JUROS=" << interest.to_string(2) << "\n";
    Status s =
        payments::each_corrected_row(env, o.folder, interest, [&](const payments::CorrectedRow& r) {
            if (!o.cpf.empty() && r.CPF != o.cpf) return Status::ok();
            std::cout << r.CPF << " IMPPGRE=" << r.IMPPGRE.to_string(2)
                      << " QTD_QUOTA=" << r.QTD_QUOTA.to_string(0)
                      << " IMPOSTO=" << r.IMPOSTO.to_string(2)
                      << " RESTITU=" << r.RESTITU.to_string(2)
                      << " CORRIGI=" << r.CORRIGI.to_string(2) << " " << r.NOMECONTR << "\n";
            return std::cout ? Status::ok() : Status::io_error("erro ao escrever a saída");
        });
    std::cout << std::flush;
    if (!s) return fail(s.message());
    return 0;
}

}  // namespace vorn
