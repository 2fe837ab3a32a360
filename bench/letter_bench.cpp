// letter_bench DIR [REPEAT]: over a generated data folder (gen_folder), times `vorn2026 letter
// --all` with a two-page letter holding every placeholder (written into the folder as
// "bench_carta.txt"), output discarded (its pages counted), beside a read of every registry record
// in name order through the table engine and its name index; prints both, wall-clock and
// processor time, and the ratios.
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iostream>
#include <streambuf>
#include <string>
#include <vector>

#include "base/operator.h"
#include "base/text.h"
#include "bench_util.h"
#include "office/letters.h"
#include "shell/commands.h"
#include "store/cdx_index.h"
#include "store/dbf.h"
#include "store/opening.h"
#include "store/workareas.h"

namespace {

// Two pages of 66 lines: a paragraph of text between the fields, every field twice.
void write_letter(const std::string& path) {
    std::string text;
    const auto& names = vorn::office::placeholder_names();
    for (int round = 0; round < 2; ++round) {
        for (size_t k = 0; k < names.size(); ++k) {
            text += "Campo " + std::to_string(k + 1) + ": \u00ab" + names[k] +
                    "\u00bb, conforme o cadastro do escritório.\r\n";
            if (k % 3 == 0) text += "\r\n";
        }
    }
    std::ofstream(path, std::ios::binary) << vorn::to_cp850(text);
}

struct Times {
    double wall = 0, cpu = 0;
};

// Wall-clock and processor time of `f`: on a shared machine the processor time is the steadier
// figure.
template <class F>
Times timed(F&& f) {
    const std::clock_t cpu0 = std::clock();
    const auto t0 = bench::Wall::now();
    f();
    return {bench::seconds_since(t0), static_cast<double>(std::clock() - cpu0) / CLOCKS_PER_SEC};
}

// Every registry record read whole in the order of the name index; the records read.
Times registry_walk(const std::string& folder, size_t* records) {
    vorn::ScriptedOperator op;
    vorn::SystemClock clock;
    vorn::store::CdxIndexFiles indexes(op);
    vorn::store::WorkAreas w(vorn::store::Env::posix(), op, clock);
    w.ARQDEF = w.LOCARQ = folder;
    w.NUSU = "01";
    w.index_files = &indexes;
    // The first opening builds the indexes: not part of the walk.
    if (!vorn::store::ABERTURA(w, 9)) {
        std::fprintf(stderr, "cadastro não aberto em %s\n", folder.c_str());
        std::exit(1);
    }
    w.close(9);
    return timed([&] {
        if (!vorn::store::ABERTURA(w, 9)) std::exit(1);
        vorn::store::Table& t = *w.table(9);
        t.set_order(2);  // UPPER(NOMECONTR)
        vorn::store::Record r(t.layout_ptr());
        *records = 0;
        for (vorn::Status s = t.go_top(); s && !t.eof(); s = t.skip()) {
            bench::check(t.read(r), "registro");
            ++*records;
        }
        w.close(9);
    });
}

// Standard output thrown away, its form feeds counted, as a pipe to the printer would take it.
class PageCounter final : public std::streambuf {
  public:
    size_t feeds = 0;

  protected:
    int_type overflow(int_type c) override {
        if (c == '\f') ++feeds;
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        feeds += static_cast<size_t>(std::count(s, s + n, '\f'));
        return n;
    }
};

// `vorn2026 letter --all` in process.
Times letters(const std::string& folder, size_t* pages) {
    std::vector<std::string> args = {"letter",      "--folder", folder,      "--letter",
                                     "bench_carta", "--all",    "--install", folder};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    PageCounter counter;
    auto* old = std::cout.rdbuf(&counter);
    int status = 0;
    const Times t = timed(
        [&] { status = vorn::run_letter_command(static_cast<int>(argv.size()), argv.data()); });
    std::cout.rdbuf(old);
    if (status != 0) {
        std::fprintf(stderr, "letter terminou com %d\n", status);
        std::exit(1);
    }
    *pages = counter.feeds + 1;
    return t;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "uso: letter_bench PASTA [REPETIÇÕES]\n");
        return 1;
    }
    const std::string folder = argv[1];
    const int repeat = argc > 2 ? std::stoi(argv[2]) : 1;
    write_letter(folder + "/bench_carta.txt");
    for (int r = 0; r < repeat; ++r) {
        size_t records = 0, pages = 0;
        const Times walk = registry_walk(folder, &records);
        const Times merged = letters(folder, &pages);
        std::printf(
            "cadastro em ordem de nome: %zu registros, %.3f s (processador %.3f s); "
            "letter --all: %zu páginas, %.3f s (processador %.3f s); razão %.2f (processador "
            "%.2f)\n",
            records, walk.wall, walk.cpu, pages, merged.wall, merged.cpu, merged.wall / walk.wall,
            merged.cpu / walk.cpu);
    }
    return 0;
}
