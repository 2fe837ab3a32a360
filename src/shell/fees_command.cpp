// The fees batch command: the fee report of a data folder, as print item 11 prints it.
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "office/fees.h"
#include "shell/commands.h"
#include "store/env.h"

namespace vorn {
namespace {

int fail(const std::string& message) {
    std::cerr << "vorn2026 fees: " << message << "\n";
    return 1;
}

constexpr const char* kUsage =
    "uso: vorn2026 fees --folder PASTA [--marked] [--install PASTA] [--txt ARQUIVO]";

}  // namespace

int run_fees_command(int argc, char** argv) {
    std::string folder, install, txt;
    bool marked = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--marked") {
            marked = true;
        } else if ((a == "--folder" || a == "--install" || a == "--txt") && i + 1 < argc) {
            (a == "--folder" ? folder : a == "--install" ? install : txt) = argv[++i];
        } else {
            return fail("argumento desconhecido: " + a + "\n" + kUsage);
        }
    }
    if (folder.empty()) return fail(kUsage);
    store::Env& env = store::Env::posix();
    if (install.empty()) {
        const char* dir = std::getenv("DIR2026");
        install = dir != nullptr && env.is_directory(dir) ? dir : ".";
    }
    if (!env.is_directory(folder)) return fail("pasta não encontrada: " + folder);
    office::FeeRates rates;
    if (Status s = office::read_fee_rates(env, install, &rates); !s) return fail(s.message());
    std::vector<office::FeeClient> clients;
    if (Status s = office::read_fee_clients(env, folder, &clients); !s) return fail(s.message());
    printing::PrintWriter out;
    office::fee_report(folder, clients, rates, marked, 60, out);
    if (txt.empty()) {
        std::cout << out.text();
        return std::cout.good() ? 0 : fail("saída não gravada");
    }
    std::ofstream file(txt, std::ios::binary | std::ios::trunc);
    file << out.text();
    file.close();
    return file ? 0 : fail("não foi possível gravar " + txt);
}

}  // namespace vorn
