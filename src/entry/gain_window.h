// The window of one capital gain: its fields in the order of the gain's record, laid out per kind
// of asset (real estate, movable assets in Brazil or abroad, shareholdings, foreign cash). The
// sale's questions are asked as the fields are typed, the cost rows (list 10) or the purchases and
// sales (list 19) and the instalments (also Alt+P) open from their fields, and the gain and its
// tax are shown as it goes. Esc asks whether to abandon a new or changed gain (the cost rows typed
// go back as they were); a missing buyer CPF is asked about, a dependant's gain needs the
// dependant's CPF. Keys of other screens wait until the gain is finished.
#pragma once

#include "entry/item_editor.h"
#include "entry/layout.h"
#include "store/record.h"
#include "tax/declaration.h"

namespace vorn::entry {

// The window's fields and the columns they edit (every kind's layout).
ScreenFields gain_fields();

// Shows `gain` (a table-7 record, stored or new, with its number, kind and place) of the open
// declaration `td` as last computed; true when the gain was computed and stored with its rows and
// the declaration's totals computed again, false when it was abandoned or left unchanged.
bool gain_window(EditorPlace& place, const tax::Declaration& td, store::Record gain, bool is_new,
                 bool dependant);

}  // namespace vorn::entry
