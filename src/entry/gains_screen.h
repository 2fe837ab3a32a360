// Screen 8 of an open declaration: the capital gains of one kind of asset (real estate, movable
// assets in Brazil or abroad, shareholdings, foreign cash) sold by the holder or by the
// dependants. A browser lists the person's gains of that kind; Ins opens a new gain in the gain
// window (gain_window.h), Enter the current one, Del removes it with its cost rows after a
// question, and the declaration's totals are computed again.
#pragma once

#include "entry/item_editor.h"
#include "ui/key.h"

namespace vorn::entry {

// GTELA(8) for item 81 … 88 (81/85 real estate, 82/86 movable assets, 83/87 shareholdings, 84/88
// foreign cash; 85 and above the dependants'); `abroad` chooses the movable assets abroad. The key
// that left the screen.
ui::Key gains_screen(EditorPlace& place, int item, bool abroad);

}  // namespace vorn::entry
