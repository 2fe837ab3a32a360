// summary_recompute_bench [N]: the recompute-and-repaint of the summary (screen 7) after one
// typed value, against calc's in-process computation of the same declaration. Of N generated
// declarations (default 5000, as gen_folder writes them) the largest is written into a scratch
// installation; calc's computation of it is timed in this process, and the program runs
// headless on it, each run once opening the summary only and once typing K values into it
// (each value and each field left recomputes the summary and paints it again). The difference
// of the two runs' processor times over the recomputations is the cost of one.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/operator.h"
#include "bench_util.h"
#include "generator.h"
#include "shell/install.h"
#include "tax/annual.h"
#include "tax/folder.h"

namespace {

namespace fs = std::filesystem;
constexpr const char* kNow = "2026-04-15 10:00:00";

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

size_t records(const vorn::tax::Declaration& d) {
    return d.items.size() + d.payments.size() + d.assets.size() + d.debts.size() +
           d.dependants.size() + d.monthly.size();
}

double cpu_seconds_of_children() {
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The program on terminal 01 running `keys` in the installation; the processor time it took
// (steadier than the wall time on a machine others share).
double program(const fs::path& inst, const std::string& binary, const std::string& keys) {
    const fs::path file = inst / "bench.keys";
    std::ofstream(file) << keys;
    const double before = cpu_seconds_of_children();
    bench::shell_seconds("cd '" + inst.string() + "' && DIR2026='" + inst.string() + "' HOME='" +
                         inst.string() + "' '" + binary + "' 01 --keys '" + file.string() +
                         "' --screens /dev/null --now '" + kNow + "' > /dev/null");
    return cpu_seconds_of_children() - before;
}

}  // namespace

int main(int argc, char** argv) {
    const int n = argc > 1 ? std::atoi(argv[1]) : 5000;
    const fs::path here = fs::canonical("/proc/self/exe").parent_path();
    const std::string binary = (here.parent_path() / "vorn2026").string();
    const fs::path inst = fs::temp_directory_path() / ("resumo" + std::to_string(::getpid()));
    fs::remove_all(inst);
    fs::create_directories(inst);
    std::vector<std::string> report;
    bench::check(vorn::shell::install_reference_tables(vorn::store::Env::posix(),
                                                       (here.parent_path() / "ref").string(),
                                                       inst.string(), nullptr, &report),
                 "instalação");

    // The largest of the generated declarations, alone in the installation's folder.
    bench::Generator g(7);
    vorn::tax::Declaration largest = g.declaration(0);
    for (int i = 1; i < n; ++i) {
        vorn::tax::Declaration d = g.declaration(i);
        if (records(d) > records(largest)) largest = std::move(d);
    }
    // Complete, so that the summary reads the complementary tax and the tax under Lei 11.033.
    largest.registry.set("USAPADRAO", "N");
    vorn::ManualClock clock(vorn::DateTime{vorn::Date(2026, 4, 1), 0});
    bench::check(
        vorn::tax::write_folder(vorn::store::Env::posix(), inst.string(), {largest}, &clock),
        "pasta");
    const std::string cpf = largest.cpf();

    // calc's computation of it in this process.
    vorn::tax::FolderReader::Loaded stored;
    bench::check(
        vorn::tax::FolderReader::read_one(vorn::store::Env::posix(), inst.string(), cpf, &stored),
        "leitura");
    bench::check(stored.status, "leitura");
    vorn::payments::InterestTable selic;
    bench::check(vorn::tax::read_interest_table(vorn::store::Env::posix(), inst.string(), &selic),
                 "Selic");
    vorn::ScriptedOperator op;
    std::vector<double> computations;
    for (int k = 0; k < 2000; ++k) {
        vorn::tax::Declaration d = stored.declaration;
        vorn::tax::Context c{d, op, clock, selic};
        const auto t0 = bench::Wall::now();
        vorn::tax::compute_declaration(c);
        computations.push_back(bench::seconds_since(t0));
    }
    const double calc_ms = 1000 * median(computations);

    // The summary opened and left, then the same with K values typed: the complementary tax,
    // Enter (recomputed), then Up from the next field (recomputed again) back to it.
    const int k = 2000;
    const std::string open = "ALT+I\ntext " + cpf + "\nENTER\nF7\nENTER\n";
    const std::string close = "ESC\nALT+T\nENTER\nESC\nALT+T\nENTER\n";
    std::string typed = open;
    for (int v = 1; v <= k; ++v) typed += "text " + std::to_string(v) + "\nENTER\nUP\n";
    typed += close;
    std::vector<double> base, with;
    for (int run = 0; run < 7; ++run) {
        base.push_back(program(inst, binary, open + close));
        with.push_back(program(inst, binary, typed));
    }
    // The values reached the summary: the last one typed is what the save stored.
    const std::string shown = (inst / "calc.txt").string();
    bench::shell_seconds("'" + binary + "' calc --folder '" + inst.string() + "' --cpf " + cpf +
                         " --now '" + kNow + "' > '" + shown + "'");
    std::ifstream lines(shown);
    bool kept = false;
    for (std::string line; std::getline(lines, line);)
        kept = kept || line == "I13_31=" + std::to_string(k) + ".00";
    if (!kept) {
        std::fprintf(stderr, "o resumo não guardou o último valor digitado\n");
        return 1;
    }
    const double screen_ms = 1000 * (median(with) - median(base)) / (2 * k);
    std::printf("declaração %s: %zu registros (a maior de %d geradas)\n", cpf.c_str(),
                records(largest), n);
    std::printf("cálculo do calc no processo: %.3f ms (mediana de %zu)\n", calc_ms,
                computations.size());
    std::printf(
        "programa (tempo de processador): abrir o resumo e sair %.3f s; com %d valores "
        "%.3f s (medianas)\n",
        median(base), k, median(with));
    std::printf("recálculo e repintura do resumo por valor: %.3f ms\n", screen_ms);
    std::printf("razão resumo / calc: %.2f\n", screen_ms / calc_ms);
    fs::remove_all(inst);
    return 0;
}
