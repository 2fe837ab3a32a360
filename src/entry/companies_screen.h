// Screen 1: the income from companies of the holder (item 11) and of the dependants (13), and the
// income received cumulatively of each (12 and 14), one item after another with Tab.
#pragma once

#include "entry/item_editor.h"
#include "ui/key.h"

namespace vorn::entry {

// RENDPJ: screen 1 from `item` (11 to 14; 0 is 11) until a key leaves it; the key that did. Tab
// goes on to the next item up to 14 and Shift+Tab back down to 11, beyond which they leave the
// screen; items 13 and 14 need a dependant. The monthly totals are computed on leaving.
ui::Key RENDPJ(EditorPlace& place, int item);

}  // namespace vorn::entry
