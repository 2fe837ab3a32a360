// Screen 8 of an open declaration: the capital gains of one kind of asset (real estate, movable
// assets in Brazil or abroad, shareholdings, foreign cash) sold by the holder or by the
// dependants. A browser lists the person's gains of that kind; Ins opens a new gain, Enter the
// current one, Del removes it after a question. The gain window reads its fields in the order of
// the gain's record, asks the sale's questions as they are typed, opens the cost rows and the
// instalments, shows the gain and its tax as it goes and, on leaving, computes the gain, stores
// it with its rows and computes the declaration's totals again.
#pragma once

#include "entry/item_editor.h"
#include "entry/layout.h"
#include "ui/key.h"

namespace vorn::entry {

// The gain window's fields and the columns they edit (every kind's layout).
ScreenFields gain_fields();

// GTELA(8) for item 81 … 88 (81/85 real estate, 82/86 movable assets, 83/87 shareholdings, 84/88
// foreign cash; 85 and above the dependants'); `abroad` chooses the movable assets abroad. The key
// that left the screen.
ui::Key gains_screen(EditorPlace& place, int item, bool abroad);

}  // namespace vorn::entry
