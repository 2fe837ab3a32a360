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
#include "printing/client_lists.h"
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
           "[--now \"AAAA-MM-DD HH:MM:SS\"] [--install PASTA]\n"
           "     vorn2026 print --folder PASTA (--cpf CPF | --all | --marked) "
           "--list resumido|completo|etiquetas [--order 1-6] [--status A-B] [--tax 1-4] "
           "[--months A-B] [--label MARGEM,INICIO,LINHAS,PAGINA] [--condensed] [--lines N] "
           "[--txt ARQUIVO] [--pdf ARQUIVO] [--now \"AAAA-MM-DD HH:MM:SS\"] [--install PASTA]";
}

// "A-B" as two numbers.
bool parse_range(const std::string& v, int* a, int* b) {
    const size_t dash = v.find('-');
    if (dash == std::string::npos) return false;
    char* end = nullptr;
    const std::string first = v.substr(0, dash), second = v.substr(dash + 1);
    *a = static_cast<int>(std::strtol(first.c_str(), &end, 10));
    if (first.empty() || *end != '\0') return false;
    *b = static_cast<int>(std::strtol(second.c_str(), &end, 10));
    return !second.empty() && *end == '\0';
}

bool parse_number(const std::string& v, int* n) {
    char* end = nullptr;
    *n = static_cast<int>(std::strtol(v.c_str(), &end, 10));
    return !v.empty() && *end == '\0';
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

// Writes the text and its PDF as asked, or the text on standard output.
int deliver(const std::string& text, const std::string& txt, const std::string& pdf) {
    if (!txt.empty())
        if (Status s = printing::publish_bytes(text, txt); !s) return fail(s.message());
    if (!pdf.empty())
        if (Status s = printing::write_pdf(printing::without_trailing_form_feed(text),
                                           std::filesystem::path(pdf).stem().string(), pdf);
            !s)
            return fail(s.message());
    if (txt.empty() && pdf.empty()) std::cout << text << std::flush;
    return 0;
}

// print --list: the client lists and labels of the folder's registry.
int run_list_command(int argc, char** argv) {
    std::vector<char*> rest = {argv[0]};
    printing::ListOptions lo;
    bool marked = false, have_model = false, have_months = false;
    std::string txt, pdf;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--marked") {
            marked = true;
            rest.push_back(const_cast<char*>("--all"));
            continue;
        }
        if (a == "--condensed") {
            lo.condensed = true;
            continue;
        }
        if (a == "--list" || a == "--order" || a == "--status" || a == "--tax" || a == "--months" ||
            a == "--label" || a == "--lines" || a == "--txt" || a == "--pdf") {
            if (i + 1 >= argc) return fail(a + " sem valor");
            const std::string v = argv[++i];
            bool ok = true;
            if (a == "--list") {
                have_model = true;
                if (v == "resumido")
                    lo.model = printing::ListModel::kSummary;
                else if (v == "completo")
                    lo.model = printing::ListModel::kComplete;
                else if (v == "etiquetas")
                    lo.model = printing::ListModel::kLabels;
                else
                    ok = false;
            }
            if (a == "--order") ok = parse_number(v, &lo.OPC_IND);
            if (a == "--lines") ok = parse_number(v, &lo.NRO_LIN);
            if (a == "--status") {
                lo.all_statuses = false;
                ok = parse_range(v, &lo.STAT_INIC, &lo.STAT_FINAL);
            }
            if (a == "--months") {
                have_months = true;
                ok = parse_range(v, &lo.MES_INIC, &lo.MES_FINAL);
            }
            if (a == "--tax") {
                int n = 0;
                ok = parse_number(v, &n) && n >= 1 && n <= 4;
                lo.SEPIMP = static_cast<printing::TaxFilter>(n);
            }
            if (a == "--label") {
                int* parts[] = {&lo.labels.MARESQ, &lo.labels.INIFOL, &lo.labels.LINETI,
                                &lo.labels.NRO_LIN};
                size_t from = 0;
                for (int k = 0; k < 4 && ok; ++k) {
                    const size_t comma = k < 3 ? v.find(',', from) : v.size();
                    ok = comma != std::string::npos &&
                         parse_number(v.substr(from, comma - from), parts[k]);
                    from = comma + 1;
                }
            }
            if (a == "--txt") txt = v;
            if (a == "--pdf") pdf = v;
            if (!ok) return fail(a + " inválido: " + v + "\n" + usage());
            continue;
        }
        rest.push_back(argv[i]);
    }
    BatchOptions o;
    if (auto error = parse_batch_options(static_cast<int>(rest.size()), rest.data(), &o))
        return fail(*error == batch_usage(argv[0]) ? usage() : *error);
    if (!have_model) return fail(usage());
    if (marked && std::count(rest.begin(), rest.end(), std::string_view("--all")) > 1)
        return fail(usage());
    if (have_months && lo.OPC_IND != 4) return fail("--months só com --order 4");
    lo.QUECON = marked ? 2 : o.all ? 3 : 1;
    lo.cpf = o.cpf;
    if (lo.QUECON == 1) lo.OPC_IND = 1;
    const BatchContext context(o, "print");
    lo.today = context.clock().now().date;
    if (auto problem = printing::check_list_options(&lo)) return fail(*problem);
    store::Env& env = store::Env::posix();
    if (!env.is_directory(o.folder)) return fail("pasta não encontrada: " + o.folder);
    std::map<long, std::string> names;
    if (Status s = printing::read_status_table(env, o.install, &names); !s)
        std::cerr << "vorn2026 print: " << s.message() << "\n";

    ScratchDir scratch;
    if (scratch.path.empty()) return fail("não foi possível criar uma pasta temporária");
    printing::PrintPlace place;
    place.folder = scratch.path;
    std::unique_ptr<printing::PrintFile> file;
    if (Status s = printing::PrintFile::PREP_IMP(place, &file); !s) return fail(s.message());
    printing::ListResult result;
    // The folder by its own name in the header, also when given as "." or with a trailing "/".
    std::error_code ec;
    std::filesystem::path where = std::filesystem::weakly_canonical(o.folder, ec);
    if (ec) where = o.folder;
    const std::string folder = (where / "").string();
    if (Status s = printing::IMPR_CAD(env, {folder}, lo, names, *file, &result); !s)
        return fail(s.message());
    std::string path;
    if (Status s = file->close(&path); !s) return fail(s.message());
    if (result.nothing()) {
        std::cerr << "vorn2026 print: " << printing::kNoClient << "\n";
        return 0;
    }
    if (const std::string notice = printing::overlong_notice(result); !notice.empty())
        std::cerr << "vorn2026 print: " << notice << "\n";
    std::string text;
    if (Status s = printing::read_whole(path, &text); !s) return fail(s.message());
    return deliver(text, txt, pdf);
}

}  // namespace

int run_print_command(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::string_view(argv[i]) == "--list") return run_list_command(argc, argv);
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
