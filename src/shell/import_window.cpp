#include "shell/import_window.h"

#include <algorithm>
#include <cctype>

#include "base/text.h"
#include "importing/aux_tables.h"
#include "importing/conversion.h"
#include "importing/import_plan.h"
#include "shell/backup_window.h"
#include "shell/chooser.h"
#include "shell/folders.h"
#include "shell/payroll_window.h"
#include "store/catalogue.h"
#include "store/opening.h"
#include "ui/notices.h"

namespace vorn::shell {
namespace {

using importing::ImportKind;

constexpr int kCandidates = 70;  // LISNOME, in the installation directory

std::string previous_year() {
    return std::string(store::CANOANTER);
}
std::string current_year() {
    return std::string(store::CANOATUAL);
}

struct Choice {
    int option = 0, sub = 0;
};

// CRIA_MENUCONV: the window's menu bar; the entry chosen goes to `chosen`, "&Terminar " and
// "&Fim " leave it at 0.
ui::LMenu CRIA_MENUCONV(ui::LDialog& win, Choice& chosen) {
    auto pick = [&win, &chosen](int option, int sub = 0) {
        return [&win, &chosen, option, sub] {
            chosen = {option, sub};
            win.End(1);
        };
    };
    auto end = [&win, &chosen] {
        chosen = {};
        win.End(1);
    };
    auto item = [&](ui::LMenu& m, std::string caption, int option, int sub = 0) {
        m.MenuItem(std::move(caption), pick(option, sub), import_entry_enabled(option, sub));
    };
    const std::string prev = previous_year(), cur = current_year();
    ui::LMenu m;
    m.SubMenu(" &Buscar de programas da Brio");
    item(m, "&VORN20" + prev, 1);
    item(m, "&Kestral - KST2", 2);
    item(m, "&Arquivos Auxiliares", 22);
    m.SubMenu("Bens no formato &TXT");
    item(m, "Arquivo só com os Imóveis", 20, 1);
    item(m, "Arquivo com todos os Bens", 20, 2);
    m.EndMenu();
    item(m, "Bens no formato &XML", 21);
    m.SubMenu("&Comprovante");
    item(m, " &Importar dados   ", 9, 1);
    item(m, " &Editar individual", 9, 2);
    item(m, " editar &Grupo     ", 9, 3);
    item(m, " &Transferir dados ", 9, 4);
    m.EndMenu();
    m.SubMenu("C.&Leao txt");
    item(m, " &Importar dados ", 23, 1);
    item(m, " i&Nstruções", 23, 2);
    m.EndMenu();
    m.SubMenu("&Informe de Rendimento pela Nimbra");
    item(m, " &Importar dados ", 26, 1);
    item(m, " i&Nstruções", 26, 4);
    m.EndMenu();
    item(m, "&Arquivo LCDPR", 24);
    m.MenuItem("&Terminar ", end);
    m.EndMenu();
    m.SubMenu(" &Buscar de programas da Receita", false);
    item(m, "&Receita 20" + prev + " ou 20" + cur + " Todos os dados", 3);
    item(m, "Apenas os &G. Capital de 20" + cur, 4);
    item(m, "Apenas o &Nro. Recibo de 20" + prev + " ou 20" + cur, 5);
    item(m, "&Apenas a Atividade Rural 20" + cur, 6);
    item(m, "&Pré-Preenchida da Receita  20" + prev, 7);
    item(m, "Apenas o Rend.P.Fisica (C.Leão-Ecac) IRPF20" + cur, 8);
    item(m, "Só os Rend. Tributados,Isentos e Na fonte IRPF20" + cur, 12);
    item(m, "Só novos Itens na Declaração de Bens IRPF20" + cur, 13);
    item(m, "Só os pagamentos e doações efetuados IRPF20" + cur, 14);
    item(m, "Carne Leão 20" + prev, 10);
    item(m, "Livro Caixa Rural 20" + prev, 11);
    m.MenuItem("&Terminar ", end);
    m.EndMenu();
    m.MenuItem("&Fim ", end);
    return m;
}

struct Folders {
    std::string source, destination;
};

bool exists(const App& app, const std::string& folder) {
    return app.w.env().is_directory(folder);
}

// PEGAOSDIR: the source and destination folders in a window titled by the entry. The dialog is
// shown again after each reading; Esc leaves it with the folders shown, which are then
// remembered (ROTAANTER, and ROTADOANO as the data folder). nullopt when the operator gave up.
// `proposed` is the configuration field whose folder the source starts from (`fallback` when it
// is empty) and `remembered` the one the chosen source is kept in.
std::optional<Folders> PEGAOSDIR(App& app, const std::string& title, bool source_only = false,
                                 const char* proposed = "ROTAANTER",
                                 const char* remembered = "ROTAANTER",
                                 const std::string& fallback = {}) {
    Session& s = app.s;
    const std::string start = trim(s.cfg(proposed));
    std::string origem = pad_right(start.empty() ? fallback : start, 80);
    std::string destino = pad_right(s.ROTADOANO, 80);
    auto check = [&app](std::string& field) {
        return [&app, &field] {
            std::string refusal;
            if (typed_folder(app, field, &refusal)) return true;
            app.error({refusal});
            return false;
        };
    };
    for (;;) {
        auto dlg = ui::LDLGSHOW(app.screen, 6, 1, source_only ? 11 : 14, 78, title);
        std::vector<ui::Get> f(source_only ? 1 : 2);
        dlg->say(1, 2, "Pasta de origem:");
        f[0].row = 2, f[0].col = 2, f[0].var = origem, f[0].picture = "@S73", f[0].width = 80;
        f[0].valid = check(origem);
        if (!source_only) {
            dlg->say(4, 2, "Pasta de destino:");
            f[1].row = 5, f[1].col = 2, f[1].var = destino, f[1].picture = "@S73";
            f[1].width = 80;
            f[1].valid = check(destino);
        }
        const ui::ReadResult r = dlg->ReadModal(f);
        ui::LDLGCLOSE(app.screen);
        std::string refusal;
        const auto source = typed_folder(app, origem, &refusal);
        const auto destination = source_only ? std::optional<std::string>(s.ROTADOANO)
                                             : typed_folder(app, destino, &refusal);
        if (!source || !destination) {
            // Esc on fields never filled in: nothing to import from.
            if (r.escaped) return std::nullopt;
            continue;
        }
        if (!exists(app, *source)) {
            if (!app.yes({"Drive e/ou Pasta de Origem inexistente !!", "Continua procurando?"}))
                return std::nullopt;
            continue;
        }
        // The destination becomes the data folder, created when missing (the operator asked);
        // a destination that cannot be made so is asked again.
        if (trim(destino).size() > 2 && without_slash(*destination) != without_slash(s.ROTADOANO) &&
            !TROCASIM(s, app.w, *destination))
            continue;
        if (!r.escaped) continue;
        s.CONFIG.set(remembered, trim(origem));
        (void)store_config(s, app.w, {remembered});
        return Folders{*source, without_slash(s.ROTADOANO)};
    }
}

std::string four(size_t n) {
    return pad_left(std::to_string(n), 4);
}

// The window of the counters while the marked files are imported.
class Counters {
  public:
    Counters(App& app, size_t marked) : app_(app), marked_(marked), left_(marked) {
        win_ = ui::LDLGSHOW(app.screen, 7, 25, 16, 54, "Importando");
        win_->say(1, 2, "CPF's");
        show();
    }
    ~Counters() { ui::LDLGCLOSE(app_.screen); }
    enum Tally { kDone, kExisting, kNot };
    void done(Tally t) {
        (t == kDone ? imported_ : t == kExisting ? existing_ : refused_)++;
        --left_;
        show();
    }
    // "A importar", "Importados", "Já existente", "Não importar" and "Faltam ......".
    std::vector<std::string> lines() const {
        return {"A importar    " + four(marked_), "Importados    " + four(imported_),
                "Já existente  " + four(existing_), "Não importar  " + four(refused_),
                "Faltam ...... " + four(left_)};
    }
    void show() {
        const auto l = lines();
        for (size_t k = 0; k < l.size(); ++k) win_->say(3 + static_cast<int>(k), 2, l[k]);
    }

  private:
    App& app_;
    std::shared_ptr<ui::LDialog> win_;
    size_t marked_, left_, imported_ = 0, existing_ = 0, refused_ = 0;
};

// A row of the candidate list.
struct ListRow {
    std::string cpf, name, file, tipo, origin;
};

// The rows into LISNOME (held alone meanwhile: another terminal filling it at the same time is
// told), marked by the operator; the positions of the marked ones in name order. nullopt when
// none is marked or the list could not be written.
std::optional<std::vector<size_t>> mark_rows(App& app, const std::vector<ListRow>& rows) {
    sync_areas(app.s, app.w);
    if (!store::ABERTURA(app.w, kCandidates, true)) return std::nullopt;
    store::Table& t = *app.w.table(kCandidates);
    auto fail = [&app](const Status& st) {
        app.error({"LISNOME: " + st.message()});
        app.w.close(kCandidates);
        return std::nullopt;
    };
    if (Status st = t.zap(); !st) return fail(st);
    for (const auto& r : rows) {
        Status st = t.append();
        for (const auto& [field, value] : {std::pair<const char*, std::string>{"CPF", r.cpf},
                                           {"NOMECONTR", r.name},
                                           {"NOMEARQ", r.file},
                                           {"TIPO", r.tipo},
                                           {"ORIGEM", r.origin},
                                           {"IMPRE", "N"}})
            if (st) st = t.replace(t.field(field), value);
        if (!st) return fail(st);
    }
    t.set_order(1);
    std::vector<ui::BrowseColumn> cols;
    cols.push_back(field_column(app, kCandidates, "IMPRE", "Importa", "!", true, 7));
    cols.push_back(field_column(app, kCandidates, "CPF", "CPF", "@R 999.999.999-99", false, 14));
    cols.push_back(field_column(app, kCandidates, "NOMECONTR", "Nome", "@S30", false, 30));
    cols.push_back(field_column(app, kCandidates, "ORIGEM", "Origem", "", false, 12));
    browse_table(app, kCandidates, "Marque com S os contribuintes a importar", std::move(cols),
                 false);
    std::vector<size_t> marked;
    Status st = t.go_top();
    for (; st && !t.eof(); st = t.skip()) {
        if (trim(t.str("IMPRE")) != "S") continue;
        const std::string file = t.str("NOMEARQ"), cpf = t.str("CPF");
        for (size_t k = 0; k < rows.size(); ++k)
            if (rows[k].file == file && rows[k].cpf == cpf) marked.push_back(k);
    }
    if (!st) return fail(st);
    app.w.close(kCandidates);
    if (marked.empty()) {
        app.tell({"Nenhum contribuinte foi marcado para a importação.",
                  "Marque com S (sim) nos que deseja importar.    "});
        return std::nullopt;
    }
    return marked;
}

std::string title_of(ImportKind kind) {
    switch (kind) {
        case ImportKind::kAssetsRealEstate:
        case ImportKind::kAssetsAll:
            return "Importação dos Bens buscando dados dos arquivos .TXT";
        case ImportKind::kAssetsXml:
            return "Importação dos Bens buscando dados dos arquivos .XML";
        case ImportKind::kAuxTables:
            return "Cópia dos arquivos auxiliares usado no ano anterior.";
        case ImportKind::kLeao:
            return "Importação do Livro Caixa de arquivos CPFLEAO.TXT";
        case ImportKind::kLcdpr:
            return "Importação do Livro Caixa Digital Produtor Rural";
        case ImportKind::kStatements:
            return "Importação de Informes de rendimentos vindo do Gerenciador Nimbra de "
                   "Documentos ";
        case ImportKind::kRuralBook:
            return "Importação do Livro Caixa Rural";
        default:
            return "Importação de declarações do programa da Receita";
    }
    return {};
}

// BUSCAARQ: the folders, the candidate files of the source, the operator's marks and the import
// of each marked file with the counters; what was refused or noted is told at the end.
void BUSCAARQ(App& app, ImportKind kind) {
    const bool government = importing::government_kind(kind);
    // The pre-filled declaration and the individual income start from the government program's
    // folder of saved declarations; every government file's source is remembered apart.
    const bool program_folder =
        kind == ImportKind::kGovPrefilled || kind == ImportKind::kGovIndividual;
    const auto dirs =
        !government ? PEGAOSDIR(app, title_of(kind), kind == ImportKind::kStatements)
        : program_folder
            ? PEGAOSDIR(app, title_of(kind), false, "DIRPROV", "ROTAREANT",
                        "C:\\arquivos de programas RFB\\IRPF20" + previous_year() + "\\gravadas")
            : PEGAOSDIR(app, title_of(kind), false, "ROTAREANT", "ROTAREANT");
    if (!dirs) return;
    std::vector<std::string> others;
    for (const FolderEntry& e : folder_list(app.w))
        if (without_slash(e.folder) != dirs->destination) others.push_back(e.folder);
    std::vector<importing::Candidate> candidates;
    std::vector<importing::Passed> passed;
    const Status st = importing::gather_candidates(
        app.w.env(), kind, dirs->source, dirs->destination, &candidates, &passed, others,
        [&app, government](size_t n, size_t total) {
            if (government)
                app.op.progress("Verificando " + std::to_string(n) + " de " +
                                std::to_string(total) + " declarações!");
        });
    if (government) app.op.progress_done();
    if (!st) {
        app.error({st.message()});
        return;
    }
    std::vector<std::string> report;
    for (const auto& p : passed) report.push_back(p.file + ": " + p.reason);
    if (candidates.empty() && government) {
        std::vector<std::string> lines{
            passed.empty() ? "O local escolhido não contém a informação pedida da Receita"
                           : "Na pasta existem " + std::to_string(passed.size()) +
                                 " declarações, mas não da seleção pedida"};
        lines.insert(lines.end(), report.begin(), report.end());
        app.tell(lines);
        return;
    }
    if (candidates.empty()) {
        if (passed.empty()) {
            app.tell({"O local escolhido não contém os arquivos solicitados"});
        } else {
            std::vector<std::string> lines{"Encontrados " + four(passed.size()) + " arquivos " +
                                               (kind == ImportKind::kLeao ? "Leao" : "XML"),
                                           "mas nenhum dos CPF na pasta Indicada"};
            lines.insert(lines.end(), report.begin(), report.end());
            app.tell(lines);
        }
        return;
    }
    importing::ImportRequest rq;
    rq.kind = kind;
    rq.folder = dirs->destination;
    rq.install = without_slash(app.s.ROTADEF);
    rq.terminal = app.s.NUSU;
    rq.clock = &app.w.clock();
    const payments::InterestTable selic = selic_rates(app);
    rq.selic = &selic;
    rq.ask = [&app](const std::vector<std::string>& lines) { return app.yes(lines); };
    if (kind == ImportKind::kLcdpr)
        rq.lcdpr_all =
            ui::AVISOSN(app.screen,
                        {"Sim - Importa todas informações", "Não - Somente o Livro Caixa    "},
                        2) == "S";
    const std::string tipo = kind == ImportKind::kAssetsXml    ? ".XML"
                             : kind == ImportKind::kLeao       ? "LEAO.TXT"
                             : kind == ImportKind::kLcdpr      ? "LCDPR"
                             : kind == ImportKind::kStatements ? "INFORME"
                             : government                      ? "DEC"
                                                               : ".TXT";
    std::vector<ListRow> rows;
    for (const auto& c : candidates) rows.push_back({c.cpf, c.name, c.path, tipo, c.origin});
    const auto marks = mark_rows(app, rows);
    if (!marks) return;
    std::vector<importing::Candidate> marked;
    for (size_t k : *marks) marked.push_back(candidates[k]);
    {
        // The counters stay on the screen under the closing notice.
        Counters counters(app, marked.size());
        for (const auto& c : marked) {
            const importing::ImportResult r = importing::import_file(app.w.env(), rq, c, app.op);
            using Outcome = importing::ImportResult::Outcome;
            if (r.outcome == Outcome::kRefused)
                report.push_back(c.file + ": não importado: " + r.text);
            if (r.outcome == Outcome::kInUse)
                report.push_back(c.file + ": em uso no terminal " + r.text);
            for (const auto& n : r.notes) report.push_back(c.file + ": " + n);
            counters.done(r.outcome == Outcome::kImported   ? Counters::kDone
                          : r.outcome == Outcome::kExisting ? Counters::kExisting
                                                            : Counters::kNot);
            if (app.op.esc_pressed() && app.yes({"Abandona a importação dos dados? S/N"})) break;
        }
        const auto counts = counters.lines();
        report.insert(report.begin(), counts.begin(), counts.end());
        report.insert(report.begin(), "Importação terminada.");
        app.tell(report, "Importação");
    }
}

// Option 1: last year's declarations of this system carried into this year's folder, the
// taxpayers marked in the list, with the questions before the run and for each taxpayer.
void CONVIRBRIO(App& app) {
    const auto dirs = PEGAOSDIR(app, "Conversão dos dados do VORN20" + previous_year());
    if (!dirs) return;
    std::vector<importing::PreviousDeclaration> old;
    if (Status st = importing::read_previous_year(app.w.env(), dirs->source, &old); !st) {
        app.error({"Nada foi convertido:", st.message()});
        return;
    }
    std::vector<ListRow> rows;
    for (const auto& p : old)
        rows.push_back({trim(p.registry.str("CPF")), trim(p.registry.str("NOMECONTR")),
                        dirs->source, "VORN20" + previous_year(), "IR 20" + previous_year()});
    if (rows.empty()) {
        app.tell({"O local escolhido não contém os arquivos solicitados"});
        return;
    }
    const auto marks = mark_rows(app, rows);
    if (!marks) return;
    importing::ConversionRequest rq;
    rq.source = dirs->source;
    rq.folder = dirs->destination;
    rq.install = without_slash(app.s.ROTADEF);
    rq.terminal = app.s.NUSU;
    rq.clock = &app.w.clock();
    const payments::InterestTable selic = selic_rates(app);
    rq.selic = &selic;
    rq.choices.carry_sold =
        ui::MSGALERT(app.screen, {"Bens vendidos no ano (sem valor no fim do ano):"},
                     {" Não transporte esse bem p/VORN20" + current_year(),
                      " Sim transporte o bem vendido.   "}) == 2;
    const int payers = ui::MSGALERT(
        app.screen, {"Rendimentos recebidos de pessoas físicas:"},
        {"1 Nenhum pagador", "2 Só os locatários dos aluguéis", "3 Todos os pagadores"});
    rq.choices.payers = payers >= 1 && payers <= 3 ? payers : 1;
    std::vector<std::string> only;
    for (size_t k : *marks) only.push_back(rows[k].cpf);
    std::vector<importing::ConversionResult> done;
    std::vector<std::string> report;
    using Outcome = importing::ConversionResult::Outcome;
    Status st;
    {
        Counters counters(app, only.size());
        size_t counted = 0;
        auto tally = [&] {
            for (; counted < done.size(); ++counted) {
                const auto& r = done[counted];
                counters.done(r.outcome == Outcome::kConverted  ? Counters::kDone
                              : r.outcome == Outcome::kExisting ? Counters::kExisting
                                                                : Counters::kNot);
            }
        };
        st = importing::CONVIRBRIO(
            app.w.env(), rq, app.op,
            [&app](const std::vector<std::string>& l) { return app.yes(l); }, only, &done,
            [&] {
                tally();
                return !done.empty() && app.op.esc_pressed() &&
                       app.yes({"Abandona a conversão dos dados? S/N"});
            });
        tally();
        for (const auto& r : done) {
            if (r.outcome != Outcome::kConverted) report.push_back(r.name + ": " + r.text);
            for (const auto& n : r.notes) report.push_back(r.name + ": " + n);
        }
        if (!st) report.push_back("Nada foi convertido: " + st.message());
        const auto counts = counters.lines();
        report.insert(report.begin(), counts.begin(), counts.end());
        report.insert(report.begin(), "Conversão terminada.");
        app.tell(report, "Conversão");
    }
}

// Option 22: last year's auxiliary tables into this installation.
void copy_aux(App& app) {
    app.tell({"Essa opção busca para o ano atual os arquivos", "auxiliares usados no ano anterior.",
              "Os endereços de origem e destino devem ser iguais",
              "ao endereço onde foram instalados os programas."});
    const auto dirs = PEGAOSDIR(app, title_of(ImportKind::kAuxTables));
    if (!dirs) return;
    store::FECHA_TODO(app.w);
    sync_areas(app.s, app.w);
    const auto done = importing::copy_aux_tables(app.w, dirs->source, false);
    if (done.empty()) {
        app.tell({"O local escolhido não contém os arquivos solicitados"});
        return;
    }
    std::vector<std::string> lines{"Arquivos copiados:"};
    for (const auto& c : done)
        lines.push_back(c.file + (c.copied ? "" : " - não copiado: " + c.text));
    app.tell(lines);
}

void leao_instructions(App& app) {
    app.tell({"Essa opção lê um arquivo txt com nome ", "CPF do contribuinte+a palavra Leao.txt",
              "exemplo: 12345678901Leao.txt e coloca ", "nos rendimentos da Pessoa Física.     ",
              "O layout deve obdecer a seguinte ordem:", " mês;nome pagador;cpf;valor;           ",
              "A última linha deve conter o número 99 "});
}

}  // namespace

bool import_entry_enabled(int option, int sub) {
    switch (option) {
        case 20:
            return sub == 1 || sub == 2;
        case 9:
            return sub >= 1 && sub <= 4;
        case 23:
            return sub == 1 || sub == 2;
        case 26:
            return sub == 1;
        case 1:
        case 3:
        case 5:
        case 7:
        case 8:
        case 11:
        case 12:
        case 13:
        case 14:
        case 21:
        case 22:
        case 24:
            return true;
        default:
            return false;
    }
}

std::optional<std::string> typed_folder(const App& app, const std::string& typed,
                                        std::string* refusal) {
    const std::string t = trim(typed);
    if (t.empty()) {
        *refusal = "Informe a pasta solicitada!";
        return std::nullopt;
    }
    if (t[0] == '/') return t.size() == 1 ? t : without_slash(t);
    if (t.size() < 2 || t[1] != ':' || !std::isalpha(static_cast<unsigned char>(t[0]))) {
        *refusal = "Especifique o drive com ':' após a letra";
        return std::nullopt;
    }
    std::string rest = t.substr(2);
    std::replace(rest.begin(), rest.end(), '\\', '/');
    const std::string root =
        drive_root(app, static_cast<char>(std::toupper(static_cast<unsigned char>(t[0]))));
    rest = without_slash(rest);
    if (rest.empty()) return root;
    return root + (rest[0] == '/' ? "" : "/") + rest;
}

void SEL_ITEM(App& app, int option, int sub) {
    if (!import_entry_enabled(option, sub)) return;
    switch (option) {
        case 1:
            CONVIRBRIO(app);
            break;
        case 20:
            BUSCAARQ(app, sub == 1 ? ImportKind::kAssetsRealEstate : ImportKind::kAssetsAll);
            break;
        case 21:
            BUSCAARQ(app, ImportKind::kAssetsXml);
            break;
        case 9:
            CONVFOLHA(app, sub);
            break;
        case 22:
            copy_aux(app);
            break;
        case 23:
            if (sub == 2)
                leao_instructions(app);
            else
                BUSCAARQ(app, ImportKind::kLeao);
            break;
        case 11:
            app.tell(
                {"A importação do Arural pode ser da cópia de segurança",
                 "carregando os lançamentos do Livro caixa, ",
                 "Ou do arquivo usado para exportação para IRPF20" + std::string(store::CANOATUAL),
                 "da Receita carregando apenas o resultado final."});
            BUSCAARQ(app, ImportKind::kRuralBook);
            break;
        case 24:
            BUSCAARQ(app, ImportKind::kLcdpr);
            break;
        case 3:
            BUSCAARQ(app, ImportKind::kGovAll);
            break;
        case 5:
            BUSCAARQ(app, ImportKind::kGovReceipts);
            break;
        case 7:
            BUSCAARQ(app, ImportKind::kGovPrefilled);
            break;
        case 8:
            app.tell({"Importa os rendimentos de pessoa física do IRPF20" + current_year() +
                          " para o VORN20" + current_year(),
                      "Os rendimentos,as despesas e impostos, lançados anteriormente",
                      "serão excluidos!"});
            BUSCAARQ(app, ImportKind::kGovIndividual);
            break;
        case 12:
            BUSCAARQ(app, ImportKind::kGovIncome);
            break;
        case 13:
            BUSCAARQ(app, ImportKind::kGovNewAssets);
            break;
        case 14:
            BUSCAARQ(app, ImportKind::kGovPayments);
            break;
        case 26:
            BUSCAARQ(app, ImportKind::kStatements);
            break;
        default:
            break;
    }
    // What the entry opened is closed; the registry stays in its area.
    store::FECHA_TODO(app.w);
    app.w.select(1);
}

void import_window(App& app) {
    auto win = ui::LDLGSHOW(app.screen, 1, 0, 23, 79, "Importacao de dados ");
    Choice chosen;
    win->menu = CRIA_MENUCONV(*win, chosen);
    app.screen.desktop().draw_bars(*win);
    win->lExitEsc = true;
    for (;;) {
        win->say(2, 2, "Escolha no menu o que importar (F10 abre o menu, Esc termina).");
        chosen = {};
        ui::LACTIVATE(app.screen, true);
        if (chosen.option == 0) break;
        SEL_ITEM(app, chosen.option, chosen.sub);
    }
    // FINAL
    ui::LDLGCLOSE(app.screen);
    store::FECHA_TODO(app.w);
    app.w.select(1);
}

}  // namespace vorn::shell
