// dec_import_bench SMALL LARGE [RUNS]: 500 generated government declaration files (identification,
// company income, a payment, an asset and a debt each, all of taxpayers new to the folder)
// imported with `vorn2026 import --kind 3 --all` into a copy of each data folder (gen_folder SMALL
// 10, gen_folder LARGE 5000); the time per file in each and their ratio. Then `--check` over the
// same files beside `cat` of them. RUNS times each (default 3).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench_util.h"
#include "shell/commands.h"

namespace {

namespace fs = std::filesystem;
constexpr int kFiles = 500;

// A line of blanks with texts at 1-based positions.
struct Line {
    std::string s;
    Line(const std::string& type, const std::string& cpf, size_t width) : s(width, ' ') {
        at(1, type).at(3, cpf);
    }
    Line& at(size_t pos, const std::string& text) {
        s.replace(pos - 1, text.size(), text);
        return *this;
    }
};

std::string cpf_of(int k) {
    std::string base = std::to_string(700000000 + k);
    for (int round = 0; round < 2; ++round) {
        int sum = 0;
        for (size_t i = 0; i < base.size(); ++i)
            sum += (base[i] - '0') * static_cast<int>(base.size() + 1 - i);
        const int d = sum * 10 % 11;
        base += static_cast<char>('0' + (d == 10 ? 0 : d));
    }
    return base;
}

void write_files(const std::string& dir) {
    fs::create_directories(dir);
    for (int k = 0; k < kFiles; ++k) {
        const std::string cpf = cpf_of(k);
        std::string text;
        auto add = [&text](const Line& l) { text += l.s + "\r\n"; };
        add(Line("IRPF", "", 220).at(9, "2026").at(17, "2400").at(21, "N").at(102, "1234567890"));
        add(Line("16", cpf, 520)
                .at(14, "CONTRIBUINTE " + std::to_string(k))
                .at(74, "RUA")
                .at(89, "DAS FLORES")
                .at(175, "01310100")
                .at(228, "SP")
                .at(361, "05031980"));
        add(Line("21", cpf, 160)
                .at(14, "11222333000181")
                .at(28, "EMPRESA ALFA")
                .at(88, "0000012000000")
                .at(127, "0000001500000"));
        add(Line("26", cpf, 661)
                .at(14, "10")
                .at(21, "39053344705")
                .at(35, "CLINICA")
                .at(106, "0000000250000"));
        add(Line("27", cpf, 1185)
                .at(14, "11")
                .at(17, "105")
                .at(20, "APARTAMENTO")
                .at(532, "0000020000000")
                .at(545, "0000021000000")
                .at(1101, "01"));
        add(Line("28", cpf, 566).at(14, "11").at(16, "EMPRESTIMO").at(528, "0000000100000"));
        add(Line("T9", cpf, 20));
        std::ofstream(dir + "/" + cpf + ".DEC", std::ios::binary) << text;
    }
}

double import_seconds(const std::string& folder, const std::string& source, bool check,
                      size_t* done) {
    std::vector<std::string> args{
        "import",    "--folder",  folder,  "--from", source,
        "--kind",    "3",         "--all", "--now",  "2026-04-15 10:00:00",
        "--install", VORN_REF_DIR};
    if (check) args.push_back("--check");
    return bench::batch_seconds(vorn::run_import_command, args, check ? "pode ser" : "importado",
                                done);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "uso: dec_import_bench PASTA_PEQUENA PASTA_GRANDE [VEZES]\n");
        return 1;
    }
    const int runs = argc > 3 ? std::stoi(argv[3]) : 3;
    const fs::path scratch = fs::temp_directory_path() / "dec_import_bench";
    fs::remove_all(scratch);
    const std::string source = (scratch / "declaracoes").string();
    write_files(source);
    for (int r = 0; r < runs; ++r) {
        double per_file[2] = {0, 0};
        for (int f = 0; f < 2; ++f) {
            const std::string copy = (scratch / ("pasta" + std::to_string(f))).string();
            fs::remove_all(copy);
            fs::copy(argv[1 + f], copy, fs::copy_options::recursive);
            size_t done = 0;
            const double s = import_seconds(copy, source, false, &done);
            if (done != kFiles) {
                std::fprintf(stderr, "importados %zu de %d\n", done, kFiles);
                return 1;
            }
            per_file[f] = s / kFiles;
            std::printf("%s: %d declarações importadas em %.3f s (%.2f ms por arquivo)\n",
                        argv[1 + f], kFiles, s, per_file[f] * 1000);
        }
        std::printf("razão grande/pequena por arquivo: %.2f\n", per_file[1] / per_file[0]);
        const std::string copy = (scratch / "pasta0").string();
        fs::remove_all(copy);
        fs::copy(argv[1], copy, fs::copy_options::recursive);
        size_t checked = 0;
        const double check = import_seconds(copy, source, true, &checked);
        const double cat = bench::shell_seconds("cat " + source + "/*.DEC > /dev/null");
        std::printf("--check: %zu arquivos em %.3f s; cat dos mesmos: %.3f s (%.1f×)\n", checked,
                    check, cat, cat > 0 ? check / cat : 0.0);
    }
    fs::remove_all(scratch);
    return 0;
}
