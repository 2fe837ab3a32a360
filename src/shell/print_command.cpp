// The print batch command: the declaration printout of a folder's clients written as the print
// menu writes it, as a text file and a PDF, changing nothing in the folder.
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "printing/channels.h"
#include "printing/pdf.h"
#include "printing/print_file.h"
#include "printing/printout.h"
#include "printing/printout_run.h"
#include "shell/batch_options.h"
#include "shell/commands.h"
#include "store/env.h"

namespace vorn {
namespace {

int fail(const std::string& message) {
    std::cerr << "vorn2026 print: " << message << "\n";
    return 1;
}

std::string usage() {
    return "uso: vorn2026 print --folder PASTA (--cpf CPF | --all | --marked) --pages N "
           "[--txt ARQUIVO] [--pdf ARQUIVO] [--per-cpf PASTA] [--lines N] "
           "[--now \"AAAA-MM-DD HH:MM:SS\"] [--install PASTA]";
}

// A private folder for the print file, removed at the end.
struct ScratchDir {
    std::string path;
    ScratchDir() {
        std::string t = (std::filesystem::temp_directory_path() / "vorn-print-XXXXXX").string();
        if (::mkdtemp(t.data()) != nullptr) path = t + "/";
    }
    ~ScratchDir() {
        std::error_code ec;
        if (!path.empty()) std::filesystem::remove_all(path, ec);
    }
};

}  // namespace

int run_print_command(int argc, char** argv) {
    // The printing options first; the rest are the folder options of every batch command.
    std::vector<char*> rest = {argv[0]};
    int pages = 0, lines = 60;
    bool marked = false;
    std::string txt, pdf, per_cpf;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--marked") {
            marked = true;
            rest.push_back(const_cast<char*>("--all"));
            continue;
        }
        if (a == "--pages" || a == "--txt" || a == "--pdf" || a == "--per-cpf" || a == "--lines") {
            if (i + 1 >= argc) return fail(a + " sem valor");
            const std::string v = argv[++i];
            if (a == "--pages" || a == "--lines") {
                char* end = nullptr;
                const long n = std::strtol(v.c_str(), &end, 10);
                if (end == v.c_str() || *end != '\0') return fail(a + " inválido: " + v);
                (a == "--pages" ? pages : lines) = static_cast<int>(n);
            }
            if (a == "--txt") txt = v;
            if (a == "--pdf") pdf = v;
            if (a == "--per-cpf") per_cpf = v;
            continue;
        }
        if (a == "--list") return fail("--list: listas e etiquetas não disponíveis neste comando");
        rest.push_back(argv[i]);
    }
    BatchOptions o;
    if (auto error = parse_batch_options(static_cast<int>(rest.size()), rest.data(), &o))
        return fail(*error == batch_usage(argv[0]) ? usage() : *error);
    if (marked && std::count(rest.begin(), rest.end(), std::string_view("--all")) > 1)
        return fail(usage());
    if (pages < 1 || pages > 11) return fail("--pages deve estar entre 1 e 11\n" + usage());
    if (lines < 50 || lines > 66) return fail("--lines deve estar entre 50 e 66");
    store::Env& env = store::Env::posix();
    if (!env.is_directory(o.folder)) return fail("pasta não encontrada: " + o.folder);
    if (!per_cpf.empty() && !env.is_directory(per_cpf))
        return fail("pasta não encontrada: " + per_cpf);

    ScratchDir scratch;
    if (scratch.path.empty()) return fail("não foi possível criar uma pasta temporária");
    printing::PrintPlace place;
    place.folder = per_cpf.empty() ? scratch.path : (std::filesystem::path(per_cpf) / "").string();
    place.per_taxpayer = !per_cpf.empty();
    std::unique_ptr<printing::PrintFile> file;
    if (Status s = printing::PrintFile::PREP_IMP(place, &file); !s) return fail(s.message());

    const BatchContext context(o, "print");
    const DateTime now = context.clock().now();
    printing::PrintoutOptions po;
    po.lines = lines;
    po.run_date = now.date.dmy();
    po.run_time = seconds_to_hms(now.seconds);
    printing::Printout printout(*file, po);
    BatchOperator op("print");
    printing::RunContext rc{env, op, context.clock(), context.selic()};
    printing::Selection sel;
    sel.kind = marked  ? printing::Selection::Kind::kMarked
               : o.all ? printing::Selection::Kind::kAll
                       : printing::Selection::Kind::kOne;
    sel.cpf = o.cpf;
    printing::RunResult result;
    if (Status s = printing::print_folder(rc, o.folder, sel, printing::steps_of(pages), printout,
                                          *file, &result);
        !s)
        return fail(s.message());
    std::string path;
    if (Status s = file->close(&path); !s) return fail(s.message());
    for (const auto& p : result.problems) std::cerr << "vorn2026 print: " << p << "\n";

    std::string text;
    if (Status s = printing::read_whole(path, &text); !s) return fail(s.message());
    if (!txt.empty())
        if (Status s = printing::publish_bytes(text, txt); !s) return fail(s.message());
    if (!pdf.empty())
        if (Status s = printing::write_pdf(printing::without_trailing_form_feed(text),
                                           std::filesystem::path(pdf).stem().string(), pdf);
            !s)
            return fail(s.message());
    // A PDF beside each client's copy, ready to be sent on its own.
    for (size_t k = 0; k < result.cpfs.size() && !per_cpf.empty(); ++k) {
        const std::string copy =
            printing::PrintFile::copy_path(place, result.cpfs[k], result.names[k]);
        std::string part;
        Status s = printing::read_whole(copy, &part);
        const std::string stem = std::filesystem::path(copy).stem().string();
        if (s)
            s = printing::write_pdf(
                printing::without_trailing_form_feed(part), stem,
                (std::filesystem::path(copy).parent_path() / stem).string() + ".pdf");
        if (!s) return fail(s.message());
    }
    if (txt.empty() && pdf.empty() && per_cpf.empty()) std::cout << text << std::flush;
    if (!result.problems.empty())
        return fail(std::to_string(result.problems.size()) + " declarações não impressas");
    return 0;
}

}  // namespace vorn
