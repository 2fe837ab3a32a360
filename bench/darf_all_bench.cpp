// darf_all_bench DIR OUT: times `vorn2026 darf --all --kind 1 --from 2 --to 2` (text files into
// OUT) beside `vorn2026 calc --all` over the same data folder in one run, output discarded, and
// prints both and their ratio.
#include <chrono>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "shell/commands.h"

namespace {

struct Times {
    double wall = 0, cpu = 0;
};

// Wall-clock and processor time: on a shared machine the processor time is the steadier figure,
// the wall-clock time also counts the file system's work on the text files.
Times timed(int (*run)(int, char**), std::vector<std::string> args, size_t* lines, int* status) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    std::ostringstream out;
    auto* old = std::cout.rdbuf(out.rdbuf());
    const std::clock_t cpu_start = std::clock();
    const auto start = std::chrono::steady_clock::now();
    *status = run(static_cast<int>(argv.size()), argv.data());
    const auto end = std::chrono::steady_clock::now();
    const std::clock_t cpu_end = std::clock();
    std::cout.rdbuf(old);
    const std::string text = out.str();
    *lines = 0;
    for (char c : text) *lines += c == '\n';
    return {std::chrono::duration<double>(end - start).count(),
            static_cast<double>(cpu_end - cpu_start) / CLOCKS_PER_SEC};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "uso: darf_all_bench PASTA SAIDA\n");
        return 1;
    }
    const std::string folder = argv[1], out = argv[2];
    const std::string now = "2026-04-15 10:00:00";
    size_t calc_lines = 0, darf_lines = 0;
    int status = 0;
    const Times calc =
        timed(vorn::run_calc_command, {"calc", "--folder", folder, "--all", "--now", now},
              &calc_lines, &status);
    if (status != 0) return status;
    const Times darf = timed(vorn::run_darf_command,
                             {"darf", "--folder", folder, "--all", "--kind", "1", "--from", "2",
                              "--to", "2", "--pay", "15/08/2026", "--out", out, "--now", now},
                             &darf_lines, &status);
    if (status != 0) return status;
    std::printf("calc --all: %.3f s (processador %.3f s)\n", calc.wall, calc.cpu);
    std::printf("darf --all --kind 1 --from 2 --to 2: %.3f s (processador %.3f s), %zu DARFs\n",
                darf.wall, darf.cpu, darf_lines);
    std::printf("razão darf / calc: %.2f (processador %.2f)\n", darf.wall / calc.wall,
                darf.cpu / calc.cpu);
    return 0;
}
