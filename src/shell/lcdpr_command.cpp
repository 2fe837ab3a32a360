// The lcdpr batch command: writes the rural cash-book files of the declarants whose book is kept
// for the LCDPR, reading the folder without changing any table.
#include <iostream>
#include <set>
#include <string>
#include <vector>

#include "rural/book_folder.h"
#include "rural/lcdpr.h"
#include "rural/result.h"
#include "shell/batch_options.h"
#include "shell/commands.h"
#include "store/env.h"

namespace vorn {
namespace {

int fail(const std::string& message) {
    std::cerr << "vorn2026 lcdpr: " << message << "\n";
    return 1;
}

bool keeps_lcdpr(const rural::RuralTables& t) {
    const store::Record* r = rural::result_of(t, true);
    return r != nullptr && r->num("TIPO_LANCA").whole() == rural::kLcdpr;
}

}  // namespace

int run_lcdpr_command(int argc, char** argv) {
    // --out is this command's own; the rest is the batch commands' common line.
    std::string out_dir;
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (std::string(argv[i]) == "--out") {
            if (i + 1 >= argc) return fail(batch_usage("lcdpr") + " [--out DIR]");
            out_dir = argv[++i];
            continue;
        }
        args.push_back(argv[i]);
    }
    BatchOptions o;
    if (auto error = parse_batch_options(static_cast<int>(args.size()), args.data(), &o))
        return fail(*error + " [--out DIR]");
    store::Env& env = store::Env::posix();
    if (!env.is_directory(o.folder)) return fail("pasta não encontrada: " + o.folder);
    if (out_dir.empty()) out_dir = o.install;
    if (!env.is_directory(out_dir)) return fail("pasta não encontrada: " + out_dir);

    rural::MunicipalityCodes codes;
    if (Status s = rural::read_municipality_codes(env, o.install, &codes); !s)
        return fail(s.message());
    std::vector<std::string> cpfs;
    if (o.all) {
        if (Status s = rural::registry_cpfs(env, o.folder, &cpfs); !s) return fail(s.message());
    } else {
        cpfs.push_back(o.cpf);
    }
    std::map<std::string, rural::RuralTables> tables;
    if (Status s = rural::read_rural_tables(env, o.folder, {cpfs.begin(), cpfs.end()}, &tables); !s)
        return fail(s.message());
    if (!o.all && tables.count(o.cpf) == 0)
        return fail("CPF " + o.cpf + " não encontrado na pasta " + o.folder);

    const auto lookup = [&](const std::string& city, const std::string& uf) {
        return rural::municipality_code(codes, city, uf);
    };
    int stopped = 0;
    std::set<std::string> done;
    for (const auto& cpf : cpfs) {
        auto it = tables.find(cpf);
        if (it == tables.end() || !done.insert(cpf).second) continue;
        const rural::RuralTables& t = it->second;
        if (!keeps_lcdpr(t)) {
            if (!o.all) {
                std::cout << cpf << ": Livro caixa rural não está no modo LCDPR\n";
                ++stopped;
            }
            continue;
        }
        rural::LcdprSources src;
        src.registry = t.registry;
        src.summary = t.summary;
        src.result = *rural::result_of(t, true);
        src.properties = rural::of_country(t.properties, true);
        src.accounts = t.accounts;
        src.entries = rural::of_country(t.entries, true);
        std::string book, stop, message;
        rural::build_lcdpr(src, lookup, &book, &stop);
        if (stop.empty()) {
            const std::string path = out_dir + "/" + rural::lcdpr_file_name(cpf);
            if (!rural::write_lcdpr(path, book, &message)) stop = message;
        }
        if (!stop.empty()) ++stopped;
        std::cout << cpf << ": " << (stop.empty() ? message : stop) << "\n";
    }
    std::cout << std::flush;
    if (!std::cout) return fail("erro ao escrever a saída");
    return stopped > 0 ? 4 : 0;
}

}  // namespace vorn
