// The month-range window and its questions.
#include "entry/month_range.h"

#include "ui/desktop.h"
#include "ui/field.h"
#include "ui/notices.h"

namespace vorn::entry {

bool valid_month_range(int from, int to) {
    return from >= 1 && from <= 12 && to >= from && to <= 12;
}

std::optional<MonthChoice> ESCOLHE_MES(ui::Screen& s) {
    Decimal how(1), from(1), to(12);
    auto dlg = ui::LDLGSHOW(s, 8, 20, 16, 60, "Selecione");
    dlg->say(0, 1, "Imprimir");
    dlg->say(1, 2, "1 - Todos os meses");
    dlg->say(2, 2, "2 - Somente o mês inicial");
    dlg->say(3, 2, "3 - Do mês inicial até o mês final");
    dlg->say(5, 2, "Opção:      Mês inicial:      final:");
    std::vector<ui::Get> f(3);
    f[0].row = 5, f[0].col = 9, f[0].var = how, f[0].picture = "9";
    f[0].valid = [&] { return how >= Decimal(1) && how <= Decimal(3); };
    f[1].row = 5, f[1].col = 27, f[1].var = from, f[1].picture = "99";
    f[1].when = [&] { return how != Decimal(1); };
    f[1].valid = [&] { return from >= Decimal(1) && from <= Decimal(12); };
    f[2].row = 5, f[2].col = 39, f[2].var = to, f[2].picture = "99";
    f[2].when = [&] { return how == Decimal(3); };
    f[2].valid = [&] {
        return valid_month_range(static_cast<int>(from.whole()), static_cast<int>(to.whole()));
    };
    ui::ReadResult r = dlg->ReadModal(f);
    ui::LDLGCLOSE(s);
    if (r.escaped) return std::nullopt;
    MonthChoice c;
    const int h = static_cast<int>(how.whole());
    c.from = h == 1 ? 1 : static_cast<int>(from.whole());
    c.to = h == 1 ? 12 : h == 2 ? c.from : static_cast<int>(to.whole());
    // The fields' checks hold the months within the year; a read left another way never gives
    // a range outside it.
    if (!valid_month_range(c.from, c.to)) return std::nullopt;
    return c;
}

std::optional<MonthChoice> ESCOLHE_COMO(ui::Screen& s, int kind) {
    std::optional<MonthChoice> c = ESCOLHE_MES(s);
    if (!c) return c;
    ui::MensArgs a;
    a.keys = "SN";
    auto ask = [&](const char* text, bool* into) {
        const std::string k = ui::MENS(s, 2, text, a);
        if (k != "S" && k != "N") return false;
        *into = k == "S";
        return true;
    };
    if (c->from != c->to && !ask("Avança página em cada mês ?", &c->page_per_month))
        return std::nullopt;
    if (c->from > 1 && !ask("Calcula e Imprime saldo anterior ?", &c->previous_balance))
        return std::nullopt;
    if (kind == 2 && !ask("Deseja imprimir o Resumo de Todos os meses?", &c->summary))
        return std::nullopt;
    return c;
}

}  // namespace vorn::entry
