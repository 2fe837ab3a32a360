// gen_folder DIR N [SEED] [--sem-ganhos]: writes a data folder of N realistic declarations (tables
// 1 to 21; the declarations are generator.h's, their capital gains and variable income
// gains_generator.h's, left out with --sem-ganhos). The same seed gives the same folder.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "gains_generator.h"
#include "generator.h"
#include "store/dbf.h"
#include "store/env.h"
#include "tax/folder.h"

int main(int argc, char** argv) {
    bool with_gains = true;
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--sem-ganhos") == 0)
            with_gains = false;
        else
            args.push_back(argv[i]);
    }
    if (args.size() < 2) {
        std::fprintf(stderr, "uso: gen_folder PASTA N [SEMENTE] [--sem-ganhos]\n");
        return 1;
    }
    const std::string dir = args[0];
    const int n = std::stoi(args[1]);
    const unsigned seed = args.size() > 2 ? static_cast<unsigned>(std::stoul(args[2])) : 2026u;
    bench::Generator g(seed);
    bench::GainsGenerator gains(seed + 1);
    std::vector<vorn::tax::Declaration> all;
    std::vector<vorn::store::Record> t7, t8;
    all.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        all.push_back(g.declaration(i));
        if (with_gains) gains.add(i, all.back(), t7, t8);
    }
    std::filesystem::create_directories(dir);
    vorn::ManualClock clock(vorn::DateTime{vorn::Date(2026, 4, 1), 0});
    vorn::store::Env& env = vorn::store::Env::posix();
    vorn::Status s = vorn::tax::write_folder(env, dir, all, &clock);
    // The gains are not held by the declarations: their tables are written over the empty ones.
    for (auto [number, rows] : {std::pair{7, &t7}, {8, &t8}}) {
        if (!s || rows->empty()) continue;
        const auto* def = vorn::store::table_def(number);
        s = vorn::store::Table::create(env, dir + "/" + def->file_base("") + ".DBF", *def->layout,
                                       *rows, &clock, true);
    }
    if (!s) {
        std::fprintf(stderr, "gen_folder: %s\n", s.message().c_str());
        return 1;
    }
    std::printf("%d declarações gravadas em %s (%zu registros de ganhos)\n", n, dir.c_str(),
                t7.size());
    return 0;
}
