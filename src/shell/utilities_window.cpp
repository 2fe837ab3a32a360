#include "shell/utilities_window.h"

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <tuple>
#include <vector>

#include "base/text.h"
#include "base/validate.h"
#include "maintenance/check.h"
#include "maintenance/cpf_change.h"
#include "maintenance/history.h"
#include "maintenance/part_copy.h"
#include "maintenance/reindex.h"
#include "output/exports.h"
#include "shell/chooser.h"
#include "shell/folders.h"
#include "store/opening.h"
#include "tax/folder.h"
#include "tax/open_computation.h"

namespace vorn::shell {
namespace {

constexpr int kNotes = 11;
constexpr int kGains = 7;

// What the check reads besides the declaration: the office's catalogue and its history of 2024.
struct CheckSetting {
    maintenance::ErrorCatalogue catalogue;
    std::map<std::string, tax::PastResult> history;
    std::optional<tax::PastResult> last_year(const std::string& cpf) const {
        auto h = history.find(cpf);
        return h == history.end() ? std::nullopt : std::optional<tax::PastResult>(h->second);
    }
};

bool check_setting(App& app, CheckSetting* out) {
    store::Env& env = app.w.env();
    Status st = maintenance::ErrorCatalogue::read(env, app.s.ROTADEF, &out->catalogue);
    if (st) st = maintenance::read_history(env, app.s.ROTADEF, "2024", &out->history);
    if (!st) {
        app.error({"Conferência não feita:", st.message()});
        return false;
    }
    return true;
}

// The verdict: the final counts, then what the check says of them.
void tell_verdict(App& app, const maintenance::CheckResult& r) {
    std::vector<std::string> lines = {maintenance::final_status_line(r)};
    for (const auto& t : maintenance::result_texts(r, 2)) lines.push_back(t);
    app.tell(lines);
}

// Areas open at the main menu but the folder list (held for the whole run), closed for a command
// that needs every table alone and opened again afterwards.
struct AreasClosed {
    App& app;
    std::vector<int> open;
    explicit AreasClosed(App& a) : app(a) {
        for (int n = 1; n < 100; ++n)
            if (n != 50 && app.w.table(n)) {
                open.push_back(n);
                app.w.close(n);
            }
    }
    ~AreasClosed() {
        for (int n : open) (void)store::ABERTURA(app.w, n);
    }
};

}  // namespace

namespace {

// The check of a declaration of a data folder (`where` as the check takes it), its findings
// stored in the folder's notes table; nullopt after telling the operator what failed.
std::optional<maintenance::CheckResult> check_in_folder(App& app, const CheckSetting& setting,
                                                        const std::string& folder,
                                                        const std::string& cpf, int where) {
    tax::FolderReader::Loaded l;
    if (Status st = tax::FolderReader::read_one(app.w.env(), folder, cpf, &l); !st) {
        app.error({"Declaração não lida:", st.message()});
        return std::nullopt;
    }
    maintenance::Checker checker(setting.catalogue, app.op, app.w.clock());
    maintenance::CheckInput in;
    in.declaration = &l.declaration;
    in.gains = &l.gains;
    in.last_year = setting.last_year(cpf);
    const maintenance::CheckResult r = checker.CONFERE(in, where);
    if (Status st =
            maintenance::record_findings(app.w.env(), folder, cpf, r.findings, &app.w.clock(), 10);
        !st) {
        app.error({"As observações não foram gravadas:", st.message()});
        return std::nullopt;
    }
    return r;
}

}  // namespace

void check_declaration(App& app) {
    sync_areas(app.s, app.w);
    const std::optional<std::string> cpf = choose_declaration(app, 2, false);
    if (!cpf) return;
    CheckSetting setting;
    if (!check_setting(app, &setting)) return;
    if (const auto r = check_in_folder(app, setting, app.s.LOCARQ, *cpf, 1)) tell_verdict(app, *r);
}

void check_silently(App& app, const std::string& cpf) {
    sync_areas(app.s, app.w);
    CheckSetting setting;
    if (check_setting(app, &setting)) (void)check_in_folder(app, setting, app.s.LOCARQ, cpf, 3);
}

std::function<void(const std::string&, const std::string&)> silent_checks(App& app) {
    // The catalogue and the history are read once for the whole run; a failure is told once and
    // ends the checks, not the printing.
    auto setting = std::make_shared<std::optional<CheckSetting>>();
    auto failed = std::make_shared<bool>(false);
    return [&app, setting, failed](const std::string& folder, const std::string& cpf) {
        if (*failed) return;
        if (!*setting) {
            CheckSetting s;
            if (!check_setting(app, &s)) {
                *failed = true;
                return;
            }
            *setting = std::move(s);
        }
        if (!check_in_folder(app, **setting, folder, cpf, 3)) *failed = true;
    };
}

void check_open_declaration(App& app, store::Declaration& d) {
    CheckSetting setting;
    if (!check_setting(app, &setting)) return;
    tax::Declaration view = tax::Declaration::blank(d.cpf());
    std::vector<store::Record> gains, notes;
    Status st = tax::take_open(d, &view);
    if (st) st = d.working_records(kGains, &gains);
    if (st) st = d.working_records(kNotes, &notes);
    if (!st) {
        app.error({"Conferência não feita:", st.message()});
        return;
    }
    maintenance::Checker checker(setting.catalogue, app.op, app.w.clock());
    maintenance::CheckInput in;
    in.declaration = &view;
    in.gains = &gains;
    in.last_year = setting.last_year(d.cpf());
    const maintenance::CheckResult r = checker.CONFERE(in, 2);
    // The earlier findings give way to these; the operator's own notes stay first.
    std::vector<store::Record> kept;
    for (auto& n : notes)
        if (n.num("CODERR").is_zero()) kept.push_back(n);
    for (auto& f : maintenance::finding_records(d.cpf(), r.findings)) kept.push_back(f);
    if (st = d.replace_working(kNotes, kept); !st)
        app.error({"As observações não foram gravadas:", st.message()});
}

void rebuild_indexes(App& app) {
    if (!app.yes({"Esta opção refará todos arquivos índices (CDX).   ",
                  "Todos registros marcados para exclusão serão      ",
                  "definitivamente excluidos.                        ",
                  "Operação recomendada a ser feita após uma queda   ",
                  "da energia,quando arquivos forem copiados de um   ",
                  "equipamento para outro ou após uma nova instalação.",
                  "Se equipamento está na rede fique só em um terminal"}))
        return;
    sync_areas(app.s, app.w);
    std::vector<std::string> folders;
    for (const FolderEntry& e : folder_list(app.w)) folders.push_back(e.folder);
    maintenance::ReindexResult r;
    Status st;
    {
        AreasClosed closed(app);
        app.op.progress("Reindexando os arquivos...");
        st = maintenance::reindex_all(app.w, folders, app.s.DIRTRAB, &r);
        app.op.progress_done();
    }
    sync_areas(app.s, app.w);
    if (!st) {
        std::vector<std::string> lines = {"Reindexação não feita:", st.message()};
        if (!r.busy.empty()) lines.push_back(r.busy + " está sendo usado em algum terminal.");
        app.error(lines);
        return;
    }
    std::vector<std::string> lines = {"Reindexadas " + std::to_string(r.folders.size()) + " pasta" +
                                      (r.folders.size() == 1 ? "" : "s") + "."};
    if (r.kept_work)
        lines.push_back(
            "Os arquivos temporários deste terminal guardam uma declaração não salva:"
            " mantidos.");
    if (!r.missing_office.empty()) {
        std::string names;
        for (const auto& m : r.missing_office) names += (names.empty() ? "" : ", ") + m;
        lines.push_back("Não encontrados: " + names);
    }
    app.tell(lines);
}

void change_cpf(App& app) {
    sync_areas(app.s, app.w);
    for (;;) {
        std::string from(11, ' '), to(11, ' ');
        if (!app.ask({"Muda CPF", "CPF original:"}, from, "@R 999.999.999-99")) return;
        from = trim(from);
        if (!app.ask({"Muda CPF", "CPF novo:"}, to, "@R 999.999.999-99", 0,
                     [&] { return VAL_CPF(app.op, trim(to), true); }))
            return;
        to = trim(to);
        maintenance::CpfChangeResult r;
        auto dependant = [&](const std::string& seller) {
            std::string v = pad_right(seller, 11);
            if (!app.ask({"GCAP de Dependente - Informe o CPF: "}, v, "@R 999.999.999-99"))
                return std::string();
            return trim(v);
        };
        Status st;
        {
            AreasClosed closed(app);
            st = maintenance::change_cpf(app.w, from, to, dependant, &r);
        }
        if (!st) {
            std::vector<std::string> lines = {st.message()};
            if (!r.busy.empty()) lines.push_back(r.busy + " está sendo usado em algum terminal.");
            app.error(lines);
            continue;
        }
        app.tell({"Pronto. CPF Trocado!"});
    }
}

void export_files(App& app, int kind, int how) {
    sync_areas(app.s, app.w);
    store::Env& env = app.w.env();
    const std::string folder = without_slash(app.s.LOCARQ);
    if (how != 2 && how != 3) {
        std::string path;
        if (Status st = output::export_table(env, folder, kind, app.s.DIRTRAB, &path); !st) {
            app.error({"Erro! Arquivo " + output::export_file_name(kind), st.message()});
            return;
        }
        app.tell({"Criado arquivo " + output::export_file_name(kind) + " na pasta", app.s.DIRTRAB});
        return;
    }
    const bool xml = how == 3;
    std::string to = app.s.DIRTRAB;
    {
        // A folder typed for the moment, not stored: as long as a path may be.
        std::string v = pad_right(to, std::max<size_t>(250, char_count(to)));
        if (!app.ask({"Gravar os arquivos na pasta"}, v, "@S60")) return;
        to = without_slash(trim(v));
    }
    if (!env.is_directory(to)) {
        app.error({"Erro! Caminho não encontrado", to});
        return;
    }
    bool real_estate_only = false;
    if (!xml) {
        const int which =
            app.op.choose("Bens a exportar", "Quais bens exportar?",
                          {"Imoveis - Somente os Imoveis", "Todos   - Todos os bens    "}, 1);
        if (which < 0) return;
        real_estate_only = which == 0;
    }
    const int scope = app.op.choose(
        "Exportação", "Quais contribuintes?",
        {"PARCIAL - Copia dos selecionados ", "TOTAL   - Copia de todos da pasta "}, 0);
    if (scope < 0) return;
    std::vector<std::string> cpfs;
    if (scope == 0) {
        const auto marked =
            mark_declarations(app, "Marque com S os contribuintes a exportar.", "Exp", false);
        if (!marked) return;
        for (const auto& m : *marked) cpfs.push_back(m.cpf);
        if (cpfs.empty()) {
            app.tell({"Nenhum contribuinte foi marcado para a transferência.",
                      "Marque com S (sim) nos que deseja transferir.    "});
            return;
        }
    } else {
        store::Table* reg = app.w.table(9);
        if (!reg && store::ABERTURA(app.w, 9)) reg = app.w.table(9);
        if (reg) {
            const size_t order = reg->order();
            reg->set_order(0);
            for (Status r = reg->go_top(); r && !reg->eof(); r = reg->skip())
                cpfs.push_back(reg->str("CPF"));
            reg->set_order(order);
        }
        if (cpfs.empty()) {
            app.tell({"Sem contribuintes para transferência"});
            return;
        }
        if (!app.yes({"Exporta os " + std::to_string(cpfs.size()) + " contribuintes na pasta:",
                      folder, "Para a pasta:", to}))
            return;
    }
    std::vector<std::string> files;
    if (Status st = output::export_assets(env, folder, cpfs, to, xml, real_estate_only, &files);
        !st) {
        app.error({"Erro! Arquivo não gravado", st.message()});
        return;
    }
    app.tell({"Criado" + std::string(files.size() == 1 ? "" : "s") + " " +
                  std::to_string(files.size()) + " arquivo" + (files.size() == 1 ? "" : "s") +
                  " na pasta",
              to});
}

void history_command(App& app, int arg) {
    sync_areas(app.s, app.w);
    if (arg == 6) {
        if (!store::ABERTURA(app.w, 80)) return;
        std::vector<ui::BrowseColumn> cols;
        for (auto [field, header, picture, width] :
             {std::tuple{"CPF", "CPF", "@R 999.999.999-99", 14},
              {"ANOBASE", "Ano", "", 4},
              {"NOMECONTR", "Nome", "@S30", 30},
              {"TOTRTRIB", "Tributáveis", "@E 999,999,999.99", 0},
              {"TOTIMPOS", "Imposto", "@E 999,999,999.99", 0},
              {"VALIRPF", "Pagar/Restituir", "@E 999,999,999.99", 0},
              {"BENSBASE", "Bens", "@E 999,999,999.99", 0},
              {"DIVBASE", "Dívidas", "@E 999,999,999.99", 0}})
            cols.push_back(field_column(app, 80, field, header, picture, false, width));
        browse_table(app, 80, "Resultados dos anos anteriores", std::move(cols), false);
        app.w.close(80);
        return;
    }
    // The years as the menu names them: "Buscar ano 20" + the previous year and the three before.
    const int newest = NANOANTER;
    std::vector<int> years;
    if (arg == 5)
        for (int k = 0; k < 5; ++k) years.push_back(newest - k);
    else
        years.push_back(newest - (arg == 0 ? 0 : arg - 1));
    app.w.close(80);
    std::vector<std::string> lines;
    for (int year : years) {
        maintenance::HistoryRun run;
        app.op.progress("Buscando as declarações de " + std::to_string(year));
        Status st = maintenance::read_year(app.w.env(), app.s.ROTADEF, without_slash(app.s.LOCIRPF),
                                           std::to_string(year), &run);
        app.op.progress_done();
        if (!st) {
            lines.push_back(st.message());
            continue;
        }
        lines.push_back("Buscado dados de " + pad_left(std::to_string(run.read), 4) +
                        " contribuintes do anobase " + std::to_string(year));
        for (const auto& s : run.skipped) lines.push_back("  não lido: " + s);
    }
    app.tell(lines);
}

namespace {

// The name and rural mark of a registered CPF of the data folder; nullopt when it has none.
std::optional<std::pair<std::string, bool>> registered(App& app, const std::string& cpf) {
    store::Table* reg = app.w.table(9);
    if (!reg && store::ABERTURA(app.w, 9)) reg = app.w.table(9);
    if (!reg) return std::nullopt;
    const size_t order = reg->order();
    reg->set_order(reg->index_count() > 0 ? 1 : 0);
    std::optional<std::pair<std::string, bool>> out;
    if (reg->seek(store::Value(cpf)) && !reg->eof() && reg->str("CPF") == cpf)
        out.emplace(trim(reg->str("NOMECONTR")), reg->str("TEMRURAL") == "S");
    reg->set_order(order);
    return out;
}

// The lines of a refusal's message, and the table another terminal holds.
std::vector<std::string> refusal_lines(const Status& st, const std::string& busy) {
    std::vector<std::string> lines;
    for (size_t a = 0, b; a <= st.message().size(); a = b + 1) {
        b = st.message().find('\n', a);
        if (b == std::string::npos) b = st.message().size();
        lines.push_back(st.message().substr(a, b - a));
    }
    if (!busy.empty()) lines.push_back(busy + " está sendo usado em algum terminal.");
    return lines;
}

// The final estate's assets shared among its heirs: only the estate is asked for; each heir not
// registered here is offered a registration with only the inherited assets.
void copy_estate_assets(App& app) {
    const std::string title =
        "Transfere parte da declaração - " + maintenance::part_name(maintenance::kEstatePart);
    std::string from(11, ' ');
    if (!app.ask({title, "CPF do espólio:"}, from, "@R 999.999.999-99")) return;
    from = trim(from);
    const auto source = registered(app, from);
    if (!source) return app.error({"CPF original não encontrado.", "Confira o número digitado"});
    if (!app.yes({"Confirme..", trim(maintenance::part_name(maintenance::kEstatePart)),
                  "De   " + source->first, "para os herdeiros da partilha"},
                 title))
        return;
    maintenance::EstateCopyResult r;
    Status st;
    {
        AreasClosed closed(app);
        st = maintenance::copy_estate_assets(
            app.w, from,
            [&](const std::string& name, const std::string& cpf) {
                return app.yes({name + " - " + cpf + " não foi localizado !",
                                "Cria esse CPF apenas com a Declaração dos bens herdados?"},
                               title);
            },
            &r);
    }
    if (!st) return app.error(refusal_lines(st, r.busy), title);
    std::vector<std::string> lines = {"Copiado" + std::string(r.copied == 1 ? "" : "s") + " " +
                                      std::to_string(r.copied) + " bem" +
                                      (r.copied == 1 ? "" : "s") + " para os herdeiros"};
    if (r.existing > 0)
        lines.push_back(std::to_string(r.existing) + " já existente" +
                        (r.existing == 1 ? "" : "s") + " nos herdeiros");
    if (r.created > 0)
        lines.push_back(std::to_string(r.created) + " herdeiro" + (r.created == 1 ? "" : "s") +
                        " cadastrado" + (r.created == 1 ? "" : "s"));
    lines.insert(lines.end(), r.left.begin(), r.left.end());
    app.tell(lines, title);
}

}  // namespace

void copy_declaration_part(App& app, int part) {
    sync_areas(app.s, app.w);
    if (part == maintenance::kEstatePart) return copy_estate_assets(app);
    if (!maintenance::copyable_part(part)) return app.tell({ui::kNotAvailable});
    const std::string title = "Transfere parte da declaração - " + maintenance::part_name(part);
    std::string from(11, ' '), to(11, ' ');
    if (!app.ask({title, "CPF de origem:"}, from, "@R 999.999.999-99")) return;
    if (!app.ask({title, "CPF de destino:"}, to, "@R 999.999.999-99")) return;
    from = trim(from);
    to = trim(to);
    const auto source = registered(app, from);
    if (!source) return app.error({"CPF original não encontrado.", "Confira o número digitado"});
    const auto dest = registered(app, to);
    if (!dest)
        return app.error({"CPF Destino " + to + " não foi encontrado nessa pasta.",
                          "Cadastre-o ou se ele existe em outra pasta transfira-o para:",
                          app.s.LOCARQ + " para fazer essa cópia."});
    std::string what = maintenance::part_name(part);
    if (part == 1)
        what = std::string(source->second ? "Copia completa declaração incluindo a Ativ. Rural"
                                          : "Copia completa da declaração") +
               ", exceto o cadastro";
    if (!app.yes({"Confirme..", trim(what), "De   " + source->first, "para " + dest->first}, title))
        return;
    const bool keep =
        app.yes({" Encontrando Dados na declaração? ", " Sim - Acrecente os novos dados   ",
                 " Não - Retire os dados anteriores "},
                title);
    maintenance::PartCopyResult r;
    Status st;
    {
        AreasClosed closed(app);
        st = maintenance::copy_part(app.w, part, from, to, keep, &r);
    }
    if (!st) return app.error(refusal_lines(st, r.busy), title);
    app.tell({"Copiado" + std::string(r.copied == 1 ? "" : "s") + " " + std::to_string(r.copied) +
              " registro" + (r.copied == 1 ? "" : "s") + " para " + dest->first},
             title);
}

}  // namespace vorn::shell
