// Printer choice and sending for the terminal.
#include "shell/print_commands.h"

#include "base/text.h"
#include "entry/printer_choice.h"
#include "printing/lpstat.h"
#include "printing/printer_record.h"
#include "shell/folders.h"

namespace vorn::shell {
namespace {

printing::Commands commands_of(App& app) {
    return printing::Commands::from(
        [&](std::string_view name) { return app.platform.variable(name); });
}

}  // namespace

bool ESC_IMP(App& app) {
    sync_areas(app.s, app.w);
    const printing::InstalledPrinters installed =
        printing::installed_printers(*app.processes, commands_of(app).lpstat);
    (void)printing::CRIA_SEQ(app.w, app.s.NUSU, installed.default_name);
    const std::string current = printing::read_printer(app.w, app.s.NUSU).NOMEIMP;
    const std::string chosen = entry::printer_choice(app.screen, installed.names, current);
    (void)printing::store_printer(app.w, app.s.NUSU, chosen);
    return true;
}

std::string CONFIMP(App& app, int mode) {
    if (mode == 1 || mode == 2) ESC_IMP(app);
    sync_areas(app.s, app.w);
    return printing::read_printer(app.w, app.s.NUSU).NOMEIMP;
}

printing::PrintPlace print_place(App& app) {
    sync_areas(app.s, app.w);
    const printing::PrinterRecord r = printing::read_printer(app.w, app.s.NUSU);
    printing::PrintPlace p;
    p.folder = app.s.LOCTRAB;
    p.nusu = app.s.NUSU;
    p.per_taxpayer = upper(app.s.cfg("mosCPF")) == "S";
    if (!trim(r.SEQ0).empty()) p.strings[0] = r.SEQ0;
    if (!trim(r.SEQ1).empty()) p.strings[1] = r.SEQ1;
    return p;
}

printing::Sent send_print_file(App& app, const std::string& path, const std::string& name) {
    printing::Channel c;
    c.printer = CONFIMP(app, 0);
    c.show_printers = upper(app.s.cfg("mosimp")) == "S";
    c.show_text = upper(app.s.cfg("mostel")) == "S";
    c.tell_empty = app.s.cfg_num("quecon") == 1;
    c.folder = app.s.LOCTRAB;
    c.commands = commands_of(app);
    printing::Outside o{
        *app.processes, app.op,
        [&](const std::function<Status()>& run) { return app.screen.lend_terminal(run); },
        [&] { return CONFIMP(app, 2); }};
    return printing::IMP_TXT(path, name, c, o);
}

}  // namespace vorn::shell
