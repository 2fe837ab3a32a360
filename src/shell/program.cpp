// The main window: opening screen, menu bar, status bar and the confirmed exit.
#include "shell/program.h"

#include "base/text.h"
#include "ui/desktop.h"
#include "ui/windows.h"

namespace vorn::shell {
namespace {

constexpr int kOpeningWindow = 11;

void draw_opening_screen(ui::Screen& s, const ProgramArgs& args) {
    ui::TextWindows& w = s.windows();
    const ui::Palette& p = s.palette();
    w.ENCHETELA(" ", p.COR_ENCH_C);
    w.DEFINEJAN(kOpeningWindow, p.COR_1_CLI, p.COR_2_CLI, "N+/N", 8, 13, 14, 66, 7);
    w.ABREJAN(kOpeningWindow);
    std::string terminal = args.terminal.empty() ? "00" : args.terminal;
    const std::string lines[] = {"", "VORN2026", "Imposto de Renda Pessoa Física - Exercício 2026",
                                 "\2Versão " + trim(VERSAO) + " de " + std::string(DVERATUAL),
                                 "Terminal " + terminal};
    std::string text;
    for (const auto& l : lines) {
        text += pad_center(l, l.starts_with('\2') ? 53 : 52);  // the colour switch takes no cell
        text += '\n';
    }
    w.ESCRJAN(kOpeningWindow, text);
}

}  // namespace

int run_program(ui::Screen& s, const ProgramArgs& args) {
    s.bind_clipboard_keys();
    draw_opening_screen(s, args);

    ui::LDialog& main = s.desktop().main();
    auto leave = [&s, &main] {
        if (ui::LMSGYN(s, "Confirma saída do programa?", "Saida do Programa")) main.End(0);
    };
    ui::LMenu menu;
    menu.SubMenu("&Declaração");
    menu.MenuItem("&Terminar (Alt T)", leave);
    menu.EndMenu();
    menu.Create(s);
    ui::LSBDRAW(s, {std::string(250, ' ')});
    s.bind(ui::Key::alt('T'), leave);
    main.on_key = [leave](const ui::Key& k) {
        if (!k.is(ui::KeyCode::kEsc)) return false;
        leave();
        return true;
    };
    ui::LACTIVATE(s, false);
    main.on_key = nullptr;
    s.windows().ENCHETELA(" ", "W/N");
    s.refresh();
    return 0;
}

}  // namespace vorn::shell
