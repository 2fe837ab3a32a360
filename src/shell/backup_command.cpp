// The backup and restore batch commands: the compressed backup of a data folder and its restore,
// as the main menu's backup commands make and read them.
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "base/process.h"
#include "maintenance/backup.h"
#include "shell/batch_options.h"
#include "shell/commands.h"
#include "store/env.h"

namespace vorn {
namespace {

int fail(const char* verb, const std::string& message) {
    std::cerr << "vorn2026 " << verb << ": " << message << "\n";
    return 1;
}

// The archiver: VORN_ARCHIVER when set, else 7z from PATH.
maintenance::Archiver archiver() {
    const char* program = std::getenv("VORN_ARCHIVER");
    return {SystemProcesses::instance(), program && *program ? program : "7z"};
}

// Reads "--name VALUE" pairs of argv[1..argc) into the named slots; false on anything else.
bool read_pairs(int argc, char** argv,
                std::initializer_list<std::pair<const char*, std::string*>> slots) {
    for (int i = 1; i < argc; i += 2) {
        bool known = false;
        for (const auto& [name, slot] : slots)
            if (std::strcmp(argv[i], name) == 0 && i + 1 < argc) {
                *slot = argv[i + 1];
                known = true;
            }
        if (!known) return false;
    }
    for (const auto& [name, slot] : slots)
        if (slot->empty() && std::strcmp(name, "--now") != 0) return false;
    return true;
}

}  // namespace

int run_backup_command(int argc, char** argv) {
    std::string folder, to;
    if (!read_pairs(argc, argv, {{"--folder", &folder}, {"--to", &to}}))
        return fail("backup", "uso: vorn2026 backup --folder PASTA --to DESTINO");
    store::Env& env = store::Env::posix();
    if (!env.is_directory(folder)) return fail("backup", "pasta não encontrada: " + folder);
    maintenance::BackupResult r;
    if (Status s = maintenance::backup_folder(env, archiver(), folder, to, &r); !s)
        return fail("backup", s.message());
    std::cout << "Arquivo " << r.archive << " gravado com " << r.files << " tabelas\n";
    // The office's off-site copy, when it has one, receives the new archive.
    if (const char* off_site = std::getenv("VORN_OFFSITE"); off_site && *off_site)
        if (Status s = maintenance::send_off_site(SystemProcesses::instance(), off_site, r.archive);
            !s)
            return fail("backup", s.message());
    return 0;
}

int run_restore_command(int argc, char** argv) {
    std::string from, folder, now;
    if (!read_pairs(argc, argv, {{"--from", &from}, {"--folder", &folder}, {"--now", &now}}))
        return fail("restore",
                    "uso: vorn2026 restore --from ORIGEM --folder PASTA [--now \"AAAA-MM-DD "
                    "HH:MM:SS\"]");
    store::Env& env = store::Env::posix();
    maintenance::RestoreOptions o;
    if (now.empty()) {
        o.now = SystemClock().now();
    } else if (auto t = parse_datetime(now)) {
        o.now = *t;
    } else {
        return fail("restore", "data e hora inválidas: " + now);
    }
    maintenance::RestoreResult r;
    if (Status s = maintenance::restore_folder(env, archiver(), from, folder, o, &r); !s)
        return fail("restore", s.message());
    std::cout << "Restauradas " << r.tables.size() << " tabelas em " << folder << "\n";
    if (!r.safety.empty()) std::cout << "Tabelas substituídas guardadas em " << r.safety << "\n";
    return 0;
}

}  // namespace vorn
