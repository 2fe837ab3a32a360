// The month-range window and its questions.
#include "entry/month_range.h"

#include "ui/desktop.h"
#include "ui/field.h"
#include "ui/notices.h"

namespace vorn::entry {

bool valid_month_range(int from, int to) {
    return from >= 1 && from <= 12 && to >= from && to <= 12;
}

namespace {

int month_of(const std::string& two_digits) {
    int n = 0;
    for (char c : two_digits) n = c >= '0' && c <= '9' ? n * 10 + (c - '0') : n;
    return n;
}

std::string two_digits(int month) {
    return std::string(1, static_cast<char>('0' + month / 10)) +
           static_cast<char>('0' + month % 10);
}

}  // namespace

std::optional<MonthChoice> ESCOLHE_MES(ui::Screen& s) {
    std::string how = "1", from = two_digits(1), to = two_digits(12);
    auto dlg = ui::LDLGSHOW(s, 8, 16, 16, 63, "Selecione");
    dlg->say(0, 1, "Imprimir");
    dlg->say(1, 2, "1 - Todos os meses");
    dlg->say(2, 2, "2 - Somente o mês inicial");
    dlg->say(3, 2, "3 - Do mês inicial até o mês final");
    dlg->say(5, 2, "Opção:      Mês inicial:      final:");
    std::vector<ui::Get> f(3);
    f[0].row = 5, f[0].col = 9, f[0].var = how, f[0].picture = "9";
    f[0].valid = [&] { return how == "1" || how == "2" || how == "3"; };
    f[1].row = 5, f[1].col = 27, f[1].var = from, f[1].picture = "99";
    f[1].when = [&] { return how != "1"; };
    f[1].valid = [&] { return valid_month_range(month_of(from), month_of(from)); };
    f[2].row = 5, f[2].col = 39, f[2].var = to, f[2].picture = "99";
    f[2].when = [&] { return how == "3"; };
    f[2].valid = [&] { return valid_month_range(month_of(from), month_of(to)); };
    ui::ReadResult r = dlg->ReadModal(f);
    ui::LDLGCLOSE(s);
    if (r.escaped) return std::nullopt;
    MonthChoice c;
    c.from = how == "1" ? 1 : month_of(from);
    c.to = how == "1" ? 12 : how == "2" ? c.from : month_of(to);
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
