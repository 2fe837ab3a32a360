// Command 25, "Valor a cobrar": the office's fee rates and its idle limit.
#include "shell/fees_window.h"

#include <string>
#include <vector>

#include "office/fees.h"
#include "shell/folders.h"

namespace vorn::shell {

void VAL_DECL(App& app) {
    Session& s = app.s;
    office::FeeRates r{s.DEFINE.num("VAL_SEG"), s.DEFINE.num("VAL_BYTE"), s.DEFINE.num("VAL_MIN"),
                       static_cast<int>(s.def_num("TEMP_DES"))};
    Decimal idle(r.idle_minutes);
    auto dlg = ui::LDLGSHOW(app.screen, 8, 16, 15, 64, "Valor a cobrar");
    dlg->say(1, 2, "Valor por minuto ........:");
    dlg->say(2, 2, "Valor por KByte .........:");
    dlg->say(3, 2, "Valor mínimo ............:");
    dlg->say(4, 2, "Minutos sem teclar ......:");
    for (;;) {
        std::vector<ui::Get> f(4);
        const auto place = [&](size_t k, ui::Var v, const char* picture, const char* hint) {
            f[k].row = static_cast<int>(k) + 1, f[k].col = 29, f[k].var = v;
            f[k].picture = picture;
            f[k].when = [&app, hint] {
                app.op.status(hint);
                return true;
            };
        };
        place(0, r.per_minute, "@EZ 999,999.99", "Informe o valor a cobrar por minuto");
        place(1, r.per_kilobyte, "@EZ 999,999.99",
              "Informe o valor a cobrar por KByte de memória usada");
        place(2, r.minimum, "@EZ 999,999.99", "Informe o valor mínimo a cobrar.");
        place(3, idle, "@ez 99", "Informe o tempo sem teclar para desligar o relógio");
        const bool escaped = dlg->ReadModal(f).escaped;
        app.op.status("");
        if (escaped) break;
        r.idle_minutes = static_cast<int>(idle.whole());
        if (auto problem = office::rates_problem(r)) {
            app.error({*problem, "Nada foi gravado."});
            continue;
        }
        s.DEFINE.set("VAL_SEG", r.per_minute);
        s.DEFINE.set("VAL_BYTE", r.per_kilobyte);
        s.DEFINE.set("VAL_MIN", r.minimum);
        s.DEFINE.set("TEMP_DES", Decimal(r.idle_minutes));
        (void)store_define(app, {"VAL_SEG", "VAL_BYTE", "VAL_MIN", "TEMP_DES"});
        break;
    }
    ui::LDLGCLOSE(app.screen);
}

}  // namespace vorn::shell
