// post_all_bench DIR [N] [WITH]: writes a data folder of N generated declarations (default 5000)
// into DIR, WITH of them (default 500, one in every N / WITH) carrying 20 postings not yet
// transferred, with the delivered chart of accounts beside them; then times `calc --all`,
// `vorn2026 post --all` and `calc --all` again over it, and prints the ratio of post to the mean
// of the two calc runs.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_util.h"
#include "generator.h"
#include "shell/commands.h"
#include "shell/install.h"
#include "store/env.h"
#include "tax/folder.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "uso: post_all_bench PASTA [N] [COM_LANCAMENTOS]\n");
        return 1;
    }
    namespace fs = std::filesystem;
    const std::string dir = argv[1];
    const int n = argc > 2 ? std::stoi(argv[2]) : 5000;
    const int with = argc > 3 ? std::stoi(argv[3]) : 500;
    const int every = with > 0 ? std::max(1, n / with) : n + 1;
    fs::remove_all(dir);
    fs::create_directories(dir);
    vorn::store::Env& env = vorn::store::Env::posix();
    std::vector<std::string> report;
    bench::check(vorn::shell::install_reference_tables(env, VORN_REF_DIR, dir, nullptr, &report),
                 "install");
    bench::Generator g(2026);
    std::vector<vorn::tax::Declaration> all;
    all.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        all.push_back(g.declaration(i));
        if (i % every == 0) bench::Generator(static_cast<unsigned>(i)).postings(all.back(), 20);
    }
    vorn::ManualClock clock(vorn::DateTime{vorn::Date(2026, 4, 1), 0});
    bench::check(vorn::tax::write_folder(env, dir, all, &clock), "gen");

    auto args = [&](const char* verb) {
        return std::vector<std::string>{verb,        "--folder", dir,     "--all",
                                        "--install", dir,        "--now", "2026-04-15 10:00:00"};
    };
    size_t n1 = 0, posted = 0, n2 = 0;
    const double calc1 = bench::batch_seconds(vorn::run_calc_command, args("calc"), "CPF=", &n1);
    const double post =
        bench::batch_seconds(vorn::run_post_command, args("post"), " lancamento", &posted);
    const double calc2 = bench::batch_seconds(vorn::run_calc_command, args("calc"), "CPF=", &n2);
    const double calc = (calc1 + calc2) / 2;
    std::printf("calc --all: %zu declarações, %.3f s e %.3f s\n", n1, calc1, calc2);
    std::printf("post --all: %.3f s (%zu declarações com lançamentos)\n", post, posted);
    std::printf("razão post / calc: %.2f\n", post / calc);
    fs::remove_all(dir);
    return 0;
}
