#include "shell/payroll_window.h"

#include "base/helpers.h"
#include "base/text.h"
#include "base/validate.h"
#include "importing/payroll.h"
#include "shell/chooser.h"
#include "shell/folders.h"
#include "shell/import_window.h"
#include "store/catalogue.h"
#include "store/opening.h"
#include "ui/notices.h"

namespace vorn::shell {
namespace {

using importing::kPayrollTable;

constexpr const char* kAmountPicture = "@E 99,999,999.99";
constexpr const char* kMonthsPicture = "@E 999.9";

// FOLHAPG held alone while an entry works with it; told when another terminal has it.
struct Staging {
    App& app;
    bool ok = false;
    explicit Staging(App& a) : app(a) {
        sync_areas(app.s, app.w);
        const Status s = importing::open_payroll(app.w);
        ok = s.is_ok();
        if (!ok) app.error({s.message()});
    }
    ~Staging() { app.w.close(kPayrollTable); }
};

// The captions of the layout screen, by column.
std::vector<std::string> captions() {
    std::vector<std::string> out;
    for (const auto& l : importing::payroll_layout()) out.push_back(trim(l.substr(0, 20)));
    return out;
}

// ---- 1: IMPORTA

void show_layout(App& app) {
    // Two columns, so that the whole layout fits on the screen.
    const std::vector<std::string> layout = importing::payroll_layout();
    const size_t half = (layout.size() + 1) / 2;
    const std::string head = "Campo                Tipo tamanho";
    std::vector<std::string> lines{pad_right(head, 33) + " " + head};
    for (size_t k = 0; k < half; ++k)
        lines.push_back(pad_right(layout[k], 33) + " " +
                        (k + half < layout.size() ? layout[k + half] : std::string()));
    app.tell(lines, "Leiaute do arquivo folha.txt");
}

void IMPORTA(App& app) {
    // Shown 40 characters wide, scrolling over a folder as long as the data folder's.
    std::string folder = pad_right(app.s.ROTADOANO, 80);
    std::optional<std::string> path;
    const bool given = app.ask(
        {"Pasta onde está o arquivo folha.txt:"}, folder, "@S40", 80, [&app, &folder, &path] {
            std::string refusal;
            path = typed_folder(app, folder, &refusal);
            if (path && app.w.env().is_directory(*path)) return true;
            app.error({"Drive e/ou Pasta " + trim(folder) + " inexistente !!"});
            return false;
        });
    if (!given || !path) return;
    sync_areas(app.s, app.w);
    const importing::PayrollImport r =
        importing::import_payroll(app.w, *path, false, [&app](size_t staged) {
            return app.yes_not_default(
                {"Há " + std::to_string(staged) + " informes importados antes e ainda não",
                 "transferidos (com as correções feitas neles).",
                 "Apaga-os e importa o novo arquivo?"});
        });
    using Outcome = importing::PayrollImport::Outcome;
    switch (r.outcome) {
        case Outcome::kNoFile:
            app.tell({r.text});
            if (app.yes({"Deseja saber o Leiaute dos campos para gerar o arquivo?",
                         "O formato do Folha.txt deve ser tipo 'delimited'"}))
                show_layout(app);
            return;
        case Outcome::kImported: {
            std::vector<std::string> lines{r.text};
            lines.insert(lines.end(), r.cuts.begin(), r.cuts.end());
            app.tell(lines);
            return;
        }
        case Outcome::kKept:
            app.tell({"Nada foi importado: " + r.text + "."});
            return;
        default:
            app.error({"Nada foi importado:", r.text});
            return;
    }
}

// ---- 2: PEGACOM

// The form of one statement; false when the operator left it with Esc or did not confirm.
bool statement_form(App& app, store::Record& row) {
    const store::Layout& layout = row.layout();
    const std::vector<std::string> caption = captions();
    std::vector<std::string> texts(layout.size());
    std::vector<Decimal> amounts(layout.size());
    for (size_t k = 1; k < layout.size(); ++k) {
        if (layout[k].type == store::FieldType::kChar) {
            texts[k] = pad_right(row.str(layout[k].name), static_cast<size_t>(layout[k].width));
        } else {
            amounts[k] = row.num(layout[k].name);
        }
    }
    auto dlg = ui::LDLGSHOW(app.screen, 1, 0, 23, 79, "Informe de rendimentos");
    dlg->say(1, 2, "CPF " + masked_cpf(row.str("CPF")));
    std::vector<ui::Get> f;
    int text_row = 2, amount_row = 8, amount_col = 0;
    for (size_t k = 1; k < layout.size(); ++k) {
        ui::Get g;
        if (layout[k].type == store::FieldType::kChar) {
            dlg->say(text_row, 2, pad_right(caption[k], 20, '.') + ":");
            g.row = text_row++, g.col = 24, g.var = texts[k];
            g.picture = layout[k].name == "CNPJFONTE" ? "" : "@S47";
            g.width = layout[k].width;
            if (layout[k].name == "CNPJFONTE")
                g.valid = [&app, &s = texts[k]] { return CPFCGC1(app.op, s, false); };
        } else {
            const int col = amount_col == 0 ? 2 : 41;
            dlg->say(amount_row, col, pad_right(caption[k], 20, '.') + ":");
            g.row = amount_row, g.col = col + 22, g.var = amounts[k];
            g.picture = layout[k].name == "QTDMES" ? kMonthsPicture : kAmountPicture;
            if (amount_col == 1) ++amount_row;
            amount_col = 1 - amount_col;
        }
        f.push_back(std::move(g));
    }
    for (;;) {
        if (dlg->ReadModal(f).escaped) {
            ui::LDLGCLOSE(app.screen);
            return false;
        }
        if (app.yes({"Confirma os dados ?"})) break;
    }
    ui::LDLGCLOSE(app.screen);
    // GRAVA_DADO: every field to its namesake.
    for (size_t k = 1; k < layout.size(); ++k) {
        if (layout[k].type == store::FieldType::kChar) {
            row.set(layout[k].name, trim(texts[k]));
        } else {
            row.set(layout[k].name, amounts[k]);
        }
    }
    return true;
}

void PEGACOM(App& app) {
    Staging staging(app);
    if (!staging.ok) return;
    for (;;) {
        std::string cpf(11, ' ');
        if (!app.ask({"CPF do contribuinte:"}, cpf, "@R 999.999.999-99", 0,
                     [&app, &cpf] { return VAL_CPF(app.op, trim(cpf), true); }))
            return;
        std::vector<store::Record> rows;
        std::vector<uint32_t> recnos;
        if (Status s = importing::payroll_rows(app.w, &rows, &recnos); !s) {
            app.error({"FOLHAPG: " + s.message()});
            return;
        }
        store::Record row(store::table_def(kPayrollTable)->layout);
        row.set("CPF", trim(cpf));
        uint32_t recno = 0;
        for (size_t k = 0; k < rows.size(); ++k) {
            if (trim(rows[k].str("CPF")) != trim(cpf)) continue;
            if (app.yes({"CPF já existente! Outra fonte de Renda? (S/N)"})) {
                row.set("NOMECONTR", rows[k].str("NOMECONTR"));
            } else {
                row = rows[k];
                recno = recnos[k];
            }
            break;
        }
        if (!statement_form(app, row)) continue;
        importing::Notes notes;
        std::string reason;
        if (!importing::normalise_payroll_row(row, 0, notes, &reason)) {
            app.error({"Não gravado: " + reason});
            continue;
        }
        if (Status s = importing::store_payroll_row(app.w, row, recno); !s) {
            app.error({"FOLHAPG: " + s.message()});
            return;
        }
        if (!notes.cuts.empty()) app.tell(notes.cuts);
    }
}

// ---- 3: the group in the item browser

void group_edit(App& app) {
    Staging staging(app);
    if (!staging.ok) return;
    const store::Layout& layout = *store::table_def(kPayrollTable)->layout;
    const std::vector<std::string> caption = captions();
    std::vector<ui::BrowseColumn> cols;
    cols.push_back(field_column(app, kPayrollTable, "CPF", "CPF", "@R 999.999.999-99", true, 14));
    for (size_t k = 1; k < layout.size(); ++k) {
        const std::string& name = layout[k].name;
        const bool text = layout[k].type == store::FieldType::kChar;
        const std::string picture = text               ? "@S30"
                                    : name == "QTDMES" ? kMonthsPicture
                                                       : kAmountPicture;
        cols.push_back(field_column(app, kPayrollTable, name, caption[k], picture, true,
                                    text ? (name == "CNPJFONTE" ? 18 : 30) : 0));
    }
    browse_table(app, kPayrollTable, "Informes de rendimentos a transferir", std::move(cols), true);
}

// ---- 4: TRANSFERE

void TRANSFERE(App& app) {
    Staging staging(app);
    if (!staging.ok) return;
    std::vector<store::Record> rows;
    if (Status s = importing::payroll_rows(app.w, &rows); !s || rows.empty()) {
        app.tell({s ? "Não há informes importados para transferir." : "FOLHAPG: " + s.message()});
        return;
    }
    importing::TransferAnswers answers;
    answers.skip_registered =
        ui::AVISOSN(app.screen,
                    {"Encontrando um CPF igual", "Sim - Salte o CPF", "Não - É novo lançamento"},
                    2) == "S";
    answers.unknown = [&app](const std::string& cpf, const std::string& name) {
        const int b = ui::MSGALERT(app.screen,
                                   {"O CPF " + masked_cpf(cpf) + " - " + left(name, 25),
                                    "não está  cadastrado nas pastas indicadas! "},
                                   {"Inclui", "inclui Todos", "Salta", "Pula todos", "Abandona"});
        using importing::Unknown;
        switch (b) {
            case 1:
                return Unknown::kInclude;
            case 2:
                return Unknown::kIncludeAll;
            case 3:
                return Unknown::kSkip;
            case 5:
                return Unknown::kAbandon;
            default:
                return Unknown::kSkipAll;
        }
    };
    answers.stop = [&app] { return app.op.esc_pressed() && app.yes({"Sai da tranferência?"}); };
    answers.status = [&app](const std::string& line) { app.op.status(line); };
    std::vector<std::string> others;
    if (app.w.table(50))
        for (const FolderEntry& e : folder_list(app.w))
            if (without_slash(e.folder) != without_slash(app.s.LOCARQ)) others.push_back(e.folder);
    importing::ImportRequest rq;
    rq.folder = without_slash(app.s.LOCARQ);
    rq.install = without_slash(app.s.ROTADEF);
    rq.terminal = app.s.NUSU;
    rq.clock = &app.w.clock();
    const payments::InterestTable selic = selic_rates(app);
    rq.selic = &selic;
    importing::TransferResult r;
    const Status s = importing::transfer_payroll(app.w, rq, others, answers, app.op, &r);
    std::vector<std::string> lines = r.lines();
    lines.insert(lines.end(), r.report.begin(), r.report.end());
    if (!s) lines.push_back("FOLHAPG: " + s.message());
    app.tell(lines, "Transferência");
}

}  // namespace

void CONVFOLHA(App& app, int entry) {
    switch (entry) {
        case 1:
            IMPORTA(app);
            break;
        case 2:
            PEGACOM(app);
            break;
        case 3:
            group_edit(app);
            break;
        case 4:
            TRANSFERE(app);
            break;
        default:
            break;
    }
}

}  // namespace vorn::shell
