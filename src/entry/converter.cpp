// The value converter window and Alt+U.
#include "entry/converter.h"

#include <string>
#include <vector>

#include "base/picture.h"
#include "base/text.h"
#include "entry/calculator.h"
#include "ui/desktop.h"
#include "ui/field.h"
#include "ui/notices.h"

namespace vorn::entry {
namespace {

constexpr const char* kAmount = "@E 999,999,999.99";
// The largest value the two amount fields show.
const Decimal kMaxAmount = Decimal::from("999999999.99");

bool too_large(ui::Screen& s, Decimal v) {
    if (v.abs() <= kMaxAmount) return false;
    ui::MENS(s, 1, std::vector<std::string>{"Valor grande demais para o conversor."});
    return true;
}

}  // namespace

std::optional<Decimal> CONVERSOR(ui::Screen& s, Decimal reais, Decimal rate) {
    if (rate <= Decimal(0)) {
        ui::MENS(s, 1, std::vector<std::string>{"Cotação do dólar não informada."});
        return std::nullopt;
    }
    ScreenKeysAtRest keys(s);
    auto win = ui::LDLGSHOW(s, 8, 18, 15, 61, "Conversor R$ / US$");
    Decimal real = too_large(s, reais) ? Decimal(0) : reais.round(2);
    Decimal dollar = (real / rate).round(2);
    win->say(0, 1, "Cotação do dólar: " + trim(transform(rate, Picture("@E 9,999.9999"))));
    win->say(2, 1, "Valor em R$ .....:");
    win->say(3, 1, "Valor em US$ ....:");
    win->say(5, 1, "Digite um dos valores   Esc sai");
    std::vector<ui::Get> fields(2);
    fields[0].row = 2;
    fields[0].col = 20;
    fields[0].var = real;
    fields[0].picture = kAmount;
    fields[0].name = "REAIS";
    fields[0].valid = [&] {
        dollar = (real / rate).round(2);
        return true;
    };
    fields[1].row = 3;
    fields[1].col = 20;
    fields[1].var = dollar;
    fields[1].picture = kAmount;
    fields[1].name = "DOLARES";
    fields[1].valid = [&] {
        const Decimal r = (dollar * rate).round(2);
        if (too_large(s, r)) return false;
        real = r;
        return true;
    };
    ui::ReadResult r = win->ReadModal(fields);
    ui::LDLGCLOSE(s);
    if (r.escaped) return std::nullopt;
    return real;
}

void converter_into_field(ui::Screen& s, Decimal rate) {
    ui::FieldEditor* field = s.active_field();
    if (!field) return;
    if (field->get().name == "I13_31") {
        ui::MENS(s, 1,
                 std::vector<std::string>{
                     "Tecle antes CTRL ENTER para acionar o conversor mensal do DOLAR        "});
        return;
    }
    if (!field->is_number() || field->decimals() == 0) {  // codes and counts hold no money
        s.beep(300, 100);
        return;
    }
    Decimal current;
    if (auto v = field->value(); v && std::holds_alternative<Decimal>(*v))
        current = std::get<Decimal>(*v);
    std::optional<Decimal> reais = CONVERSOR(s, current, rate);
    if (!reais) return;
    if (!field->put(reais->round(field->decimals())))
        ui::MENS(
            s, 1,
            std::vector<std::string>{"O valor não cabe no campo.", "O campo ficou como estava."});
}

}  // namespace vorn::entry
