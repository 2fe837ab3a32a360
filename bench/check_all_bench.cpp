// check_all_bench DIR [REPEAT]: times `vorn2026 check --all` beside `vorn2026 calc --all` over the
// same data folder (output discarded), with the delivered error catalogue, and prints both totals,
// the time per declaration and the ratio.
#include <chrono>
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "shell/commands.h"

namespace {

// Seconds of one run of a verb, and how many declarations it reported; -1 when it failed.
double timed(int (*run)(int, char**), std::vector<std::string> args, size_t* declarations) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    std::ostringstream out;
    auto* old = std::cout.rdbuf(out.rdbuf());
    const auto start = std::chrono::steady_clock::now();
    const int status = run(static_cast<int>(argv.size()), argv.data());
    const auto end = std::chrono::steady_clock::now();
    std::cout.rdbuf(old);
    if (status != 0 && status != 2) return -1;
    const std::string text = out.str();
    *declarations = 0;
    for (size_t p = 0; (p = text.find("CPF=", p)) != std::string::npos; ++p) ++*declarations;
    return std::chrono::duration<double>(end - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "uso: check_all_bench PASTA [REPETIÇÕES]\n");
        return 1;
    }
    const int repeat = argc > 2 ? std::stoi(argv[2]) : 1;
    const std::string folder = argv[1];
    for (int r = 0; r < repeat; ++r) {
        size_t calc_n = 0, check_n = 0;
        const double calc = timed(vorn::run_calc_command,
                                  {"calc", "--folder", folder, "--all", "--now",
                                   "2026-04-15 10:00:00", "--install", VORN_REF_DIR},
                                  &calc_n);
        const double check = timed(vorn::run_check_command,
                                   {"check", "--folder", folder, "--all", "--now",
                                    "2026-04-15 10:00:00", "--install", VORN_REF_DIR},
                                   &check_n);
        if (calc < 0 || check < 0) return 1;
        std::printf(
            "calc --all: %zu declarações, %.3f s; check --all: %zu declarações, %.3f s "
            "(%.3f ms por declaração, %.2f× o calc)\n",
            calc_n, calc, check_n, check, check_n ? check * 1000 / check_n : 0.0,
            calc > 0 ? check / calc : 0.0);
    }
    return 0;
}
