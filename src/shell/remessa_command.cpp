// The remessa batch command: the office's registered collection slips written into the bank's
// remittance file, as option 5 of the slips menu writes it.
#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/text.h"
#include "office/remittance.h"
#include "shell/batch_options.h"
#include "shell/commands.h"
#include "store/catalogue.h"
#include "store/cdx_index.h"
#include "store/dbf.h"
#include "store/env.h"
#include "store/opening.h"

namespace vorn {
namespace {

int fail(const std::string& message) {
    std::cerr << "vorn2026 remessa: " << message << "\n";
    return 1;
}

constexpr const char* kUsage =
    "uso: vorn2026 remessa [--install PASTA] [--folder PASTA]... [--now \"AAAA-MM-DD HH:MM:SS\"]";

// The data folders of every terminal's folder list ("DIRET" + NN + ".DBF"), each once, in the
// order the lists hold them.
std::vector<std::string> listed_folders(store::Env& env, const std::string& install) {
    std::vector<std::string> names, out;
    if (!env.list(install, &names)) return out;
    std::sort(names.begin(), names.end());
    std::set<std::string> seen;
    for (const std::string& name : names) {
        const std::string up = upper(name);
        if (up.rfind("DIRET", 0) != 0 || up.size() != 11 || up.substr(7) != ".DBF") continue;
        std::unique_ptr<store::Table> t;
        store::OpenOptions o;
        o.read_only = true;
        if (!store::Table::open(env, store::join_path(install, name), o, &t)) continue;
        for (Status s = t->go_top(); s && !t->eof(); s = t->skip()) {
            const std::string folder = trim(t->str("DIRETOR"));
            if (!t->deleted() && !folder.empty() && seen.insert(upper(folder)).second)
                out.push_back(folder);
        }
        (void)t->close();
    }
    return out;
}

}  // namespace

int run_remessa_command(int argc, char** argv) {
    std::string install;
    std::vector<std::string> folders;
    std::optional<DateTime> now;
    for (int i = 1; i < argc; i += 2) {
        const std::string a = argv[i];
        if (i + 1 >= argc) return fail(kUsage);
        if (a == "--install") {
            install = argv[i + 1];
        } else if (a == "--folder") {
            folders.push_back(argv[i + 1]);
        } else if (a == "--now") {
            now = parse_datetime(argv[i + 1]);
            if (!now) return fail(std::string("data e hora inválidas: ") + argv[i + 1]);
        } else {
            return fail("argumento desconhecido: " + a + "\n" + kUsage);
        }
    }
    store::Env& env = store::Env::posix();
    if (install.empty()) {
        const char* dir = std::getenv("DIR2026");
        install = dir != nullptr && env.is_directory(dir) ? dir : ".";
    }
    if (!env.is_directory(install)) return fail("pasta não encontrada: " + install);
    SystemClock system;
    std::optional<ManualClock> fixed;
    if (now) fixed.emplace(*now);
    const Clock& clock = fixed ? static_cast<const Clock&>(*fixed) : system;

    BatchOperator op("remessa");
    store::CdxIndexFiles indexes(op);
    store::WorkAreas w(env, op, clock);
    w.ARQDEF = w.LOCARQ = install;
    w.NUSU = "99";
    w.index_files = &indexes;
    if (!env.exists(store::find_file(env, install, store::table_def(43)->file_base("") + ".DBF")))
        return fail("a instalação " + install + " não tem a configuração do escritório (DEFINE)");
    if (!store::ABERTURA(w, 43)) return fail("DEFINE não abre em " + install);
    const office::BankSetup setup = office::bank_setup_of(*w.table(43));
    w.close(43);

    // The payers' addresses: the folders named, else those the terminals list.
    if (folders.empty()) folders = listed_folders(env, install);
    std::vector<office::Slip> slips;
    {
        const std::string path =
            store::find_file(env, install, store::table_def(67)->file_base("") + ".DBF");
        std::unique_ptr<store::Table> t;
        store::OpenOptions o;
        o.read_only = true;
        if (env.exists(path)) {
            if (Status s = store::Table::open(env, path, o, &t); !s) return fail(s.message());
            Status s = office::read_slips(*t, &slips);
            (void)t->close();
            if (!s) return fail(s.message());
        }
    }
    std::vector<std::string> cpfs;
    for (const auto& s : slips) cpfs.push_back(s.payer_cpf);
    std::map<std::string, office::PayerAddress> addresses;
    if (Status s = office::read_addresses(env, folders, cpfs, &addresses); !s)
        return fail(s.message());

    office::RemittanceResult r;
    Status s = office::write_remittance(
        w, setup, clock.today(),
        [&](const std::string& cpf) -> std::optional<office::PayerAddress> {
            auto it = addresses.find(cpf);
            if (it == addresses.end()) return std::nullopt;
            return it->second;
        },
        &r);
    if (!r.recovered.empty()) std::cerr << "vorn2026 remessa: " << r.recovered << "\n";
    if (!s) return fail(s.message());
    for (const std::string& cpf : r.not_found)
        std::cerr << "vorn2026 remessa: CPF " << cpf
                  << ": o contribuinte não foi localizado em nenhuma das pastas registradas\n";
    std::cout << "Arquivo " << r.path << " gerado com sucesso.\n";
    return 0;
}

}  // namespace vorn
