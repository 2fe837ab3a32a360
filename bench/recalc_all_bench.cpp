// recalc_all_bench DIR: times `vorn2026 recalc --all` against `calc --all` over a copy of a data
// folder (DIR itself is left as it is): calc, the first recalc (which writes what the computation
// changes), recalc again with nothing to change, and calc once more; then the ratio of the second
// recalc to the mean of the two calc runs.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_util.h"
#include "shell/commands.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "uso: recalc_all_bench PASTA\n");
        return 1;
    }
    namespace fs = std::filesystem;
    const std::string copy = std::string(argv[1]) + ".recalc";
    fs::remove_all(copy);
    fs::copy(argv[1], copy, fs::copy_options::recursive);
    auto args = [&](const char* verb) {
        return std::vector<std::string>{verb,    "--folder", copy,
                                        "--all", "--now",    "2026-04-15 10:00:00"};
    };
    size_t n = 0, saved = 0, unchanged = 0, n2 = 0;
    const double calc1 = bench::batch_seconds(vorn::run_calc_command, args("calc"), "CPF=", &n);
    const double first =
        bench::batch_seconds(vorn::run_recalc_command, args("recalc"), " gravada", &saved);
    const double again =
        bench::batch_seconds(vorn::run_recalc_command, args("recalc"), " inalterada", &unchanged);
    const double calc2 = bench::batch_seconds(vorn::run_calc_command, args("calc"), "CPF=", &n2);
    const double calc = (calc1 + calc2) / 2;
    std::printf("calc --all: %zu declarações, %.3f s e %.3f s\n", n, calc1, calc2);
    std::printf("recalc --all, a primeira: %.3f s (%zu gravadas)\n", first, saved);
    std::printf("recalc --all sem nada a mudar: %.3f s (%zu inalteradas)\n", again, unchanged);
    std::printf("razão recalc sem mudança / calc: %.2f\n", again / calc);
    fs::remove_all(copy);
    return 0;
}
