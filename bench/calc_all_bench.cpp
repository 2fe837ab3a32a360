// calc_all_bench DIR [REPEAT]: times `vorn2026 calc --all` over a data folder (output discarded)
// and prints the total and the time per declaration.
#include <chrono>
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "shell/commands.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "uso: calc_all_bench PASTA [REPETIÇÕES]\n");
        return 1;
    }
    const int repeat = argc > 2 ? std::stoi(argv[2]) : 1;
    std::string folder = argv[1];
    for (int r = 0; r < repeat; ++r) {
        std::vector<std::string> args = {"calc",  "--folder", folder,
                                         "--all", "--now",    "2026-04-15 10:00:00"};
        std::vector<char*> argv2;
        for (auto& a : args) argv2.push_back(a.data());
        std::ostringstream out;
        auto* old = std::cout.rdbuf(out.rdbuf());
        const auto start = std::chrono::steady_clock::now();
        const int status = vorn::run_calc_command(static_cast<int>(argv2.size()), argv2.data());
        const auto end = std::chrono::steady_clock::now();
        std::cout.rdbuf(old);
        if (status != 0) return status;
        const std::string text = out.str();
        size_t declarations = 0;
        for (size_t p = 0; (p = text.find("CPF=", p)) != std::string::npos; ++p) ++declarations;
        const double seconds = std::chrono::duration<double>(end - start).count();
        std::printf("calc --all: %zu declarações, total %.3f s, %.3f ms por declaração\n",
                    declarations, seconds, declarations ? seconds * 1000 / declarations : 0.0);
    }
    return 0;
}
