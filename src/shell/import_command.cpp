// The import batch command: takes the outside files of a source folder (asset lists, Leão books,
// LCDPR books, XML income statements, the government program's declarations) into the
// declarations of a data folder, one line per file.
#include <algorithm>
#include <cstdlib>
#include <iostream>

#include "base/helpers.h"
#include "base/text.h"
#include "importing/aux_tables.h"
#include "importing/conversion.h"
#include "importing/import_plan.h"
#include "importing/payroll.h"
#include "shell/batch_options.h"
#include "shell/commands.h"
#include "store/cdx_index.h"
#include "store/env.h"
#include "store/workareas.h"

namespace vorn {
namespace {

std::string import_usage() {
    return "uso: vorn2026 import --folder PASTA --from PASTA --kind (1, " +
           importing::import_kinds_text() +
           ") (--all | --cpf CPF ...) [--check] [--answer S|N] [--payers 1|2|3] "
           "[--install PASTA] [--now \"AAAA-MM-DD HH:MM:SS\"]\n"
           "     vorn2026 import --folder PASTA --from PASTA --kind 9.1 [--check] [--answer S|N]\n"
           "     vorn2026 import --folder PASTA --kind 9.4 [--check] [--answer S|N [--answer "
           "S|N]]";
}

struct ImportOptions {
    BatchOptions batch;
    std::string from;
    std::optional<importing::ImportKind> kind;
    std::vector<std::string> cpfs;
    bool check = false;
    bool answer_all = true;
    bool conversion = false;  // kind 1: last year's declarations of this system
    int payroll = 0;          // kind 9.1 (folha.txt into FOLHAPG) or 9.4 (its transfer)
    std::vector<bool> answers;
    int payers = 1;
};

std::optional<std::string> parse(int argc, char** argv, ImportOptions* o) {
    // The options of this command are taken out; the rest are the shared ones.
    std::vector<char*> rest{argv[0]};
    bool any_answer = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        if (a == "--check") {
            o->check = true;
        } else if (a == "--from" || a == "--kind" || a == "--answer" || a == "--cpf" ||
                   a == "--payers") {
            const char* v = value();
            if (v == nullptr) return a + " sem valor";
            if (a == "--from") o->from = v;
            if (a == "--payers") {
                const std::string t = trim(v);
                if (t != "1" && t != "2" && t != "3")
                    return std::string("--payers 1, 2 ou 3: ") + v;
                o->payers = t[0] - '0';
            }
            if (a == "--kind" && trim(v) == "1") {
                o->conversion = true;
                o->kind = importing::ImportKind::kAssetsAll;  // a kind is given; not read
            } else if (a == "--kind" && (trim(v) == "9.1" || trim(v) == "9.4")) {
                o->payroll = trim(v) == "9.1" ? 1 : 4;
                o->kind = importing::ImportKind::kAssetsAll;  // a kind is given; not read
            } else if (a == "--kind") {
                // Government-file options whose records' positions this system does not know.
                const std::string t = trim(v);
                if (t == "4" || t == "6" || t == "10")
                    return "tipo " + t + " não importado: " +
                           (t == "4"   ? "os registros 60 a 62 dos ganhos de capital"
                            : t == "6" ? "o registro 50 da atividade rural"
                                       : "o arquivo do Carnê-Leão") +
                           " não têm posições conhecidas por este sistema";
                o->kind = importing::import_kind(v);
                if (!o->kind) return std::string("tipo desconhecido: ") + v + "\n" + import_usage();
            }
            if (a == "--answer") {
                const std::string t = upper(trim(v));
                if (t != "S" && t != "N") return std::string("--answer S ou N: ") + v;
                o->answer_all = t == "S";
                o->answers.push_back(t == "S");
                any_answer = true;
            }
            if (a == "--cpf") {
                std::string d;
                for (const char* p = v; *p; ++p)
                    if (*p >= '0' && *p <= '9') d += *p;
                if (d.size() != 11) return std::string("CPF inválido: ") + v;
                o->cpfs.push_back(d);
            }
        } else {
            rest.push_back(argv[i]);
        }
    }
    // The shared parser wants one of --cpf and --all: --all stands for the list here.
    const bool all = std::find(rest.begin(), rest.end(), std::string_view("--all")) != rest.end();
    const bool aux = o->kind == importing::ImportKind::kAuxTables;
    if (!all) rest.push_back(const_cast<char*>("--all"));
    if (auto e = parse_batch_options(static_cast<int>(rest.size()), rest.data(), &o->batch))
        return *e == batch_usage(argv[0]) ? import_usage() : *e;
    if ((o->from.empty() && o->payroll != 4) || !o->kind) return import_usage();
    // The auxiliary tables and the payroll belong to no one taxpayer: neither --all nor --cpf.
    const bool whole = aux || o->payroll != 0;
    if (whole ? (all || !o->cpfs.empty()) : all == !o->cpfs.empty()) return import_usage();
    if (o->answers.size() > (o->payroll == 4 ? 2u : 1u)) return "--answer dado vezes demais";
    const bool asks = o->conversion || o->payroll || *o->kind == importing::ImportKind::kLcdpr ||
                      *o->kind == importing::ImportKind::kGovAll ||
                      *o->kind == importing::ImportKind::kGovPrefilled;
    if (any_answer && !asks)
        return "--answer só vale para a conversão (tipo 1), as declarações da Receita (tipos 3 e "
               "7), a folha (tipos 9.1 e 9.4) e o LCDPR (tipo 24)";
    if (o->payers != 1 && !o->conversion) return "--payers só vale para a conversão (tipo 1)";
    if (o->conversion && o->check) return "--check não vale para a conversão (tipo 1)";
    return std::nullopt;
}

bool answered(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::string_view(argv[i]) == "--answer") return true;
    return false;
}

// The terminal number the run marks declarations with: TERMINAL when it holds two digits, else
// "00".
std::string run_terminal() {
    const char* t = std::getenv("TERMINAL");
    const std::string n = t != nullptr ? t : "";
    const bool two_digits =
        n.size() == 2 && n[0] >= '0' && n[0] <= '9' && n[1] >= '0' && n[1] <= '9';
    return two_digits ? n : "00";
}

// Option 22: the auxiliary tables of the source folder into the installation directory.
int copy_aux(const ImportOptions& o) {
    BatchOperator op("import");
    const BatchContext context(o.batch, "import");
    store::WorkAreas w(store::Env::posix(), op, context.clock());
    store::CdxIndexFiles cdx(op);
    w.ARQDEF = o.batch.install;
    w.LOCARQ = o.batch.folder;
    w.NUSU = run_terminal();
    w.index_files = &cdx;
    const std::vector<importing::AuxCopy> done = importing::copy_aux_tables(w, o.from, o.check);
    if (done.empty()) {
        std::cerr << "vorn2026 import: O local escolhido não contém os arquivos solicitados\n";
        return 1;
    }
    bool refused = false;
    for (const auto& c : done) {
        const bool fine = c.copied || (o.check && c.text == "pode ser copiado");
        refused = refused || !fine;
        std::cout << c.file << ": " << (fine ? "" : "recusado: ") << c.text << "\n";
    }
    std::cout << std::flush;
    return refused ? 2 : 0;
}

// Kind 1: last year's declarations of this system carried into this year's folder; every
// question answered with --answer (N when not given).
int convert(const ImportOptions& o, bool answered) {
    const BatchContext context(o.batch, "import");
    importing::ConversionRequest rq;
    rq.source = o.from;
    rq.folder = o.batch.folder;
    rq.install = o.batch.install;
    rq.terminal = run_terminal();
    rq.choices.carry_sold = answered && o.answer_all;
    rq.choices.payers = o.payers;
    rq.clock = &context.clock();
    rq.selic = &context.selic();
    BatchOperator op("import");
    const bool answer = answered && o.answer_all;
    std::vector<importing::ConversionResult> done;
    Status s = importing::CONVIRBRIO(
        store::Env::posix(), rq, op,
        [&](const std::vector<std::string>& lines) {
            for (const auto& l : lines) std::cout << "  " << l << "\n";
            std::cout << "  -> " << (answer ? "S" : "N") << "\n";
            return answer;
        },
        o.cpfs, &done);
    if (!s) {
        std::cerr << "vorn2026 import: nada convertido: " << s.message() << "\n";
        return 1;
    }
    int refused = 0;
    using Outcome = importing::ConversionResult::Outcome;
    for (const auto& r : done) {
        std::cout << r.cpf << " " << r.name << ": ";
        switch (r.outcome) {
            case Outcome::kConverted:
                std::cout << "convertido";
                break;
            case Outcome::kExisting:
                std::cout << "Já existente";
                break;
            case Outcome::kSkipped:
                std::cout << r.text;
                break;
            case Outcome::kRefused:
                std::cout << "recusado: " << r.text;
                ++refused;
                break;
        }
        std::cout << "\n";
        for (const auto& n : r.notes) std::cout << r.cpf << ": " << n << "\n";
    }
    for (const auto& cpf : o.cpfs)
        if (std::none_of(done.begin(), done.end(), [&](const auto& r) { return r.cpf == cpf; })) {
            std::cout << cpf << ": recusado: não está na pasta do ano anterior\n";
            ++refused;
        }
    std::cout << std::flush;
    return refused ? 2 : 0;
}

// Kind 9.1: "folha.txt" of the source folder into the office's staging table FOLHAPG; rows
// staged before are replaced only with --answer S.
int payroll_import(const ImportOptions& o) {
    BatchOperator op("import");
    const BatchContext context(o.batch, "import");
    store::WorkAreas w(store::Env::posix(), op, context.clock());
    store::CdxIndexFiles cdx(op);
    w.ARQDEF = o.batch.install;
    w.LOCARQ = o.batch.folder;
    w.NUSU = run_terminal();
    w.index_files = &cdx;
    const bool replace = !o.answers.empty() && o.answers.front();
    const importing::PayrollImport r =
        importing::import_payroll(w, o.from, o.check, [replace](size_t staged) {
            std::cout << "  " << staged << " informes ainda não transferidos em FOLHAPG: apaga-os?"
                      << "\n  -> " << (replace ? "S" : "N") << "\n";
            return replace;
        });
    for (const auto& c : r.cuts) std::cout << importing::kPayrollFile << ": " << c << "\n";
    using Outcome = importing::PayrollImport::Outcome;
    switch (r.outcome) {
        case Outcome::kImported:
        case Outcome::kChecked:
            std::cout << r.text << "\n" << std::flush;
            return 0;
        case Outcome::kKept:
            std::cout << "nada importado: " << r.text << " (--answer S os substitui)\n"
                      << std::flush;
            return 2;
        case Outcome::kInUse:
            std::cerr << "vorn2026 import: " << r.text << "\n";
            return 4;
        case Outcome::kNoFile:
        case Outcome::kRefused:
            break;
    }
    std::cerr << "vorn2026 import: " << r.text << "\n";
    return r.outcome == Outcome::kNoFile ? 1 : 2;
}

// Kind 9.4: the staged statements into the data folder's declarations. The first --answer is
// "Encontrando um CPF igual" (S skips a registered taxpayer, the default), the second the one for
// taxpayers no folder knows (S "inclui Todos", N or none "Pula todos").
int payroll_transfer(const ImportOptions& o) {
    BatchOperator op("import");
    const BatchContext context(o.batch, "import");
    store::WorkAreas w(store::Env::posix(), op, context.clock());
    store::CdxIndexFiles cdx(op);
    w.ARQDEF = o.batch.install;
    w.LOCARQ = o.batch.folder;
    w.NUSU = run_terminal();
    w.index_files = &cdx;
    if (Status s = importing::open_payroll(w); !s) {
        std::cerr << "vorn2026 import: " << s.message() << "\n";
        return s.code() == Status::Code::kLocked ? 4 : 1;
    }
    std::vector<std::string> others;
    if (Status s = importing::office_folders(store::Env::posix(), o.batch.install, run_terminal(),
                                             &others);
        !s)
        std::cerr << "vorn2026 import: lista de pastas do terminal ilegível, só esta pasta é "
                     "consultada: "
                  << s.message() << "\n";
    importing::TransferAnswers answers;
    answers.skip_registered = o.answers.empty() || o.answers[0];
    const bool include = o.answers.size() > 1 && o.answers[1];
    answers.unknown = [include](const std::string& cpf, const std::string& name) {
        std::cout << "  O CPF " << trim_right(CONTAPONTO(cpf)) << " - " << left(name, 25)
                  << " não está  cadastrado nas pastas indicadas!\n  -> "
                  << (include ? "inclui Todos" : "Pula todos") << "\n";
        return include ? importing::Unknown::kIncludeAll : importing::Unknown::kSkipAll;
    };
    importing::ImportRequest rq;
    rq.folder = o.batch.folder;
    rq.install = o.batch.install;
    rq.terminal = run_terminal();
    rq.check = o.check;
    rq.clock = &context.clock();
    rq.selic = &context.selic();
    importing::TransferResult r;
    const Status s = importing::transfer_payroll(w, rq, others, answers, op, &r);
    std::vector<store::Record> left_rows;
    const bool counted = s && importing::payroll_rows(w, &left_rows).is_ok();
    w.close(importing::kPayrollTable);
    for (const auto& l : r.report) std::cout << l << "\n";
    std::cout << "Transferência\n";
    for (const auto& l : r.lines()) std::cout << l << "\n";
    std::cout << std::flush;
    if (!s) {
        std::cerr << "vorn2026 import: FOLHAPG: " << s.message() << "\n";
        return 1;
    }
    // Rows left staged by a failure or a declaration in use are for a later run.
    return o.check || !counted || left_rows.empty() || r.abandoned ? 0 : 4;
}

}  // namespace

int run_import_command(int argc, char** argv) {
    auto fail = [](const std::string& message) {
        std::cerr << "vorn2026 import: " << message << "\n";
        return 1;
    };
    ImportOptions o;
    if (auto error = parse(argc, argv, &o)) return fail(*error);
    store::Env& env = store::Env::posix();
    if (!env.is_directory(o.batch.folder)) return fail("pasta não encontrada: " + o.batch.folder);
    if (o.payroll == 4) return payroll_transfer(o);
    if (!env.is_directory(o.from))
        return fail("Drive e/ou Pasta de Origem inexistente !! " + o.from);
    if (o.payroll == 1) return payroll_import(o);
    if (*o.kind == importing::ImportKind::kAuxTables) return copy_aux(o);
    if (o.conversion) return convert(o, answered(argc, argv));

    // The office's other data folders, where a CPF missing here may be: the run's terminal's list.
    std::vector<std::string> others;
    if (Status s = importing::office_folders(env, o.batch.install, run_terminal(), &others); !s)
        std::cerr << "vorn2026 import: lista de pastas do terminal ilegível, só esta pasta é "
                     "consultada: "
                  << s.message() << "\n";
    std::vector<importing::Candidate> candidates;
    std::vector<importing::Passed> passed;
    if (Status s = importing::gather_candidates(env, *o.kind, o.from, o.batch.folder, &candidates,
                                                &passed, others);
        !s)
        return fail(s.message());
    for (const auto& p : passed) std::cout << p.file << ": ignorado: " << p.reason << "\n";
    const bool government = importing::government_kind(*o.kind);
    if (candidates.empty() && passed.empty())
        return fail(government ? "O local escolhido não contém a informação pedida da Receita"
                               : "O local escolhido não contém os arquivos solicitados");
    if (candidates.empty() && government)
        return fail("Na pasta existem " + std::to_string(passed.size()) +
                    " declarações, mas não da seleção pedida");

    const BatchContext context(o.batch, "import");
    importing::ImportRequest rq;
    rq.kind = *o.kind;
    rq.folder = o.batch.folder;
    rq.install = o.batch.install;
    rq.terminal = run_terminal();
    rq.check = o.check;
    rq.lcdpr_all = o.answer_all;
    // A final estate or departure declaration: the question and the answer given (N without one).
    const bool answer = answered(argc, argv) && o.answer_all;
    rq.ask = [answer](const std::vector<std::string>& lines) {
        for (const auto& l : lines) std::cout << "  " << l << "\n";
        std::cout << "  -> " << (answer ? "S" : "N") << "\n";
        return answer;
    };
    rq.clock = &context.clock();
    rq.selic = &context.selic();
    BatchOperator op("import");
    int refused = 0, in_use = 0;
    for (const auto& c : candidates) {
        if (!o.cpfs.empty() && std::find(o.cpfs.begin(), o.cpfs.end(), c.cpf) == o.cpfs.end())
            continue;
        op.cpf = c.cpf;
        const importing::ImportResult r = importing::import_file(env, rq, c, op);
        using Outcome = importing::ImportResult::Outcome;
        std::cout << c.cpf << " " << c.file << ": ";
        switch (r.outcome) {
            case Outcome::kImported:
                std::cout << "importado (" << r.text << ")";
                break;
            case Outcome::kExisting:
                std::cout << "Já existente (" << r.text << ")";
                break;
            case Outcome::kChecked:
                std::cout << r.text;
                break;
            case Outcome::kInUse:
                std::cout << "em uso no terminal " << r.text;
                ++in_use;
                break;
            case Outcome::kRefused:
                std::cout << "recusado: " << r.text;
                ++refused;
                break;
        }
        std::cout << "\n";
        for (const auto& n : r.notes) std::cout << c.cpf << " " << c.file << ": " << n << "\n";
    }
    // A CPF asked for that no file of the source folder belongs to.
    for (const auto& cpf : o.cpfs) {
        const bool found = std::any_of(candidates.begin(), candidates.end(),
                                       [&](const auto& c) { return c.cpf == cpf; });
        if (found) continue;
        std::cout << cpf << ": recusado: nenhum arquivo desse CPF na pasta de origem\n";
        ++refused;
    }
    std::cout << std::flush;
    if (!std::cout) return fail("erro ao escrever a saída");
    return refused ? 2 : in_use ? 4 : 0;
}

}  // namespace vorn
