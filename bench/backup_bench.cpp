// backup_bench DIR [REPEAT]: times the compressed backup of a data folder (each table copied under
// its lock, archived under a new name, tested, renamed) beside the archiver alone over the same
// tables, and prints both and the ratio.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "base/process.h"
#include "maintenance/backup.h"
#include "store/env.h"

namespace {

namespace fs = std::filesystem;

template <typename F>
double seconds(F&& f) {
    const auto start = std::chrono::steady_clock::now();
    if (!f()) return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "uso: backup_bench PASTA [REPETIÇÕES]\n");
        return 1;
    }
    const std::string folder = argv[1];
    const int repeat = argc > 2 ? std::stoi(argv[2]) : 1;
    vorn::store::Env& env = vorn::store::Env::posix();
    vorn::maintenance::Archiver archiver{vorn::SystemProcesses::instance()};
    const fs::path out = fs::temp_directory_path() / "vorn-backup-bench";
    std::vector<std::string> tables;
    for (const auto& [n, names] : vorn::maintenance::table_files(env, folder))
        tables.push_back((fs::path(folder) / names.front()).string());
    for (int r = 0; r < repeat; ++r) {
        fs::remove_all(out);
        fs::create_directories(out / "plain");
        vorn::maintenance::BackupResult result;
        const double ours = seconds([&] {
            return vorn::maintenance::backup_folder(env, archiver, folder, (out / "ours").string(),
                                                    &result)
                .is_ok();
        });
        std::vector<std::string> args = {"7z", "a", (out / "plain" / "IR_ZIP26.zip").string()};
        args.insert(args.end(), tables.begin(), tables.end());
        std::string report;
        const double plain = seconds(
            [&] { return vorn::SystemProcesses::instance().capture(args, {}, &report).is_ok(); });
        if (ours < 0 || plain < 0) return 1;
        std::printf("backup: %.3f s; 7z a: %.3f s (%.2f×), %zu tabelas, %ju bytes\n", ours, plain,
                    ours / plain, tables.size(),
                    static_cast<uintmax_t>(fs::file_size(out / "ours" / "IR_ZIP26.zip")));
    }
    fs::remove_all(out);
    return 0;
}
