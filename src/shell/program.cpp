// The interactive program: start-up, the opening screen, the main menu loop with its hot keys,
// reminders and exit, on whatever back end shows the screen.
#include "shell/program.h"

#include <iostream>

#include "base/helpers.h"
#include "base/text.h"
#include "shell/app.h"
#include "shell/dispatch.h"
#include "shell/menus.h"
#include "shell/startup.h"
#include "shell/update_window.h"
#include "store/cdx_index.h"
#include "store/declaration.h"
#include "ui/desktop.h"
#include "ui/notices.h"
#include "ui/windows.h"

namespace vorn::shell {
namespace {

constexpr int kOpeningWindow = 11;

void draw_opening_screen(ui::Screen& s, const Session& session) {
    ui::TextWindows& w = s.windows();
    const ui::Palette& p = s.palette();
    w.ENCHETELA(" ", p.COR_ENCH_C);
    w.DEFINEJAN(kOpeningWindow, p.COR_1_CLI, p.COR_2_CLI, "N+/N", 8, 13, 14, 66, 7);
    w.ABREJAN(kOpeningWindow);
    const std::string lines[] = {"", "VORN2026", "Imposto de Renda Pessoa Física - Exercício 2026",
                                 "\2Versão " + trim(VERSAO) + " de " + std::string(DVERATUAL),
                                 "Terminal " + session.NUSU};
    std::string text;
    for (const auto& l : lines) {
        text += pad_center(l, l.starts_with('\2') ? 53 : 52);  // the colour switch takes no cell
        text += '\n';
    }
    w.ESCRJAN(kOpeningWindow, text);
}

// The terminal's colours (CORES) as the toolkit's palette.
void apply_colours(const store::Record& c, ui::Palette& p) {
    auto n = [&](const char* f, int& into) {
        if (!c.num(f).is_zero()) into = static_cast<int>(c.num(f).whole());
    };
    auto t = [&](const char* f, std::string& into) {
        if (ui::colour_to_attr(c.str(f))) into = c.str(f);
    };
    n("COR_TEL1", p.COR_TEL1), n("COR_TEL2", p.COR_TEL2), n("COR_TEL3", p.COR_TEL3);
    n("COR_MENS", p.COR_MENS), n("COR_PEGA", p.COR_PEGA), n("COR_HELP", p.COR_HELP);
    n("COR_FERID", p.COR_FERID), n("COR_ESCOL", p.COR_ESCOL), n("COR_ENCHE", p.COR_ENCHE);
    t("COR_1_CLI", p.COR_1_CLI), t("COR_2_CLI", p.COR_2_CLI), t("COR_INI", p.COR_INI);
    t("COR_SAY", p.COR_SAY), t("COR_GET", p.COR_GET), t("COR_CLI_HE", p.COR_CLI_HE);
    t("COR_ESC_CL", p.COR_ESC_CL), t("COR_ENCH_C", p.COR_ENCH_C);
}

// The "Terminal" dialog of a network drive: two digits, prefilled.
std::optional<std::string> ask_terminal(ui::Screen& s, std::string_view text,
                                        std::string_view prefill) {
    std::string number(prefill);
    number.resize(2, ' ');
    ui::MensArgs a;
    a.column = "C";
    a.row = 10;
    a.title = "Terminal";
    a.variable = number;
    a.picture = "99";
    ui::MENS(s, 14, std::string(text), a);
    if (trim(number).empty()) return std::nullopt;
    return trim(number);
}

// The main keys, on the status line while it has nothing else to say. Alt+I opens the chooser:
// the printing pad is reached from its neighbours with the arrows.
constexpr const char* kMainKeys =
    "Alt+I Declaração  Alt+D/O/S/E/C/F Menus  F10 Menu  Alt+T Terminar";

struct Pending {
    int code = 0, arg = 0, arg2 = 0;
};

// The main menu: rebuilt before every command (its captions follow the settings), the hot keys
// Alt+I and Alt+T, Esc asking to leave, and the reminders announced at their minute.
void main_loop(App& app) {
    ui::Screen& screen = app.screen;
    ui::LDialog& main = screen.desktop().main();
    ui::LSBDRAW(screen, {std::string(250, ' ')});
    main.status_bar->idle = kMainKeys;
    while (!app.quit) {
        Pending p;
        ui::LMenu menu = desktop_menu(main_menu(app.s), [&](const MenuEntry& e) {
            p = {e.code, e.arg, e.arg2};
            main.End(1);
        });
        menu.Create(screen);
        main.on_key = [&](const ui::Key& k) {
            if (k == ui::Key::alt('I')) {
                p = {11};
            } else if (k == ui::Key::alt('T') || k.is(ui::KeyCode::kEsc)) {
                p = {91};
            } else {
                return false;
            }
            main.End(1);
            return true;
        };
        main.SetTimer(1, 1.0, [&] {
            for (const auto& r : due_reminders(app.s, screen.clock().now().seconds))
                ui::MENS(screen, 1, r);
        });
        ui::LACTIVATE(screen, false);
        main.KillTimer(1);
        main.on_key = nullptr;
        if (p.code) MENUSELECT(app, p.code, p.arg, p.arg2);
    }
}

// A declaration this terminal stopped with open is named at start-up, with the way back to it.
void tell_unfinished_work(App& app) {
    auto work = store::unfinished_work(app.w.env(), app.s.DIRTRAB, app.s.NUSU);
    if (!work) return;
    const std::string cpf = "CPF " + mask_picture(work->cpf, "999.999.999-99");
    const std::string name = trim(work->name);
    app.tell({"A declaração " + (name.empty() ? "do " + cpf : "de " + name + " (" + cpf + ")"),
              "não terminou corretamente neste terminal.",
              "Para recuperá-la tecle F4 na seleção de declarações (Alt+I)."});
}

}  // namespace

int run_program(ui::Screen& screen, const ProgramArgs& args) {
    screen.bind_clipboard_keys();
    ui::ScreenOperator op(screen);
    SystemPlatform platform;
    store::CdxIndexFiles indexes(op);
    store::WorkAreas w(store::Env::posix(), op, screen.clock());
    w.index_files = &indexes;
    Session s;
    App app{screen, s, w, op, platform};

    StartupScreens screens;
    screens.terminal = [&](std::string_view text, std::string_view prefill) {
        return ask_terminal(screen, text, prefill);
    };
    screens.opening = [&](const Session& session) {
        apply_colours(session.CORES, screen.palette());
        draw_opening_screen(screen, session);
    };
    std::string error;
    std::optional<std::string> terminal;
    if (!args.terminal.empty()) terminal = args.terminal;
    if (!start_up(s, w, platform, terminal, screens, &error)) {
        if (!error.empty()) std::cerr << "vorn2026: " << error << "\n";
        w.close_all();
        screen.windows().ENCHETELA(" ", "W/N");
        screen.refresh();
        return 1;
    }
    tell_unfinished_work(app);
    // The maker's status page: the month's rates, and a newer release, which ends the program for
    // its installation when the operator takes it.
    if (s.def("VER_ATUAL") != "N" && INTER(app, 0)) {
        w.close_all();
        return 0;
    }
    if (backup_reminder(s, w)) {
        if (main_command_enabled(71, 1, 2)) {
            app.tell({"Deve ser informado a seguir a letra do PenDrive",
                      "ou do HD externo/interno diferente de onde está",
                      "instalado a sua base de dados. Havendo mais de ",
                      "uma pasta programa fará a cópia de todas elas. "});
            MENUSELECT(app, 71, 1, 2);
        } else {
            app.tell({"Cópia de segurança:", ui::kNotAvailable});
        }
    }
    main_loop(app);
    screen.windows().ENCHETELA(" ", "W/N");
    screen.refresh();
    return 0;
}

}  // namespace vorn::shell
