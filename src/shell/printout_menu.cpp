// Command 51: the declaration printout of the print selection.
#include "shell/printout_menu.h"

#include <algorithm>
#include <memory>

#include "base/text.h"
#include "entry/month_range.h"
#include "office/fees.h"
#include "printing/gains_report.h"
#include "printing/gains_report_run.h"
#include "printing/printout.h"
#include "printing/printout_run.h"
#include "shell/chooser.h"
#include "shell/darf_window.h"
#include "shell/folders.h"
#include "shell/letter_window.h"
#include "shell/lists_window.h"
#include "shell/print_commands.h"
#include "shell/utilities_window.h"
#include "tax/folder.h"
#include "tax/year.h"

namespace vorn::shell {
namespace {

// One print run over the selection: the print file prepared, the declarations printed into it,
// the file sent through the channel. `folders` are printed in turn; one whose registry cannot be
// read is named to the operator and the others go on.
void run(App& app, const std::vector<std::string>& folders, const printing::Selection& sel) {
    Session& s = app.s;
    // What the item prints: the declaration's pages, its notes, or its cash book for the months
    // the operator chooses.
    const long queimp = s.cfg_num("queimp");
    std::vector<printing::Step> steps = printing::steps_of(static_cast<int>(s.cfg_num("quepag")));
    printing::Extras extras;
    if (queimp == 9) steps = {printing::Step::kNotes};
    if (queimp == 10) {
        const auto months = entry::ESCOLHE_COMO(app.screen, 1);
        if (!months) return;
        steps = {printing::Step::kCashBook};
        extras.from = months->from;
        extras.to = months->to;
        extras.page_per_month = months->page_per_month;
        extras.previous_balance = months->previous_balance;
    }
    const printing::PrintPlace place = print_place(app);
    std::unique_ptr<printing::PrintFile> file;
    if (Status st = printing::PrintFile::PREP_IMP(place, &file); !st) {
        app.error({st.message()});
        return;
    }
    printing::PrintoutOptions po;
    po.lines = static_cast<int>(s.cfg_num("NRO_LIN"));
    if (po.lines < 50 || po.lines > 66) po.lines = 60;
    po.naodos = CONFIMP(app, 0) == "NAO DOS";
    po.strings[0] = place.strings[0];
    po.strings[1] = place.strings[1];
    const DateTime now = app.w.clock().now();
    po.run_date = now.date.dmy();
    po.run_time = seconds_to_hms(now.seconds);
    // PAREIMP: Esc between lines asks whether to give the print up.
    // The keyboard is looked at every few lines: a glance repaints the screen.
    po.stop = [&app, lines = 0]() mutable {
        return ++lines % 16 == 0 && app.op.esc_pressed() && app.yes({"Abandona a impressão ?"});
    };
    po.status = [&app](std::string_view t) { app.op.status(t); };
    printing::Printout printout(*file, po);

    const payments::InterestTable selic = selic_rates(app);
    printing::RunContext rc{app.w.env(), app.op, app.w.clock(), selic, silent_checks(app)};
    printing::RunResult result;
    for (const std::string& folder : folders) {
        Status st =
            printing::print_folder(rc, folder, sel, steps, printout, *file, &result, extras);
        if (!st && sel.kind == printing::Selection::Kind::kOne) {
            app.error({st.message()});
            return;
        }
        if (!st) app.error({"Não foi possível ler a pasta", folder, st.message()});
        if (result.abandoned) break;
    }
    for (const auto& p : result.problems) app.error({"Declaração não impressa:", p});
    std::string path;
    if (Status st = file->close(&path); !st) {
        app.error({st.message()});
        return;
    }
    if (result.abandoned) return;
    const std::string name = result.cpfs.size() == 1
                                 ? printing::copy_name(static_cast<int>(s.cfg_num("queimp")),
                                                       result.cpfs[0], tax::CANOATUAL)
                                 : std::string("NAO-DOS");
    // NRO_VIAS copies, one print job each; a channel that fails ends them.
    for (int copy = 0; copy < std::clamp(s.NRO_VIAS, 1, 9); ++copy)
        if (send_print_file(app, path, name) != printing::Sent::kSent) break;
}

// The print item "Ganho de capital" (QUEIMP 6) prints the capital-gains report.
bool gains_chosen(const App& app) {
    return app.s.cfg_num("queimp") == 6;
}

// IMPGANHO's menu: 1 to 5, nothing when the operator pressed Esc.
std::optional<int> gains_option(App& app) {
    // The five options one under the other (side by side they do not fit the screen), then the
    // number typed; all the gains are proposed.
    std::vector<std::string> lines = printing::gains_report_options();
    lines.push_back("Escolha os ganhos a imprimir");
    Decimal k(5);
    if (!app.ask(lines, k, "9", 0, [&] {
            const long long n = k.whole();
            return n >= 1 && n <= 5;
        }))
        return std::nullopt;
    return static_cast<int>(k.whole());
}

// The gains report of `folders` (every gain of the chosen kind), or of one client with the choice
// of the gain's number; sent through the channel like the printout.
void run_gains(App& app, const std::vector<std::string>& folders, const printing::Selection& sel) {
    Session& s = app.s;
    const std::optional<int> option = gains_option(app);
    if (!option) return;
    const printing::PrintPlace place = print_place(app);
    std::unique_ptr<printing::PrintFile> file;
    if (Status st = printing::PrintFile::PREP_IMP(place, &file); !st) {
        app.error({st.message()});
        return;
    }
    int lines = static_cast<int>(s.cfg_num("NRO_LIN"));
    if (lines < 50 || lines > 66) lines = 60;
    printing::GainsReport report(*file, lines);
    const payments::InterestTable selic = selic_rates(app);
    printing::RunContext rc{app.w.env(), app.op, app.w.clock(), selic};
    printing::RunResult result;
    if (sel.kind == printing::Selection::Kind::kOne) {
        // One declaration: the operator picks the gain by its number.
        tax::FolderReader reader;
        std::vector<tax::FolderReader::Loaded> loaded;
        Status st = tax::FolderReader::read(app.w.env(), folders.front(), sel.cpf, &reader);
        if (st && !reader.has(sel.cpf))
            st =
                Status::not_found("CPF " + sel.cpf + " não encontrado na pasta " + folders.front());
        if (st) st = reader.load(0, reader.cpfs().size(), &loaded);
        if (st && (loaded.empty() || !loaded.front().status))
            st = loaded.empty() ? Status::not_found("CPF " + sel.cpf) : loaded.front().status;
        if (!st) {
            app.error({st.message()});
            return;
        }
        tax::FolderReader::Loaded& l = loaded.front();
        std::vector<printing::GainToPrint> all =
            printing::gains_to_print(l.declaration, l.gains, l.costs, app.op);
        std::vector<const store::Record*> records;
        for (const auto& g : all) records.push_back(g.gain);
        auto make = [&all](const store::Record& r) {
            for (const auto& g : all)
                if (g.gain == &r) return g;
            return printing::GainToPrint{};
        };
        auto ask_number = [&app](std::string_view prompt) -> std::optional<int> {
            Decimal n;
            if (!app.ask({std::string(prompt)}, n, "99")) return std::nullopt;
            return static_cast<int>(n.whole());
        };
        if (printing::IMPGANHO(*option, records, make, report, app.op, ask_number) > 0) {
            result.printed = 1;
            result.cpfs.push_back(sel.cpf);
        }
    } else {
        for (const std::string& folder : folders) {
            Status st =
                printing::print_gains_folder(rc, folder, sel, *option, report, *file, &result);
            if (!st) app.error({"Não foi possível ler a pasta", folder, st.message()});
        }
        for (const auto& p : result.problems) app.error({"Declaração não impressa:", p});
    }
    std::string path;
    if (Status st = file->close(&path); !st) {
        app.error({st.message()});
        return;
    }
    const std::string name = result.cpfs.size() == 1
                                 ? printing::copy_name(6, result.cpfs[0], tax::CANOATUAL)
                                 : std::string("NAO-DOS");
    for (int copy = 0; copy < std::clamp(s.NRO_VIAS, 1, 9); ++copy)
        if (send_print_file(app, path, name) != printing::Sent::kSent) break;
}

bool printout_chosen(App& app) {
    const long queimp = app.s.cfg_num("queimp");
    if (queimp == 1 || queimp == 2 || queimp == 9 || queimp == 10) return true;
    app.tell({"Escolha em \"O que imprimir\" a declaração, os avisos e notas pessoais",
              "ou o livro caixa normal."});
    return false;
}

// The print item "Cadastro" prints the client lists or labels.
bool lists_chosen(const App& app) {
    return app.s.cfg_num("queimp") == 12;
}

// The print item "Valores a cobrar" prints the fee report.
bool fees_chosen(const App& app) {
    return app.s.cfg_num("queimp") == 11;
}

// FAZ_PRECO through the print channel: the data folder's clients (the marked ones with scope 2,
// one client with `cpf`) with their suggested and charged fees.
void print_fees(App& app, const std::string& cpf, bool marked_only) {
    Session& s = app.s;
    std::vector<office::FeeClient> clients;
    if (Status st = office::read_fee_clients(app.w.env(), s.ROTADOANO, &clients); !st) {
        app.error({st.message()});
        return;
    }
    if (!cpf.empty())
        std::erase_if(clients, [&](const office::FeeClient& c) { return c.cpf != cpf; });
    office::FeeRates rates;
    rates.per_minute = s.DEFINE.num("VAL_SEG");
    rates.per_kilobyte = s.DEFINE.num("VAL_BYTE");
    rates.minimum = s.DEFINE.num("VAL_MIN");
    const long lines = s.cfg_num("NRO_LIN");
    std::unique_ptr<printing::PrintFile> file;
    if (Status st = printing::PrintFile::PREP_IMP(print_place(app), &file); !st) {
        app.error({st.message()});
        return;
    }
    office::fee_report(s.ROTADOANO, clients, rates, marked_only,
                       lines >= 50 && lines <= 66 ? static_cast<int>(lines) : 60, *file);
    std::string path;
    if (Status st = file->close(&path); !st) {
        app.error({st.message()});
        return;
    }
    for (int copy = 0; copy < std::clamp(s.NRO_VIAS, 1, 9); ++copy)
        if (send_print_file(app, path, "NAO-DOS") != printing::Sent::kSent) break;
}

// The print item "carta Personalizada" prints a letter merged with each client's registry.
bool letter_chosen(const App& app) {
    return app.s.cfg_num("queimp") == 8;
}

// The letter picked by the operator to whom the scope says.
void print_letters_to(App& app, LetterAddressees to) {
    if (auto file = pick_letter(app)) print_letter(app, file->letter, to);
}

// The print item "Darfes" opens the DARF window instead of printing the declaration.
bool darfs_chosen(const App& app) {
    return app.s.cfg_num("queimp") == 5;
}

}  // namespace

void print_client(App& app, const std::string& cpf) {
    if (darfs_chosen(app)) {
        PREP_DARF(app, cpf);
        return;
    }
    if (lists_chosen(app)) {
        print_client_lists(app, 1, cpf);
        return;
    }
    if (fees_chosen(app)) {
        print_fees(app, cpf, false);
        return;
    }
    if (letter_chosen(app)) {
        print_letters_to(app, {{app.s.ROTADOANO}, cpf, false});
        return;
    }
    printing::Selection sel;
    sel.cpf = cpf;
    if (gains_chosen(app)) {
        run_gains(app, {app.s.ROTADOANO}, sel);
        return;
    }
    if (!printout_chosen(app)) return;
    // The notices printed are those of a check made just now.
    check_silently(app, cpf);
    run(app, {app.s.ROTADOANO}, sel);
}

void print_selected(App& app) {
    Session& s = app.s;
    const long quecon = s.cfg_num("quecon");
    if (darfs_chosen(app) && quecon >= 2 && quecon <= 4) {
        PREP_DARF(app, "");
        return;
    }
    if (lists_chosen(app) && quecon >= 2 && quecon <= 4) {
        print_client_lists(app, static_cast<int>(quecon), "");
        return;
    }
    if (fees_chosen(app) && (quecon == 2 || quecon == 3)) {
        print_fees(app, "", quecon == 2);
        return;
    }
    if (letter_chosen(app) && quecon >= 2 && quecon <= 4) {
        LetterAddressees to{{s.ROTADOANO}, "", quecon == 2};
        if (quecon == 4) {
            sync_areas(s, app.w);
            to.folders.clear();
            for (const FolderEntry& e : folder_list(app.w)) to.folders.push_back(e.folder);
        }
        print_letters_to(app, to);
        return;
    }
    if (darfs_chosen(app) || lists_chosen(app) || fees_chosen(app) || letter_chosen(app)) {
        DECLARA(app);
        return;
    }
    const bool gains = gains_chosen(app);
    if (!gains && !printout_chosen(app)) return;
    auto print = [&app, gains](const std::vector<std::string>& folders,
                               const printing::Selection& sel) {
        if (gains)
            run_gains(app, folders, sel);
        else
            run(app, folders, sel);
    };
    printing::Selection sel;
    switch (s.cfg_num("quecon")) {
        case 2:
            sel.kind = printing::Selection::Kind::kMarked;
            print({s.ROTADOANO}, sel);
            return;
        case 3:
            sel.kind = printing::Selection::Kind::kAll;
            print({s.ROTADOANO}, sel);
            return;
        case 4: {
            sel.kind = printing::Selection::Kind::kAll;
            sync_areas(s, app.w);
            std::vector<std::string> folders;
            for (const FolderEntry& e : folder_list(app.w)) folders.push_back(e.folder);
            print(folders, sel);
            return;
        }
        default:
            DECLARA(app);
            return;
    }
}

}  // namespace vorn::shell
