// Questions with typed answers, notices, and tables shown in the grid browser.
#include "shell/app.h"

#include "entry/field_values.h"
#include "shell/menus.h"

#include "base/text.h"
#include "shell/folders.h"
#include "store/catalogue.h"
#include "store/opening.h"
#include "ui/desktop.h"
#include "ui/notices.h"

namespace vorn::shell {

using entry::to_store;
using entry::to_ui;

ui::LMenu desktop_menu(const std::vector<MenuEntry>& tree,
                       const std::function<void(const MenuEntry&)>& chosen) {
    ui::LMenu menu;
    std::function<void(const std::vector<MenuEntry>&)> add = [&](const auto& items) {
        for (const auto& e : items) {
            if (e.separator) {
                menu.Separator();
            } else if (e.submenu()) {
                menu.SubMenu(e.caption, e.enabled);
                add(e.items);
                menu.EndMenu();
            } else {
                menu.MenuItem(
                    e.caption, [chosen, e] { chosen(e); }, e.enabled, e.hotkey);
            }
        }
    };
    add(tree);
    return menu;
}

bool App::ask(const std::vector<std::string>& lines, ui::Var var, const std::string& picture,
              int width, std::function<bool()> valid) {
    ui::MensArgs a;
    a.column = "C";
    a.row = 10;
    a.variable = var;
    a.picture = picture;
    a.width = width;
    a.valid = std::move(valid);
    ui::MENS(screen, 14, lines, a);
    // MENS empties the variable on Esc: an empty answer counts as given up.
    ui::Value v = var.get();
    if (auto* s = std::get_if<std::string>(&v)) return !trim(*s).empty();
    if (auto* d = std::get_if<Decimal>(&v)) return !d->is_zero();
    if (auto* t = std::get_if<Date>(&v)) return !t->blank();
    return true;
}

BrowserOpener browser_opener(const App& app) {
    const std::string browser = trim(app.platform.variable("VORN_BROWSER").value_or(""));
    return {*app.processes, browser.empty() ? "xdg-open" : browser};
}

bool App::yes(const std::vector<std::string>& lines, const std::string& title) {
    return ui::AVISOSN(screen, lines, 2, {}, title) == "S";
}

bool App::yes_not_default(const std::vector<std::string>& lines, const std::string& title) {
    ui::MessageBox box;
    box.lines = lines;
    box.buttons = {"&Sim", "&Não"};
    box.default_button = 2;
    box.title = title.empty() ? "Aviso" : title;
    box.icon = ui::Icon::kQuestion;
    return ui::show_message(screen, box) == 1;
}

void App::tell(const std::vector<std::string>& lines, const std::string& title) {
    ui::AVISOSN(screen, lines, 0, {}, title);
}

void App::error(const std::vector<std::string>& lines, const std::string& title) {
    ui::AVISOSN(screen, lines, 8, {}, title);
}

ui::BrowseColumn field_column(App& app, int area, const std::string& field, std::string header,
                              std::string picture, bool writable, int width) {
    ui::BrowseColumn c;
    c.header = std::move(header);
    c.picture = std::move(picture);
    c.width = width;
    store::Table* t = app.w.table(area);
    const store::FieldDef& def = t->layout()[t->layout().index(field)];
    if (def.type == store::FieldType::kChar) c.value_width = def.width;
    if (def.type == store::FieldType::kNumeric) {
        c.value_width = def.width;
        c.decimals = def.decimals;
    }
    const store::Field f = t->field(field);
    c.get = [t, f] {
        store::Value v = t->eof() ? store::Value(std::string()) : t->value_of(t->bytes(), f);
        return to_ui(v);
    };
    if (writable)
        c.put = [&app, area, t, f](const ui::Value& v) {
            if (t->eof()) return false;
            app.w.select(area);
            if (!store::REC_LOCK(app.w, 5)) return false;
            Status s = t->replace(f, to_store(v));
            Status u = t->unlock();
            if (!s || !u) {
                app.error({(s ? u : s).message()});
                return false;
            }
            return true;
        };
    return c;
}

void leave_deleted(store::Table& t) {
    (void)t.skip(1);
    if (t.eof()) (void)t.go_bottom();
}

void browse_table(App& app, int area, const std::string& title,
                  std::vector<ui::BrowseColumn> columns, bool editable) {
    store::Table* t = app.w.table(area);
    if (!t) return;
    auto dlg = ui::LDLGSHOW(app.screen, 3, 1, 22, 78, title);
    TableSource rows(*t);
    ui::BrowseOptions o(ui::Rect{5, 3, 20, 76});
    if (editable) {
        o.on_insert = [&] {
            app.w.select(area);
            if (!store::ADD_REC(app.w, 5)) return false;
            (void)t->unlock();
            return true;
        };
        o.on_delete = [&] {
            if (t->eof() || !app.yes({"Confirma a exclusão deste registro?"})) return false;
            app.w.select(area);
            if (!store::REC_LOCK(app.w, 5)) return false;
            Status s = t->delete_record();
            Status u = t->unlock();
            if (!s) app.error({s.message()});
            (void)u;
            leave_deleted(*t);
            return true;
        };
    }
    ui::Browser b(app.screen, rows, std::move(columns), o);
    b.run();
    ui::LDLGCLOSE(app.screen);
}

bool store_define(App& app, const std::vector<std::string>& fields) {
    sync_areas(app.s, app.w);
    if (!store::ABERTURA(app.w, 43)) return false;
    store::Table& t = *app.w.table(43);
    app.w.select(43);
    bool ok = t.go_top().is_ok() && !t.eof() && store::REC_LOCK(app.w, 5);
    for (size_t k = 0; ok && k < fields.size(); ++k) {
        Status s = t.replace(t.field(fields[k]), app.s.DEFINE.value(fields[k]));
        if (!s) app.error({s.message()});
        ok = s.is_ok();
    }
    (void)t.unlock();
    app.w.close(43);
    return ok;
}

}  // namespace vorn::shell
