// The window of one item of income received cumulatively (RRA): its fields in order, the option
// between the annual adjustment and exclusive taxation, the month of receipt and the number of
// months, the age-65 portion, with the income taxed and the tax due computed as they are typed.
#pragma once

#include "entry/item_editor.h"
#include "store/dbf.h"

namespace vorn::entry {

// Edits the RRA item the table is positioned on (a dependant's when `dependant`). The item is
// written, under its lock, only when the window is completed and the whole item holds together;
// Esc leaves it as it was. True when written.
bool RRA_window(EditorPlace& place, store::Table& t, bool dependant);

}  // namespace vorn::entry
