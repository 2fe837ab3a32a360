// The built-in calculator window, Alt+S and the outside calculator.
#include "entry/calculator.h"

#include <vector>

#include "base/expression.h"
#include "base/text.h"
#include "ui/desktop.h"
#include "ui/field.h"
#include "ui/notices.h"

namespace vorn::entry {

ScreenKeysAtRest::ScreenKeysAtRest(ui::Screen& s) : s_(s), saved_(s.bindings()) {
    s_.set_bindings({});
    s_.bind_clipboard_keys();
}

ScreenKeysAtRest::~ScreenKeysAtRest() {
    s_.set_bindings(std::move(saved_));
}

std::optional<Decimal> CALCULADORA(ui::Screen& s) {
    ScreenKeysAtRest keys(s);
    auto win = ui::LDLGSHOW(s, 8, 8, 15, 71, "Calculadora");
    std::string expression(60, ' ');
    std::optional<Decimal> shown;
    std::optional<Decimal> chosen;
    for (;;) {
        win->say(0, 1, "Expressão:");
        win->say(2, 1, pad_right("Resultado: " + (shown ? calculator_text(*shown) : ""), 60));
        win->say(4, 1, "Operações: + - * / % ( )");
        win->say(5, 1, "Enter calcula; Enter de novo usa o resultado; Esc sai");
        std::vector<ui::Get> fields(1);
        fields[0].col = 12;
        fields[0].var = expression;
        fields[0].picture = "@KS48";
        fields[0].name = "CALCULO";
        ui::ReadResult r = win->ReadModal(fields);
        if (r.escaped) break;
        if (shown && trim(expression) == calculator_text(*shown)) {
            chosen = shown;
            break;
        }
        Decimal value;
        Status st = evaluate_expression(expression, &value);
        if (!st) {
            ui::MENS(s, 1, std::vector<std::string>{st.message()});
            continue;
        }
        shown = value;
        expression = pad_right(calculator_text(value), 60);
    }
    ui::LDLGCLOSE(s);
    return chosen;
}

std::optional<std::string> append_result(std::string_view current, Decimal result,
                                         size_t capacity) {
    std::string text = trim_right(current);
    if (!text.empty()) text += ' ';
    text += calculator_text(result);
    if (char_count(text) > capacity) return std::nullopt;
    return text;
}

namespace {

void does_not_fit(ui::Screen& s) {
    ui::MENS(
        s, 1,
        std::vector<std::string>{"O resultado não cabe no campo.", "O campo ficou como estava."});
}

}  // namespace

void calculator_into_field(ui::Screen& s) {
    ui::FieldEditor* field = s.active_field();
    std::optional<Decimal> result = CALCULADORA(s);
    if (!field || !result) return;
    if (field->is_number()) {
        if (!field->put(result->round(field->decimals()))) does_not_fit(s);
    } else if (field->is_text()) {
        auto text =
            append_result(field->copy_text(), *result, static_cast<size_t>(field->text_capacity()));
        if (!text || !field->put(*text)) does_not_fit(s);
    }
}

void run_calculator(ui::Screen& s, Processes& processes, const std::string& command) {
    if (trim(command).empty()) {
        (void)CALCULADORA(s);
        return;
    }
    Status st = s.lend_terminal([&] { return processes.run({command}); });
    if (!st)
        ui::MENS(s, 1, std::vector<std::string>{"A calculadora não pôde ser usada:", st.message()});
}

}  // namespace vorn::entry
