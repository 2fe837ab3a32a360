// The item editor: one grid over any list of a declaration (payments, assets, debts), with the
// list's columns, pictures and checks taken from its table in item_lists.h. A cell typed and
// accepted is written at once into the declaration's working table under the record's lock and
// the totals are computed again; a refused cell keeps its old value and the cursor. Rows are
// inserted (renumbering the item numbers that follow) and deleted after a question.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/operator.h"
#include "payments/interest.h"
#include "store/declaration.h"
#include "store/workareas.h"
#include "ui/grid.h"
#include "ui/key.h"
#include "ui/screen.h"

namespace vorn::entry {

struct EditaOptions {
    // NPOSIATU: the record of the working table the list opens on (a finding of the consistency
    // check names it, LTEMERR); 0: the first row.
    uint32_t record = 0;
    // The column the list opens on, counted from 1 (a finding's COLUN); 0: the first.
    int column = 0;
    // The record a list of another's rows belongs to (the asset item of the heirs' shares).
    long owner = 0;
};

// What the editor works on: the screen and operator, the terminal's work areas (reference tables
// and the working tables' locks), the open declaration and the area of the screen it may use.
struct EditorPlace {
    ui::Screen& screen;
    Operator& op;
    store::WorkAreas& w;
    store::Declaration& d;
    const payments::InterestTable& selic;
    ui::Rect area;
    // A finding's record and column: the first list shown from this place opens there (then
    // they are cleared), unless EDITA is given its own.
    EditaOptions finding{};
    // ROTAANTER: the folder of last year's declarations (empty: none).
    std::string last_year = {};
    // VAL_DOLAR: the dollar rate the rural activity abroad is computed at.
    Decimal dollar = {};
};

// EDITA: shows list `list` (item_lists.h) until the operator leaves it; the key that ended it
// (Esc, Tab, Shift+Tab, or a key bound on the screen that ends input). The totals of the list are
// computed when it opens and after every change; rows left wholly blank are removed on leaving.
ui::Key EDITA(EditorPlace& place, int list, const EditaOptions& options = {});

// A list opened from a field of a screen whose value is its total (the cost of keeping the
// assets, the losses carried forward): EDITA with the screen's keys at rest, then the sum of
// `field` over the list's rows.
Decimal edit_list_total(EditorPlace& place, int list, std::string_view field);

// Item 43 of the declaration: the payments.
ui::Key payments_screen(EditorPlace& place);
// Item 51: the assets, and the debts after Tab (Shift+Tab back to the assets); the key that left
// the pair.
ui::Key assets_and_debts_screen(EditorPlace& place);
// Screens 22 and 23, the assets or the debts over the whole screen: items 52 and 53 the assets or
// the debts alone, item first; 54 and 55 enlarged, description first; without an item, screen 22
// shows the assets and 23 the debts.
ui::Key asset_views_screen(EditorPlace& place, int screen, int item);

}  // namespace vorn::entry
