// The client lists and labels of the print menu.
#include "shell/lists_window.h"

#include <algorithm>
#include <map>
#include <memory>
#include <optional>

#include "entry/month_range.h"
#include "printing/client_lists.h"
#include "printing/print_file.h"
#include "shell/folders.h"
#include "shell/print_commands.h"
#include "store/statuses.h"
#include "tax/year.h"
#include "ui/desktop.h"
#include "ui/field.h"
#include "ui/notices.h"

namespace vorn::shell {
namespace {

int number_of(const std::string& digits) {
    int n = 0;
    for (char c : digits) n = c >= '0' && c <= '9' ? n * 10 + (c - '0') : n;
    return n;
}

std::string two_digits(int n) {
    return std::string(1, static_cast<char>('0' + n / 10 % 10)) + static_cast<char>('0' + n % 10);
}

// "Configura a etiqueta": margin, top of the sheet, lines per label, lines per page. A geometry
// with no label on a sheet is refused and the window stays. nullopt on Esc.
std::optional<printing::LabelGeometry> configure_labels(App& app, int sheet_lines) {
    printing::LabelGeometry g;
    std::string margin = two_digits(0), top = two_digits(0), lines = two_digits(6),
                page = two_digits(sheet_lines);
    for (;;) {
        auto dlg = ui::LDLGSHOW(app.screen, 7, 18, 15, 61, "Configura a etiqueta");
        dlg->say(1, 2, "Margem esquerda.............:");
        dlg->say(2, 2, "Distância do topo da folha..:");
        dlg->say(3, 2, "Linhas por etiqueta.........:");
        dlg->say(4, 2, "Linhas por página...........:");
        std::vector<ui::Get> f(4);
        std::string* vars[] = {&margin, &top, &lines, &page};
        for (int k = 0; k < 4; ++k) {
            f[k].row = 1 + k, f[k].col = 32, f[k].var = *vars[k], f[k].picture = "99";
        }
        ui::ReadResult r = dlg->ReadModal(f);
        ui::LDLGCLOSE(app.screen);
        if (r.escaped) return std::nullopt;
        g = {number_of(margin), number_of(top), number_of(lines), number_of(page)};
        const std::optional<std::string> problem = printing::settle_geometry(&g);
        if (!problem) return g;
        app.error({*problem});
    }
}

// A window of numbered lines and an option field; the option, or 0 on Esc.
int choose_line(App& app, const char* title, const std::vector<std::string>& lines) {
    const int n = static_cast<int>(lines.size());
    std::string option = "1";
    auto dlg = ui::LDLGSHOW(app.screen, 6, 20, 9 + n, 59, title);
    for (int k = 0; k < n; ++k) dlg->say(k, 2, lines[k]);
    dlg->say(n + 1, 2, "Opção:");
    std::vector<ui::Get> f(1);
    f[0].row = n + 1, f[0].col = 9, f[0].var = option, f[0].picture = "9";
    f[0].valid = [&] { return number_of(option) >= 1 && number_of(option) <= n; };
    ui::ReadResult r = dlg->ReadModal(f);
    ui::LDLGCLOSE(app.screen);
    return r.escaped ? 0 : number_of(option);
}

// "Faixa de Estatus": from at least 1 to an end not below the start. False on Esc.
bool status_range(App& app, printing::ListOptions* lo) {
    std::string from = two_digits(1), to = two_digits(99);
    auto dlg = ui::LDLGSHOW(app.screen, 9, 22, 13, 57, "Faixa de Estatus");
    dlg->say(1, 2, "Do estatus ");
    dlg->say(1, 17, "ao ");
    std::vector<ui::Get> f(2);
    f[0].row = 1, f[0].col = 13, f[0].var = from, f[0].picture = "99";
    f[0].valid = [&] { return number_of(from) >= 1; };
    f[1].row = 1, f[1].col = 20, f[1].var = to, f[1].picture = "99";
    f[1].valid = [&] { return number_of(to) >= number_of(from); };
    ui::ReadResult r = dlg->ReadModal(f);
    ui::LDLGCLOSE(app.screen);
    if (r.escaped || number_of(from) < 1 || number_of(to) < number_of(from)) return false;
    lo->all_statuses = false;
    lo->STAT_INIC = number_of(from);
    lo->STAT_FINAL = number_of(to);
    return true;
}

// A question answered S or N; nullopt on Esc.
std::optional<bool> yes_or_no(App& app, const std::vector<std::string>& text) {
    ui::MensArgs a;
    a.keys = "SN";
    const std::string k = ui::MENS(app.screen, 2, text, a);
    if (k != "S" && k != "N") return std::nullopt;
    return k == "S";
}

// The questions; false when the operator gave up.
bool ask(App& app, printing::ListOptions* lo) {
    if (lo->model == printing::ListModel::kLabels) {
        if (CONFIMP(app, 0) == "NAO DOS") {
            const auto condensed = yes_or_no(app, {"Reduz os caracteres para imprimir etiquetas?"});
            if (!condensed) return false;
            lo->condensed = *condensed;
            const auto g = configure_labels(app, lo->NRO_LIN);
            if (!g) return false;
            lo->labels = *g;
        } else {
            lo->labels = {0, 0, 6, 60};  // a Windows printer's label paper
        }
    }
    if (lo->QUECON != 1) {
        lo->OPC_IND = choose_line(
            app, "Ordem de impressão",
            {"(1) por CPF", "(2) pelo nome", "(3) pelo Status", "(4) pelo Mês do Nascimento",
             "(5) pelo valor do imposto", "(6) pelo valor cobrado"});
        if (lo->OPC_IND == 0) return false;
        if (lo->OPC_IND == 4) {
            const auto months = entry::ESCOLHE_MES(app.screen);
            if (!months) return false;
            lo->MES_INIC = months->from;
            lo->MES_FINAL = months->to;
        }
    }
    const auto all = yes_or_no(app, {"Sim - Todos os Estatus", "Não - Uma faixa de Estatus"});
    if (!all) return false;
    if (!*all && !status_range(app, lo)) return false;
    const int tax = choose_line(app, "Impostos",
                                {"1) Independe o imposto", "2) Apenas os isentos",
                                 "3) Somente c/devolução", "4) Somente c/Imposto"});
    if (tax == 0) return false;
    lo->SEPIMP = static_cast<printing::TaxFilter>(tax);
    if (lo->model != printing::ListModel::kLabels) {
        // Orders 1 to 3 choose; the birthday, tax and fee orders print the complete list, which
        // shows the birthday notice and the tax due.
        if (lo->OPC_IND <= 3) {
            const auto summary = yes_or_no(
                app, {"Sim para o Cadastro resumido   ", "Não para o Cadastro completo  "});
            if (!summary) return false;
            lo->model = *summary ? printing::ListModel::kSummary : printing::ListModel::kComplete;
        } else {
            lo->model = printing::ListModel::kComplete;
        }
    }
    return true;
}

}  // namespace

void print_client_lists(App& app, int quecon, const std::string& cpf) {
    Session& s = app.s;
    printing::ListOptions lo;
    lo.QUECON = quecon;
    lo.cpf = cpf;
    lo.model =
        s.cfg_num("quemod") == 1 ? printing::ListModel::kLabels : printing::ListModel::kSummary;
    lo.today = app.w.clock().now().date;
    // The terminal's lines per sheet (command 54 keeps them between 50 and 66); a terminal that
    // never set them prints 60.
    const long lines = s.cfg_num("NRO_LIN");
    lo.NRO_LIN = lines >= 50 && lines <= 66 ? static_cast<int>(lines) : 60;
    if (!ask(app, &lo)) return;
    if (auto problem = printing::check_list_options(&lo)) {
        app.error({*problem});
        return;
    }
    std::vector<std::string> folders = {s.ROTADOANO};
    if (quecon == 4) {
        sync_areas(s, app.w);
        folders.clear();
        for (const FolderEntry& e : folder_list(app.w)) folders.push_back(e.folder);
    }
    const std::map<long, std::string> names = store::read_status_names(app.w);
    // PAREIMP: Esc between clients asks whether to give the print up; the keyboard is looked at
    // every few clients.
    lo.stop = [&app, clients = 0]() mutable {
        return ++clients % 16 == 0 && app.op.esc_pressed() && app.yes({"Abandona a impressão ?"});
    };
    std::unique_ptr<printing::PrintFile> file;
    if (Status st = printing::PrintFile::PREP_IMP(print_place(app), &file); !st) {
        app.error({st.message()});
        return;
    }
    printing::ListResult result;
    Status st = printing::IMPR_CAD(app.w.env(), folders, lo, names, *file, &result);
    std::string path;
    Status closed = file->close(&path);
    if (!st) {
        app.error({st.message()});
        return;
    }
    for (const auto& p : result.problems) app.error({"Não foi possível ler a pasta", p});
    if (!closed) {
        app.error({closed.message()});
        return;
    }
    if (result.abandoned) return;
    if (result.nothing()) {
        app.tell({printing::kNoClient});
        return;
    }
    if (const std::string notice = printing::overlong_notice(result); !notice.empty())
        app.tell({notice});
    const std::string name =
        quecon == 1 ? printing::copy_name(12, cpf, tax::CANOATUAL) : std::string("NAO-DOS");
    for (int copy = 0; copy < std::clamp(s.NRO_VIAS, 1, 9); ++copy)
        if (send_print_file(app, path, name) != printing::Sent::kSent) break;
}

}  // namespace vorn::shell
