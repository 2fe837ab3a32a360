// Command-line arguments of the batch commands over a data folder.
#include "shell/batch_options.h"

#include <cstdlib>
#include <iostream>

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

BatchContext::BatchContext(const BatchOptions& o, const std::string& verb) {
    if (o.now) fixed_.emplace(*o.now);
    if (Status s = tax::read_interest_table(store::Env::posix(), o.install, &selic_); !s)
        std::cerr << "vorn2026 " << verb
                  << ": tabela da Selic ilegível, juros sem Selic: " << s.message() << "\n";
}

const Clock& BatchContext::clock() const {
    return fixed_ ? static_cast<const Clock&>(*fixed_) : system_;
}

}  // namespace vorn
