// The running program as the menus' commands see it: the screen, the session's global values, the
// terminal's work areas, the operator and the machine, and the questions that need a typed answer.
// Also the table browsing the commands share: a table as rows of the grid browser.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/operator.h"
#include "base/process.h"
#include "entry/table_rows.h"
#include "shell/platform.h"
#include "shell/session.h"
#include "store/workareas.h"
#include "ui/browse.h"
#include "ui/desktop.h"
#include "ui/field.h"
#include "ui/screen.h"

namespace vorn::shell {

struct MenuEntry;

struct App {
    ui::Screen& screen;
    Session& s;
    store::WorkAreas& w;
    Operator& op;
    const Platform& platform;
    bool quit = false;  // the operator confirmed the end of the program
    Processes* processes = &SystemProcesses::instance();  // outside programs (calculator, print)

    // A notice with an input field (lines of text, the field after the last one). False when the
    // operator pressed Esc (the variable is then empty, zero or blank).
    bool ask(const std::vector<std::string>& lines, ui::Var var, const std::string& picture,
             int width = 0, std::function<bool()> valid = {});
    // A yes/no question as a message box; true for "Sim".
    bool yes(const std::vector<std::string>& lines, const std::string& title = {});
    // A yes/no question whose default button is "Não": for answers that throw work away.
    bool yes_not_default(const std::vector<std::string>& lines, const std::string& title = {});
    void tell(const std::vector<std::string>& lines, const std::string& title = {});
    void error(const std::vector<std::string>& lines, const std::string& title = {});
};

// How this terminal opens web addresses: VORN_BROWSER, else "xdg-open".
BrowserOpener browser_opener(const App& app);

// A menu bar of the desktop built from a menu tree; `chosen` runs with the item picked.
ui::LMenu desktop_menu(const std::vector<MenuEntry>& tree,
                       const std::function<void(const MenuEntry&)>& chosen);

using entry::TableSource;

// A browser column over a field of the table's current record. Writable columns write under the
// record's lock.
ui::BrowseColumn field_column(App& app, int area, const std::string& field, std::string header,
                              std::string picture, bool writable, int width = 0);

// Moves off a record just deleted (deleted records are hidden): to the next one, else the last.
void leave_deleted(store::Table& t);

// Browses and edits a table of an area in a window titled `title`: Ins appends a record, Del
// deletes the current one after confirmation. Returns when the operator leaves with Esc.
void browse_table(App& app, int area, const std::string& title,
                  std::vector<ui::BrowseColumn> columns, bool editable);

// Writes `fields` of the session's DEFINE into the office record under its record lock; false
// (the operator told) when the record cannot be locked or written.
bool store_define(App& app, const std::vector<std::string>& fields);

}  // namespace vorn::shell
