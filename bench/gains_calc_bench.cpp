// gains_calc_bench WITH WITHOUT: times `vorn2026 calc --all` once over a data folder holding
// capital gains and variable income (gen_folder DIR N) and once over the same folder without
// them (gen_folder DIR N --sem-ganhos: tables 7 and 8 empty), and prints both times and their
// ratio: what the gains cost the computation of a whole folder.
#include <cstdio>
#include <string>

#include "bench_util.h"
#include "shell/commands.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "uso: gains_calc_bench PASTA_COM_GANHOS PASTA_SEM_GANHOS\n");
        return 1;
    }
    auto time_of = [](const std::string& folder, size_t* declarations) {
        return bench::batch_seconds(
            vorn::run_calc_command,
            {"calc", "--folder", folder, "--all", "--now", "2026-04-15 10:00:00"},
            "CPF=", declarations);
    };
    size_t with_n = 0, without_n = 0;
    const double with = time_of(argv[1], &with_n);
    const double without = time_of(argv[2], &without_n);
    if (with_n != without_n) {
        std::fprintf(stderr, "as pastas têm %zu e %zu declarações\n", with_n, without_n);
        return 1;
    }
    std::printf("calc --all com ganhos: %zu declarações, %.3f s\n", with_n, with);
    std::printf("calc --all sem ganhos: %zu declarações, %.3f s\n", without_n, without);
    std::printf("razão: %.2f\n", without > 0 ? with / without : 0.0);
    return 0;
}
