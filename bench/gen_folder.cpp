// gen_folder DIR N [SEED]: writes a data folder of N realistic declarations (tables 1 to 21; the
// declarations are generator.h's). The same seed gives the same folder.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "generator.h"
#include "store/env.h"
#include "tax/folder.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "uso: gen_folder PASTA N [SEMENTE]\n");
        return 1;
    }
    const std::string dir = argv[1];
    const int n = std::stoi(argv[2]);
    bench::Generator g(argc > 3 ? static_cast<unsigned>(std::stoul(argv[3])) : 2026u);
    std::vector<vorn::tax::Declaration> all;
    all.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) all.push_back(g.declaration(i));
    std::filesystem::create_directories(dir);
    vorn::ManualClock clock(vorn::DateTime{vorn::Date(2026, 4, 1), 0});
    if (vorn::Status s = vorn::tax::write_folder(vorn::store::Env::posix(), dir, all, &clock); !s) {
        std::fprintf(stderr, "gen_folder: %s\n", s.message().c_str());
        return 1;
    }
    std::printf("%d declarações gravadas em %s\n", n, dir.c_str());
    return 0;
}
