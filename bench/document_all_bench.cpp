// document_all_bench DIR [REPEAT]: times `vorn2026 calc --all` and `vorn2026 document --all` over
// the same data folder in one run (documents into a temporary folder, output discarded) and
// prints both totals, the documents written and the ratio.
#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "shell/commands.h"

namespace {

double timed(const std::function<int(int, char**)>& command, std::vector<std::string> args,
             int* status) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    std::ostringstream out;
    auto* old = std::cout.rdbuf(out.rdbuf());
    const auto start = std::chrono::steady_clock::now();
    *status = command(static_cast<int>(argv.size()), argv.data());
    const auto end = std::chrono::steady_clock::now();
    std::cout.rdbuf(old);
    return std::chrono::duration<double>(end - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "uso: document_all_bench PASTA [REPETIÇÕES]\n");
        return 1;
    }
    const int repeat = argc > 2 ? std::stoi(argv[2]) : 1;
    const std::string folder = argv[1];
    const std::filesystem::path out =
        std::filesystem::temp_directory_path() / ("document_all_bench_" + std::to_string(getpid()));
    std::filesystem::create_directories(out);
    if (!std::getenv("VORN_IRPF_XMLNS")) setenv("VORN_IRPF_XMLNS", "urn:bench:irpf", 1);
    const std::string now = "2026-04-15 10:00:00";
    int status = 0;
    for (int r = 0; r < repeat; ++r) {
        const double calc = timed(vorn::run_calc_command,
                                  {"calc", "--folder", folder, "--all", "--now", now}, &status);
        if (status != 0) return status;
        const double doc =
            timed(vorn::run_document_command,
                  {"document", "--folder", folder, "--all", "--out", out.string(), "--now", now},
                  &status);
        // 1 also when declarations holding a section not yet written were refused (counted).
        if (status != 0 && status != 1) return status;
        size_t files = 0;
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(out)) ++files;
        std::printf("calc --all %.3f s; document --all %.3f s (%zu documentos); razão %.2f\n", calc,
                    doc, files, calc > 0 ? doc / calc : 0.0);
    }
    std::filesystem::remove_all(out);
    return 0;
}
