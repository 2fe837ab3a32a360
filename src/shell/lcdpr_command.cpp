// The lcdpr batch command: the digital rural cash book of each declarant who keeps it, written
// into an output folder from the tables of a data folder read without changing them.
#include <iostream>
#include <map>
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

constexpr const char* kNotDigital =
    "Esse arquivo só é gerado para quem usa o Livro Caixa Digital do Produtor Rural (LCDPR)";

// Whether the declarant keeps the digital book: rural activity in Brazil entered as LCDPR.
bool keeps_digital_book(const rural::RuralTables& t) {
    if (t.registry.str("TEMRURAL") != "S") return false;
    const store::Record* brazil = rural::result_of(t, true);
    return brazil != nullptr && brazil->num("TIPO_LANCA") == Decimal(rural::kLcdpr);
}

}  // namespace

int run_lcdpr_command(int argc, char** argv) {
    // --out DIR is this command's own; the rest is the batch command line.
    std::string out_dir;
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::string(argv[i]) == "--out") {
            if (i + 1 >= argc) return fail("--out sem pasta");
            out_dir = argv[++i];
        } else {
            rest.push_back(argv[i]);
        }
    }
    BatchOptions o;
    if (auto error = parse_batch_options(static_cast<int>(rest.size()), rest.data(), &o))
        return fail(*error + " [--out PASTA]");
    if (out_dir.empty()) out_dir = o.install;
    store::Env& env = store::Env::posix();
    if (!env.is_directory(o.folder)) return fail("pasta não encontrada: " + o.folder);
    if (!env.is_directory(out_dir)) return fail("pasta de saída não encontrada: " + out_dir);

    rural::MunicipalityCodes codes;
    if (Status s = rural::read_municipality_codes(env, o.install, &codes); !s)
        return fail(s.message());
    std::vector<std::string> cpfs;
    if (Status s = rural::registry_cpfs(env, o.folder, &cpfs); !s) return fail(s.message());
    std::set<std::string> wanted;
    if (o.all) {
        wanted.insert(cpfs.begin(), cpfs.end());
    } else {
        wanted.insert(o.cpf);
    }
    std::map<std::string, rural::RuralTables> tables;
    if (Status s = rural::read_rural_tables(env, o.folder, wanted, &tables); !s)
        return fail(s.message());
    if (!o.all && tables.count(o.cpf) == 0)
        return fail("CPF " + o.cpf + " não encontrado na pasta " + o.folder);

    const auto lookup = [&](const std::string& city, const std::string& uf) {
        return rural::municipality_code(codes, city, uf);
    };
    int stopped = 0;
    // Registry order, as the folder lists its declarants.
    for (const std::string& cpf : cpfs) {
        auto it = tables.find(cpf);
        if (it == tables.end()) continue;
        const rural::RuralTables& t = it->second;
        if (!keeps_digital_book(t)) {
            // Asked for by name, the declarant is told why no book came; --all passes over it.
            if (!o.all) {
                std::cout << cpf << " " << kNotDigital << "\n";
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
        std::string content, stop;
        rural::build_lcdpr(src, lookup, &content, &stop);
        if (!stop.empty()) {
            std::cout << cpf << " " << stop << "\n";
            ++stopped;
            continue;
        }
        const std::string path = store::join_path(out_dir, rural::lcdpr_file_name(cpf));
        std::string message;
        if (Status s = rural::write_lcdpr(path, content, &message); !s) {
            std::cout << cpf << " " << message << "\n";
            ++stopped;
            continue;
        }
        std::cout << cpf << " " << path << "\n";
    }
    std::cout << std::flush;
    if (!std::cout) return fail("erro ao escrever a saída");
    return stopped > 0 ? 1 : 0;
}

}  // namespace vorn
