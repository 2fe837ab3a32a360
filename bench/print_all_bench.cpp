// print_all_bench DIR [REPEAT]: times `vorn2026 print --all --pages 10 --txt --pdf` (every
// client's summary as text and PDF) beside `vorn2026 calc --all` over the same data folder, and
// prints both times and their ratio.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "shell/commands.h"

namespace {

// One run of a batch command with its output discarded; its time in seconds, negative on failure.
double timed(int (*command)(int, char**), std::vector<std::string> args) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    std::ostringstream out;
    auto* old = std::cout.rdbuf(out.rdbuf());
    const auto start = std::chrono::steady_clock::now();
    const int status = command(static_cast<int>(argv.size()), argv.data());
    const auto end = std::chrono::steady_clock::now();
    std::cout.rdbuf(old);
    if (status != 0) return -1;
    return std::chrono::duration<double>(end - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "uso: print_all_bench PASTA [REPETIÇÕES]\n");
        return 1;
    }
    const int repeat = argc > 2 ? std::stoi(argv[2]) : 1;
    const std::string folder = argv[1];
    const std::string out =
        (std::filesystem::temp_directory_path() / ("print_all_bench_" + std::to_string(::getpid())))
            .string();
    const std::string now = "2026-04-15 10:00:00";
    for (int r = 0; r < repeat; ++r) {
        const double calc =
            timed(vorn::run_calc_command, {"calc", "--folder", folder, "--all", "--now", now});
        const double print = timed(vorn::run_print_command,
                                   {"print", "--folder", folder, "--all", "--pages", "10", "--txt",
                                    out + ".txt", "--pdf", out + ".pdf", "--now", now});
        if (calc < 0 || print < 0) return 1;
        std::printf(
            "calc --all %.3f s; print --all --pages 10 (texto e PDF) %.3f s; razão %.2f; "
            "PDF %ju bytes\n",
            calc, print, print / calc,
            static_cast<uintmax_t>(std::filesystem::file_size(out + ".pdf")));
    }
    std::filesystem::remove(out + ".txt");
    std::filesystem::remove(out + ".pdf");
    return 0;
}
