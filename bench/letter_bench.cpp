// letter_bench DIR [REPEAT]: over a generated data folder (gen_folder), times `vorn2026 letter
// --all` with a two-page letter holding every placeholder (written into the folder as
// "bench_carta.txt"), output discarded, beside a read of every registry record in name order
// through the table engine and its name index; prints both, the pages printed and the ratio.
#include <cstdio>
#include <fstream>
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

// Every registry record read whole in the order of the name index; the records read.
double registry_walk(const std::string& folder, size_t* records) {
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
    const auto t0 = bench::Wall::now();
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
    return bench::seconds_since(t0);
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
        const double walk = registry_walk(folder, &records);
        const double letters = bench::batch_seconds(
            vorn::run_letter_command,
            {"letter", "--folder", folder, "--letter", "bench_carta", "--all", "--install", folder},
            "\f", &pages);
        std::printf(
            "cadastro em ordem de nome: %zu registros, %.3f s; letter --all: %zu páginas, %.3f s "
            "(%.2f ms por cliente, %.2f× a leitura)\n",
            records, walk, pages + 1, letters, records ? letters * 1000 / records : 0.0,
            walk > 0 ? letters / walk : 0.0);
    }
    return 0;
}
