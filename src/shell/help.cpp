// Reading HELPTXT and the help window.
#include "shell/help.h"

#include <algorithm>
#include <vector>

#include "base/text.h"
#include "store/env.h"
#include "store/opening.h"
#include "ui/desktop.h"

namespace vorn::shell {

Status read_help(store::WorkAreas& w, const std::string& name, std::string* title,
                 std::string* text) {
    const Status missing = Status::not_found("Texto de ajuda não encontrado: " + name);
    store::Env& env = w.env();
    if (!env.exists(store::find_file(env, w.ARQDEF, "HELPTXT.DBF")) ||
        !env.exists(store::find_file(env, w.ARQDEF, "HELPTXT.DBT")))
        return missing;
    const bool was_open = w.table(45) != nullptr;
    if (!was_open && !store::ABERTURA(w, 45)) return missing;
    store::Table& t = *w.table(45);
    const size_t order = t.order();
    t.set_order(0);
    const store::Field nome = t.field("NOME"), titulo = t.field("TITULO"), texto = t.field("TEXTO");
    Status result = missing;
    for (Status st = t.go_top(); st && !t.eof(); st = t.skip()) {
        if (upper(t.str(nome)) != upper(trim(name))) continue;
        *title = t.str(titulo);
        result = t.memo(texto, text);
        break;
    }
    t.set_order(order);
    if (!was_open) w.close(45);
    return result;
}

void show_help(App& app, const std::string& name) {
    std::string title, text;
    if (Status st = read_help(app.w, name, &title, &text); !st) {
        app.error({st.message(), "Instale de novo as tabelas do programa."});
        return;
    }
    std::vector<std::string> lines;
    for (std::string& line : ui::split_lines(text, '\n')) {
        while (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    while (!lines.empty() && trim(lines.back()).empty()) lines.pop_back();
    ui::Screen& s = app.screen;
    auto win = ui::LDLGSHOW(s, 1, 0, ui::kRows - 2, ui::kCols - 1, title);
    const ui::Rect c = win->client();
    const int shown = c.height() - 1;  // the last row tells the keys
    const int last_top = std::max(0, static_cast<int>(lines.size()) - shown);
    int top = 0;
    for (;;) {
        for (int r = 0; r < shown; ++r) {
            const size_t i = static_cast<size_t>(top + r);
            win->say(r, 1, pad_right(i < lines.size() ? lines[i] : "", c.width() - 2));
        }
        win->say(shown, 1,
                 pad_right(last_top > 0 ? "Setas, PgUp e PgDn rolam o texto   Esc sai" : "Esc sai",
                           c.width() - 2));
        s.hide_cursor();
        const ui::Key k = s.wait_key();
        if (k.is(ui::KeyCode::kEsc) || k.is(ui::KeyCode::kEnter)) break;
        if (k.is(ui::KeyCode::kUp)) top -= 1;
        if (k.is(ui::KeyCode::kDown)) top += 1;
        if (k.is(ui::KeyCode::kPgUp)) top -= shown;
        if (k.is(ui::KeyCode::kPgDn)) top += shown;
        if (k.is(ui::KeyCode::kHome)) top = 0;
        if (k.is(ui::KeyCode::kEnd)) top = last_top;
        top = std::clamp(top, 0, last_top);
    }
    ui::LDLGCLOSE(s);
}

}  // namespace vorn::shell
